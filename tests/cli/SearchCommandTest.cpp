// `ostrel search` on the generated search mailbox and on the samples: one line
// per match (folder path, NID, the row exactly as `ostrel items` prints it),
// the count last; fields, folder scope, whole words, and bad usage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "tests/cli/CliRun.h"
#include "tests/display/SearchMailbox.h"

namespace {

using clirun::Lines;
using clirun::Ostrel;
using clirun::SplitTabs;

class SearchCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = clirun::TempDir("ostrel-search").string();
        file_ = dir_ + "/search.pst";
        pstw::MailboxWriter writer;
        pstw::writeFile(file_, writer.write(searchbox::Generated()));
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }

    static std::vector<std::string> Search(std::vector<std::string> args, int status = 0) {
        args.insert(args.begin(), {"search", file_});
        clirun::tresult r = Ostrel(args);
        EXPECT_EQ(r.Status, status) << r.Err;
        return Lines(r.Out);
    }

    // The folder's path as `ostrel folders` prints it.
    static std::string Path(const std::string& folder) {
        for (const std::string& line : Lines(Ostrel({"folders", file_}).Out)) {
            std::vector<std::string> cells = SplitTabs(line);
            const std::string tail = "Top of Personal Folders\\" + folder;
            if (cells.size() == 3 && cells[2].size() >= tail.size() &&
                cells[2].compare(cells[2].size() - tail.size(), tail.size(), tail) == 0)
                return cells[2];
        }
        return "not listed: " + folder;
    }

    static inline std::string dir_, file_;
};

} // namespace

TEST_F(SearchCommand, PrintsFolderNidAndTheItemsRow) {
    std::vector<std::string> lines = Search({"report"});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines.back(), "items found: 2");
    std::vector<std::string> inbox = Lines(Ostrel({"items", file_, Path("Inbox")}).Out);
    std::vector<std::string> projects =
        Lines(Ostrel({"items", file_, Path("Inbox\\Projects")}).Out);
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        std::vector<std::string> cells = SplitTabs(lines[i]);
        ASSERT_EQ(cells.size(), 6u) << lines[i];
        EXPECT_EQ(cells[1].rfind("0x", 0), 0u);
        const std::vector<std::string>& listed = cells[0] == Path("Inbox") ? inbox : projects;
        const size_t tab = lines[i].find('\t', lines[i].find('\t') + 1);
        EXPECT_NE(std::find(listed.begin(), listed.end(), lines[i].substr(tab + 1)), listed.end())
            << lines[i];
    }
    EXPECT_NE(lines[0].find("Quarterly Report"), std::string::npos);
    EXPECT_NE(lines[1].find("Project kickoff"), std::string::npos);
}

TEST_F(SearchCommand, FieldsScopeAndWholeWords) {
    EXPECT_EQ(Search({"ANGSTROM", "--in", "people"}).size(), 2u);
    Search({"angstrom", "--in", "subject,body,attachments"}, 1);
    EXPECT_EQ(Search({"m\xC3\xB6nch", "--in", "attachments"}).back(), "items found: 1");
    EXPECT_EQ(Search({"uber", "--in", "body"}).back(), "items found: 1"); // RTF only
    std::vector<std::string> scoped = Search({"report", "--folder", Path("Inbox\\Projects")});
    ASSERT_EQ(scoped.size(), 2u);
    EXPECT_EQ(SplitTabs(scoped[0])[0], Path("Inbox\\Projects"));
    EXPECT_EQ(Search({"port", "--words"}, 1), std::vector<std::string>{"items found: 0"});
    EXPECT_EQ(Search({"planning"}).size(), 2u); // the calendar's row has its own columns
}

TEST_F(SearchCommand, DateRangesInWholeDays) {
    // 2021: the report (March), lunch (June), the kickoff (September), the planning (April).
    EXPECT_EQ(Search({"", "--from", "2021-01-01", "--to", "2021-12-31"}).back(), "items found: 4");
    EXPECT_EQ(Search({"quarterly", "--from", "2021-03-02"}).back(), "items found: 1");
    EXPECT_EQ(Search({"", "--to", "2020-12-31"}).back(), "items found: 2");
    clirun::tresult r = Ostrel({"search", file_, "x", "--from", "2021-13-01"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("YYYY-MM-DD"), std::string::npos);
}

TEST_F(SearchCommand, BadUsageAndUnknownFolders) {
    clirun::tresult r = Ostrel({"search", file_, "x", "--in", "subject,nowhere"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("--in"), std::string::npos);
    r = Ostrel({"search", file_, "x", "--folder", "no such folder"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("no folder with the path"), std::string::npos);
    EXPECT_EQ(Ostrel({"search", file_}).Status, 2);
    EXPECT_EQ(Ostrel({"search", file_, "x", "--bogus"}).Status, 2);
}

TEST(SearchCommandSamples, HtmlAndRtfBodiesOfRealFiles) {
    const std::string tika = "apache_tika__testPST_variousBodyTypes.pst";
    SKIP_WITHOUT_SAMPLE(tika);
    clirun::tresult r =
        Ostrel({"search", clirun::SamplePath(tika), "ORIGINAL email", "--in", "subject"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(Lines(r.Out).back(), "items found: 4");
    const std::string ost = "aspose-email_Aspose.Email-for-.NET__SampleOstFile.ost";
    SKIP_WITHOUT_SAMPLE(ost);
    // Sync logs whose only body is compressed RTF.
    r = Ostrel({"search", clirun::SamplePath(ost), "synchronizer version", "--in", "body"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_GE(Lines(r.Out).size(), 2u);
    r = Ostrel({"search", clirun::SamplePath(ost), "font-size", "--in", "body"});
    EXPECT_EQ(Lines(r.Out).back(), "items found: 0"); // the rendered markup is not searched
}
