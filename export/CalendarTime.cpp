// Calendar arithmetic for the vCard and iCalendar writers: day counts to
// civil dates (proleptic Gregorian, as FILETIMEs count) and the value texts.
#include "export/CalendarTime.h"

#include <cstdio>

namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kSecondsPerMinute = 60;
constexpr int64_t kSecondsPerDay = 86400;
constexpr int kFirstYear = 1601;
constexpr int kLastYear = 9999;
constexpr int64_t kAllDayNextDayMinute = 11 * 60;
// 1601-01-01 was a Monday.
constexpr int kWeekdayOfFirstDay = 1;

// Days from 0000-03-01 (proleptic Gregorian), the usual era arithmetic.
constexpr int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

constexpr int64_t kDay1601 = DaysFromCivil(kFirstYear, 1, 1);

std::optional<tcivildate> WrittenDate(int64_t days) {
    tcivildate d = CivilDate(days);
    if (d.Year < kFirstYear || d.Year > kLastYear) return std::nullopt;
    return d;
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

} // namespace

tcivildate CivilDate(int64_t daysSince1601) {
    int64_t z = daysSince1601 + kDay1601;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    tcivildate out;
    out.Day = int(doy - (153 * mp + 2) / 5 + 1);
    out.Month = int(mp < 10 ? mp + 3 : mp - 9);
    out.Year = int(yoe + era * 400 + (out.Month <= 2));
    int64_t w = (daysSince1601 + kWeekdayOfFirstDay) % 7;
    out.Weekday = int(w < 0 ? w + 7 : w);
    return out;
}

int64_t DaysSince1601(int year, int month, int day) {
    return DaysFromCivil(year, month, day) - kDay1601;
}

std::optional<int64_t> FileTimeSeconds(const tbytes& filetime) {
    if (filetime.size() < 8) return std::nullopt;
    uint64_t ticks = 0;
    for (int i = 0; i < 8; ++i)
        ticks |= uint64_t(filetime[size_t(i)]) << (8 * i);
    int64_t seconds = int64_t(ticks / kTicksPerSecond);
    if (!WrittenDate(seconds / kSecondsPerDay)) return std::nullopt;
    return seconds;
}

std::optional<int64_t> FileTimeMinutes(const tbytes& filetime) {
    auto seconds = FileTimeSeconds(filetime);
    if (!seconds) return std::nullopt;
    return *seconds / kSecondsPerMinute;
}

std::optional<std::string> UtcDateTime(int64_t seconds) {
    auto d = WrittenDate(FloorDiv(seconds, kSecondsPerDay));
    if (!d) return std::nullopt;
    int64_t s = seconds - FloorDiv(seconds, kSecondsPerDay) * kSecondsPerDay;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d%02dZ", d->Year, d->Month, d->Day,
                  int(s / 3600), int(s / 60 % 60), int(s % 60));
    return buffer;
}

std::optional<std::string> LocalDateTime(int64_t minutes) {
    auto text = UtcDateTime(minutes * kSecondsPerMinute);
    if (text) text->pop_back();
    return text;
}

std::optional<std::string> DateOfMinutes(int64_t minutes) {
    auto d = WrittenDate(FloorDiv(minutes, kMinutesPerDay));
    if (!d) return std::nullopt;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", d->Year, d->Month, d->Day);
    return buffer;
}

std::optional<std::string> IsoDateOfMinutes(int64_t minutes) {
    auto d = WrittenDate(FloorDiv(minutes, kMinutesPerDay));
    if (!d) return std::nullopt;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", d->Year, d->Month, d->Day);
    return buffer;
}

int64_t AllDayMinutes(int64_t utcMinutes) {
    int64_t day = FloorDiv(utcMinutes, kMinutesPerDay);
    int64_t minuteOfDay = utcMinutes - day * kMinutesPerDay;
    if (minuteOfDay >= kAllDayNextDayMinute) ++day;
    return day * kMinutesPerDay;
}
