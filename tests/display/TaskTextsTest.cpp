// The task viewer's percent and work texts at their boundaries.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "display/TaskTexts.h"

TEST(TaskTextsTest, PercentIsRoundedToAWholeNumberInTwoColumns) {
    EXPECT_EQ(PercentText(0), " 0");
    EXPECT_EQ(PercentText(0.05), " 5");
    EXPECT_EQ(PercentText(0.5), "50");
    EXPECT_EQ(PercentText(1), "100");
    EXPECT_EQ(PercentText(0.004), " 0");
    EXPECT_EQ(PercentText(0.996), "100");
    // Values no client writes still print as numbers.
    EXPECT_EQ(PercentText(-0.25), "-25");
    EXPECT_EQ(PercentText(12.5), "1250");
}

TEST(TaskTextsTest, PercentOfExtremeValuesFitsItsBuffer) {
    EXPECT_EQ(PercentText(std::numeric_limits<double>::max() / 100).size(), 309u);
    EXPECT_EQ(PercentText(-std::numeric_limits<double>::max() / 100).size(), 310u);
    EXPECT_EQ(PercentText(std::numeric_limits<double>::max()), "inf");
}

TEST(TaskTextsTest, WorkIsWholeHoursOfASignedMinuteCount) {
    EXPECT_EQ(WorkText(0), "0 h");
    EXPECT_EQ(WorkText(59), "0 h");
    EXPECT_EQ(WorkText(60), "1 h");
    EXPECT_EQ(WorkText(90), "1 h");
    EXPECT_EQ(WorkText(600), "10 h");
    // The stored value is signed: all bits set is -1 minute, truncated to 0 h.
    EXPECT_EQ(WorkText(0xFFFFFFFFu), "0 h");
    EXPECT_EQ(WorkText(uint32_t(-60)), "-1 h");
    EXPECT_EQ(WorkText(0x7FFFFFFFu), "35791394 h");
    EXPECT_EQ(WorkText(0x80000000u), "-35791394 h");
}
