// The calendar, task and distribution list values of PstCalendarValues.h, little-endian
// field by field in the order [MS-OXOCAL] and [MS-OXCDATA] give.
#include "tools/pstwriter/PstCalendarValues.h"

namespace pstw {
namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

void putSystemTime(std::vector<uint8_t>& out, const ZoneChange& c) {
    put16(out, 0); // wYear: a rule for every year
    put16(out, c.month);
    put16(out, c.weekday);
    put16(out, c.week);
    put16(out, c.hour);
    put16(out, 0); // wMinute
    put16(out, 0); // wSecond
    put16(out, 0); // wMilliseconds
}

// UTF-16LE of plain UTF-8 (the tests' names stay within the BMP).
void putString(std::vector<uint8_t>& out, const std::string& utf8, bool unicode) {
    if (!unicode) {
        out.insert(out.end(), utf8.begin(), utf8.end());
        out.push_back(0);
        return;
    }
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = uint8_t(utf8[i]);
        uint32_t cp = c;
        size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : 3;
        if (len == 2) cp = (c & 0x1F) << 6 | (uint8_t(utf8[i + 1]) & 0x3F);
        if (len == 3)
            cp = (c & 0x0F) << 12 | (uint8_t(utf8[i + 1]) & 0x3F) << 6 |
                 (uint8_t(utf8[i + 2]) & 0x3F);
        put16(out, cp);
        i += len;
    }
    put16(out, 0);
}

constexpr uint16_t kRecurVersion = 0x3004;
constexpr uint32_t kReaderVersion2 = 0x3006, kWriterVersion2 = 0x3009;

} // namespace

std::vector<uint8_t> recurrenceBytes(const Recurrence& r) {
    std::vector<uint8_t> out;
    put16(out, kRecurVersion);
    put16(out, kRecurVersion);
    put16(out, r.frequency);
    put16(out, r.patternType);
    put16(out, r.calendarType);
    put32(out, r.firstDateTime);
    put32(out, r.period);
    put32(out, 0); // SlidingFlag
    for (uint32_t v : r.patternSpecific)
        put32(out, v);
    put32(out, r.endType);
    put32(out, r.occurrenceCount);
    put32(out, r.firstDayOfWeek);
    put32(out, uint32_t(r.deletedDates.size()));
    for (uint32_t d : r.deletedDates)
        put32(out, d);
    put32(out, uint32_t(r.modifiedDates.size()));
    for (uint32_t d : r.modifiedDates)
        put32(out, d);
    put32(out, r.startDate);
    put32(out, r.endDate);
    if (!r.appointment) return out;
    put32(out, kReaderVersion2);
    put32(out, kWriterVersion2);
    put32(out, r.startTimeOffset);
    put32(out, r.endTimeOffset);
    put16(out, 0); // ExceptionCount
    put32(out, 0); // ReservedBlock1Size
    put32(out, 0); // ReservedBlock2Size
    return out;
}

uint32_t minutesOfDate(int year, int month, int day) {
    // Days from 1601-01-01 by the usual era arithmetic (March-based years).
    auto daysFromCivil = [](int64_t y, int m, int d) {
        y -= m <= 2;
        int64_t era = (y >= 0 ? y : y - 399) / 400;
        int64_t yoe = y - era * 400;
        int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy;
    };
    return uint32_t((daysFromCivil(year, month, day) - daysFromCivil(1601, 1, 1)) * 1440);
}

std::vector<uint8_t> timeZoneStructBytes(int32_t bias, int32_t standardBias, int32_t daylightBias,
                                         ZoneChange toStandard, ZoneChange toDaylight) {
    std::vector<uint8_t> out;
    put32(out, uint32_t(bias));
    put32(out, uint32_t(standardBias));
    put32(out, uint32_t(daylightBias));
    put16(out, 0); // wStandardYear
    putSystemTime(out, toStandard);
    put16(out, 0); // wDaylightYear
    putSystemTime(out, toDaylight);
    return out;
}

std::vector<uint8_t> oneOffEntryId(const std::string& name, const std::string& addressType,
                                   const std::string& address, bool unicode) {
    static constexpr uint8_t kProvider[] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                            0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};
    std::vector<uint8_t> out;
    put32(out, 0); // Flags
    out.insert(out.end(), std::begin(kProvider), std::end(kProvider));
    put16(out, 0);                             // Version
    put16(out, unicode ? 0x8000 | 0x0001 : 1); // Unicode, no rich information
    putString(out, name, unicode);
    putString(out, addressType, unicode);
    putString(out, address, unicode);
    return out;
}

} // namespace pstw
