// Files that cross one of the engine's limits: each opens, the structure that
// crosses the limit gives its failure result (no value, no rows, no object, no
// deeper folders), and every other folder and message reads as written.
#include <algorithm>
#include <filesystem>
#include <span>
#include <unistd.h>

#include <gtest/gtest.h>

#include "display/FolderList.h"
#include "engine/ndb/SubnodeTree.h"
#include "support/LittleEndian.h"
#include "tools/pstwriter/PstMailbox.h"
#include "tools/pstwriter/PstPropContext.h"
#include "tools/pstwriter/PstTableContext.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kHostileNid = (0x30000 << 5) | 4;
constexpr uint16_t kInflatedCb = 0xFFFF;
constexpr size_t kUnicodeBtEntry = 24; // key and BREF of an intermediate page
// Where a BBT leaf page keeps cEnt, how long its entries are and where an
// entry's cb lies, per layout ([MS-PST] 2.2.2.7.7.3).
struct BbtLeaf {
    size_t cEnt, entry, cb, id;
};
constexpr BbtLeaf kUnicodeLeaf{488, 24, 16, 8}, kAnsiLeaf{496, 12, 8, 4};

// A mailbox of two folders with ordinary messages, to which each test adds
// one hostile node (or damage) before the file is laid out again.
class LimitsTest : public ::testing::Test {
protected:
    LimitsTest() : writer_(Options()) {}

    static pstw::Options Options(int entriesPerPage = 0,
                                 pstw::Layout layout = pstw::Layout::Unicode) {
        pstw::Options o;
        o.layout = layout;
        o.crypt = 1;
        o.maxEntriesPerPage = entriesPerPage;
        return o;
    }

    static pstw::Mailbox Base() {
        pstw::Mailbox m;
        pstw::Folder inbox{"Inbox"};
        pstw::Item mail;
        mail.subject = "Intact one";
        mail.body = "Body one";
        mail.recipients = {{"Bob", "bob@example.com", "SMTP", 1}};
        pstw::Attachment a;
        a.longFileName = "a.txt";
        a.data = {'a', 'b', 'c'};
        mail.attachments = {a};
        inbox.items.push_back(mail);
        pstw::Folder sent{"Sent"};
        pstw::Item other;
        other.subject = "Intact two";
        sent.items.push_back(other);
        m.ipmSubtree.folders = {inbox, sent};
        return m;
    }

    void Write(pstw::Mailbox m = Base()) {
        writer_.write(m);
        for (const pstw::WrittenFolder& f : writer_.folders())
            if (f.path == "Inbox" || f.path.ends_with("/Inbox")) inbox_ = f.nid;
        ASSERT_NE(inbox_, 0u);
    }

    pstw::NdbWriter& Ndb() { return writer_.ndb(); }
    const BbtLeaf& Leaf() { return Ndb().unicode() ? kUnicodeLeaf : kAnsiLeaf; }

    // ANSI files list twice as many blocks per XBLOCK (4-byte BIDs), so that
    // blocks of 64 KB add up to more than any data tree cap.
    void UseAnsi() { writer_ = pstw::MailboxWriter(Options(0, pstw::Layout::Ansi)); }

    // A message under the Inbox made of `props`; `swap` replaces the data of
    // the subnodes its large values went to.
    void AddMessage(std::vector<pstw::Prop> props, pstw::SubnodeSet extra = {}, uint64_t swap = 0) {
        props.push_back(pstw::Prop::str(0x001A, "IPM.Note"));
        props.push_back(pstw::Prop::str(0x0037, "Hostile"));
        pstw::SubnodeSet subs;
        const uint64_t pc = pstw::writePropertyContext(Ndb(), std::move(props), subs);
        for (pstw::SubnodeRef ref : subs.refs()) {
            if (swap) ref.bidData = swap;
            extra.add(ref);
        }
        Ndb().addNode(kHostileNid, pc, extra.empty() ? 0 : extra.write(Ndb()), inbox_);
    }

