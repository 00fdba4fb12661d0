// The task viewer's numbers as text: the share done in percent and the total
// and actual work in whole hours.
#pragma once

#include <cstdint>
#include <string>

// PidLidPercentComplete (a fraction, 1 = done) as "%2.0f" of its percent:
// " 5", "50", "100".
std::string PercentText(double fraction);

// A work value in minutes (PidLidTaskEstimatedEffort, PidLidTaskActualEffort)
// as whole hours, truncated toward zero: "1 h".
std::string WorkText(uint32_t minutes);
