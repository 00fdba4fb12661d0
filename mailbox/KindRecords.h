// What the collections keep of each object they read, in the node
// (tnodeentry::fReadRecords): that it was read, whether there was an object,
// and which of the records the collections count by it has.
#pragma once

#include <cstdint>

#include "engine/uPST64Format.h"

namespace kindrecords {

enum : uint8_t {
    kReadMark = 0x80,
    // An object was built. It may have none of the records below: an object
    // of no known class is still an object, which the folder collection
    // neither lists nor descends into, where a node without one that holds
    // others stands in for a folder.
    kRecordObject = 0x40,
    kRecordMail = 0x01,
    kRecordAppointment = 0x02,
    kRecordContact = 0x04,
    kRecordJournal = 0x08,
    kRecordStickyNote = 0x10,
    kRecordFolder = 0x20,
};

inline uint8_t RecordsOf(const tpstmessage* m) {
    uint8_t records = kReadMark;
    if (!m) return records;
    records |= kRecordObject;
    if (m->MailInfo) records |= kRecordMail;
    if (m->Appointment) records |= kRecordAppointment;
    if (m->Contact) records |= kRecordContact;
    if (m->Journal) records |= kRecordJournal;
    if (m->StickyNote) records |= kRecordStickyNote;
    if (m->FolderCounts) records |= kRecordFolder;
    return records;
}

// Does an object with these records belong in an item collection of `kind`?
inline bool HasRecordFor(uint8_t records, int32_t kind) {
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

// Keeps what the cheap read of `node` gave (`object`, null for none) in the node.
inline void KeepRead(tnodeentry* node, const tpstmessage* object) {
    node->nReadKind = object ? object->Kind : kKindNone;
    node->fReadRecords = RecordsOf(object);
}

} // namespace kindrecords
