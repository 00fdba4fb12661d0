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

// On two cores the NBT is walked beside the BBT and each node's blocks are
// looked up afterwards: every node must still point at the entry of its BID
// (or at none where the BBT lacks it), whichever walk ends first.
TEST_P(WrittenFile, EveryNodePointsAtTheBlocksOfItsBidsWhicheverWalkEndsFirst) {
    for (bool moreNodesThanBlocks : {false, true}) {
        pstw::Options o = options();
        o.maxEntriesPerPage = 5;
        pstw::NdbWriter w(o);
        const int blocks = moreNodesThanBlocks ? 20 : 400;
        const int nodes = moreNodesThanBlocks ? 400 : 20;
        std::vector<uint64_t> bids;
        for (int i = 0; i < blocks; ++i)
            bids.push_back(w.addBlock(Pattern(16 + i % 50, uint8_t(i))));
        w.addNode(0x21, bids[0]);
        w.addNode(0x122, bids[1], 0, 0x122);
        // Every third node names a data block the BBT does not hold.
        const uint64_t missing = bids.back() + 0x1000;
        for (int i = 0; i < nodes; ++i) {
            uint64_t data = i % 3 == 2 ? missing + 4 * uint64_t(i) : bids[size_t(i) % bids.size()];
            uint64_t sub = i % 4 == 1 ? bids[size_t(i + 1) % bids.size()] : 0;
            w.addNode(0x200004 + 0x20 * uint32_t(i), data, sub, 0x122);
        }
        ClosePstFile(&file); // the first round's file
        open(w.finish());
        EXPECT_EQ(file.cBlocks, uint64_t(blocks));
        EXPECT_EQ(file.cNodes, uint64_t(nodes + 2));
        ASSERT_EQ(file.nodes.owned.size(), size_t(nodes + 2));
        int unresolved = 0;
        for (const auto& node : file.nodes.owned) {
            EXPECT_EQ(node->pDataBlock, FindBlock(&file, node->bidData)) << node->nid;
            EXPECT_EQ(node->pSubBlock, FindBlock(&file, node->bidSub)) << node->nid;
            unresolved += node->pDataBlock == nullptr;
        }
        EXPECT_EQ(unresolved, nodes / 3);
        EXPECT_EQ(FindNode(&file, 0x122)->cChildren, uint32_t(nodes));
    }
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
