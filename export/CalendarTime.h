// Dates and times of the vCard and iCalendar files: FILETIMEs ([MS-DTYP]
// 2.3.3) and the minute counts of recurrence patterns ([MS-OXOCAL]
// 2.2.1.44.1, minutes since 1601-01-01) as RFC 5545 3.3.4 DATE and 3.3.5
// DATE-TIME values. Only years 1601 to 9999 are written; other values count
// as absent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/messaging/MessageObject.h"

// Minutes since 1601-01-01 00:00 of a FILETIME, nullopt when absent or out
// of the written years.
std::optional<int64_t> FileTimeMinutes(const tbytes& filetime);
std::optional<int64_t> FileTimeSeconds(const tbytes& filetime); // since 1601 too

// "YYYYMMDDTHHMMSSZ" of seconds since 1601 (UTC).
std::optional<std::string> UtcDateTime(int64_t seconds);
// "YYYYMMDDTHHMMSS" of a local time in minutes since 1601.
std::optional<std::string> LocalDateTime(int64_t minutes);
// "YYYYMMDD" of the day that holds a local time in minutes since 1601.
std::optional<std::string> DateOfMinutes(int64_t minutes);
// "YYYY-MM-DD" (vCard BDAY and anniversary).
std::optional<std::string> IsoDateOfMinutes(int64_t minutes);

// The local midnight an all-day time in UTC stands for: a start stored at
// local midnight lies at most 14 hours from UTC midnight, and a time from
// 11:00 UTC on belongs to the next day (east of UTC up to +13 hours, west
// down to -10), so the nearest day boundary in that sense is taken.
int64_t AllDayMinutes(int64_t utcMinutes);

// Civil date of a day count since 1601-01-01; weekday 0 Sunday.
struct tcivildate {
    int Year = 0, Month = 0, Day = 0, Weekday = 0;
};
tcivildate CivilDate(int64_t daysSince1601);
int64_t DaysSince1601(int year, int month, int day);

inline constexpr int64_t kMinutesPerDay = 1440;
