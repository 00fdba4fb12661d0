// The node database layer on files the test writer lays out: deep B-trees,
// data trees over XBLOCKs and subnode trees, in both layouts and with every
// encoding, read back through the header roots.
#include "tests/engine/ndb/FileImage.h"
#include "tools/pstwriter/PstWriter.h"

#include <tuple>

namespace {

using Param = std::tuple<pstw::Layout, uint8_t>;

class WrittenFile : public ::testing::TestWithParam<Param> {
protected:
    pstw::Options options() const {
        pstw::Options o;
        o.layout = std::get<0>(GetParam());
        o.crypt = std::get<1>(GetParam());
        return o;
    }
    tpstfile file;
    void open(const std::vector<uint8_t>& bytes) {
        std::string path = ::testing::TempDir() + "/" + testimg::TestFileName();
        pstw::writeFile(path, bytes);
        ASSERT_EQ(OpenPstFile(&file, path), 0);
        ASSERT_EQ(BuildIndexes(&file), 1);
    }
};

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t(seed + i * 31 + (i >> 8));
    return v;
}

TEST_P(WrittenFile, ThreeLevelTreesLoadEveryEntry) {
    pstw::Options o = options();
    o.maxEntriesPerPage = 4; // 4 x 4 x 4: 120 blocks need three levels
    pstw::NdbWriter w(o);
    std::vector<uint64_t> bids;
    for (int i = 0; i < 120; ++i)
        bids.push_back(w.addBlock(Pattern(20 + i, uint8_t(i))));
    w.addNode(0x21, bids[0]);
    for (uint32_t i = 1; i < 60; ++i)
        w.addNode(0x200004 + 0x20 * i, bids[i], 0, 0x8022);
    w.addNode(0x8022, bids[60], 0, 0x122);
    w.addNode(0x122, bids[61], 0, 0x122);
    open(w.finish());

    int bbtLevels = 0, nbtLevels = 0;
    for (const auto& p : w.pages())
        (p.nbt ? nbtLevels : bbtLevels) = std::max(p.nbt ? nbtLevels : bbtLevels, p.level + 1);
    EXPECT_EQ(bbtLevels, 4) << "root above three levels of 4-entry pages";
    EXPECT_GE(nbtLevels, 3);

    EXPECT_EQ(file.cBlocks, 120u);
    EXPECT_EQ(file.cNodes, 62u);
    for (int i = 0; i < 120; ++i) {
        tbuffer data;
        ASSERT_EQ(ReadBlockDecoded(&file, data, bids[size_t(i)]), 20 + i);
        EXPECT_EQ(data, Pattern(20 + size_t(i), uint8_t(i))) << "block " << i;
    }
    tnodeentry* subtree = FindNode(&file, 0x8022);
    ASSERT_NE(subtree, nullptr);
    EXPECT_EQ(subtree->cChildren, 59u) << "items inserted before their folder are adopted";
    EXPECT_EQ(subtree->pParent, FindNode(&file, 0x122));
    EXPECT_EQ(subtree->pDataBlock, FindBlock(&file, bids[60]));
}

TEST_P(WrittenFile, DataTreesAndSubnodesRoundTrip) {
    pstw::NdbWriter w(options());
    auto big = Pattern(3 * 8192 + 100, 7);
    auto small = Pattern(300, 9);
    uint64_t bigTree = w.addDataTree(big);
    uint64_t smallBlock = w.addBlock(small);
    uint64_t inner = w.addSubnodeTree({{0x3F, smallBlock, 0}});
    uint64_t sub = w.addSubnodeTree({{0x671, smallBlock, 0}, {0x8025, bigTree, inner}});
    w.addNode(0x21, smallBlock, sub);
    open(w.finish());

    tnodeentry* store = FindNode(&file, 0x21);
    ASSERT_NE(store, nullptr);
    ASSERT_NE(store->pSubBlock, nullptr);
    auto tree = BuildSubnodeTree(&file, store->pSubBlock);
    ASSERT_NE(tree, nullptr);
    ASSERT_NE(FindSubnode(tree.get(), 0x3F), nullptr) << "nested list";
    tbuffer data;
    EXPECT_EQ(ReadSubnodeData(&file, tree.get(), 0x8025, data), int32_t(big.size()));
    EXPECT_EQ(data, big);
    EXPECT_EQ(ReadSubnodeData(&file, tree.get(), 0x3F, data), int32_t(small.size()));
    EXPECT_EQ(data, small);
}

INSTANTIATE_TEST_SUITE_P(
    LayoutsAndEncodings, WrittenFile,
    ::testing::Combine(::testing::Values(pstw::Layout::Ansi, pstw::Layout::Unicode),
                       ::testing::Values(uint8_t(0), uint8_t(1), uint8_t(2))),
    [](const auto& info) {
        return std::string(std::get<0>(info.param) == pstw::Layout::Ansi ? "Ansi" : "Unicode") +
               "Crypt" + std::to_string(std::get<1>(info.param));
    });

} // namespace
