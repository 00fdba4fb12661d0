// Table contexts: rows in reverse order, row counts from the row index (with
// and without index levels), absent cells, row matrices in the heap and in
// subnodes, and a large table spread over several data blocks. Every table
// is also read with its HNID cells left unread (ReadDeferredTable), which
// must give the same rows once each cell is read.
#include "tests/engine/ltp/LtpImage.h"

#include <tuple>

#include "engine/ltp/DeferredContext.h"

using namespace ltpimg;

namespace {

// A TC heap in one page: the caller has added the row matrix and any values;
// this adds the row index and TCINFO.
bytes FinishTc(HeapPage& page, const std::vector<TcColumn>& cols, uint16_t width,
               const bytes& rowIds, uint32_t hnidRows, bool unicode, uint8_t typeKeyHigh = 4) {
    uint32_t rowRoot = page.Add(rowIds);
    uint32_t rowIndex = page.Add(BthHeader(typeKeyHigh, unicode ? 4 : 2, 0, rowRoot));
    uint32_t info = page.Add(TcInfo(cols, width, rowIndex, hnidRows));
    page.Header(0x7C, info);
    return page.Build();
}

class TableContext : public ::testing::TestWithParam<std::tuple<bool, int>> {
protected:
    bool unicode() const { return std::get<0>(GetParam()); }
    LtpFile f{std::get<0>(GetParam()), uint8_t(std::get<1>(GetParam()))};
    std::unique_ptr<tsubnodeentry> subnodes;

    std::unique_ptr<tpropset> Read() {
        auto sets = ReadContext(&f.file, subnodes.get(), nullptr, 0x40);
        ExpectTheDeferredReadAgrees(sets.get());
        return sets;
    }

    static bool SameValue(const tpropvalue* a, const tpropvalue* b) {
        if (!a || !b) return a == b;
        return a->Tag == b->Tag && a->Type == b->Type && a->Size == b->Size && a->Data == b->Data &&
               a->Name == b->Name && a->ObjectNid == b->ObjectNid;
    }

    // The deferred read is unreadable exactly where ReadContext gives no
    // rows; else it has the same sets and slots, and each unread cell, once
    // read, is ReadContext's value.
    void ExpectTheDeferredReadAgrees(const tpropset* want) {
        auto c = ReadDeferredTable(&f.file, subnodes.get(), 0x40);
        ASSERT_EQ(c->status == tdeferredstatus::Unreadable, want == nullptr);
        if (!want) return;
        ASSERT_EQ(c->status, tdeferredstatus::Ready);
        size_t k = 0;
        tpropset* got = c->set.get();
        for (; got && want; got = got->Next.get(), want = want->Next.get(), ++k) {
            SCOPED_TRACE("set " + std::to_string(k));
            ASSERT_EQ(got->Count, want->Count);
            ASSERT_EQ(got->RowCount, want->RowCount);
            ASSERT_EQ(got->Values.size(), want->Values.size());
            for (size_t i = 0; i < got->Values.size(); ++i) {
                if (got->Values[i])
                    EXPECT_TRUE(DecodeDeferredAt(*c, *got->Values[i], k * c->stride + i));
                EXPECT_TRUE(SameValue(got->Values[i].get(), want->Values[i].get())) << i;
            }
        }
        EXPECT_EQ(got, nullptr);
        EXPECT_EQ(want, nullptr);
    }

