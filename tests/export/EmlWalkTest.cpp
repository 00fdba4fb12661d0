// The walk of the EML export over node trees made in memory: which nodes
// are written, where their directories go (hostile names, siblings of the
// same name, a second export into the same place) and what is reported.
#include <gmock/gmock.h>
#include <sys/stat.h>

#include "tests/export/EmlTestSupport.h"

using namespace emltest;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

constexpr uint64_t kRoot = 0x122;
constexpr uint64_t kStore = 0x21;

// The root folder (parent: itself) under a store named "Store".
void AddRoot(Tree& t, const std::string& storeName = "Store") {
    t.Add(kStore, 0, [storeName] {
        auto m = std::make_unique<tpstmessage>();
        m->StoreInfo = std::make_unique<tstoreinfo>();
        if (!storeName.empty()) m->DisplayName = storeName;
        return m;
    });
    t.AddFolder(kRoot, kRoot, std::string());
}

} // namespace

TEST(EmlWalk, NamesComeFromSubjectsAndFolders) {
    TempDir out;
    Tree t;
    AddRoot(t);
    t.AddFolder(0x8022, kRoot, std::string("Inbox"));
    t.AddMail(0x200024, 0x8022, "Re: a/b");
    t.AddMail(0x200044, 0x8022, std::string(100, 'x'));
    t.AddMail(0x200064, 0x8022, "");
    t.AddFolder(0x8042, kRoot, std::nullopt); // no name: "Folder" and the NID in decimal
    temlcounts c = t.Export(out.Path());
    EXPECT_EQ(c.FoldersWritten, 3u);
    EXPECT_EQ(c.MessagesWritten, 3u);
    EXPECT_THAT(FilesBelow(out.Path()),
                ElementsAre("Store/Inbox/Re_ a_b_00200024.eml", "Store/Inbox/_00200064.eml",
                            "Store/Inbox/" + std::string(64, 'x') + "_00200044.eml"));
    EXPECT_TRUE(fs::is_directory(out.Path() + "/Store/Folder32834"));
    EXPECT_TRUE(t.errors.empty());
}

TEST(EmlWalk, RootFolderNamedAfterTheStore) {
    for (auto [store, expected] :
         {std::pair<std::string, std::string>{"Mine", "Mine"}, {"", "Offline root folders"}}) {
        TempDir out;
        Tree t;
        AddRoot(t, store);
        t.AddMail(0x200024, kRoot);
        t.Export(out.Path());
        EXPECT_THAT(FilesBelow(out.Path()), ElementsAre(expected + "/Hello_00200024.eml"));
    }
    // Without a store object the root folder is still written, under the
    // name of any folder without one: nothing below it is lost.
    TempDir out;
    Tree t;
    t.AddFolder(kRoot, kRoot, std::string());
    t.AddMail(0x200024, kRoot);
    EXPECT_EQ(t.Export(out.Path()).MessagesWritten, 1u);
    EXPECT_THAT(FilesBelow(out.Path()), ElementsAre("Folder290/Hello_00200024.eml"));
}

TEST(EmlWalk, KindsExportedAndSkipped) {
    TempDir out;
    Tree t;
    AddRoot(t);
    uint64_t nid = 0x200004;
    for (int32_t kind : {kKindMail, kKindAppointment, kKindJournal, kKindStickyNote, kKindTask,
                         kKindPost, kKindContact, kKindOther, kKindReport})
        t.AddMail(nid += 0x20, kRoot, "k" + std::to_string(kind), kind);
    t.AddMail(0xFFE4, kRoot, "small nid");
    t.Add(0x300024, kRoot, [] { // a contact record, no mail record
        auto m = std::make_unique<tpstmessage>();
        m->Kind = kKindMail;
        m->Contact = std::make_unique<tcontactinfo>();
        return m;
    });
    t.AddMail(0x400024, 0, "top-level, parent 0");
    temlcounts c = t.Export(out.Path());
    // Reports (delivery and read receipts) go out like mail. Tasks and
    // appointments also get a .ics beside the .eml, contacts a .vcf in their
    // place (CompanionFiles.h).
    EXPECT_EQ(c.MessagesWritten, 7u);
    EXPECT_THAT(FilesBelow(out.Path()),
                ElementsAre("Store/k10_00200064.eml", "Store/k11_00200084.eml",
                            "Store/k12_002000A4.eml", "Store/k12_002000A4.ics",
                            "Store/k14_00200124.eml", "Store/k19_002000C4.eml",
                            "Store/k1_00200024.eml", "Store/k8_00200044.eml",
                            "Store/k8_00200044.ics", "Store/k9_002000E4.vcf"));
}

TEST(EmlWalk, HostileFolderNamesStayInside) {
    TempDir top;
    std::string out = top.Path() + "/out";
    ASSERT_EQ(::mkdir(out.c_str(), 0777), 0);
    Tree t;
    AddRoot(t);
    const std::vector<std::string> names = {
        "..", ".", "a/b", "/", std::string("x\0/..", 5), "../../escape", "ctl\x01\n\x7F", "../.."};
    uint64_t nid = 0x8002;
    for (const std::string& name : names) {
        t.AddFolder(nid += 0x20, kRoot, name);
        t.AddMail(0x200000 + nid, nid, "m");
    }
    temlcounts c = t.Export(out);
    EXPECT_EQ(c.MessagesWritten, names.size());
    EXPECT_TRUE(t.errors.empty());
    // Nothing beside the chosen directory, everything below it.
    std::vector<std::string> beside;
    for (const auto& e : fs::directory_iterator(top.Path()))
        beside.push_back(e.path().filename().string());
    EXPECT_THAT(beside, ElementsAre("out"));
    std::vector<std::string> dirs;
    for (const auto& e : fs::directory_iterator(out + "/Store"))
        dirs.push_back(e.path().filename().string());
    std::sort(dirs.begin(), dirs.end());
    EXPECT_THAT(dirs,
                ElementsAre(".._..", ".._.._escape", "_", "_ (2)", "__", "a_b", "ctl___", "x"));
}

