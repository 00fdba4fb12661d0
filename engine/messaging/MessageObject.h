// The in-memory object of one node (folder, message of any kind, or message
// store): typed fields filled from its property context, its recipient and
// attachment tables, and optional sub-records that exist only once one of
// their properties was met. Times are raw 8-byte FILETIMEs.
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

// A subject split as [MS-PST] 2.5.3.1.1 stores prefixed subjects.
struct tsubject {
    uint32_t PrefixMarker = 0;
    uint32_t PrefixLength = 0;
    ttext Text;
};

struct tmailinfo {
    tbytes DeliveryTime;
    int32_t AlternateRecipientAllowed = 0;
    ttext Body;
    int32_t BodyWasUnicode = 0;
    ttext Charset;
    ttext DisplayCc;
    ttext DisplayBcc;
    ttext MhsCommonName;
    uint32_t ConversationIndexHead = 0;
    int32_t ConversionProhibited = 0;
    int32_t DeleteAfterSubmit = 0;
    int32_t OriginatorDeliveryReportRequested = 0;
    ttext Prop6F04;
    uint32_t Prop6F04Size = 0;
    ttext Prop6F02;
    uint32_t Prop6F02Size = 0;
    uint32_t MessageFlags = 0;
    ttext TransportHeaders;
    int32_t SmartNoAttach = 0;
    ttext BodyHtml;
    int32_t HtmlWasUnicode = 0;
    uint32_t Importance = 0;
    ttext InReplyToId;
    int32_t MessageCcMe = 0;
    int32_t MessageRecipMe = 0;
    int32_t MessageToMe = 0;
    ttext InternetMessageId;
    uint32_t OriginalSensitivity = 0;
    ttext OriginalDisplayBcc;
    ttext OriginalDisplayCc;
    ttext OriginalDisplayTo;
    ttext ReceivedBySearchKey;
    ttext ReceivedRepresentingName;
    ttext ReceivedRepresentingSearchKey;
    ttext SentRepresentingSearchKey;
    ttext SentRepresentingName;
    ttext SenderSearchKey;
    uint32_t Priority = 0;
    ttext ConversationTopic;
    int32_t ReadReceiptRequested = 0;
    ttext ReceivedByAddressType;
    ttext ReceivedByEmailAddress;
    ttext ReceivedRepresentingAddressType;
    ttext ReceivedRepresentingEmailAddress;
    int32_t ReplyRequested = 0;
    ttext ReplyRecipientNames;
    ttext OriginalMessageId;
    uint32_t RtfSyncBodyCount = 0;
    uint32_t RtfSyncBodyCrc = 0;
    ttext RtfSyncBodyTag;
    tbytes RtfCompressed; // kept compressed
    uint32_t RtfCompressedSize = 0;
    int32_t RtfInSync = 0;
    uint32_t RtfSyncPrefixCount = 0;
    uint32_t RtfSyncTrailingCount = 0;
    ttext SentRepresentingAddressType;
    ttext SentRepresentingEmail;
    ttext SenderAddressType;
    ttext SenderEmail;
    uint32_t Sensitivity = 0;
    uint32_t InternetCodepage = 0;
    uint32_t MessageCodepage = 0;
    tbytes ClientSubmitTime;
    ttext SentMailEntryId;
    ttext DisplayTo;
    std::unique_ptr<tsubject> Subject;
    ttext ReportText;
    int32_t ReportTextWasUnicode = 0;
    tbytes ReportTime;
    uint32_t NdrReasonCode = 0;
    uint32_t NdrDiagCode = 0;
    ttext SupplementaryInfo;
    uint32_t NdrStatusCode = 0;
};

struct tfolderinfo {
    uint32_t ContentCount = 0;
    uint32_t ContentUnread = 0;
    uint32_t AssocContentCount = 0;
    int32_t HasSubfolders = 0;
};

