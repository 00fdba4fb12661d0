// The field-by-field text of a message object. One visit function per record
// names each member once, with the way its value is shown; the printer and
// the member-name list both walk those functions, so a member left out of a
// visit function is missing from the name list, which a test compares with
// the record declarations.
#include "mailbox/MessageDump.h"

#include <charconv>
#include <cstdio>

#include "engine/ndb/BlockIndex.h"

namespace {

// ---- What each record holds, member by member, in declaration order. ----

template <class V> void VisitMembers(const tsubject& r, V& v) {
    v.Begin("tsubject");
    v.Number("PrefixMarker", r.PrefixMarker);
    v.Number("PrefixLength", r.PrefixLength);
    v.Text("Text", r.Text);
}

template <class V> void VisitMailFirstHalf(const tmailinfo& r, V& v) {
    v.Time("DeliveryTime", r.DeliveryTime);
    v.Tri("AlternateRecipientAllowed", r.AlternateRecipientAllowed);
    v.Text("Body", r.Body);
    v.Number("BodyWasUnicode", r.BodyWasUnicode);
    v.Text("Charset", r.Charset);
    v.Text("DisplayCc", r.DisplayCc);
    v.Text("DisplayBcc", r.DisplayBcc);
    v.Text("MhsCommonName", r.MhsCommonName);
    v.Number("ConversationIndexHead", r.ConversationIndexHead);
    v.Tri("ConversionProhibited", r.ConversionProhibited);
    v.Tri("DeleteAfterSubmit", r.DeleteAfterSubmit);
    v.Tri("OriginatorDeliveryReportRequested", r.OriginatorDeliveryReportRequested);
    v.Binary("Prop6F04", r.Prop6F04);
    v.Number("Prop6F04Size", r.Prop6F04Size);
    v.Binary("Prop6F02", r.Prop6F02);
    v.Number("Prop6F02Size", r.Prop6F02Size);
    v.Number("MessageFlags", r.MessageFlags);
    v.Text("TransportHeaders", r.TransportHeaders);
    v.Tri("SmartNoAttach", r.SmartNoAttach);
    v.Text("BodyHtml", r.BodyHtml);
    v.Number("HtmlWasUnicode", r.HtmlWasUnicode);
    v.Number("Importance", r.Importance);
    v.Text("InReplyToId", r.InReplyToId);
    v.Tri("MessageCcMe", r.MessageCcMe);
    v.Tri("MessageRecipMe", r.MessageRecipMe);
    v.Tri("MessageToMe", r.MessageToMe);
    v.Text("InternetMessageId", r.InternetMessageId);
    v.Number("OriginalSensitivity", r.OriginalSensitivity);
    v.Text("OriginalDisplayBcc", r.OriginalDisplayBcc);
    v.Text("OriginalDisplayCc", r.OriginalDisplayCc);
    v.Text("OriginalDisplayTo", r.OriginalDisplayTo);
}

template <class V> void VisitMailSecondHalf(const tmailinfo& r, V& v) {
    v.Binary("ReceivedBySearchKey", r.ReceivedBySearchKey);
    v.Text("ReceivedRepresentingName", r.ReceivedRepresentingName);
    v.Binary("ReceivedRepresentingSearchKey", r.ReceivedRepresentingSearchKey);
    v.Binary("SentRepresentingSearchKey", r.SentRepresentingSearchKey);
    v.Text("SentRepresentingName", r.SentRepresentingName);
    v.Binary("SenderSearchKey", r.SenderSearchKey);
    v.Number("Priority", r.Priority);
    v.Text("ConversationTopic", r.ConversationTopic);
    v.Number("ReadReceiptRequested", r.ReadReceiptRequested);
    v.Text("ReceivedByAddressType", r.ReceivedByAddressType);
    v.Text("ReceivedByEmailAddress", r.ReceivedByEmailAddress);
    v.Text("ReceivedRepresentingAddressType", r.ReceivedRepresentingAddressType);
    v.Text("ReceivedRepresentingEmailAddress", r.ReceivedRepresentingEmailAddress);
    v.Number("ReplyRequested", r.ReplyRequested);
    v.Text("ReplyRecipientNames", r.ReplyRecipientNames);
    v.Text("OriginalMessageId", r.OriginalMessageId);
    v.Number("RtfSyncBodyCount", r.RtfSyncBodyCount);
    v.Number("RtfSyncBodyCrc", r.RtfSyncBodyCrc);
    v.Text("RtfSyncBodyTag", r.RtfSyncBodyTag);
    v.Bytes("RtfCompressed", r.RtfCompressed);
    v.Number("RtfCompressedSize", r.RtfCompressedSize);
    v.Tri("RtfInSync", r.RtfInSync);
    v.Number("RtfSyncPrefixCount", r.RtfSyncPrefixCount);
    v.Number("RtfSyncTrailingCount", r.RtfSyncTrailingCount);
    v.Text("SentRepresentingAddressType", r.SentRepresentingAddressType);
    v.Text("SentRepresentingEmail", r.SentRepresentingEmail);
    v.Text("SenderAddressType", r.SenderAddressType);
    v.Text("SenderEmail", r.SenderEmail);
    v.Number("Sensitivity", r.Sensitivity);
    v.Number("InternetCodepage", r.InternetCodepage);
    v.Number("MessageCodepage", r.MessageCodepage);
    v.Time("ClientSubmitTime", r.ClientSubmitTime);
    v.Binary("SentMailEntryId", r.SentMailEntryId);
    v.Text("DisplayTo", r.DisplayTo);
    v.Record("Subject", r.Subject);
    v.Text("ReportText", r.ReportText);
    v.Number("ReportTextWasUnicode", r.ReportTextWasUnicode);
    v.Time("ReportTime", r.ReportTime);
    v.Number("NdrReasonCode", r.NdrReasonCode);
    v.Number("NdrDiagCode", r.NdrDiagCode);
    v.Text("SupplementaryInfo", r.SupplementaryInfo);
    v.Number("NdrStatusCode", r.NdrStatusCode);
}

template <class V> void VisitMembers(const tmailinfo& r, V& v) {
    v.Begin("tmailinfo");
    VisitMailFirstHalf(r, v);
    VisitMailSecondHalf(r, v);
}

template <class V> void VisitMembers(const tfolderinfo& r, V& v) {
    v.Begin("tfolderinfo");
    v.Number("ContentCount", r.ContentCount);
    v.Number("ContentUnread", r.ContentUnread);
    v.Number("AssocContentCount", r.AssocContentCount);
    v.Number("HasSubfolders", r.HasSubfolders);
}

template <class V> void VisitContactEmails(const tcontactinfo& r, V& v) {
    v.Text("Email1Address", r.Email1Address);
    v.Binary("Email1OriginalEntryId", r.Email1OriginalEntryId);
    v.Number("Email1OriginalEntryIdSize", r.Email1OriginalEntryIdSize);
    v.Text("Email1DisplayName", r.Email1DisplayName);
    v.Text("Email1OriginalDisplayName", r.Email1OriginalDisplayName);
    v.Text("Email1AddressType", r.Email1AddressType);
    v.Text("Email2Address", r.Email2Address);
    v.Binary("Email2OriginalEntryId", r.Email2OriginalEntryId);
    v.Number("Email2OriginalEntryIdSize", r.Email2OriginalEntryIdSize);
    v.Text("Email2OriginalDisplayName", r.Email2OriginalDisplayName);
    v.Text("Email2AddressType", r.Email2AddressType);
    v.Text("Email3Address", r.Email3Address);
    v.Binary("Email3OriginalEntryId", r.Email3OriginalEntryId);
    v.Number("Email3OriginalEntryIdSize", r.Email3OriginalEntryIdSize);
    v.Text("Email3OriginalDisplayName", r.Email3OriginalDisplayName);
    v.Text("Email3AddressType", r.Email3AddressType);
}

template <class V> void VisitContactBusiness(const tcontactinfo& r, V& v) {
    v.Text("Assistant", r.Assistant);
    v.Text("AssistantTelephoneNumber", r.AssistantTelephoneNumber);
    v.Text("BillingInformation", r.BillingInformation);
    v.Time("Birthday", r.Birthday);
    v.Text("BusinessAddress", r.BusinessAddress);
    v.Text("BusinessAddressCity", r.BusinessAddressCity);
    v.Text("BusinessAddressCountry", r.BusinessAddressCountry);
    v.Text("BusinessFaxNumber", r.BusinessFaxNumber);
    v.Text("BusinessHomePage", r.BusinessHomePage);
    v.Text("BusinessTelephoneNumber", r.BusinessTelephoneNumber);
    v.Text("Business2TelephoneNumber", r.Business2TelephoneNumber);
    v.Text("BusinessAddressPostOfficeBox", r.BusinessAddressPostOfficeBox);
    v.Text("BusinessAddressPostalCode", r.BusinessAddressPostalCode);
    v.Text("BusinessAddressState", r.BusinessAddressState);
    v.Text("BusinessAddressStreet", r.BusinessAddressStreet);
    v.Text("CallbackTelephoneNumber", r.CallbackTelephoneNumber);
    v.Text("CarTelephoneNumber", r.CarTelephoneNumber);
    v.Text("CompanyMainTelephoneNumber", r.CompanyMainTelephoneNumber);
    v.Text("CompanyName", r.CompanyName);
    v.Text("ComputerNetworkName", r.ComputerNetworkName);
    v.Text("CustomerId", r.CustomerId);
    v.Text("MailingAddress", r.MailingAddress);
    v.Text("Department", r.Department);
    v.Text("DisplayNamePrefix", r.DisplayNamePrefix);
    v.Text("GivenName", r.GivenName);
    v.Text("FlagRequest", r.FlagRequest);
    v.Text("FreeBusyLocation", r.FreeBusyLocation);
    v.Text("FtpSite", r.FtpSite);
    v.Text("FileUnder", r.FileUnder);
    v.Number("Gender", r.Gender);
    v.Text("GovernmentIdNumber", r.GovernmentIdNumber);
    v.Text("Hobbies", r.Hobbies);
}

template <class V> void VisitContactHome(const tcontactinfo& r, V& v) {
    v.Text("HomeAddress", r.HomeAddress);
    v.Text("HomeAddressCity", r.HomeAddressCity);
    v.Text("HomeAddressCountry", r.HomeAddressCountry);
    v.Text("HomeFaxNumber", r.HomeFaxNumber);
    v.Text("HomeTelephoneNumber", r.HomeTelephoneNumber);
    v.Text("Home2TelephoneNumber", r.Home2TelephoneNumber);
    v.Text("HomeAddressPostOfficeBox", r.HomeAddressPostOfficeBox);
    v.Text("HomeAddressPostalCode", r.HomeAddressPostalCode);
    v.Text("HomeAddressState", r.HomeAddressState);
    v.Text("HomeAddressStreet", r.HomeAddressStreet);
    v.Text("Initials", r.Initials);
    v.Text("IsdnNumber", r.IsdnNumber);
    v.Text("InstantMessagingAddress", r.InstantMessagingAddress);
    v.Text("JobTitle", r.JobTitle);
    v.Text("Keyword", r.Keyword);
    v.Text("Language", r.Language);
    v.Text("Location", r.Location);
    v.Number("MailPermission", r.MailPermission);
    v.Text("ManagerName", r.ManagerName);
    v.Text("MiddleName", r.MiddleName);
    v.Text("Mileage", r.Mileage);
    v.Text("MobileTelephoneNumber", r.MobileTelephoneNumber);
    v.Text("Nickname", r.Nickname);
    v.Text("OfficeLocation", r.OfficeLocation);
    v.Text("OrganizationalIdNumber", r.OrganizationalIdNumber);
}

template <class V> void VisitContactOther(const tcontactinfo& r, V& v) {
    v.Text("OtherAddress", r.OtherAddress);
    v.Text("OtherAddressCity", r.OtherAddressCity);
    v.Text("OtherAddressCountry", r.OtherAddressCountry);
    v.Text("OtherTelephoneNumber", r.OtherTelephoneNumber);
    v.Text("OtherAddressPostOfficeBox", r.OtherAddressPostOfficeBox);
    v.Text("OtherAddressPostalCode", r.OtherAddressPostalCode);
    v.Text("OtherAddressState", r.OtherAddressState);
    v.Text("OtherAddressStreet", r.OtherAddressStreet);
    v.Text("PagerNumber", r.PagerNumber);
    v.Text("PersonalHomePage", r.PersonalHomePage);
    v.Text("PreferredByName", r.PreferredByName);
    v.Text("PrimaryFaxNumber", r.PrimaryFaxNumber);
    v.Text("PrimaryTelephoneNumber", r.PrimaryTelephoneNumber);
    v.Text("Profession", r.Profession);
    v.Text("RadioTelephoneNumber", r.RadioTelephoneNumber);
    v.Number("SendRichInfo", r.SendRichInfo);
    v.Text("SpouseName", r.SpouseName);
    v.Text("Generation", r.Generation);
    v.Text("Surname", r.Surname);
    v.Text("TelexNumber", r.TelexNumber);
    v.Text("TransmittableDisplayName", r.TransmittableDisplayName);
    v.Text("TtyTddPhoneNumber", r.TtyTddPhoneNumber);
    v.Time("WeddingAnniversary", r.WeddingAnniversary);
    v.Text("WorkAddressStreet", r.WorkAddressStreet);
    v.Text("WorkAddressCity", r.WorkAddressCity);
    v.Text("WorkAddressState", r.WorkAddressState);
    v.Text("WorkAddressPostalCode", r.WorkAddressPostalCode);
    v.Text("WorkAddressCountry", r.WorkAddressCountry);
    v.Text("WorkAddressPostOfficeBox", r.WorkAddressPostOfficeBox);
}

template <class V> void VisitMembers(const tcontactinfo& r, V& v) {
    v.Begin("tcontactinfo");
    v.Text("Account", r.Account);
    VisitContactEmails(r, v);
    VisitContactBusiness(r, v);
    VisitContactHome(r, v);
    VisitContactOther(r, v);
}

template <class V> void VisitMembers(const tattachment& r, V& v) {
    v.Begin("tattachment");
    v.Text("FileName", r.FileName);
    v.Text("LongFileName", r.LongFileName);
    v.Text("MimeTag", r.MimeTag);
    v.Binary("Data", r.Data);
    v.Number("DataSize", r.DataSize);
    v.Id("NodeId", r.NodeId);
    v.Id("DataBid", r.DataBid);
    v.Subnodes("Subnodes", r.Subnodes);
    v.Number("AttachMethod", r.AttachMethod);
    v.Number("RenderingPosition", r.RenderingPosition);
    v.Number("MimeSequence", r.MimeSequence);
    v.Number("AttachFlags", r.AttachFlags);
    v.Tri("Hidden", r.Hidden);
    v.Link("Next", r.Next);
}

template <class V> void VisitMembers(const theaderfield& r, V& v) {
    v.Begin("theaderfield");
    v.Text("Name", r.Name);
    v.Text("Value", r.Value);
    v.Link("Next", r.Next);
}

template <class V> void VisitMembers(const tstoreinfo& r, V& v) {
    v.Begin("tstoreinfo");
    v.Binary("IpmSubtreeEntryId", r.IpmSubtreeEntryId);
    v.Binary("IpmOutboxEntryId", r.IpmOutboxEntryId);
    v.Binary("IpmWastebasketEntryId", r.IpmWastebasketEntryId);
    v.Binary("IpmSentMailEntryId", r.IpmSentMailEntryId);
    v.Binary("ViewsEntryId", r.ViewsEntryId);
    v.Binary("CommonViewsEntryId", r.CommonViewsEntryId);
    v.Binary("FinderEntryId", r.FinderEntryId);
    v.Binary("Entry35E8", r.Entry35E8);
    v.Bytes("Prop7C07", r.Prop7C07);
    v.Number("ValidFolderMask", r.ValidFolderMask);
    v.Number("PasswordCrc", r.PasswordCrc);
}

template <class V> void VisitMembers(const tjournalinfo& r, V& v) {
    v.Begin("tjournalinfo");
    v.Time("EndTime", r.EndTime);
    v.Time("StartTime", r.StartTime);
    v.Text("LogType", r.LogType);
    v.Text("LogTypeDescription", r.LogTypeDescription);
    v.Number("Duration", r.Duration);
}

template <class V> void VisitMembers(const tappointmentinfo& r, V& v) {
    v.Begin("tappointmentinfo");
    v.Time("EndTime", r.EndTime);
    v.Text("Location", r.Location);
    v.Tri("ReminderSet", r.ReminderSet);
    v.Time("ReminderSignalTime", r.ReminderSignalTime);
    v.Number("ReminderDelta", r.ReminderDelta);
    v.Text("ReminderFileParameter", r.ReminderFileParameter);
    v.Time("StartTime", r.StartTime);
    v.Text("TimeZoneDescription", r.TimeZoneDescription);
    v.Number("BusyStatus", r.BusyStatus);
    v.Number("Duration", r.Duration);
    v.Number("Color", r.Color);
    v.Tri("AllDay", r.AllDay);
    v.Tri("Recurring", r.Recurring);
    v.Text("RecurrencePattern", r.RecurrencePattern);
    v.Number("RecurrenceType", r.RecurrenceType);
    v.Time("ClipStart", r.ClipStart);
    v.Time("ClipEnd", r.ClipEnd);
}

template <class V> void VisitMembers(const ttaskinfo& r, V& v) {
    v.Begin("ttaskinfo");
    v.Time("DateCompleted", r.DateCompleted);
    v.Time("DueDate", r.DueDate);
    v.Time("StartDate", r.StartDate);
    v.Number("Complete", r.Complete);
    v.Number("Status", r.Status);
    v.Real("PercentComplete", r.PercentComplete);
    v.Number("ActualEffort", r.ActualEffort);
    v.Number("EstimatedEffort", r.EstimatedEffort);
    v.Number("DeadOccurrence", r.DeadOccurrence);
    v.Number("NoCompute", r.NoCompute);
    v.Number("FixOffline", r.FixOffline);
    v.Number("Ownership", r.Ownership);
    v.Number("AcceptanceState", r.AcceptanceState);
    v.Text("Role", r.Role);
    v.Number("Version", r.Version);
    v.Number("State", r.State);
    v.Binary("Recurrence", r.Recurrence);
    v.Number("RecurrenceSize", r.RecurrenceSize);
    v.Text("Assigner", r.Assigner);
    v.Text("Owner", r.Owner);
    v.Number("TeamTask", r.TeamTask);
    v.Number("Ordinal", r.Ordinal);
    v.Number("Recurring", r.Recurring);
    v.Number("Mode", r.Mode);
}

template <class V> void VisitMembers(const tnoteinfo& r, V& v) {
    v.Begin("tnoteinfo");
    v.Number("Color", r.Color);
    v.Number("Width", r.Width);
    v.Number("Height", r.Height);
    v.Number("Left", r.Left);
    v.Number("Top", r.Top);
}

template <class V> void VisitMembers(const tcompanies& r, V& v) {
    v.Begin("tcompanies");
    v.Binary("Data", r.Data);
    v.Number("Size", r.Size);
}

template <class V> void VisitMembers(const trssinfo& r, V& v) {
    v.Begin("trssinfo");
    v.Number("ItemHash", r.ItemHash);
    v.Text("ChannelLink", r.ChannelLink);
    v.Text("ItemLink", r.ItemLink);
    v.Text("ItemGuid", r.ItemGuid);
    v.Text("Channel", r.Channel);
    v.Text("ItemXml", r.ItemXml);
    v.Text("Subscription", r.Subscription);
}

template <class V> void VisitMembers(const tspecialfolders& r, V& v) {
    v.Begin("tspecialfolders");
    v.Binary("CalendarEntryId", r.CalendarEntryId);
    v.Binary("ContactsEntryId", r.ContactsEntryId);
    v.Binary("JournalEntryId", r.JournalEntryId);
    v.Binary("NotesEntryId", r.NotesEntryId);
    v.Binary("TasksEntryId", r.TasksEntryId);
    v.Binary("DraftsEntryId", r.DraftsEntryId);
}

template <class V> void VisitMembers(const tpstmessage& r, V& v) {
    v.Begin("tpstmessage");
    v.Record("MailInfo", r.MailInfo);
    v.Record("FolderCounts", r.FolderCounts);
    v.Record("Contact", r.Contact);
    v.Chain("Attachments", r.Attachments);
    v.Record("StoreInfo", r.StoreInfo);
    v.Chain("Headers", r.Headers);
    v.Record("Journal", r.Journal);
    v.Record("Appointment", r.Appointment);
    v.Record("Task", r.Task);
    v.Record("StickyNote", r.StickyNote);
    v.Record("Companies", r.Companies);
    v.Record("Rss", r.Rss);
    v.AlwaysNumber("Kind", r.Kind);
    v.AlwaysText("MessageClass", r.MessageClass);
    v.Text("DisplayName", r.DisplayName);
    v.Text("Comment", r.Comment);
    v.Number("MessageSize", r.MessageSize);
    v.Text("CurrentVersionName", r.CurrentVersionName);
    v.Number("IconIndex", r.IconIndex);
    v.Binary("RecordKey", r.RecordKey);
    v.Number("RecordKeySize", r.RecordKeySize);
    v.Tri("ResponseRequested", r.ResponseRequested);
    v.Time("CreationTime", r.CreationTime);
    v.Time("LastModificationTime", r.LastModificationTime);
    v.Tri("ReassignmentProhibited", r.ReassignmentProhibited);
    v.Record("SpecialFolders", r.SpecialFolders);
}

// ---- The printer: one line per set field, names prefixed by the path. ----

std::string HexId(uint64_t id) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(id));
    return text;
}

