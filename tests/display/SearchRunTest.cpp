// The search over a generated mailbox: each field (subject, people with
// addresses, plain, HTML and RTF-only bodies, attachment names), Unicode and
// 8-bit accented text, folder scopes, date ranges, whole words, stopping,
// and the rows the results carry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "display/SearchRun.h"
#include "tests/display/SearchMailbox.h"
#include "tests/mailbox/OpenedMailbox.h"

using namespace ostrel::search;

namespace {

class SearchRun : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        pstw::MailboxWriter writer;
        pst_ = opened::OpenBytes(writer.write(searchbox::Generated()));
        rows_ = BuildFolderRows(*pst_, "search.pst");
        ASSERT_GE(rows_.size(), 5u);
    }

    const tnodeentry* Folder(const std::string& name) const {
        for (const tfolderrow& row : rows_)
            if (row.Path.size() >= name.size() &&
                row.Path.compare(row.Path.size() - name.size(), name.size(), name) == 0)
                return row.Node;
        return nullptr;
    }

    // The first cell that names the item (subject column of its kind), per hit.
    std::vector<std::string> Find(const tsearchquery& query, const tnodeentry* top = nullptr) {
        std::vector<std::string> found;
        tsearchevents events;
        events.OnHit = [&](const tsearchhit& hit) { found.push_back(Name(hit)); };
        outcome_ = SearchMailbox(*pst_, SearchFolders(rows_, top), query, events);
        std::sort(found.begin(), found.end());
        return found;
    }

    std::vector<std::string> Find(const std::string& text, unsigned fields = kInEverything) {
        return Find(MakeQuery(text, fields));
    }

    static std::string Name(const tsearchhit& hit) {
        // Mail rows: From, To, Subject, Date; the other kinds lead with their name.
        return hit.Row.Cells.size() == 4 ? hit.Row.Cells[2] : hit.Row.Cells.at(0);
    }

    std::unique_ptr<TPst64File> pst_;
    std::vector<tfolderrow> rows_;
    tsearchoutcome outcome_;
};

using Names = std::vector<std::string>;

} // namespace

TEST_F(SearchRun, SubjectsOfEveryKind) {
    EXPECT_EQ(Find("quarterly", kInSubject),
              (Names{"Quarterly Report", "Quarterly planning( Room 1)"}));
    EXPECT_EQ(Find("ANGEL", kInSubject), Names{"\xC3\x81ngel P\xC3\xA9rez"});
    EXPECT_EQ(Find("acme", kInSubject).size(), 1u); // a contact's company
    EXPECT_EQ(outcome_.Found, 1u);
    EXPECT_FALSE(outcome_.Stopped);
}

TEST_F(SearchRun, PeopleAreNamesAndAddresses) {
    EXPECT_EQ(Find("angstrom", kInPeople), Names{"Quarterly Report"});
    EXPECT_EQ(Find("zoe@example", kInPeople), Names{"Quarterly Report"});
    EXPECT_EQ(Find("dana@example.net", kInPeople), Names{"Photos"}); // Cc
    EXPECT_EQ(Find("bob builder", kInPeople).size(), 7u);
    EXPECT_EQ(Find("angel@acme", kInPeople).size(), 1u);
    EXPECT_EQ(Find("erin@corp.example", kInPeople), Names{"Minutes"}); // recipient rows
    EXPECT_EQ(Find("quist", kInPeople), Names{"Minutes"});
    EXPECT_TRUE(Find("angstrom", kInSubject | kInBody | kInAttachments).empty());
}

TEST_F(SearchRun, BodiesPlainHtmlAndRtfOnly) {
    EXPECT_EQ(Find("the numbers", kInBody), Names{"Quarterly Report"});
    EXPECT_EQ(Find("cafe & bring friends", kInBody), Names{"Lunch"});
    EXPECT_TRUE(Find("span", kInBody).empty());               // markup is no text
    EXPECT_TRUE(Find("secretword", kInBody).empty());         // nor are scripts
    EXPECT_TRUE(Find("color", kInBody).empty());              // nor styles
    EXPECT_EQ(Find("UBER alles", kInBody), Names{"Minutes"}); // \'fc from the RTF
    EXPECT_EQ(Find("gleichstrom", kInBody), Names{"Minutes"});
    EXPECT_TRUE(Find("gleichstrom", kInSubject | kInPeople | kInAttachments).empty());
}

TEST_F(SearchRun, AttachmentNames) {
    EXPECT_EQ(Find("monch.JPG", kInAttachments), Names{"Photos"});
    EXPECT_TRUE(Find("monch", kInSubject | kInPeople | kInBody).empty());
}

