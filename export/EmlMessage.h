// One message object as the text of an .eml file: the header fields, a
// multipart/related body holding the multipart/alternative of the text and
// HTML bodies, then the attachments, and a last line "."; pictures the HTML
// shows by cid: or content location go with it into a multipart/related
// inside a multipart/mixed (RFC 2387); embedded messages are message/rfc822
// parts (RFC 2046 5.2.1). And that text written to its file.
#pragma once

#include <ctime>
#include <random>
#include <string>

#include "engine/messaging/MessageObject.h"
#include "engine/messaging/RecipientTable.h"
#include "engine/ndb/PstFile.h"

// Where the embedded messages of the message being written are opened.
struct temlsource {
    tpstfile* File = nullptr; // null: embedded messages go out as their raw bytes
    int Depth = 0;            // embedding level of the message written: 0 for a message of a folder
    // The message's recipient table; null or not read: the display lists
    // (PidTagDisplayTo, Cc, Bcc) stand in for it.
    const trecipienttable* Recipients = nullptr;
};

// The whole file's bytes, lines ended by CR LF.
std::string ComposeEml(const tpstmessage& message, std::mt19937& random, temlsource source = {});

// The "Date" value: when the message was sent (PidTagClientSubmitTime), else
// when it was delivered (PidTagMessageDeliveryTime), else LastModificationTime,
// else CreationTime, else the current time; in local time with the offset
// that held at that moment.
std::string EmlDate(const tpstmessage& message);
// The same instant in UTC as Unix seconds.
std::time_t EmlDateSeconds(const tpstmessage& message);

// One message as an .eml file at `path` (created or overwritten, never
// through a link). 0, or -1 with the reason in `error`.
int32_t WriteEmlFile(const tpstmessage& message, const std::string& path,
                     std::string* error = nullptr, temlsource source = {});
// The same with `leadingFields` (whole header lines, CR LF ended) before the
// message's own header fields.
int32_t WriteEmlFile(const tpstmessage& message, const std::string& path,
                     const std::string& leadingFields, std::string* error, temlsource source = {});

// The bytes WriteEmlFile writes for the message, `leadingFields` first.
std::string ComposeEmlText(const tpstmessage& message, const std::string& leadingFields,
                           temlsource source = {});
// `text` as the file at `path` (created or overwritten, never through a
// link). 0, or -1 with "cannot write PATH: reason" in `error`.
int32_t WriteTextFile(const std::string& path, const std::string& text, std::string* error);

// "X-Recovered: yes" for a message only the recovery of deleted or lost
// index entries brought back, so that a reader tells it from live mail;
// nothing for any other.
std::string RecoveredHeaderField(bool recovered);

// The message embedded in `attachment` (an element of a message at embedding
// level `depth`, see BuildEmbeddedMessage) as an .eml file at `path`, with
// its own embedded messages inside. 0, or -1 with the reason in `error`.
int32_t WriteEmbeddedEml(tpstfile* file, const tattachment& attachment, int depth,
                         const std::string& path, std::string* error = nullptr);
