// Whole mailboxes written by the test writer, in both layouts and every encoding, read back
// through BuildMessage: every item kind, its envelope, bodies, recipients, attachments and
// named properties, the folders and the message store come back field by field.
#include <algorithm>
#include <map>
#include <stdexcept>

#include "tests/engine/messaging/WrittenMailbox.h"
#include "tools/pstwriter/PstMailbox.h"
#include "tools/pstwriter/PstMessage.h"

namespace {

using pstw::Item;
using pstw::ItemKind;
using rtfile::Bytes;
using rtfile::LittleEndian;
using rtfile::Pattern;

constexpr uint64_t kSubmit = 132537600000000000ull, kDelivery = kSubmit + 600000000ull;
constexpr uint64_t kCreated = kSubmit - 1000, kModified = kSubmit + 2000;
constexpr uint64_t kAttachCreated = kSubmit + 7777, kAttachModified = kSubmit + 8888;

pstw::Attachment MakeAttachment(const std::string& name, const std::string& mime, Bytes data) {
    pstw::Attachment a;
    a.longFileName = name;
    a.mimeTag = mime;
    a.data = std::move(data);
    return a;
}

Item Note(const std::string& subject) {
    Item i;
    i.subject = subject;
    i.senderName = "Alice Example";
    i.senderAddress = "alice@example.com";
    i.displayTo = "Bob Example";
    i.displayCc = "Carol";
    i.displayBcc = "Dave";
    i.submitTime = kSubmit;
    i.deliveryTime = kDelivery;
    i.creationTime = kCreated;
    i.modificationTime = kModified;
    return i;
}

Item OfKind(ItemKind kind, const std::string& subject) {
    Item i = Note(subject);
    i.kind = kind;
    i.body = "Body of " + subject;
    return i;
}

const std::vector<pstw::Recipient> kRecipients{{"Bob Example", "bob@example.com", "SMTP", 1},
                                               {"Carol", "carol@example.com", "SMTP", 2}};

// A plain body of 100,000 characters, some of them outside the BMP: far more
// than one data block, and more UTF-8 than the conversion's least room.
std::string LongBody() {
    std::string body;
    for (int i = 0; body.size() < 100000; ++i)
        body += i % 50 ? "line " + std::to_string(i) + " \xE2\x9C\x93\r\n" : "\xF0\x9F\x98\x80";
    return body;
}

pstw::Folder Inbox() {
    pstw::Folder f{"Inbox"};
    Item plain = Note("Plain body");
    plain.body = "Hello Bob,\r\nplain text.";
    plain.recipients = kRecipients;
    plain.attachments = {MakeAttachment("small.txt", "text/plain", {'s', 'm', 'a', 'l', 'l'})};
    f.items.push_back(plain);
    Item html = Note("HTML body only");
    html.html = "<html><body><p>Hi</p></body></html>";
    f.items.push_back(html);
    Item both = Note("Plain and HTML");
    both.body = "plain";
    both.html = "<html><body>html</body></html>";
    f.items.push_back(both);
    f.items.push_back(Note("No body at all"));
    Item rtf = Note("Compressed RTF only");
    rtf.rtfCompressed = Bytes{0x2D, 0, 0, 0, 0x2B, 0, 0, 0, 0x4C, 0x5A, 0x46, 0x75, 0, 0, 0, 0};
    f.items.push_back(rtf);
    f.items.push_back(Note("\x01\x04RE: Hello"));
    Item recipientsOnly = Note("Two recipients");
    recipientsOnly.recipients = kRecipients;
    f.items.push_back(recipientsOnly);
    Item large = Note("Large attachment");
    large.attachments = {
        MakeAttachment("a.txt", "text/plain", {'a', 'b', 'c'}),
        MakeAttachment("large.bin", "application/octet-stream", Pattern(200000, 7))};
    large.attachments[1].fileName = "LARGE~1.BIN";
    large.attachments[1].creationTime = kAttachCreated;
    large.attachments[1].modificationTime = kAttachModified;
    f.items.push_back(large);
    Item unicode = Note("Grüße – Привет – 你好");
    unicode.body = "Unicode body ✓";
    unicode.attachments = {MakeAttachment("naïve résumé.txt", "text/plain", Pattern(5000, 3))};
    f.items.push_back(unicode);
    Item longBody = Note("Long body and an attachment");
    longBody.body = LongBody();
    longBody.attachments = {
        MakeAttachment("beside.bin", "application/octet-stream", Pattern(3000, 9))};
    f.items.push_back(longBody);
    Item ansi = Note("Café crème 8-bit");
    ansi.codePage = 1252;
    ansi.senderName = "Renée";
    ansi.body = "Eight-bit body: déjà vu";
    ansi.attachments = {MakeAttachment("résumé.txt", "text/plain", {'c', 'v'})};
    f.items.push_back(ansi);
    Item named = Note("Named property mix");
    named.named = {
        {pstw::PropName::string(pstw::psInternetHeaders(), "content-type"),
         pstw::Prop::str(0, "text/plain; charset=\"koi8-r\"")},
        {pstw::PropName::string(pstw::psPublicStrings(), "Keywords"),
         pstw::Prop::mvStr(0, {"alpha", "beta"})},
        {pstw::PropName::numeric(pstw::psetidCommon(), 0x8539), pstw::Prop::mvStr(0, {"ACME"})}};
    f.items.push_back(named);
    Item empty = Note("Empty recipient table");
    empty.emptyRecipientTable = true;
    empty.attachments = {MakeAttachment("kept.txt", "text/plain", {'k'})};
    f.items.push_back(empty);
    f.items.push_back(OfKind(ItemKind::Post, "A post"));
    Item rss = OfKind(ItemKind::PostRss, "An RSS post");
    rss.rss = pstw::RssInfo{"https://example.com/feed", "https://example.com/item/1", "guid-1",
                            "Example feed", 0x1234};
    f.items.push_back(rss);
    Item report = OfKind(ItemKind::Report, "Undeliverable: Hello");
    report.reportText = "The message could not be delivered.";
    f.items.push_back(report);
    Item unread = Note("Unread one");
    unread.read = false;
    f.items.push_back(unread);
    f.associated.push_back(Note("Hidden view settings"));

    pstw::Folder sub{"Sub folder"};
    sub.items = {Note("Nested one"), Note("Nested two")};
    f.folders.push_back(sub);
    return f;
}

std::vector<pstw::Folder> KindFolders() {
    pstw::Folder cal{"Calendar", "IPF.Appointment"};
    Item a = OfKind(ItemKind::Appointment, "Meeting");
    a.appointment =
        pstw::AppointmentInfo{kSubmit, kSubmit + 36000000000ull, "Room 1", 2, true, 5, 60, 15};
    cal.items.push_back(a);
    pstw::Folder contacts{"Contacts", "IPF.Contact"};
    Item c = OfKind(ItemKind::Contact, "Ann Lee");
    pstw::ContactInfo& ci = c.contact.emplace();
    ci.givenName = "Ann";
    ci.surname = "Lee";
    ci.companyName = "ACME";
    ci.jobTitle = "Engineer";
    ci.businessPhone = "+1 555 0100";
    ci.homePhone = "+1 555 0101";
    ci.mobilePhone = "+1 555 0102";
    ci.fileUnder = "Lee, Ann";
    ci.email1Address = "ann@example.com";
    ci.email1DisplayName = "Ann Lee (ann@example.com)";
    contacts.items.push_back(c);
    pstw::Folder journal{"Journal", "IPF.Journal"};
    Item j = OfKind(ItemKind::Journal, "Phone call with Ann");
    j.journal =
        pstw::JournalInfo{"Phone call", "Telephone call", kSubmit, kSubmit + 6000000000ull, 10};
    journal.items.push_back(j);
    pstw::Folder notes{"Notes", "IPF.StickyNote"};
    Item s = OfKind(ItemKind::StickyNote, "Sticky reminder");
    s.stickyNote = pstw::StickyNoteInfo{1, 300, 200, 40, 50};
    notes.items.push_back(s);
    pstw::Folder tasks{"Tasks", "IPF.Task"};
    Item t = OfKind(ItemKind::Task, "Write the report");
    t.task = pstw::TaskInfo{2, 1.0, kSubmit, kSubmit + 864000000000ull, kSubmit + 1, true, "Ann"};
    tasks.items.push_back(t);
    return {cal, contacts, journal, notes, tasks};
}

pstw::Mailbox TestMailbox() {
    pstw::Mailbox m;
    m.ipmSubtree.folders.push_back(Inbox());
    for (pstw::Folder& f : KindFolders())
        m.ipmSubtree.folders.push_back(std::move(f));
    return m;
}

std::string Cp1252(const std::string& utf8) {
    return pstw::toCodePage(utf8, 1252);
}

// A field read from a Unicode value: converted, with the terminator the conversion wrote.
void ExpectWide(const ttext& field, const std::string& utf8) {
    ASSERT_TRUE(field) << utf8;
    EXPECT_EQ(*field, utf8 + std::string(1, '\0'));
    EXPECT_EQ(TextOf(field), utf8);
}

// A field read from an 8-bit value or bytes: exactly as stored.
void ExpectBytes(const ttext& field, const std::string& stored) {
    ASSERT_TRUE(field) << stored;
    EXPECT_EQ(*field, stored);
}

std::vector<const tattachment*> Elements(const tpstmessage& m) {
    std::vector<const tattachment*> out;
    for (const tattachment* e = m.Attachments.get(); e; e = e->Next.get())
        out.push_back(e);
    return out;
}

class MessageRoundTrip : public rtfile::WrittenFileTest {
protected:
    void SetUp() override { WriteAndOpen(TestMailbox()); }

