// The open's hint to the allocator: the hook hears of each change of plan
// by the mailbox's size, and nothing after the plan of huge pages, which
// the allocator cannot take back.
#include <gtest/gtest.h>

#include <vector>

#include "support/MemoryHint.h"

namespace {

using ostrel::tmemoryplan;

std::vector<tmemoryplan> heard;
void Hear(tmemoryplan plan) {
    heard.push_back(plan);
}

class MemoryHintTest : public ::testing::Test {
protected:
    void SetUp() override {
        heard.clear();
        ostrel::SetMemoryPlanHook(Hear);
    }
    void TearDown() override { ostrel::SetMemoryPlanHook(nullptr); }
};

constexpr uint64_t kMiB = uint64_t(1) << 20;

TEST_F(MemoryHintTest, EachSizeHasItsPlan) {
    EXPECT_EQ(ostrel::MemoryPlanFor(0), tmemoryplan::GiveBackAtOnce);
    EXPECT_EQ(ostrel::MemoryPlanFor(ostrel::kSmallMailboxBytes - 1), tmemoryplan::GiveBackAtOnce);
    EXPECT_EQ(ostrel::MemoryPlanFor(ostrel::kSmallMailboxBytes), tmemoryplan::Default);
    EXPECT_EQ(ostrel::MemoryPlanFor(ostrel::kLargeMailboxBytes - 1), tmemoryplan::Default);
    EXPECT_EQ(ostrel::MemoryPlanFor(ostrel::kLargeMailboxBytes), tmemoryplan::LargePages);
    EXPECT_EQ(ostrel::MemoryPlanFor(uint64_t(6) << 30), tmemoryplan::LargePages);
}

TEST_F(MemoryHintTest, TheHookHearsOnlyChanges) {
    EXPECT_FALSE(ostrel::ExpectMailboxOf(512 * kMiB)); // the plan a process starts in
    EXPECT_TRUE(ostrel::ExpectMailboxOf(50 * kMiB));
    EXPECT_FALSE(ostrel::ExpectMailboxOf(20 * kMiB));
    EXPECT_TRUE(ostrel::ExpectMailboxOf(512 * kMiB));
    EXPECT_EQ(heard, (std::vector<tmemoryplan>{tmemoryplan::GiveBackAtOnce, tmemoryplan::Default}));
}

TEST_F(MemoryHintTest, LargePagesAreTheLastChange) {
    EXPECT_TRUE(ostrel::ExpectMailboxOf(50 * kMiB));
    EXPECT_TRUE(ostrel::ExpectMailboxOf(ostrel::kLargeMailboxBytes));
    EXPECT_FALSE(ostrel::ExpectMailboxOf(uint64_t(6) << 30)); // a second, larger file
    EXPECT_FALSE(ostrel::ExpectMailboxOf(50 * kMiB));
    EXPECT_FALSE(ostrel::ExpectMailboxOf(512 * kMiB));
    EXPECT_EQ(heard,
              (std::vector<tmemoryplan>{tmemoryplan::GiveBackAtOnce, tmemoryplan::LargePages}));
}

// The engine's own mappings follow each file, also once the allocator's
// plan can no longer change, and in builds with no allocator hook.
TEST_F(MemoryHintTest, TheLastMailboxsPlanFollowsEachFile) {
    EXPECT_TRUE(ostrel::ExpectMailboxOf(ostrel::kLargeMailboxBytes));
    EXPECT_EQ(ostrel::PlanOfLastMailbox(), tmemoryplan::LargePages);
    EXPECT_FALSE(ostrel::ExpectMailboxOf(50 * kMiB));
    EXPECT_EQ(ostrel::PlanOfLastMailbox(), tmemoryplan::GiveBackAtOnce);
    ostrel::SetMemoryPlanHook(nullptr);
    EXPECT_FALSE(ostrel::ExpectMailboxOf(512 * kMiB));
    EXPECT_EQ(ostrel::PlanOfLastMailbox(), tmemoryplan::Default);
}

TEST_F(MemoryHintTest, WithoutAHookTheHintDoesNothing) {
    ostrel::SetMemoryPlanHook(nullptr);
    EXPECT_FALSE(ostrel::ExpectMailboxOf(50 * kMiB));
    EXPECT_FALSE(ostrel::ExpectMailboxOf(uint64_t(6) << 30));
    EXPECT_TRUE(heard.empty());
}

} // namespace
