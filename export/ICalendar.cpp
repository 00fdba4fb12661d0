// VEVENT and VTODO components (RFC 5545 3.6.1, 3.6.2) from the appointment
// and task fields of the message object ([MS-OXOCAL] 2.2.1, [MS-OXOTASK]
// 2.2.2). Attendees come from the display lists of the recipients.
#include "export/ICalendar.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "engine/messaging/RecipientTable.h"
#include "engine/messaging/RecurrencePattern.h"
#include "engine/messaging/Subject.h"
#include "export/CalendarTime.h"
#include "export/CalendarZone.h"
#include "export/ContentLines.h"
#include "export/EmlNames.h"
#include "export/ItemText.h"
#include "export/MailAddress.h"
#include "export/RecurrenceRule.h"

namespace {

constexpr const char kProductId[] = "-//Quarrow//Ostrel//EN";
constexpr const char kNoAddress[] = "invalid:nomail"; // what calendar clients write for it
constexpr const char kCanceledClass[] = "IPM.Schedule.Meeting.Canceled";
constexpr int64_t kSecondsPerMinute = 60;
constexpr int32_t kMostZoneOffset = 14 * 60;
constexpr int32_t kOffsetStep = 15;
constexpr uint32_t kBusyFree = 0;
constexpr uint32_t kSensitivityPrivate = 2;
constexpr uint32_t kSensitivityConfidential = 3;
// PidLidTaskStatus ([MS-OXOTASK] 2.2.2.2.2).
constexpr uint32_t kTaskInProgress = 1;
constexpr uint32_t kTaskComplete = 2;
// PidTagImportance high; an absent one reads as low, so only high is told.
constexpr uint32_t kImportanceHigh = 2;
constexpr int kPriorityHigh = 1;
constexpr double kPercentScale = 100.0;

bool IsTrue(uint16_t tri) {
    return tri == 1;
}

std::string Hex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 0xF];
    }
    return out;
}

// The record key where the item has one; the creation time keeps items of
// the same NID in different mailboxes apart otherwise.
std::string Uid(const tpstmessage& item, uint64_t nid) {
    std::string uid = NidHex(nid);
    if (item.RecordKey && !item.RecordKey->empty())
        uid = Hex(item.RecordKey->substr(0, item.RecordKeySize)) + "-" + uid;
    else if (item.CreationTime.size() == 8)
        uid += "-" + Hex(std::string(item.CreationTime.begin(), item.CreationTime.end()));
    return uid + "@ostrel";
}

std::string Stamp(const tpstmessage& item) {
    for (const tbytes* t : {&item.LastModificationTime, &item.CreationTime})
        if (auto s = FileTimeSeconds(*t))
            if (auto text = UtcDateTime(*s)) return *text;
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y%m%dT%H%M%SZ", &utc);
    return buffer;
}

void Begin(tcontentlines& lines, const char* component, const tpstmessage& item, uint64_t nid) {
    lines.Add("BEGIN", component);
    lines.AddText("UID", Uid(item, nid));
    lines.Add("DTSTAMP", Stamp(item));
    lines.AddText("SUMMARY", ItemUtf8(item, SubjectText(item)));
}

void AddCommon(tcontentlines& lines, const tpstmessage& item) {
    lines.AddText("DESCRIPTION", ItemPlainBody(item));
    if (!item.MailInfo) return;
    uint32_t sensitivity = item.MailInfo->Sensitivity;
    if (sensitivity == kSensitivityPrivate) lines.Add("CLASS", "PRIVATE");
    if (sensitivity == kSensitivityConfidential) lines.Add("CLASS", "CONFIDENTIAL");
    if (item.MailInfo->Importance == kImportanceHigh)
        lines.Add("PRIORITY", std::to_string(kPriorityHigh));
}

void AddAlarm(tcontentlines& lines, const std::string& trigger) {
    lines.Add("BEGIN", "VALARM");
    lines.Add("ACTION", "DISPLAY");
    lines.Add("DESCRIPTION", "Reminder");
    lines.Add(trigger.front() == '-' ? "TRIGGER" : "TRIGGER;VALUE=DATE-TIME", trigger);
    lines.Add("END", "VALARM");
}

// A person as a calendar user: "mailto:" and the address, or no address.
void AddPerson(tcontentlines& lines, const std::string& property, const std::string& name,
               const std::string& address) {
    std::string head = property;
    if (!name.empty()) head += ";CN=" + ParameterValue(name);
    lines.Add(head, IsAddrSpec(address) ? "mailto:" + address : std::string(kNoAddress));
}