    void WriteAndOpen(const pstw::Mailbox& m) {
        writer = std::make_unique<pstw::MailboxWriter>(Options());
        Open(writer->write(m));
    }

    uint32_t NidOf(const std::string& subject) const {
        for (const pstw::WrittenItem& i : writer->items())
            if (i.subject == subject) return i.nid;
        ADD_FAILURE() << "no item " << subject;
        return 0;
    }
    const pstw::WrittenItem& Written(const std::string& subject) const {
        for (const pstw::WrittenItem& i : writer->items())
            if (i.subject == subject) return i;
        throw std::out_of_range(subject);
    }

    std::unique_ptr<tpstmessage> Build(uint64_t nid) {
        std::unique_ptr<tpstmessage> m = BuildMessage(&file, FindNode(&file, nid));
        EXPECT_TRUE(m) << std::hex << "node 0x" << nid;
        return m;
    }
    std::unique_ptr<tpstmessage> BuildItem(const std::string& subject) {
        return Build(NidOf(subject));
    }

    std::unique_ptr<pstw::MailboxWriter> writer;
};

// --- envelope, bodies and kinds -------------------------------------------------------------

void ExpectEnvelope(const tpstmessage& m, const std::string& subject) {
    ASSERT_TRUE(m.MailInfo);
    const tmailinfo& mi = *m.MailInfo;
    ASSERT_TRUE(mi.Subject);
    EXPECT_EQ(mi.Subject->PrefixMarker, 0u);
    ExpectWide(mi.Subject->Text, subject);
    ExpectWide(mi.ConversationTopic, subject);
    ExpectWide(mi.SentRepresentingName, "Alice Example");
    ExpectWide(mi.SenderEmail, "alice@example.com");
    ExpectWide(mi.SentRepresentingEmail, "alice@example.com");
    ExpectWide(mi.SenderAddressType, "SMTP");
    ExpectWide(mi.DisplayTo, "Bob Example");
    ExpectWide(mi.DisplayCc, "Carol");
    ExpectWide(mi.DisplayBcc, "Dave");
    EXPECT_EQ(mi.ClientSubmitTime, LittleEndian(kSubmit, 8));
    EXPECT_EQ(mi.DeliveryTime, LittleEndian(kDelivery, 8));
    EXPECT_EQ(mi.Importance, 1u);
    EXPECT_EQ(mi.Sensitivity, 0u);
}

TEST_P(MessageRoundTrip, NotesCarryTheirEnvelopeAndEachBodyWithItsFlag) {
    auto plain = BuildItem("Plain body");
    ASSERT_TRUE(plain);
    ExpectEnvelope(*plain, "Plain body");
    ExpectWide(plain->MessageClass, "IPM.Note");
    EXPECT_EQ(plain->Kind, kKindMail);
    ExpectWide(plain->MailInfo->Body, "Hello Bob,\r\nplain text.");
    EXPECT_EQ(plain->MailInfo->BodyWasUnicode, 1);
    EXPECT_FALSE(plain->MailInfo->BodyHtml);
    EXPECT_EQ(plain->MailInfo->MessageFlags, 0x11u) << "read, has attachments";

    auto html = BuildItem("HTML body only");
    ASSERT_TRUE(html);
    ExpectEnvelope(*html, "HTML body only");
    EXPECT_FALSE(html->MailInfo->Body);
    ExpectBytes(html->MailInfo->BodyHtml, "<html><body><p>Hi</p></body></html>");
    EXPECT_EQ(html->MailInfo->HtmlWasUnicode, 0);
    EXPECT_EQ(html->MailInfo->InternetCodepage, 65001u);
    EXPECT_EQ(html->CreationTime, LittleEndian(kCreated, 8));
    EXPECT_EQ(html->LastModificationTime, LittleEndian(kModified, 8));
    EXPECT_FALSE(html->Attachments);

    auto both = BuildItem("Plain and HTML");
    ASSERT_TRUE(both);
    ExpectWide(both->MailInfo->Body, "plain");
    ExpectBytes(both->MailInfo->BodyHtml, "<html><body>html</body></html>");

    auto neither = BuildItem("No body at all");
    ASSERT_TRUE(neither);
    ExpectEnvelope(*neither, "No body at all");
    EXPECT_FALSE(neither->MailInfo->Body);
    EXPECT_FALSE(neither->MailInfo->BodyHtml);
    EXPECT_TRUE(neither->MailInfo->RtfCompressed.empty());

    auto rtf = BuildItem("Compressed RTF only");
    ASSERT_TRUE(rtf);
    EXPECT_FALSE(rtf->MailInfo->Body);
    const Bytes stored{0x2D, 0, 0, 0, 0x2B, 0, 0, 0, 0x4C, 0x5A, 0x46, 0x75, 0, 0, 0, 0};
    EXPECT_EQ(rtf->MailInfo->RtfCompressed, stored) << "kept compressed";
    EXPECT_EQ(rtf->MailInfo->RtfCompressedSize, stored.size());
    EXPECT_EQ(rtf->MailInfo->RtfInSync, 1);
    for (auto* m : {&plain, &html, &both, &neither, &rtf}) {
        FreeMessage(*m);
        EXPECT_FALSE(*m);
    }
}

TEST_P(MessageRoundTrip, PrefixedSubjectsSplitIntoMarkerLengthAndText) {
    auto m = BuildItem("\x01\x04RE: Hello");
    ASSERT_TRUE(m);
    ASSERT_TRUE(m->MailInfo && m->MailInfo->Subject);
    EXPECT_EQ(m->MailInfo->Subject->PrefixMarker, 1u);
    EXPECT_EQ(m->MailInfo->Subject->PrefixLength, 4u);
    EXPECT_EQ(TextOf(m->MailInfo->Subject->Text), "RE: Hello");
    ExpectWide(m->MailInfo->ConversationTopic, "\x01\x04RE: Hello");
}

TEST_P(MessageRoundTrip, PostsRssPostsAndReportsGetTheirKinds) {
    auto post = BuildItem("A post");
    ASSERT_TRUE(post);
    ExpectWide(post->MessageClass, "IPM.Post");
    EXPECT_EQ(post->Kind, kKindPost);
    ExpectWide(post->MailInfo->Body, "Body of A post");
    EXPECT_FALSE(post->Rss);

    auto rss = BuildItem("An RSS post");
    ASSERT_TRUE(rss);
    ExpectWide(rss->MessageClass, "IPM.Post.Rss");
    EXPECT_EQ(rss->Kind, kKindPost);
    ASSERT_TRUE(rss->Rss);
    ExpectWide(rss->Rss->ChannelLink, "https://example.com/feed");
    ExpectWide(rss->Rss->ItemLink, "https://example.com/item/1");
    ExpectWide(rss->Rss->ItemGuid, "guid-1");
    ExpectWide(rss->Rss->Channel, "Example feed");
    EXPECT_EQ(rss->Rss->ItemHash, 0x1234u);

    auto report = BuildItem("Undeliverable: Hello");
    ASSERT_TRUE(report);
    ExpectWide(report->MessageClass, "REPORT.IPM.Note.NDR");
    EXPECT_EQ(report->Kind, kKindReport);
    ExpectWide(report->MailInfo->ReportText, "The message could not be delivered.");
    EXPECT_EQ(report->MailInfo->ReportTextWasUnicode, 1);
}

// --- named properties of the kind-specific records ------------------------------------------

TEST_P(MessageRoundTrip, AppointmentsAndContactsComeBackUnderTheirLids) {
    auto a = BuildItem("Meeting");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Kind, kKindAppointment);
    ExpectWide(a->MessageClass, "IPM.Appointment");
    ASSERT_TRUE(a->Appointment);
    const tappointmentinfo& ai = *a->Appointment;
    EXPECT_EQ(ai.StartTime, LittleEndian(kSubmit, 8));
    EXPECT_EQ(ai.EndTime, LittleEndian(kSubmit + 36000000000ull, 8));
    ExpectWide(ai.Location, "Room 1");
    EXPECT_EQ(ai.BusyStatus, 2u);
    EXPECT_EQ(ai.AllDay, 1);
    EXPECT_EQ(ai.Color, 5u);
    EXPECT_EQ(ai.Duration, 60u);
    EXPECT_EQ(ai.ReminderSet, 1);
    EXPECT_EQ(ai.ReminderDelta, 15u);

