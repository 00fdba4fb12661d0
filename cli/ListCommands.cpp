// `ostrel folders` and `ostrel items`: the folder and item lists of the main
// window, from the same rows-and-texts modules the window uses.
#include <algorithm>
#include <iostream>

#include "cli/Commands.h"
#include "cli/OpenMailbox.h"
#include "display/FolderList.h"
#include "display/ItemRows.h"

namespace ostrel::cli {
namespace {

constexpr int32_t kRowsPerWindow = 4096;

void AppendRow(std::string& text, const std::vector<std::string>& cells) {
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i) text += '\t';
        text += cells[i];
    }
    text += '\n';
}

} // namespace

int Folders(const std::string& file, std::ostream& out) {
    TPst64File pst;
    if (!OpenMailbox(pst, file, std::cerr)) return kUnreadableStatus;
    std::vector<tfolderrow> rows = BuildFolderRows(pst, file);
    for (const tfolderrow& row : rows)
        out << row.Depth << "\t" << row.Caption << "\t" << row.Path << "\n";
    out << FolderStatusText(rows.size() - 1, file) << "\n";
    return 0;
}

int Items(const std::string& file, const std::string& path, std::ostream& out) {
    TPst64File pst;
    if (!OpenMailbox(pst, file, std::cerr)) return kUnreadableStatus;
    // Only the paths are looked at, not the captions' counts: the folder
    // list reads no item then, and the chosen folder's items are read once.
    pst.CountFolderItems = false;
    std::vector<tfolderrow> rows = BuildFolderRows(pst, file);
    const tfolderrow* chosen = nullptr;
    for (const tfolderrow& row : rows)
        if (row.Path == path) {
            chosen = &row;
            break;
        }
    if (!chosen) {
        std::cerr << "ostrel: no folder with the path " << path << "\n";
        return 1;
    }
    std::string status = FolderStatusText(rows.size() - 1, file);
    if (chosen->Node) {
        tfolderitems items = CollectFolderItems(pst, chosen->Node);
        std::vector<std::string> captions;
        for (const tcolumn& c : items.Set.Columns)
            captions.push_back(c.Caption);
        std::string text;
        AppendRow(text, captions);
        // Rows are read a window at a time on every core and printed in
        // order, each window in one write.
        for (int32_t first = 0; first < items.Count; first += kRowsPerWindow) {
            int32_t end = std::min(items.Count, first + kRowsPerWindow);
            for (titemrow& row : BuildItemRows(pst, chosen->Node, first, end)) {
                // The marker follows the kind's columns, on recovered rows only.
                if (row.Recovered) row.Cells.push_back(kRecoveredMarker);
                AppendRow(text, row.Cells);
            }
            out.write(text.data(), std::streamsize(text.size()));
            text.clear();
        }
        out.write(text.data(), std::streamsize(text.size()));
        if (items.Status) status = *items.Status;
    }
    out << status << "\n";
    return 0;
}

} // namespace ostrel::cli
