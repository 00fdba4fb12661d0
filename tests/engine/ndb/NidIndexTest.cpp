// The index of node records by NID: every head is found again through the
// table's growth, a new record of a held NID takes the head's place, NIDs
// that share their low 32 bits (only a damaged file has higher ones) stay
// apart, and a cleared index holds nothing.
#include "engine/ndb/NidIndex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>

#include "engine/ndb/NodeTree.h"

namespace {

constexpr uint64_t kMessageType = 0x04;  // nidType of a normal message
constexpr uint64_t kNidIndexStep = 0x20; // nidIndex sits above five type bits

struct tnodes {
    std::deque<tnodeentry> records; // addresses stay while records are added

    tnodeentry* Make(uint64_t nid) {
        records.emplace_back();
        records.back().nid = nid;
        return &records.back();
    }
};

TEST(NidIndex, HeadsAreFoundThroughGrowthAndReplacedByNewerRecords) {
    tnodes nodes;
    tnidindex index;
    EXPECT_EQ(index.Find(kMessageType), nullptr);
    // A mailbox's worth of NIDs, past many doublings of the table.
    constexpr uint64_t kCount = 100000;
    std::vector<tnodeentry*> first;
    for (uint64_t i = 1; i <= kCount; ++i) {
        tnodeentry* node = nodes.Make(i * kNidIndexStep | kMessageType);
        ASSERT_EQ(index.PutHead(node), nullptr);
        first.push_back(node);
    }
    EXPECT_EQ(index.Size(), kCount);
    for (uint64_t i = 1; i <= kCount; ++i)
        ASSERT_EQ(index.Find(i * kNidIndexStep | kMessageType), first[i - 1]);
    // NIDs of another type, and beyond the last, are not held.
    EXPECT_EQ(index.Find(kNidIndexStep | 0x02), nullptr);
    EXPECT_EQ(index.Find((kCount + 1) * kNidIndexStep | kMessageType), nullptr);
    EXPECT_EQ(index.Find(0), nullptr);

    // A second record of a NID (an older copy found by the page scan) takes
    // the head's place and gives back the one before it, for the chain.
    const uint64_t twice = 777 * kNidIndexStep | kMessageType;
    tnodeentry* newer = nodes.Make(twice);
    EXPECT_EQ(index.PutHead(newer), first[776]);
    EXPECT_EQ(index.Find(twice), newer);
    EXPECT_EQ(index.Size(), kCount);
}

TEST(NidIndex, NidsThatShareTheirLowBitsStayApart) {
    tnodes nodes;
    tnidindex index;
    // The same low 32 bits under four different high halves, among others
    // put before and after them, so that they meet in one probe run.
    const uint64_t low = 0x2224;
    std::vector<tnodeentry*> alike;
    for (uint64_t i = 0; i < 500; ++i)
        index.PutHead(nodes.Make(0x10000 + i * kNidIndexStep));
    for (uint64_t high : {0ull, 1ull, 0x80000000ull, 0xFFFFFFFFull}) {
        tnodeentry* node = nodes.Make(high << 32 | low);
        ASSERT_EQ(index.PutHead(node), nullptr);
        alike.push_back(node);
    }
    for (uint64_t i = 500; i < 5000; ++i)
        index.PutHead(nodes.Make(0x10000 + i * kNidIndexStep));
    size_t k = 0;
    for (uint64_t high : {0ull, 1ull, 0x80000000ull, 0xFFFFFFFFull})
        EXPECT_EQ(index.Find(high << 32 | low), alike[k++]);
    EXPECT_EQ(index.Find(uint64_t(2) << 32 | low), nullptr);
    // A newer record of one of them replaces that one only.
    tnodeentry* newer = nodes.Make(uint64_t(1) << 32 | low);
    EXPECT_EQ(index.PutHead(newer), alike[1]);
    EXPECT_EQ(index.Find(uint64_t(1) << 32 | low), newer);
    EXPECT_EQ(index.Find(low), alike[0]);
}

TEST(NidIndex, ClearedIndexHoldsNothingAndFillsAgain) {
    tnodes nodes;
    tnidindex index;
    for (uint64_t i = 1; i <= 300; ++i)
        index.PutHead(nodes.Make(i * kNidIndexStep | kMessageType));
    index.Clear();
    EXPECT_EQ(index.Size(), 0u);
    EXPECT_EQ(index.Find(kNidIndexStep | kMessageType), nullptr);
    tnodeentry* again = nodes.Make(kNidIndexStep | kMessageType);
    EXPECT_EQ(index.PutHead(again), nullptr);
    EXPECT_EQ(index.Find(kNidIndexStep | kMessageType), again);
}

} // namespace