    auto c = BuildItem("Ann Lee");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->Kind, kKindContact);
    ExpectWide(c->DisplayName, "Ann Lee");
    ASSERT_TRUE(c->Contact);
    const tcontactinfo& ci = *c->Contact;
    ExpectWide(ci.GivenName, "Ann");
    ExpectWide(ci.Surname, "Lee");
    ExpectWide(ci.CompanyName, "ACME");
    ExpectWide(ci.JobTitle, "Engineer");
    ExpectWide(ci.BusinessTelephoneNumber, "+1 555 0100");
    ExpectWide(ci.HomeTelephoneNumber, "+1 555 0101");
    ExpectWide(ci.MobileTelephoneNumber, "+1 555 0102");
    ExpectWide(ci.FileUnder, "Lee, Ann");
    ExpectWide(ci.Email1Address, "ann@example.com");
    ExpectWide(ci.Email1DisplayName, "Ann Lee (ann@example.com)");
    ExpectWide(ci.Email1AddressType, "SMTP");
}

TEST_P(MessageRoundTrip, JournalStickyNoteAndTaskComeBackUnderTheirLids) {
    auto j = BuildItem("Phone call with Ann");
    ASSERT_TRUE(j);
    EXPECT_EQ(j->Kind, kKindJournal);
    ExpectWide(j->MessageClass, "IPM.Activity");
    ASSERT_TRUE(j->Journal);
    ExpectWide(j->Journal->LogType, "Phone call");
    ExpectWide(j->Journal->LogTypeDescription, "Telephone call");
    EXPECT_EQ(j->Journal->StartTime, LittleEndian(kSubmit, 8));
    EXPECT_EQ(j->Journal->EndTime, LittleEndian(kSubmit + 6000000000ull, 8));
    EXPECT_EQ(j->Journal->Duration, 10u);

    auto s = BuildItem("Sticky reminder");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Kind, kKindStickyNote);
    ASSERT_TRUE(s->StickyNote);
    EXPECT_EQ(s->StickyNote->Color, 1u);
    EXPECT_EQ(s->StickyNote->Width, 300u);
    EXPECT_EQ(s->StickyNote->Height, 200u);
    EXPECT_EQ(s->StickyNote->Left, 40u);
    EXPECT_EQ(s->StickyNote->Top, 50u);

    auto t = BuildItem("Write the report");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->Kind, kKindTask);
    ASSERT_TRUE(t->Task);
    EXPECT_EQ(t->Task->Status, 2u);
    EXPECT_EQ(t->Task->PercentComplete, 1.0);
    EXPECT_EQ(t->Task->StartDate, LittleEndian(kSubmit, 8));
    EXPECT_EQ(t->Task->DueDate, LittleEndian(kSubmit + 864000000000ull, 8));
    EXPECT_EQ(t->Task->DateCompleted, LittleEndian(kSubmit + 1, 8));
    EXPECT_EQ(t->Task->Complete, 1);
    ExpectWide(t->Task->Owner, "Ann");
}

