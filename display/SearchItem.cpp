// The fields of an item for the search and the match (see SearchItem.h).
// Field tags as [MS-OXPROPS] lists them; bodies by body/MessageBody.h.
#include "display/SearchItem.h"

#include <sstream>

#include "body/MessageBody.h"
#include "display/SearchHtml.h"
#include "display/SearchText.h"
#include "engine/messaging/Subject.h"

namespace ostrel::search {
namespace {

constexpr size_t kFileTimeBytes = 8;

// Joins the present texts with a separator no search text can span.
void Add(std::string& out, const ttext& value) {
    if (!value) return;
    if (!out.empty()) out += '\n';
    out += value->c_str();
}

std::optional<uint64_t> FileTimeOf(const tbytes& bytes) {
    if (bytes.size() < kFileTimeBytes) return std::nullopt;
    uint64_t v = 0;
    for (size_t i = 0; i < kFileTimeBytes; ++i)
        v |= uint64_t(bytes[i]) << (8 * i);
    return v;
}

bool InDateRange(const tpstmessage& item, const tsearchquery& query) {
    if (!query.From && !query.Before) return true;
    const std::optional<uint64_t> when = ItemFileTime(item);
    if (!when) return false;
    return (!query.From || *when >= *query.From) && (!query.Before || *when < *query.Before);
}

bool FieldHas(const std::string& text, const tsearchquery& query) {
    if (text.empty()) return false;
    return ContainsFolded(FoldText(text), query.Folded, query.WholeWords);
}

} // namespace

tsearchquery MakeQuery(const std::string& text, unsigned fields) {
    tsearchquery query;
    query.Folded = FoldText(text);
    query.Fields = fields;
    return query;
}

std::optional<unsigned> ParseFields(const std::string& list) {
    unsigned fields = 0;
    std::istringstream in(list);
    for (std::string name; std::getline(in, name, ',');) {
        if (name == "subject")
            fields |= kInSubject;
        else if (name == "people")
            fields |= kInPeople;
        else if (name == "body")
            fields |= kInBody;
        else if (name == "attachments")
            fields |= kInAttachments;
        else
            return std::nullopt;
    }
    if (fields == 0) return std::nullopt;
    return fields;
}

std::string SubjectSearchText(const tpstmessage& item) {
    std::string out = SubjectText(item);
    if (item.Contact) {
        Add(out, item.DisplayName);
        Add(out, item.Contact->FileUnder);
        Add(out, item.Contact->CompanyName);
    }
    return out;
}

std::string PeopleText(const tpstmessage& item) {
    std::string out;
    if (const tmailinfo* mail = item.MailInfo.get()) {
        Add(out, mail->SentRepresentingName);
        Add(out, mail->SentRepresentingEmail);
        Add(out, mail->SentRepresentingSmtpAddress);
        Add(out, mail->SenderName);
        Add(out, mail->SenderEmail);
        Add(out, mail->SenderSmtpAddress);
        Add(out, mail->DisplayTo);
        Add(out, mail->DisplayCc);
        Add(out, mail->DisplayBcc);
    }
    if (const tcontactinfo* contact = item.Contact.get()) {
        Add(out, contact->Email1DisplayName);
        Add(out, contact->Email1Address);
        Add(out, contact->Email2Address);
        Add(out, contact->Email3Address);
    }
    return out;
}

std::string RecipientsText(const trecipienttable& recipients) {
    std::string out;
    for (const trecipient& r : recipients.Rows)
        for (const std::string* text : {&r.DisplayName, &r.SmtpAddress, &r.EmailAddress})
            if (!text->empty()) out += *text + "\n";
    return out;
}

std::string BodySearchText(const tpstmessage& item) {
    ostrel::body::tmessagebody body = ostrel::body::MessageBody(item.MailInfo.get());
    if (body.Kind == ostrel::body::BodyKind::Html) return HtmlToText(body.Text);
    return std::move(body.Text);
}

std::string AttachmentNamesText(const tpstmessage& item) {
    std::string out;
    for (const tattachment* a = item.Attachments.get(); a; a = a->Next.get())
        Add(out, a->LongFileName ? a->LongFileName : a->FileName);
    return out;
}

std::optional<uint64_t> ItemFileTime(const tpstmessage& item) {
    std::optional<uint64_t> when;
    switch (item.Kind) {
    case kKindAppointment:
        if (item.Appointment) when = FileTimeOf(item.Appointment->StartTime);
        break;
    case kKindJournal:
        if (item.Journal) when = FileTimeOf(item.Journal->StartTime);
        break;
    case kKindMail:
    case kKindTask:
    case kKindPost:
        if (item.MailInfo) {
            when = FileTimeOf(item.MailInfo->ClientSubmitTime);
            if (!when) when = FileTimeOf(item.MailInfo->DeliveryTime);
        }
        break;
    default:
        break;
    }
    if (!when) when = FileTimeOf(item.LastModificationTime);
    return when;
}

bool ItemMatches(const tpstmessage& item, const tsearchquery& query,
                 const std::function<std::string()>& recipientsText) {
    if (!InDateRange(item, query)) return false;
    if (query.Folded.empty()) return true; // a date range alone
    // The cheap fields first: most items are decided before their body is read.
    return ((query.Fields & kInSubject) && FieldHas(SubjectSearchText(item), query)) ||
           ((query.Fields & kInPeople) &&
            (FieldHas(PeopleText(item), query) ||
             (recipientsText && FieldHas(recipientsText(), query)))) ||
           ((query.Fields & kInAttachments) && FieldHas(AttachmentNamesText(item), query)) ||
           ((query.Fields & kInBody) && FieldHas(BodySearchText(item), query));
}

} // namespace ostrel::search
