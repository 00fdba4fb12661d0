// One message object as the text of an .eml file: the header fields, a
// multipart/related body holding the multipart/alternative of the text and
// HTML bodies, then the attachments, and a last line "."; and that text
// written to its file.
#pragma once

#include <random>
#include <string>

#include "engine/messaging/MessageObject.h"

// The whole file's bytes, lines ended by CR LF.
std::string ComposeEml(const tpstmessage& message, std::mt19937& random);

// The "Date" value: LastModificationTime, else CreationTime, else the
// current time, in local time with the offset that held at that moment.
std::string EmlDate(const tpstmessage& message);

// One message as an .eml file at `path` (created or overwritten, never
// through a link). 0, or -1 with the reason in `error`.
int32_t WriteEmlFile(const tpstmessage& message, const std::string& path,
                     std::string* error = nullptr);
// The same with `leadingFields` (whole header lines, CR LF ended) before the
// message's own header fields.
int32_t WriteEmlFile(const tpstmessage& message, const std::string& path,
                     const std::string& leadingFields, std::string* error);

// "X-Recovered: yes" for a message only the recovery of deleted or lost
// index entries brought back, so that a reader tells it from live mail;
// nothing for any other.
std::string RecoveredHeaderField(bool recovered);