    // A data block whose BBT entry is made to claim 64 KB, so that a data
    // tree of it grows past a limit without a file of that size.
    uint64_t AddInflatableBlock() {
        inflate_ = Ndb().addBlock(Bytes(Ndb().maxBlockData(), 0x5A));
        return inflate_;
    }

    // An XBLOCK listing `bid` `count` times, after `first` when one is given.
    uint64_t AddRepeatingXBlock(uint64_t bid, size_t count, uint64_t first = 0) {
        const size_t width = Leaf().id;
        Bytes x(8 + width * count);
        x[0] = 1;
        x[1] = 1;
        x[2] = uint8_t(count);
        x[3] = uint8_t(count >> 8);
        for (size_t i = 0; i < count; ++i)
            for (size_t b = 0; b < width; ++b)
                x[8 + width * i + b] = uint8_t((i == 0 && first ? first : bid) >> (8 * b));
        return Ndb().addInternalBlock(x);
    }

    Bytes Finish() {
        Bytes file = Ndb().finish();
        if (inflate_) Inflate(file);
        return file;
    }

    void Inflate(Bytes& file) {
        for (const pstw::PageInfo& p : Ndb().pages()) {
            if (p.nbt || p.level != 0) continue;
            for (int e = 0; e < file[p.offset + Leaf().cEnt]; ++e) {
                uint8_t* entry = file.data() + p.offset + e * Leaf().entry;
                uint64_t bid = 0;
                for (size_t b = 0; b < Leaf().id; ++b)
                    bid |= uint64_t(entry[b]) << (8 * b);
                if (bid != inflate_) continue;
                entry[Leaf().cb] = uint8_t(kInflatedCb);
                entry[Leaf().cb + 1] = uint8_t(kInflatedCb >> 8);
                pstw::resealPage(file, p.offset, Ndb().options().layout);
                ASSERT_LT(Ndb().block(bid)->offset + kInflatedCb, file.size());
                return;
            }
        }
        FAIL() << "no BBT entry for the inflated block";
    }

    // Opens `file` and checks that the folders and messages of Base() read as written.
    void OpenIntact(const Bytes& file) {
        path_ = (fs::temp_directory_path() / ("ostrel-limits-" + std::to_string(getpid()) + ".pst"))
                    .string();
        pstw::writeFile(path_, file);
        pst_.Open(path_);
        rows_ = BuildFolderRows(pst_, path_);
        for (const char* name : {"Inbox", "Sent"})
            EXPECT_TRUE(std::any_of(rows_.begin(), rows_.end(), [&](const tfolderrow& r) {
                return r.Path.ends_with(name);
            })) << name;
        for (const pstw::WrittenItem& item : writer_.items()) {
            std::unique_ptr<tpstmessage> m = Build(item.nid);
            ASSERT_TRUE(m && m->MailInfo && m->MailInfo->Subject) << item.subject;
            EXPECT_EQ(TextOf(m->MailInfo->Subject->Text), item.subject);
            if (item.subject == "Intact one") {
                EXPECT_EQ(TextOf(m->MailInfo->Body), "Body one");
                EXPECT_EQ(Elements(*m), 2);
            }
        }
    }

    std::unique_ptr<tpstmessage> Build(uint64_t nid) {
        tnodeentry* node = FindNode(&pst_.Engine, nid);
        return node ? BuildMessage(&pst_.Engine, node) : nullptr;
    }

    // Every entry of a subnode tree, nested lists included.
    static uint64_t CountEntries(const tsubnodeentry* list) {
        uint64_t n = 0;
        for (const tsubnodeentry* e = list; e; e = e->pNext.get())
            n += 1 + CountEntries(e->pChildren.get());
        return n;
    }

    static int Elements(const tpstmessage& m) {
        int n = 0;
        for (const tattachment* a = m.Attachments.get(); a; a = a->Next.get())
            ++n;
        return n;
    }

    void TearDown() override {
        if (!path_.empty()) fs::remove(path_);
    }

    pstw::MailboxWriter writer_;
    uint32_t inbox_ = 0;
    uint64_t inflate_ = 0;
    std::string path_;
    TPst64File pst_;
    std::vector<tfolderrow> rows_;
};

