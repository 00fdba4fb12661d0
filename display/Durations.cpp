// The duration list and the lookup of an entry by its minutes.
#include "display/Durations.h"

#include <array>

namespace {

constexpr std::array<tduration, 24> kDurations = {{
    {"0 min.", 0},    {"5 min.", 5},    {"10 min.", 10},   {"15 min.", 15},   {"30 min.", 30},
    {"1 h.", 60},     {"2 h.", 120},    {"3 h.", 180},     {"4 h.", 240},     {"5 h.", 300},
    {"6 h.", 360},    {"7 h.", 420},    {"8 h.", 480},     {"9 h.", 540},     {"10 h.", 600},
    {"11 h.", 660},   {"0,5 day", 720}, {"18 h.", 1080},   {"1 day", 1440},   {"2 days", 2880},
    {"3 days", 4320}, {"4 days", 5760}, {"1 week", 10080}, {"2 week", 20160},
}};

} // namespace

std::span<const tduration> DurationList() {
    return kDurations;
}

int DurationIndex(int minutes) {
    for (size_t i = 0; i < kDurations.size(); ++i)
        if (kDurations[i].Minutes == minutes) return int(i);
    return -1;
}
