// Conversion of stored FILETIMEs (UTC, 100-nanosecond units since 1601) to
// local date-time values for display and export (PtypTime, [MS-PST] 2.3.3.3;
// [MS-DTYP] 2.3.3).
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <vector>

// Seconds since 1970-01-01 UTC; nullopt for an absent (shorter than 8 bytes)
// time.
std::optional<std::time_t> FileTimeToUnixTime(const std::vector<uint8_t>& filetime);

// The broken-down local time (the platform's time-zone rules for that date);
// nullopt for an absent or unconvertible time.
std::optional<std::tm> FileTimeToLocalTime(const std::vector<uint8_t>& filetime);

// Days since 30 December 1899 00:00 local time, the time of day as the
// fraction (before that day the fraction counts backwards from the day, as
// date-time values do). 0 for an absent (shorter than 8 bytes) or
// unconvertible time.
double FileTimeToDateTime(const std::vector<uint8_t>& filetime);
