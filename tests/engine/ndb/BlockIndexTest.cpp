// The block index: AVL shape and balance, duplicates, bit 0 and BID 0, and
// the sorted run's lookups against the tree's.
#include "tests/engine/ndb/FileImage.h"

#include <algorithm>
#include <climits>
#include <random>
#include <vector>

using namespace testimg;

namespace {

int Height(const tblockentry* e) {
    if (!e) return 0;
    return 1 + std::max(Height(e->pLesser), Height(e->pGreater));
}

// Every balance field is the real height difference, within -1..+1, and the
// keys are ordered. Rotations may carry an equal key to the greater side.
bool CheckAvl(const tblockentry* e, int64_t lo, int64_t hi) {
    if (!e) return true;
    int diff = Height(e->pGreater) - Height(e->pLesser);
    if (diff != e->balance || diff < -1 || diff > 1) return false;
    if (e->bid < lo || e->bid > hi) return false;
    return CheckAvl(e->pLesser, lo, e->bid) && CheckAvl(e->pGreater, e->bid, hi);
}

TEST(BlockIndex, SingleRotation) {
    tpstfile file;
    for (int64_t bid : {4, 8, 12})
        InsertBlock(&file, Block(bid));
    ASSERT_NE(file.pBlockIndex, nullptr);
    EXPECT_EQ(file.pBlockIndex->bid, 8);
    EXPECT_EQ(file.pBlockIndex->balance, 0);
    EXPECT_EQ(file.pBlockIndex->pLesser->bid, 4);
    EXPECT_EQ(file.pBlockIndex->pGreater->bid, 12);
}

TEST(BlockIndex, DoubleRotationsBothSides) {
    tpstfile file;
    for (int64_t bid : {40, 20, 30}) // lesser-greater: double rotation
        InsertBlock(&file, Block(bid));
    EXPECT_EQ(file.pBlockIndex->bid, 30);
    tpstfile other;
    for (int64_t bid : {20, 40, 30}) // greater-lesser
        InsertBlock(&other, Block(bid));
    EXPECT_EQ(other.pBlockIndex->bid, 30);
    EXPECT_TRUE(CheckAvl(file.pBlockIndex, INT64_MIN, INT64_MAX));
    EXPECT_TRUE(CheckAvl(other.pBlockIndex, INT64_MIN, INT64_MAX));
}

TEST(BlockIndex, DuplicatesKeptFirstFound) {
    tpstfile file;
    InsertBlock(&file, Block(8, 0x100));
    InsertBlock(&file, Block(4, 0x200));
    InsertBlock(&file, Block(12, 0x300));
    InsertBlock(&file, Block(4, 0x400));
    ASSERT_NE(FindBlock(&file, 4), nullptr);
    EXPECT_EQ(FindBlock(&file, 4)->ib, 0x200) << "the first one inserted";
    int count = 0;
    std::function<void(const tblockentry*)> walk = [&](const tblockentry* e) {
        if (!e) return;
        count += e->bid == 4;
        walk(e->pLesser);
        walk(e->pGreater);
    };
    walk(file.pBlockIndex);
    EXPECT_EQ(count, 2);
}

TEST(BlockIndex, BitZeroAndZeroBid) {
    tpstfile file;
    InsertBlock(&file, Block(0));
    InsertBlock(&file, Block(0x11)); // inserted with bit 0 set: never found
    InsertBlock(&file, Block(0x20));
    EXPECT_EQ(FindBlock(&file, 0), nullptr);
    EXPECT_EQ(FindBlock(&file, 0x11), nullptr);
    EXPECT_EQ(FindBlock(&file, 0x10), nullptr);
    ASSERT_NE(FindBlock(&file, 0x21), nullptr);
    EXPECT_EQ(FindBlock(&file, 0x21)->bid, 0x20);
}

TEST(BlockIndex, StaysBalancedUnderManyInserts) {
    tpstfile file;
    std::mt19937_64 rng(7);
    const int n = 20000;
    for (int i = 0; i < n; ++i) {
        // Rising runs (as pages deliver them), duplicates and negative ANSI BIDs.
        int64_t bid = (i % 3 == 0) ? int64_t(i) * 4 : int64_t(rng() % 5000) * 4 - 8000;
        InsertBlock(&file, Block(bid, i, uint32_t(i) + 70000));
    }
    EXPECT_TRUE(CheckAvl(file.pBlockIndex, INT64_MIN, INT64_MAX));
    EXPECT_LE(Height(file.pBlockIndex), 21) << "1.44 log2(n) bound";
    // The records, spread over many slabs of the store, keep their fields;
    // keys above the random ones are unique.
    for (int i = 0; i < n; i += 3) {
        if (int64_t(i) * 4 < 20000) continue;
        const tblockentry* e = FindBlock(&file, uint64_t(i) * 4);
        ASSERT_NE(e, nullptr) << i;
        EXPECT_EQ(e->ib, i);
        EXPECT_EQ(e->cb, uint32_t(i) + 70000);
    }
    FreeBlockIndex(&file);
    EXPECT_EQ(file.pBlockIndex, nullptr);
    EXPECT_EQ(FindBlock(&file, 3 * 4 * 100), nullptr);
    // Released, the index starts over.
    InsertBlock(&file, Block(0x40, 0x1234, 9));
    ASSERT_NE(FindBlock(&file, 0x40), nullptr);
    EXPECT_EQ(FindBlock(&file, 0x40)->ib, 0x1234);
    EXPECT_EQ(file.pBlockIndex->pLesser, nullptr);
    EXPECT_EQ(file.pBlockIndex->pGreater, nullptr);
}

// Pre-order keys and offsets: the shape of the tree, to compare two builds.
void Shape(const tblockentry* e, std::vector<std::pair<int64_t, int64_t>>& out) {
    if (!e) return;
    out.push_back({e->bid, e->ib});
    Shape(e->pLesser, out);
    Shape(e->pGreater, out);
}

// A walk's records linked at once: strictly ascending keys into an empty
// index as a balanced tree, anything else exactly as insertions one by one.
TEST(BlockIndex, AddedRecordsAreLinkedLikeInsertions) {
    std::mt19937_64 rng(11);
    for (int n : {0, 1, 2, 3, 7, 8, 9, 63, 64, 65, 10000}) {
        SCOPED_TRACE(n);
        tpstfile file;
        std::vector<int64_t> keys;
        for (int i = 0; i < n; ++i) // negative ANSI BIDs first, odd ones among them
            keys.push_back(int64_t(i) * 8 - 400 + (i % 5 == 0 ? 1 : 0));
        for (size_t i = 0; i < keys.size(); ++i)
            AddBlockUnlinked(&file, Block(keys[i], int64_t(i)));
        if (n > 0) EXPECT_EQ(FindBlock(&file, uint64_t(keys.back() & ~1)), nullptr) << "aside";
        LinkAddedBlocks(&file);
        EXPECT_TRUE(CheckAvl(file.pBlockIndex, INT64_MIN, INT64_MAX));
        EXPECT_LE(Height(file.pBlockIndex), 15);
        for (size_t i = 0; i < keys.size(); ++i) {
            const tblockentry* e = FindBlock(&file, uint64_t(keys[i]));
            if (keys[i] & 1) {
                EXPECT_EQ(e, nullptr); // bit 0 set as stored: never found
                continue;
            }
            ASSERT_NE(e, nullptr) << keys[i];
            EXPECT_EQ(e->ib, int64_t(i));
        }
        // Later insertions (the recovery's) keep the tree balanced and findable.
        for (int i = 0; i < 500; ++i)
            InsertBlock(&file, Block(int64_t(rng() % 100000) * 4 + 2, -1));
        EXPECT_TRUE(CheckAvl(file.pBlockIndex, INT64_MIN, INT64_MAX));
        for (size_t i = 0; i < keys.size(); i += 7)
            if (!(keys[i] & 1)) EXPECT_NE(FindBlock(&file, uint64_t(keys[i])), nullptr);
    }
    const std::vector<std::vector<int64_t>> unordered = {
        {4, 8, 8, 12},      // a repeated key: the insertions decide which is found
        {40, 30, 20, 10},   // descending
        {4, 16, 8, 20, 24}, // one out of place
    };
    for (const std::vector<int64_t>& keys : unordered) {
        for (bool before : {false, true}) { // into an empty index, or one with a record
            tpstfile linked, inserted;
            if (before) {
                InsertBlock(&linked, Block(6, 99));
                InsertBlock(&inserted, Block(6, 99));
            }
            for (size_t i = 0; i < keys.size(); ++i) {
                AddBlockUnlinked(&linked, Block(keys[i], int64_t(i)));
                InsertBlock(&inserted, Block(keys[i], int64_t(i)));
            }
            LinkAddedBlocks(&linked);
            std::vector<std::pair<int64_t, int64_t>> a, b;
            Shape(linked.pBlockIndex, a);
            Shape(inserted.pBlockIndex, b);
            EXPECT_EQ(a, b);
        }
    }
    // Ascending keys into an index that already holds one: insertions too.
    tpstfile linked, inserted;
    for (tpstfile* f : {&linked, &inserted})
        InsertBlock(f, Block(100, 99));
    for (int64_t k : {4, 8, 12, 16, 20}) {
        AddBlockUnlinked(&linked, Block(k, k));
        InsertBlock(&inserted, Block(k, k));
    }
    LinkAddedBlocks(&linked);
    std::vector<std::pair<int64_t, int64_t>> a, b;
    Shape(linked.pBlockIndex, a);
    Shape(inserted.pBlockIndex, b);
    EXPECT_EQ(a, b);
}

// What the tree alone answers: the first record with the key on the search path.
const tblockentry* TreeFind(const tpstfile& file, uint64_t bid) {
    const int64_t key = int64_t(bid & ~uint64_t(1));
    const tblockentry* p = file.pBlockIndex;
    while (p && p->bid != key)
        p = key < p->bid ? p->pLesser : p->pGreater;
    return bid == 0 ? nullptr : p;
}

// The walk's records, linked as a sorted run, are found by searching them as
// an array: every key and every key between or beyond them gives the tree's
// answer, however the keys are spread; records inserted later are found in
// the tree, and one that repeats a key of the run hands that key back to the
// tree.
TEST(BlockIndex, SortedRunAnswersAsTheTree) {
    std::mt19937_64 rng(23);
    std::vector<std::vector<int64_t>> spreads;
    std::vector<int64_t> even, gaps, clustered, wide;
    for (int64_t i = 0; i < 50000; ++i)
        even.push_back(0x100 + 4 * i); // BIDs handed out one after the other
    for (int64_t k = -4000, i = 0; i < 20000; ++i)
        gaps.push_back(k += 2 + int64_t(rng() % 64) * 2); // deleted blocks between, negative first
    for (int64_t i = 0; i < 3000; ++i) // three crowds far apart: guesses land wide
        for (int64_t base : {int64_t(0x10), int64_t(1) << 40, int64_t(1) << 61})
            clustered.push_back(base + 8 * i);
    std::sort(clustered.begin(), clustered.end());
    for (int64_t i = 0; i < 300; ++i) // doubling gaps up to the ends of the key range
        wide.push_back(i < 62 ? -(int64_t(1) << (62 - i))
                              : int64_t(2) << std::min<int64_t>(i - 62, 61)); // even: found
    std::sort(wide.begin(), wide.end());
    wide.erase(std::unique(wide.begin(), wide.end()), wide.end());
    for (auto* keys : {&even, &gaps, &clustered, &wide}) {
        tpstfile file;
        for (size_t i = 0; i < keys->size(); ++i)
            AddBlockUnlinked(&file, Block((*keys)[i], int64_t(i)));
        LinkAddedBlocks(&file);
        ASSERT_EQ(file.blocksSorted, keys->size());
        auto agrees = [&](int64_t bid) {
            return FindBlock(&file, uint64_t(bid)) == TreeFind(file, uint64_t(bid));
        };
        for (size_t i = 0; i < keys->size(); ++i) {
            const int64_t k = (*keys)[i];
            ASSERT_NE(FindBlock(&file, uint64_t(k)), nullptr) << k;
            ASSERT_EQ(FindBlock(&file, uint64_t(k))->ib, int64_t(i));
            for (int64_t near : {k - 2, k + 1, k + 2, k + 6})
                ASSERT_TRUE(agrees(near)) << near;
        }
        for (int64_t beyond : {INT64_MIN, INT64_MIN + 2, INT64_MAX - 1, int64_t(0)})
            EXPECT_TRUE(agrees(beyond)) << beyond;
        // The recovery's insertions: new keys are found in the tree.
        const int64_t late = keys->back() + 1000;
        InsertBlock(&file, Block(late, -1));
        ASSERT_NE(FindBlock(&file, uint64_t(late)), nullptr);
        EXPECT_EQ(FindBlock(&file, uint64_t(late))->ib, -1);
        EXPECT_EQ(file.blocksSorted, keys->size());
        // A repeated key: the tree decides which record a lookup finds.
        const int64_t repeated = (*keys)[keys->size() / 3];
        InsertBlock(&file, Block(repeated, -2));
        EXPECT_EQ(file.blocksSorted, 0u);
        EXPECT_EQ(FindBlock(&file, uint64_t(repeated)), TreeFind(file, uint64_t(repeated)));
        for (size_t i = 0; i < keys->size(); i += 97)
            ASSERT_TRUE(agrees((*keys)[i]));
    }
    // Records linked into an index that holds one already are no sorted run.
    tpstfile file;
    InsertBlock(&file, Block(100, 99));
    for (int64_t k : {4, 8, 12})
        AddBlockUnlinked(&file, Block(k, k));
    LinkAddedBlocks(&file);
    EXPECT_EQ(file.blocksSorted, 0u);
    EXPECT_EQ(FindBlock(&file, 8)->ib, 8);
    FreeBlockIndex(&file);
    EXPECT_EQ(FindBlock(&file, 8), nullptr);
}

} // namespace
