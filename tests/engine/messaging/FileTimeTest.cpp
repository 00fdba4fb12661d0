// FILETIME to local date-time under time zones the test sets itself.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "engine/messaging/FileTime.h"

namespace {

class FileTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) saved_ = tz;
    }
    void TearDown() override {
        if (saved_)
            setenv("TZ", saved_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    static void Zone(const char* tz) {
        setenv("TZ", tz, 1);
        tzset();
    }

private:
    std::optional<std::string> saved_;
};

// FILETIME bytes of a Unix time plus 100-ns ticks.
std::vector<uint8_t> FileTime(int64_t unixSeconds, uint64_t ticks = 0) {
    uint64_t v = uint64_t(unixSeconds + 11644473600LL) * 10000000ULL + ticks;
    std::vector<uint8_t> b(8);
    for (int i = 0; i < 8; ++i)
        b[size_t(i)] = uint8_t(v >> (8 * i));
    return b;
}

constexpr double kMinute = 1.0 / 1440;

} // namespace

TEST_F(FileTimeTest, AbsentTimeIsZero) {
    Zone("UTC0");
    EXPECT_EQ(FileTimeToDateTime({}), 0.0);
    EXPECT_EQ(FileTimeToDateTime({1, 2, 3}), 0.0);
}

TEST_F(FileTimeTest, DaysSince1899WithTheTimeAsFraction) {
    Zone("UTC0");
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(FileTime(-2209161600LL)), 0.0);   // 1899-12-30 00:00
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(FileTime(946728000LL)), 36526.5); // 2000-01-01 12:00
    // Milliseconds survive; finer ticks do not.
    EXPECT_NEAR(FileTimeToDateTime(FileTime(946684800LL, 5004321)), 36526 + 0.5 / 86400, 1e-10);
    // Before day 0 the fraction counts back from the day: 1899-12-29 12:00.
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(FileTime(-2209204800LL)), -1.5);
}

TEST_F(FileTimeTest, EachDateGetsTheOffsetInForceOnIt) {
    Zone("CET-1CEST,M3.5.0,M10.5.0/3");
    // 2021-01-15 12:00 UTC is 13:00 in winter; 2021-07-15 12:00 UTC is 14:00 in summer.
    EXPECT_NEAR(FileTimeToDateTime(FileTime(1610712000LL)), 44211 + 13.0 / 24, kMinute / 60);
    EXPECT_NEAR(FileTimeToDateTime(FileTime(1626350400LL)), 44392 + 14.0 / 24, kMinute / 60);
    Zone("EST5EDT,M3.2.0,M11.1.0");
    // 23:30 UTC on 2021-01-15 is still the 15th in New York.
    EXPECT_NEAR(FileTimeToDateTime(FileTime(1610753400LL)), 44211 + 18.5 / 24, kMinute / 60);
}

TEST_F(FileTimeTest, UnixTimeAndLocalTimeOfTheSameBytes) {
    Zone("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(FileTimeToUnixTime({}), std::nullopt);
    EXPECT_EQ(FileTimeToUnixTime({1, 2, 3, 4, 5, 6, 7}), std::nullopt);
    EXPECT_FALSE(FileTimeToLocalTime({1, 2, 3}));
    // Whole seconds: the ticks below a second are dropped, not rounded.
    EXPECT_EQ(FileTimeToUnixTime(FileTime(1265551509LL, 9999999)), 1265551509);
    EXPECT_EQ(FileTimeToUnixTime(FileTime(0)), 0);
    // The zero FILETIME is 1601-01-01, before the Unix epoch.
    EXPECT_EQ(FileTimeToUnixTime(std::vector<uint8_t>(8, 0)), -11644473600LL);
    // Extra bytes after the eighth are ignored.
    std::vector<uint8_t> longer = FileTime(1626350400LL);
    longer.push_back(0xFF);
    std::optional<std::tm> summer = FileTimeToLocalTime(longer);
    ASSERT_TRUE(summer);
    EXPECT_EQ(summer->tm_hour, 14);
    EXPECT_EQ(summer->tm_mday, 15);
    EXPECT_EQ(summer->tm_mon, 6);
    EXPECT_EQ(summer->tm_wday, 4);
}
