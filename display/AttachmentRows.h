// The attachments of one item as the viewers and `ostrel attachments` list
// them: a row per attachment with its number, the name a user sees, its size,
// its kind by attach method ([MS-OXCMSG] 2.2.2.9) and the media type its
// icon is chosen by. Names follow PidTagAttachLongFilename, then
// PidTagAttachFilename, then "attachment N" with an extension from
// PidTagAttachExtension or PidTagAttachMimeTag ([MS-OXCMSG] 2.2.2.11 to
// 2.2.2.13, 2.2.2.26).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/messaging/EmbeddedMessage.h"
#include "engine/messaging/MessageObject.h"

// PidTagAttachMethod values ([MS-OXCMSG] 2.2.2.9); 5, kAttachEmbeddedMessage,
// comes with the engine's embedded messages.
enum : uint32_t {
    kAttachNone = 0,
    kAttachByValue = 1,
    kAttachByReference = 2,
    kAttachByReferenceResolve = 3,
    kAttachByReferenceOnly = 4,
    kAttachOle = 6,
    kAttachByWebReference = 7,
};

enum class tattachmentkind {
    File,            // the bytes are in the mailbox
    EmbeddedMessage, // a whole message object is stored in the attachment
    Reference,       // only a path or address of a file elsewhere
    Ole,             // an OLE storage, kept as its bytes
};

struct tattachmentrow {
    int Index = 0;    // 1-based, in the order of the attachments' object ids
    std::string Name; // as the user sees it; never empty
    uint64_t Size = 0;
    tattachmentkind Kind = tattachmentkind::File;
    bool Hidden = false;   // PidTagAttachmentHidden true
    std::string MediaType; // "image/png"; "application/octet-stream" when unknown
    const tattachment* Source = nullptr;
};

// The rows of the attachments of `message`; recipient elements of the chain
// are left out.
std::vector<tattachmentrow> AttachmentRows(const tpstmessage& message);

// Whether a chain element stands for an attachment row (not a recipient).
bool IsAttachmentElement(const tattachment& element);

tattachmentkind AttachmentKind(const tattachment& attachment);

// "file", "embedded message", "reference", "OLE object"; ", hidden" added for a hidden one.
std::string AttachmentKindText(const tattachmentrow& row);

// The name rule above; `index` is the row's number.
std::string AttachmentName(const tattachment& attachment, int index);

// The stored bytes as they are saved: Data, no longer than DataSize. Empty
// when nothing is stored.
std::string_view AttachmentBytes(const tattachment& attachment);

// The media type of a MIME tag when it is a well-formed type/subtype
// (lower case), else the type its name's extension stands for.
std::string AttachmentMediaType(std::string_view mimeTag, std::string_view name);

// ".png" for "image/png" and the like; empty when the type is not a common one.
std::string ExtensionForMediaType(std::string_view mediaType);

// The type of a common file extension (with or without the dot, any case);
// "application/octet-stream" otherwise.
std::string MediaTypeForExtension(std::string_view extension);

// A stored name as a list line shows it: control characters (a tab or line
// break would split the line) become U+FFFD.
std::string ShownName(std::string_view name);

// "12 bytes", "3.4 KB", "1.2 MB" (1024-based, one decimal below 10).
std::string SizeText(uint64_t bytes);
