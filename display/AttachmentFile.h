// What saving or opening one attachment writes: the file name and the bytes
// of a stored file, an attached message as the text of an .eml file
// (RFC 5322), nothing for a reference to a file outside the mailbox. The
// viewers and `ostrel save-attachments` both write this.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "display/AttachmentRows.h"
#include "engine/ndb/PstFile.h"

struct tattachmentfile {
    std::string Name;                 // the row's name; ".eml" added for a message
    std::optional<std::string> Bytes; // none when there is nothing to write
    std::string Reason;               // why not, when there are no bytes
};

// The message an attachment holds (attach method 5), read from `file`; null
// when it cannot be read or `depth` (the messages it is attached in) reaches
// the engine's bound.
std::unique_ptr<tpstmessage> AttachedMessage(tpstfile* file, const tattachment& attachment,
                                             int depth);

// `file` is the mailbox the row's message was read from (embedded messages
// are read from it on demand); `depth` counts the messages that message is
// attached in (0 for an item of a folder).
tattachmentfile AttachmentFile(tpstfile* file, const tattachmentrow& row, int depth = 0);
