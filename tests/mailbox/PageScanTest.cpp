// The two page scans of the open on generated files: the choice of the
// B-tree roots among competing intermediate pages (BIDs, entry counts, the
// smallest first key of the NBT, ANSI BIDs with the sign bit set) and the
// recovery of leaf entries: slots beyond cEnt, nodes whose folder is gone,
// and the entries that end a page's recovery.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "display/FolderList.h"
#include "mailbox/uPST64File.h"
#include "tests/engine/messaging/FileTimeBytes.h"
#include "tests/mailbox/OpenedMailbox.h"
#include "tools/pstwriter/PstDamage.h"
#include "tools/pstwriter/PstMailbox.h"

namespace {

using opened::OpenBytes;
using opened::TempPath;

using namespace pstw;

// Only the engine open and the root search, so that the chosen roots can be read.
std::unique_ptr<TPst64File> ScanRoots(const std::vector<uint8_t>& bytes) {
    std::string path = TempPath("ostrel-scan");
    writeFile(path, bytes);
    auto pst = TPst64File::Create();
    EXPECT_EQ(OpenPstFile(&pst->Engine, path), 0);
    pst->FindIndexRoots();
    std::remove(path.c_str());
    return pst;
}

Options Opts(Layout layout, int perPage = 0) {
    Options o;
    o.layout = layout;
    o.maxEntriesPerPage = perPage;
    return o;
}

Item Note(const std::string& subject) {
    Item item;
    item.subject = subject;
    return item;
}

// Enough nodes and blocks for B-trees of several levels when pages hold 4 entries.
Mailbox ThreeFolders() {
    Mailbox m;
    Folder inbox("Inbox"), sent("Sent Items"), sub("Sub");
    for (int i = 0; i < 5; ++i)
        inbox.items.push_back(Note("in " + std::to_string(i)));
    sent.items = {Note("sent")};
    sub.items = {Note("below 1"), Note("below 2")};
    inbox.folders = {sub};
    m.ipmSubtree.folders = {inbox, sent};
    return m;
}

size_t IdWidth(Layout layout) {
    return layout == Layout::Unicode ? 8 : 4;
}

uint64_t GetLe(const std::vector<uint8_t>& f, size_t at, size_t width) {
    uint64_t v = 0;
    for (size_t i = 0; i < width; ++i)
        v |= uint64_t(f[at + i]) << (8 * i);
    return v;
}

void PutLe(std::vector<uint8_t>& f, size_t at, uint64_t v, size_t width) {
    for (size_t i = 0; i < width; ++i)
        f[at + i] = uint8_t(v >> (8 * i));
}

// [MS-PST] 2.2.2.7.1: the trailer BID sits at 504 in both layouts.
void SetPageBid(std::vector<uint8_t>& f, Layout layout, uint64_t page, uint64_t bid) {
    PutLe(f, page + 504, bid, IdWidth(layout));
    resealPage(f, page, layout);
}

size_t MetaOffset(Layout layout) { // cEnt, then cEntMax
    return layout == Layout::Unicode ? 488 : 496;
}

const PageInfo* FindPage(const NdbWriter& w, bool nbt, int level, uint64_t notAt,
                         uint64_t firstKey = 0) {
    for (const PageInfo& p : w.pages())
        if (p.nbt == nbt && p.level == level && p.offset != notAt &&
            (firstKey == 0 || p.firstKey == firstKey) && p.entries >= 3)
            return &p;
    return nullptr;
}

class ScanBothLayouts : public ::testing::TestWithParam<Layout> {
protected:
    Layout L() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Layouts, ScanBothLayouts, ::testing::Values(Layout::Ansi, Layout::Unicode),
                         [](const auto& info) {
                             return info.param == Layout::Unicode ? "Unicode" : "Ansi";
                         });

TEST_P(ScanBothLayouts, FileUpToTheFirstMapPageEndsWithEmptyIndexes) {
    MailboxWriter writer(Opts(L()));
    std::vector<uint8_t> whole = writer.write(ThreeFolders());
    for (uint64_t size : {uint64_t(0x4400), uint64_t(0x4200), uint64_t(1024)}) {
        SCOPED_TRACE(size);
        std::vector<uint8_t> file = whole;
        truncateFile(file, size);
        auto pst = OpenBytes(file);
        EXPECT_EQ(pst->Engine.fUnicode, L() == Layout::Unicode ? 1 : 0); // from the header
        EXPECT_EQ(pst->Engine.ibBBT, 0);
        EXPECT_EQ(pst->Engine.bidBBT, 0u);
        EXPECT_EQ(pst->Engine.ibNBT, 0);
        EXPECT_EQ(pst->Engine.bidNBT, 0u);
        EXPECT_EQ(pst->Engine.cBlocks, 0u);
        EXPECT_EQ(pst->Engine.cNodes, 0u);
        EXPECT_FALSE(pst->Engine.pBlockIndex);
        EXPECT_FALSE(pst->Engine.pNodeFirst);
        EXPECT_FALSE(pst->CurrentObject);
        EXPECT_EQ(BuildFolderRows(*pst, "f.pst").size(), 1u);
    }
}

TEST_P(ScanBothLayouts, SingleLeafTreesAreFilledByTheRecoveryAlone) {
    Mailbox m;
    m.nameMap = false;
    MailboxWriter writer(Opts(L()));
    std::vector<uint8_t> file = writer.write(m);
    for (const PageInfo& p : writer.ndb().pages())
        ASSERT_EQ(p.level, 0) << "the mailbox no longer fits single leaf pages";
    ASSERT_NE(writer.ndb().nbtRoot().ib, 0u);

    auto scanned = ScanRoots(file);
    EXPECT_EQ(scanned->Engine.ibBBT, 0);
    EXPECT_EQ(scanned->Engine.bidBBT, 0u);
    EXPECT_EQ(scanned->Engine.ibNBT, 0);
    EXPECT_EQ(scanned->Engine.bidNBT, 0u);

    auto pst = OpenBytes(file);
    EXPECT_EQ(pst->Engine.cBlocks, writer.ndb().blocks().size());
    for (const BlockInfo& b : writer.ndb().blocks())
        EXPECT_TRUE(FindBlock(&pst->Engine, b.bid));
    for (const WrittenFolder& f : writer.folders())
        EXPECT_TRUE(FindNode(&pst->Engine, f.nid)) << f.path;
    ASSERT_TRUE(pst->CurrentObject);
    EXPECT_TRUE(pst->CurrentObject->StoreInfo);
    EXPECT_EQ(BuildFolderRows(*pst, "f.pst").size(), 3u); // Outlook, root folder, Top
}

// The name-to-ID map of a file whose BBT is one leaf page: its blocks are
// known only once the recovery has read that leaf, and the map must still be
// read, or named properties (an appointment's times) come under their
// stored IDs. Seen in an ANSI file written by Outlook.
TEST(ScanSingleLeaf, NamedPropertiesOfAnAnsiFileWithOneBbtLeafKeepTheirNames) {
    constexpr uint64_t kStart = 0x01C4860A0B5D4000ull; // 2004-08-19 18:30 UTC
    constexpr uint64_t kEnd = kStart + 36000000000ull; // an hour later
    Mailbox m;
    Folder calendar("Calendar", "IPF.Appointment");
    Item meeting;
    meeting.kind = ItemKind::Appointment;
    meeting.subject = "Olympus training";
    meeting.appointment = AppointmentInfo{};
    meeting.appointment->start = kStart;
    meeting.appointment->end = kEnd;
    meeting.appointment->location = "Room 4";
    calendar.items.push_back(meeting);
    m.ipmSubtree.folders.push_back(calendar);
    MailboxWriter writer(Opts(Layout::Ansi));
    std::vector<uint8_t> file = writer.write(m);
    for (const PageInfo& p : writer.ndb().pages())
        if (!p.nbt) {
            ASSERT_EQ(p.level, 0) << "the BBT no longer fits one leaf page";
        }
    ASSERT_EQ(ScanRoots(file)->Engine.ibBBT, 0);

    auto pst = OpenBytes(file);
    ASSERT_TRUE(pst->Engine.pNamedProps);
    ASSERT_EQ(writer.items().size(), 1u);
    tnodeentry* node = FindNode(&pst->Engine, writer.items()[0].nid);
    ASSERT_TRUE(node);
    std::unique_ptr<tpstmessage> item = BuildMessage(&pst->Engine, node, nullptr);
    ASSERT_TRUE(item && item->Appointment);
    EXPECT_EQ(item->Appointment->StartTime, FileTimeBytes(kStart));
    EXPECT_EQ(item->Appointment->EndTime, FileTimeBytes(kEnd));
    EXPECT_EQ(TextOf(item->Appointment->Location), "Room 4");
    EXPECT_FALSE(item->Contact); // LIDs taken for stored IDs fall on a contact's names
    FreeMessage(item);
}

// A later BBT page replaces the earlier choice only with a higher BID and a
// tree of at least as many entries.
TEST_P(ScanBothLayouts, LaterBlockRootNeedsHigherBidAndAsManyEntries) {
    MailboxWriter writer(Opts(L(), 4));
    std::vector<uint8_t> intact = writer.write(ThreeFolders());
    const Bref root = writer.ndb().bbtRoot();
    std::optional<uint64_t> free = freePageOffset(writer.ndb(), intact);
    ASSERT_TRUE(free);
    {
        auto pst = ScanRoots(intact);
        EXPECT_EQ(pst->Engine.ibBBT, int64_t(root.ib));
        EXPECT_EQ(pst->Engine.bidBBT, root.bid);
    }
    struct tcase {
        const char* what;
        uint64_t bid;
        int keep; // cEnt of the copy; 0 keeps it
        bool copyWins;
    } cases[] = {
        {"same BID", root.bid, 0, false},
        {"higher BID, same tree", root.bid + 0x400, 0, true},
        {"higher BID, fewer entries", root.bid + 0x400, 1, false},
        {"lower BID", 4, 0, false},
    };
    for (const tcase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> file = intact;
        copyPage(file, L(), root.ib, *free);
        if (c.keep) lowerEntryCount(file, L(), *free, c.keep);
        SetPageBid(file, L(), *free, c.bid);
        auto pst = ScanRoots(file);
        EXPECT_EQ(pst->Engine.ibBBT, int64_t(c.copyWins ? *free : root.ib));
        EXPECT_EQ(pst->Engine.bidBBT, c.copyWins ? c.bid : root.bid);
    }
}

// The NBT search keeps no count: a later page with the smallest first key
// and a higher BID wins even though its tree is only part of the NBT.
TEST_P(ScanBothLayouts, LaterNodeRootWinsOnBidAlone) {
    MailboxWriter writer(Opts(L(), 4));
    std::vector<uint8_t> file = writer.write(ThreeFolders());
    const Bref root = writer.ndb().nbtRoot();
    const PageInfo* part = FindPage(writer.ndb(), true, 1, root.ib, 0x21);
    ASSERT_TRUE(part) << "no second NBT level";
    std::optional<uint64_t> free = freePageOffset(writer.ndb(), file);
    ASSERT_TRUE(free);
    copyPage(file, L(), part->offset, *free);
    SetPageBid(file, L(), *free, root.bid + 0x400);
    auto pst = ScanRoots(file);
    EXPECT_EQ(pst->Engine.ibNBT, int64_t(*free));
    EXPECT_EQ(pst->Engine.bidNBT, root.bid + 0x400);
    // The recovery still brings back the nodes that tree does not reach.
    auto opened = OpenBytes(file);
    for (const WrittenItem& i : writer.items())
        EXPECT_TRUE(FindNode(&opened->Engine, i.nid)) << i.subject;
}

// Once a page with first key 0x21 was met, a page with a larger first key is
// never considered, whatever its BID.
TEST_P(ScanBothLayouts, NodeRootWithLargerFirstKeyIsNeverConsidered) {
    MailboxWriter writer(Opts(L(), 4));
    std::vector<uint8_t> file = writer.write(ThreeFolders());
    const Bref root = writer.ndb().nbtRoot();
    const PageInfo* later = nullptr;
    for (const PageInfo& p : writer.ndb().pages())
        if (p.nbt && p.level >= 1 && p.firstKey > 0x21) later = &p;
    ASSERT_TRUE(later) << "no NBT page with a larger first key";
    std::optional<uint64_t> free = freePageOffset(writer.ndb(), file);
    ASSERT_TRUE(free);
    copyPage(file, L(), later->offset, *free);
    SetPageBid(file, L(), *free, root.bid + 0x400);
    auto pst = ScanRoots(file);
    EXPECT_EQ(pst->Engine.ibNBT, int64_t(root.ib));
    EXPECT_EQ(pst->Engine.bidNBT, root.bid);
}

// The file is scanned in chunks on every core, but the roots are chosen as
// a reading from the first page to the last would: pages copied to the end
// of a file several MiB long, in chunks of their own and read by either
// thread, win or lose by the order they stand in.
TEST_P(ScanBothLayouts, RootsAreChosenInFileOrderWhereverTheScansChunksEnd) {
    MailboxWriter writer(Opts(L(), 4));
    std::vector<uint8_t> file = writer.write(ThreeFolders());
    const Bref bbt = writer.ndb().bbtRoot(), nbt = writer.ndb().nbtRoot();
    const PageInfo* larger = nullptr;
    for (const PageInfo& p : writer.ndb().pages())
        if (p.nbt && p.level >= 1 && p.firstKey > 0x21) larger = &p;
    const PageInfo* part = FindPage(writer.ndb(), true, 1, nbt.ib, 0x21);
    ASSERT_TRUE(larger && part);
    constexpr uint64_t kMiB = 1 << 20;
    const uint64_t end = (file.size() + kMiB - 1) / kMiB * kMiB;
    file.resize(end + 4 * kMiB, 0);
    // An NBT page of a larger first key is never chosen, since the root
    // (first key 0x21, near the start) was met before it. Of two copies with
    // the same higher BID, of the BBT root and of a part of the NBT with the
    // smallest first key, the first in the file wins.
    const uint64_t largerAt = end + kMiB / 2 + 512, bbtAt = end + kMiB + 4096,
                   partAt = end + 2 * kMiB + 1024, bbtAgainAt = end + 3 * kMiB + 4096,
                   partAgainAt = end + 3 * kMiB + kMiB / 2;
    copyPage(file, L(), larger->offset, largerAt);
    SetPageBid(file, L(), largerAt, nbt.bid + 0x800);
    for (uint64_t at : {partAt, partAgainAt}) {
        copyPage(file, L(), part->offset, at);
        SetPageBid(file, L(), at, nbt.bid + 0x400);
    }
    for (uint64_t at : {bbtAt, bbtAgainAt}) {
        copyPage(file, L(), bbt.ib, at);
        SetPageBid(file, L(), at, bbt.bid + 0x400);
    }
    auto pst = ScanRoots(file);
    EXPECT_EQ(pst->Engine.ibBBT, int64_t(bbtAt));
    EXPECT_EQ(pst->Engine.bidBBT, bbt.bid + 0x400);
    EXPECT_EQ(pst->Engine.ibNBT, int64_t(partAt));
    EXPECT_EQ(pst->Engine.bidNBT, nbt.bid + 0x400);
    // The leaf pages the recovery reads are all there, in file order, so
    // every item comes back through the partial NBT.
    auto opened = OpenBytes(file);
    for (const WrittenItem& i : writer.items())
        EXPECT_TRUE(FindNode(&opened->Engine, i.nid)) << i.subject;
}

// In the ANSI layout a trailer BID of 0x80000000 or more is negative once
// widened, so it cannot beat a positive best; a positive higher one can.
TEST(RootSearchAnsi, BidWithTheSignBitCannotBeatAPositiveBest) {
    MailboxWriter writer(Opts(Layout::Ansi, 4));
    std::vector<uint8_t> intact = writer.write(ThreeFolders());
    std::optional<uint64_t> free = freePageOffset(writer.ndb(), intact);
    ASSERT_TRUE(free);
    for (bool nbt : {false, true}) {
        const Bref root = nbt ? writer.ndb().nbtRoot() : writer.ndb().bbtRoot();
        for (uint64_t bid : {uint64_t(0x80000000), uint64_t(0xFFFFFFF0), root.bid + 0x400}) {
            SCOPED_TRACE(testing::Message() << (nbt ? "NBT " : "BBT ") << std::hex << bid);
            std::vector<uint8_t> file = intact;
            copyPage(file, Layout::Ansi, root.ib, *free);
            SetPageBid(file, Layout::Ansi, *free, bid);
            auto pst = ScanRoots(file);
            const bool copyWins = bid < 0x80000000;
            int64_t ib = nbt ? pst->Engine.ibNBT : pst->Engine.ibBBT;
            uint64_t chosen = nbt ? pst->Engine.bidNBT : pst->Engine.bidBBT;
            EXPECT_EQ(ib, int64_t(copyWins ? *free : root.ib));
            EXPECT_EQ(chosen, copyWins ? bid : root.bid);
        }
    }
}

// cEnt lowered to 1 on every leaf: the walks load one entry a leaf, the
// recovery reads the old slots up to cEntMax and brings back the rest.
TEST_P(ScanBothLayouts, SlotsBeyondCEntAreRecovered) {
    MailboxWriter writer(Opts(L(), 4));
    std::vector<uint8_t> file = writer.write(ThreeFolders());
    for (const PageInfo& p : writer.ndb().pages())
        if (p.level == 0) lowerEntryCount(file, L(), p.offset, 1);
    auto pst = OpenBytes(file);
    for (const BlockInfo& b : writer.ndb().blocks())
        EXPECT_TRUE(FindBlock(&pst->Engine, b.bid)) << b.bid;
    for (const WrittenItem& i : writer.items())
        EXPECT_TRUE(FindNode(&pst->Engine, i.nid)) << i.subject;
    std::vector<tfolderrow> rows = BuildFolderRows(*pst, "f.pst");
    std::vector<std::string> captions;
    for (const tfolderrow& r : rows)
        captions.push_back(r.Caption);
    EXPECT_NE(std::find(captions.begin(), captions.end(), "Inbox(5)"), captions.end());
    EXPECT_NE(std::find(captions.begin(), captions.end(), "Sub(2)"), captions.end());
    EXPECT_NE(std::find(captions.begin(), captions.end(), "Sent Items(1)"), captions.end());
}

// One leaf's later slots, spoilt as a test says, with cEnt 1 so that only
// the recovery reads them. Returns the page offset.
struct tleaf {
    uint64_t offset;
    std::vector<uint64_t> keys; // BID or NID of each of the first three slots
};

tleaf PrepareLeaf(std::vector<uint8_t>& file, const NdbWriter& w, bool nbt, int entries = 1) {
    const Layout layout = w.options().layout;
    const PageInfo* p = FindPage(w, nbt, 0, ~0ull);
    if (!p) return {0, {}};
    const size_t entry = nbt ? 4 * IdWidth(layout) : (layout == Layout::Unicode ? 24 : 12);
    tleaf leaf{p->offset, {}};
    for (size_t i = 0; i < 3; ++i)
        leaf.keys.push_back(GetLe(file, p->offset + i * entry, IdWidth(layout)));
    lowerEntryCount(file, layout, p->offset, entries);
    return leaf;
}

size_t Slot(Layout layout, bool nbt, size_t i) {
    return i * (nbt ? 4 * IdWidth(layout) : (layout == Layout::Unicode ? 24 : 12));
}

TEST_P(ScanBothLayouts, BlockRecoveryStopsAtBidZeroAndAtOffsetsBeyondTheFile) {
    MailboxWriter writer(Opts(L(), 4));
    const std::vector<uint8_t> intact = writer.write(ThreeFolders());
    const size_t w = IdWidth(L());
    struct tcase {
        const char* what;
        int field;      // 0 BID, 1 offset
        int64_t value;  // offsets relative to the file size
        bool laterBack; // slots 1 and 2 come back
    } cases[] = {
        {"BID 0", 0, 0, false},
        {"offset beyond the end", 1, 512, false},
        {"offset at the end", 1, 0, true},
    };
    for (const tcase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> file = intact;
        tleaf leaf = PrepareLeaf(file, writer.ndb(), false);
        ASSERT_EQ(leaf.keys.size(), 3u);
        const size_t at = leaf.offset + Slot(L(), false, 1) + c.field * w;
        PutLe(file, at, c.field == 0 ? 0 : uint64_t(int64_t(file.size()) + c.value), w);
        resealPage(file, leaf.offset, L());
        auto pst = OpenBytes(file);
        EXPECT_TRUE(FindBlock(&pst->Engine, leaf.keys[0]));
        if (c.field == 1) {
            EXPECT_EQ(FindBlock(&pst->Engine, leaf.keys[1]) != nullptr, c.laterBack);
        }
        EXPECT_EQ(FindBlock(&pst->Engine, leaf.keys[2]) != nullptr, c.laterBack);
    }
}

// The recovery takes the entries the walk indexed from a leaf as found
// without looking them up, but such an entry still ends the page where its
// offset lies beyond the file: the slots after it stay unread.
TEST_P(ScanBothLayouts, WalkedEntryBeyondTheFileEndsThePageAsBefore) {
    MailboxWriter writer(Opts(L(), 4));
    const std::vector<uint8_t> intact = writer.write(ThreeFolders());
    const size_t w = IdWidth(L());
    for (const bool beyond : {true, false}) {
        SCOPED_TRACE(beyond ? "offset beyond the end" : "offset at the end");
        std::vector<uint8_t> file = intact;
        tleaf leaf = PrepareLeaf(file, writer.ndb(), false, 2); // slots 0 and 1 walked
        ASSERT_EQ(leaf.keys.size(), 3u);
        const size_t at = leaf.offset + Slot(L(), false, 1) + w;
        PutLe(file, at, file.size() + (beyond ? 512 : 0), w);
        resealPage(file, leaf.offset, L());
        auto pst = OpenBytes(file);
        EXPECT_TRUE(FindBlock(&pst->Engine, leaf.keys[0]));
        EXPECT_TRUE(FindBlock(&pst->Engine, leaf.keys[1])); // the walk's own
        EXPECT_EQ(FindBlock(&pst->Engine, leaf.keys[2]) != nullptr, !beyond);
    }
}

TEST_P(ScanBothLayouts, NodeRecoveryStopsOnlyAtAnAllZeroEntry) {
    MailboxWriter writer(Opts(L(), 4));
    const std::vector<uint8_t> intact = writer.write(ThreeFolders());
    const size_t w = IdWidth(L());
    for (bool allZero : {true, false}) {
        SCOPED_TRACE(allZero ? "all four fields 0" : "NID 0 alone");
        std::vector<uint8_t> file = intact;
        tleaf leaf = PrepareLeaf(file, writer.ndb(), true);
        ASSERT_EQ(leaf.keys.size(), 3u);
        const size_t at = leaf.offset + Slot(L(), true, 1);
        std::fill_n(file.begin() + at, allZero ? 4 * w : w, 0);
        resealPage(file, leaf.offset, L());
        auto pst = OpenBytes(file);
        EXPECT_TRUE(FindNode(&pst->Engine, leaf.keys[0]));
        EXPECT_EQ(FindNode(&pst->Engine, leaf.keys[1]) != nullptr, false);
        EXPECT_EQ(FindNode(&pst->Engine, leaf.keys[2]) != nullptr, !allZero);
    }
}

// cEntMax may claim more slots than a page holds; the recovery reads the
// page's own entry area only.
TEST_P(ScanBothLayouts, ClaimedEntryCapacityBeyondThePageIsCapped) {
    MailboxWriter writer(Opts(L(), 4));
    std::vector<uint8_t> file = writer.write(ThreeFolders());
    for (const PageInfo& p : writer.ndb().pages())
        if (p.level == 0) {
            file[p.offset + MetaOffset(L()) + 1] = 0xFF;
            lowerEntryCount(file, L(), p.offset, 1);
        }
    auto pst = OpenBytes(file);
    for (const WrittenItem& i : writer.items())
        EXPECT_TRUE(FindNode(&pst->Engine, i.nid)) << i.subject;
    EXPECT_TRUE(pst->CurrentObject);
}

// A folder's NBT entry gone from every page: its items and its subfolder
// come back through their own leaf entries; their parent is not there, so
// the open gathers them under "Orphaned items", the last row of the list.
TEST_P(ScanBothLayouts, ItemsOfAVanishedFolderAreGatheredAsOrphans) {
    MailboxWriter writer(Opts(L(), 4));
    std::vector<uint8_t> file = writer.write(ThreeFolders());
    const uint32_t inbox = writer.folder("Top of Personal Folders/Inbox")->nid;
    std::optional<uint64_t> free = freePageOffset(writer.ndb(), file);
    ASSERT_TRUE(free);
    ASSERT_TRUE(orphanNode(file, writer.ndb(), inbox, *free));
    overwritePage(file, *free, 0); // and no old copy of its leaf either
    auto pst = OpenBytes(file);
    EXPECT_FALSE(FindNode(&pst->Engine, inbox));
    tnodeentry* orphans = pst->OrphanedItems();
    ASSERT_TRUE(orphans);
    EXPECT_FALSE(orphans->pParent);
    EXPECT_EQ(pst->Engine.pNodeLast, orphans);
    for (const WrittenItem& i : writer.items()) {
        if (i.folderNid != inbox) continue;
        tnodeentry* node = FindNode(&pst->Engine, i.nid);
        ASSERT_TRUE(node) << i.subject;
        EXPECT_EQ(node->pParent, orphans);
        EXPECT_FALSE(pst->IsRecovered(node)) << "live entries of a live leaf";
    }
    tnodeentry* sub =
        FindNode(&pst->Engine, writer.folder("Top of Personal Folders/Inbox/Sub")->nid);
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->pParent, orphans);

