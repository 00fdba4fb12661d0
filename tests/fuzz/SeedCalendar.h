// The seed inputs of the calendar target: recurrence patterns of every kind
// and end, with a time zone after them, task patterns, and the one-off
// member lists of distribution lists.
#pragma once

#include <filesystem>

namespace ostrel::fuzz {

void WriteCalendarSeeds(const std::filesystem::path& dir);

} // namespace ostrel::fuzz