TEST_P(MessageRoundTrip, StringNamedHeadersAndCompaniesComeBack) {
    auto m = BuildItem("Named property mix");
    ASSERT_TRUE(m);
    std::map<std::string, const theaderfield*> headers;
    for (const theaderfield* h = m->Headers.get(); h; h = h->Next.get())
        headers[h->Name] = h;
    ASSERT_EQ(headers.size(), 2u);
    ASSERT_TRUE(headers.count("content-type"));
    ExpectWide(headers["content-type"]->Value, "text/plain; charset=\"koi8-r\"");
    ASSERT_TRUE(headers.count("Keywords"));
    const Bytes keywords = pstw::Prop::mvStr(0, {"alpha", "beta"}).bytes;
    ExpectBytes(headers["Keywords"]->Value, std::string(keywords.begin(), keywords.end()));
    ASSERT_TRUE(m->MailInfo);
    ExpectBytes(m->MailInfo->Charset, "koi8-r");
    ASSERT_TRUE(m->Companies);
    const Bytes companies = pstw::Prop::mvStr(0, {"ACME"}).bytes;
    ExpectBytes(m->Companies->Data, std::string(companies.begin(), companies.end()));
    EXPECT_EQ(m->Companies->Size, companies.size());
}

// --- recipients and attachments -------------------------------------------------------------

