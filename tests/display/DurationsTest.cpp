// The duration list: its entries in order and the lookup by minutes.
#include <gtest/gtest.h>

#include <string>

#include "display/Durations.h"

TEST(DurationsTest, ListRunsFromNoneToTwoWeeksInRisingOrder) {
    auto list = DurationList();
    ASSERT_EQ(list.size(), 24u);
    EXPECT_EQ(std::string(list.front().Text), "0 min.");
    EXPECT_EQ(std::string(list[16].Text), "0,5 day");
    EXPECT_EQ(std::string(list.back().Text), "2 week");
    for (size_t i = 1; i < list.size(); ++i)
        EXPECT_LT(list[i - 1].Minutes, list[i].Minutes) << list[i].Text;
}

TEST(DurationsTest, OnlyExactMinuteCountsHaveAnEntry) {
    for (size_t i = 0; i < DurationList().size(); ++i)
        EXPECT_EQ(DurationIndex(DurationList()[i].Minutes), int(i));
    EXPECT_EQ(DurationIndex(720), 16);
    EXPECT_EQ(DurationIndex(1080), 17);
    EXPECT_EQ(DurationIndex(45), -1);
    EXPECT_EQ(DurationIndex(-5), -1);
    EXPECT_EQ(DurationIndex(20161), -1);
}
