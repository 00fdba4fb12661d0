// A stored recurrence pattern ([MS-OXOCAL] 2.2.1.44.1) as the RRULE value of
// RFC 5545 3.3.10. The pattern's local dates are kept local: the rule is
// meant for a DTSTART in the item's own zone (or a DATE for all-day items).
#pragma once

#include <optional>
#include <string>

#include "engine/messaging/RecurrencePattern.h"

// "FREQ=...;..." without the end; nullopt for what RRULE cannot say (Hijri
// month patterns, calendars that are not Gregorian, zero periods or masks).
std::optional<std::string> RecurrenceFrequencyPart(const trecurrence& pattern);

// The whole rule: the frequency part and ";COUNT=n" or ";UNTIL=until"
// (`until` already a DATE or UTC DATE-TIME as DTSTART requires); nothing
// for a pattern without end, nullopt as above or for an end count of 0.
std::optional<std::string> RecurrenceRule(const trecurrence& pattern, const std::string& until);
