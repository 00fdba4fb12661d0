// Storing decoded property values into a message object, set by set, with a
// chain of attachment elements that advances by one element per set (the
// attachment table and objects of [MS-PST] 2.4.6).
#pragma once

#include <cstdint>

#include "engine/ltp/PropValue.h"
#include "engine/messaging/MessageObject.h"

// Applies every set of `sets` to `message`; the n-th set stores its
// attachment tags into the n-th element of the chain that starts at `record`
// (none when the chain is shorter or `record` is null). Values of tags the
// table does not know lose their Data. 0, or -1 when `message` is null.
int32_t ApplyProperties(tpropset* sets, tpstmessage* message, tattachment* record);