struct tcontactinfo {
    ttext Account;
    ttext Email1Address;
    ttext Email1OriginalEntryId;
    uint32_t Email1OriginalEntryIdSize = 0;
    ttext Email1DisplayName;
    ttext Email1OriginalDisplayName;
    ttext Email1AddressType;
    ttext Email2Address;
    ttext Email2OriginalEntryId;
    uint32_t Email2OriginalEntryIdSize = 0;
    ttext Email2OriginalDisplayName;
    ttext Email2AddressType;
    ttext Email3Address;
    ttext Email3OriginalEntryId;
    uint32_t Email3OriginalEntryIdSize = 0;
    ttext Email3OriginalDisplayName;
    ttext Email3AddressType;
    ttext Assistant;
    ttext AssistantTelephoneNumber;
    ttext BillingInformation;
    tbytes Birthday;
    ttext BusinessAddress;
    ttext BusinessAddressCity;
    ttext BusinessAddressCountry;
    ttext BusinessFaxNumber;
    ttext BusinessHomePage;
    ttext BusinessTelephoneNumber;
    ttext Business2TelephoneNumber;
    ttext BusinessAddressPostOfficeBox;
    ttext BusinessAddressPostalCode;
    ttext BusinessAddressState;
    ttext BusinessAddressStreet;
    ttext CallbackTelephoneNumber;
    ttext CarTelephoneNumber;
    ttext CompanyMainTelephoneNumber;
    ttext CompanyName;
    ttext ComputerNetworkName;
    ttext CustomerId;
    ttext MailingAddress;
    ttext Department;
    ttext DisplayNamePrefix;
    ttext GivenName;
    ttext FlagRequest;
    ttext FreeBusyLocation;
    ttext FtpSite;
    ttext FileUnder;
    uint16_t Gender = 0;
    ttext GovernmentIdNumber;
    ttext Hobbies;
    ttext HomeAddress;
    ttext HomeAddressCity;
    ttext HomeAddressCountry;
    ttext HomeFaxNumber;
    ttext HomeTelephoneNumber;
    ttext Home2TelephoneNumber;
    ttext HomeAddressPostOfficeBox;
    ttext HomeAddressPostalCode;
    ttext HomeAddressState;
    ttext HomeAddressStreet;
    ttext Initials;
    ttext IsdnNumber;
    ttext InstantMessagingAddress;
    ttext JobTitle;
    ttext Keyword;
    ttext Language;
    ttext Location;
    int32_t MailPermission = 0;
    ttext ManagerName;
    ttext MiddleName;
    ttext Mileage;
    ttext MobileTelephoneNumber;
    ttext Nickname;
    ttext OfficeLocation;
    ttext OrganizationalIdNumber;
    ttext OtherAddress;
    ttext OtherAddressCity;
    ttext OtherAddressCountry;
    ttext OtherTelephoneNumber;
    ttext OtherAddressPostOfficeBox;
    ttext OtherAddressPostalCode;
    ttext OtherAddressState;
    ttext OtherAddressStreet;
    ttext PagerNumber;
    ttext PersonalHomePage;
    ttext PreferredByName;
    ttext PrimaryFaxNumber;
    ttext PrimaryTelephoneNumber;
    ttext Profession;
    ttext RadioTelephoneNumber;
    int32_t SendRichInfo = 0;
    ttext SpouseName;
    ttext Generation;
    ttext Surname;
    ttext TelexNumber;
    ttext TransmittableDisplayName;
    ttext TtyTddPhoneNumber;
    tbytes WeddingAnniversary;
    ttext WorkAddressStreet;
    ttext WorkAddressCity;
    ttext WorkAddressState;
    ttext WorkAddressPostalCode;
    ttext WorkAddressCountry;
    ttext WorkAddressPostOfficeBox;
};

// One element per attachment row and per recipient row; recipient elements
// keep only the row's NodeId.
struct tattachment {
    ttext FileName;
    ttext LongFileName;
    ttext MimeTag;
    // The value's bytes; after ExpandAttachmentData the expanded data.
    ttext Data;
    uint32_t DataSize = 0; // 0x0E20 sets it too: do not read Data beyond Data->size()
    uint64_t NodeId = 0;
    uint64_t DataBid = 0;
    std::unique_ptr<tsubnodeentry> Subnodes;
    uint32_t AttachMethod = 0;
    uint32_t RenderingPosition = 0;
    uint32_t MimeSequence = 0;
    uint32_t AttachFlags = 0;
    uint16_t Hidden = 0;
    std::unique_ptr<tattachment> Next;

    tattachment() = default;
    tattachment(const tattachment&) = delete;
    tattachment& operator=(const tattachment&) = delete;
    tattachment(tattachment&&) = default;
    tattachment& operator=(tattachment&&) = default;
    ~tattachment(); // releases the elements after it iteratively
};

// One string-named property (Internet headers kept under their names).
struct theaderfield {
    std::string Name;
    ttext Value;
    std::unique_ptr<theaderfield> Next;

    theaderfield() = default;
    theaderfield(const theaderfield&) = delete;
    theaderfield& operator=(const theaderfield&) = delete;
    theaderfield(theaderfield&&) = default;
    theaderfield& operator=(theaderfield&&) = default;
    ~theaderfield(); // releases the elements after it iteratively
};

