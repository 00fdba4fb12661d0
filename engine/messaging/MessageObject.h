// The in-memory object of one node (folder, message of any kind, or message
// store): typed fields filled from its property context, its recipient and
// attachment tables, and optional sub-records that exist only once one of
// their properties was met. Times are raw 8-byte FILETIMEs. The members come
// from the field list, MessageFields.inc. A node is a folder or message
// object of [MS-PST] 2.4.4 and 2.4.5.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/ndb/SubnodeTree.h"

// A copied string or byte string: nullopt when the property was absent. It
// holds exactly the value's bytes; c_str() adds the terminator. A value that
// was a Unicode string counts its converted terminator, so compare such text
// through c_str().
using ttext = std::optional<std::string>;

// The text of a string field as a reader sees it: up to its first zero byte,
// empty when absent.
inline std::string TextOf(const ttext& t) {
    return t ? std::string(t->c_str()) : std::string();
}
// An exact copy of a value's bytes; empty when absent or of 0 bytes.
using tbytes = std::vector<uint8_t>;

// Item kinds (Kind of tpstmessage).
enum : int32_t {
    kKindNone = 0, // a folder without container class, or no class met
    kKindMail = 1,
    kKindAppointment = 8,
    kKindContact = 9,
    kKindJournal = 10,
    kKindStickyNote = 11,
    kKindTask = 12,
    kKindOther = 13,
    kKindReport = 14,
    kKindFolder = 17, // the kind argument of folder collection, never a Kind value
    kKindPost = 19,
};

// Tri-state fields: 0 absent; 32-bit -1 false, 16-bit 0xFFFF false; 1 true.
inline constexpr int32_t kTriFalse = -1;
inline constexpr uint16_t kTriFalse16 = 0xFFFF;

// The records are declared from the field list (MessageFields.inc): one
// member a field line, in the list's order, every member value-initialised.
#define FIELD_TAG(record, type, field, ...) type field{};
#define FIELD_TAG_WITH(record, type, field, ...) type field{};
#define FIELD_NO_TAG(record, type, field, ...) type field{};
#define FIELD_ALSO(...)
#define FIELD_ALSO_WITH(...)
#define FIELD_RULE(...)
#define FIELD_NOT_STORED(...)

// A subject split as [MS-PST] 2.5.3.1.1 stores prefixed subjects.
struct tsubject {
#include "engine/messaging/fields/Subject.inc"
};

struct tmailinfo {
#include "engine/messaging/fields/MailInfo.inc"
};

struct tfolderinfo {
#include "engine/messaging/fields/FolderInfo.inc"
};

struct tcontactinfo {
#include "engine/messaging/fields/ContactInfo.inc"
};

// One element per attachment row and per recipient row; recipient elements
// keep only the row's NodeId.
struct tattachment {
#include "engine/messaging/fields/Attachment.inc"

    tattachment() = default;
    tattachment(const tattachment&) = delete;
    tattachment& operator=(const tattachment&) = delete;
    tattachment(tattachment&&) = default;
    tattachment& operator=(tattachment&&) = default;
    ~tattachment(); // releases the elements after it iteratively
};

// One string-named property (Internet headers kept under their names).
struct theaderfield {
#include "engine/messaging/fields/HeaderField.inc"

    theaderfield() = default;
    theaderfield(const theaderfield&) = delete;
    theaderfield& operator=(const theaderfield&) = delete;
    theaderfield(theaderfield&&) = default;
    theaderfield& operator=(theaderfield&&) = default;
    ~theaderfield(); // releases the elements after it iteratively
};

struct tstoreinfo {
#include "engine/messaging/fields/StoreInfo.inc"
};

struct tjournalinfo {
#include "engine/messaging/fields/JournalInfo.inc"
};

struct tappointmentinfo {
#include "engine/messaging/fields/AppointmentInfo.inc"
};

struct ttaskinfo {
#include "engine/messaging/fields/TaskInfo.inc"
};

struct tnoteinfo {
#include "engine/messaging/fields/NoteInfo.inc"
};

struct tcompanies {
#include "engine/messaging/fields/Companies.inc"
};

struct trssinfo {
#include "engine/messaging/fields/RssInfo.inc"
};

// Entry ids of the default folders, held by the root folder.
struct tspecialfolders {
#include "engine/messaging/fields/SpecialFolders.inc"
};

struct tpstmessage {
#include "engine/messaging/fields/Message.inc"
};

#include "engine/messaging/fields/UndefFieldMacros.inc"

// Releases the object and everything it owns; leaves the pointer null.
void FreeMessage(std::unique_ptr<tpstmessage>& message);
