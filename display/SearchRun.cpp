// The walk of a search (see SearchRun.h). Items are the children of the
// folder nodes ([MS-PST] 2.4.4: a folder's contents are the message nodes
// under it), listed as the folder's item list lists them: of the kind its
// column set collects.
#include "display/SearchRun.h"

#include <memory>

#include "engine/Limits.h"
#include "engine/messaging/BuildMessage.h"

namespace ostrel::search {
namespace {

constexpr uint64_t kNidTypeMask = 0x1F;
constexpr uint64_t kNidTypeNormalFolder = 0x02;
constexpr uint64_t kNidTypeSearchFolder = 0x03;

bool IsBelow(const tnodeentry* node, const tnodeentry* top) {
    for (int depth = 0; node && depth <= ostrel::limits::kMaxFolderDepth;
         node = node->pParent, ++depth)
        if (node == top) return true;
    return false;
}

// Folder nodes ([MS-PST] 2.2.2.1: NID types 0x02 and 0x03) below a folder
// are its subfolders, searched as folders of their own when in scope.
bool IsFolderNid(uint64_t nid) {
    const uint64_t type = nid & kNidTypeMask;
    return type == kNidTypeNormalFolder || type == kNidTypeSearchFolder;
}

bool Stopped(const tsearchevents& events) {
    return events.Stop && events.Stop->load(std::memory_order_relaxed);
}

} // namespace

std::vector<tsearchfolder> SearchFolders(const std::vector<tfolderrow>& rows,
                                         const tnodeentry* top) {
    std::vector<tsearchfolder> folders;
    for (const tfolderrow& row : rows)
        if (row.Node && (!top || IsBelow(row.Node, top))) folders.push_back({row.Node, row.Path});
    return folders;
}

tsearchoutcome SearchMailbox(TPst64File& pst, const std::vector<tsearchfolder>& folders,
                             const tsearchquery& query, const tsearchevents& events) {
    tsearchoutcome outcome;
    uint64_t total = 0;
    for (const tsearchfolder& f : folders)
        total += f.Node->cChildren;
    for (const tsearchfolder& folder : folders) {
        const int32_t listKind = ColumnsForKind(folder.Node->nFolderKind).ListKind;
        if (listKind < 0) continue;
        std::unique_ptr<tpstmessage> item;
        for (tnodeentry* node = folder.Node->pFirstChild; node; node = node->pNext) {
            if (Stopped(events)) {
                outcome.Stopped = true;
                break;
            }
            if (IsFolderNid(node->nid)) continue;
            ++outcome.Examined;
            if (events.OnProgress && outcome.Examined % kProgressItems == 0)
                events.OnProgress(outcome.Examined, total);
            FreeMessage(item);
            // Every field the search reads, without the attachments' bytes.
            item = BuildMessageWithoutAttachmentData(&pst.Engine, node);
            if (!item || item->Kind != listKind) continue;
            auto recipients = [&pst, node] {
                return RecipientsText(ReadRecipientTable(&pst.Engine, node));
            };
            if (!ItemMatches(*item, query, recipients)) continue;
            // A hit's row and cells come from the whole object, as its folder's do.
            FreeMessage(item);
            item = BuildMessage(&pst.Engine, node, nullptr);
            if (!item) continue;
            tsearchhit hit{&folder, item.get(), ItemRowOf(pst, node, *item)};
            if (!hit.Row.Node) continue;
            ++outcome.Found;
            if (events.OnHit) events.OnHit(hit);
        }
        FreeMessage(item);
        if (outcome.Stopped) break;
    }
    // At the end the count is known: a finished search shows a full bar.
    if (events.OnProgress)
        events.OnProgress(outcome.Examined, outcome.Stopped ? total : outcome.Examined);
    return outcome;
}

std::string SearchStatusText(const tsearchoutcome& outcome) {
    return std::string(outcome.Stopped ? "search stopped, items found: " : "items found: ") +
           std::to_string(outcome.Found);
}

} // namespace ostrel::search
