// The iCalendar and vCard texts of items made in memory: single, all-day and
// recurring events (each pattern type, ends, removed instances, zones with
// and without daylight time), tasks, contacts and distribution lists, and
// hostile names and values, read back by python3-icalendar and
// python3-vobject where the text alone does not tell.
#include <gtest/gtest.h>

#include <string>

#include "export/CompanionFiles.h"
#include "export/ICalendar.h"
#include "export/RecurrenceRule.h"
#include "export/VCard.h"
#include "tests/export/EmlTestSupport.h"
#include "tools/pstwriter/PstCalendarValues.h"

namespace {

using emltest::Quote;
using emltest::RunShell;
using emltest::TempDir;

constexpr int64_t kFiletimeEpoch = 11644473600LL;

tbytes FileTime(int64_t unixSeconds) {
    uint64_t t = uint64_t(unixSeconds + kFiletimeEpoch) * 10000000ULL;
    tbytes b(8);
    for (int i = 0; i < 8; ++i)
        b[size_t(i)] = uint8_t(t >> (8 * i));
    return b;
}

std::string Unfolded(std::string text) {
    for (size_t at; (at = text.find("\r\n ")) != std::string::npos;)
        text.erase(at, 3);
    return text;
}

bool Has(const std::string& text, const std::string& line) {
    return Unfolded(text).find("\r\n" + line + "\r\n") != std::string::npos;
}

std::unique_ptr<tpstmessage> Event(const std::string& subject) {
    auto m = emltest::Mail(subject, kKindAppointment);
    m->MessageClass = std::string("IPM.Appointment");
    m->Appointment = std::make_unique<tappointmentinfo>();
    return m;
}

std::string ScriptPath() {
    return std::string(OSTREL_SOURCE_DIR) + "/tests/export/check_vcard_ics.py";
}

bool HaveReaders() {
    static const bool have = [] {
        int status = -1;
        RunShell("python3 " + Quote(ScriptPath()) + " --modules", &status);
        return status == 0;
    }();
    return have;
}

// The readers' verdict and their decoded view (check_vcard_ics.py --json).
std::string ReadBack(const std::string& name, const std::string& text, int* status) {
    static TempDir dir;
    std::string path = dir.Path() + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return RunShell("python3 " + Quote(ScriptPath()) + " --json " + Quote(path), status);
}

// 2024-03-04 09:00 UTC, a Monday.
constexpr int64_t kMonday0900 = 1709542800;

TEST(ICalendar, SingleEventInUtcWithPlaceOrganizerAttendeesAndReminder) {
    auto m = Event("Planning");
    m->Appointment->StartTime = FileTime(kMonday0900);
    m->Appointment->EndTime = FileTime(kMonday0900 + 5400);
    m->Appointment->Location = std::string("Room 5; east wing");
    m->Appointment->ReminderSet = 1;
    m->Appointment->ReminderDelta = 15;
    m->MailInfo->SentRepresentingName = std::string("Ann Example");
    m->MailInfo->SentRepresentingEmail = std::string("ann@example.com");
    m->MailInfo->SentRepresentingAddressType = std::string("SMTP");
    m->MailInfo->DisplayTo = std::string("Bob <bob@example.com>; Doe, \"Jane\": CEO");
    m->MailInfo->DisplayCc = std::string("Carl");
    m->MailInfo->Body = std::string("Line one\r\nLine two; with, separators\\");
    std::string ics = ComposeEventCalendar(*m, 0x200024);
    EXPECT_TRUE(Has(ics, "DTSTART:20240304T090000Z")) << ics;
    EXPECT_TRUE(Has(ics, "DTEND:20240304T103000Z"));
    EXPECT_TRUE(Has(ics, "LOCATION:Room 5\\; east wing"));
    EXPECT_TRUE(Has(ics, "ORGANIZER;CN=Ann Example:mailto:ann@example.com"));
    EXPECT_TRUE(Has(ics, "ATTENDEE;ROLE=REQ-PARTICIPANT;CN=Bob:mailto:bob@example.com"));
    EXPECT_TRUE(Has(ics, "ATTENDEE;ROLE=OPT-PARTICIPANT;CN=Carl:invalid:nomail"));
    EXPECT_TRUE(Has(ics, "TRIGGER:-PT15M"));
    EXPECT_TRUE(Has(ics, "DESCRIPTION:Line one\\nLine two\\; with\\, separators\\\\"));
    EXPECT_EQ(ics.find("RRULE"), std::string::npos);
    if (!HaveReaders()) GTEST_SKIP() << "python3-icalendar or python3-vobject is not installed";
    int status = -1;
    std::string json = ReadBack("single.ics", ics, &status);
    EXPECT_EQ(status, 0) << json;
    EXPECT_NE(json.find("\"Line one\\nLine two; with, separators\\\\\""), std::string::npos)
        << json;
    EXPECT_NE(json.find("CN=Doe, Jane: CEO invalid:nomail"), std::string::npos) << json;
}

// The recipient table gives each attendee's address, even when the display
// lists hold names only; an unreadable table leaves the display lists.
TEST(ICalendar, AttendeesComeFromTheRecipientTable) {
    auto m = Event("Review");
    m->Appointment->StartTime = FileTime(kMonday0900);
    m->MailInfo->SentRepresentingName = std::string("Ann Example");
    m->MailInfo->SentRepresentingEmail = std::string("/O=CORP/CN=ANN");
    m->MailInfo->SentRepresentingAddressType = std::string("EX");
    m->MailInfo->SentRepresentingSmtpAddress = std::string("ann@corp.example");
    m->MailInfo->DisplayTo = std::string("Bob");
    trecipienttable table;
    table.State = trecipientstate::Read;
    table.Rows = {{kRecipientTo, "Bob", "bob@corp.example", "/O=CORP/CN=BOB", "EX"},
                  {kRecipientCc, "Exchange Only", "", "/O=CORP/CN=EO", "EX"},
                  {kRecipientBcc, "Room 5", "room5@corp.example", "", ""},
                  {0, "No type", "x@corp.example", "", "SMTP"}};
    std::string ics = ComposeEventCalendar(*m, 0x200024, &table);
    EXPECT_TRUE(Has(ics, "ORGANIZER;CN=Ann Example:mailto:ann@corp.example")) << ics;
    EXPECT_TRUE(Has(ics, "ATTENDEE;ROLE=REQ-PARTICIPANT;CN=Bob:mailto:bob@corp.example"));
    EXPECT_TRUE(Has(ics, "ATTENDEE;ROLE=OPT-PARTICIPANT;CN=Exchange Only:invalid:nomail"));
    EXPECT_TRUE(Has(ics, "ATTENDEE;CUTYPE=RESOURCE;ROLE=NON-PARTICIPANT;CN=Room 5:mailto:"
                         "room5@corp.example"));
    EXPECT_EQ(ics.find("No type"), std::string::npos);
    table.State = trecipientstate::Unreadable;
    ics = ComposeEventCalendar(*m, 0x200024, &table);
    EXPECT_TRUE(Has(ics, "ATTENDEE;ROLE=REQ-PARTICIPANT;CN=Bob:invalid:nomail")) << ics;
    // An empty table: a meeting without attendees is an appointment.
    table = {trecipientstate::Read, {}, false};
    ics = ComposeEventCalendar(*m, 0x200024, &table);
    EXPECT_EQ(ics.find("ORGANIZER"), std::string::npos) << ics;
}

TEST(ICalendar, AllDayEventsAreDatesOfTheirLocalDay) {
    // Midnight of 10 May at +02:00 and at -05:00, stored in UTC.
    for (int64_t start : {int64_t(1715292000), int64_t(1715317200)}) {
        auto m = Event("Holiday");
        m->Appointment->AllDay = 1;
        m->Appointment->StartTime = FileTime(start);
        m->Appointment->EndTime = FileTime(start + 2 * 86400);
        m->MailInfo->SentRepresentingName = std::string("Ann Example");
        std::string ics = ComposeEventCalendar(*m, 0x200044);
        EXPECT_EQ(ics.find("ORGANIZER"), std::string::npos) << "no attendees, no organizer";
        EXPECT_TRUE(Has(ics, "DTSTART;VALUE=DATE:20240510")) << ics;
        EXPECT_TRUE(Has(ics, "DTEND;VALUE=DATE:20240512")) << ics;
    }
}

pstw::Recurrence WeeklyFromMonday() {
    pstw::Recurrence r;
    r.patternSpecific = {0x2A};
    r.firstDayOfWeek = 1;
    r.endType = 0x2021;
    r.startDate = pstw::minutesOfDate(2024, 3, 4);
    r.endDate = pstw::minutesOfDate(2024, 6, 28);
    r.deletedDates = {pstw::minutesOfDate(2024, 3, 6), pstw::minutesOfDate(2024, 3, 8)};
    r.modifiedDates = {pstw::minutesOfDate(2024, 3, 8)};
    r.startTimeOffset = 10 * 60;
    r.endTimeOffset = 11 * 60;
    return r;
}

TEST(ICalendar, RecurringSeriesStaysInItsZoneWithDaylightTime) {
    auto m = Event("Stand-up");
    m->Appointment->StartTime = FileTime(kMonday0900); // 10:00 at +01:00
    m->Appointment->AppointmentRecur = pstw::recurrenceBytes(WeeklyFromMonday());
    // Central European time: bias -60, daylight -60 more, last Sundays of October and March.
    m->Appointment->TimeZoneStruct =
        pstw::timeZoneStructBytes(-60, 0, -60, {10, 0, 5, 3}, {3, 0, 5, 2});
    m->Appointment->TimeZoneDescription = std::string("(UTC+01:00) Amsterdam, Berlin; Rome");
    std::string ics = ComposeEventCalendar(*m, 0x200064);
    const std::string tz = "(UTC+0100) Amsterdam Berlin Rome"; // no ":" "," ";"
    EXPECT_TRUE(Has(ics, "TZID:" + tz)) << ics;
    EXPECT_TRUE(Has(ics, "DTSTART;TZID=" + tz + ":20240304T100000")) << ics;
    EXPECT_TRUE(Has(ics, "DTEND;TZID=" + tz + ":20240304T110000"));
    // The last instance on 28 June at 10:00 is summer time, 08:00 UTC.
    EXPECT_TRUE(
        Has(ics, "RRULE:FREQ=WEEKLY;INTERVAL=1;BYDAY=MO,WE,FR;WKST=MO;UNTIL=20240628T080000Z"))
        << ics;
    EXPECT_TRUE(Has(ics, "EXDATE;TZID=" + tz + ":20240306T100000"));
    EXPECT_EQ(Unfolded(ics).find("EXDATE;TZID=" + tz + ":20240308"), std::string::npos)
        << "a modified instance is no removed one";
    EXPECT_TRUE(Has(ics, "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU"));
    EXPECT_TRUE(Has(ics, "TZOFFSETTO:+0200"));
    if (!HaveReaders()) GTEST_SKIP() << "python3-icalendar or python3-vobject is not installed";
    int status = -1;
    std::string json = ReadBack("series.ics", ics, &status);
    EXPECT_EQ(status, 0) << json;
    EXPECT_NE(json.find("2024-03-04T10:00:00+01:00"), std::string::npos) << json;
}

TEST(ICalendar, SeriesWithoutZoneTakesTheOffsetOfItsFirstInstance) {
    auto m = Event("Stand-up");
    m->Appointment->StartTime = FileTime(kMonday0900 + 5 * 3600); // 10:00 at -04:00
    pstw::Recurrence r = WeeklyFromMonday();
    r.endType = 0x2022;
    r.occurrenceCount = 12;
    m->Appointment->AppointmentRecur = pstw::recurrenceBytes(r);
    std::string ics = ComposeEventCalendar(*m, 0x200084);
    EXPECT_TRUE(Has(ics, "TZID:UTC-0400")) << ics;
    EXPECT_TRUE(Has(ics, "DTSTART;TZID=UTC-0400:20240304T100000"));
    EXPECT_TRUE(Has(ics, "RRULE:FREQ=WEEKLY;INTERVAL=1;BYDAY=MO,WE,FR;WKST=MO;COUNT=12"));
}

TEST(ICalendar, AllDaySeriesAndUnreadablePatterns) {
    auto m = Event("Birthday");
    m->Appointment->AllDay = 1;
    m->Appointment->StartTime = FileTime(1715292000);
    pstw::Recurrence r;
    r.frequency = 0x200D;
    r.patternType = 0x0002;
    r.patternSpecific = {10};
    r.period = 12;
    r.startDate = pstw::minutesOfDate(2024, 5, 10);
    r.deletedDates = {pstw::minutesOfDate(2025, 5, 10)};
    r.endTimeOffset = 1440;
    m->Appointment->AppointmentRecur = pstw::recurrenceBytes(r);
    std::string ics = ComposeEventCalendar(*m, 0x2000A4);
    EXPECT_TRUE(Has(ics, "DTSTART;VALUE=DATE:20240510")) << ics;
    EXPECT_TRUE(Has(ics, "DTEND;VALUE=DATE:20240511"));
    EXPECT_TRUE(Has(ics, "RRULE:FREQ=YEARLY;INTERVAL=1;BYMONTH=5;BYMONTHDAY=10"));
    EXPECT_TRUE(Has(ics, "EXDATE;VALUE=DATE:20250510"));
    // A cut pattern: the item stays a single event at its stored start.
    m->Appointment->AppointmentRecur.resize(20);
    ics = ComposeEventCalendar(*m, 0x2000A4);
    EXPECT_EQ(ics.find("RRULE"), std::string::npos);
    EXPECT_TRUE(Has(ics, "DTSTART;VALUE=DATE:20240510")) << ics;
}

TEST(ICalendar, DescriptionOfAnHtmlOnlyBodyIsItsText) {
    auto m = Event("Html");
    m->MailInfo->BodyHtml = std::string(
        "<html><head><title>T</title><style>p{color:red}</style></head><body><header>A</header>"
        "<p>Hi &amp; bye</p><br>x<script>alert(1)</script></body></html>");
    std::string ics = ComposeEventCalendar(*m, 0x2000E4);
    EXPECT_TRUE(Has(ics, "DESCRIPTION:AHi & bye\\n\\nx")) << ics;
}

TEST(RecurrenceRule, EachPatternTypeAndEnd) {
    auto rule = [](uint16_t frequency, uint16_t type, std::vector<uint32_t> specific,
                   uint32_t period, uint32_t endType = 0x2023) {
        pstw::Recurrence r;
        r.frequency = frequency;
        r.patternType = type;
        r.patternSpecific = std::move(specific);
        r.period = period;
        r.endType = endType;
        r.occurrenceCount = 7;
        r.startDate = pstw::minutesOfDate(2024, 2, 29);
        auto p = ParseRecurrence(pstw::recurrenceBytes(r), true);
        return p ? RecurrenceRule(*p, "20241231") : std::nullopt;
    };
    EXPECT_EQ(rule(0x200A, 0, {}, 3 * 1440), "FREQ=DAILY;INTERVAL=3");
    EXPECT_EQ(rule(0x200A, 0, {}, 3 * 1440, 0x2022), "FREQ=DAILY;INTERVAL=3;COUNT=7");
    EXPECT_EQ(rule(0x200A, 0, {}, 1440, 0x2021), "FREQ=DAILY;INTERVAL=1;UNTIL=20241231");
    EXPECT_EQ(rule(0x200B, 1, {0x3E}, 1), "FREQ=WEEKLY;INTERVAL=1;BYDAY=MO,TU,WE,TH,FR;WKST=SU");
    EXPECT_EQ(rule(0x200C, 2, {31}, 2), "FREQ=MONTHLY;INTERVAL=2;BYMONTHDAY=31");
    EXPECT_EQ(rule(0x200C, 3, {0x41, 5}, 1), "FREQ=MONTHLY;INTERVAL=1;BYDAY=SU,SA;BYSETPOS=-1");
    EXPECT_EQ(rule(0x200C, 3, {0x04, 2}, 1), "FREQ=MONTHLY;INTERVAL=1;BYDAY=TU;BYSETPOS=2");
    EXPECT_EQ(rule(0x200C, 4, {31}, 1), "FREQ=MONTHLY;INTERVAL=1;BYMONTHDAY=-1");
    EXPECT_EQ(rule(0x200D, 2, {29}, 12), "FREQ=YEARLY;INTERVAL=1;BYMONTH=2;BYMONTHDAY=29");
    EXPECT_EQ(rule(0x200D, 3, {0x10, 4}, 24),
              "FREQ=YEARLY;INTERVAL=2;BYMONTH=2;BYDAY=TH;BYSETPOS=4");
    // What RRULE cannot say: Hijri months, a daily period of part of a day,
    // a week without days, an end after no instances.
    EXPECT_EQ(rule(0x200C, 0x000A, {3}, 1), std::nullopt);
    EXPECT_EQ(rule(0x200A, 0, {}, 90), std::nullopt);
    EXPECT_EQ(rule(0x200B, 1, {0}, 1), std::nullopt);
    EXPECT_EQ(rule(0x200C, 2, {0}, 1), std::nullopt);
}

TEST(ICalendar, TaskWithDatesStatusProgressAndRecurrence) {
    auto m = emltest::Mail("Report", kKindTask);
    m->Task = std::make_unique<ttaskinfo>();
    m->Task->StartDate = FileTime(1709510400); // 2024-03-04 00:00 UTC
    m->Task->DueDate = FileTime(1709856000);   // 2024-03-08
    m->Task->Status = 1;
    m->Task->PercentComplete = 0.25;
    pstw::Recurrence r;
    r.patternSpecific = {0x3E};
    r.appointment = false;
    r.startDate = pstw::minutesOfDate(2024, 3, 4);
    std::vector<uint8_t> bytes = pstw::recurrenceBytes(r);
    m->Task->Recurrence = std::string(bytes.begin(), bytes.end());
    std::string ics = ComposeTaskCalendar(*m, 0x2000C4);
    EXPECT_TRUE(Has(ics, "BEGIN:VTODO")) << ics;
    EXPECT_TRUE(Has(ics, "DTSTART;VALUE=DATE:20240304"));
    EXPECT_TRUE(Has(ics, "DUE;VALUE=DATE:20240308"));
    EXPECT_TRUE(Has(ics, "STATUS:IN-PROCESS"));
    EXPECT_TRUE(Has(ics, "PERCENT-COMPLETE:25"));
    EXPECT_TRUE(Has(ics, "RRULE:FREQ=WEEKLY;INTERVAL=1;BYDAY=MO,TU,WE,TH,FR;WKST=SU"));
    m->Task->Complete = 1;
    m->Task->PercentComplete = 7.0; // out of range: clamped
    m->Task->DateCompleted = FileTime(kMonday0900);
    ics = ComposeTaskCalendar(*m, 0x2000C4);
    EXPECT_TRUE(Has(ics, "STATUS:COMPLETED"));
    EXPECT_TRUE(Has(ics, "PERCENT-COMPLETE:100"));
    EXPECT_TRUE(Has(ics, "COMPLETED:20240304T090000Z"));
}

std::unique_ptr<tpstmessage> Contact() {
    auto m = emltest::Mail("Ann Example", kKindContact);
    m->MessageClass = std::string("IPM.Contact");
    m->Contact = std::make_unique<tcontactinfo>();
    return m;
}

TEST(VCard, ContactFieldsInVersion3) {
    auto m = Contact();
    tcontactinfo& c = *m->Contact;
    m->DisplayName = std::string("Ann Example");
    c.GivenName = std::string("Ann");
    c.Surname = std::string("Example");
    c.CompanyName = std::string("ACME; Inc.");
    c.Department = std::string("R&D");
    c.JobTitle = std::string("Engineer");
    c.Email1Address = std::string("ann@example.com");
    c.Email1AddressType = std::string("SMTP");
    c.Email2Address = std::string("/o=Org/ou=Exchange/cn=ann");
    c.Email2AddressType = std::string("EX");
    c.MobileTelephoneNumber = std::string("+1 555 0100");
    c.BusinessTelephoneNumber = std::string("+1 555 0101");
    c.WorkAddressStreet = std::string("1 Main St\r\nSuite 2");
    c.WorkAddressCity = std::string("Springfield");
    c.WorkAddressPostalCode = std::string("12345");
    c.WorkAddressCountry = std::string("USA");
    c.HomeAddress = std::string("2 Home Road\r\nLeeds"); // the whole text only
    c.Birthday = FileTime(1715292000);                   // 10 May at +02:00
    m->MailInfo->Body = std::string("Met at the fair, 2023");
    std::string vcf = ComposeContactVCard(*m);
    EXPECT_TRUE(Has(vcf, "VERSION:3.0")) << vcf;
    EXPECT_TRUE(Has(vcf, "FN:Ann Example"));
    EXPECT_TRUE(Has(vcf, "N:Example;Ann;;;"));
    EXPECT_TRUE(Has(vcf, "ORG:ACME\\; Inc.;R&D"));
    EXPECT_TRUE(Has(vcf, "TITLE:Engineer"));
    EXPECT_TRUE(Has(vcf, "EMAIL;TYPE=INTERNET,PREF:ann@example.com"));
    EXPECT_EQ(vcf.find("/o=Org"), std::string::npos) << "no Exchange address as e-mail";
    EXPECT_TRUE(Has(vcf, "TEL;TYPE=CELL:+1 555 0100"));
    EXPECT_TRUE(Has(vcf, "TEL;TYPE=WORK,VOICE:+1 555 0101"));
    EXPECT_TRUE(Has(vcf, "ADR;TYPE=WORK:;;1 Main St\\nSuite 2;Springfield;;12345;USA"));
    EXPECT_TRUE(Has(vcf, "LABEL;TYPE=HOME:2 Home Road\\nLeeds"));
    EXPECT_TRUE(Has(vcf, "ADR;TYPE=HOME:;;2 Home Road\\nLeeds;;;;"));
    EXPECT_TRUE(Has(vcf, "BDAY;VALUE=DATE:2024-05-10"));
    EXPECT_TRUE(Has(vcf, "NOTE:Met at the fair\\, 2023"));
    if (!HaveReaders()) GTEST_SKIP() << "python3-icalendar or python3-vobject is not installed";
    int status = -1;
    std::string json = ReadBack("ann.vcf", vcf, &status);
    EXPECT_EQ(status, 0) << json;
    EXPECT_NE(json.find("1 Main St\\nSuite 2"), std::string::npos) << json;
}

TEST(VCard, HostileNamesStayValuesAndFilesStayInTheirFolder) {
    auto m = Contact();
    m->MailInfo->Subject->Text = "../../etc/passwd\r\nEND:VCARD";
    m->DisplayName = std::string("Evil\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:Injected;,\\");
    m->Contact->Surname = std::string("a;b,c");
    m->Contact->Nickname = std::string("\xFF\xFE not UTF-8 \xE9"); // 8-bit text of the item
    std::string vcf = ComposeContactVCard(*m);
    EXPECT_EQ(Unfolded(vcf).find("\r\nBEGIN:VCARD", 1), std::string::npos) << vcf;
    EXPECT_TRUE(Has(vcf, "N:a\\;b\\,c;;;;"));
    std::string name = CompanionFileName(*m, 0x200024, tcompanion::ContactCard);
    EXPECT_EQ(name.find('/'), std::string::npos) << name;
    EXPECT_EQ(name.substr(name.size() - 13), "_00200024.vcf");
    TempDir dir;
    std::string error;
    ASSERT_EQ(WriteCompanionFile(*m, 0x200024, dir.Path(), &error), 1) << error;
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        ++files;
        EXPECT_EQ(e.path().parent_path(), std::filesystem::path(dir.Path()));
    }
    EXPECT_EQ(files, 1u);
    if (!HaveReaders()) GTEST_SKIP() << "python3-icalendar or python3-vobject is not installed";
    int status = -1;
    std::string json = ReadBack("evil.vcf", vcf, &status);
    EXPECT_EQ(status, 0) << json;
    EXPECT_NE(json.find("Evil\\nEND:VCARD\\nBEGIN:VCARD\\nFN:Injected;,\\\\"), std::string::npos)
        << json;
    EXPECT_NE(json.find("\xC3\xBF\xC3\xBE not UTF-8 \xC3\xA9"), std::string::npos) << json;
}