// Deeper subnode lists than this are not shown: a copied tree is finite, but
// a crafted file could nest it far enough to exhaust the stack.
constexpr int kMaxSubnodeDepth = 32;

class Printer {
public:
    Printer(std::vector<tdumpline>& lines, std::string prefix)
        : lines_(lines), prefix_(std::move(prefix)) {}

    void Begin(const char*) {}
    void Text(const char* name, const ttext& value) {
        if (value) Add(name, EscapeText(TextOf(value)));
    }
    void Text(const char* name, const std::string& value) {
        if (!value.empty()) Add(name, EscapeText(value));
    }
    void AlwaysText(const char* name, const ttext& value) { Add(name, EscapeText(TextOf(value))); }
    void Binary(const char* name, const ttext& value) {
        if (value && !value->empty()) Add(name, HexBytes(value->data(), value->size()));
    }
    void Bytes(const char* name, const tbytes& value) {
        if (!value.empty()) Add(name, HexBytes(value.data(), value.size()));
    }
    void Time(const char* name, const tbytes& value) {
        if (!value.empty()) Add(name, FormatFileTimeUtc(value));
    }
    template <class N> void Number(const char* name, N value) {
        if (value != 0) Add(name, std::to_string(value));
    }
    void AlwaysNumber(const char* name, int32_t value) { Add(name, std::to_string(value)); }
    void Tri(const char* name, int32_t value) { Number(name, value); }
    void Tri(const char* name, uint16_t value) { Number(name, static_cast<int16_t>(value)); }
    void Id(const char* name, uint64_t value) {
        if (value != 0) Add(name, HexId(value));
    }
    void Real(const char* name, double value) {
        if (value == 0) return;
        char text[32];
        auto result = std::to_chars(text, text + sizeof text, value);
        Add(name, std::string(text, result.ptr));
    }
    // A sub-record's presence matters even when all its fields are zero (a
    // folder is a node whose object has FolderCounts), so it gets a line.
    template <class T> void Record(const char* name, const std::unique_ptr<T>& record) {
        if (!record) return;
        Add(name, "present");
        Printer inner(lines_, prefix_ + name + ".");
        VisitMembers(*record, inner);
    }
    // A chain's line holds its length; then each element by index.
    template <class T> void Chain(const char* name, const std::unique_ptr<T>& head) {
        size_t count = 0;
        for (const T* element = head.get(); element; element = element->Next.get())
            ++count;
        if (count == 0) return;
        Add(name, std::to_string(count));
        size_t index = 0;
        for (const T* element = head.get(); element; element = element->Next.get(), ++index) {
            Printer inner(lines_, prefix_ + name + "[" + std::to_string(index) + "].");
            VisitMembers(*element, inner);
        }
    }
    // The chain itself is walked by Chain.
    template <class T> void Link(const char*, const std::unique_ptr<T>&) {}
    void Subnodes(const char* name, const std::unique_ptr<tsubnodeentry>& list) {
        SubnodeList(prefix_ + name, list.get(), 0);
    }

private:
    void Add(const char* name, std::string value) {
        lines_.push_back({prefix_ + name, std::move(value)});
    }
    void SubnodeList(const std::string& path, const tsubnodeentry* entry, int depth) {
        if (depth >= kMaxSubnodeDepth) return;
        for (size_t index = 0; entry; entry = entry->pNext.get(), ++index) {
            std::string at = path + "[" + std::to_string(index) + "].";
            lines_.push_back({at + "Nid", HexId(entry->nid)});
            if (entry->pDataBlock) {
                lines_.push_back({at + "DataBid", HexId(uint64_t(entry->pDataBlock->bid))});
                lines_.push_back(
                    {at + "DataSize", std::to_string(BlockDataSize(entry->pDataBlock))});
            }
            SubnodeList(at + "Children", entry->pChildren.get(), depth + 1);
        }
    }

