// The seed mailboxes: one description written in every layout and encoding.
#include "tests/fuzz/SeedMailboxes.h"

#include "tools/pstwriter/EveryKindMailbox.h"

namespace ostrel::fuzz {
namespace {

// The mailbox of every kind, with a folder whose name and item subject try to climb out of
// an export's target folder.
pstw::Mailbox Description(bool offline) {
    pstw::Mailbox m = pstw::everykind::mailbox();
    m.ipmSubtreeEntryId = !offline;
    pstw::Folder sub{"Sub/folder: with ..\\odd name"};
    sub.items = {pstw::everykind::item(pstw::ItemKind::Note, "../../escape attempt")};
    m.ipmSubtree.folders[0].folders.push_back(sub);
    return m;
}

bool IsHeapBlock(const SeedMailbox& seed, const pstw::BlockInfo& b) {
    if (b.bid & 2 || b.cb < 4) return false;
    std::vector<uint8_t> data(seed.bytes.begin() + b.offset, seed.bytes.begin() + b.offset + b.cb);
    pstw::decodeBlock(data, seed.crypt, b.bid);
    return data[2] == 0xEC && (data[3] == 0xBC || data[3] == 0x7C);
}

pstw::Item EmbeddedLevel(const std::string& subject) {
    pstw::Item i = pstw::everykind::item(pstw::ItemKind::Note, subject);
    i.html = "<html><body><img src=\"cid:pic@" + subject + "\"></body></html>";
    pstw::Attachment pic;
    pic.longFileName = "pic.png";
    pic.mimeTag = "image/png";
    pic.contentId = "pic@" + subject;
    pic.data = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    i.attachments = {pic};
    return i;
}

pstw::Mailbox EmbeddedDescription() {
    pstw::Item inner = EmbeddedLevel("inner");
    for (const char* outer : {"middle", "outer"}) {
        pstw::Item level = EmbeddedLevel(outer);
        pstw::Attachment a;
        a.method = 5; // ATTACH_EMBEDDED_MSG
        a.embedded = std::make_shared<pstw::Item>(inner);
        level.attachments.push_back(a);
        inner = level;
    }
    pstw::Mailbox m;
    pstw::Folder inbox{"Inbox"};
    inbox.items.push_back(inner);
    m.ipmSubtree.folders.push_back(inbox);
    return m;
}

SeedMailbox Write(pstw::Layout layout, uint8_t crypt, const pstw::Mailbox& description,
                  int entriesPerPage) {
    pstw::Options o;
    o.layout = layout;
    o.crypt = crypt;
    o.maxEntriesPerPage = entriesPerPage;
    o.maxEntriesPerInternalBlock = entriesPerPage ? 3 : 0;
    pstw::MailboxWriter w(o);
    SeedMailbox seed;
    seed.layout = layout;
    seed.crypt = crypt;
    seed.bytes = w.write(description);
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
                s.push_back(Write(layout, crypt, Description(false), 0));
        s.push_back(Write(pstw::Layout::Unicode, 1, Description(true), 0));
        s.push_back(Write(pstw::Layout::Ansi, 0, Description(false), 6));
        return s;
    }();
    return seeds;
}

const std::vector<SeedMailbox>& EmbeddedSeedMailboxes() {
    static const std::vector<SeedMailbox> seeds = [] {
        return std::vector<SeedMailbox>{Write(pstw::Layout::Unicode, 1, EmbeddedDescription(), 0),
                                        Write(pstw::Layout::Ansi, 0, EmbeddedDescription(), 0)};
    }();
    return seeds;
}

} // namespace ostrel::fuzz