TEST(VCard, DistributionListIsAGroupOfItsMembers) {
    auto m = emltest::Mail("Team", kKindOther);
    m->MessageClass = std::string("IPM.DistList");
    m->DisplayName = std::string("Team");
    m->Contact = std::make_unique<tcontactinfo>();
    std::vector<std::vector<uint8_t>> ids = {
        pstw::oneOffEntryId("Ann", "SMTP", "ann@example.com"),
        pstw::oneOffEntryId("Bob", "SMTP", "bob@example.com", false),
        pstw::oneOffEntryId("Carl", "EX", "/o=Org/cn=carl")};
    tbytes list = {uint8_t(ids.size()), 0, 0, 0};
    uint32_t at = uint32_t(4 + 4 * ids.size());
    for (const auto& id : ids) {
        for (int i = 0; i < 4; ++i)
            list.push_back(uint8_t(at >> (8 * i)));
        at += uint32_t(id.size());
    }
    for (const auto& id : ids)
        list.insert(list.end(), id.begin(), id.end());
    m->Contact->DistributionListOneOffMembers = list;
    ASSERT_EQ(CompanionOf(*m), tcompanion::ListCard);
    std::string vcf = ComposeListVCard(*m);
    EXPECT_TRUE(Has(vcf, "VERSION:4.0")) << vcf;
    EXPECT_TRUE(Has(vcf, "KIND:group"));
    EXPECT_TRUE(Has(vcf, "FN:Team"));
    EXPECT_TRUE(Has(vcf, "MEMBER:mailto:ann@example.com"));
    EXPECT_TRUE(Has(vcf, "MEMBER:mailto:bob@example.com"));
    EXPECT_EQ(vcf.find("carl"), std::string::npos);
    // An offset beyond the value: no members at all rather than wrong ones.
    m->Contact->DistributionListOneOffMembers[4] = 0xFF;
    vcf = ComposeListVCard(*m);
    EXPECT_EQ(vcf.find("MEMBER"), std::string::npos) << vcf;
}

TEST(CompanionFiles, KindsAndClassesChooseTheFile) {
    EXPECT_EQ(CompanionOf(*Contact()), tcompanion::ContactCard);
    EXPECT_EQ(CompanionOf(*Event("x")), tcompanion::Event);
    EXPECT_EQ(CompanionOf(*emltest::Mail("x", kKindTask)), tcompanion::Task);
    EXPECT_EQ(CompanionOf(*emltest::Mail("x")), tcompanion::None);
    auto request = Event("x");
    request->Kind = kKindOther;
    request->MessageClass = std::string("IPM.Schedule.Meeting.Request");
    EXPECT_EQ(CompanionOf(*request), tcompanion::Event);
    request->MessageClass = std::string("IPM.Schedule.Meeting.Resp.Pos");
    EXPECT_EQ(CompanionOf(*request), tcompanion::None);
    EXPECT_EQ(CompanionFileName(*Event("Plan"), 0x2000A4, tcompanion::Event), "Plan_002000A4.ics");
}

} // namespace