    std::vector<tdumpline>& lines_;
    std::string prefix_;
};

// ---- The member-name list: walks blank records, depth first. ----

class NameCollector {
public:
    explicit NameCollector(std::vector<std::string>& names) : names_(names) {}

    void Begin(const char* record) { record_ = record; }
    template <class T> void Text(const char* name, const T&) { Add(name); }
    template <class T> void AlwaysText(const char* name, const T&) { Add(name); }
    template <class T> void Binary(const char* name, const T&) { Add(name); }
    template <class T> void Bytes(const char* name, const T&) { Add(name); }
    template <class T> void Time(const char* name, const T&) { Add(name); }
    template <class T> void Number(const char* name, T) { Add(name); }
    template <class T> void AlwaysNumber(const char* name, T) { Add(name); }
    template <class T> void Tri(const char* name, T) { Add(name); }
    template <class T> void Id(const char* name, T) { Add(name); }
    template <class T> void Real(const char* name, T) { Add(name); }
    template <class T> void Subnodes(const char* name, const T&) { Add(name); }
    template <class T> void Link(const char* name, const std::unique_ptr<T>&) { Add(name); }
    template <class T> void Record(const char* name, const std::unique_ptr<T>&) {
        Add(name);
        Descend<T>();
    }
    template <class T> void Chain(const char* name, const std::unique_ptr<T>&) {
        Add(name);
        Descend<T>();
    }

private:
    void Add(const char* name) { names_.push_back(record_ + "." + name); }
    template <class T> void Descend() {
        T blank;
        NameCollector inner(names_);
        VisitMembers(blank, inner);
    }