// 1100 blocks of 64 KB: a data tree above kMaxDataTreeBytes.
TEST_F(LimitsTest, DataTreeAboveTheCapIsAValueNotRead) {
    UseAnsi();
    Write();
    const uint64_t tree = AddRepeatingXBlock(AddInflatableBlock(), 1100);
    AddMessage({pstw::Prop::str(0x1000, std::string(4000, 'b'))}, {}, tree);
    OpenIntact(Finish());
    std::unique_ptr<tpstmessage> m = Build(kHostileNid);
    ASSERT_TRUE(m && m->MailInfo && m->MailInfo->Subject);
    EXPECT_EQ(TextOf(m->MailInfo->Subject->Text), "Hostile");
    // An unreadable subnode value is kept without its bytes: no body text.
    EXPECT_EQ(TextOf(m->MailInfo->Body), "");
}

TEST_F(LimitsTest, HeapAboveTheCapIsAnObjectNotRead) {
    UseAnsi();
    Write();
    // A readable PC heap page first: only the page total is wrong.
    pstw::SubnodeSet none;
    const uint64_t pc = pstw::writePropertyContext(
        Ndb(), {pstw::Prop::str(0x001A, "IPM.Note"), pstw::Prop::str(0x0037, "Paged")}, none);
    const uint64_t heap = AddRepeatingXBlock(AddInflatableBlock(), 1100, pc);
    AddMessage({});
    OpenIntact([&] {
        Ndb().addNode(kHostileNid + 32, heap, 0, inbox_);
        return Finish();
    }());
    EXPECT_TRUE(Build(kHostileNid));
    EXPECT_FALSE(Build(kHostileNid + 32));
}

// Five values of 58 MB each: every one under the data tree cap, together
// above kMaxContextValueBytes.
TEST_F(LimitsTest, ContextValuesAboveTheBudgetMakeTheObjectUnreadable) {
    Write();
    const uint64_t tree = AddRepeatingXBlock(AddInflatableBlock(), 900);
    std::vector<pstw::Prop> props;
    for (uint16_t id = 0x6700; id < 0x6705; ++id)
        props.push_back(pstw::Prop::bin(id, Bytes(4000, uint8_t(id))));
    AddMessage(props, {}, tree);
    OpenIntact(Finish());
    EXPECT_FALSE(Build(kHostileNid));
}

TEST_F(LimitsTest, AttachmentExpansionAboveTheCapLeavesTheDataAsStored) {
    pstw::Mailbox m = Base();
    pstw::Item item;
    item.subject = "Hostile attachment";
    pstw::Attachment a;
    a.longFileName = "tree.bin";
    const uint32_t size = uint32_t(ostrel::limits::kMaxExpandedAttachmentBytes + 1);
    a.data = {0x01,
              0x02,
              0x01,
              0x00,
              uint8_t(size),
              uint8_t(size >> 8),
              uint8_t(size >> 16),
              uint8_t(size >> 24),
              0x02,
              0x01,
              0,
              0,
              0,
              0,
              0,
              0};
    item.attachments = {a};
    m.ipmSubtree.folders[1].items.push_back(item);
    Write(m);
    OpenIntact(Finish());
    const uint32_t nid = writer_.items().back().nid;
    std::unique_ptr<tpstmessage> object = Build(nid);
    ASSERT_TRUE(object && object->Attachments && object->Attachments->Data);
    EXPECT_EQ(Bytes(object->Attachments->Data->begin(), object->Attachments->Data->end()), a.data);
}

// 4300 rows of 250 columns: more cells than kMaxTableCells.
TEST_F(LimitsTest, TableAboveTheCellCapHasNoRows) {
    Write();
    std::vector<pstw::Column> columns;
    for (uint16_t id = 0x6000; id < 0x6000 + 250; ++id)
        columns.push_back({id, pstw::kPtypInteger32});
    std::vector<pstw::TableRow> rows(4300);
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].rowId = uint32_t(i + 1);
    pstw::SubnodeSet subs;
    const uint64_t table = pstw::writeTableContext(Ndb(), columns, rows, subs);
    subs.add({pstw::kNidRecipientTable, table});
    AddMessage({}, subs);
    OpenIntact(Finish());
    std::unique_ptr<tpstmessage> m = Build(kHostileNid);
    ASSERT_TRUE(m && m->MailInfo && m->MailInfo->Subject);
    EXPECT_EQ(TextOf(m->MailInfo->Subject->Text), "Hostile");
    EXPECT_EQ(Elements(*m), 0);
}

