// `ostrel folders` and `ostrel items` on the real mailbox files: the folders
// and item counts must agree with libpff's pffexport (run as a black box)
// wherever the two readers mean the same thing; every place where they do
// not is listed per sample below, with the reason.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "tests/cli/CliRun.h"

namespace {

namespace fs = std::filesystem;
using clirun::Lines;
using clirun::Ostrel;
using clirun::SplitTabs;

struct tlisted {
    int Depth = 0;
    std::string Caption;
    std::string Path; // below the file: "Top of Personal Folders\Inbox"
    int Count = 0;    // the "(N)" suffix of the caption, 0 without one
};

std::vector<tlisted> ListFolders(const std::string& file, std::string* status = nullptr) {
    clirun::tresult r = Ostrel({"folders", file});
    EXPECT_EQ(r.Status, 0) << r.Err;
    std::vector<std::string> lines = Lines(r.Out);
    std::vector<tlisted> rows;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        std::vector<std::string> cells = SplitTabs(lines[i]);
        if (cells.size() != 3 || cells[2].rfind(file + "\\", 0) != 0) {
            ADD_FAILURE() << "malformed folder row: " << lines[i];
            continue;
        }
        tlisted row{std::stoi(cells[0]), cells[1], cells[2].substr(file.size() + 1), 0};
        std::smatch count;
        if (std::regex_search(row.Caption, count, std::regex("\\((\\d+)\\)$")))
            row.Count = std::stoi(count[1]);
        rows.push_back(row);
    }
    if (status && !lines.empty()) *status = lines.back();
    return rows;
}

// The layout byte pair at offset 10: 14 and 15 are ANSI, whose names are
// 8-bit code page text rather than UTF-8.
bool IsAnsiFile(const std::string& file) {
    std::string head = clirun::ReadWhole(file).substr(0, 12);
    return head.size() == 12 && (uint8_t(head[10]) == 14 || uint8_t(head[10]) == 15);
}

// Names compared blurred: pffexport turns an ANSI file's bytes into UTF-8
// one byte a character (as Windows-1252), while ostrel keeps the file's code
// page bytes (in a Unicode file both write UTF-8), so every non-ASCII
// character becomes '#'; and pffexport writes some punctuation of a name as
// '_' ("~MAPISP(Internal)", the byte 0x40 inside CP932 text), so all
// punctuation but the harmless becomes '_'.
std::string Blur(const std::string& name, bool bytewise) {
    std::string out;
    for (unsigned char c : name) {
        if (c >= 0x80) {
            if (bytewise || c >= 0xC0) out += '#';
        } else if (std::isalnum(c) || std::strchr(" \\().,-", c)) {
            out += char(c);
        } else {
            out += '_';
        }
    }
    return out;
}

// pffexport's folder tree: every directory of the export that is not an
// item's own directory (Message00001, Appointment00001, ...), with the number
// of item directories in it. FolderNNNNN names a folder whose name was taken
// by a sibling; its number depends on the order of the export, so it is kept
// as "Folder#####".
std::map<std::string, int> PffexportFolders(const std::string& file, const fs::path& work) {
    clirun::tresult r =
        clirun::Run({"pffexport", "-q", "-m", "items", "-t", (work / "x").string(), file});
    std::map<std::string, int> folders;
    fs::path root = work / "x.export";
    if (!fs::is_directory(root)) return folders;
    const std::regex item("[A-Za-z]+[0-9]{5}");
    const std::regex folderNamed("Folder[0-9]{5}");
    std::vector<std::pair<fs::path, std::string>> pending{{root, ""}};
    while (!pending.empty()) {
        auto [dir, rel] = pending.back();
        pending.pop_back();
        int items = 0;
        for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
            if (!e.is_directory()) continue;
            std::string name = e.path().filename().string();
            if (std::regex_match(name, item) && !std::regex_match(name, folderNamed))
                ++items;
            else {
                if (std::regex_match(name, folderNamed)) name = "Folder#####";
                pending.push_back({e.path(), rel.empty() ? name : rel + "\\" + name});
            }
        }
        if (!rel.empty()) folders[rel] = items;
    }
    return folders;
}

