// The reader of the stored recurrence patterns ([MS-OXOCAL] 2.2.1.44.1 and
// 2.2.1.44.5): a cursor that refuses to read past the value's end.
#include "engine/messaging/RecurrencePattern.h"

#include <algorithm>

namespace {

// ReaderVersion and WriterVersion of RecurrencePattern; ReaderVersion2 of
// AppointmentRecurrencePattern.
constexpr uint16_t kRecurVersion = 0x3004;
constexpr uint32_t kAppointmentReaderVersion2 = 0x3006;
constexpr uint32_t kDayOfWeekBits = 0x7F;
constexpr uint32_t kLastWeekOfMonth = 5;
constexpr uint32_t kLastDayOfWeek = 6;

class tcursor {
public:
    explicit tcursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool Read16(uint16_t& out) {
        uint32_t v = 0;
        if (!ReadLittle(2, v)) return false;
        out = uint16_t(v);
        return true;
    }
    bool Read32(uint32_t& out) { return ReadLittle(4, out); }

    // `count` 32-bit values, when they are all there and within the cap.
    bool ReadList(uint32_t count, std::vector<uint32_t>& out) {
        if (count > kMaxRecurrenceInstances || count > Remaining() / 4) return false;
        out.resize(count);
        for (uint32_t& v : out)
            Read32(v);
        return true;
    }

private:
    size_t Remaining() const { return bytes_.size() - at_; }

    bool ReadLittle(size_t width, uint32_t& out) {
        if (Remaining() < width) return false;
        out = 0;
        for (size_t i = 0; i < width; ++i)
            out |= uint32_t(bytes_[at_ + i]) << (8 * i);
        at_ += width;
        return true;
    }

    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
};

bool KnownFrequency(uint16_t f) {
    return f >= kRecurFrequencyDaily && f <= kRecurFrequencyYearly;
}

bool KnownEnd(uint32_t e) {
    return e == kRecurEndAfterDate || e == kRecurEndAfterCount || e == kRecurEndNever ||
           e == kRecurEndNeverOld;
}

// PatternTypeSpecific: nothing, a day mask, a day of month, or both of a
// MonthNth pattern.
bool ReadPatternSpecific(tcursor& in, trecurrence& r) {
    switch (r.PatternType) {
    case kRecurPatternDay:
        return true;
    case kRecurPatternWeek:
        return in.Read32(r.DayOfWeekMask) && (r.DayOfWeekMask & ~kDayOfWeekBits) == 0;
    case kRecurPatternMonth:
    case kRecurPatternMonthEnd:
    case kRecurPatternHjMonth:
    case kRecurPatternHjMonthEnd:
        return in.Read32(r.DayOfMonth);
    case kRecurPatternMonthNth:
    case kRecurPatternHjMonthNth:
        return in.Read32(r.DayOfWeekMask) && in.Read32(r.WeekOfMonth) &&
               (r.DayOfWeekMask & ~kDayOfWeekBits) == 0 && r.WeekOfMonth >= 1 &&
               r.WeekOfMonth <= kLastWeekOfMonth;
    default:
        return false;
    }
}

bool ReadHead(tcursor& in, trecurrence& r) {
    uint16_t reader = 0, writer = 0;
    return in.Read16(reader) && in.Read16(writer) && reader == kRecurVersion &&
           in.Read16(r.Frequency) && KnownFrequency(r.Frequency) && in.Read16(r.PatternType) &&
           in.Read16(r.CalendarType) && in.Read32(r.FirstDateTime) && in.Read32(r.Period);
}

bool ReadTail(tcursor& in, trecurrence& r) {
    uint32_t sliding = 0, deleted = 0, modified = 0;
    return in.Read32(sliding) && ReadPatternSpecific(in, r) && in.Read32(r.EndType) &&
           KnownEnd(r.EndType) && in.Read32(r.OccurrenceCount) && in.Read32(r.FirstDayOfWeek) &&
           r.FirstDayOfWeek <= kLastDayOfWeek && in.Read32(deleted) &&
           in.ReadList(deleted, r.DeletedInstanceDates) && in.Read32(modified) &&
           in.ReadList(modified, r.ModifiedInstanceDates) && in.Read32(r.StartDate) &&
           in.Read32(r.EndDate);
}

void ReadTimeOffsets(tcursor& in, trecurrence& r) {
    uint32_t reader2 = 0, writer2 = 0, start = 0, end = 0;
    if (in.Read32(reader2) && in.Read32(writer2) && reader2 == kAppointmentReaderVersion2 &&
        in.Read32(start) && in.Read32(end)) {
        r.HasTimeOffsets = true;
        r.StartTimeOffset = start;
        r.EndTimeOffset = end;
    }
}

} // namespace

std::vector<uint32_t> trecurrence::RemovedInstanceDates() const {
    std::vector<uint32_t> modified = ModifiedInstanceDates;
    std::sort(modified.begin(), modified.end());
    std::vector<uint32_t> removed;
    for (uint32_t date : DeletedInstanceDates)
        if (!std::binary_search(modified.begin(), modified.end(), date)) removed.push_back(date);
    return removed;
}

std::optional<trecurrence> ParseRecurrence(std::span<const uint8_t> bytes, bool appointment) {
    tcursor in(bytes);
    trecurrence r;
    if (!ReadHead(in, r) || !ReadTail(in, r)) return std::nullopt;
    if (appointment) ReadTimeOffsets(in, r);
    return r;
}
