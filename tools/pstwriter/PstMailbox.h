// Mailbox layer of the PST writer: whole mailboxes from plain descriptions, in either layout
// and any encoding: the message store (node 0x21), the name-to-ID map (0x61), the root folder
// (0x122), the IPM subtree and nested folders with their hierarchy, contents and associated
// contents tables, and items of every kind with recipients and attachments ([MS-PST] 2.4).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/pstwriter/PstNameMap.h"
#include "tools/pstwriter/PstProperty.h"
#include "tools/pstwriter/PstWriter.h"

namespace pstw {

constexpr uint32_t kNidMessageStore = 0x21;
constexpr uint32_t kNidRootFolder = 0x122;
constexpr uint32_t kNidIpmSubtree = 0x8022;

enum class ItemKind {
    Note,
    Post,
    PostRss,
    Report,
    Appointment,
    Contact,
    Journal,
    StickyNote,
    Task
};

struct Item;

// Strings are UTF-8 here; the writer stores them as the item's code page asks.
struct Recipient {
    Recipient() = default;
    // Not an aggregate, so that the four-value form stays warning-free.
    Recipient(std::string recipientName, std::string recipientAddress,
              std::string recipientAddressType = "SMTP", int32_t recipientType = 1,
              std::string recipientSmtpAddress = {})
        : name(std::move(recipientName)), address(std::move(recipientAddress)),
          addressType(std::move(recipientAddressType)), type(recipientType),
          smtpAddress(std::move(recipientSmtpAddress)) {}

    std::string name;
    std::string address;
    std::string addressType = "SMTP";
    int32_t type = 1;        // PR_RECIPIENT_TYPE: 1 To, 2 Cc, 3 Bcc
    std::string smtpAddress; // 0x39FE PidTagSmtpAddress; a column only when a row has one
};

struct Attachment {
    std::string fileName;      // 0x3704 (short name); defaults to longFileName
    std::string longFileName;  // 0x3707
    std::string mimeTag;       // 0x370E
    std::vector<uint8_t> data; // 0x3701; above 3580 bytes it goes to a subnode
    int32_t method = 1;        // 0x3705 ATTACH_BY_VALUE; 5 (afEmbeddedMessage) with embedded
    // A message stored as the attachment's object (0x3701 PtypObject): its PC is a subnode of
    // the attachment, with its own recipients and attachments below it ([MS-PST] 2.4.6.2).
    std::shared_ptr<const Item> embedded;
    int32_t renderingPosition = -1;
    uint64_t creationTime = 0, modificationTime = 0; // 0x3007, 0x3008 of the attachment
    std::string contentId;       // 0x3712, the MIME Content-ID an HTML body names by cid:
    std::string contentLocation; // 0x3713
    std::string extension;       // 0x3703, with its dot (".png")
    bool hidden = false;         // 0x7FFE PidTagAttachmentHidden, written only when true
};

struct AppointmentInfo {
    uint64_t start = 0, end = 0;            // LID 0x820D, 0x820E (and 0x8516, 0x8517)
    std::string location;                   // LID 0x8208
    int32_t busyStatus = 2;                 // LID 0x8205
    bool allDay = false;                    // LID 0x8215
    int32_t color = 0;                      // LID 0x8214
    int32_t durationMinutes = 0;            // LID 0x8213
    std::optional<int32_t> reminderMinutes; // LID 0x8501, with 0x8503 true
};

struct ContactInfo {
    std::string displayName;                               // 0x3001; defaults to the subject
    std::string givenName, surname, companyName, jobTitle; // 0x3A06, 0x3A11, 0x3A16, 0x3A17
    std::string businessPhone, homePhone, mobilePhone;     // 0x3A08, 0x3A09, 0x3A1C
    std::string fileUnder;                                 // LID 0x8005
    std::string email1Address, email1DisplayName;          // LID 0x8083, 0x8080
    std::string email1AddressType = "SMTP";                // LID 0x8082
};

struct JournalInfo {
    std::string type, typeDescription; // LID 0x8700, 0x8712
    uint64_t start = 0, end = 0;       // LID 0x8706, 0x8708
    int32_t durationMinutes = 0;       // LID 0x8707
};

struct StickyNoteInfo {
    int32_t color = 3;                                      // LID 0x8B00 (yellow)
    int32_t width = 200, height = 166, left = 80, top = 80; // LID 0x8B02 .. 0x8B05
};

struct TaskInfo {
    int32_t status = 0;                                     // LID 0x8101
    double percentComplete = 0;                             // LID 0x8102
    uint64_t startDate = 0, dueDate = 0, dateCompleted = 0; // LID 0x8104, 0x8105, 0x810F
    bool complete = false;                                  // LID 0x811C
    std::string owner;                                      // LID 0x811F
};

struct RssInfo {
    std::string channelLink, itemLink, itemGuid, channel; // LID 0x8900, 0x8901, 0x8903, 0x8904
    int32_t itemHash = 0;                                 // LID 0x8902
};

// Any further named property; the value's ID is replaced by the one the map gives the name.
struct NamedValue {
    PropName name;
    Prop value;
};

struct Item {
    ItemKind kind = ItemKind::Note;
    std::string messageClass;              // 0x001A; empty: the kind's class
    std::string subject;                   // 0x0037, stored as given (prefix markers included)
    std::string senderName, senderAddress; // 0x0C1A/0x0042, 0x0C1F/0x0065
    std::string displayTo, displayCc, displayBcc;      // 0x0E04, 0x0E03, 0x0E02
    uint64_t submitTime = 0, deliveryTime = 0;         // 0x0039, 0x0E06; FILETIME, 0 = absent
    uint64_t creationTime = 0, modificationTime = 0;   // 0x3007, 0x3008
    std::optional<std::string> body;                   // 0x1000
    std::optional<std::string> html;                   // 0x1013, PtypBinary in the code page
    std::optional<std::vector<uint8_t>> rtfCompressed; // 0x1009
    std::optional<std::string> reportText;             // 0x1001
    std::vector<Recipient> recipients;                 // table 0x692
    std::vector<Attachment> attachments;               // table 0x671 and attachment subnodes
    std::optional<AppointmentInfo> appointment;
    std::optional<ContactInfo> contact;
    std::optional<JournalInfo> journal;
    std::optional<StickyNoteInfo> stickyNote;
    std::optional<TaskInfo> task;
    std::optional<RssInfo> rss;
    std::vector<NamedValue> named;
    std::vector<Prop> extra; // written last, replacing what the writer made for the same ID
    // 0: strings as PtypString (UTF-16LE). Otherwise PtypString8 in this code page, which
    // also goes to 0x3FFD.
    uint32_t codePage = 0;
    bool read = true;
    bool emptyRecipientTable = false; // write table 0x692 even without recipients
    uint32_t nid = 0;                 // 0: the writer assigns one (type 4, or 8 when associated)
};

struct Folder {
    Folder() = default;
    explicit Folder(std::string folderName, std::string folderClass = "IPF.Note",
                    uint32_t folderNid = 0)
        : name(std::move(folderName)), containerClass(std::move(folderClass)), nid(folderNid) {}

