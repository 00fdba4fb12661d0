// The shared OST sample in the 4 KiB layout (ost4k/, written by Outlook 2013
// or later, 593 of its blocks compressed) read whole through the command
// line: the folders and counts libpff's pffexport finds, every object
// built, and the export of all 160 appointments and 2 messages as .eml
// files that Python's email package reads without a defect.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "mailbox/uPST64File.h"
#include "tests/cli/CliRun.h"

namespace {

namespace fs = std::filesystem;

const char* const kSample = "ost4k/pst-extractor__pstextractortestpdf@outlook.com.ost";

// `ostrel folders` as depth and caption. pffexport (run as a black box)
// lists the same folders, and besides them the nine whose container class
// the viewer does not list (IPF.Configuration, IPF.Files, IPF.SkypeTeams.Message,
// Outlook.ItemProcessor and the "Yammer Root" tree), and the public store's
// IPM_SUBTREE, which the viewer leaves out of offline stores of both
// Unicode layouts alike. Its counts: Inbox 2 messages, "United States
// holidays" 160 appointments, nothing elsewhere.
const std::vector<std::string> kFolders = {
    "0 Outlook",
    "1 Root - Mailbox",
    "2 Shared Data",
    "2 SPAM Search Folder 2",
    "2 Drizzle",
    "2 ~MAPISP(Internal)",
    "2 Views",
    "2 Shortcuts",
    "2 Finder",
    "3 To-Do Search",
    "2 Common Views",
    "1 Root - Public",
    "2 NON_IPM_SUBTREE",
    "3 EFORMS REGISTRY",
    "4 Organization Forms",
    "1 Sync Issues",
    "2 Server Failures",
    "2 Local Failures",
    "2 Conflicts",
    "1 Tasks",
    "1 Drafts",
    "1 Contacts",
    "2 {A9E2BC46-B3A0-4243-B315-60D991004455}",
    "2 Companies",
    "2 Organizational Contacts",
    "2 PeopleCentricConversation Buddies",
    "2 Recipient Cache",
    "2 {06967759-274D-40B2-A3EB-D7F9E73727D7}",
    "2 GAL Contacts",
    "1 Calendar",
    "2 United States holidays(160)",
    "2 Birthdays",
    "1 Notes",
    "1 Journal",
    "1 ExternalContacts",
    "1 Junk Email",
    "1 Conversation History",
    "1 Archive",
    "1 Sent Items",
    "1 Outbox",
    "1 Inbox(2)",
    "1 Deleted Items",
};

TEST(Ost4kSample, FoldersAndCountsAsPffexportFindsThem) {
    SKIP_WITHOUT_SAMPLE(kSample);
    const std::string file = clirun::SamplePath(kSample);
    clirun::tresult r = clirun::Ostrel({"folders", file});
    ASSERT_EQ(r.Status, 0) << r.Err;
    std::vector<std::string> lines = clirun::Lines(r.Out);
    ASSERT_EQ(lines.size(), kFolders.size() + 1);
    for (size_t i = 0; i < kFolders.size(); ++i) {
        std::vector<std::string> cells = clirun::SplitTabs(lines[i]);
        ASSERT_EQ(cells.size(), 3u) << lines[i];
        EXPECT_EQ(cells[0] + " " + cells[1], kFolders[i]);
    }
    EXPECT_EQ(lines.back(), "folder items: 41, file: " + file);

    clirun::tresult inbox = clirun::Ostrel({"items", file, file + "\\Inbox"});
    ASSERT_EQ(inbox.Status, 0) << inbox.Err;
    EXPECT_NE(inbox.Out.find("\tsingle PDF\t"), std::string::npos);
    EXPECT_NE(inbox.Out.find("mail messages: 2"), std::string::npos);
}

// What `ostrel show` does for one NID, for every folder (NID types 0x02,
// 0x03) and message (0x04) node: 50 folders, 3 search folders, 162 items.
TEST(Ost4kSample, EveryFolderAndMessageBuilds) {
    SKIP_WITHOUT_SAMPLE(kSample);
    auto pst = TPst64File::Create();
    pst->Open(clirun::SamplePath(kSample));
    ASSERT_NE(pst->CurrentObject, nullptr) << "the store object";
    std::map<uint64_t, int> built;
    for (const auto& node : pst->Engine.nodes.owned) {
        const uint64_t type = node->nid & 0x1F;
        if (type != 0x02 && type != 0x03 && type != 0x04) continue;
        std::unique_ptr<tpstmessage> object = BuildMessage(&pst->Engine, node, nullptr);
        EXPECT_NE(object, nullptr) << std::hex << node->nid;
        built[type] += object != nullptr;
        FreeMessage(object);
    }
    EXPECT_EQ(built[0x02], 50);
    EXPECT_EQ(built[0x03], 3);
    EXPECT_EQ(built[0x04], 162);
}

TEST(Ost4kSample, ExportWritesEveryItemAsCleanEml) {
    SKIP_WITHOUT_SAMPLE(kSample);
    const fs::path dir = clirun::TempDir("ostrel-ost4k");
    clirun::tresult r = clirun::Ostrel({"export", clirun::SamplePath(kSample), dir.string()});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("Messages written: 162, failed: 0"), std::string::npos) << r.Out;
    size_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        files += e.is_regular_file() && e.path().extension() == ".eml";
    EXPECT_EQ(files, 162u);
    if (clirun::Run({"python3", "-c", "import email.policy"}).Status == 0) {
        const std::string script = std::string(OSTREL_SOURCE_DIR) + "/tests/export/check_eml.py";
        clirun::tresult check = clirun::Run({"python3", script, dir.string()});
        EXPECT_EQ(check.Status, 0) << check.Out << check.Err;
        EXPECT_NE(check.Out.find("checked 162"), std::string::npos) << check.Out;
    }
    fs::remove_all(dir);
}

} // namespace