struct tstoreinfo {
    ttext IpmSubtreeEntryId;
    ttext IpmOutboxEntryId;
    ttext IpmWastebasketEntryId;
    ttext IpmSentMailEntryId;
    ttext ViewsEntryId;
    ttext CommonViewsEntryId;
    ttext FinderEntryId;
    ttext Entry35E8;
    tbytes Prop7C07; // 24 bytes when present
    uint32_t ValidFolderMask = 0;
    uint32_t PasswordCrc = 0;
};

struct tjournalinfo {
    tbytes EndTime;
    tbytes StartTime;
    ttext LogType;
    ttext LogTypeDescription;
    uint32_t Duration = 0;
};

struct tappointmentinfo {
    tbytes EndTime;
    ttext Location;
    uint16_t ReminderSet = 0;
    tbytes ReminderSignalTime;
    uint32_t ReminderDelta = 0; // minutes
    ttext ReminderFileParameter;
    tbytes StartTime;
    ttext TimeZoneDescription;
    uint32_t BusyStatus = 0;
    uint32_t Duration = 0;
    uint32_t Color = 0;
    uint16_t AllDay = 0;
    uint16_t Recurring = 0;
    ttext RecurrencePattern;
    uint32_t RecurrenceType = 0;
    tbytes ClipStart;
    tbytes ClipEnd;
};

struct ttaskinfo {
    tbytes DateCompleted;
    tbytes DueDate;
    tbytes StartDate;
    uint16_t Complete = 0;
    uint32_t Status = 0;
    double PercentComplete = 0;
    uint32_t ActualEffort = 0;
    uint32_t EstimatedEffort = 0;
    uint16_t DeadOccurrence = 0;
    uint16_t NoCompute = 0;
    uint16_t FixOffline = 0;
    uint32_t Ownership = 0;
    uint32_t AcceptanceState = 0;
    ttext Role;
    uint32_t Version = 0;
    uint32_t State = 0;
    ttext Recurrence;
    uint32_t RecurrenceSize = 0;
    ttext Assigner;
    ttext Owner;
    uint16_t TeamTask = 0;
    uint32_t Ordinal = 0;
    uint16_t Recurring = 0;
    uint32_t Mode = 0;
};

struct tnoteinfo {
    uint32_t Color = 0;
    uint32_t Width = 0;
    uint32_t Height = 0;
    uint32_t Left = 0;
    uint32_t Top = 0;
};

struct tcompanies {
    ttext Data; // the multi-valued string as stored: count, offsets, strings
    uint32_t Size = 0;
};

struct trssinfo {
    uint32_t ItemHash = 0;
    ttext ChannelLink;
    ttext ItemLink;
    ttext ItemGuid;
    ttext Channel;
    ttext ItemXml;
    ttext Subscription;
};

// Entry ids of the default folders, held by the root folder.
struct tspecialfolders {
    ttext CalendarEntryId;
    ttext ContactsEntryId;
    ttext JournalEntryId;
    ttext NotesEntryId;
    ttext TasksEntryId;
    ttext DraftsEntryId;
};

struct tpstmessage {
    std::unique_ptr<tmailinfo> MailInfo;
    std::unique_ptr<tfolderinfo> FolderCounts;
    std::unique_ptr<tcontactinfo> Contact;
    std::unique_ptr<tattachment> Attachments;
    std::unique_ptr<tstoreinfo> StoreInfo;
    std::unique_ptr<theaderfield> Headers;
    std::unique_ptr<tjournalinfo> Journal;
    std::unique_ptr<tappointmentinfo> Appointment;
    std::unique_ptr<ttaskinfo> Task;
    std::unique_ptr<tnoteinfo> StickyNote;
    std::unique_ptr<tcompanies> Companies;
    std::unique_ptr<trssinfo> Rss;
    int32_t Kind = kKindNone;
    ttext MessageClass;
    ttext DisplayName;
    ttext Comment;
    uint32_t MessageSize = 0;
    ttext CurrentVersionName;
    uint32_t IconIndex = 0;
    ttext RecordKey;
    uint32_t RecordKeySize = 0;
    int32_t ResponseRequested = 0;
    tbytes CreationTime;
    tbytes LastModificationTime;
    int32_t ReassignmentProhibited = 0;
    std::unique_ptr<tspecialfolders> SpecialFolders;
};

// Releases the object and everything it owns; leaves the pointer null.
void FreeMessage(std::unique_ptr<tpstmessage>& message);
