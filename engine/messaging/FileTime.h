// Conversion of stored FILETIMEs (UTC, 100-nanosecond units since 1601) to
// local date-time values for display and export.
#pragma once

#include <cstdint>
#include <vector>

// Days since 30 December 1899 00:00 local time, the time of day as the
// fraction (before that day the fraction counts backwards from the day, as
// date-time values do). 0 for an absent (shorter than 8 bytes) or
// unconvertible time.
double FileTimeToDateTime(const std::vector<uint8_t>& filetime);
