// `ostrel attachments FILE NID` lists one item's attachments as the viewers
// show them; `ostrel save-attachments FILE NID DIR` writes each stored one
// as a new file directly in DIR and prints the path it wrote.
#include <iostream>
#include <optional>

#include "cli/Commands.h"
#include "cli/NodeArgument.h"
#include "cli/OutputFolder.h"
#include "display/AttachmentRows.h"
#include "display/FolderWriter.h"
#include "mailbox/uPST64File.h"

namespace ostrel::cli {
namespace {

constexpr int kSomeNotSaved = 3;

// The .eml text of an embedded message; none while the engine cannot build one.
std::optional<std::string> EmbeddedMessageEml(TPst64File&, const tattachment&) {
    return std::nullopt;
}

// The bytes a row is saved as, or none with the reason.
std::optional<std::string> SavedBytes(TPst64File& pst, const tattachmentrow& row,
                                      std::string& reason) {
    switch (row.Kind) {
    case tattachmentkind::Reference:
        reason = "a reference to a file outside the mailbox; nothing to save";
        return std::nullopt;
    case tattachmentkind::EmbeddedMessage:
        if (auto eml = EmbeddedMessageEml(pst, *row.Source)) return eml;
        reason = "the embedded message cannot be read";
        return std::nullopt;
    default:
        if (!row.Source->Data) {
            reason = "no data stored";
            return std::nullopt;
        }
        return std::string(AttachmentBytes(*row.Source));
    }
}

// An embedded message is saved as .eml whatever its stored name says.
std::string SavedName(const tattachmentrow& row) {
    const std::string kEml = ".eml";
    bool isEml = row.Name.size() >= kEml.size() &&
                 row.Name.compare(row.Name.size() - kEml.size(), kEml.size(), kEml) == 0;
    if (row.Kind == tattachmentkind::EmbeddedMessage && !isEml) return row.Name + kEml;
    return row.Name;
}

} // namespace

int Attachments(const std::string& file, const std::string& nidText, std::ostream& out,
                std::ostream& err) {
    TPst64File pst;
    int status = 0;
    std::unique_ptr<tpstmessage> object = LoadNodeObject(pst, file, nidText, err, status);
    if (!object) return status;
    for (const tattachmentrow& row : AttachmentRows(*object))
        out << row.Index << "\t" << row.Name << "\t" << row.Size << "\t" << AttachmentKindText(row)
            << "\n";
    return 0;
}

int SaveAttachments(const std::string& file, const std::string& nidText, const std::string& dir,
                    std::ostream& out, std::ostream& err) {
    TPst64File pst;
    int status = 0;
    std::unique_ptr<tpstmessage> object = LoadNodeObject(pst, file, nidText, err, status);
    if (!object) return status;
    if (!PrepareDirectory(dir, err)) return 2;
    for (const tattachmentrow& row : AttachmentRows(*object)) {
        std::string reason;
        std::optional<std::string> bytes = SavedBytes(pst, row, reason);
        if (!bytes) {
            err << "ostrel: attachment " << row.Index << " (" << row.Name << "): " << reason
                << "\n";
            if (row.Kind != tattachmentkind::Reference) status = kSomeNotSaved;
            continue;
        }
        ostrel::names::tsavedfile saved =
            ostrel::names::WriteNewFileInFolder(dir, SavedName(row), *bytes);
        if (saved.Ok) {
            out << saved.Path << "\n";
        } else {
            err << "ostrel: " << saved.Error << "\n";
            status = kSomeNotSaved;
        }
    }
    return status;
}

} // namespace ostrel::cli