TEST_F(LimitsTest, RowIndexDeeperThanTheCapHasNoRows) {
    Write();
    pstw::SubnodeSet subs;
    pstw::TcResult tc = pstw::buildTableContext(Ndb(), {{0x3001, pstw::kPtypInteger32}},
                                                {pstw::TableRow{1, {}}}, subs);
    tc.heap.at(tc.layout.hidRowIndex)[3] = uint8_t(ostrel::limits::kMaxBthIndexLevels + 1);
    subs.add({pstw::kNidRecipientTable, tc.heap.write(Ndb())});
    AddMessage({}, subs);
    OpenIntact(Finish());
    std::unique_ptr<tpstmessage> m = Build(kHostileNid);
    ASSERT_TRUE(m && m->MailInfo);
    EXPECT_EQ(Elements(*m), 0);
}

// An index node of 16 records that all name the node itself, eight levels
// deep: 16^8 records to walk unless kMaxBthIndexRecords stops the count.
TEST_F(LimitsTest, RowIndexThatNamesItselfStopsAtTheRecordBudget) {
    Write();
    std::vector<pstw::TableRow> rows(256);
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].rowId = uint32_t(i + 1);
    pstw::SubnodeSet subs;
    pstw::TcOptions options;
    options.maxRowIndexRecordsPerNode = 16;
    pstw::TcResult tc =
        pstw::buildTableContext(Ndb(), {{0x3001, pstw::kPtypInteger32}}, rows, subs, options);
    ASSERT_EQ(tc.layout.rowIndexLevels, 1);
    std::span<uint8_t> header = tc.heap.at(tc.layout.hidRowIndex);
    header[3] = uint8_t(ostrel::limits::kMaxBthIndexLevels);
    const uint32_t root = LoadU32(header.data() + 4);
    std::span<uint8_t> index = tc.heap.at(root);
    ASSERT_EQ(index.size(), 16u * 8);
    for (size_t record = 0; record < 16; ++record)
        for (int b = 0; b < 4; ++b)
            index[record * 8 + 4 + b] = uint8_t(root >> (8 * b));
    subs.add({pstw::kNidRecipientTable, tc.heap.write(Ndb())});
    AddMessage({}, subs);
    OpenIntact(Finish());
    std::unique_ptr<tpstmessage> m = Build(kHostileNid);
    ASSERT_TRUE(m && m->MailInfo && m->MailInfo->Subject);
    EXPECT_EQ(TextOf(m->MailInfo->Subject->Text), "Hostile");
    EXPECT_EQ(Elements(*m), 0);
}

// An SLBLOCK whose four entries each name the SLBLOCK itself as their
// subnodes: nesting cut at kMaxSubnodeDepth, and the 4^17 entries that
// nesting still allows cut at kMaxSubnodeEntries.
TEST_F(LimitsTest, SubnodeListThatContainsItselfStopsAtTheDepthCap) {
    Write();
    // BIDs are handed out in order: the probe, the message's PC, then its SLBLOCK.
    const uint64_t probe = Ndb().addBlock(Bytes(16, 1));
    const uint64_t nextInternal = probe + 8 + 2;
    pstw::SubnodeSet subs;
    for (uint32_t nid : {0x3F, 0x5F, 0x7F, 0x9F})
        subs.add({nid, probe, nextInternal});
    AddMessage({}, subs);
    ASSERT_TRUE(Ndb().block(nextInternal));
    OpenIntact(Finish());
    std::unique_ptr<tpstmessage> m = Build(kHostileNid);
    ASSERT_TRUE(m && m->MailInfo && m->MailInfo->Subject);
    EXPECT_EQ(TextOf(m->MailInfo->Subject->Text), "Hostile");
    tnodeentry* node = FindNode(&pst_.Engine, kHostileNid);
    ASSERT_TRUE(node && node->pSubBlock);
    std::unique_ptr<tsubnodeentry> tree = BuildSubnodeTree(&pst_.Engine, node->pSubBlock);
    EXPECT_EQ(CountEntries(tree.get()), ostrel::limits::kMaxSubnodeEntries);
}

