// The open's hint to the allocator: only a large mailbox calls the hook, and
// only the first one, as the allocator's options stay set for the process.
#include <gtest/gtest.h>

#include "support/MemoryHint.h"

namespace {

int hookCalls = 0;
void CountCall() {
    ++hookCalls;
}

class MemoryHintTest : public ::testing::Test {
protected:
    void SetUp() override {
        hookCalls = 0;
        ostrel::SetLargeMailboxHook(CountCall);
    }
    void TearDown() override { ostrel::SetLargeMailboxHook(nullptr); }
};

TEST_F(MemoryHintTest, SmallMailboxesLeaveTheAllocatorAlone) {
    EXPECT_FALSE(ostrel::ExpectMailboxOf(0));
    EXPECT_FALSE(ostrel::ExpectMailboxOf(50u << 20));
    EXPECT_FALSE(ostrel::ExpectMailboxOf(ostrel::kLargeMailboxBytes - 1));
    EXPECT_EQ(hookCalls, 0);
}

TEST_F(MemoryHintTest, TheFirstLargeMailboxCallsTheHookOnce) {
    EXPECT_TRUE(ostrel::ExpectMailboxOf(ostrel::kLargeMailboxBytes));
    EXPECT_FALSE(ostrel::ExpectMailboxOf(uint64_t(6) << 30)); // a second, larger file
    EXPECT_EQ(hookCalls, 1);
}

TEST_F(MemoryHintTest, WithoutAHookTheHintDoesNothing) {
    ostrel::SetLargeMailboxHook(nullptr);
    EXPECT_FALSE(ostrel::ExpectMailboxOf(uint64_t(6) << 30));
    EXPECT_EQ(hookCalls, 0);
}

} // namespace