// What one sample shows differently in the two readers.
struct tknown {
    const char* Sample;
    // Prefixes of pffexport paths that ostrel's list does not show: the
    // offline store's folders stand directly below the root row.
    std::vector<std::string> PffPrefixes;
    std::vector<std::string> PffOnly;                // not listed by ostrel
    std::vector<std::string> OstrelOnly;             // not exported by pffexport
    std::vector<std::pair<std::string, int>> Counts; // ostrel's count where they differ
};

// Everywhere: a folder whose name begins with "IPM_" (IPM_VIEWS,
// IPM_COMMON_VIEWS, IPM_SUBTREE) is never listed by ostrel, by design.
// "Kind 13" below: a folder whose container class is none of IPF.Note,
// IPF.Appointment, IPF.Contact, IPF.Journal, IPF.StickyNote, IPF.Task (or none
// at all) is not kept by the folder collection, nor anything below it.
// The count of a mail folder (kind 0 or 1) takes notes and posts only; that
// of a calendar, contacts, ... folder only items of the folder's own kind.
const std::vector<tknown> kSamples = {
    {"HiraokaHyperTools_pst_to_eml__Hello_CJK.pst", {}, {}, {}, {}},
    // Folder "3" (node 0x80A2) was deleted: no hierarchy table lists it any
    // more, but its node is still in the node B-tree and ostrel lists nodes
    // (pffexport -m all shows it only among its recovered items).
    {"HiraokaHyperTools_pst_to_eml__threeItems.pst",
     {},
     {},
     {"Outlook データ ファイルのトップ\\3"},
     {}},
    // ItemProcSearch has the class Outlook.ItemProcessor: kind 13.
    {"HiraokaHyperTools_pst_to_msg__200_recipients.pst", {}, {"ItemProcSearch"}, {}, {}},
    {"HiraokaHyperTools_ruby-msg__alpha-beta-gamma-delta.pst", {}, {}, {}, {}},
    {"HiraokaHyperTools_ruby-msg__contacts.pst", {}, {}, {}, {}},
    // ANSI, CP932 folder names: equal once blurred (see Blur).
    {"HiraokaHyperTools_ruby-msg__contacts97-2002.pst", {}, {}, {}, {}},
    {"HiraokaHyperTools_ruby-msg__msgInMsgInMsg.pst", {}, {}, {}, {}},
    {"HiraokaHyperTools_ruby-msg__nonUnicodeCP932.pst", {}, {}, {}, {}},
    {"HiraokaHyperTools_ruby-msg__recipientNameHasUnicodeChars.pst", {}, {}, {}, {}},
    {"HiraokaHyperTools_ruby-msg__unicodeAttachmentFilename.pst", {}, {}, {}, {}},
    {"apache_tika__testPST.pst", {}, {"ItemProcSearch"}, {}, {}},
    {"apache_tika__testPST_variousBodyTypes.pst", {}, {}, {}, {}},
    {"aquasync_ruby-msg__attachAndInline.pst", {}, {}, {}, {}},
    // Reminders (Outlook.Reminder) and ItemProcSearch: kind 13.
    {"aspose-email_Aspose.Email-for-.NET__Outlook_1.pst",
     {},
     {"ItemProcSearch", "Reminders"},
     {},
     {}},
    // myInbox is a mail folder (IPF.Note) holding 72 contacts, which a mail
    // folder does not count.
    {"aspose-email_Aspose.Email-for-.NET__PersonalStorageFile1.pst",
     {},
     {"ItemProcSearch"},
     {},
     {{"Top of Personal Folders\\myInbox", 0}}},
    // An offline store: its IPM subtree (0x2142) is re-shaped to hold every
    // folder of the root folder and, being "IPM_SUBTREE", is not listed, so
    // its folders stand below the root row.
    // Reminders, ItemProcSearch, Conversation Action Settings and Quick Step
    // Settings (IPF.Configuration): kind 13. Two MS-OLK-BGPooledSearchFolder
    // search folders (0x801A3, 0x801C3) are no longer in Finder's hierarchy
    // table; their nodes remain. Inbox holds a report and a meeting request
    // besides its 10 notes; Deleted Items 4 appointments and 5 meeting
    // requests besides its note: a mail folder counts neither.
    {"aspose-email_Aspose.Email-for-.NET__SampleOstFile.ost",
     {"Root - Mailbox\\IPM_SUBTREE\\"},
     {"Root - Mailbox\\Finder\\Reminders", "Root - Mailbox\\ItemProcSearch",
      "Conversation Action Settings", "Quick Step Settings"},
     {"Root - Mailbox\\Finder\\MS-OLK-BGPooledSearchFolder898CBC737FB8FE48B4A177A060FB43E8",
      "Root - Mailbox\\Finder\\MS-OLK-BGPooledSearchFolderF7A1CBC48F29D342B1B8B4A63EE755BE"},
     {{"Inbox", 10}, {"Deleted Items", 1}}},
    // Two folders named Inbox and two named SubInbox: pffexport calls the
    // second of each FolderNNNNN, ostrel lists both under their own name.
    // 12 of the 21 contacts hold a property of type 0x0000, which libpff
    // refuses ("unsupported value type"); ostrel reads all 21.
    {"aspose-email_Aspose.Email-for-.NET__Test_part1.pst",
     {},
     {"Top of Personal Folders\\Folder#####",
      "Top of Personal Folders\\Deleted Items\\Folder#####"},
     {},
     {{"Top of Personal Folders\\Contacts", 21}}},
    // Deleted Items holds 7 notes and 7 reports (REPORT.IPM.Note.*): reports
    // are kind 14, which a mail folder does not count.
    {"aspose-email_Aspose.Email-for-.NET__passwordprotectedPST.pst",
     {},
     {"ItemProcSearch"},
     {},
     {{"Top of Personal Folders\\Deleted Items", 7}}},
    {"aspose-email_Aspose.Email-for-Java__MapiNoteToPST_out.pst", {}, {}, {}, {}},
    {"emk_pstsdk__sample1.pst", {}, {"ItemProcSearch"}, {}, {}},
    {"emk_pstsdk__sample2.pst", {}, {"ItemProcSearch"}, {}, {}},
    // A search folder (0x80023) no longer in Search Root's hierarchy table;
    // its node remains (pffexport -m all lists it among recovered items).
    {"emk_pstsdk__submessage.pst",
     {},
     {},
     {"Search Root\\MS-OLK-BGPooledSearchFolderC3D5DFFAAEDC584492E0C105AC350B57"},
     {}},
    // pffexport skips IPM.Post items; a mail folder counts posts.
    {"emk_pstsdk__test_ansi.pst", {}, {}, {}, {{"Top of Personal Folders\\Folder", 1}}},
    {"emk_pstsdk__test_unicode.pst",
     {},
     {},
     {},
     {{"Top of Personal Folders", 1}, {"Top of Personal Folders\\Folder", 1}}},
    {"microsoft_outlook-pst-rs__Empty.pst", {}, {}, {}, {}},
    {"mooijtech_go-pst__32-bit.pst", {}, {}, {}, {}},
    // Most folders of this file have none of the count properties (0x3602,
    // 0x3603, 0x3617, 0x360A) in their property context, so their objects
    // have no folder record and the folder collection does not keep them (nor
    // Recoverable Items' folders below). Conversation Action Settings: kind 13.
    {"mooijtech_go-pst__support.pst",
     {},
     {"Top of Personal Folders\\Attività", "Top of Personal Folders\\Bozze",
      "Top of Personal Folders\\Calendario", "Top of Personal Folders\\Contatti",
      "Top of Personal Folders\\Conversation Action Settings", "Top of Personal Folders\\Journal",
      "Top of Personal Folders\\Note", "Top of Personal Folders\\Posta eliminata",
      "Top of Personal Folders\\Posta in arrivo", "Top of Personal Folders\\Posta in uscita",
      "Top of Personal Folders\\Posta indesiderata", "Top of Personal Folders\\Posta inviata",
      "Top of Personal Folders\\Recoverable Items",
      "Top of Personal Folders\\Recoverable Items\\Deletions",
      "Top of Personal Folders\\Recoverable Items\\Purges",
      "Top of Personal Folders\\Recoverable Items\\Versions", "Top of Personal Folders\\Sent",
      "Top of Personal Folders\\Trash"},
     {},
     {}},
    // Contacts holds a contact and a distribution list (IPM.DistList, kind
    // 13), which a contacts folder does not count.
    {"rjohnsondev_java-libpst__dist-list.pst",
     {},
     {"ItemProcSearch", "Reminders"},
     {},
     {{"Top of Personal Folders\\Contacts", 1}}},
};

