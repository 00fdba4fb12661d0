// The walk of a search (see SearchRun.h). Items are the children of the
// folder nodes ([MS-PST] 2.4.4: a folder's contents are the message nodes
// under it), listed as the folder's item list lists them: of the kind its
// column set collects.
#include "display/SearchRun.h"

#include <algorithm>
#include <memory>

#include "engine/Limits.h"
#include "engine/messaging/BuildMessage.h"
#include "mailbox/FileOrder.h"
#include "support/Parallel.h"

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

// Items are read and matched on every core a window at a time; the hits
// and the progress of a window then follow in the folders' order.
constexpr size_t kItemsPerWindow = 1024;
constexpr size_t kItemsPerChunk = 64;

struct tcandidate {
    const tsearchfolder* Folder;
    tnodeentry* Node;
    int32_t ListKind; // the kind its folder's list collects
};

// Does the item hold the text? Every field the search reads, without the
// attachments' bytes; reads the file only, so threads may ask at once.
bool Matches(tpstfile& engine, const tcandidate& c, const tsearchquery& query) {
    std::unique_ptr<tpstmessage> item = BuildMessageWithoutAttachmentData(&engine, c.Node);
    bool found = false;
    if (item && item->Kind == c.ListKind) {
        auto recipients = [&engine, &c] {
            return RecipientsText(ReadRecipientTable(&engine, c.Node));
        };
        found = ItemMatches(*item, query, recipients);
    }
    FreeMessage(item);
    return found;
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
    // Every item in scope, in the order the folders list them.
    std::vector<tcandidate> items;
    for (const tsearchfolder& folder : folders) {
        const int32_t listKind = ColumnsForKind(folder.Node->nFolderKind).ListKind;
        if (listKind < 0) continue;
        for (tnodeentry* node = folder.Node->pFirstChild; node; node = node->pNext)
            if (!IsFolderNid(node->nid)) items.push_back({&folder, node, listKind});
    }
    std::vector<uint8_t> matched;
    for (size_t window = 0; window < items.size() && !outcome.Stopped; window += kItemsPerWindow) {
        const size_t count = std::min(kItemsPerWindow, items.size() - window);
        // 1. Which items of the window hold the text: on every core.
        matched.assign(count, 0);
        const std::vector<size_t> order =
            FileOrder(count, [&](size_t i) { return items[window + i].Node; });
        ForChunksOnCores(
            count, kItemsPerChunk,
            [&](size_t first, size_t end) {
                for (size_t k = first; k < end; ++k)
                    matched[order[k]] = Matches(pst.Engine, items[window + order[k]], query);
            },
            [&] { return !Stopped(events); });
        // 2. The window's items in order: progress, Stop, and the hits' rows.
        for (size_t i = 0; i < count; ++i) {
            if (Stopped(events)) {
                outcome.Stopped = true;
                break;
            }
            ++outcome.Examined;
            if (events.OnProgress && outcome.Examined % kProgressItems == 0)
                events.OnProgress(outcome.Examined, total);
            if (!matched[i]) continue;
            const tcandidate& c = items[window + i];
            // A hit's row and cells come from the whole object, as its folder's do.
            std::unique_ptr<tpstmessage> item = BuildMessage(&pst.Engine, c.Node, nullptr);
            if (!item) continue;
            tsearchhit hit{c.Folder, item.get(), ItemRowOf(pst, c.Node, *item)};
            if (hit.Row.Node) {
                ++outcome.Found;
                if (events.OnHit) events.OnHit(hit);
            }
            FreeMessage(item);
        }
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
