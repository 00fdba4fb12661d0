// Binary property values of calendar items, tasks and distribution lists, written for tests
// and fuzz seeds: the RecurrencePattern and AppointmentRecurrencePattern of [MS-OXOCAL]
// 2.2.1.44 (PidLidAppointmentRecur, PidLidTaskRecurrence), PidLidTimeZoneStruct (2.2.1.39)
// and the one-off EntryIDs of [MS-OXCDATA] 2.2.5.1 that PidLidDistributionListOneOffMembers
// holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pstw {

struct Recurrence {
    uint16_t frequency = 0x200B;   // RecurFrequency: weekly
    uint16_t patternType = 0x0001; // Week
    uint16_t calendarType = 0;
    uint32_t firstDateTime = 0;
    uint32_t period = 1;
    std::vector<uint32_t> patternSpecific{0}; // Week: the day mask; MonthNth: mask and N
    uint32_t endType = 0x2023;                // never
    uint32_t occurrenceCount = 10;
    uint32_t firstDayOfWeek = 0;
    std::vector<uint32_t> deletedDates, modifiedDates; // minutes since 1601
    uint32_t startDate = 0, endDate = 0x5AE980DF;      // minutes since 1601
    bool appointment = true;                           // AppointmentRecurrencePattern
    uint32_t startTimeOffset = 0, endTimeOffset = 0;   // minutes after midnight
};

std::vector<uint8_t> recurrenceBytes(const Recurrence& r);

// Minutes since 1601-01-01 of a civil date (proleptic Gregorian).
uint32_t minutesOfDate(int year, int month, int day);

// A yearly change of offset: the week-th (5: last) weekday of month, at hour.
struct ZoneChange {
    uint16_t month = 0, weekday = 0, week = 0, hour = 0;
};

// PidLidTimeZoneStruct: biases in minutes (UTC = local + bias); a change of month 0
// means no daylight time.
std::vector<uint8_t> timeZoneStructBytes(int32_t bias, int32_t standardBias, int32_t daylightBias,
                                         ZoneChange toStandard, ZoneChange toDaylight);

// A one-off EntryID; `unicode` stores the three strings as UTF-16LE.
std::vector<uint8_t> oneOffEntryId(const std::string& name, const std::string& addressType,
                                   const std::string& address, bool unicode = true);

} // namespace pstw
