// The seed mailboxes: one description written in every layout and encoding.
#include "tests/fuzz/SeedMailboxes.h"

#include "tools/pstwriter/PstMailbox.h"

namespace ostrel::fuzz {
namespace {

using pstw::Item;
using pstw::ItemKind;

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(i * 31 + seed + (i >> 8));
    return b;
}

Item OfKind(ItemKind kind, const std::string& subject) {
    Item i;
    i.kind = kind;
    i.subject = subject;
    i.senderName = "Alice Example";
    i.senderAddress = "alice@example.com";
    i.displayTo = "Bob Example";
    i.submitTime = 132537600000000000ull;
    i.deliveryTime = i.submitTime + 600000000ull;
    i.body = "Body of " + subject;
    return i;
}

pstw::Attachment Attach(const std::string& name, std::vector<uint8_t> data) {
    pstw::Attachment a;
    a.longFileName = name;
    a.mimeTag = "application/octet-stream";
    a.data = std::move(data);
    return a;
}

// Mail with every way a body, recipient or attachment is stored.
pstw::Folder Inbox() {
    pstw::Folder f{"Inbox"};
    Item mail = OfKind(ItemKind::Note, "Attachments and recipients");
    mail.recipients = {{"Bob Example", "bob@example.com", "SMTP", 1},
                       {"Carol", "carol@example.com", "SMTP", 2}};
    mail.attachments = {Attach("small.txt", {'s', 'm', 'a', 'l', 'l'}),
                        Attach("subnode.bin", Pattern(5000, 3)),
                        Attach("tree.bin", Pattern(20000, 7))};
    f.items.push_back(mail);
    Item html = OfKind(ItemKind::Note, "HTML and RTF");
    html.html = "<html><body><p>Hi</p></body></html>";
    html.rtfCompressed =
        std::vector<uint8_t>{0x2D, 0, 0, 0, 0x2B, 0, 0, 0, 0x4C, 0x5A, 0x46, 0x75, 0, 0, 0, 0};
    f.items.push_back(html);
    Item ansi = OfKind(ItemKind::Note, "Caf\xC3\xA9 8-bit");
    ansi.codePage = 1252;
    ansi.body = std::string(6000, 'x');
    f.items.push_back(ansi);
    Item named = OfKind(ItemKind::Note, "Named properties");
    named.named = {{pstw::PropName::string(pstw::psInternetHeaders(), "content-type"),
                    pstw::Prop::str(0, "text/plain; charset=\"koi8-r\"")},
                   {pstw::PropName::numeric(pstw::psetidCommon(), 0x8539),
                    pstw::Prop::mvStr(0, {"ACME", "Beta"})}};
    f.items.push_back(named);
    f.associated.push_back(OfKind(ItemKind::Note, "Associated view"));
    pstw::Folder sub{"Sub/folder: with ..\\odd name"};
    sub.items = {OfKind(ItemKind::Note, "../../escape attempt")};
    f.folders.push_back(sub);
    return f;
}

std::vector<pstw::Folder> OtherFolders() {
    pstw::Folder cal{"Calendar", "IPF.Appointment"};
    Item a = OfKind(ItemKind::Appointment, "Meeting");
    pstw::AppointmentInfo& ai = a.appointment.emplace();
    ai.start = 132537600000000000ull;
    ai.end = ai.start + 36000000000ull;
    ai.location = "Room 1";
    ai.reminderMinutes = 15;
    cal.items.push_back(a);
    pstw::Folder contacts{"Contacts", "IPF.Contact"};
    Item c = OfKind(ItemKind::Contact, "Ann Lee");
    pstw::ContactInfo& ci = c.contact.emplace();
    ci.givenName = "Ann";
    ci.surname = "Lee";
    ci.email1Address = "ann@example.com";
    contacts.items.push_back(c);
    pstw::Folder journal{"Journal", "IPF.Journal"};
    Item j = OfKind(ItemKind::Journal, "Phone call");
    j.journal.emplace().type = "Phone call";
    journal.items.push_back(j);
    pstw::Folder notes{"Notes", "IPF.StickyNote"};
    Item s = OfKind(ItemKind::StickyNote, "Sticky");
    s.stickyNote = pstw::StickyNoteInfo{};
    notes.items.push_back(s);
    pstw::Folder tasks{"Tasks", "IPF.Task"};
    Item t = OfKind(ItemKind::Task, "Report");
    t.task.emplace().percentComplete = 0.5;
    tasks.items.push_back(t);
    pstw::Folder posts{"Posts"};
    posts.items = {OfKind(ItemKind::Post, "Post"), OfKind(ItemKind::PostRss, "RSS"),
                   OfKind(ItemKind::Report, "Undeliverable")};
    posts.items[1].rss.emplace().channel = "Feed";
    return {cal, contacts, journal, notes, tasks, posts, pstw::Folder{"Empty"}};
}

pstw::Mailbox Description(bool offline) {
    pstw::Mailbox m;
    m.ipmSubtreeEntryId = !offline;
    m.ipmSubtree.folders.push_back(Inbox());
    for (pstw::Folder& f : OtherFolders())
        m.ipmSubtree.folders.push_back(std::move(f));
    return m;
}

bool IsHeapBlock(const SeedMailbox& seed, const pstw::BlockInfo& b) {
    if (b.bid & 2 || b.cb < 4) return false;
    std::vector<uint8_t> data(seed.bytes.begin() + b.offset, seed.bytes.begin() + b.offset + b.cb);
    pstw::decodeBlock(data, seed.crypt, b.bid);
    return data[2] == 0xEC && (data[3] == 0xBC || data[3] == 0x7C);
}

SeedMailbox Write(pstw::Layout layout, uint8_t crypt, bool offline, int entriesPerPage) {
    pstw::Options o;
    o.layout = layout;
    o.crypt = crypt;
    o.maxEntriesPerPage = entriesPerPage;
    o.maxEntriesPerInternalBlock = entriesPerPage ? 3 : 0;
    pstw::MailboxWriter w(o);
    SeedMailbox seed;
    seed.layout = layout;
    seed.crypt = crypt;
    seed.bytes = w.write(Description(offline));
    seed.pages = w.ndb().pages();
    seed.blocks = w.ndb().blocks();
    for (const pstw::BlockInfo& b : seed.blocks)
        if (IsHeapBlock(seed, b)) seed.heaps.push_back(b);
    return seed;
}

} // namespace

const std::vector<SeedMailbox>& SeedMailboxes() {
    static const std::vector<SeedMailbox> seeds = [] {
        std::vector<SeedMailbox> s;
        for (pstw::Layout layout : {pstw::Layout::Unicode, pstw::Layout::Ansi})
            for (uint8_t crypt : {0, 1, 2})
                s.push_back(Write(layout, crypt, false, 0));
        s.push_back(Write(pstw::Layout::Unicode, 1, true, 0));
        s.push_back(Write(pstw::Layout::Ansi, 0, false, 6));
        return s;
    }();
    return seeds;
}

} // namespace ostrel::fuzz
