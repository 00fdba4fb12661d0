// Seeds of the calendar target, written with the test writer's values
// (tools/pstwriter/PstCalendarValues.h).
#include "tests/fuzz/SeedCalendar.h"

#include <fstream>
#include <string>
#include <vector>

#include "tools/pstwriter/PstCalendarValues.h"

namespace ostrel::fuzz {
namespace {

using bytes = std::vector<uint8_t>;

void Write(const std::filesystem::path& path, const bytes& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

// A pattern and, at the end of the input, the zone the target reads there.
bytes WithZone(const pstw::Recurrence& r) {
    bytes out = pstw::recurrenceBytes(r);
    bytes zone = pstw::timeZoneStructBytes(480, 0, -60, {11, 0, 1, 2}, {3, 0, 2, 2});
    out.insert(out.end(), zone.begin(), zone.end());
    return out;
}

pstw::Recurrence Pattern(uint16_t frequency, uint16_t type, std::vector<uint32_t> specific,
                         uint32_t period) {
    pstw::Recurrence r;
    r.frequency = frequency;
    r.patternType = type;
    r.patternSpecific = std::move(specific);
    r.period = period;
    r.startDate = pstw::minutesOfDate(2024, 3, 4);
    r.startTimeOffset = 9 * 60;
    r.endTimeOffset = 10 * 60;
    return r;
}

} // namespace

void WriteCalendarSeeds(const std::filesystem::path& dir) {
    pstw::Recurrence daily = Pattern(0x200A, 0x0000, {}, 2 * 1440);
    daily.endType = 0x2022;
    daily.occurrenceCount = 5;
    Write(dir / "daily-count", WithZone(daily));
    pstw::Recurrence weekly = Pattern(0x200B, 0x0001, {0x2A}, 1);
    weekly.endType = 0x2021;
    weekly.endDate = pstw::minutesOfDate(2024, 6, 28);
    weekly.deletedDates = {pstw::minutesOfDate(2024, 3, 6), pstw::minutesOfDate(2024, 3, 8)};
    weekly.modifiedDates = {pstw::minutesOfDate(2024, 3, 8)};
    Write(dir / "weekly-until-deleted", WithZone(weekly));
    Write(dir / "monthly", WithZone(Pattern(0x200C, 0x0002, {15}, 1)));
    Write(dir / "monthnth-last", WithZone(Pattern(0x200C, 0x0003, {0x20, 5}, 2)));
    Write(dir / "monthend", WithZone(Pattern(0x200C, 0x0004, {31}, 1)));
    Write(dir / "yearly", WithZone(Pattern(0x200D, 0x0002, {4}, 12)));
    Write(dir / "yearnth", WithZone(Pattern(0x200D, 0x0003, {0x02, 1}, 12)));
    Write(dir / "hijri", WithZone(Pattern(0x200C, 0x000A, {1}, 1)));
    pstw::Recurrence task = Pattern(0x200B, 0x0001, {0x3E}, 1);
    task.appointment = false;
    Write(dir / "task-weekdays", pstw::recurrenceBytes(task));
    bytes cut = pstw::recurrenceBytes(weekly);
    cut.resize(cut.size() / 2);
    Write(dir / "cut", cut);
    // PtypMultipleBinary: count, offsets, then the one-off EntryIDs.
    std::vector<bytes> ids = {pstw::oneOffEntryId("Ann Example", "SMTP", "ann@example.com"),
                              pstw::oneOffEntryId("Bob", "EX", "/o=Org/cn=bob", false)};
    bytes list = {uint8_t(ids.size()), 0, 0, 0};
    uint32_t at = uint32_t(4 + 4 * ids.size());
    for (const bytes& id : ids) {
        for (int i = 0; i < 4; ++i)
            list.push_back(uint8_t(at >> (8 * i)));
        at += uint32_t(id.size());
    }
    for (const bytes& id : ids)
        list.insert(list.end(), id.begin(), id.end());
    Write(dir / "list-members", list);
}

} // namespace ostrel::fuzz