TEST_P(MessageRoundTrip, RecipientsAndAnAttachmentMakeThreeElementsTheAttachmentFirst) {
    auto m = BuildItem("Plain body");
    ASSERT_TRUE(m);
    const auto elements = Elements(*m);
    ASSERT_EQ(elements.size(), 3u);
    const tattachment& a = *elements[0];
    ExpectWide(a.FileName, "small.txt");
    ExpectWide(a.LongFileName, "small.txt");
    ExpectWide(a.MimeTag, "text/plain");
    ExpectBytes(a.Data, "small");
    EXPECT_EQ(a.DataSize, 5u);
    EXPECT_EQ(a.AttachMethod, 1u);
    EXPECT_EQ(a.RenderingPosition, 0xFFFFFFFFu);
    EXPECT_EQ(a.NodeId, Written("Plain body").attachmentNids.at(0));
    for (const tattachment* r : {elements[1], elements[2]}) {
        EXPECT_FALSE(r->Data);
        EXPECT_FALSE(r->FileName);
        EXPECT_EQ(r->NodeId, 0u) << "a recipient row names no attachment object";
    }
    // The attachment object's 0x3001 is applied after the recipient rows.
    ExpectWide(m->DisplayName, "small.txt");

    // Recipient rows fill the message's own fields, the first row last.
    auto r = BuildItem("Two recipients");
    ASSERT_TRUE(r);
    EXPECT_EQ(Elements(*r).size(), 2u);
    ExpectWide(r->DisplayName, "Bob Example");
    ASSERT_TRUE(r->Contact);
    ExpectWide(r->Contact->Email1Address, "bob@example.com");
    ExpectWide(r->Contact->Email1AddressType, "SMTP");
}

