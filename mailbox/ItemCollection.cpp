// The folder collection (kKindFolder: folders with their kinds and item
// counts) and the item collection of one folder (kKindMail, kKindAppointment
// to kKindTask).
#include "mailbox/uPST64File.h"

#include "mailbox/KindRecords.h"
#include "support/EventPump.h"

using namespace kindrecords;

namespace {

// Only folder nodes are folders ([MS-PST] 2.2.2.1: NID types 0x02 and 0x03).
// The hierarchy and contents tables of a store are table contexts whose rows
// read like folder properties; taken for folders they would show every
// folder a second time at the top of the list.
bool IsFolderNid(uint64_t nid) {
    uint64_t type = nid & 0x1F;
    return type == 0x02 || type == 0x03;
}

// An item of kind `itemKind` counts for a folder of kind `folderKind`.
bool CountsFor(int32_t folderKind, int32_t itemKind) {
    if (folderKind == kKindNone || folderKind == kKindMail)
        return itemKind == kKindMail || itemKind == kKindPost;
    if (IsViewerKind(folderKind)) return itemKind == folderKind;
    return false;
}

} // namespace

// A node that is no folder and holds no others is never listed in the
// folder list, whatever its object says: at most its parent counts it. Where
// it has no parent (the store's tables and maps at the top level, some of
// them large), or where nothing is counted, it adds nothing at all.
bool TPst64File::AddsNothingToFolderList(const tnodeentry* node) const {
    if (IsFolderNid(node->nid) || node->pFirstChild || gathering_.count(node) != 0) return false;
    return !node->pParent || !CountFolderItems;
}

bool TPst64File::AppendItem(tnodeentry* node) {
    // A node listed twice would send GetNextItem back to its first place
    // for ever; a second collection that meets it again adds nothing.
    if (!itemPositions_.emplace(node, ItemList->size()).second) return false;
    ItemList->push_back(node);
    return true;
}

// What the collections look at of a node's object: whether there is one (a
// stand-in folder counts), its kind and its records. The cheap read of a node
// is kept in the node, so that no later collection reads it again.
TPst64File::tkindread TPst64File::ReadKind(tnodeentry* node) {
    std::unique_ptr<tpstmessage> object;
    if (!CheapCollections) {
        object = BuildMessage(&Engine, node, nullptr);
    } else if (node->fReadRecords == 0) {
        // Only the kind and the records decide: the cheap read gives both.
        object = ProbeMessage(&Engine, node);
        KeepRead(node, object.get());
    } else if (node->fReadRecords & kRecordObject) {
        // A node with an object of its own: the same read gave these.
        return {true, false, node->nReadKind, node->fReadRecords};
    }
    tkindread read{object != nullptr, false, object ? object->Kind : kKindNone,
                   RecordsOf(object.get())};
    FreeMessage(object);
    if (read.exists) return read;
    // A node without an object of its own that holds others: a damaged or
    // made folder, listed with its stand-in's name and kind so that its
    // content stays reachable.
    std::unique_ptr<tpstmessage> standIn = StandInFolder(node);
    if (!standIn) return read;
    read = {true, true, standIn->Kind, RecordsOf(standIn.get())};
    FreeMessage(standIn);
    return read;
}

int32_t TPst64File::CollectItems(tnodeentry* start, int32_t kind, int32_t depth) {
    if (!ItemList) ItemList.emplace();
    if (depth == 0 && CheapCollections) ReadKindsAhead(kind == kKindFolder ? nullptr : start);
    int32_t count = 0;
    for (tnodeentry* node = start; node && Enumerating; node = node->pNext) {
        ostrel::PumpEvents();
        if (CheapCollections && kind == kKindFolder && AddsNothingToFolderList(node)) continue;
        const tkindread read = ReadKind(node);
        if (!read.exists) continue;
        if (kind == kKindFolder) {
            if ((read.records & kRecordFolder) && IsListedFolderKind(read.kind) &&
                (read.standIn || IsFolderNid(node->nid))) {
                node->nFolderKind = read.kind;
                if (!AppendItem(node)) continue;
                ++count;
                if (node->pFirstChild && depth + 1 < ostrel::limits::kMaxFolderDepth)
                    count += CollectItems(node->pFirstChild, kind, depth + 1);
            } else if ((read.records & kRecordMail) && node->pParent &&
                       CountsFor(node->pParent->nFolderKind, read.kind)) {
                ++node->pParent->cItems;
            }
        } else if (HasRecordFor(read.records, kind) && read.kind == kind && AppendItem(node)) {
            ++count;
        }
    }
    if (depth == 0 && !Enumerating) {
        ClearItemList();
        count = 0;
    }
    return count;
}
