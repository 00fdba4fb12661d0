// The recurrence of a calendar item or task as stored in PidLidAppointmentRecur
// and PidLidTaskRecurrence: the RecurrencePattern structure of [MS-OXOCAL]
// 2.2.1.44.1 and, for appointments, the start and end offsets of the
// AppointmentRecurrencePattern that follows it (2.2.1.44.5). The bytes come
// from the file and are untrusted: every field is bounds-checked and the
// instance lists are capped.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// RecurFrequency ([MS-OXOCAL] 2.2.1.44.1).
enum : uint16_t {
    kRecurFrequencyDaily = 0x200A,
    kRecurFrequencyWeekly = 0x200B,
    kRecurFrequencyMonthly = 0x200C,
    kRecurFrequencyYearly = 0x200D,
};

// PatternType: which PatternTypeSpecific follows.
enum : uint16_t {
    kRecurPatternDay = 0x0000,
    kRecurPatternWeek = 0x0001,
    kRecurPatternMonth = 0x0002,
    kRecurPatternMonthNth = 0x0003,
    kRecurPatternMonthEnd = 0x0004,
    kRecurPatternHjMonth = 0x000A,
    kRecurPatternHjMonthNth = 0x000B,
    kRecurPatternHjMonthEnd = 0x000C,
};

// EndType; 0xFFFFFFFF also means "never" in files of older writers.
enum : uint32_t {
    kRecurEndAfterDate = 0x00002021,
    kRecurEndAfterCount = 0x00002022,
    kRecurEndNever = 0x00002023,
    kRecurEndNeverOld = 0xFFFFFFFF,
};

// The instance lists of one pattern are cut at this many dates: a year of
// daily instances for decades, far beyond any real series, and a crafted
// count cannot make the reader allocate more than this.
inline constexpr uint32_t kMaxRecurrenceInstances = 20000;

struct trecurrence {
    uint16_t Frequency = 0;
    uint16_t PatternType = 0;
    uint16_t CalendarType = 0;
    uint32_t FirstDateTime = 0;
    // Minutes for a daily pattern, weeks for weekly, months for monthly and yearly.
    uint32_t Period = 0;
    uint32_t DayOfWeekMask = 0; // Week and MonthNth: bit 0 Sunday .. bit 6 Saturday
    uint32_t DayOfMonth = 0;    // Month, MonthEnd and the Hijri month patterns
    uint32_t WeekOfMonth = 0;   // MonthNth: 1 to 4, 5 the last
    uint32_t EndType = 0;
    uint32_t OccurrenceCount = 0;
    uint32_t FirstDayOfWeek = 0; // 0 Sunday .. 6 Saturday
    // Dates as minutes since 1601-01-01 00:00, local midnight of the original
    // instance. Deleted holds the modified ones too ([MS-OXOCAL] 2.2.1.44.1).
    std::vector<uint32_t> DeletedInstanceDates;
    std::vector<uint32_t> ModifiedInstanceDates;
    uint32_t StartDate = 0;
    uint32_t EndDate = 0;
    // The AppointmentRecurrencePattern part: minutes after local midnight.
    bool HasTimeOffsets = false;
    uint32_t StartTimeOffset = 0;
    uint32_t EndTimeOffset = 0;
    // Instances Deleted lists that Modified does not: really removed.
    std::vector<uint32_t> RemovedInstanceDates() const;
};

// The pattern in `bytes`, or nullopt when its fixed part is cut short or a
// field holds a value [MS-OXOCAL] does not define. `appointment` also reads
// the time offsets after the pattern; a value that ends before them still
// gives the pattern, without HasTimeOffsets.
std::optional<trecurrence> ParseRecurrence(std::span<const uint8_t> bytes, bool appointment);
