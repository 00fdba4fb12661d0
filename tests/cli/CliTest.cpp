// The ostrel command line as a user meets it: help, usage errors, files that
// cannot be read, files that are not mailboxes, and requests that find nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "tests/cli/CliRun.h"

namespace {

using clirun::Lines;
using clirun::Ostrel;

const char* const kMbox = "aspose-email_Aspose.Email-for-C__SMTP_Outlook.pst";
const char* const kTruncated = "Jmcleodfoss_pstreader__truncated-in-header.bin";
const char* const kOutlook1 = "aspose-email_Aspose.Email-for-.NET__Outlook_1.pst";

class CliFiles : public ::testing::Test {
protected:
    void SetUp() override { dir_ = clirun::TempDir("ostrel-cli"); }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::permissions(dir_ / "locked", std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return (dir_ / name).string();
    }
    std::filesystem::path dir_;
};

// A file that is no mailbox: every command says why on standard error and
// exits 2, with nothing on standard output.
void ExpectUnreadable(const std::string& file, const std::string& why) {
    for (std::vector<std::string> args : {std::vector<std::string>{"folders", file},
                                          {"items", file, file + "\\Inbox"},
                                          {"show", file, "0x21"}}) {
        clirun::tresult r = Ostrel(args);
        EXPECT_EQ(r.Status, 2) << args[0] << ": " << r.Err;
        EXPECT_TRUE(r.Out.empty()) << r.Out;
        EXPECT_EQ(r.Err.rfind("ostrel: " + file + ": ", 0), 0u) << r.Err;
        EXPECT_NE(r.Err.find(why), std::string::npos) << r.Err;
    }
}

TEST(CliUsage, HelpGoesToStdoutWithStatus0) {
    for (const char* flag : {"--help", "-h"}) {
        clirun::tresult r = Ostrel({flag});
        EXPECT_EQ(r.Status, 0) << flag;
        EXPECT_EQ(r.Out.rfind("usage: ostrel", 0), 0u) << r.Out;
        for (const char* command :
             {"folders FILE", "items FILE PATH", "show FILE NID", "export --mbox FILE DIR"})
            EXPECT_NE(r.Out.find(command), std::string::npos) << command;
        EXPECT_TRUE(r.Err.empty());
    }
}

TEST(CliUsage, BadCommandLinesExit2WithUsageOnStderr) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"folders"},
        {"frobnicate", "/dev/null"},
        {"items", "/dev/null"},
        {"show", "/dev/null"},
        {"folders", "/dev/null", "extra"},
        {"show", "/dev/null", "0x21", "extra"},
        {"export", "--mbox", "/dev/null"},
        {"export", "--mbox", "/dev/null", "dir", "extra"},
    };
    for (const std::vector<std::string>& args : bad) {
        clirun::tresult r = Ostrel(args);
        EXPECT_EQ(r.Status, 2) << ::testing::PrintToString(args);
        EXPECT_TRUE(r.Out.empty()) << r.Out;
        EXPECT_NE(r.Err.find("usage: ostrel"), std::string::npos) << r.Err;
    }
}

TEST_F(CliFiles, MissingFileExit2NamingTheFile) {
    std::string missing = (dir_ / "no such.pst").string();
    for (const char* command : {"folders", "items", "show"}) {
        std::vector<std::string> args{command, missing};
        if (std::string(command) != "folders") args.push_back("0x21");
        clirun::tresult r = Ostrel(args);
        EXPECT_EQ(r.Status, 2) << command;
        EXPECT_TRUE(r.Out.empty());
        EXPECT_NE(r.Err.find(missing), std::string::npos) << r.Err;
        EXPECT_NE(r.Err.find("No such file"), std::string::npos) << r.Err;
    }
}

TEST_F(CliFiles, DirectoryExit2) {
    clirun::tresult r = Ostrel({"folders", dir_.string()});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("not a regular file"), std::string::npos) << r.Err;
}

TEST_F(CliFiles, UnreadableFileExit2) {
    if (::geteuid() == 0) GTEST_SKIP() << "running as root: permissions do not stop reading";
    std::string locked = Write("locked", "!BDN");
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    clirun::tresult r = Ostrel({"folders", locked});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("Permission denied"), std::string::npos) << r.Err;
}

TEST_F(CliFiles, NonMailboxFilesSayWhyAndExit2) {
    ExpectUnreadable(Write("empty.pst", ""), "too short for an Outlook data file (0 bytes)");
    ExpectUnreadable(Write("notes.txt", "From someone\nnot a mailbox at all\n"),
                     "not an Outlook data file");
    ExpectUnreadable(Write("magic-only.pst", "!BDN"), "too short");
    // The signature and a Unicode version, then nothing.
    ExpectUnreadable(Write("header-stub.pst", std::string("!BDN\0\0\0\0SM\x17\0", 12)),
                     "too short: 12 bytes, the header alone takes 564 bytes");
}

TEST(CliSamples, MboxNamedPstIsNoOutlookDataFile) {
    SKIP_WITHOUT_SAMPLE(kMbox);
    ExpectUnreadable(clirun::SamplePath(kMbox), "not an Outlook data file");
}

TEST(CliSamples, HeaderCutAfter40BytesIsTooShort) {
    SKIP_WITHOUT_SAMPLE(kTruncated);
    ExpectUnreadable(clirun::SamplePath(kTruncated), "too short: 40 bytes");
}

TEST(CliSamples, ItemsWithAnUnknownPathExit1) {
    SKIP_WITHOUT_SAMPLE(kOutlook1);
    std::string file = clirun::SamplePath(kOutlook1);
    for (std::string path : {file + "\\Top of Personal Folders\\Nowhere", std::string("Inbox"),
                             file + "\\Top of Personal Folders\\inbox"}) {
        clirun::tresult r = Ostrel({"items", file, path});
        EXPECT_EQ(r.Status, 1) << path;
        EXPECT_TRUE(r.Out.empty()) << r.Out;
        EXPECT_NE(r.Err.find(path), std::string::npos) << r.Err;
    }
}

TEST(CliSamples, ItemsOfTheRootRowPrintOnlyTheStatusLine) {
    SKIP_WITHOUT_SAMPLE(kOutlook1);
    std::string file = clirun::SamplePath(kOutlook1);
    clirun::tresult r = Ostrel({"items", file, file});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "folder items: 20, file: " + file + "\n");
}

TEST_F(CliFiles, ShowRejectsMalformedNidsWithStatus2) {
    std::string file = Write("notes.txt", "plain text\n");
    for (const char* nid :
         {"", "0x", "x21", "0x21g", "-21", "21 ", "0x10000000000000000", "12345678901234567"}) {
        clirun::tresult r = Ostrel({"show", file, nid});
        EXPECT_EQ(r.Status, 2) << "'" << nid << "'";
        EXPECT_TRUE(r.Out.empty());
        EXPECT_NE(r.Err.find("not a NID"), std::string::npos) << r.Err;
    }
}

} // namespace
