// The order of reading items: by where their property contexts lie in the
// file, equal offsets and items without a data block (or without a node) in
// the order listed, the latter last.
#include "mailbox/FileOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

namespace {

TEST(FileOrder, ByOffsetThenListOrderWithTheUnplacedLast) {
    tblockentry blocks[3];
    blocks[0].ib = 0x30000;
    blocks[1].ib = 0x1000;
    blocks[2].ib = 0x8000;
    std::vector<tnodeentry> nodes(6);
    nodes[0].pDataBlock = &blocks[0];
    nodes[1].pDataBlock = &blocks[1];
    nodes[2].pDataBlock = nullptr; // no data block: read last
    nodes[3].pDataBlock = &blocks[1];
    nodes[4].pDataBlock = &blocks[2];
    const std::vector<tnodeentry*> listed = {&nodes[0], &nodes[1], &nodes[2],
                                             &nodes[3], &nodes[4], nullptr};
    const std::vector<size_t> order =
        ostrel::FileOrder(listed.size(), [&](size_t i) { return listed[i]; });
    EXPECT_EQ(order, (std::vector<size_t>{1, 3, 4, 0, 2, 5}));
    EXPECT_TRUE(ostrel::FileOrder(0, [&](size_t i) { return listed[i]; }).empty());
}

// A list long enough to be ordered on two cores: the halves are merged into
// exactly the order of a stable sort, ties across the halves included.
TEST(FileOrder, LongListsMatchAStableSortAcrossTheHalves) {
    const size_t count = ostrel::kFileOrderOnTwoCoresFrom * 2 + 7;
    std::vector<tblockentry> blocks(64);
    std::mt19937 random(19);
    for (tblockentry& block : blocks)
        block.ib = int64_t(random() % 16) * 0x200; // many blocks share an offset
    std::vector<tnodeentry> nodes(count);
    for (size_t i = 0; i < count; ++i)
        nodes[i].pDataBlock = random() % 50 == 0 ? nullptr : &blocks[random() % blocks.size()];
    std::vector<size_t> expected(count);
    std::iota(expected.begin(), expected.end(), size_t(0));
    std::stable_sort(expected.begin(), expected.end(), [&](size_t a, size_t b) {
        return ostrel::FileOffsetOf(&nodes[a]) < ostrel::FileOffsetOf(&nodes[b]);
    });
    EXPECT_EQ(ostrel::FileOrder(count, [&](size_t i) { return &nodes[i]; }), expected);
}

} // namespace
