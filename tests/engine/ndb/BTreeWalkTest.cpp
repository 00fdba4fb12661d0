// The B-tree walks on hand-made pages: the checks that drop a page, what a
// dropped page takes with it, and the guards against cycles and deep chains.
#include "tests/engine/ndb/FileImage.h"

using namespace testimg;

namespace {

constexpr size_t P0 = 0x4800, P1 = 0x4A00, P2 = 0x4C00, P3 = 0x4E00;

class Walk : public ::testing::TestWithParam<bool> {
protected:
    bool unicode() const { return GetParam(); }
    FileImage img{GetParam(), 0x6000};

    // A BBT leaf at `off` with BIDs first, first+4, ... (cb 16 each).
    void bbtLeaf(size_t off, uint64_t bidPage, uint64_t first, int n) {
        for (int i = 0; i < n; ++i)
            img.bbtEntry(off, i, first + 4 * uint64_t(i), 0x100, 16);
        img.page(off, false, 0, n, bidPage);
    }
    void nbtLeaf(size_t off, uint64_t bidPage, std::vector<uint64_t> nids) {
        for (size_t i = 0; i < nids.size(); ++i)
            img.nbtEntry(off, int(i), nids[i], 0, 0, 0);
        img.page(off, true, 0, int(nids.size()), bidPage);
    }
    tpstfile file;
    void open(uint64_t bidBBT, uint64_t ibBBT, uint64_t bidNBT = 0, uint64_t ibNBT = 0) {
        img.header(0, bidNBT, ibNBT, bidBBT, ibBBT);
        OpenImage(img, file);
        EXPECT_EQ(BuildIndexes(&file), 1);
    }
};

TEST_P(Walk, TwoLevelTreesLoad) {
    bbtLeaf(P1, 0x101, 0x10, 3);
    bbtLeaf(P2, 0x105, 0x40, 2);
    img.btEntry(P0, 0, 0x10, 0x101, P1);
    img.btEntry(P0, 1, 0x40, 0x105, P2);
    img.page(P0, false, 1, 2, 0x109);
    nbtLeaf(P3, 0x10D, {0x21, 0x61, 0x122});
    open(0x109, P0, 0x10D, P3);
    EXPECT_EQ(file.cBlocks, 5u);
    EXPECT_NE(FindBlock(&file, 0x18), nullptr);
    EXPECT_NE(FindBlock(&file, 0x44), nullptr);
    EXPECT_EQ(file.cNodes, 3u);
    EXPECT_NE(FindNode(&file, 0x122), nullptr);
}

TEST_P(Walk, RootTrailerMismatchLoadsNothing) {
    bbtLeaf(P0, 0x101, 0x10, 3);
    open(0x999, P0);
    EXPECT_EQ(file.cBlocks, 0u);
    EXPECT_EQ(file.pBlockIndex, nullptr);
}

TEST_P(Walk, NbtRootMustStartAtMessageStore) {
    nbtLeaf(P0, 0x101, {0x22, 0x61});
    open(0, 0, 0x101, P0);
    EXPECT_EQ(file.cNodes, 0u);
    EXPECT_EQ(WalkNodeBTree(&file, 0, kMaxKey, 0, 0x101, P0), 0) << "no lower bound: accepted";
}

TEST_P(Walk, KeyOutOfOrderEndsIntermediatePage) {
    bbtLeaf(P1, 0x101, 0x10, 2);
    bbtLeaf(P2, 0x105, 0x40, 2);
    bbtLeaf(P3, 0x109, 0x30, 2);
    img.btEntry(P0, 0, 0x10, 0x101, P1);
    img.btEntry(P0, 1, 0x40, 0x105, P2);
    img.btEntry(P0, 2, 0x30, 0x109, P3); // smaller than the second key
    img.page(P0, false, 1, 3, 0x10D);
    open(0x10D, P0);
    // The second child gets upper 0x30 < lower 0x40 and is refused; the third
    // entry fails the order check. Only the first subtree stays.
    EXPECT_EQ(file.cBlocks, 2u);
    EXPECT_NE(FindBlock(&file, 0x14), nullptr);
    EXPECT_EQ(FindBlock(&file, 0x40), nullptr);
}

TEST_P(Walk, ZeroBidEndsLeafZeroNidFailsIt) {
    img.bbtEntry(P0, 0, 0x10, 0x100, 8);
    img.bbtEntry(P0, 1, 0, 0x100, 8);
    img.bbtEntry(P0, 2, 0x20, 0x100, 8);
    img.page(P0, false, 0, 3, 0x101);
    img.nbtEntry(P1, 0, 0x21, 0, 0, 0);
    img.nbtEntry(P1, 1, 0x61, 0, 0, 0);
    img.nbtEntry(P1, 2, 0, 0, 0, 0);
    img.nbtEntry(P1, 3, 0x122, 0, 0, 0);
    img.page(P1, true, 0, 4, 0x105);
    open(0x101, P0, 0x105, P1);
    EXPECT_EQ(file.cBlocks, 1u);
    EXPECT_EQ(FindBlock(&file, 0x20), nullptr);
    EXPECT_EQ(file.cNodes, 2u) << "entries before the zero NID stay";
    EXPECT_EQ(FindNode(&file, 0x122), nullptr);
}

TEST_P(Walk, ChildWithOtherFirstKeyIsDroppedSiblingsKept) {
    bbtLeaf(P1, 0x101, 0x14, 2); // parent says 0x10
    bbtLeaf(P2, 0x105, 0x40, 2);
    img.btEntry(P0, 0, 0x10, 0x101, P1);
    img.btEntry(P0, 1, 0x40, 0x105, P2);
    img.page(P0, false, 1, 2, 0x109);
    open(0x109, P0);
    EXPECT_EQ(file.cBlocks, 2u);
    EXPECT_NE(FindBlock(&file, 0x44), nullptr);
}

TEST_P(Walk, EntryLimitsPerLayout) {
    // One more than a Unicode BBT page holds; still fits an ANSI page (41).
    int n = unicode() ? 21 : 41;
    for (int i = 0; i < n; ++i)
        img.bbtEntry(P0, i, 0x10 + 4 * uint64_t(i), 0x100, 8);
    img.page(P0, false, 0, n, 0x101);
    open(0x101, P0);
    EXPECT_EQ(file.cBlocks, unicode() ? 0u : 41u);
}

TEST_P(Walk, NbtLeafOverItsLimitIsRefused) {
    int n = unicode() ? 16 : 32;
    for (int i = 0; i < n; ++i)
        img.nbtEntry(P0, i, 0x21 + 0x20 * uint64_t(i), 0, 0, 0);
    img.page(P0, true, 0, n, 0x101);
    open(0, 0, 0x101, P0);
    EXPECT_EQ(file.cNodes, 0u);
}

TEST_P(Walk, SelfReferenceAndLevelMismatchEnd) {
    // An intermediate page whose only entry points back at itself.
    img.btEntry(P0, 0, 0x10, 0x101, P0);
    img.page(P0, false, 1, 1, 0x101);
    open(0x101, P0);
    EXPECT_EQ(file.cBlocks, 0u);
    // Claims level 9 and chains to itself: the depth limit ends it too.
    img.page(P0, false, 9, 1, 0x101);
    img.header(0, 0, 0, 0x101, P0);
    tpstfile again;
    OpenImage(img, again);
    EXPECT_EQ(WalkBlockBTree(&again, 0, kMaxKey, 0, 0x101, P0), 0);
    EXPECT_EQ(again.cBlocks, 0u);
}

TEST_P(Walk, ChildMustBeOneLevelDown) {
    // A level-2 root whose child is a leaf (level 0) instead of level 1.
    bbtLeaf(P1, 0x101, 0x10, 2);
    img.btEntry(P0, 0, 0x10, 0x101, P1);
    img.page(P0, false, 2, 1, 0x105);
    open(0x105, P0);
    EXPECT_EQ(file.cBlocks, 0u);
}

TEST_P(Walk, RootOfTheOtherTreeOrNoRoot) {
    nbtLeaf(P0, 0x101, {0x21});
    bbtLeaf(P1, 0x105, 0x10, 1);
    open(0x101, P0, 0x105, P1); // roots swapped
    EXPECT_EQ(file.cBlocks, 0u);
    EXPECT_EQ(file.cNodes, 0u);
    EXPECT_EQ(WalkBlockBTree(&file, 0, kMaxKey, 0, 0, 0), -1);
    EXPECT_EQ(WalkNodeBTree(&file, 0, kMaxKey, 0x21, 0, 0), -1);
}

TEST_P(Walk, PagePastEndOfFile) {
    open(0x101, 0x5E00 + 0x400);
    EXPECT_EQ(file.cBlocks, 0u);
    EXPECT_EQ(BuildIndexes(nullptr), -1);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Walk, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Unicode" : "Ansi"; });

} // namespace