// Only a meeting has an organizer: RFC 5545 3.8.4.3 allows ORGANIZER only in
// components with attendees.
void AddOrganizer(tcontentlines& lines, const tpstmessage& item,
                  const trecipienttable* recipients) {
    if (!item.MailInfo) return;
    bool listed = recipients && recipients->State == trecipientstate::Read
                      ? !recipients->Rows.empty()
                      : !TextOf(item.MailInfo->DisplayTo).empty() ||
                            !TextOf(item.MailInfo->DisplayCc).empty();
    if (!listed) return;
    const tmailinfo& m = *item.MailInfo;
    std::string name = ItemUtf8(item, m.SentRepresentingName);
    std::string address = PersonAddress(ItemUtf8(item, m.SentRepresentingSmtpAddress),
                                        ItemUtf8(item, m.SentRepresentingEmail),
                                        ItemUtf8(item, m.SentRepresentingAddressType));
    if (!name.empty() || IsAddrSpec(address)) AddPerson(lines, "ORGANIZER", name, address);
}

// A meeting's recipient types ([MS-OXOCAL] 2.2.4.10): To required, Cc
// optional, Bcc a resource such as a room.
const char* AttendeeProperty(int32_t type) {
    switch (type) {
    case kRecipientTo:
        return "ATTENDEE;ROLE=REQ-PARTICIPANT";
    case kRecipientCc:
        return "ATTENDEE;ROLE=OPT-PARTICIPANT";
    case kRecipientBcc:
        return "ATTENDEE;CUTYPE=RESOURCE;ROLE=NON-PARTICIPANT";
    }
    return nullptr;
}

// The attendees with their addresses from the recipient table; the display
// lists (names, rarely addresses) only when the table cannot be read.
void AddAttendees(tcontentlines& lines, const tpstmessage& item,
                  const trecipienttable* recipients) {
    if (recipients && recipients->State == trecipientstate::Read) {
        for (const trecipient& r : recipients->Rows) {
            const char* property = AttendeeProperty(r.Type);
            std::string address = SmtpAddressOf(r);
            if (property && (!r.DisplayName.empty() || !address.empty()))
                AddPerson(lines, property, r.DisplayName, address);
        }
        return;
    }
    if (!item.MailInfo) return;
    const std::pair<const ttext*, const char*> kLists[] = {
        {&item.MailInfo->DisplayTo, "ATTENDEE;ROLE=REQ-PARTICIPANT"},
        {&item.MailInfo->DisplayCc, "ATTENDEE;ROLE=OPT-PARTICIPANT"}};
    for (const auto& [list, property] : kLists)
        for (const std::string& entry : SplitDisplayList(ItemUtf8(item, *list))) {
            tmailaddress a = ParseAddressEntry(entry);
            if (!a.Name.empty() || !a.Address.empty())
                AddPerson(lines, property, a.Name, a.Address);
        }
}

// The offset of the series' zone, from its first instance in local time and
// in UTC, when the item stores no zone.
int32_t DerivedOffset(const tappointmentinfo& a, const trecurrence& r) {
    auto utc = FileTimeMinutes(a.StartTime);
    if (!utc) return 0;
    int64_t offset = int64_t(r.StartDate) + r.StartTimeOffset - *utc;
    if (offset > kMostZoneOffset || offset < -kMostZoneOffset) return 0;
    return int32_t(std::lround(double(offset) / kOffsetStep) * kOffsetStep);
}

// A zone identifier that needs no quoting or escaping anywhere.
std::string ZoneId(const std::string& description, int32_t offset) {
    std::string id;
    for (char c : description)
        if (std::isalnum(static_cast<unsigned char>(c)) || std::strchr(" +-()./_", c)) id += c;
    return id.empty() ? FixedZone(offset).Id : id;
}

struct tseries {
    trecurrence Pattern;
};

// The parsed pattern and its rule when the series can be written as one.
std::optional<tseries> Series(const tbytes& bytes, bool appointment) {
    if (bytes.empty()) return std::nullopt;
    auto pattern = ParseRecurrence(bytes, appointment);
    if (!pattern || (appointment && !pattern->HasTimeOffsets)) return std::nullopt;
    if (!RecurrenceFrequencyPart(*pattern)) return std::nullopt;
    return tseries{*pattern};
}

