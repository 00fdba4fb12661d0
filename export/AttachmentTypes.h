// What an attachment part declares about itself in MIME: its Content-Type
// (PidTagAttachMimeTag when it is a well-formed type/subtype of RFC 2045 5.1,
// else by the file name's extension, else application/octet-stream) and its
// Content-ID (PidTagAttachContentId as an RFC 2392 msg-id). Shared by the EML
// export and the window, which serves inline pictures with the same types.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/messaging/MessageObject.h"

inline constexpr std::string_view kDefaultMimeType = "application/octet-stream";

// "type/subtype" in lower case when `tag` is exactly that (spaces around it
// aside) with token characters only; nullopt otherwise.
std::optional<std::string> ValidMimeType(std::string_view tag);

// The type of a file name's extension ("pdf", ".PDF" or "a.pdf"), from a
// small table of common kinds; nullopt when the table does not know it.
std::optional<std::string> MimeTypeOfExtension(std::string_view extensionOrName);

// The attachment's MIME type: the valid tag, else its extension (0x3703,
// then the long and short file names), else application/octet-stream.
std::string AttachmentMimeType(const tattachment& attachment);

// The attachment's content id without angle brackets, spaces or control
// characters, or empty when none is left.
std::string ContentIdToken(const tattachment& attachment);
