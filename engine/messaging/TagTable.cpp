// The property-to-field table of message objects and its special rules.
// Entries are grouped by the record they fill, in the record's field order,
// so the table reads like the records it fills; the lookup is by tag.
#include "engine/messaging/TagTable.h"

#include <algorithm>
#include <vector>

#include "engine/messaging/ItemKind.h"

namespace {

using fieldstore::StoreField;

// clang-format off
// One field of one record with its storage kind.
#define FIELD(record, field, kind) \
    tfieldstore{tstorage::kind, #record "::" #field, &StoreField<&record::field, tstorage::kind>}
#define NONE tfieldstore{}

constexpr ttagentry kTagTable[] = {
    // tpstmessage
    {0x0E08, FIELD(tpstmessage, MessageSize, U32),                  NONE, trule::Plain},
    {0x001A, FIELD(tpstmessage, MessageClass, TextCopy),            NONE, trule::MessageClass},
    {0x3613, FIELD(tpstmessage, MessageClass, TextCopy),            NONE, trule::ContainerClass},
    {0x3001, FIELD(tpstmessage, DisplayName, TextCopy),             NONE, trule::Plain},
    {0x3004, FIELD(tpstmessage, Comment, TextCopy),                 NONE, trule::Plain},
    {0x8554, FIELD(tpstmessage, CurrentVersionName, TextCopy),      NONE, trule::Plain},
    {0x1080, FIELD(tpstmessage, IconIndex, U32),                    NONE, trule::OnlyInteger32},
    {0x0FF9, FIELD(tpstmessage, RecordKey, TextCopy),               FIELD(tpstmessage, RecordKeySize, ByteCount), trule::Plain},
    {0x65E3, FIELD(tpstmessage, RecordKey, AfterFirstByte),         FIELD(tpstmessage, RecordKeySize, ByteCount), trule::OnlyBinary},
    {0x0063, FIELD(tpstmessage, ResponseRequested, Tri32),          NONE, trule::Plain},
    {0x3007, FIELD(tpstmessage, CreationTime, ExactCopy),           NONE, trule::Plain},
    {0x3008, FIELD(tpstmessage, LastModificationTime, ExactCopy),   NONE, trule::Plain},
    {0x002B, FIELD(tpstmessage, ReassignmentProhibited, Tri32),     NONE, trule::Plain},

    // tattachment: the current element of the chain
    {0x3704, FIELD(tattachment, FileName, TextCopy),                NONE, trule::StopWithoutElement},
    {0x3707, FIELD(tattachment, LongFileName, TextCopy),            NONE, trule::StopWithoutElement},
    {0x370E, FIELD(tattachment, MimeTag, TextCopy),                 NONE, trule::StopWithoutElement},
    {0x3701, FIELD(tattachment, Data, TextCopy),                    FIELD(tattachment, DataSize, ByteCount), trule::AttachData},
    {0x0E20, FIELD(tattachment, DataSize, U32),                     NONE, trule::StopWithoutElement},
    {0x67F2, FIELD(tattachment, NodeId, Low32),                     NONE, trule::SkipWithoutElement},
    {0x3705, FIELD(tattachment, AttachMethod, U32),                 NONE, trule::StopWithoutElement},
    {0x370B, FIELD(tattachment, RenderingPosition, U32),            NONE, trule::StopWithoutElement},
    {0x3710, FIELD(tattachment, MimeSequence, U32),                 NONE, trule::StopWithoutElement},
    {0x3714, FIELD(tattachment, AttachFlags, U32),                  NONE, trule::SkipWithoutElement},
    {0x7FFE, FIELD(tattachment, Hidden, Tri16),                     NONE, trule::SkipWithoutElement},

    // theaderfield (and tmailinfo::Charset): string-named properties
    {kStringNamedTag, NONE,                                         NONE, trule::HeaderField},

    // tmailinfo
    {0x0E06, FIELD(tmailinfo, DeliveryTime, ExactCopy),             NONE, trule::Plain},
    {0x0002, FIELD(tmailinfo, AlternateRecipientAllowed, Tri32),    NONE, trule::Plain},
    {0x1000, FIELD(tmailinfo, Body, TextCopy),                      FIELD(tmailinfo, BodyWasUnicode, UnicodeFlag), trule::Plain},
    {0x0E03, FIELD(tmailinfo, DisplayCc, TextCopy),                 NONE, trule::Plain},
    {0x0E02, FIELD(tmailinfo, DisplayBcc, TextCopy),                NONE, trule::Plain},
    {0x3A0F, FIELD(tmailinfo, MhsCommonName, TextCopy),             NONE, trule::Plain},
    {0x0071, FIELD(tmailinfo, ConversationIndexHead, U32OrZero),    NONE, trule::Plain},
    {0x3A03, FIELD(tmailinfo, ConversionProhibited, Tri32),         NONE, trule::Plain},
    {0x0E01, FIELD(tmailinfo, DeleteAfterSubmit, Tri32),            NONE, trule::Plain},
    {0x0023, FIELD(tmailinfo, OriginatorDeliveryReportRequested, Tri32), NONE, trule::OnlyBoolean},
    {0x6F04, FIELD(tmailinfo, Prop6F04, TextCopy),                  FIELD(tmailinfo, Prop6F04Size, ByteCount), trule::Plain},
    {0x6F02, FIELD(tmailinfo, Prop6F02, TextCopy),                  FIELD(tmailinfo, Prop6F02Size, ByteCount), trule::Plain},
    {0x0E07, FIELD(tmailinfo, MessageFlags, U32),                   NONE, trule::Plain},
    {0x007D, FIELD(tmailinfo, TransportHeaders, TextCopy),          NONE, trule::Plain},
    {0x8514, FIELD(tmailinfo, SmartNoAttach, Tri32),                NONE, trule::Plain},
    {0x1013, FIELD(tmailinfo, BodyHtml, TextCopy),                  FIELD(tmailinfo, HtmlWasUnicode, UnicodeFlag), trule::NotEmpty},
    {0x0017, FIELD(tmailinfo, Importance, U32),                     NONE, trule::Plain},
    {0x1042, FIELD(tmailinfo, InReplyToId, TextCopy),               NONE, trule::Plain},
    {0x0058, FIELD(tmailinfo, MessageCcMe, Tri32),                  NONE, trule::Plain},
    {0x0059, FIELD(tmailinfo, MessageRecipMe, Tri32),               NONE, trule::Plain},
    {0x0057, FIELD(tmailinfo, MessageToMe, Tri32),                  NONE, trule::Plain},
    {0x1035, FIELD(tmailinfo, InternetMessageId, TextCopy),         NONE, trule::Plain},
    {0x002E, FIELD(tmailinfo, OriginalSensitivity, U32),            NONE, trule::Plain},
    {0x0072, FIELD(tmailinfo, OriginalDisplayBcc, TextCopy),        NONE, trule::Plain},
    {0x0073, FIELD(tmailinfo, OriginalDisplayCc, TextCopy),         NONE, trule::Plain},
    {0x0074, FIELD(tmailinfo, OriginalDisplayTo, TextCopy),         NONE, trule::Plain},
    {0x0051, FIELD(tmailinfo, ReceivedBySearchKey, TextCopy),       NONE, trule::Plain},
    {0x0044, FIELD(tmailinfo, ReceivedRepresentingName, TextCopy),  NONE, trule::Plain},
    {0x0052, FIELD(tmailinfo, ReceivedRepresentingSearchKey, TextCopy), NONE, trule::Plain},
    {0x003B, FIELD(tmailinfo, SentRepresentingSearchKey, TextCopy), NONE, trule::Plain},
    {0x0042, FIELD(tmailinfo, SentRepresentingName, TextCopy),      NONE, trule::Plain},
    {0x0C1D, FIELD(tmailinfo, SenderSearchKey, TextCopy),           NONE, trule::Plain},
    {0x0026, FIELD(tmailinfo, Priority, U32),                       NONE, trule::Plain},
    {0x0070, FIELD(tmailinfo, ConversationTopic, TextCopy),         NONE, trule::Plain},
    {0x0029, FIELD(tmailinfo, ReadReceiptRequested, Flag32),        NONE, trule::Plain},
    {0x0075, FIELD(tmailinfo, ReceivedByAddressType, TextCopy),     NONE, trule::Plain},
    {0x0076, FIELD(tmailinfo, ReceivedByEmailAddress, TextCopy),    NONE, trule::Plain},
    {0x0077, FIELD(tmailinfo, ReceivedRepresentingAddressType, TextCopy), NONE, trule::Plain},
    {0x0078, FIELD(tmailinfo, ReceivedRepresentingEmailAddress, TextCopy), NONE, trule::Plain},
    {0x0C17, FIELD(tmailinfo, ReplyRequested, Flag32),              NONE, trule::Plain},
    {0x0050, FIELD(tmailinfo, ReplyRecipientNames, TextCopy),       NONE, trule::Plain},
    {0x1046, FIELD(tmailinfo, OriginalMessageId, TextCopy),         NONE, trule::Plain},
    {0x1007, FIELD(tmailinfo, RtfSyncBodyCount, U32),               NONE, trule::Plain},
    {0x1006, FIELD(tmailinfo, RtfSyncBodyCrc, U32),                 NONE, trule::Plain},
    {0x1008, FIELD(tmailinfo, RtfSyncBodyTag, TextCopy),            NONE, trule::Plain},
    {0x1009, FIELD(tmailinfo, RtfCompressed, ExactOrRelease),       FIELD(tmailinfo, RtfCompressedSize, ByteCount), trule::Plain},
    {0x0E1F, FIELD(tmailinfo, RtfInSync, Tri32),                    NONE, trule::Plain},
    {0x1010, FIELD(tmailinfo, RtfSyncPrefixCount, U32),             NONE, trule::Plain},
    {0x1011, FIELD(tmailinfo, RtfSyncTrailingCount, U32),           NONE, trule::Plain},
    {0x0064, FIELD(tmailinfo, SentRepresentingAddressType, TextCopy), NONE, trule::Plain},
    {0x0065, FIELD(tmailinfo, SentRepresentingEmail, TextCopy),     NONE, trule::Plain},
    {0x0C1E, FIELD(tmailinfo, SenderAddressType, TextCopy),         NONE, trule::Plain},
    {0x0C1F, FIELD(tmailinfo, SenderEmail, TextCopy),               NONE, trule::Plain},
    {0x0036, FIELD(tmailinfo, Sensitivity, U32),                    NONE, trule::Plain},
    {0x3FDE, FIELD(tmailinfo, InternetCodepage, U32),               NONE, trule::Plain},
    {0x3FFD, FIELD(tmailinfo, MessageCodepage, U32),                NONE, trule::Plain},
    {0x0039, FIELD(tmailinfo, ClientSubmitTime, ExactCopy),         NONE, trule::Plain},
    {0x0E0A, FIELD(tmailinfo, SentMailEntryId, TextCopy),           NONE, trule::Plain},
    {0x0E04, FIELD(tmailinfo, DisplayTo, TextCopy),                 NONE, trule::Plain},
    {0x0037, FIELD(tmailinfo, Subject, SplitSubject),               NONE, trule::Plain},
    {0x1001, FIELD(tmailinfo, ReportText, TextCopy),                FIELD(tmailinfo, ReportTextWasUnicode, UnicodeFlag), trule::Plain},
    {0x0032, FIELD(tmailinfo, ReportTime, ExactCopy),               NONE, trule::Plain},
    {0x0C04, FIELD(tmailinfo, NdrReasonCode, U32),                  NONE, trule::Plain},
    {0x0C05, FIELD(tmailinfo, NdrDiagCode, U32),                    NONE, trule::Plain},
    {0x0C1B, FIELD(tmailinfo, SupplementaryInfo, TextCopy),         NONE, trule::Plain},
    {0x0C20, FIELD(tmailinfo, NdrStatusCode, U32),                  NONE, trule::Plain},

    // tfolderinfo
    {0x3602, FIELD(tfolderinfo, ContentCount, U32),                 NONE, trule::Plain},
    {0x3603, FIELD(tfolderinfo, ContentUnread, U32),                NONE, trule::Plain},
    {0x3617, FIELD(tfolderinfo, AssocContentCount, U32),            NONE, trule::Plain},
    {0x360A, FIELD(tfolderinfo, HasSubfolders, Flag32),             NONE, trule::Plain},

    // tcontactinfo
    {0x3A00, FIELD(tcontactinfo, Account, TextCopy),                NONE, trule::Plain},
    {0x8083, FIELD(tcontactinfo, Email1Address, TextCopy),          NONE, trule::Plain},
    {0x3003, FIELD(tcontactinfo, Email1Address, TextCopy),          NONE, trule::Plain},
    {0x8085, FIELD(tcontactinfo, Email1OriginalEntryId, TextCopy),  FIELD(tcontactinfo, Email1OriginalEntryIdSize, ByteCount), trule::Plain},
    {0x8080, FIELD(tcontactinfo, Email1DisplayName, TextCopy),      NONE, trule::Plain},
    {0x8084, FIELD(tcontactinfo, Email1OriginalDisplayName, TextCopy), NONE, trule::Plain},
    {0x8082, FIELD(tcontactinfo, Email1AddressType, TextCopy),      NONE, trule::Plain},
    {0x3002, FIELD(tcontactinfo, Email1AddressType, TextCopy),      NONE, trule::Plain},
    {0x8093, FIELD(tcontactinfo, Email2Address, TextCopy),          NONE, trule::Plain},
    {0x8095, FIELD(tcontactinfo, Email2OriginalEntryId, TextCopy),  FIELD(tcontactinfo, Email2OriginalEntryIdSize, ByteCount), trule::Plain},
    {0x8094, FIELD(tcontactinfo, Email2OriginalDisplayName, TextCopy), NONE, trule::Plain},
    {0x8092, FIELD(tcontactinfo, Email2AddressType, TextCopy),      NONE, trule::Plain},
    {0x80A3, FIELD(tcontactinfo, Email3Address, TextCopy),          NONE, trule::Plain},
    {0x80A5, FIELD(tcontactinfo, Email3OriginalEntryId, TextCopy),  FIELD(tcontactinfo, Email3OriginalEntryIdSize, ByteCount), trule::Plain},
    {0x80A4, FIELD(tcontactinfo, Email3OriginalDisplayName, TextCopy), NONE, trule::Plain},
    {0x80A2, FIELD(tcontactinfo, Email3AddressType, TextCopy),      NONE, trule::Plain},
    {0x3A30, FIELD(tcontactinfo, Assistant, TextCopy),              NONE, trule::Plain},
    {0x3A2E, FIELD(tcontactinfo, AssistantTelephoneNumber, TextCopy), NONE, trule::Plain},
    {0x8535, FIELD(tcontactinfo, BillingInformation, TextCopy),     NONE, trule::Plain},
    {0x3A42, FIELD(tcontactinfo, Birthday, ExactCopy),              NONE, trule::Plain},
    {0x801B, FIELD(tcontactinfo, BusinessAddress, TextCopy),        NONE, trule::Plain},
    {0x3A27, FIELD(tcontactinfo, BusinessAddressCity, TextCopy),    NONE, trule::Plain},
    {0x3A26, FIELD(tcontactinfo, BusinessAddressCountry, TextCopy), NONE, trule::Plain},
    {0x3A24, FIELD(tcontactinfo, BusinessFaxNumber, TextCopy),      NONE, trule::Plain},
    {0x3A51, FIELD(tcontactinfo, BusinessHomePage, TextCopy),       NONE, trule::Plain},
    {0x3A08, FIELD(tcontactinfo, BusinessTelephoneNumber, TextCopy), NONE, trule::Plain},
    {0x3A1B, FIELD(tcontactinfo, Business2TelephoneNumber, TextCopy), NONE, trule::Plain},
    {0x3A2B, FIELD(tcontactinfo, BusinessAddressPostOfficeBox, TextCopy), NONE, trule::Plain},
    {0x3A2A, FIELD(tcontactinfo, BusinessAddressPostalCode, TextCopy), NONE, trule::Plain},
    {0x3A28, FIELD(tcontactinfo, BusinessAddressState, TextCopy),   NONE, trule::Plain},
    {0x3A29, FIELD(tcontactinfo, BusinessAddressStreet, TextCopy),  NONE, trule::Plain},
    {0x3A02, FIELD(tcontactinfo, CallbackTelephoneNumber, TextCopy), NONE, trule::Plain},
    {0x3A1E, FIELD(tcontactinfo, CarTelephoneNumber, TextCopy),     NONE, trule::Plain},
    {0x3A57, FIELD(tcontactinfo, CompanyMainTelephoneNumber, TextCopy), NONE, trule::Plain},
    {0x3A16, FIELD(tcontactinfo, CompanyName, TextCopy),            NONE, trule::Plain},
    {0x3A49, FIELD(tcontactinfo, ComputerNetworkName, TextCopy),    NONE, trule::Plain},
    {0x3A4A, FIELD(tcontactinfo, CustomerId, TextCopy),             NONE, trule::Plain},
    {0x3A15, FIELD(tcontactinfo, MailingAddress, TextCopy),         NONE, trule::Plain},
    {0x3A18, FIELD(tcontactinfo, Department, TextCopy),             NONE, trule::Plain},
    {0x3A45, FIELD(tcontactinfo, DisplayNamePrefix, TextCopy),      NONE, trule::Plain},
    {0x3A06, FIELD(tcontactinfo, GivenName, TextCopy),              NONE, trule::Plain},
    {0x8530, FIELD(tcontactinfo, FlagRequest, TextCopy),            NONE, trule::Plain},
    {0x80D8, FIELD(tcontactinfo, FreeBusyLocation, TextCopy),       NONE, trule::Plain},
    {0x3A4C, FIELD(tcontactinfo, FtpSite, TextCopy),                NONE, trule::Plain},
    {0x8005, FIELD(tcontactinfo, FileUnder, TextCopy),              NONE, trule::Plain},
    {0x3A4D, FIELD(tcontactinfo, Gender, U16),                      NONE, trule::Plain},
    {0x3A07, FIELD(tcontactinfo, GovernmentIdNumber, TextCopy),     NONE, trule::Plain},
    {0x3A43, FIELD(tcontactinfo, Hobbies, TextCopy),                NONE, trule::Plain},
    {0x801A, FIELD(tcontactinfo, HomeAddress, TextCopy),            NONE, trule::Plain},
    {0x3A59, FIELD(tcontactinfo, HomeAddressCity, TextCopy),        NONE, trule::Plain},
    {0x3A5A, FIELD(tcontactinfo, HomeAddressCountry, TextCopy),     NONE, trule::Plain},
    {0x3A25, FIELD(tcontactinfo, HomeFaxNumber, TextCopy),          NONE, trule::Plain},
    {0x3A09, FIELD(tcontactinfo, HomeTelephoneNumber, TextCopy),    NONE, trule::Plain},
    {0x3A2F, FIELD(tcontactinfo, Home2TelephoneNumber, TextCopy),   NONE, trule::Plain},
    {0x3A5E, FIELD(tcontactinfo, HomeAddressPostOfficeBox, TextCopy), NONE, trule::Plain},
    {0x3A5B, FIELD(tcontactinfo, HomeAddressPostalCode, TextCopy),  NONE, trule::Plain},
    {0x3A5C, FIELD(tcontactinfo, HomeAddressState, TextCopy),       NONE, trule::Plain},
    {0x3A5D, FIELD(tcontactinfo, HomeAddressStreet, TextCopy),      NONE, trule::Plain},
    {0x3A0A, FIELD(tcontactinfo, Initials, TextCopy),               NONE, trule::Plain},
    {0x3A2D, FIELD(tcontactinfo, IsdnNumber, TextCopy),             NONE, trule::Plain},
    {0x8062, FIELD(tcontactinfo, InstantMessagingAddress, TextCopy), NONE, trule::Plain},
    {0x3A17, FIELD(tcontactinfo, JobTitle, TextCopy),               NONE, trule::Plain},
    {0x3A0B, FIELD(tcontactinfo, Keyword, TextCopy),                NONE, trule::Plain},
    {0x3A0C, FIELD(tcontactinfo, Language, TextCopy),               NONE, trule::Plain},
    {0x3A0D, FIELD(tcontactinfo, Location, TextCopy),               NONE, trule::Plain},
    {0x3A0E, FIELD(tcontactinfo, MailPermission, Flag32),           NONE, trule::Plain},
    {0x3A4E, FIELD(tcontactinfo, ManagerName, TextCopy),            NONE, trule::Plain},
    {0x3A44, FIELD(tcontactinfo, MiddleName, TextCopy),             NONE, trule::Plain},
    {0x8534, FIELD(tcontactinfo, Mileage, TextCopy),                NONE, trule::Plain},
    {0x3A1C, FIELD(tcontactinfo, MobileTelephoneNumber, TextCopy),  NONE, trule::Plain},
    {0x3A4F, FIELD(tcontactinfo, Nickname, TextCopy),               NONE, trule::Plain},
    {0x3A19, FIELD(tcontactinfo, OfficeLocation, TextCopy),         NONE, trule::Plain},
    {0x3A10, FIELD(tcontactinfo, OrganizationalIdNumber, TextCopy), NONE, trule::Plain},
    {0x801C, FIELD(tcontactinfo, OtherAddress, TextCopy),           NONE, trule::Plain},
    {0x3A5F, FIELD(tcontactinfo, OtherAddressCity, TextCopy),       NONE, trule::Plain},
    {0x3A60, FIELD(tcontactinfo, OtherAddressCountry, TextCopy),    NONE, trule::Plain},
    {0x3A1F, FIELD(tcontactinfo, OtherTelephoneNumber, TextCopy),   NONE, trule::Plain},
    {0x3A64, FIELD(tcontactinfo, OtherAddressPostOfficeBox, TextCopy), NONE, trule::Plain},
    {0x3A61, FIELD(tcontactinfo, OtherAddressPostalCode, TextCopy), NONE, trule::Plain},
    {0x3A62, FIELD(tcontactinfo, OtherAddressState, TextCopy),      NONE, trule::Plain},
    {0x3A63, FIELD(tcontactinfo, OtherAddressStreet, TextCopy),     NONE, trule::Plain},
    {0x3A21, FIELD(tcontactinfo, PagerNumber, TextCopy),            NONE, trule::Plain},
    {0x3A50, FIELD(tcontactinfo, PersonalHomePage, TextCopy),       NONE, trule::Plain},
    {0x3A47, FIELD(tcontactinfo, PreferredByName, TextCopy),        NONE, trule::Plain},
    {0x3A23, FIELD(tcontactinfo, PrimaryFaxNumber, TextCopy),       NONE, trule::Plain},
    {0x3A1A, FIELD(tcontactinfo, PrimaryTelephoneNumber, TextCopy), NONE, trule::Plain},
    {0x3A46, FIELD(tcontactinfo, Profession, TextCopy),             NONE, trule::Plain},
    {0x3A1D, FIELD(tcontactinfo, RadioTelephoneNumber, TextCopy),   NONE, trule::Plain},
    {0x3A40, FIELD(tcontactinfo, SendRichInfo, Flag32),             NONE, trule::Plain},
    {0x3A48, FIELD(tcontactinfo, SpouseName, TextCopy),             NONE, trule::Plain},
    {0x3A05, FIELD(tcontactinfo, Generation, TextCopy),             NONE, trule::Plain},
    {0x3A11, FIELD(tcontactinfo, Surname, TextCopy),                NONE, trule::Plain},
    {0x3A2C, FIELD(tcontactinfo, TelexNumber, TextCopy),            NONE, trule::Plain},
    {0x3A20, FIELD(tcontactinfo, TransmittableDisplayName, TextCopy), NONE, trule::Plain},
    {0x3A4B, FIELD(tcontactinfo, TtyTddPhoneNumber, TextCopy),      NONE, trule::Plain},
    {0x3A41, FIELD(tcontactinfo, WeddingAnniversary, ExactCopy),    NONE, trule::Plain},
    {0x8045, FIELD(tcontactinfo, WorkAddressStreet, TextCopy),      NONE, trule::Plain},
    {0x8046, FIELD(tcontactinfo, WorkAddressCity, TextCopy),        NONE, trule::Plain},
    {0x8047, FIELD(tcontactinfo, WorkAddressState, TextCopy),       NONE, trule::Plain},
    {0x8048, FIELD(tcontactinfo, WorkAddressPostalCode, TextCopy),  NONE, trule::Plain},
    {0x8049, FIELD(tcontactinfo, WorkAddressCountry, TextCopy),     NONE, trule::Plain},
    {0x804A, FIELD(tcontactinfo, WorkAddressPostOfficeBox, TextCopy), NONE, trule::Plain},

    // tstoreinfo
    {0x35E0, FIELD(tstoreinfo, IpmSubtreeEntryId, TextCopy),        NONE, trule::Plain},
    {0x35E2, FIELD(tstoreinfo, IpmOutboxEntryId, TextCopy),         NONE, trule::Plain},
    {0x35E3, FIELD(tstoreinfo, IpmWastebasketEntryId, TextCopy),    NONE, trule::Plain},
    {0x35E4, FIELD(tstoreinfo, IpmSentMailEntryId, TextCopy),       NONE, trule::Plain},
    {0x35E5, FIELD(tstoreinfo, ViewsEntryId, TextCopy),             NONE, trule::Plain},
    {0x35E6, FIELD(tstoreinfo, CommonViewsEntryId, TextCopy),       NONE, trule::Plain},
    {0x35E7, FIELD(tstoreinfo, FinderEntryId, TextCopy),            NONE, trule::Plain},
    {0x35E8, FIELD(tstoreinfo, Entry35E8, TextCopy),                NONE, trule::Plain},
    {0x7C07, FIELD(tstoreinfo, Prop7C07, Exact24),                  NONE, trule::Plain},
    {0x35DF, FIELD(tstoreinfo, ValidFolderMask, U32),               NONE, trule::Plain},
    {0x67FF, FIELD(tstoreinfo, PasswordCrc, U32),                   NONE, trule::Plain},

    // tjournalinfo
    {0x8708, FIELD(tjournalinfo, EndTime, ExactCopy),               NONE, trule::Plain},
    {0x8706, FIELD(tjournalinfo, StartTime, ExactCopy),             NONE, trule::Plain},
    {0x8700, FIELD(tjournalinfo, LogType, TextCopy),                NONE, trule::Plain},
    {0x8712, FIELD(tjournalinfo, LogTypeDescription, TextCopy),     NONE, trule::Plain},
    {0x8707, FIELD(tjournalinfo, Duration, U32),                    NONE, trule::Plain},

    // tappointmentinfo
    {0x820E, FIELD(tappointmentinfo, EndTime, ExactCopy),           NONE, trule::Plain},
    {0x8208, FIELD(tappointmentinfo, Location, TextCopy),           NONE, trule::Plain},
    {0x8503, FIELD(tappointmentinfo, ReminderSet, Tri16),           NONE, trule::Plain},
    {0x8560, FIELD(tappointmentinfo, ReminderSignalTime, ExactCopy), NONE, trule::Plain},
    {0x8501, FIELD(tappointmentinfo, ReminderDelta, U32),           NONE, trule::Plain},
    {0x851F, FIELD(tappointmentinfo, ReminderFileParameter, TextCopy), NONE, trule::Plain},
    {0x820D, FIELD(tappointmentinfo, StartTime, ExactCopy),         NONE, trule::Plain},
    {0x8234, FIELD(tappointmentinfo, TimeZoneDescription, TextCopy), NONE, trule::Plain},
    {0x8205, FIELD(tappointmentinfo, BusyStatus, U32),              NONE, trule::Plain},
    {0x8213, FIELD(tappointmentinfo, Duration, U32),                NONE, trule::Plain},
    {0x8214, FIELD(tappointmentinfo, Color, U32),                   NONE, trule::Plain},
    {0x8215, FIELD(tappointmentinfo, AllDay, Tri16),                NONE, trule::Plain},
    {0x8223, FIELD(tappointmentinfo, Recurring, Tri16),             NONE, trule::Plain},
    {0x8232, FIELD(tappointmentinfo, RecurrencePattern, TextCopy),  NONE, trule::Plain},
    {0x8231, FIELD(tappointmentinfo, RecurrenceType, U32),          NONE, trule::Plain},
    {0x8235, FIELD(tappointmentinfo, ClipStart, ExactCopy),         NONE, trule::Plain},
    {0x8236, FIELD(tappointmentinfo, ClipEnd, ExactCopy),           NONE, trule::Plain},

    // ttaskinfo
    {0x810F, FIELD(ttaskinfo, DateCompleted, ExactCopy),            NONE, trule::Plain},
    {0x8105, FIELD(ttaskinfo, DueDate, ExactCopy),                  NONE, trule::Plain},
    {0x8104, FIELD(ttaskinfo, StartDate, ExactCopy),                NONE, trule::Plain},
    {0x811C, FIELD(ttaskinfo, Complete, Flag16),                    NONE, trule::Plain},
    {0x8101, FIELD(ttaskinfo, Status, U32),                         NONE, trule::Plain},
    {0x8102, FIELD(ttaskinfo, PercentComplete, Float64),            NONE, trule::Plain},
    {0x8110, FIELD(ttaskinfo, ActualEffort, U32),                   NONE, trule::Plain},
    {0x8111, FIELD(ttaskinfo, EstimatedEffort, U32),                NONE, trule::Plain},
    {0x8109, FIELD(ttaskinfo, DeadOccurrence, Flag16),              NONE, trule::Plain},
    {0x8124, FIELD(ttaskinfo, NoCompute, Flag16),                   NONE, trule::Plain},
    {0x812C, FIELD(ttaskinfo, FixOffline, Flag16),                  NONE, trule::Plain},
    {0x8129, FIELD(ttaskinfo, Ownership, U32),                      NONE, trule::Plain},
    {0x812A, FIELD(ttaskinfo, AcceptanceState, U32),                NONE, trule::Plain},
    {0x8127, FIELD(ttaskinfo, Role, TextCopy),                      NONE, trule::Plain},
    {0x8112, FIELD(ttaskinfo, Version, U32),                        NONE, trule::Plain},
    {0x8113, FIELD(ttaskinfo, State, U32),                          NONE, trule::Plain},
    {0x8116, FIELD(ttaskinfo, Recurrence, TextCopy),                FIELD(ttaskinfo, RecurrenceSize, ByteCount), trule::Plain},
    {0x8121, FIELD(ttaskinfo, Assigner, TextCopy),                  NONE, trule::Plain},
    {0x811F, FIELD(ttaskinfo, Owner, TextCopy),                     NONE, trule::Plain},
    {0x8103, FIELD(ttaskinfo, TeamTask, Flag16),                    NONE, trule::Plain},
    {0x8123, FIELD(ttaskinfo, Ordinal, U32),                        NONE, trule::Plain},
    {0x8126, FIELD(ttaskinfo, Recurring, Flag16),                   NONE, trule::Plain},
    {0x8518, FIELD(ttaskinfo, Mode, U32),                           NONE, trule::Plain},

    // tnoteinfo
    {0x8B00, FIELD(tnoteinfo, Color, U32),                          NONE, trule::Plain},
    {0x8B02, FIELD(tnoteinfo, Width, U32),                          NONE, trule::Plain},
    {0x8B03, FIELD(tnoteinfo, Height, U32),                         NONE, trule::Plain},
    {0x8B04, FIELD(tnoteinfo, Left, U32),                           NONE, trule::Plain},
    {0x8B05, FIELD(tnoteinfo, Top, U32),                            NONE, trule::Plain},

    // tcompanies
    {0x8539, FIELD(tcompanies, Data, TextCopy),                     FIELD(tcompanies, Size, ByteCount), trule::Plain},

    // trssinfo
    {0x8902, FIELD(trssinfo, ItemHash, U32),                        NONE, trule::Plain},
    {0x8900, FIELD(trssinfo, ChannelLink, TextCopy),                NONE, trule::Plain},
    {0x8901, FIELD(trssinfo, ItemLink, TextCopy),                   NONE, trule::Plain},
    {0x8903, FIELD(trssinfo, ItemGuid, TextCopy),                   NONE, trule::Plain},
    {0x8904, FIELD(trssinfo, Channel, TextCopy),                    NONE, trule::Plain},
    {0x8905, FIELD(trssinfo, ItemXml, TextCopy),                    NONE, trule::Plain},
    {0x8906, FIELD(trssinfo, Subscription, TextCopy),               NONE, trule::Plain},

    // tspecialfolders
    {0x36D0, FIELD(tspecialfolders, CalendarEntryId, TextCopy),     NONE, trule::Plain},
    {0x36D1, FIELD(tspecialfolders, ContactsEntryId, TextCopy),     NONE, trule::Plain},
    {0x36D2, FIELD(tspecialfolders, JournalEntryId, TextCopy),      NONE, trule::Plain},
    {0x36D3, FIELD(tspecialfolders, NotesEntryId, TextCopy),        NONE, trule::Plain},
    {0x36D4, FIELD(tspecialfolders, TasksEntryId, TextCopy),        NONE, trule::Plain},
    {0x36D7, FIELD(tspecialfolders, DraftsEntryId, TextCopy),       NONE, trule::Plain},

    // Recognised and not stored
    {0x0003, NONE, NONE, trule::NotStored},
    {0x003F, NONE, NONE, trule::NotStored},
    {0x0040, NONE, NONE, trule::NotStored},
    {0x0041, NONE, NONE, trule::NotStored},
    {0x0043, NONE, NONE, trule::NotStored},
    {0x004F, NONE, NONE, trule::NotStored},
    {0x0C06, NONE, NONE, trule::NotStored},
    {0x0C19, NONE, NONE, trule::NotStored},
    {0x0C1A, NONE, NONE, trule::NotStored},
    {0x300B, NONE, NONE, trule::NotStored},
    {0x3A01, NONE, NONE, trule::NotStored},
    {0x3A12, NONE, NONE, trule::NotStored},
    {0x3A13, NONE, NONE, trule::NotStored},
    {0x3A14, NONE, NONE, trule::NotStored},
    {0x3A22, NONE, NONE, trule::NotStored},
    {0x3A58, NONE, NONE, trule::NotStored},
    {0x7FFD, NONE, NONE, trule::NotStored},
    {0x8516, NONE, NONE, trule::NotStored},
    {0x8517, NONE, NONE, trule::NotStored},
};
// clang-format on

#undef FIELD
#undef NONE

// Whether a rule lets a value of this type (and size) through at all.
bool TypeAccepted(trule rule, const tpropvalue& v) {
    switch (rule) {
    case trule::MessageClass:
        return v.Type == PtypString8 || v.Type == PtypString;
    case trule::OnlyInteger32:
        return v.Type == PtypInteger32;
    case trule::OnlyBoolean:
        return v.Type == PtypBoolean;
    case trule::OnlyBinary:
        return v.Type == PtypBinary;
    case trule::NotEmpty:
        return v.Size != 0;
    default:
        return true;
    }
}

const char* TextOrEmpty(const ttext& text) {
    return text ? text->c_str() : "";
}

// A string-named property becomes a header field at the head of the list.
tapplyresult ApplyHeaderField(tstoretarget& t, const tpropvalue& v) {
    if (!v.Name || !fieldstore::HasData(v)) return tapplyresult::Skipped;
    auto field = std::make_unique<theaderfield>();
    field->Name = v.Name;
    field->Value = fieldstore::TextOf(v);
    if (field->Name == "content-type")
        if (auto charset = QuotedCharset(*field->Value))
            fieldstore::Ensure(t.message->MailInfo)->Charset = std::move(charset);
    field->Next = std::move(t.message->Headers);
    t.message->Headers = std::move(field);
    return tapplyresult::Applied;
}

void SetKind(tpstmessage& message, trule rule) {
    const char* cls = TextOrEmpty(message.MessageClass);
    message.Kind =
        rule == trule::MessageClass ? KindFromMessageClass(cls) : KindFromContainerClass(cls);
}

tapplyresult ApplyEntry(const ttagentry& entry, tstoretarget& t, const tpropvalue& v) {
    if (!TypeAccepted(entry.rule, v)) return tapplyresult::Skipped;
    if (entry.rule == trule::AttachData && t.element && !fieldstore::HasData(v)) {
        t.element->NodeId = v.Type; // the NID of the subnode that could not be read
        return tapplyresult::Applied;
    }
    tstoreresult stored = entry.first.store(t, v);
    if (stored == tstoreresult::NoElement)
        return entry.rule == trule::StopWithoutElement ? tapplyresult::StopSet
                                                       : tapplyresult::Skipped;
    if (stored == tstoreresult::Skipped) return tapplyresult::Skipped;
    if (entry.second.store) entry.second.store(t, v);
    if (entry.rule == trule::MessageClass || entry.rule == trule::ContainerClass)
        SetKind(*t.message, entry.rule);
    return tapplyresult::Applied;
}

} // namespace

std::span<const ttagentry> TagTableEntries() {
    return kTagTable;
}

const ttagentry* FindTagEntry(uint32_t tag) {
    static const std::vector<const ttagentry*> byTag = [] {
        std::vector<const ttagentry*> index;
        for (const ttagentry& e : kTagTable)
            index.push_back(&e);
        std::stable_sort(index.begin(), index.end(),
                         [](const ttagentry* a, const ttagentry* b) { return a->tag < b->tag; });
        return index;
    }();
    auto it = std::lower_bound(byTag.begin(), byTag.end(), tag,
                               [](const ttagentry* e, uint32_t t) { return e->tag < t; });
    return it != byTag.end() && (*it)->tag == tag ? *it : nullptr;
}

tapplyresult ApplyValue(tstoretarget& target, tpropvalue& value) {
    const ttagentry* entry = FindTagEntry(value.Tag);
    if (!entry) {
        tbuffer().swap(value.Data);
        return tapplyresult::Unknown;
    }
    switch (entry->rule) {
    case trule::NotStored:
        return tapplyresult::Skipped;
    case trule::HeaderField:
        return ApplyHeaderField(target, value);
    default:
        return ApplyEntry(*entry, target, value);
    }
}

std::optional<std::string> QuotedCharset(const std::string& contentType) {
    static const std::string kMarker = "charset=\"";
    size_t begin = contentType.find(kMarker);
    if (begin == std::string::npos) return std::nullopt;
    begin += kMarker.size();
    size_t end = contentType.find('"', begin);
    if (end == std::string::npos) return std::nullopt;
    return contentType.substr(begin, end - begin);
}

bool fieldstore::SplitSubject(std::unique_ptr<tsubject>& field, const tpropvalue& v) {
    field = std::make_unique<tsubject>();
    if (v.Size == 0) {
        field.reset(); // an empty subject leaves no subject record
        return true;
    }
    if (!HasData(v)) return false;
    uint8_t c = v.Data[0];
    bool printable = (c >= 0x20 && c <= 0x7E) || c >= 0xC0;
    if (printable || v.Size < 2 || v.Data.size() < 2) {
        field->Text = TextOf(v);
    } else {
        field->PrefixMarker = c;
        field->PrefixLength = v.Data[1];
        field->Text = TextOf(v, 2);
    }
    return true;
}
