// FILETIME to local date-time: the platform's time-zone rules for the date
// being converted (so summer times get the summer offset), then the calendar
// day count from 30 December 1899.
#include "engine/messaging/FileTime.h"

#include <ctime>

#include "engine/ndb/FormatOffsets.h"

namespace {

constexpr uint64_t kTicksPerSecond = 10000000;
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

double FileTimeToDateTime(const std::vector<uint8_t>& filetime) {
    if (filetime.size() < 8) return 0;
    uint64_t ticks = LoadU64(filetime.data());
    std::time_t seconds = std::time_t(int64_t(ticks / kTicksPerSecond) - kSecondsFrom1601To1970);
    uint64_t millis = (ticks % kTicksPerSecond) / 10000;
    std::tm local{};
    if (!localtime_r(&seconds, &local)) return 0;
    int64_t days = DaysFromCivil(int64_t(local.tm_year) + 1900, local.tm_mon + 1, local.tm_mday) -
                   DaysFromCivil(1899, 12, 30);
    double time =
        (local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + millis / 1000.0) / 86400.0;
    return days >= 0 ? double(days) + time : double(days) - time;
}