    std::vector<std::string>& names_;
    std::string record_;
};

// Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's civil_from_days).
void CivilFromDays(int64_t z, int64_t& year, unsigned& month, unsigned& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int64_t>(yoe) + era * 400 + (month <= 2);
}

} // namespace

std::vector<tdumpline> DumpMessage(const tpstmessage& message) {
    std::vector<tdumpline> lines;
    Printer printer(lines, "");
    VisitMembers(message, printer);
    return lines;
}

std::vector<std::string> DumpedMemberNames() {
    std::vector<std::string> names;
    NameCollector collector(names);
    VisitMembers(tpstmessage{}, collector);
    return names;
}

std::string EscapeText(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (c == '\t')
            escaped += "\\t";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\r')
            escaped += "\\r";
        else
            escaped += c;
    }
    return escaped;
}

std::string HexBytes(const void* data, size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::string hex(size * 2, '0');
    for (size_t i = 0; i < size; ++i) {
        hex[2 * i] = kDigits[bytes[i] >> 4];
        hex[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
    return hex;
}

std::string FormatFileTimeUtc(const tbytes& filetime) {
    if (filetime.size() != 8) return HexBytes(filetime.data(), filetime.size());
    uint64_t ticks = 0;
    for (int i = 7; i >= 0; --i)
        ticks = (ticks << 8) | filetime[size_t(i)];
    constexpr int64_t kDays1601To1970 = 134774;
    const int64_t seconds = static_cast<int64_t>(ticks / 10000000);
    const int64_t days = seconds / 86400 - kDays1601To1970;
    const int64_t inDay = seconds % 86400;
    int64_t year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<long long>(year), month, day, int(inDay / 3600), int(inDay / 60 % 60),
                  int(inDay % 60));
    return text;
}