TEST_F(SearchRun, UnicodeAndEightBitText) {
    // The row shows the 8-bit subject as the list does, in its code page.
    EXPECT_EQ(Find("resume"), Names{"R\xE9sum\xE9 draft"});
    EXPECT_EQ(Find("R\xC3\x89SUM\xC3\x89"), Names{"R\xE9sum\xE9 draft"});
    EXPECT_EQ(Find("\xD0\x9F\xD0\xA0\xD0\x98\xD0\x92\xD0\x95\xD0\xA2"), // ПРИВЕТ
              Names{"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 world"});
}

TEST_F(SearchRun, WholeWordsOrParts) {
    EXPECT_EQ(Find("port", kInSubject | kInBody), (Names{"Project kickoff", "Quarterly Report"}));
    tsearchquery words = MakeQuery("port");
    words.WholeWords = true;
    EXPECT_TRUE(Find(words).empty());
    words = MakeQuery("report");
    words.WholeWords = true;
    EXPECT_EQ(Find(words).size(), 2u);
}

TEST_F(SearchRun, FolderScopeTakesTheFoldersBelow) {
    const tnodeentry* inbox = Folder("\\Inbox");
    const tnodeentry* projects = Folder("\\Projects");
    ASSERT_TRUE(inbox && projects);
    EXPECT_EQ(Find(MakeQuery("report"), projects), Names{"Project kickoff"});
    EXPECT_EQ(Find(MakeQuery("report"), inbox), (Names{"Project kickoff", "Quarterly Report"}));
    EXPECT_TRUE(Find(MakeQuery("quarterly planning"), inbox).empty());
    EXPECT_EQ(SearchFolders(rows_, projects).size(), 1u);
    EXPECT_EQ(SearchFolders(rows_, inbox).size(), 2u);
}

TEST_F(SearchRun, DateRangesBoundTheItemsDate) {
    tsearchquery in2021 = MakeQuery("");
    in2021.From = searchbox::FileTime(searchbox::k20210301);
    in2021.Before = searchbox::FileTime(searchbox::k20220110);
    // Mail by its sending, the appointment by its start; the contact has no date of its own.
    EXPECT_EQ(Find(in2021), (Names{"Lunch", "Project kickoff", "Quarterly Report",
                                   "Quarterly planning( Room 1)"}));
    in2021.Folded = "quarterly";
    EXPECT_EQ(Find(in2021).size(), 2u);
    tsearchquery before = MakeQuery("");
    before.Before = searchbox::FileTime(searchbox::k20210301);
    EXPECT_EQ(Find(before).size(), 2u); // the résumé and the Russian mail, 2020
    tsearchquery after = MakeQuery("");
    after.From = searchbox::FileTime(searchbox::k20220110);
    EXPECT_EQ(Find(after), (Names{"Minutes", "Photos"}));
}

TEST_F(SearchRun, StopsBetweenItemsAndSaysSo) {
    std::atomic<bool> stop{false};
    tsearchevents events;
    uint64_t hits = 0;
    events.OnHit = [&](const tsearchhit&) {
        ++hits;
        stop = true;
    };
    tsearchoutcome outcome = SearchMailbox(*pst_, SearchFolders(rows_), MakeQuery("bob"), events);
    events.Stop = &stop;
    stop = false;
    hits = 0;
    outcome = SearchMailbox(*pst_, SearchFolders(rows_), MakeQuery("bob"), events);
    EXPECT_EQ(hits, 1u);
    EXPECT_EQ(outcome.Found, 1u);
    EXPECT_TRUE(outcome.Stopped);
    EXPECT_EQ(SearchStatusText(outcome), "search stopped, items found: 1");
    EXPECT_EQ(SearchStatusText({10, 3, false}), "items found: 3");
}

TEST_F(SearchRun, HitsCarryTheListRowAndLeaveTheItemListAlone) {
    pst_->ClearItemList();
    tsearchevents events;
    std::vector<tsearchhit> hits;
    uint64_t lastExamined = 0, lastTotal = 0;
    events.OnHit = [&](const tsearchhit& hit) { hits.push_back({hit.Folder, nullptr, hit.Row}); };
    events.OnProgress = [&](uint64_t examined, uint64_t total) {
        lastExamined = examined;
        lastTotal = total;
    };
    std::vector<tsearchfolder> folders = SearchFolders(rows_);
    SearchMailbox(*pst_, folders, MakeQuery("photos"), events);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_FALSE(pst_->ItemList.has_value());
    EXPECT_EQ(hits[0].Row.Cells, (std::vector<std::string>{"Carl(carl@example.com)", "Bob Builder",
                                                           "Photos", "Thu 2022.05.05 00:00:00"}));
    EXPECT_NE(hits[0].Folder->Path.find("\\Inbox"), std::string::npos);
    EXPECT_EQ(lastExamined, 9u); // every item of the listed folders, folders not counted
    EXPECT_GE(lastTotal, lastExamined);
}
