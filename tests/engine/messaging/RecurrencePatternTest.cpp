// The recurrence pattern reader ([MS-OXOCAL] 2.2.1.44) on values the test
// writer makes: every pattern type and end, the appointment's time offsets,
// and damaged values (cut at every length, counts beyond the value, fields
// the format does not define).
#include <gtest/gtest.h>

#include "engine/messaging/RecurrencePattern.h"
#include "tools/pstwriter/PstCalendarValues.h"

namespace {

pstw::Recurrence Weekly() {
    pstw::Recurrence r;
    r.patternSpecific = {0x2A}; // Monday, Wednesday, Friday
    r.period = 2;
    r.firstDayOfWeek = 1;
    r.endType = 0x2021;
    r.startDate = pstw::minutesOfDate(2024, 3, 4);
    r.endDate = pstw::minutesOfDate(2024, 6, 28);
    r.deletedDates = {pstw::minutesOfDate(2024, 3, 6), pstw::minutesOfDate(2024, 3, 8)};
    r.modifiedDates = {pstw::minutesOfDate(2024, 3, 8)};
    r.startTimeOffset = 9 * 60;
    r.endTimeOffset = 10 * 60 + 30;
    return r;
}

TEST(RecurrencePattern, WeeklyAppointmentPatternReadsEveryField) {
    auto p = ParseRecurrence(pstw::recurrenceBytes(Weekly()), true);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Frequency, kRecurFrequencyWeekly);
    EXPECT_EQ(p->PatternType, kRecurPatternWeek);
    EXPECT_EQ(p->DayOfWeekMask, 0x2Au);
    EXPECT_EQ(p->Period, 2u);
    EXPECT_EQ(p->FirstDayOfWeek, 1u);
    EXPECT_EQ(p->EndType, kRecurEndAfterDate);
    EXPECT_EQ(p->StartDate, pstw::minutesOfDate(2024, 3, 4));
    EXPECT_EQ(p->EndDate, pstw::minutesOfDate(2024, 6, 28));
    ASSERT_TRUE(p->HasTimeOffsets);
    EXPECT_EQ(p->StartTimeOffset, 540u);
    EXPECT_EQ(p->EndTimeOffset, 630u);
    // The modified instance is no removed one.
    EXPECT_EQ(p->RemovedInstanceDates(), std::vector<uint32_t>{pstw::minutesOfDate(2024, 3, 6)});
}

TEST(RecurrencePattern, PatternSpecificPartsOfEachType) {
    struct tcase {
        uint16_t type;
        std::vector<uint32_t> specific;
        uint32_t mask, day, week;
    } cases[] = {{0x0000, {}, 0, 0, 0},           {0x0002, {15}, 0, 15, 0},
                 {0x0003, {0x20, 5}, 0x20, 0, 5}, {0x0004, {31}, 0, 31, 0},
                 {0x000A, {3}, 0, 3, 0},          {0x000B, {0x01, 2}, 0x01, 0, 2}};
    for (const tcase& c : cases) {
        pstw::Recurrence r;
        r.frequency = 0x200C;
        r.patternType = c.type;
        r.patternSpecific = c.specific;
        r.appointment = false;
        auto p = ParseRecurrence(pstw::recurrenceBytes(r), false);
        ASSERT_TRUE(p) << c.type;
        EXPECT_EQ(p->DayOfWeekMask, c.mask) << c.type;
        EXPECT_EQ(p->DayOfMonth, c.day) << c.type;
        EXPECT_EQ(p->WeekOfMonth, c.week) << c.type;
        EXPECT_FALSE(p->HasTimeOffsets);
    }
}

TEST(RecurrencePattern, EveryCutOfTheValueIsRefusedOrLosesOnlyTheTimes) {
    std::vector<uint8_t> whole = pstw::recurrenceBytes(Weekly());
    auto full = ParseRecurrence(whole, true);
    ASSERT_TRUE(full);
    size_t patternEnd = pstw::recurrenceBytes([] {
                            pstw::Recurrence r = Weekly();
                            r.appointment = false;
                            return r;
                        }())
                            .size();
    for (size_t n = 0; n < whole.size(); ++n) {
        auto p = ParseRecurrence(std::span(whole.data(), n), true);
        if (n < patternEnd) {
            EXPECT_FALSE(p) << n;
        } else {
            ASSERT_TRUE(p) << n;
            EXPECT_EQ(p->HasTimeOffsets, n >= patternEnd + 16) << n;
        }
    }
}

TEST(RecurrencePattern, HostileCountsAndUndefinedFieldsAreRefused) {
    std::vector<uint8_t> bytes = pstw::recurrenceBytes(Weekly());
    // DeletedInstanceCount sits after the 22-byte head, the day mask and the
    // three 32-bit end fields.
    constexpr size_t kDeletedCountAt = 22 + 4 + 12;
    for (uint32_t count : {0xFFFFFFFFu, kMaxRecurrenceInstances + 1, 1000u}) {
        std::vector<uint8_t> b = bytes;
        for (int i = 0; i < 4; ++i)
            b[kDeletedCountAt + size_t(i)] = uint8_t(count >> (8 * i));
        EXPECT_FALSE(ParseRecurrence(b, true)) << count;
    }
    auto edited = [&](size_t at, uint8_t v) {
        std::vector<uint8_t> b = bytes;
        b[at] = v;
        return ParseRecurrence(b, true);
    };
    EXPECT_FALSE(edited(0, 0x05));  // ReaderVersion
    EXPECT_FALSE(edited(4, 0x0F));  // RecurFrequency
    EXPECT_FALSE(edited(6, 0x07));  // PatternType
    EXPECT_FALSE(edited(22, 0x80)); // a day beyond Saturday
    EXPECT_FALSE(edited(26, 0x24)); // EndType
}

} // namespace