TEST_P(MessageRoundTrip, LargeAttachmentInASubnodeOverAnXBlockComesBackByteForByte) {
    auto m = BuildItem("Large attachment");
    ASSERT_TRUE(m);
    const auto elements = Elements(*m);
    ASSERT_EQ(elements.size(), 2u);
    const pstw::WrittenItem& w = Written("Large attachment");
    // The list runs from the table's last row to its first.
    const tattachment& large = *elements[0];
    EXPECT_EQ(large.NodeId, w.attachmentNids.at(1));
    ExpectWide(large.FileName, "LARGE~1.BIN");
    ExpectWide(large.LongFileName, "large.bin");
    ExpectWide(large.MimeTag, "application/octet-stream");
    const Bytes data = Pattern(200000, 7);
    ASSERT_TRUE(large.Data);
    EXPECT_EQ(large.DataSize, 200000u);
    ASSERT_EQ(large.Data->size(), data.size());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), large.Data->begin(),
                           [](uint8_t a, char b) { return a == uint8_t(b); }));
    const tattachment& small = *elements[1];
    EXPECT_EQ(small.NodeId, w.attachmentNids.at(0));
    ExpectBytes(small.Data, "abc");
    ExpectWide(small.LongFileName, "a.txt");
    // The large attachment's own times replace the message's.
    EXPECT_EQ(m->CreationTime, LittleEndian(kAttachCreated, 8));
    EXPECT_EQ(m->LastModificationTime, LittleEndian(kAttachModified, 8));
}

