// FILETIME to Unix time and to local time: the platform's time-zone rules
// for the date being converted (so summer times get the summer offset), and
// for date-time values the calendar day count from 30 December 1899.
#include "engine/messaging/FileTime.h"

#include <array>
#include <cstdlib>
#include <ctime>
#include <string>

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

// The civil date of a day count from 1970-01-01 (H. Hinnant's algorithm).
void CivilFromDays(int64_t days, int64_t& y, int& m, int& d) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

constexpr int64_t kSecondsPerDay = 86400;

// One UTC day on which the zone keeps one offset from start to end.
struct tzoneday {
    int64_t day = INT64_MIN;
    long offset = 0; // seconds east of UTC
    int isdst = 0;
    const char* zone = nullptr;
};

// Asking the C library for every date of a long list costs a lock and the
// zone's rules each time; a day's offset is asked once per thread and kept
// (a few hundred days). The kept days are dropped when TZ changes.
class tzonedays {
public:
    std::optional<std::tm> Local(std::time_t t) {
        KeepZone();
        const int64_t day = FloorDiv(int64_t(t), kSecondsPerDay);
        tzoneday& slot = days_[size_t(day) % days_.size()];
        if (slot.day != day && !Learn(day, slot)) return LibraryLocal(t);
        return Broken(int64_t(t) + slot.offset, slot);
    }

private:
    static std::optional<std::tm> LibraryLocal(std::time_t t) {
        std::tm local{};
        if (!localtime_r(&t, &local)) return std::nullopt;
        return local;
    }

    void KeepZone() {
        const char* tz = std::getenv("TZ");
        const bool set = tz != nullptr;
        if (set == zoneSet_ && (!set || zone_ == tz)) return;
        zoneSet_ = set;
        zone_ = set ? tz : "";
        days_.fill({});
    }

    // A day whose first and last second have the same offset has it
    // throughout: the zone's changes lie months apart.
    static bool Learn(int64_t day, tzoneday& slot) {
        const std::time_t first = std::time_t(day * kSecondsPerDay);
        const std::time_t last = first + std::time_t(kSecondsPerDay - 1);
        std::tm a{}, b{};
        if (!localtime_r(&first, &a) || !localtime_r(&last, &b)) return false;
        if (a.tm_gmtoff != b.tm_gmtoff || a.tm_isdst != b.tm_isdst) return false;
        const tzoneday learnt{day, a.tm_gmtoff, a.tm_isdst, a.tm_zone};
        // Zones that count leap seconds break the time down otherwise.
        if (!SameTime(Broken(int64_t(first) + learnt.offset, learnt), a) ||
            !SameTime(Broken(int64_t(last) + learnt.offset, learnt), b))
            return false;
        slot = learnt;
        return true;
    }

    static bool SameTime(const std::tm& x, const std::tm& y) {
        return x.tm_year == y.tm_year && x.tm_yday == y.tm_yday && x.tm_mon == y.tm_mon &&
               x.tm_mday == y.tm_mday && x.tm_wday == y.tm_wday && x.tm_hour == y.tm_hour &&
               x.tm_min == y.tm_min && x.tm_sec == y.tm_sec;
    }

    static std::tm Broken(int64_t local, const tzoneday& slot) {
        const int64_t days = FloorDiv(local, kSecondsPerDay);
        const int64_t second = local - days * kSecondsPerDay;
        int64_t year = 0;
        int month = 0, mday = 0;
        CivilFromDays(days, year, month, mday);
        std::tm tm{};
        tm.tm_year = int(year - 1900);
        tm.tm_mon = month - 1;
        tm.tm_mday = mday;
        tm.tm_hour = int(second / 3600);
        tm.tm_min = int(second / 60 % 60);
        tm.tm_sec = int(second % 60);
        tm.tm_wday = int(days - 7 * FloorDiv(days + 4, 7) + 4); // 1970-01-01 was a Thursday
        tm.tm_yday = int(days - DaysFromCivil(year, 1, 1));
        tm.tm_isdst = slot.isdst;
        tm.tm_gmtoff = slot.offset;
        tm.tm_zone = slot.zone;
        return tm;
    }

    std::array<tzoneday, 512> days_{};
    bool zoneSet_ = false;
    std::string zone_;
};

} // namespace

std::optional<std::time_t> FileTimeToUnixTime(const std::vector<uint8_t>& filetime) {
    if (filetime.size() < 8) return std::nullopt;
    uint64_t ticks = LoadU64(filetime.data());
    return std::time_t(int64_t(ticks / kTicksPerSecond) - kSecondsFrom1601To1970);
}

std::optional<std::tm> FileTimeToLocalTime(const std::vector<uint8_t>& filetime) {
    std::optional<std::time_t> seconds = FileTimeToUnixTime(filetime);
    if (!seconds) return std::nullopt;
    thread_local tzonedays zoneDays;
    return zoneDays.Local(*seconds);
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
