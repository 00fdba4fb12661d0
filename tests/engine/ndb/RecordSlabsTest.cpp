// The index record stores: records keep their fields and addresses while
// the slabs grow past the huge-page size, across a move, and a cleared
// store starts over; a cursor reads them back in order from any record,
// and each is found by its place.
#include "engine/ndb/RecordSlabs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace {

struct trecord {
    uint64_t key = 0;
    uint64_t value = 0;
    unsigned char pad[112] = {}; // 128 bytes: a node record's size
};

TEST(RecordSlabs, RecordsKeepFieldsAndAddressesAcrossSlabsAndMoves) {
    ostrel::trecordslabs<trecord> store;
    // Past several whole huge-page slabs (16,384 records of 128 bytes each).
    const uint64_t n = 3 * ostrel::trecordslabs<trecord>::kLargestSlabRecords + 17;
    std::vector<trecord*> added;
    for (uint64_t i = 0; i < n; ++i) {
        trecord r;
        r.key = i;
        r.value = i * 7 + 1;
        r.pad[111] = static_cast<unsigned char>(i);
        added.push_back(store.Add(r));
    }
    ostrel::trecordslabs<trecord> moved = std::move(store);
    for (uint64_t i = 0; i < n; ++i) {
        ASSERT_EQ(added[i]->key, i);
        ASSERT_EQ(added[i]->value, i * 7 + 1);
        ASSERT_EQ(added[i]->pad[111], static_cast<unsigned char>(i));
    }
    // The records stand apart: writing one leaves its neighbours.
    added[1000]->value = 0;
    EXPECT_EQ(added[999]->value, 999u * 7 + 1);
    EXPECT_EQ(added[1001]->value, 1001u * 7 + 1);

    // Read back in the order added, from any record on, across slab ends.
    EXPECT_EQ(moved.Count(), n);
    for (uint64_t first : {uint64_t(0), uint64_t(255), uint64_t(256), uint64_t(767), n - 1, n}) {
        ostrel::trecordslabs<trecord>::tcursor cursor(moved, first);
        uint64_t expected = first;
        while (trecord* r = cursor.Next()) {
            ASSERT_EQ(r, added[expected]) << first;
            ++expected;
        }
        EXPECT_EQ(expected, n) << first;
    }

    // Each record by its place, in the doubling slabs and the whole ones.
    for (uint64_t i = 0; i < n; ++i)
        ASSERT_EQ(moved.At(size_t(i)), added[i]) << i;

    moved.Clear();
    EXPECT_EQ(moved.Count(), 0u);
    EXPECT_EQ(ostrel::trecordslabs<trecord>::tcursor(moved, 0).Next(), nullptr);
    trecord r;
    r.key = 42;
    trecord* again = moved.Add(r);
    EXPECT_EQ(again->key, 42u);
    // The moved-from store is empty and usable.
    EXPECT_EQ(store.Add(r)->key, 42u);
}

} // namespace