void AddDateSeries(tcontentlines& lines, tseries& s, int64_t lengthMinutes) {
    int64_t start = s.Pattern.StartDate;
    int64_t days = std::max<int64_t>(1, (lengthMinutes + kMinutesPerDay - 1) / kMinutesPerDay);
    lines.Add("DTSTART;VALUE=DATE", DateOfMinutes(start).value_or(""));
    lines.Add("DTEND;VALUE=DATE", DateOfMinutes(start + days * kMinutesPerDay).value_or(""));
    std::string until = DateOfMinutes(s.Pattern.EndDate).value_or("");
    if (auto rule = RecurrenceRule(s.Pattern, until)) lines.Add("RRULE", *rule);
    for (uint32_t d : s.Pattern.RemovedInstanceDates())
        if (auto date = DateOfMinutes(d)) lines.Add("EXDATE;VALUE=DATE", *date);
}

void AddZonedSeries(tcontentlines& lines, const tseries& s, const tcalendarzone& zone) {
    const trecurrence& p = s.Pattern;
    std::string tz = ";TZID=" + ParameterValue(zone.Id);
    lines.Add("DTSTART" + tz, LocalDateTime(int64_t(p.StartDate) + p.StartTimeOffset).value_or(""));
    lines.Add("DTEND" + tz, LocalDateTime(int64_t(p.StartDate) + p.EndTimeOffset).value_or(""));
    std::string until;
    if (auto u = UtcDateTime(ZoneToUtc(zone, int64_t(p.EndDate) + p.StartTimeOffset) *
                             kSecondsPerMinute))
        until = *u;
    if (auto rule = RecurrenceRule(p, until)) lines.Add("RRULE", *rule);
    for (uint32_t d : p.RemovedInstanceDates())
        if (auto t = LocalDateTime(int64_t(d) + p.StartTimeOffset)) lines.Add("EXDATE" + tz, *t);
}

bool ValidSeriesDates(const trecurrence& p) {
    return DateOfMinutes(p.StartDate) && LocalDateTime(int64_t(p.StartDate) + p.EndTimeOffset) &&
           p.EndTimeOffset >= p.StartTimeOffset;
}

void AddSingleTimes(tcontentlines& lines, const tpstmessage& item) {
    const tappointmentinfo* a = item.Appointment.get();
    std::optional<int64_t> start, end;
    if (a) {
        start = FileTimeSeconds(a->StartTime);
        if (!start) start = FileTimeSeconds(a->ClipStart);
        end = FileTimeSeconds(a->EndTime);
    }
    if (!start) start = FileTimeSeconds(item.CreationTime);
    if (!start) return;
    if (a && IsTrue(a->AllDay)) {
        int64_t first = AllDayMinutes(*start / kSecondsPerMinute);
        int64_t last = end ? AllDayMinutes(*end / kSecondsPerMinute) : first;
        if (last <= first) last = first + kMinutesPerDay;
        lines.Add("DTSTART;VALUE=DATE", *DateOfMinutes(first));
        if (auto d = DateOfMinutes(last)) lines.Add("DTEND;VALUE=DATE", *d);
        return;
    }
    lines.Add("DTSTART", *UtcDateTime(*start));
    if (end && *end >= *start)
        if (auto t = UtcDateTime(*end)) lines.Add("DTEND", *t);
}

// DTSTART, DTEND and, for a readable series, RRULE and EXDATE; returns the
// zone the series needs before the VEVENT.
std::optional<tcalendarzone> EventTimes(tcontentlines& lines, const tpstmessage& item) {
    const tappointmentinfo* a = item.Appointment.get();
    auto series = a ? Series(a->AppointmentRecur, true) : std::nullopt;
    if (series && !ValidSeriesDates(series->Pattern)) series.reset();
    if (!series) {
        AddSingleTimes(lines, item);
        return std::nullopt;
    }
    const trecurrence& p = series->Pattern;
    if (IsTrue(a->AllDay)) {
        AddDateSeries(lines, *series, int64_t(p.EndTimeOffset) - p.StartTimeOffset);
        return std::nullopt;
    }
    int32_t offset = DerivedOffset(*a, p);
    std::string id = ZoneId(ItemUtf8(item, a->TimeZoneDescription), offset);
    auto zone = ParseTimeZoneStruct(a->TimeZoneStruct, id);
    if (!zone) zone = FixedZone(offset);
    AddZonedSeries(lines, *series, *zone);
    return zone;
}