// Test names and failure messages show the sample, not the record's bytes.
void PrintTo(const tknown& known, std::ostream* os) {
    *os << known.Sample;
}

bool StartsWithIpm(const std::string& path) {
    size_t last = path.rfind('\\');
    return path.compare(last == std::string::npos ? 0 : last + 1, 4, "IPM_") == 0;
}

// Both lists keyed by blurred path; the table's entries blurred the same way.
struct tsides {
    std::map<std::string, int> Pff;
    std::multimap<std::string, int> Listed; // a name can appear twice
    std::set<std::string> PffOnly, OstrelOnly;
    std::map<std::string, int> Counts;
};

tsides ReadBothSides(const tknown& known, const std::string& file) {
    tsides s;
    fs::path work = clirun::TempDir("ostrel-pff");
    for (const auto& [exported, count] : PffexportFolders(file, work)) {
        std::string path = exported;
        for (const std::string& prefix : known.PffPrefixes)
            if (path.rfind(prefix, 0) == 0) path = path.substr(prefix.size());
        s.Pff[Blur(path, false)] = count;
    }
    fs::remove_all(work);
    bool ansi = IsAnsiFile(file);
    for (const tlisted& row : ListFolders(file))
        s.Listed.insert({Blur(row.Path, ansi), row.Count});
    for (const std::string& p : known.PffOnly)
        s.PffOnly.insert(Blur(p, false));
    for (const std::string& p : known.OstrelOnly)
        s.OstrelOnly.insert(Blur(p, false));
    for (const auto& [path, count] : known.Counts)
        s.Counts[Blur(path, false)] = count;
    return s;
}

