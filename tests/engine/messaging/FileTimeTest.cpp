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

namespace {

bool SameBrokenTime(const std::tm& a, const std::tm& b) {
    return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday &&
           a.tm_hour == b.tm_hour && a.tm_min == b.tm_min && a.tm_sec == b.tm_sec &&
           a.tm_wday == b.tm_wday && a.tm_yday == b.tm_yday && a.tm_isdst == b.tm_isdst &&
           a.tm_gmtoff == b.tm_gmtoff;
}

// Every `step` seconds from `from` to `to`: the conversion and localtime_r agree.
int CountDisagreements(int64_t from, int64_t to, int64_t step) {
    int wrong = 0;
    for (int64_t t = from; t <= to; t += step) {
        std::tm expected{};
        const std::time_t tt = std::time_t(t);
        std::optional<std::tm> got = FileTimeToLocalTime(FileTime(t));
        if (!localtime_r(&tt, &expected) || !got || !SameBrokenTime(*got, expected)) ++wrong;
    }
    return wrong;
}

} // namespace

// Dates are broken down from offsets kept per day: they must be what the C
// library gives for every second, through summer-time changes of an hour and
// of half an hour, odd historic offsets, zones that count leap seconds (where
// installed), times before 1970 and a zone changed between two lists.
TEST_F(FileTimeTest, KeptDayOffsetsGiveWhatTheLibraryGives) {
    constexpr int64_t k1890 = -2524521600LL, k2045 = 2366841600LL;
    for (const char* zone : {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "Europe/Amsterdam",
                             "America/St_Johns", "Australia/Lord_Howe", "Asia/Kathmandu",
                             "America/Sao_Paulo", "right/Europe/London"}) {
        SCOPED_TRACE(zone);
        Zone(zone);
        // 7 h 13 min 17 s apart: every hour of the day and every day of the week.
        EXPECT_EQ(CountDisagreements(k1890, k2045, 25997), 0);
        // Every 10 minutes of the days of 2021's changes in Europe and Lord Howe.
        EXPECT_EQ(CountDisagreements(1616803200LL, 1617062400LL, 600), 0); // 27-30 March
        EXPECT_EQ(CountDisagreements(1617408000LL, 1617580800LL, 600), 0); // 3-5 April
        EXPECT_EQ(CountDisagreements(1635552000LL, 1635811200LL, 600), 0); // 30 Oct-2 Nov
    }
    // The same second read under two zones in turn, each time as that zone has it.
    Zone("UTC0");
    ASSERT_TRUE(FileTimeToLocalTime(FileTime(1626350400LL)));
    EXPECT_EQ(FileTimeToLocalTime(FileTime(1626350400LL))->tm_hour, 12);
    Zone("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(FileTimeToLocalTime(FileTime(1626350400LL))->tm_hour, 14);
    // The earliest and the latest FILETIME convert as the library has them.
    std::vector<uint8_t> zero(8, 0), last(8, 0xFF);
    last[7] = 0x7F;
    for (const std::vector<uint8_t>* bytes : {&zero, &last}) {
        const std::time_t t = *FileTimeToUnixTime(*bytes);
        std::tm expected{};
        ASSERT_TRUE(localtime_r(&t, &expected));
        std::optional<std::tm> got = FileTimeToLocalTime(*bytes);
        ASSERT_TRUE(got);
        EXPECT_TRUE(SameBrokenTime(*got, expected));
    }
}
