// Storing decoded property values into a message object, set by set, with a
// chain of attachment elements that advances by one element per set.
#pragma once

#include <cstdint>

#include "engine/messaging/MessageObject.h"
#include "engine/ltp/PropValue.h"

// Applies every set of `sets` to `message`; the n-th set stores its
// attachment tags into the n-th element of the chain that starts at `record`
// (none when the chain is shorter or `record` is null). Values of tags the
// table does not know lose their Data. 0, or -1 when `message` is null.
int32_t ApplyProperties(tpropset* sets, tpstmessage* message, tattachment* record);