// The NBT root's last child names the root again: a cycle that the walk cuts
// at kMaxBTreeDepth, and the nodes behind it are recovered from their leaves.
TEST_F(LimitsTest, BTreePageThatNamesItsAncestorStopsAtTheDepthCap) {
    writer_ = pstw::MailboxWriter(Options(4));
    Write();
    Bytes file = Finish();
    const pstw::Bref root = Ndb().nbtRoot();
    const pstw::PageInfo* page = nullptr;
    for (const pstw::PageInfo& p : Ndb().pages())
        if (p.offset == root.ib) page = &p;
    ASSERT_TRUE(page && page->level > 0 && page->entries >= 2);
    uint8_t* last = file.data() + root.ib + (page->entries - 1) * kUnicodeBtEntry;
    for (int b = 0; b < 8; ++b) {
        last[8 + b] = uint8_t(root.bid >> (8 * b));
        last[16 + b] = uint8_t(root.ib >> (8 * b));
    }
    pstw::resealPage(file, root.ib, pstw::Layout::Unicode);
    OpenIntact(file);
}

// An entry stream of more records than a 16-bit wPropIdx can name.
TEST_F(LimitsTest, NameMapBeyondTheCapKeepsTheFirstRecords) {
    pstw::Mailbox m = Base();
    m.nameMap = false;
    Write(m);
    const size_t records = ostrel::limits::kMaxNamedProperties + 100;
    Bytes entries(8 * records);
    for (size_t i = 0; i < records; ++i) {
        const uint32_t lid = uint32_t(0x10000 + i);
        const uint8_t record[8] = {uint8_t(lid),
                                   uint8_t(lid >> 8),
                                   uint8_t(lid >> 16),
                                   uint8_t(lid >> 24),
                                   2, // wGuid 1 (PS_MAPI), numeric
                                   0,
                                   uint8_t(i),
                                   uint8_t(i >> 8)};
        std::copy(record, record + 8, entries.begin() + std::ptrdiff_t(8 * i));
    }
    pstw::SubnodeSet subs;
    const uint64_t pc = pstw::writePropertyContext(Ndb(),
                                                   {pstw::Prop::bin(0x0002, Bytes(16, 0)),
                                                    pstw::Prop::bin(0x0003, entries),
                                                    pstw::Prop::bin(0x0004, Bytes(4, 0))},
                                                   subs);
    Ndb().addNode(0x61, pc, subs.write(Ndb()), 0);
    OpenIntact(Finish());
    size_t loaded = 0;
    for (const tnamedpropentry* e = pst_.Engine.pNamedProps.get(); e; e = e->pNext.get())
        ++loaded;
    EXPECT_EQ(loaded, ostrel::limits::kMaxNamedProperties);
}

TEST_F(LimitsTest, FoldersDeeperThanTheCapAreNotListed) {
    pstw::Mailbox m = Base();
    pstw::Folder deepest{"Level"};
    for (int i = 0; i < ostrel::limits::kMaxFolderDepth + 40; ++i) {
        pstw::Folder up{"Level"};
        up.folders.push_back(std::move(deepest));
        deepest = std::move(up);
    }
    m.ipmSubtree.folders.push_back(std::move(deepest));
    Write(m);
    OpenIntact(Finish());
    int deepestRow = 0;
    for (const tfolderrow& r : rows_)
        deepestRow = std::max(deepestRow, r.Depth);
    EXPECT_GT(deepestRow, ostrel::limits::kMaxFolderDepth / 2);
    EXPECT_LE(deepestRow, ostrel::limits::kMaxFolderDepth + 1);
}

} // namespace
