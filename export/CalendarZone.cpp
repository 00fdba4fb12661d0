// PidLidTimeZoneStruct ([MS-OXOCAL] 2.2.1.39): lBias, lStandardBias and
// lDaylightBias (minutes, UTC = local + bias), then wStandardYear and the
// SYSTEMTIME of the change to standard time, wDaylightYear and that of the
// change to daylight time. A SYSTEMTIME rule gives the month, the weekday
// and in wDay the week of the month (5 the last).
#include "export/CalendarZone.h"

#include <cstdio>
#include <cstdlib>

#include "export/CalendarTime.h"

namespace {

constexpr size_t kTimeZoneStructBytes = 48;
constexpr size_t kStandardDateAt = 14;
constexpr size_t kDaylightDateAt = 32;
// UTC offsets of real zones lie within -12 and +14 hours; a day either way
// still allows odd but harmless values.
constexpr int32_t kMostOffsetMinutes = 24 * 60;
constexpr int kLastWeek = 5;
constexpr int kFirstZoneYear = 1601;
constexpr int kMinutesPerHour = 60;

int32_t Signed32(std::span<const uint8_t> b, size_t at) {
    uint32_t v = uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
                 uint32_t(b[at + 3]) << 24;
    return int32_t(v);
}

int Unsigned16(std::span<const uint8_t> b, size_t at) {
    return int(b[at]) | int(b[at + 1]) << 8;
}

// SYSTEMTIME: wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, ...
std::optional<tzonerule> ReadRule(std::span<const uint8_t> b, size_t at) {
    tzonerule r;
    r.Month = Unsigned16(b, at + 2);
    r.Weekday = Unsigned16(b, at + 4);
    r.Week = Unsigned16(b, at + 6);
    r.Hour = Unsigned16(b, at + 8);
    r.Minute = Unsigned16(b, at + 10);
    if (r.Month < 1 || r.Month > 12 || r.Weekday > 6 || r.Week < 1 || r.Week > kLastWeek ||
        r.Hour > 23 || r.Minute > 59)
        return std::nullopt;
    return r;
}

std::string OffsetText(int32_t minutes) {
    char buffer[16];
    int32_t a = std::abs(minutes);
    std::snprintf(buffer, sizeof buffer, "%c%02d%02d", minutes < 0 ? '-' : '+',
                  int(a / kMinutesPerHour), int(a % kMinutesPerHour));
    return buffer;
}

// The day of `year` a rule falls on, as days since 1601.
int64_t RuleDay(const tzonerule& r, int year) {
    int64_t first = DaysSince1601(year, r.Month, 1);
    int64_t day = first + (r.Weekday - CivilDate(first).Weekday + 7) % 7 + 7 * (r.Week - 1);
    int nextMonth = r.Month == 12 ? 1 : r.Month + 1;
    int64_t monthEnd = DaysSince1601(r.Month == 12 ? year + 1 : year, nextMonth, 1);
    while (day >= monthEnd)
        day -= 7;
    return day;
}

bool InDaylight(const tcalendarzone& z, int64_t localMinutes) {
    int year = CivilDate(localMinutes / kMinutesPerDay).Year;
    auto at = [&](const tzonerule& r) {
        return RuleDay(r, year) * kMinutesPerDay + r.Hour * kMinutesPerHour + r.Minute;
    };
    int64_t toDaylight = at(z.ToDaylight), toStandard = at(z.ToStandard);
    if (toDaylight < toStandard) return localMinutes >= toDaylight && localMinutes < toStandard;
    return localMinutes >= toDaylight || localMinutes < toStandard; // southern hemisphere
}

void AddObservance(tcontentlines& lines, const char* kind, const tzonerule& r, int32_t from,
                   int32_t to) {
    lines.Add("BEGIN", kind);
    int64_t start =
        RuleDay(r, kFirstZoneYear) * kMinutesPerDay + r.Hour * kMinutesPerHour + r.Minute;
    lines.Add("DTSTART", *LocalDateTime(start));
    static constexpr const char* kDays[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    std::string week = r.Week == kLastWeek ? "-1" : std::to_string(r.Week);
    lines.Add("RRULE", "FREQ=YEARLY;BYMONTH=" + std::to_string(r.Month) + ";BYDAY=" + week +
                           kDays[r.Weekday]);
    lines.Add("TZOFFSETFROM", OffsetText(from));
    lines.Add("TZOFFSETTO", OffsetText(to));
    lines.Add("END", kind);
}

} // namespace

std::optional<tcalendarzone> ParseTimeZoneStruct(std::span<const uint8_t> bytes,
                                                 const std::string& id) {
    if (bytes.size() < kTimeZoneStructBytes) return std::nullopt;
    int64_t bias = Signed32(bytes, 0);
    int64_t standard = -(bias + Signed32(bytes, 4));
    int64_t daylight = -(bias + Signed32(bytes, 8));
    if (std::llabs(standard) > kMostOffsetMinutes || std::llabs(daylight) > kMostOffsetMinutes)
        return std::nullopt;
    tcalendarzone z;
    z.Id = id;
    z.StandardOffset = int32_t(standard);
    z.DaylightOffset = int32_t(daylight);
    // A month of 0 in the daylight date: the zone keeps one offset all year.
    if (Unsigned16(bytes, kDaylightDateAt + 2) == 0) return z;
    auto toStandard = ReadRule(bytes, kStandardDateAt);
    auto toDaylight = ReadRule(bytes, kDaylightDateAt);
    if (!toStandard || !toDaylight) return std::nullopt;
    z.HasDaylight = true;
    z.ToStandard = *toStandard;
    z.ToDaylight = *toDaylight;
    return z;
}

tcalendarzone FixedZone(int32_t offsetMinutes) {
    tcalendarzone z;
    z.Id = "UTC" + OffsetText(offsetMinutes);
    z.StandardOffset = z.DaylightOffset = offsetMinutes;
    return z;
}

int64_t ZoneToUtc(const tcalendarzone& zone, int64_t localMinutes) {
    bool daylight = zone.HasDaylight && InDaylight(zone, localMinutes);
    return localMinutes - (daylight ? zone.DaylightOffset : zone.StandardOffset);
}

void AddTimeZone(tcontentlines& lines, const tcalendarzone& zone) {
    lines.Add("BEGIN", "VTIMEZONE");
    lines.AddText("TZID", zone.Id);
    if (zone.HasDaylight) {
        AddObservance(lines, "STANDARD", zone.ToStandard, zone.DaylightOffset, zone.StandardOffset);
        AddObservance(lines, "DAYLIGHT", zone.ToDaylight, zone.StandardOffset, zone.DaylightOffset);
    } else {
        lines.Add("BEGIN", "STANDARD");
        lines.Add("DTSTART", "16010101T000000");
        lines.Add("TZOFFSETFROM", OffsetText(zone.StandardOffset));
        lines.Add("TZOFFSETTO", OffsetText(zone.StandardOffset));
        lines.Add("END", "STANDARD");
    }
    lines.Add("END", "VTIMEZONE");
}
