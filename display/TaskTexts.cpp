// Percent and work texts of the task viewer.
#include "display/TaskTexts.h"

#include <cstdio>

namespace {

constexpr double kPercent = 100;
constexpr int32_t kMinutesPerHour = 60;
// Room for the largest double printed without decimals.
constexpr size_t kLongestPercent = 330;

} // namespace

std::string PercentText(double fraction) {
    char text[kLongestPercent];
    std::snprintf(text, sizeof text, "%2.0f", fraction * kPercent);
    return text;
}

std::string WorkText(uint32_t minutes) {
    // The efforts are signed 32-bit values ([MS-OXPROPS] PtypInteger32).
    return std::to_string(int32_t(minutes) / kMinutesPerHour) + " h";
}