    // Three recipients: an ID, a name in the heap, a time, a flag and a
    // Unicode name that the second row lacks.
    const std::vector<TcColumn> cols = {{PtypInteger32, 0x3000, 0, 4},
                                        {PtypString8, 0x3001, 4, 4},
                                        {PtypTime, 0x0E06, 8, 8},
                                        {PtypBoolean, 0x3002, 16, 1},
                                        {PtypString, 0x3003, 20, 4}};
    bytes Matrix(HeapPage& page, uint32_t rows) {
        bytes m;
        for (uint32_t r = 0; r < rows; ++r) {
            size_t at = m.size();
            Put32(m, at, 100 + r);
            Put32(m, at + 4, page.Add({'r', uint8_t('0' + r)}));
            Put64(m, at + 8, 0x01D0000000000000 + r);
            m.resize(at + 24);
            m[at + 16] = uint8_t(r & 1);
            Put32(m, at + 20, r == 1 ? 0 : page.Add(Utf16(u"n")));
        }
        return m;
    }
    // The three recipients' table, its row matrix in the heap.
    void PlaceRecipientsInTheHeap() {
        HeapPage page(0);
        bytes m = Matrix(page, 3);
        uint32_t hid = page.Add(m);
        f.Place(0x40, FinishTc(page, cols, 24, RowIds(3, unicode()), hid, unicode()));
        f.Open();
    }
    void CheckRecipients(const tpropset* s, uint32_t rows, uint32_t rowCount = 0) {
        for (int r = int(rows) - 1; r >= 0; --r, s = s->Next.get()) {
            SCOPED_TRACE(r);
            ASSERT_NE(s, nullptr);
            EXPECT_EQ(s->RowCount, int32_t(rowCount ? rowCount : rows));
            EXPECT_EQ(s->Capacity, 5);
            ASSERT_EQ(s->Count, r == 1 ? 4 : 5);
            EXPECT_EQ(s->Values[0]->Data, U32(100 + r));
            EXPECT_EQ(Text(*s->Values[1]), std::string("r") + char('0' + r));
            const tpropvalue& time = *s->Values[2];
            EXPECT_EQ(time.Data, U64(0x01D0000000000000 + r)); // 8 bytes, no terminator
            EXPECT_EQ(time.Type, PtypTime);
            EXPECT_EQ(s->Values[3]->Data, U32(r & 1));
            if (r != 1) {
                EXPECT_EQ(s->Values[4]->Data, (bytes{'n', 0}));
            }
        }
        EXPECT_EQ(s, nullptr);
    }
};

TEST_P(TableContext, ThreeRowsComeLastRowFirst) {
    PlaceRecipientsInTheHeap();
    auto sets = Read();
    ASSERT_TRUE(sets);
    CheckRecipients(sets.get(), 3);
}

// The deferred read decodes the cells that hold their value (integers, the
// time, the flag) and leaves those that name a heap value unread.
TEST_P(TableContext, HeapCellsWaitUntilAsked) {
    PlaceRecipientsInTheHeap();
    auto c = ReadDeferredTable(&f.file, nullptr, 0x40);
    ASSERT_EQ(c->status, tdeferredstatus::Ready);
    ASSERT_EQ(c->stride, 5u);
    const tpropset* last = c->set.get(); // row 2
    ASSERT_EQ(last->Count, 5);
    EXPECT_EQ(last->Values[0]->Data, U32(102));
    EXPECT_EQ(last->Values[2]->Data, U64(0x01D0000000000002));
    EXPECT_TRUE(c->deferred[1].pending);
    EXPECT_TRUE(last->Values[1]->Data.empty());
    EXPECT_TRUE(c->deferred[4].pending);
    const tpropset* middle = last->Next.get(); // row 1: no Unicode name, one slot fewer
    ASSERT_EQ(middle->Count, 4);
    EXPECT_TRUE(c->deferred[5 + 1].pending);
    EXPECT_FALSE(c->deferred[5 + 4].pending);
    ASSERT_TRUE(DecodeDeferredAt(*c, *last->Values[1], 1));
    EXPECT_EQ(Text(*last->Values[1]), "r2");
}

// Cells that name a data tree in a subnode could each read up to a data
// tree's limit: five of them might pass the value budget, which only the
// whole read can tell, so the deferred read is uncertain, not wrong.
TEST_P(TableContext, CellsThatMightPassTheBudgetMakeTheDeferredReadUncertain) {
    HeapPage page(0);
    bytes m;
    for (uint32_t r = 0; r < 5; ++r)
        Put32(m, r * 4, 0x3F);
    uint32_t hid = page.Add(m);
    f.PlaceXBlock(0x202, {f.Place(0x100, bytes(100, 'x'))});
    f.Place(0x40,
            FinishTc(page, {{PtypBinary, 0x3004, 0, 4}}, 4, RowIds(5, unicode()), hid, unicode()));
    f.Open();
    subnodes = f.Subnode(0x3F, 0x202);
    auto whole = ReadContext(&f.file, subnodes.get(), nullptr, 0x40);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->Values[0]->Size, 100u);
    EXPECT_EQ(ReadDeferredTable(&f.file, subnodes.get(), 0x40)->status, tdeferredstatus::Uncertain);
}

TEST_P(TableContext, RowMatrixInASubnodeReadsTheSame) {
    HeapPage page(0);
    bytes m = Matrix(page, 3);
    f.Place(0x44, m);
    f.Place(0x40, FinishTc(page, cols, 24, RowIds(3, unicode()), 0x3F, unicode()));
    f.Open();
    subnodes = f.Subnode(0x3F, 0x44);
    auto sets = Read();
    ASSERT_TRUE(sets);
    CheckRecipients(sets.get(), 3);
    subnodes.reset();
    EXPECT_EQ(Read(), nullptr); // a row matrix that cannot be read: no rows at all
}

TEST_P(TableContext, RowCountFromA26ByteRowIndex) {
    HeapPage page(0);
    bytes m = Matrix(page, 4);
    uint32_t hid = page.Add(m);
    bytes ids = RowIds(4, unicode());
    ids.resize(26);
    f.Place(0x40, FinishTc(page, cols, 24, ids, hid, unicode()));
    f.Open();
    auto sets = Read();
    ASSERT_TRUE(sets);
    // 26 / 8 in the Unicode layout, 26 / 6 in the ANSI layout, rounded down.
    EXPECT_EQ(sets->RowCount, unicode() ? 3 : 4);
}

