// What the user sees of a mailbox in the recovery tests: the folder list (as
// short texts) and an export into a fresh directory, and the check that the
// export writes at least every exportable item the list counts.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/FolderList.h"
#include "export/EmlExport.h"
#include "mailbox/uPST64File.h"
#include "tests/export/EmlTestSupport.h"

namespace listed {

struct tseen {
    std::vector<tfolderrow> Rows;
    std::vector<std::string> Folders; // "depth caption path-below-the-file"
    temlcounts Export;
    std::vector<std::string> Files; // relative to the export directory
};

inline std::vector<std::string> Shown(const std::vector<tfolderrow>& rows) {
    std::vector<std::string> out;
    for (size_t i = 1; i < rows.size(); ++i)
        out.push_back(std::to_string(rows[i].Depth) + " " + rows[i].Caption + " " +
                      rows[i].Path.substr(rows[0].Path.size()));
    return out;
}

// The items the list counts (the "(N)" of the captions) in folders whose
// items the export writes: every kind but contacts.
inline uint32_t CountedExportable(const std::vector<tfolderrow>& rows) {
    uint32_t total = 0;
    for (const tfolderrow& r : rows)
        if (r.Node && r.Node->nFolderKind != kKindContact) total += r.Node->cItems;
    return total;
}

inline tseen ListAndExport(TPst64File& pst) {
    tseen seen;
    seen.Rows = BuildFolderRows(pst, "f.pst");
    seen.Folders = Shown(seen.Rows);
    emltest::TempDir out;
    seen.Export = pst.SaveAllToEml(out.Path());
    seen.Files = emltest::FilesBelow(out.Path());
    EXPECT_GE(seen.Export.MessagesWritten, CountedExportable(seen.Rows))
        << ::testing::PrintToString(seen.Folders) << "\n"
        << ::testing::PrintToString(seen.Files);
    return seen;
}

} // namespace listed
