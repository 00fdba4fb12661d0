// The folder collection (kKindFolder: folders with their kinds and item
// counts) and the item collection of one folder (kKindMail, kKindAppointment
// to kKindTask).
#include "mailbox/uPST64File.h"

#include "support/EventPump.h"

namespace {

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
    case kKindMail:
    case kKindTask:
        return m.MailInfo != nullptr;
    case kKindAppointment:
        return m.Appointment != nullptr;
    case kKindContact:
        return m.Contact != nullptr;
    case kKindJournal:
        return m.Journal != nullptr;
    case kKindStickyNote:
        return m.StickyNote != nullptr;
    default:
        return false;
    }
}

// An item of kind `itemKind` counts for a folder of kind `folderKind`.
bool CountsFor(int32_t folderKind, int32_t itemKind) {
    if (folderKind == kKindNone || folderKind == kKindMail)
        return itemKind == kKindMail || itemKind == kKindPost;
    if (IsViewerKind(folderKind)) return itemKind == folderKind;
    return false;
}

} // namespace

bool TPst64File::AppendItem(tnodeentry* node) {
    // A node listed twice would send GetNextItem back to its first place
    // for ever; a second collection that meets it again adds nothing.
    if (!itemPositions_.emplace(node, ItemList->size()).second) return false;
    ItemList->push_back(node);
    return true;
}

int32_t TPst64File::CollectItems(tnodeentry* start, int32_t kind, int32_t depth) {
    if (!ItemList) ItemList.emplace();
    int32_t count = 0;
    std::unique_ptr<tpstmessage> object;
    for (tnodeentry* node = start; node && Enumerating; node = node->pNext) {
        FreeMessage(object);
        // Only the kind and the records decide: the cheap read gives both.
        object = ProbeMessage(&Engine, node);
        // A node without an object of its own that holds others: a damaged
        // or made folder, listed with its stand-in's name and kind so that
        // its content stays reachable.
        bool standIn = !object;
        if (standIn) object = StandInFolder(node);
        ostrel::PumpEvents();
        if (!object) continue;
        if (kind == kKindFolder) {
            if (object->FolderCounts && IsListedFolderKind(object->Kind) &&
                (standIn || IsFolderNid(node->nid))) {
                node->nFolderKind = object->Kind;
                if (!AppendItem(node)) continue;
                ++count;
                if (node->pFirstChild && depth + 1 < ostrel::limits::kMaxFolderDepth)
                    count += CollectItems(node->pFirstChild, kind, depth + 1);
            } else if (object->MailInfo && node->pParent &&
                       CountsFor(node->pParent->nFolderKind, object->Kind)) {
                ++node->pParent->cItems;
            }
        } else if (HasRecordFor(*object, kind) && object->Kind == kind && AppendItem(node)) {
            ++count;
        }
    }
    FreeMessage(object);
    if (depth == 0 && !Enumerating) {
        ClearItemList();
        count = 0;
    }
    return count;
}
