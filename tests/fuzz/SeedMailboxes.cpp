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