    std::vector<tfolderrow> rows = BuildFolderRows(*pst, "f.pst");
    ASSERT_GE(rows.size(), 3u);
    const tfolderrow& gathered = rows[rows.size() - 2];
    EXPECT_EQ(gathered.Caption, "Orphaned items(5)");
    EXPECT_EQ(gathered.Path, "f.pst\\Orphaned items");
    EXPECT_EQ(gathered.Depth, 1);
    EXPECT_EQ(rows.back().Node, sub);
    EXPECT_EQ(rows.back().Caption, "Sub(2)");
    EXPECT_EQ(rows.back().Path, "f.pst\\Orphaned items\\Sub");
    EXPECT_EQ(rows.back().Depth, 2);
    for (const tfolderrow& r : rows)
        EXPECT_EQ(r.Caption.rfind("Inbox", 0), std::string::npos);
}

// The same folder entry kept only in an old copy of its leaf: the recovery
// brings the folder back and it adopts its items again.
TEST_P(ScanBothLayouts, FolderKeptOnlyInAnOldLeafCopyComesBackWithItsItems) {
    MailboxWriter writer(Opts(L(), 4));
    std::vector<uint8_t> file = writer.write(ThreeFolders());
    const uint32_t inbox = writer.folder("Top of Personal Folders/Inbox")->nid;
    std::optional<uint64_t> free = freePageOffset(writer.ndb(), file);
    ASSERT_TRUE(free);
    ASSERT_TRUE(orphanNode(file, writer.ndb(), inbox, *free));
    auto pst = OpenBytes(file);
    tnodeentry* node = FindNode(&pst->Engine, inbox);
    ASSERT_TRUE(node);
    EXPECT_EQ(node->pParent, FindNode(&pst->Engine, kNidIpmSubtree));
    // The old copy lies in space the allocation map marks free: a deleted entry.
    EXPECT_TRUE(pst->IsRecovered(node));
    std::vector<tfolderrow> rows = BuildFolderRows(*pst, "f.pst");
    auto row =
        std::find_if(rows.begin(), rows.end(), [&](const tfolderrow& r) { return r.Node == node; });
    ASSERT_NE(row, rows.end());
    EXPECT_EQ(row->Caption, "Inbox(5)");
    EXPECT_EQ(row->Path, "f.pst\\\\Top of Personal Folders\\Inbox");
}

} // namespace
