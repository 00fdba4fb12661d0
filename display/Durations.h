// The duration list of the appointment reminder and the journal duration
// fields: the entries' texts in list order and the minutes each stands for.
#pragma once

#include <span>

struct tduration {
    const char* Text;
    int Minutes;
};

// "0 min." to "2 week", in list order.
std::span<const tduration> DurationList();

// The list position of exactly `minutes`, or -1 when no entry has that count.
int DurationIndex(int minutes);