TEST_P(TableContext, CellsBeyondTheRowMatrixReadAsZero) {
    HeapPage page(0);
    bytes m = Matrix(page, 3);
    uint32_t hid = page.Add(m);
    f.Place(0x40, FinishTc(page, cols, 24, RowIds(4, unicode()), hid, unicode()));
    f.Open();
    auto sets = Read();
    ASSERT_TRUE(sets);
    EXPECT_EQ(sets->RowCount, 4);
    // The fourth row has no bytes: fixed cells are 0, HNID cells are dropped.
    ASSERT_EQ(sets->Count, 2);
    EXPECT_EQ(sets->Values[0]->Data, U32(0));
    EXPECT_EQ(sets->Values[1]->Tag, 0x3002u);
    CheckRecipients(sets->Next.get(), 3, 4);
}

TEST_P(TableContext, DamagedHeadersGiveNoRows) {
    struct Case {
        const char* what;
        std::vector<TcColumn> cols;
        size_t cutInfo;
        uint8_t typeKeyHigh;
    };
    const std::vector<Case> cases = {
        {"TCINFO shorter than its descriptors", cols, 8, 4},
        {"row index with 2-byte keys", cols, 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LtpFile g{unicode(), 0};
        HeapPage page(0);
        uint32_t hid = page.Add(bytes(24 * 2, 0));
        uint32_t rowRoot = page.Add(RowIds(2, unicode()));
        uint32_t rowIndex = page.Add(BthHeader(c.typeKeyHigh, unicode() ? 4 : 2, 0, rowRoot));
        bytes info = TcInfo(c.cols, 24, rowIndex, hid);
        info.resize(info.size() - c.cutInfo);
        page.Header(0x7C, page.Add(info));
        g.Place(0x40, page.Build());
        g.Open();
        EXPECT_EQ(ReadContext(&g.file, nullptr, nullptr, 0x40), nullptr);
    }
}

TEST_P(TableContext, RowIndexWithAnIndexLevelCountsItsLeaves) {
    HeapPage page(0);
    bytes m = Matrix(page, 5);
    uint32_t hid = page.Add(m);
    uint32_t leafA = page.Add(RowIds(2, unicode()));
    uint32_t leafB = page.Add(RowIds(3, unicode()));
    bytes top;
    Put32(top, 0, 0x100);
    Put32(top, 4, leafA);
    Put32(top, 8, 0x102);
    Put32(top, 12, leafB);
    uint32_t root = page.Add(top);
    uint32_t rowIndex = page.Add(BthHeader(4, unicode() ? 4 : 2, 1, root));
    page.Header(0x7C, page.Add(TcInfo(cols, 24, rowIndex, hid)));
    f.Place(0x40, page.Build());
    f.Open();
    auto sets = Read();
    ASSERT_TRUE(sets);
    EXPECT_EQ(sets->RowCount, 5);
}

// 45 rows of 409 bytes: 19 rows fit a Unicode block (8176 bytes), 20 an ANSI
// one (8180). Every block but the last is padded to its full size, so reading
// the concatenated data as contiguous rows would shift every later block.
TEST_P(TableContext, LargeTableSpansSeveralBlocks) {
    const uint16_t width = 409;
    const uint32_t rows = 45;
    const uint32_t payload = unicode() ? 8176 : 8180;
    const uint32_t perBlock = payload / width;
    const std::vector<TcColumn> wide = {{PtypInteger32, 0x3000, 0, 4},
                                        {PtypInteger64, 0x3001, 4, 8},
                                        {PtypInteger16, 0x3002, 405, 4}};
    std::vector<uint64_t> bids;
    for (uint32_t first = 0; first < rows; first += perBlock) {
        bytes block;
        for (uint32_t r = first; r < std::min(rows, first + perBlock); ++r) {
            size_t at = block.size();
            Put32(block, at, r);
            Put64(block, at + 4, uint64_t(r) * 1000);
            block.resize(at + width);
            Put32(block, at + 405, 0xF00 + r);
        }
        if (first + perBlock < rows) block.resize(payload, 0xCC);
        bids.push_back(f.Place(0x100 + 4 * bids.size(), block));
    }
    f.PlaceXBlock(0x202, bids);
    HeapPage page(0);
    f.Place(0x40, FinishTc(page, wide, width, RowIds(rows, unicode()), 0x3F, unicode()));
    f.Open();
    subnodes = f.Subnode(0x3F, 0x202);
    auto sets = Read();
    ASSERT_TRUE(sets);
    EXPECT_EQ(sets->RowCount, int32_t(rows));
    const tpropset* s = sets.get();
    for (int r = int(rows) - 1; r >= 0; --r, s = s->Next.get()) {
        SCOPED_TRACE(r);
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(s->Count, 3);
        EXPECT_EQ(s->Values[0]->Data, U32(r));
        EXPECT_EQ(s->Values[1]->Data, U64(uint64_t(r) * 1000));
        EXPECT_EQ(s->Values[2]->Data, U32(0xF00 + r)); // the last bytes of the row
    }
}

INSTANTIATE_TEST_SUITE_P(LayoutsAndEncodings, TableContext,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(0, 1, 2)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Unicode" : "Ansi") +
                                    "_crypt" + std::to_string(std::get<1>(info.param));
                         });

} // namespace