TEST_P(MessageRoundTrip, AnEmptyRecipientTableKeepsTheAttachment) {
    auto m = BuildItem("Empty recipient table");
    ASSERT_TRUE(m);
    const auto elements = Elements(*m);
    ASSERT_EQ(elements.size(), 1u);
    ExpectWide(elements[0]->LongFileName, "kept.txt");
    ExpectBytes(elements[0]->Data, "k");
}

// --- Unicode and 8-bit strings --------------------------------------------------------------

TEST_P(MessageRoundTrip, UnicodeStringsAreConvertedAndEightBitOnesKeptAsStored) {
    auto u = BuildItem("Grüße – Привет – 你好");
    ASSERT_TRUE(u);
    ExpectWide(u->MailInfo->Subject->Text, "Grüße – Привет – 你好");
    ExpectWide(u->MailInfo->Body, "Unicode body ✓");
    EXPECT_EQ(u->MailInfo->BodyWasUnicode, 1);
    ASSERT_TRUE(u->Attachments);
    ExpectWide(u->Attachments->LongFileName, "naïve résumé.txt");
    const Bytes data = Pattern(5000, 3);
    ExpectBytes(u->Attachments->Data, std::string(data.begin(), data.end()));

    auto a = BuildItem("Café crème 8-bit");
    ASSERT_TRUE(a);
    ASSERT_TRUE(a->MailInfo && a->MailInfo->Subject);
    ExpectBytes(a->MailInfo->Subject->Text, Cp1252("Café crème 8-bit"));
    ExpectBytes(a->MailInfo->Body, Cp1252("Eight-bit body: déjà vu"));
    EXPECT_EQ(a->MailInfo->BodyWasUnicode, 0);
    ExpectBytes(a->MailInfo->SentRepresentingName, Cp1252("Renée"));
    ExpectBytes(a->MailInfo->DisplayTo, "Bob Example");
    EXPECT_EQ(a->MailInfo->MessageCodepage, 1252u);
    ExpectBytes(a->MessageClass, "IPM.Note");
    EXPECT_EQ(a->Kind, kKindMail);
    ASSERT_TRUE(a->Attachments);
    ExpectBytes(a->Attachments->LongFileName, Cp1252("résumé.txt"));
    ExpectBytes(a->Attachments->Data, "cv");
}

TEST_P(MessageRoundTrip, ALongUnicodeBodyComesBackWholeBesideItsAttachment) {
    auto m = BuildItem("Long body and an attachment");
    ASSERT_TRUE(m && m->MailInfo);
    ExpectWide(m->MailInfo->Body, LongBody());
    EXPECT_EQ(m->MailInfo->BodyWasUnicode, 1);
    const auto elements = Elements(*m);
    ASSERT_EQ(elements.size(), 1u);
    ExpectWide(elements[0]->LongFileName, "beside.bin");
    const Bytes data = Pattern(3000, 9);
    ExpectBytes(elements[0]->Data, std::string(data.begin(), data.end()));
}

// --- folders and the store ------------------------------------------------------------------

TEST_P(MessageRoundTrip, FoldersCarryTheirNameKindAndCounts) {
    struct Expected {
        std::string path;
        int32_t kind;
        uint32_t items, unread, associated;
        int32_t hasSubfolders;
    };
    const Expected folders[] = {
        {"Top of Personal Folders", kKindNone, 0, 0, 0, 1},
        {"Top of Personal Folders/Inbox", kKindMail, 17, 1, 1, 1},
        {"Top of Personal Folders/Inbox/Sub folder", kKindMail, 2, 0, 0, 0},
        {"Top of Personal Folders/Calendar", kKindAppointment, 1, 0, 0, 0},
        {"Top of Personal Folders/Contacts", kKindContact, 1, 0, 0, 0},
        {"Top of Personal Folders/Journal", kKindJournal, 1, 0, 0, 0},
        {"Top of Personal Folders/Notes", kKindStickyNote, 1, 0, 0, 0},
        {"Top of Personal Folders/Tasks", kKindTask, 1, 0, 0, 0},
    };
    for (const Expected& e : folders) {
        SCOPED_TRACE(e.path);
        const pstw::WrittenFolder* w = writer->folder(e.path);
        ASSERT_NE(w, nullptr);
        auto f = Build(w->nid);
        ASSERT_TRUE(f);
        ExpectWide(f->DisplayName, e.path.substr(e.path.rfind('/') + 1));
        EXPECT_EQ(f->Kind, e.kind);
        ASSERT_TRUE(f->FolderCounts);
        EXPECT_EQ(f->FolderCounts->ContentCount, e.items);
        EXPECT_EQ(f->FolderCounts->ContentUnread, e.unread);
        EXPECT_EQ(f->FolderCounts->AssocContentCount, e.associated);
        EXPECT_EQ(f->FolderCounts->HasSubfolders, e.hasSubfolders);
        EXPECT_FALSE(f->MailInfo);
    }
}