// Every folder pffexport writes is listed with its count, unless excused.
void ExpectPffFoldersListed(const tsides& s) {
    for (const auto& [path, count] : s.Pff) {
        if (StartsWithIpm(path) || s.PffOnly.count(path)) {
            EXPECT_EQ(s.Listed.count(path), 0u) << "listed, though pffexport-only: " << path;
            continue;
        }
        auto row = s.Listed.find(path);
        if (row == s.Listed.end()) {
            ADD_FAILURE() << "folder missing from ostrel's list: " << path;
            continue;
        }
        auto known = s.Counts.find(path);
        int expected = known != s.Counts.end() ? known->second : count;
        EXPECT_EQ(row->second, expected)
            << "item count of " << path << " (pffexport " << count << ")";
    }
}

// Every listed folder is pffexport's too, unless excused; no excuse is stale.
void ExpectNothingElseListed(const tsides& s) {
    for (const auto& [path, count] : s.Listed) {
        if (!s.Pff.count(path)) {
            EXPECT_TRUE(s.OstrelOnly.count(path)) << "listed, but not by pffexport: " << path;
        }
    }
    for (const std::string& p : s.PffOnly)
        EXPECT_TRUE(s.Pff.count(p)) << "stale pffexport-only entry: " << p;
    for (const std::string& p : s.OstrelOnly)
        EXPECT_TRUE(s.Listed.count(p) && !s.Pff.count(p)) << "stale ostrel-only entry: " << p;
    for (const auto& [p, count] : s.Counts)
        EXPECT_TRUE(s.Listed.count(p) && s.Pff.count(p)) << "stale count entry: " << p;
}

class SamplesFolders : public ::testing::TestWithParam<tknown> {};

TEST_P(SamplesFolders, AgreeWithPffexport) {
    const tknown& known = GetParam();
    SKIP_WITHOUT_SAMPLE(known.Sample);
    if (!clirun::HaveTool("pffexport")) GTEST_SKIP() << "pffexport (pff-tools) is not installed";
    tsides sides = ReadBothSides(known, clirun::SamplePath(known.Sample));
    ASSERT_FALSE(sides.Pff.empty()) << "pffexport exported nothing";
    ExpectPffFoldersListed(sides);
    ExpectNothingElseListed(sides);
}

