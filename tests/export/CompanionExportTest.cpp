// `ostrel export` writes a .vcf for every contact and distribution list and
// a .ics beside every calendar item and task: on a mailbox the test writer
// made, judged by python3-vobject and python3-icalendar
// against what the writer put in, and on the shared samples, where every
// file must read without fault and the counts match those readpst writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "tests/cli/CliRun.h"
#include "tools/pstwriter/PstCalendarValues.h"
#include "tools/pstwriter/PstMailbox.h"

namespace {

namespace fs = std::filesystem;
using namespace pstw;

constexpr int64_t kFiletimeEpoch = 11644473600LL;
constexpr int64_t kMonday0900 = 1709542800; // 2024-03-04 09:00 UTC

uint64_t FileTime(int64_t unixSeconds) {
    return uint64_t(unixSeconds + kFiletimeEpoch) * 10000000ULL;
}

std::string Script() {
    return std::string(OSTREL_SOURCE_DIR) + "/tests/export/check_vcard_ics.py";
}

bool HaveReaders() {
    static const bool have = clirun::Run({"python3", Script(), "--modules"}).Status == 0;
    return have;
}

Item Contact() {
    Item i;
    i.kind = ItemKind::Contact;
    i.subject = "Ann Example";
    i.contact = ContactInfo{};
    i.contact->displayName = "Ann Example";
    i.contact->givenName = "Ann";
    i.contact->surname = "Example";
    i.contact->companyName = "ACME, Inc.";
    i.contact->jobTitle = "Engineer";
    i.contact->mobilePhone = "+1 555 0100";
    i.contact->email1Address = "ann@example.com";
    i.contact->email1DisplayName = "Ann Example (ann@example.com)";
    i.extra = {Prop::str(0x3A5D, "2 Home Road"), Prop::str(0x3A59, "Leeds"),
               Prop::time(0x3A42, FileTime(1715292000))}; // birthday 10 May at +02:00
    i.named = {{PropName::numeric(psetidAddress(), 0x8045), Prop::str(0, "1 Main St")},
               {PropName::numeric(psetidAddress(), 0x8046), Prop::str(0, "Springfield")}};
    i.body = "Met at the fair; bring cake.";
    return i;
}

Item List() {
    Item i;
    i.kind = ItemKind::Contact;
    i.messageClass = "IPM.DistList";
    i.subject = "Team, \"core\"";
    i.named = {{PropName::numeric(psetidAddress(), 0x8054),
                Prop::mvBin(0, {oneOffEntryId("Ann", "SMTP", "ann@example.com"),
                                oneOffEntryId("Bob", "SMTP", "bob@example.com", false),
                                oneOffEntryId("Carl", "EX", "/o=Org/cn=carl")})}};
    return i;
}

Item Appointment(const std::string& subject) {
    Item i;
    i.kind = ItemKind::Appointment;
    i.subject = subject;
    i.appointment = AppointmentInfo{};
    i.appointment->start = FileTime(kMonday0900);
    i.appointment->end = FileTime(kMonday0900 + 3600);
    i.appointment->location = "Room 5";
    i.appointment->reminderMinutes = 10;
    i.displayTo = "Bob <bob@example.com>; Carl";
    i.senderName = "Ann Example";
    i.senderAddress = "ann@example.com";
    i.body = "Agenda:\r\n1. Dates";
    return i;
}

Item Series() {
    Item i = Appointment("Stand-up");
    Recurrence r;
    r.patternSpecific = {0x2A};
    r.endType = 0x2022;
    r.occurrenceCount = 12;
    r.startDate = minutesOfDate(2024, 3, 4);
    r.deletedDates = {minutesOfDate(2024, 3, 6)};
    r.startTimeOffset = 10 * 60;
    r.endTimeOffset = 11 * 60;
    i.named = {{PropName::numeric(psetidAppointment(), 0x8216), Prop::bin(0, recurrenceBytes(r))},
               {PropName::numeric(psetidAppointment(), 0x8233),
                Prop::bin(0, timeZoneStructBytes(-60, 0, -60, {10, 0, 5, 3}, {3, 0, 5, 2}))},
               {PropName::numeric(psetidAppointment(), 0x8223), Prop::boolean(0, true)}};
    return i;
}

Item Task() {
    Item i;
    i.kind = ItemKind::Task;
    i.subject = "Write report";
    i.task = TaskInfo{};
    i.task->status = 1;
    i.task->percentComplete = 0.5;
    i.task->dueDate = FileTime(1709856000); // 2024-03-08
    return i;
}

Mailbox Generated() {
    Mailbox m;
    Folder contacts("Contacts", "IPF.Contact");
    contacts.items = {Contact(), List()};
    Folder calendar("Calendar", "IPF.Appointment");
    Item allDay = Appointment("Holiday");
    allDay.appointment->allDay = true;
    allDay.appointment->start = FileTime(1715292000);
    allDay.appointment->end = FileTime(1715378400);
    calendar.items = {Appointment("Planning"), Series(), allDay};
    Folder tasks("Tasks", "IPF.Task");
    tasks.items = {Task()};
    m.ipmSubtree.folders = {contacts, calendar, tasks};
    return m;
}

// One JSON line of check_vcard_ics.py --json per file, by file name without NID.
std::map<std::string, std::string> ReadExport(const fs::path& dir) {
    clirun::tresult r = clirun::Run({"python3", Script(), "--json", dir.string()});
    std::map<std::string, std::string> byName;
    for (const std::string& line : clirun::Lines(r.Out)) {
        size_t at = line.find("\"file\": \"");
        if (at == std::string::npos) continue;
        std::string path = line.substr(at + 9, line.find('"', at + 9) - at - 9);
        std::string name = fs::path(path).filename().string();
        byName[name.substr(0, name.rfind('_'))] = line;
    }
    return byName;
}

class CompanionGenerated : public ::testing::TestWithParam<Layout> {};

TEST_P(CompanionGenerated, ContactsListsEventsAndTasksReadBackAsWritten) {
    if (!HaveReaders()) GTEST_SKIP() << "python3-vobject or python3-icalendar is not installed";
    fs::path dir = clirun::TempDir("ostrel-vcal");
    ASSERT_FALSE(dir.empty());
    MailboxWriter w({GetParam(), 1});
    w.write(Generated(), (dir / "gen.pst").string());
    ASSERT_EQ(clirun::Ostrel({"export", (dir / "gen.pst").string(), (dir / "out").string()}).Status,
              0);
    clirun::tresult check = clirun::Run({"python3", Script(), (dir / "out").string()});
    EXPECT_EQ(check.Status, 0) << check.Out;
    EXPECT_NE(check.Out.find("checked 2 vcf, 4 ics"), std::string::npos) << check.Out;
    auto files = ReadExport(dir / "out");
    const std::string& ann = files["Ann Example"];
    for (const char* expected :
         {"\"fn\": \"Ann Example\"", "ann@example.com", "+1 555 0100", "ACME, Inc.",
          "\"title\": \"Engineer\"", "1 Main St", "Springfield", "2 Home Road", "2024-05-10",
          "Met at the fair; bring cake."})
        EXPECT_NE(ann.find(expected), std::string::npos) << expected << "\n" << ann;
    const std::string& team = files["Team, _core_"];
    EXPECT_NE(team.find("\"kind\": \"group\""), std::string::npos) << team;
    EXPECT_NE(team.find("\"member\": [\"mailto:ann@example.com\", \"mailto:bob@example.com\"]"),
              std::string::npos)
        << team;
    const std::string& planning = files["Planning"];
    for (const char* expected : {"\"DTSTART\": [\"2024-03-04T09:00:00+00:00\"]", "Room 5",
                                 "CN=Bob mailto:bob@example.com", "Agenda:\\n1. Dates", "VALARM"})
        EXPECT_NE(planning.find(expected), std::string::npos) << expected << "\n" << planning;
    const std::string& series = files["Stand-up"];
    for (const char* expected : {"2024-03-04T10:00:00+01:00", "COUNT=12",
                                 "\"EXDATE\": [\"20240306T100000\"]", "VTIMEZONE"})
        EXPECT_NE(series.find(expected), std::string::npos) << expected << "\n" << series;
    EXPECT_NE(files["Holiday"].find("\"DTSTART\": [\"2024-05-10\"]"), std::string::npos)
        << files["Holiday"];
    const std::string& task = files["Write report"];
    for (const char* expected :
         {"VTODO", "IN-PROCESS", "\"PERCENT-COMPLETE\": [\"50\"]", "2024-03-08"})
        EXPECT_NE(task.find(expected), std::string::npos) << expected << "\n" << task;
    std::error_code ec;
    if (!HasFailure()) fs::remove_all(dir, ec);
}

// Only the Unicode layout: in ANSI files the engine does not resolve named
// properties through the name-to-ID map yet (their IDs stand for LIDs), so
// the appointment and contact fields of such files are not where they belong.
INSTANTIATE_TEST_SUITE_P(Layouts, CompanionGenerated, ::testing::Values(Layout::Unicode),
                         [](const auto& info) {
                             return std::string(info.param == Layout::Unicode ? "Unicode" : "Ansi");
                         });

// Samples with contacts, lists, calendar items or tasks, and how many
// .vcf and .ics files the export writes for each.
struct tsample {
    const char* file;
    int vcf, ics;
};
constexpr tsample kSamples[] = {
    {"HiraokaHyperTools_ruby-msg__contacts.pst", 1, 0},
    {"HiraokaHyperTools_ruby-msg__contacts97-2002.pst", 1, 0},
    {"aspose-email_Aspose.Email-for-.NET__Outlook_1.pst", 1, 1},
    {"aspose-email_Aspose.Email-for-.NET__PersonalStorageFile1.pst", 72, 0},
    {"aspose-email_Aspose.Email-for-.NET__Test_part1.pst", 21, 9},
    {"aspose-email_Aspose.Email-for-.NET__SampleOstFile.ost", 0, 11},
    {"mooijtech_go-pst__32-bit.pst", 0, 1},
    {"rjohnsondev_java-libpst__dist-list.pst", 2, 1},
    {"ost4k/pst-extractor__pstextractortestpdf@outlook.com.ost", 0, 160},
};

TEST(CompanionSamples, EveryFileOfTheSamplesReadsWithoutFault) {
    if (!HaveReaders()) GTEST_SKIP() << "python3-vobject or python3-icalendar is not installed";
    fs::path samples = OSTREL_SAMPLES_DIR;
    if (!fs::exists(samples / kSamples[0].file))
        GTEST_SKIP() << "the shared samples are not at " << samples;
    fs::path dir = clirun::TempDir("ostrel-vcal-samples");
    for (const tsample& s : kSamples) {
        fs::create_directories(dir / s.file);
        clirun::Ostrel({"export", (samples / s.file).string(), (dir / s.file).string()});
    }
    // One run of the readers over all of them: their start is the costly part.
    clirun::tresult check = clirun::Run({"python3", Script(), "--json", dir.string()});
    std::map<std::string, std::pair<int, int>> counts;
    for (const std::string& line : clirun::Lines(check.Out)) {
        EXPECT_NE(line.find("\"faults\": []"), std::string::npos) << line;
        for (const tsample& s : kSamples)
            if (line.find("/" + std::string(s.file) + "/") != std::string::npos)
                ++(line.find(".vcf\"") != std::string::npos ? counts[s.file].first
                                                            : counts[s.file].second);
    }
    for (const tsample& s : kSamples)
        EXPECT_EQ(counts[s.file], std::make_pair(s.vcf, s.ics)) << s.file;
    std::error_code ec;
    fs::remove_all(dir, ec);
}

} // namespace
