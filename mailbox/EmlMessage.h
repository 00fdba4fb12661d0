// One message object as the text of an .eml file: the header fields, a
// multipart/related body holding the multipart/alternative of the text and
// HTML bodies, then the attachments, and a last line ".".
#pragma once

#include <random>
#include <string>

#include "engine/messaging/MessageObject.h"

// The whole file's bytes, lines ended by CR LF.
std::string ComposeEml(const tpstmessage& message, std::mt19937& random);

// The "Date" value: LastModificationTime, else CreationTime, else the
// current time, in local time with the offset that held at that moment.
std::string EmlDate(const tpstmessage& message);
