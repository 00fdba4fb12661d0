// The open-and-list walk and the check of the cheap reads, shared by the
// fuzz targets of whole mailboxes.
#include "tests/fuzz/MailboxWalk.h"

#include <cstdio>
#include <cstdlib>

#include "display/FolderList.h"
#include "display/ItemRows.h"
#include "tests/fuzz/ScratchFiles.h"
#include "tests/mailbox/ProbeAgreement.h"

namespace ostrel::fuzz {
namespace {

// Enough rows per folder to reach every item of the seeds; a damaged count
// must not turn one input into minutes of row building.
constexpr int32_t kRowsPerFolder = 64;

} // namespace

void OpenAndListFolders(std::span<const uint8_t> fileBytes) {
    const std::string path = WriteScratchFile(fileBytes);
    TPst64File pst;
    pst.Open(path);
    std::vector<tfolderrow> rows = BuildFolderRows(pst, path);
    for (const tfolderrow& row : rows) {
        if (!row.Node) continue;
        tfolderitems items = CollectFolderItems(pst, row.Node);
        for (int32_t i = 0; i < items.Count && i < kRowsPerFolder; ++i)
            BuildItemRow(pst, row.Node, i);
    }
}

void CheckCheapReadsAgree(std::span<const uint8_t> fileBytes) {
    TPst64File pst;
    pst.Open(WriteScratchFile(fileBytes));
    std::string disagreements = probe::Disagreements(&pst.Engine);
    if (disagreements.empty()) disagreements = probe::CollectionDisagreement(pst);
    if (disagreements.empty()) return;
    std::fputs(disagreements.c_str(), stderr);
    std::abort();
}

} // namespace ostrel::fuzz