    std::string name;                        // 0x3001
    bool hasDisplayName = true;              // false: no 0x3001 at all
    std::string containerClass = "IPF.Note"; // 0x3613; empty: not written
    std::vector<Folder> folders;
    std::vector<Item> items;
    std::vector<Item> associated; // the associated contents (NID type 8)
    uint32_t nid = 0;             // 0: assigned (NID type 2)
};

struct Mailbox {
    std::string storeName = "Personal Folders";
    bool ipmSubtreeEntryId = true; // 0x35E0 in the store; without it a reader takes the store
                                   // for an offline one
    Folder ipmSubtree{"Top of Personal Folders", "", kNidIpmSubtree};
    std::vector<Folder> rootFolders; // further children of the root folder (e.g. a search root)
    bool nameMap = true;             // node 0x61
    // The root folder's 0x3001 as an empty string; without it the viewer lists the IPM
    // subtree right below the file, as it does for Outlook's own files.
    bool rootDisplayName = true;
};

struct WrittenFolder {
    uint32_t nid, parentNid;
    std::string path; // names from the IPM subtree down, joined by '/'
    size_t items;
};

struct WrittenItem {
    uint32_t nid, folderNid;
    std::string subject;
    std::vector<uint32_t> attachmentNids; // subnodes of the item
};

class MailboxWriter {
public:
    explicit MailboxWriter(Options options = {});

    // The whole file. Adds every node to ndb(); call once per writer.
    std::vector<uint8_t> write(const Mailbox& mailbox);
    // The same, written straight to path (for files too large to hold twice in memory).
    void write(const Mailbox& mailbox, const std::string& path);

    NdbWriter& ndb() { return ndb_; }
    const NdbWriter& ndb() const { return ndb_; }
    NameMap& names() { return names_; }
    const std::vector<WrittenFolder>& folders() const { return folders_; }
    const std::vector<WrittenItem>& items() const { return items_; }
    const WrittenFolder* folder(const std::string& path) const;

    // The 16-byte provider UID in the store's record key and every entry ID.
    static Guid providerUid();

private:
    void addNodes(const Mailbox& m);
    void writeStore(const Mailbox& m);
    void writeFolder(const Folder& f, const std::vector<const Folder*>& subfolders, uint32_t nid,
                     uint32_t parent, const std::string& path);
    uint32_t writeItem(const Item& item, uint32_t folderNid, bool associated);
    void writeFolderTables(const Folder& f, const std::vector<const Folder*>& subfolders,
                           uint32_t nid, const std::vector<uint32_t>& childNids,
                           const std::vector<uint32_t>& itemNids,
                           const std::vector<uint32_t>& assocNids);
    uint32_t folderNid(const Folder& f);

    NdbWriter ndb_;
    NameMap names_;
    uint32_t nextFolderIndex_ = 0x402;
    uint32_t nextItemIndex_ = 0x10001;
    uint32_t nextAssocIndex_ = 0x8001;
    std::vector<WrittenFolder> folders_;
    std::vector<WrittenItem> items_;
};

} // namespace pstw
