// The subject text of a message object, as every list, viewer and export
// shows it: the text part of the split subject ([MS-PST] 2.5.3.1.1), up to
// its first zero byte.
#pragma once

#include <string>

#include "engine/messaging/MessageObject.h"

// Whether the object carries a subject at all (an empty one counts).
bool HasSubject(const tpstmessage& message);

// The subject's text; empty when there is none.
std::string SubjectText(const tpstmessage& message);