std::string SampleTestName(const ::testing::TestParamInfo<tknown>& info) {
    std::string name = info.param.Sample;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(SamplesReal, SamplesFolders, ::testing::ValuesIn(kSamples),
                         SampleTestName);

const char* const kOutlook1 = "aspose-email_Aspose.Email-for-.NET__Outlook_1.pst";

// The whole list of one file as the window shows it, in its order: later
// siblings above earlier ones; the root folder (no display name) is not
// listed, so its folders stand directly below "Outlook".
TEST(SamplesFolderList, Outlook1RowsInWindowOrder) {
    SKIP_WITHOUT_SAMPLE(kOutlook1);
    std::string status;
    std::string file = clirun::SamplePath(kOutlook1);
    std::vector<tlisted> rows = ListFolders(file, &status);
    const std::vector<std::pair<int, std::string>> expected = {
        {1, "Tracked Mail Processing"},
        {1, "To-Do Search"},
        {1, "Freebusy Data"}, // one IPM.Microsoft.ScheduleData.FreeBusy item: kind 13
        {1, "Search Root"},
        {2, "Search Root\\All Messages"},
        {1, "Top of Personal Folders"},
        {2, "Top of Personal Folders\\Junk E-mail"},
        {2, "Top of Personal Folders\\RSS Feeds"},
        {2, "Top of Personal Folders\\Drafts"},
        {2, "Top of Personal Folders\\Tasks"},
        {2, "Top of Personal Folders\\Notes"},
        {2, "Top of Personal Folders\\Journal"},
        {2, "Top of Personal Folders\\Contacts"},
        {2, "Top of Personal Folders\\Calendar"},
        {2, "Top of Personal Folders\\Sent Items"},
        {2, "Top of Personal Folders\\Outbox"},
        {2, "Top of Personal Folders\\Inbox"},
        {3, "Top of Personal Folders\\Inbox\\SubInbox"},
        {2, "Top of Personal Folders\\Deleted Items"},
        {1, "SPAM Search Folder 2"},
    };
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].Depth, expected[i].first) << rows[i].Path;
        EXPECT_EQ(rows[i].Path, expected[i].second);
    }
    std::map<std::string, std::string> captions;
    for (const tlisted& row : rows)
        captions[row.Path] = row.Caption;
    EXPECT_EQ(captions["Top of Personal Folders\\Inbox"], "Inbox(8)");
    EXPECT_EQ(captions["Top of Personal Folders\\Sent Items"], "Sent Items(6)");
    EXPECT_EQ(captions["Top of Personal Folders\\Calendar"], "Calendar(1)");
    EXPECT_EQ(captions["Top of Personal Folders\\Contacts"], "Contacts(1)");
    EXPECT_EQ(captions["Top of Personal Folders\\Outbox"], "Outbox");
    EXPECT_EQ(status, "folder items: 20, file: " + file);
}

// pffexport and readpst refuse this file (its header CRC does not match);
// ostrel never checks that CRC and reads the folders.
TEST(SamplesFolderList, HeaderCrcMismatchStillListsTheFolders) {
    const char* sample =
        "aspose-email_Aspose.Email-for-.NET__AddingBulkMessagesWithImprovedPerformance.pst";
    SKIP_WITHOUT_SAMPLE(sample);
    std::vector<std::string> paths;
    for (const tlisted& row : ListFolders(clirun::SamplePath(sample)))
        paths.push_back(row.Path + "=" + std::to_string(row.Count));
    EXPECT_EQ(paths, (std::vector<std::string>{"Search Root=0", "Top of Personal Folders=0",
                                               "Top of Personal Folders\\folder=0",
                                               "Top of Personal Folders\\Deleted Items=0",
                                               "SPAM Search Folder 2=0"}));
}

