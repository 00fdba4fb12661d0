// The folder collection (kind 17: folders with their kinds and item counts)
// and the item collection of one folder (kinds 1 and 8 to 12).
#include "mailbox/uPST64File.h"

#include "support/EventPump.h"

namespace {

constexpr int32_t kFolderCollection = 17;

bool IsListedFolderKind(int32_t kind) {
    return kind == 0 || kind == 1 || (kind >= 8 && kind <= 12);
}

// Only folder nodes are folders ([MS-PST] 2.2.2.1: NID types 0x02 and 0x03).
// The hierarchy and contents tables of a store are table contexts whose rows
// read like folder properties; taken for folders they would show every
// folder a second time at the top of the list.
bool IsFolderNid(uint64_t nid) {
    uint64_t type = nid & 0x1F;
    return type == 0x02 || type == 0x03;
}

// Does the object belong in a folder collection, or in an item collection of `kind`?
bool HasRecordFor(const tpstmessage& m, int32_t kind) {
    switch (kind) {
    case 1:
    case 12:
        return m.MailInfo != nullptr;
    case 8:
        return m.Appointment != nullptr;
    case 9:
        return m.Contact != nullptr;
    case 10:
        return m.Journal != nullptr;
    case 11:
        return m.StickyNote != nullptr;
    default:
        return false;
    }
}

// An item of kind `itemKind` counts for a folder of kind `folderKind`.
bool CountsFor(int32_t folderKind, int32_t itemKind) {
    if (folderKind == 0 || folderKind == 1) return itemKind == 1 || itemKind == 19;
    if (folderKind >= 8 && folderKind <= 12) return itemKind == folderKind;
    return false;
}

} // namespace

void TPst64File::AppendItem(tnodeentry* node) {
    itemPositions_.emplace(node, ItemList->size());
    ItemList->push_back(node);
}

int32_t TPst64File::CollectItems(tnodeentry* start, int32_t kind, int32_t depth) {
    if (!ItemList) ItemList.emplace();
    int32_t count = 0;
    std::unique_ptr<tpstmessage> object;
    for (tnodeentry* node = start; node && Enumerating; node = node->pNext) {
        FreeMessage(object);
        object = BuildObject(node);
        ostrel::PumpEvents();
        if (object) {
            if (kind == kFolderCollection) {
                if (object->FolderCounts && IsListedFolderKind(object->Kind) &&
                    IsFolderNid(node->nid)) {
                    node->nFolderKind = object->Kind;
                    AppendItem(node);
                    ++count;
                    if (node->pFirstChild && depth + 1 < ostrel::limits::kMaxFolderDepth)
                        count += CollectItems(node->pFirstChild, kind, depth + 1);
                } else if (object->MailInfo && node->pParent &&
                           CountsFor(node->pParent->nFolderKind, object->Kind)) {
                    ++node->pParent->cItems;
                }
            } else if (HasRecordFor(*object, kind) && object->Kind == kind) {
                AppendItem(node);
                ++count;
            }
        } else if (node->pFirstChild) {
            // A node that cannot be read but has children: a damaged or
            // recovered folder. Its content stays reachable.
            node->nFolderKind = 1;
            AppendItem(node);
            ++count;
            if (depth + 1 < ostrel::limits::kMaxFolderDepth)
                count += CollectItems(node->pFirstChild, kind, depth + 1);
        }
    }
    FreeMessage(object);
    if (depth == 0 && !Enumerating) {
        ClearItemList();
        count = 0;
    }
    return count;
}