TEST_P(MessageRoundTrip, TheStoreNamesItsIpmSubtree) {
    auto store = Build(pstw::kNidMessageStore);
    ASSERT_TRUE(store);
    ExpectWide(store->DisplayName, "Personal Folders");
    const pstw::Guid uid = pstw::MailboxWriter::providerUid();
    ExpectBytes(store->RecordKey, std::string(uid.begin(), uid.end()));
    EXPECT_EQ(store->RecordKeySize, 16u);
    ASSERT_TRUE(store->StoreInfo);
    ASSERT_TRUE(store->StoreInfo->IpmSubtreeEntryId);
    EXPECT_EQ(store->StoreInfo->IpmSubtreeEntryId->size(), 24u);
    EXPECT_EQ(store->StoreInfo->ValidFolderMask, 1u);
    EXPECT_EQ(store->StoreInfo->PasswordCrc, 0u);
    const uint64_t nodes = file.cNodes;
    tnodeentry* subtree = FindOrAddNode(&file, store.get());
    ASSERT_NE(subtree, nullptr);
    EXPECT_EQ(subtree, FindNode(&file, pstw::kNidIpmSubtree)) << "found, not made";
    EXPECT_NE(subtree->pDataBlock, nullptr);
    EXPECT_EQ(subtree->cChildren, 6u);
    EXPECT_EQ(file.cNodes, nodes);
}

TEST_P(MessageRoundTrip, AStoreWithoutSubtreeEntryIdFallsBackTo0x2142) {
    // The default NID is the subtree itself: it is found.
    pstw::Mailbox found = TestMailbox();
    found.ipmSubtreeEntryId = false;
    found.ipmSubtree.nid = 0x2142;
    ClosePstFile(&file);
    WriteAndOpen(found);
    auto store = Build(pstw::kNidMessageStore);
    ASSERT_TRUE(store && store->StoreInfo);
    EXPECT_FALSE(store->StoreInfo->IpmSubtreeEntryId);
    EXPECT_EQ(store->StoreInfo->ValidFolderMask, 0u);
    tnodeentry* subtree = FindOrAddNode(&file, store.get());
    ASSERT_NE(subtree, nullptr);
    EXPECT_EQ(subtree->nid, 0x2142u);
    EXPECT_NE(subtree->pDataBlock, nullptr);
    EXPECT_EQ(subtree->cChildren, 6u);
}

TEST_P(MessageRoundTrip, AStoreWithoutSubtreeEntryIdGetsAMadeNode) {
    pstw::Mailbox made = TestMailbox();
    made.ipmSubtreeEntryId = false;
    ClosePstFile(&file);
    WriteAndOpen(made);
    auto store = Build(pstw::kNidMessageStore);
    ASSERT_TRUE(store);
    ASSERT_EQ(FindNode(&file, 0x2142), nullptr);
    tnodeentry* subtree = FindOrAddNode(&file, store.get());
    ASSERT_NE(subtree, nullptr);
    EXPECT_EQ(subtree->nid, 0x2142u);
    EXPECT_EQ(subtree->pDataBlock, nullptr);
    EXPECT_EQ(subtree->pParent, nullptr) << "a new top-level node";
    EXPECT_EQ(FindNode(&file, 0x2142), subtree);
    EXPECT_EQ(FindOrAddNode(&file, store.get()), subtree) << "made once";
}

INSTANTIATE_TEST_SUITE_P(LayoutsAndEncodings, MessageRoundTrip, rtfile::AllLayoutsAndEncodings(),
                         rtfile::ParamName);

} // namespace
