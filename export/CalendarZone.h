// The time zone of a recurring appointment: PidLidTimeZoneStruct
// ([MS-OXOCAL] 2.2.1.39, a TZI of biases and two SYSTEMTIME transition
// rules) read from untrusted bytes, and written as an RFC 5545 3.6.5
// VTIMEZONE so that the series' local times and days hold in the zone.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "export/ContentLines.h"

// One yearly transition: the `week`-th (5: last) `weekday` of `month` at
// hour:minute local time.
struct tzonerule {
    int Month = 0, Weekday = 0, Week = 0, Hour = 0, Minute = 0;
};

struct tcalendarzone {
    std::string Id;
    int32_t StandardOffset = 0; // minutes east of UTC
    int32_t DaylightOffset = 0;
    bool HasDaylight = false;
    tzonerule ToStandard, ToDaylight;
};

// The zone PidLidTimeZoneStruct describes, or nullopt when the value is cut
// short or holds offsets or rules no zone has. `id` names it in TZID.
std::optional<tcalendarzone> ParseTimeZoneStruct(std::span<const uint8_t> bytes,
                                                 const std::string& id);

// A zone of one fixed offset (when the item stores no zone of its own).
tcalendarzone FixedZone(int32_t offsetMinutes);

// The UTC time (minutes since 1601) of a local time in the zone.
int64_t ZoneToUtc(const tcalendarzone& zone, int64_t localMinutes);

// BEGIN:VTIMEZONE ... END:VTIMEZONE.
void AddTimeZone(tcontentlines& lines, const tcalendarzone& zone);