void AddEventDetails(tcontentlines& lines, const tpstmessage& item,
                     const trecipienttable* recipients) {
    if (const tappointmentinfo* a = item.Appointment.get()) {
        lines.AddText("LOCATION", ItemUtf8(item, a->Location));
        if (a->BusyStatus == kBusyFree) lines.Add("TRANSP", "TRANSPARENT");
    }
    if (strncasecmp(TextOf(item.MessageClass).c_str(), kCanceledClass, sizeof kCanceledClass - 1) ==
        0)
        lines.Add("STATUS", "CANCELLED");
    AddOrganizer(lines, item, recipients);
    AddAttendees(lines, item, recipients);
    AddCommon(lines, item);
    if (item.Appointment && IsTrue(item.Appointment->ReminderSet))
        AddAlarm(lines, "-PT" + std::to_string(item.Appointment->ReminderDelta) + "M");
}

std::string Calendar(const std::string& components, const std::optional<tcalendarzone>& zone) {
    tcontentlines head;
    head.Add("BEGIN", "VCALENDAR");
    head.Add("VERSION", "2.0");
    head.Add("PRODID", kProductId);
    if (zone) AddTimeZone(head, *zone);
    return head.Text() + components + "END:VCALENDAR\r\n";
}

std::string TaskStatus(uint32_t status, bool complete) {
    if (complete || status == kTaskComplete) return "COMPLETED";
    return status == kTaskInProgress ? "IN-PROCESS" : "NEEDS-ACTION";
}

void AddTaskDates(tcontentlines& lines, const ttaskinfo& t) {
    auto start = FileTimeMinutes(t.StartDate);
    auto due = FileTimeMinutes(t.DueDate);
    // A binary value: all its bytes, zeros included.
    tbytes recurrence =
        t.Recurrence ? tbytes(t.Recurrence->begin(), t.Recurrence->end()) : tbytes{};
    auto series = Series(recurrence, false);
    if (series && !DateOfMinutes(series->Pattern.StartDate)) series.reset();
    // Task dates are days: local midnight, stored in UTC or as they are.
    std::optional<int64_t> first = start ? std::optional(AllDayMinutes(*start)) : std::nullopt;
    if (series) first = series->Pattern.StartDate;
    std::optional<int64_t> last = due ? std::optional(AllDayMinutes(*due)) : std::nullopt;
    if (first && last && *last < *first) first.reset();
    if (first) lines.Add("DTSTART;VALUE=DATE", *DateOfMinutes(*first));
    if (last)
        if (auto d = DateOfMinutes(*last)) lines.Add("DUE;VALUE=DATE", *d);
    if (series && first) {
        std::string until = DateOfMinutes(series->Pattern.EndDate).value_or("");
        if (auto rule = RecurrenceRule(series->Pattern, until)) lines.Add("RRULE", *rule);
    }
}

void AddTaskState(tcontentlines& lines, const ttaskinfo& t) {
    lines.Add("STATUS", TaskStatus(t.Status, t.Complete != 0));
    double percent = std::isfinite(t.PercentComplete) ? t.PercentComplete : 0.0;
    long whole = std::lround(std::clamp(percent, 0.0, 1.0) * kPercentScale);
    lines.Add("PERCENT-COMPLETE", std::to_string(whole));
    if (auto s = FileTimeSeconds(t.DateCompleted))
        if (auto text = UtcDateTime(*s)) lines.Add("COMPLETED", *text);
}

} // namespace

std::string ComposeEventCalendar(const tpstmessage& item, uint64_t nid,
                                 const trecipienttable* recipients) {
    tcontentlines event;
    Begin(event, "VEVENT", item, nid);
    std::optional<tcalendarzone> zone = EventTimes(event, item);
    AddEventDetails(event, item, recipients);
    event.Add("END", "VEVENT");
    return Calendar(event.Text(), zone);
}

std::string ComposeTaskCalendar(const tpstmessage& item, uint64_t nid) {
    tcontentlines todo;
    Begin(todo, "VTODO", item, nid);
    if (item.Task) {
        AddTaskDates(todo, *item.Task);
        AddTaskState(todo, *item.Task);
    }
    AddCommon(todo, item);
    if (item.Appointment && IsTrue(item.Appointment->ReminderSet))
        if (auto s = FileTimeSeconds(item.Appointment->ReminderSignalTime))
            if (auto t = UtcDateTime(*s)) AddAlarm(todo, *t);
    todo.Add("END", "VTODO");
    return Calendar(todo.Text(), std::nullopt);
}
