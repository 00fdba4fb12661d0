// The EML export of the real sample mailboxes: through `ostrel export`,
// every written file read by Python's email package without a defect, and
// the message counts beside those of `readpst -e` on the same files.
#include <gmock/gmock.h>

#include <map>
#include <set>

#include "tests/export/EmlTestSupport.h"

using namespace emltest;
using testing::HasSubstr;

namespace {

std::vector<std::string> Samples() {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(OSTREL_SAMPLES_DIR, ec))
        if (e.path().extension() == ".pst" || e.path().extension() == ".ost")
            out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

// The sample that is an mbox text under a .pst name.
bool IsNoMailbox(const std::string& path) {
    return path.find("SMTP_Outlook.pst") != std::string::npos;
}

size_t CountFiles(const std::string& dir, const std::string& extension) {
    size_t n = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); it != fs::end(it); it.increment(ec))
        if (it->path().extension() == extension) ++n;
    return n;
}

// The NID at the end of a written file name ("..._00200024.eml", "... (2).eml").
uint64_t NidOfFile(const fs::path& p) {
    std::string stem = p.stem().string();
    return std::strtoull(stem.c_str() + stem.rfind('_') + 1, nullptr, 16);
}

// What our export wrote and passed over, by kind, for one sample.
struct tkinds {
    size_t Mail = 0, Appointments = 0, Other = 0;
    size_t ReportsAndMeetings = 0; // not ours to write; readpst writes them as .eml
};

tkinds ExportCounting(const std::string& sample, const std::string& dir) {
    TPst64File pst;
    pst.Open(sample);
    std::map<uint64_t, int32_t> kinds;
    tkinds k;
    temloptions o;
    o.Build = [&](tnodeentry* node) {
        auto m = BuildMessage(&pst.Engine, node, nullptr);
        if (m && m->MailInfo && node->nid > 0xFFFF) {
            kinds[node->nid] = m->Kind;
            std::string cls = TextOf(m->MessageClass);
            if (m->Kind == kKindReport || cls.rfind("IPM.Schedule", 0) == 0) ++k.ReportsAndMeetings;
        }
        return m;
    };
    pst.SaveAllToEml(dir, std::move(o));
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); it != fs::end(it); it.increment(ec)) {
        if (it->path().extension() != ".eml") continue;
        int32_t kind = kinds[NidOfFile(it->path())];
        ++(kind == kKindMail ? k.Mail : kind == kKindAppointment ? k.Appointments : k.Other);
    }
    return k;
}

} // namespace

TEST(EmlSamples, EveryWrittenFileParsesWithoutDefects) {
    auto samples = Samples();
    if (samples.empty()) GTEST_SKIP() << "no sample mailboxes in " << OSTREL_SAMPLES_DIR;
    if (!HavePython()) GTEST_SKIP() << "python3 with the email package is not installed";
    TempDir out;
    size_t written = 0;
    for (const std::string& sample : samples) {
        SCOPED_TRACE(sample);
        std::string dir = out.Path() + "/" + fs::path(sample).stem().string(); // made by ostrel
        int status = -1;
        std::string printed = RunShell(
            Quote(OSTREL_CLI) + " export " + Quote(sample) + " " + Quote(dir) + " 2>&1", &status);
        if (IsNoMailbox(sample)) {
            EXPECT_EQ(status, 2) << printed;
            continue;
        }
        EXPECT_EQ(status, 0) << printed;
        EXPECT_THAT(printed, HasSubstr(", failed: 0\nMessages written: "));
        EXPECT_THAT(printed, testing::EndsWith(", failed: 0\n"));
        written += CountFiles(dir, ".eml");
    }
    EXPECT_GT(written, 150u);
    int status = -1;
    std::string report =
        RunShell("python3 " + Quote(CheckScript()) + " " + Quote(out.Path()), &status);
    EXPECT_EQ(status, 0) << report;
    EXPECT_THAT(report, HasSubstr("checked " + std::to_string(written) + "\n"));
}

// readpst -e writes mail notes, delivery reports and meeting messages as
// .eml and appointments as .ics; it skips posts, sticky notes, tasks and
// journal entries. We write mail, appointments, posts, sticky notes, tasks
// and journal entries, and skip reports (REPORT.IPM.Note) and meeting
// messages (IPM.Schedule.*, kind "other"). So per sample: readpst's .eml =
// our mail + the reports and meeting messages we passed over, and readpst's
// .ics = our appointments. -D makes readpst keep "Deleted Items" as we do;
// -j 0 keeps it to one process: its parallel jobs now and then lose a file.
// readpst refuses the sample whose header CRC is wrong (we read it: the
// page scan does not trust the header), and the mbox text named .pst.
TEST(EmlSamples, CountsAgreeWithReadpst) {
    auto samples = Samples();
    if (samples.empty()) GTEST_SKIP() << "no sample mailboxes in " << OSTREL_SAMPLES_DIR;
    int status = -1;
    RunShell("readpst -V >/dev/null 2>&1", &status);
    if (status != 0 && status != 1) GTEST_SKIP() << "readpst (pst-utils) is not installed";
    size_t compared = 0;
    for (const std::string& sample : samples) {
        SCOPED_TRACE(sample);
        TempDir ours, theirs;
        tkinds k = ExportCounting(sample, ours.Path());
        RunShell("readpst -e -D -j 0 -q -o " + Quote(theirs.Path()) + " " + Quote(sample) +
                     " >/dev/null 2>&1",
                 &status);
        if (status != 0) continue;
        ++compared;
        EXPECT_EQ(CountFiles(theirs.Path(), ".eml"), k.Mail + k.ReportsAndMeetings)
            << testing::PrintToString(FilesBelow(theirs.Path()));
        EXPECT_EQ(CountFiles(theirs.Path(), ".ics"), k.Appointments);
    }
    EXPECT_GE(compared, 25u);
}

TEST(EmlSamples, CommandLineErrors) {
    auto samples = Samples();
    if (samples.empty()) GTEST_SKIP() << "no sample mailboxes in " << OSTREL_SAMPLES_DIR;
    TempDir out;
    std::string file = out.Path() + "/a file";
    std::ofstream(file) << "x";
    int status = -1;
    std::string printed = RunShell(
        Quote(OSTREL_CLI) + " export " + Quote(samples[0]) + " " + Quote(file) + " 2>&1", &status);
    EXPECT_EQ(status, 2);
    EXPECT_THAT(printed, HasSubstr("not a directory"));
    printed = RunShell(Quote(OSTREL_CLI) + " export " + Quote(out.Path() + "/missing.pst") + " " +
                           Quote(out.Path()) + " 2>&1",
                       &status);
    EXPECT_EQ(status, 2);
    // No terminal: no progress line, only the counts.
    printed = RunShell(Quote(OSTREL_CLI) + " export " + Quote(samples[0]) + " " +
                           Quote(out.Path() + "/new") + " 2>&1",
                       &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(printed.find('\r'), std::string::npos);
    EXPECT_THAT(printed, testing::StartsWith("Folders written: "));
}
