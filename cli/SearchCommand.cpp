// `ostrel search`: the items of the mailbox (or of one folder and those below
// it) that hold a text, one line each as they are found: folder path, NID,
// then the item's row as `ostrel items` prints it; then a status line with
// the count. What matches is decided in display/SearchItem.
#include <cstdio>
#include <iostream>

#include "cli/Commands.h"
#include "cli/OpenMailbox.h"
#include "display/FolderList.h"
#include "display/SearchRun.h"

namespace ostrel::cli {
namespace {

std::string NidText(uint64_t nid) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(nid));
    return text;
}

void PrintHit(std::ostream& out, const search::tsearchhit& hit) {
    out << hit.Folder->Path << "\t" << NidText(hit.Row.Node->nid);
    for (const std::string& cell : hit.Row.Cells)
        out << "\t" << cell;
    if (hit.Row.Recovered) out << "\t" << kRecoveredMarker;
    out << "\n";
}

} // namespace

int Search(const std::string& file, const std::string& text, const tsearchoptions& options,
           std::ostream& out) {
    std::optional<unsigned> fields = search::ParseFields(options.Fields);
    if (!fields) {
        std::cerr << "ostrel: --in takes subject, people, body, attachments, separated by commas\n";
        return kUnreadableStatus;
    }
    TPst64File pst;
    if (!OpenMailbox(pst, file, std::cerr)) return kUnreadableStatus;
    std::vector<tfolderrow> rows = BuildFolderRows(pst, file);
    const tnodeentry* top = nullptr;
    if (!options.FolderPath.empty()) {
        for (const tfolderrow& row : rows)
            if (row.Path == options.FolderPath && row.Node) top = row.Node;
        if (!top) {
            std::cerr << "ostrel: no folder with the path " << options.FolderPath << "\n";
            return 1;
        }
    }
    search::tsearchquery query = search::MakeQuery(text, *fields);
    query.WholeWords = options.WholeWords;
    search::tsearchevents events;
    events.OnHit = [&out](const search::tsearchhit& hit) { PrintHit(out, hit); };
    search::tsearchoutcome outcome =
        search::SearchMailbox(pst, search::SearchFolders(rows, top), query, events);
    out << search::SearchStatusText(outcome) << "\n";
    return outcome.Found ? 0 : 1;
}

} // namespace ostrel::cli
