// The file one attachment is saved as (see AttachmentFile.h).
#include "display/AttachmentFile.h"

#include <random>

#include "export/EmlMessage.h"

namespace {

const std::string kEml = ".eml";

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The .eml text of an embedded message, composed as WriteEmbeddedEml
// composes it (its own attached messages inside as message/rfc822 parts);
// none when it cannot be read. The text is written by the caller, which
// never replaces a file.
std::optional<std::string> EmbeddedMessageEml(tpstfile* file, const tattachment& a, int depth) {
    std::unique_ptr<tpstmessage> message = AttachedMessage(file, a, depth);
    if (!message) return std::nullopt;
    static std::mt19937 random{std::random_device{}()};
    return ComposeEml(*message, random, temlsource{file, depth + 1});
}

} // namespace

std::unique_ptr<tpstmessage> AttachedMessage(tpstfile* file, const tattachment& attachment,
                                             int depth) {
    std::unique_ptr<tpstmessage> message;
    BuildEmbeddedMessage(file, attachment, depth, message);
    return message;
}

tattachmentfile AttachmentFile(tpstfile* file, const tattachmentrow& row, int depth) {
    tattachmentfile out;
    out.Name = row.Name;
    switch (row.Kind) {
    case tattachmentkind::Reference:
        out.Reason = "a reference to a file outside the mailbox; nothing to save";
        break;
    case tattachmentkind::EmbeddedMessage:
        if (!EndsWith(out.Name, kEml)) out.Name += kEml;
        out.Bytes = EmbeddedMessageEml(file, *row.Source, depth);
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