TEST(EmlWalk, SiblingsOfTheSameNameAndASecondExport) {
    TempDir out;
    Tree t;
    AddRoot(t);
    t.AddFolder(0x8022, kRoot, std::string("Inbox"));
    t.AddMail(0x200024, 0x8022, "first");
    t.AddFolder(0x8042, kRoot, std::string("Inbox"));
    t.AddMail(0x200044, 0x8042, "second");
    t.AddFolder(0x8062, 0x8042, std::string("Inbox")); // a child of that name is no sibling
    t.AddMail(0x200064, 0x8062, "third");
    const std::vector<std::string> expected = {"Store/Inbox (2)/Inbox/third_00200064.eml",
                                               "Store/Inbox (2)/second_00200044.eml",
                                               "Store/Inbox/first_00200024.eml"};
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        temlcounts c = t.Export(out.Path());
        EXPECT_EQ(c.FoldersWritten, 4u);
        EXPECT_EQ(c.MessagesWritten, 3u);
        EXPECT_EQ(FilesBelow(out.Path()), expected);
    }
    // Something that is not a directory takes the name: the folder moves on.
    fs::remove_all(out.Path() + "/Store/Inbox");
    std::ofstream(out.Path() + "/Store/Inbox") << "a file";
    t.Export(out.Path());
    EXPECT_TRUE(fs::exists(out.Path() + "/Store/Inbox (2)/first_00200024.eml"));
    EXPECT_TRUE(fs::exists(out.Path() + "/Store/Inbox (3)/second_00200044.eml"));
}

// Many siblings of one name (a recovered mailbox can hold thousands): each
// takes the next number, starting where the one before it stopped.
TEST(EmlWalk, ManySiblingsOfOneNameAreNumberedInOrder) {
    TempDir out;
    Tree t;
    AddRoot(t);
    const int count = 2000;
    for (int i = 0; i < count; ++i)
        t.AddFolder(0x8022 + uint64_t(i) * 0x20, kRoot, std::string("Inbox"));
    temlcounts c = t.Export(out.Path());
    EXPECT_EQ(c.FoldersWritten, uint32_t(count) + 1);
    EXPECT_EQ(c.FoldersFailed, 0u);
    for (int n : {1, 2, 3, 999, 1000, count})
        EXPECT_TRUE(fs::is_directory(out.Path() + "/Store/Inbox" +
                                     (n == 1 ? "" : " (" + std::to_string(n) + ")")))
            << n;
    EXPECT_FALSE(fs::exists(out.Path() + "/Store/Inbox (" + std::to_string(count + 1) + ")"));
}

TEST(EmlWalk, LinksAreNotFollowed) {
    TempDir top;
    std::string out = top.Path() + "/out", elsewhere = top.Path() + "/elsewhere";
    fs::create_directories(out + "/Store");
    fs::create_directories(elsewhere);
    fs::create_directory_symlink(elsewhere, out + "/Store/Inbox");
    fs::create_symlink(elsewhere + "/target", out + "/Store/Hello_00200044.eml");
    Tree t;
    AddRoot(t);
    t.AddFolder(0x8022, kRoot, std::string("Inbox"));
    t.AddMail(0x200024, 0x8022);
    t.AddMail(0x200044, kRoot);
    EXPECT_EQ(t.Export(out).MessagesWritten, 2u);
    EXPECT_TRUE(fs::is_empty(elsewhere));
    EXPECT_TRUE(fs::exists(out + "/Store/Inbox (2)/Hello_00200024.eml"));
    EXPECT_TRUE(fs::exists(out + "/Store/Hello_00200044 (2).eml"));
}

TEST(EmlWalk, FailuresAreReportedAndTheWalkGoesOn) {
    TempDir out;
    Tree t;
    AddRoot(t);
    // Nested folders of long names until the path is too long for the system.
    uint64_t parent = kRoot;
    for (uint64_t nid = 0x8022; nid < 0x8022 + 0x20 * 20; nid += 0x20) {
        t.AddFolder(nid, parent, std::string(235, 'd'));
        parent = nid;
    }
    t.AddMail(0x200024, parent);
    t.AddMail(0x200044, 0x8022 + 0x20 * 16, std::string(60, 's')); // its file name is too long
    t.AddMail(0x200064, kRoot, "after");
    temlcounts c = t.Export(out.Path());
    EXPECT_EQ(c.MessagesWritten, 1u);
    EXPECT_GE(c.FoldersFailed, 1u);
    EXPECT_EQ(c.MessagesFailed, 1u);
    ASSERT_EQ(t.errors.size(), 2u);
    EXPECT_THAT(t.errors[0], testing::StartsWith("Error: cannot create directory "));
    EXPECT_THAT(t.errors[0], testing::EndsWith(": File name too long $00008242"));
    EXPECT_THAT(t.errors[1], testing::StartsWith("Error: cannot write "));
    EXPECT_THAT(t.errors[1], testing::EndsWith(" $00200044"));
    EXPECT_TRUE(fs::exists(out.Path() + "/Store/after_00200064.eml"));
}