std::vector<std::vector<std::string>> ItemRows(const std::string& file, const std::string& folder) {
    // Dates in UTC, whatever the zone of the machine running the tests.
    clirun::tresult r =
        clirun::Run({"env", "TZ=UTC", OSTREL_CLI, "items", file, file + "\\" + folder});
    EXPECT_EQ(r.Status, 0) << r.Err;
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : Lines(r.Out))
        rows.push_back(SplitTabs(line));
    return rows;
}

// Subjects, senders and times as pypff reads them.
TEST(SamplesItems, Outlook1InboxHasEightMailRows) {
    SKIP_WITHOUT_SAMPLE(kOutlook1);
    std::vector<std::vector<std::string>> rows =
        ItemRows(clirun::SamplePath(kOutlook1), "Top of Personal Folders\\Inbox");
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows.front(), (std::vector<std::string>{"From", "To", "Subject", "Date"}));
    EXPECT_EQ(rows.back(), std::vector<std::string>{"mail messages: 8"});
    const std::vector<std::string> subjects = {"Multiple attachments",
                                               "HTML body",
                                               "this message contains embedded MSG",
                                               "check sent date of this message",
                                               "message 2",
                                               "message 1",
                                               "Microsoft Office Outlook Test Message",
                                               "Microsoft Outlook Test Message"};
    for (size_t i = 0; i < subjects.size(); ++i)
        EXPECT_EQ(rows[i + 1][2], subjects[i]);
    EXPECT_EQ(rows[1][0], "Saqib Razzaq(saqib.razzaq@xp.local)");
    EXPECT_EQ(rows[1][1], "saqib.razzaq@xp.local");
    EXPECT_EQ(rows[1][3], "Tue 2011.06.21 23:51:07");
    // The two test messages have no submit time: their date cell is left out.
    EXPECT_EQ(rows[7].size(), 3u);
    EXPECT_EQ(rows[8].size(), 3u);
}

TEST(SamplesItems, Outlook1ContactAndCalendarRows) {
    SKIP_WITHOUT_SAMPLE(kOutlook1);
    std::string file = clirun::SamplePath(kOutlook1);
    std::vector<std::vector<std::string>> contacts =
        ItemRows(file, "Top of Personal Folders\\Contacts");
    ASSERT_EQ(contacts.size(), 3u);
    EXPECT_EQ(contacts[0], (std::vector<std::string>{"Full name", "Short name", "Organization",
                                                     "Ocupation", "Telephone"}));
    EXPECT_EQ(contacts[1], (std::vector<std::string>{"Razzaq, Saqib", "Saqib Razzaq", "Aspose",
                                                     "Developer", "1110001234"}));
    EXPECT_EQ(contacts[2], std::vector<std::string>{"contact items: 1"});

    std::vector<std::vector<std::string>> calendar =
        ItemRows(file, "Top of Personal Folders\\Calendar");
    ASSERT_EQ(calendar.size(), 3u);
    EXPECT_EQ(calendar[0], (std::vector<std::string>{"Subject", "From", "To"}));
    ASSERT_EQ(calendar[1].size(), 3u);
    EXPECT_EQ(calendar[1][0], "Weekly meeting( Room 5)");
    EXPECT_EQ(calendar[1][1], "Wed 2011.06.22 05:30:00");
    EXPECT_EQ(calendar[1][2], "Wed 2011.06.22 06:00:00");
    EXPECT_EQ(calendar[2], std::vector<std::string>{"calendar records: 1"});
}

// Three sticky notes, as pypff reads them: subject, body, modification time.
TEST(SamplesItems, StickyNotesRows) {
    const char* sample = "aspose-email_Aspose.Email-for-Java__MapiNoteToPST_out.pst";
    SKIP_WITHOUT_SAMPLE(sample);
    std::vector<std::vector<std::string>> rows =
        ItemRows(clirun::SamplePath(sample), "Top of Personal Folders\\Notes");
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Subject", "Body", "Last modification"}));
    for (size_t i = 1; i <= 3; ++i) {
        ASSERT_EQ(rows[i].size(), 3u);
        EXPECT_EQ(rows[i][0], "Blue color note");
        EXPECT_EQ(rows[i][1], "This is a blue color note");
    }
    EXPECT_EQ(rows[4], std::vector<std::string>{"Sticky notes: 3"});
}

} // namespace
