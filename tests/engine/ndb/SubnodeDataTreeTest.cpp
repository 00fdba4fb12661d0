// Subnode trees (SLBLOCK) and data trees (XBLOCK) on hand-made blocks.
#include "tests/engine/ndb/FileImage.h"

using namespace testimg;

namespace {

class Trees : public ::testing::TestWithParam<bool> {
protected:
    bool unicode() const { return GetParam(); }
    FileImage img{GetParam(), 0x20000};
    tpstfile file;
    size_t next = 0x1000;

    // Places raw bytes in the image and records the block in the index later.
    struct Pending {
        int64_t bid;
        size_t ib;
        size_t cb;
    };
    std::vector<Pending> blocks;

    uint64_t place(uint64_t bid, const std::vector<uint8_t>& bytes, size_t cb = SIZE_MAX) {
        img.putBytes(next, bytes);
        blocks.push_back({int64_t(bid), next, cb == SIZE_MAX ? bytes.size() : cb});
        next += (bytes.size() + 63) / 64 * 64 + 64;
        return bid;
    }
    std::vector<uint8_t> slblock(std::vector<std::array<uint64_t, 3>> entries,
                                 uint16_t sig = 0x0002) {
        FileImage b(unicode(), 0);
        b.put16(0, sig);
        b.put16(2, uint16_t(entries.size()));
        size_t at = unicode() ? 8 : 4;
        for (auto& e : entries) {
            b.putId(at, e[0]);
            b.putId(at + (unicode() ? 8 : 4), e[1]);
            b.putId(at + (unicode() ? 16 : 8), e[2]);
            at += unicode() ? 24 : 12;
        }
        b.grow(at);
        return b.bytes;
    }
    std::vector<uint8_t> xblock(std::vector<uint64_t> bids, uint16_t sig = 0x0101) {
        FileImage b(unicode(), 0);
        b.put16(0, sig);
        b.put16(2, uint16_t(bids.size()));
        size_t at = 8;
        for (uint64_t bid : bids) {
            b.putId(at, bid);
            at += unicode() ? 8 : 4;
        }
        b.grow(at);
        return b.bytes;
    }
    void open(uint8_t crypt = 0) {
        img.header(crypt, 0, 0, 0, 0);
        OpenImage(img, file);
        for (auto& p : blocks)
            InsertBlock(&file, Block(p.bid, int64_t(p.ib), p.cb));
    }
    std::vector<uint64_t> nids(const tsubnodeentry* list) {
        std::vector<uint64_t> out;
        for (; list; list = list->pNext.get())
            out.push_back(list->nid);
        return out;
    }
};

TEST_P(Trees, NestedSubnodesAndOwnListFirstLookup) {
    place(0x10, {1});
    place(0x14, {2});
    place(0x18, {3});
    place(0x22, slblock({{0x3F, 0x18, 0}, {0x25F, 0x14, 0}, {0x671, 0x18, 0}}));
    place(0x26, slblock({{0x25F, 0x10, 0x22}, {0x671, 0x14, 0}, {0x692, 0x40, 0}}));
    open();
    auto tree = BuildSubnodeTree(&file, FindBlock(&file, 0x26));
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(nids(tree.get()), (std::vector<uint64_t>{0x25F, 0x671})) << "0x692's block unknown";
    EXPECT_EQ(nids(tree->pChildren.get()), (std::vector<uint64_t>{0x3F, 0x25F, 0x671}));
    EXPECT_EQ(FindSubnode(tree.get(), 0x3F), tree->pChildren.get()) << "only in a nested list";
    EXPECT_EQ(FindSubnode(tree.get(), 0x25F), tree.get());
    EXPECT_EQ(FindSubnode(tree.get(), 0x671), tree->pNext.get())
        << "the list's own entry before an earlier nested one of the same NID";
    EXPECT_EQ(FindSubnode(tree.get(), 0x692), nullptr);

    auto copy = CopySubnodeTree(tree.get());
    EXPECT_EQ(nids(copy.get()), nids(tree.get()));
    EXPECT_EQ(copy->pChildren->pDataBlock, tree->pChildren->pDataBlock);
    FreeSubnodeTree(copy);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(nids(tree->pChildren.get()), (std::vector<uint64_t>{0x3F, 0x25F, 0x671}))
        << "source intact";

    tbuffer data;
    EXPECT_EQ(ReadSubnodeData(&file, tree.get(), 0x3F, data), 1);
    EXPECT_EQ(data, tbuffer{3});
    tbuffer none;
    EXPECT_EQ(ReadSubnodeData(&file, tree.get(), 0x999, none), 0);
    EXPECT_TRUE(none.empty());
}

TEST_P(Trees, NotASubnodeList) {
    place(0x10, {1});
    place(0x22, slblock({{0x3F, 0x10, 0}}, 0x0102)); // SIBLOCK
    open();
    EXPECT_EQ(BuildSubnodeTree(&file, FindBlock(&file, 0x22)), nullptr);
    EXPECT_EQ(BuildSubnodeTree(&file, nullptr), nullptr);
}

TEST_P(Trees, ShortRecordedSlblockIsReadAgain) {
    place(0x10, {1});
    place(0x22, slblock({{0x3F, 0x10, 0}, {0x5F, 0x10, 0}, {0x7F, 0x10, 0}}), 8);
    open();
    auto tree = BuildSubnodeTree(&file, FindBlock(&file, 0x22));
    EXPECT_EQ(nids(tree.get()), (std::vector<uint64_t>{0x3F, 0x5F, 0x7F}));
    EXPECT_EQ(FindBlock(&file, 0x22)->cb, unicode() ? 80u : 40u)
        << "the index keeps the larger size";
}

TEST_P(Trees, SlblockPointingAtItselfEnds) {
    place(0x10, {1});
    place(0x22, slblock({{0x3F, 0x10, 0x22}}));
    open();
    auto tree = BuildSubnodeTree(&file, FindBlock(&file, 0x22));
    int depth = 0;
    for (const tsubnodeentry* e = tree.get(); e; e = e->pChildren.get())
        ++depth;
    EXPECT_GT(depth, 1);
    EXPECT_LE(depth, 17);
}

TEST_P(Trees, XblockConcatenatesDecodedBlocks) {
    std::vector<uint8_t> a(8176, 'a'), b(8176, 'b'), c(100, 'c');
    for (size_t i = 0; i < a.size(); ++i)
        a[i] = uint8_t(i * 7), b[i] = uint8_t(i * 13);
    place(0x30, a);
    place(0x34, b);
    place(0x38, c);
    place(0x42, xblock({0x30, 0x34, 0x38}));
    open(2); // cyclic: each block with its own BID
    tbuffer data;
    ASSERT_EQ(ReadDataTree(&file, FindBlock(&file, 0x42), data), 16452);
    auto decoded = [](std::vector<uint8_t> v, uint64_t bid) {
        DecodeBlock(v.data(), int32_t(v.size()), 2, bid);
        return v;
    };
    std::vector<uint8_t> expect = decoded(a, 0x30);
    auto db = decoded(b, 0x34), dc = decoded(c, 0x38);
    expect.insert(expect.end(), db.begin(), db.end());
    expect.insert(expect.end(), dc.begin(), dc.end());
    EXPECT_EQ(data, expect);
}

TEST_P(Trees, ExternalBlockAndOtherInternalBlocks) {
    place(0x30, {'x', 'y'});
    auto xx = xblock({0x42}, 0x0201);
    place(0x46, xx);
    open(1);
    tbuffer data;
    EXPECT_EQ(ReadDataTree(&file, FindBlock(&file, 0x30), data), 2);
    EXPECT_EQ(data, (tbuffer{mpbbI[uint8_t('x')], mpbbI[uint8_t('y')]}));
    EXPECT_EQ(ReadDataTree(&file, FindBlock(&file, 0x46), data), int32_t(xx.size()));
    EXPECT_EQ(data, xx) << "an XXBLOCK comes back as stored";
}

TEST_P(Trees, XblockWithMissingBlockFails) {
    place(0x30, {1, 2});
    place(0x42, xblock({0x30, 0x34, 0x30}));
    open();
    tbuffer data;
    EXPECT_EQ(ReadDataTree(&file, FindBlock(&file, 0x42), data), 0);
    EXPECT_EQ(ReadDataTree(&file, nullptr, data), 0);
}

TEST_P(Trees, XblockRecordedShortIsReadAgain) {
    place(0x30, {1, 2});
    place(0x34, {3});
    place(0x42, xblock({0x30, 0x34}), 8); // recorded without its BIDs
    open();
    tbuffer data;
    EXPECT_EQ(ReadDataTree(&file, FindBlock(&file, 0x42), data), 3);
    EXPECT_EQ(data, (tbuffer{1, 2, 3}));
    EXPECT_EQ(FindBlock(&file, 0x42)->cb, 8u) << "the index entry is not changed";
}

TEST_P(Trees, RepeatedHugeBlockIsRefused) {
    // 65535 references to one 65535-byte block: 4 GB if it were expanded.
    place(0x30, std::vector<uint8_t>(0xFFFF, 1));
    place(0x42, xblock(std::vector<uint64_t>(0xFFFF, 0x30)));
    open();
    tbuffer data;
    EXPECT_EQ(ReadDataTree(&file, FindBlock(&file, 0x42), data), 0);
    EXPECT_LE(data.size(), ostrel::limits::kMaxDataTreeBytes);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Trees, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Unicode" : "Ansi"; });

} // namespace
