// RRULE from a recurrence pattern. Daily patterns count their period in
// minutes, weekly in weeks, monthly and yearly in months ([MS-OXOCAL]
// 2.2.1.44.1); a yearly pattern's month is that of its start date.
#include "export/RecurrenceRule.h"

#include "export/CalendarTime.h"

namespace {

constexpr uint32_t kMonthsPerYear = 12;
constexpr uint32_t kLastWeekOfMonth = 5;
constexpr uint32_t kMostMonthDay = 31;
constexpr int kDaysPerWeek = 7;

// CalendarType values whose months and days are the Gregorian ones:
// default, Gregorian (several locales), Japanese era, Taiwan, Korean and
// Thai eras ([MS-OXOCAL] 2.2.1.44.1).
bool GregorianMonths(uint16_t calendarType) {
    switch (calendarType) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 7:
    case 9:
    case 10:
    case 11:
    case 12:
        return true;
    default:
        return false;
    }
}

std::string Days(uint32_t mask) {
    static constexpr const char* kDays[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    std::string out;
    for (int d = 0; d < kDaysPerWeek; ++d)
        if (mask & (1u << d)) out += (out.empty() ? "" : ",") + std::string(kDays[d]);
    return out;
}

std::string WeekStart(const trecurrence& p) {
    static constexpr const char* kDays[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    return std::string(";WKST=") + kDays[p.FirstDayOfWeek % kDaysPerWeek];
}

// BYMONTHDAY or BYDAY;BYSETPOS of the month patterns.
std::optional<std::string> MonthPart(const trecurrence& p) {
    switch (p.PatternType) {
    case kRecurPatternMonth:
        if (p.DayOfMonth < 1 || p.DayOfMonth > kMostMonthDay) return std::nullopt;
        return ";BYMONTHDAY=" + std::to_string(p.DayOfMonth);
    case kRecurPatternMonthEnd:
        return std::string(";BYMONTHDAY=-1");
    case kRecurPatternMonthNth: {
        if (p.DayOfWeekMask == 0) return std::nullopt;
        std::string pos = p.WeekOfMonth == kLastWeekOfMonth ? "-1" : std::to_string(p.WeekOfMonth);
        return ";BYDAY=" + Days(p.DayOfWeekMask) + ";BYSETPOS=" + pos;
    }
    default:
        return std::nullopt;
    }
}

std::optional<std::string> DailyPart(const trecurrence& p) {
    if (p.Period == 0 || p.Period % kMinutesPerDay != 0) return std::nullopt;
    return "FREQ=DAILY;INTERVAL=" + std::to_string(p.Period / kMinutesPerDay);
}

std::optional<std::string> WeeklyPart(const trecurrence& p) {
    if (p.Period == 0 || p.DayOfWeekMask == 0) return std::nullopt;
    return "FREQ=WEEKLY;INTERVAL=" + std::to_string(p.Period) + ";BYDAY=" + Days(p.DayOfWeekMask) +
           WeekStart(p);
}

std::optional<std::string> MonthlyPart(const trecurrence& p, bool yearly) {
    auto part = MonthPart(p);
    if (!part || p.Period == 0) return std::nullopt;
    if (!yearly) return "FREQ=MONTHLY;INTERVAL=" + std::to_string(p.Period) + *part;
    if (p.Period % kMonthsPerYear != 0) return std::nullopt;
    int month = CivilDate(p.StartDate / kMinutesPerDay).Month;
    return "FREQ=YEARLY;INTERVAL=" + std::to_string(p.Period / kMonthsPerYear) +
           ";BYMONTH=" + std::to_string(month) + *part;
}

} // namespace

std::optional<std::string> RecurrenceFrequencyPart(const trecurrence& p) {
    if (!GregorianMonths(p.CalendarType)) return std::nullopt;
    switch (p.PatternType) {
    case kRecurPatternDay:
        return DailyPart(p);
    case kRecurPatternWeek:
        return WeeklyPart(p);
    case kRecurPatternMonth:
    case kRecurPatternMonthEnd:
    case kRecurPatternMonthNth:
        return MonthlyPart(p, p.Frequency == kRecurFrequencyYearly);
    default:
        return std::nullopt; // the Hijri month patterns
    }
}

std::optional<std::string> RecurrenceRule(const trecurrence& p, const std::string& until) {
    auto rule = RecurrenceFrequencyPart(p);
    if (!rule) return std::nullopt;
    if (p.EndType == kRecurEndAfterCount) {
        if (p.OccurrenceCount == 0) return std::nullopt;
        return *rule + ";COUNT=" + std::to_string(p.OccurrenceCount);
    }
    if (p.EndType == kRecurEndAfterDate && !until.empty()) return *rule + ";UNTIL=" + until;
    return rule;
}
