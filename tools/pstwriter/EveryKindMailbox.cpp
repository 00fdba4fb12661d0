// The mailbox of every kind (see EveryKindMailbox.h): Inbox items after [MS-PST] 2.4.5 and
// 2.4.6, kind folders by their container classes of [MS-OXOSFLD] 2.2.
#include "tools/pstwriter/EveryKindMailbox.h"

namespace pstw::everykind {

namespace {

constexpr uint64_t kHour = 36000000000ull;
// Sizes that put an attachment's data in a subnode of its own, and in a data tree over
// several blocks.
constexpr size_t kSubnodeAttachment = 5000;
constexpr size_t kDataTreeAttachment = 20000;
// A body too large for the heap, in the 8-bit mail.
constexpr size_t kLargeBody = 6000;

// A 16-byte compressed-RTF header with no data, as a body the reader must not trip over.
const std::vector<uint8_t> kEmptyRtf{0x2D, 0,    0,    0,    0x2B, 0, 0, 0,
                                     0x4C, 0x5A, 0x46, 0x75, 0,    0, 0, 0};

Item attachmentsAndRecipients() {
    Item mail = item(ItemKind::Note, "Attachments and recipients");
    mail.recipients = {{"Bob Example", "bob@example.com", "SMTP", 1},
                       {"Carol", "carol@example.com", "SMTP", 2}};
    mail.attachments = {file("small.txt", {'s', 'm', 'a', 'l', 'l'}),
                        file("subnode.bin", pattern(kSubnodeAttachment, 3)),
                        file("tree.bin", pattern(kDataTreeAttachment, 7))};
    return mail;
}

Item htmlAndRtf() {
    Item html = item(ItemKind::Note, "HTML and RTF");
    html.html = "<html><body><p>Hi</p></body></html>";
    html.rtfCompressed = kEmptyRtf;
    return html;
}

Item eightBit() {
    Item ansi = item(ItemKind::Note, "Caf\xC3\xA9 8-bit");
    ansi.codePage = 1252;
    ansi.body = std::string(kLargeBody, 'x');
    return ansi;
}

Item namedProperties() {
    Item named = item(ItemKind::Note, "Named properties");
    named.named = {{PropName::string(psInternetHeaders(), "content-type"),
                    Prop::str(0, "text/plain; charset=\"koi8-r\"")},
                   {PropName::numeric(psetidCommon(), 0x8539), Prop::mvStr(0, {"ACME", "Beta"})}};
    return named;
}

Folder calendar() {
    Folder cal{"Calendar", "IPF.Appointment"};
    Item a = item(ItemKind::Appointment, "Meeting");
    AppointmentInfo& ai = a.appointment.emplace();
    ai.start = kSent;
    ai.end = ai.start + kHour;
    ai.location = "Room 1";
    ai.reminderMinutes = 15;
    cal.items.push_back(a);
    return cal;
}

Folder contacts() {
    Folder contacts{"Contacts", "IPF.Contact"};
    Item c = item(ItemKind::Contact, "Ann Lee");
    ContactInfo& ci = c.contact.emplace();
    ci.givenName = "Ann";
    ci.surname = "Lee";
    ci.email1Address = "ann@example.com";
    contacts.items.push_back(c);
    return contacts;
}

Folder journal() {
    Folder journal{"Journal", "IPF.Journal"};
    Item j = item(ItemKind::Journal, "Phone call");
    j.journal.emplace().type = "Phone call";
    journal.items.push_back(j);
    return journal;
}

Folder notes() {
    Folder notes{"Notes", "IPF.StickyNote"};
    Item s = item(ItemKind::StickyNote, "Sticky");
    s.stickyNote = StickyNoteInfo{};
    notes.items.push_back(s);
    return notes;
}

Folder tasks() {
    Folder tasks{"Tasks", "IPF.Task"};
    Item t = item(ItemKind::Task, "Report");
    t.task.emplace().percentComplete = 0.5;
    tasks.items.push_back(t);
    return tasks;
}

Folder posts() {
    Folder posts{"Posts"};
    posts.items = {item(ItemKind::Post, "Post"), item(ItemKind::PostRss, "RSS"),
                   item(ItemKind::Report, "Undeliverable")};
    posts.items[1].rss.emplace().channel = "Feed";
    return posts;
}

} // namespace

std::vector<uint8_t> pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(i * 31 + seed + (i >> 8));
    return b;
}

Attachment file(const std::string& name, std::vector<uint8_t> data) {
    Attachment a;
    a.longFileName = name;
    a.mimeTag = "application/octet-stream";
    a.data = std::move(data);
    return a;
}

Item item(ItemKind kind, const std::string& subject) {
    Item i;
    i.kind = kind;
    i.subject = subject;
    i.senderName = "Alice Example";
    i.senderAddress = "alice@example.com";
    i.displayTo = "Bob Example";
    i.submitTime = kSent;
    i.deliveryTime = kDelivered;
    i.body = "Body of " + subject;
    return i;
}

Folder inbox() {
    Folder f{"Inbox"};
    f.items = {attachmentsAndRecipients(), htmlAndRtf(), eightBit(), namedProperties()};
    f.associated.push_back(item(ItemKind::Note, "Associated view"));
    return f;
}

std::vector<Folder> kindFolders() {
    return {calendar(), contacts(), journal(), notes(), tasks(), posts(), Folder{"Empty"}};
}

Mailbox mailbox() {
    Mailbox m;
    m.ipmSubtree.folders.push_back(inbox());
    for (Folder& f : kindFolders())
        m.ipmSubtree.folders.push_back(std::move(f));
    return m;
}

} // namespace pstw::everykind
