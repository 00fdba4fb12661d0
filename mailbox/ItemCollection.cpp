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

// What the folder collection keeps of each object it reads
// (tnodeentry::fReadRecords): that it was read, and which records it has.
enum : uint8_t {
    kReadMark = 0x80,
    kRecordMail = 0x01,
    kRecordAppointment = 0x02,
    kRecordContact = 0x04,
    kRecordJournal = 0x08,
    kRecordStickyNote = 0x10,
};

uint8_t RecordsOf(const tpstmessage* m) {
    uint8_t records = kReadMark;
    if (!m) return records;
    if (m->MailInfo) records |= kRecordMail;
    if (m->Appointment) records |= kRecordAppointment;
    if (m->Contact) records |= kRecordContact;
    if (m->Journal) records |= kRecordJournal;
    if (m->StickyNote) records |= kRecordStickyNote;
    return records;
}

// Does an object with these records belong in an item collection of `kind`?
bool HasRecordFor(uint8_t records, int32_t kind) {
    switch (kind) {
    case kKindMail:
    case kKindTask:
        return records & kRecordMail;
    case kKindAppointment:
        return records & kRecordAppointment;
    case kKindContact:
        return records & kRecordContact;
    case kKindJournal:
        return records & kRecordJournal;
    case kKindStickyNote:
        return records & kRecordStickyNote;
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

// A node that is no folder, has no parent to be counted in and holds no
// others shows nowhere in the folder list, whatever its object says: the
// store's tables and maps at the top level, some of them large.
bool TPst64File::AddsNothingToFolderList(const tnodeentry* node) const {
    return !IsFolderNid(node->nid) && !node->pParent && !node->pFirstChild &&
           gathering_.count(node) == 0;
}

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
        if (CheapCollections && kind == kKindFolder && AddsNothingToFolderList(node)) continue;
        // An item the folder collection read needs no second read: the same
        // read of the same file gives the same kind and records.
        if (CheapCollections && kind != kKindFolder && node->fReadRecords != 0) {
            if (node->nReadKind == kind && HasRecordFor(node->fReadRecords, kind) &&
                AppendItem(node))
                ++count;
            continue;
        }
        // Only the kind and the records decide: the cheap read gives both.
        object =
            CheapCollections ? ProbeMessage(&Engine, node) : BuildMessage(&Engine, node, nullptr);
        if (CheapCollections) {
            node->fReadRecords = RecordsOf(object.get());
            node->nReadKind = object ? object->Kind : kKindNone;
        }
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
        } else if (HasRecordFor(RecordsOf(object.get()), kind) && object->Kind == kind &&
                   AppendItem(node)) {
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
