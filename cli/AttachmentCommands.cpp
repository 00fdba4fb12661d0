// `ostrel attachments FILE NID` lists one item's attachments as the viewers
// show them; `ostrel save-attachments FILE NID DIR` writes each stored one
// as a new file directly in DIR and prints the path it wrote.
#include <iostream>

#include "cli/Commands.h"
#include "cli/NodeArgument.h"
#include "cli/OutputFolder.h"
#include "display/AttachmentFile.h"
#include "display/FolderWriter.h"
#include "mailbox/uPST64File.h"

namespace ostrel::cli {
namespace {

constexpr int kSomeNotSaved = 3;

} // namespace

int Attachments(const std::string& file, const std::string& nidText, std::ostream& out,
                std::ostream& err) {
    TPst64File pst;
    int status = 0;
    std::unique_ptr<tpstmessage> object = LoadNodeObject(pst, file, nidText, err, status);
    if (!object) return status;
    for (const tattachmentrow& row : AttachmentRows(*object))
        out << row.Index << "\t" << ShownName(row.Name) << "\t" << row.Size << "\t"
            << AttachmentKindText(row) << "\n";
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
        tattachmentfile saving = AttachmentFile(&pst.Engine, row);
        if (!saving.Bytes) {
            err << "ostrel: attachment " << row.Index << " (" << ShownName(row.Name)
                << "): " << saving.Reason << "\n";
            if (row.Kind != tattachmentkind::Reference) status = kSomeNotSaved;
            continue;
        }
        ostrel::names::tsavedfile saved =
            ostrel::names::WriteNewFileInFolder(dir, saving.Name, *saving.Bytes);
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
