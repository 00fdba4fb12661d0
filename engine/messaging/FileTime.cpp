// FILETIME to Unix time and to local time: the platform's time-zone rules
// for the date being converted (so summer times get the summer offset), and
// for date-time values the calendar day count from 30 December 1899.
#include "engine/messaging/FileTime.h"

#include <ctime>

#include "support/LittleEndian.h"

namespace {

constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint64_t kTicksPerMillisecond = 10000;
constexpr int64_t kSecondsFrom1601To1970 = 11644473600;

// Days from 1970-01-01 to a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

} // namespace

std::optional<std::time_t> FileTimeToUnixTime(const std::vector<uint8_t>& filetime) {
    if (filetime.size() < 8) return std::nullopt;
    uint64_t ticks = LoadU64(filetime.data());
    return std::time_t(int64_t(ticks / kTicksPerSecond) - kSecondsFrom1601To1970);
}

std::optional<std::tm> FileTimeToLocalTime(const std::vector<uint8_t>& filetime) {
    std::optional<std::time_t> seconds = FileTimeToUnixTime(filetime);
    std::tm local{};
    if (!seconds || !localtime_r(&*seconds, &local)) return std::nullopt;
    return local;
}

double FileTimeToDateTime(const std::vector<uint8_t>& filetime) {
    std::optional<std::tm> local = FileTimeToLocalTime(filetime);
    if (!local) return 0;
    uint64_t millis = (LoadU64(filetime.data()) % kTicksPerSecond) / kTicksPerMillisecond;
    int64_t days =
        DaysFromCivil(int64_t(local->tm_year) + 1900, local->tm_mon + 1, local->tm_mday) -
        DaysFromCivil(1899, 12, 30);
    double time =
        (local->tm_hour * 3600.0 + local->tm_min * 60.0 + local->tm_sec + millis / 1000.0) /
        86400.0;
    return days >= 0 ? double(days) + time : double(days) - time;
}
