// The mbox export: mboxrd quoting ("From " at a line start, ">From " already
// quoted), separator lines, and the walk writing one file per folder with
// the same messages as the EML export, judged by Python's mailbox module
// (check_mbox.py beside these tests).
#include <gmock/gmock.h>

#include "export/MboxWriter.h"
#include "tests/export/EmlTestSupport.h"

using namespace emltest;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

constexpr uint64_t kRoot = 0x122;
constexpr uint64_t kStore = 0x21;
constexpr int64_t kSubmitted = 1614744306; // Wed 2021-03-03 04:05:06 UTC

std::string CheckMbox(const std::string& mboxDir, const std::string& emlDir, int* status) {
    std::string script = std::string(OSTREL_SOURCE_DIR) + "/tests/export/check_mbox.py";
    std::string eml = emlDir.empty() ? std::string() : " " + Quote(emlDir);
    return RunShell("python3 " + Quote(script) + " " + Quote(mboxDir) + eml + " 2>&1", status);
}

void AddRoot(Tree& t) {
    t.Add(kStore, 0, [] {
        auto m = std::make_unique<tpstmessage>();
        m->StoreInfo = std::make_unique<tstoreinfo>();
        m->DisplayName = std::string("Store");
        return m;
    });
    t.AddFolder(kRoot, kRoot, std::string());
}

// A mail whose body has lines an mbox reader would take for separators.
std::unique_ptr<tpstmessage> FromLines(const std::string& subject) {
    auto m = Mail(subject);
    m->MailInfo->Body =
        std::string("From the start\r\n>From once quoted\r\n>>From twice\r\n From not at start\r\n"
                    "From: looks like a header\r\nend");
    uint64_t ticks = uint64_t(kSubmitted + 11644473600LL) * 10000000ULL;
    for (int i = 0; i < 8; ++i)
        m->MailInfo->ClientSubmitTime.push_back(uint8_t(ticks >> (8 * i)));
    return m;
}

} // namespace

TEST(MboxWriter, SeparatorAndQuoting) {
    EXPECT_EQ(MboxSeparator(kSubmitted), "From - Wed Mar  3 04:05:06 2021\n");
    EXPECT_EQ(MboxSeparator(0), "From - Thu Jan  1 00:00:00 1970\n");
    std::string entry =
        MboxEntry("Subject: x\r\n\r\nFrom a\r\n>From b\r\n>>From c\r\n>From\r\nFromage\rFrom d\n",
                  kSubmitted);
    EXPECT_EQ(entry, "From - Wed Mar  3 04:05:06 2021\nSubject: x\n\n>From a\n>>From b\n"
                     ">>>From c\n>From\nFromage\n>From d\n\n");
}

TEST(MboxWriter, EveryLineEndsWithLfAndEntriesArePartedByAnEmptyLine) {
    std::string entry = MboxEntry("A: 1\r\n\r\nno final break", 0);
    EXPECT_EQ(entry.substr(entry.find('\n') + 1), "A: 1\n\nno final break\n\n");
    EXPECT_EQ(MboxEntry("", 0), "From - Thu Jan  1 00:00:00 1970\n\n");
}

TEST(MboxExport, OneFilePerFolderWithTheMessagesOfTheEmlExport) {
    if (!HavePython()) GTEST_SKIP() << "python3 is not installed";
    TempDir eml, mbox;
    Tree t;
    AddRoot(t);
    t.AddFolder(0x8022, kRoot, std::string("Inbox"));
    t.Add(0x200024, 0x8022, [] { return FromLines("first"); });
    t.Add(0x200044, 0x8022, [] { return FromLines("From second"); });
    t.AddMail(0x200064, 0x8022, "a report", kKindReport);
    t.AddMail(0x200084, 0x8022, "a contact", kKindContact); // a vCard beside the mbox
    t.AddFolder(0x8042, 0x8022, std::string("Inbox.mbox")); // the file's name: moves aside
    t.AddMail(0x2000A4, 0x8042, "nested");
    t.AddFolder(0x8062, kRoot, std::string("Empty"));
    temlcounts byEml = t.Export(eml.Path());
    temloptions options = t.Options();
    options.Format = texportformat::Mbox;
    temlcounts byMbox = t.pst.SaveAllToEml(mbox.Path(), options);
    EXPECT_TRUE(t.errors.empty()) << t.errors.front();
    EXPECT_EQ(byMbox.MessagesWritten, 4u);
    EXPECT_EQ(byMbox.MessagesWritten, byEml.MessagesWritten);
    EXPECT_EQ(byMbox.FoldersWritten, byEml.FoldersWritten);
    // Folders without messages have no file; a contact is not a message of the
    // mbox but keeps its vCard, as in the EML export.
    EXPECT_THAT(FilesBelow(mbox.Path()),
                ElementsAre("Store/Inbox/Inbox.mbox",
                            "Store/Inbox/Inbox.mbox (2)/Inbox.mbox (2).mbox",
                            "Store/Inbox/a contact_00200084.vcf"));
    std::string text = ReadFile(mbox.Path() + "/Store/Inbox/Inbox.mbox");
    EXPECT_THAT(text, HasSubstr("\nFrom - Wed Mar  3 04:05:06 2021\n"));
    EXPECT_THAT(text, HasSubstr("\n>From the start\n>>From once quoted\n>>>From twice\n"));
    EXPECT_THAT(text, HasSubstr("\n From not at start\n"));
    EXPECT_EQ(text.find("\r"), std::string::npos);
    int status = -1;
    // The folder that moved aside has another name than in the EML export.
    std::string report = CheckMbox(mbox.Path(), "", &status);
    EXPECT_EQ(status, 0) << report;
    EXPECT_THAT(report, HasSubstr("checked 4 messages in 2 files"));
}

TEST(MboxExport, ASecondExportReplacesTheFilesAndLinksAreNotFollowed) {
    TempDir mbox, elsewhere;
    Tree t;
    AddRoot(t);
    t.AddFolder(0x8022, kRoot, std::string("Inbox"));
    t.AddMail(0x200024, 0x8022, "one");
    temloptions options = t.Options();
    options.Format = texportformat::Mbox;
    t.pst.SaveAllToEml(mbox.Path(), options);
    t.pst.SaveAllToEml(mbox.Path(), options);
    std::string path = mbox.Path() + "/Store/Inbox/Inbox.mbox";
    std::string text = ReadFile(path);
    EXPECT_EQ(text.find("From - "), text.rfind("From - ")); // one message, not two
    // A link in place of the file is refused, and what it names stays untouched.
    std::string target = elsewhere.Path() + "/victim";
    { std::ofstream(target) << "keep"; }
    fs::remove(path);
    fs::create_symlink(target, path);
    temlcounts c = t.pst.SaveAllToEml(mbox.Path(), options);
    EXPECT_EQ(c.MessagesFailed, 1u);
    EXPECT_EQ(ReadFile(target), "keep");
    ASSERT_EQ(t.errors.size(), 1u);
    EXPECT_THAT(t.errors[0], HasSubstr("Inbox.mbox"));
}
