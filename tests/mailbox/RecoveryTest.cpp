// Recovery that hides nothing it found, on generated mailboxes damaged one
// way each (store object, root folder, a folder's own node, a folder's NBT
// entry, a hierarchy table, a mid-level B-tree page, random pages): what the
// folder list shows, what the export writes, and that the two agree; the
// marker of items brought back from deleted leaf slots.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "display/FolderList.h"
#include "display/ItemRows.h"
#include "export/EmlExport.h"
#include "mailbox/uPST64File.h"
#include "tests/export/EmlTestSupport.h"
#include "tests/mailbox/ListedAndExported.h"
#include "tests/mailbox/OpenedMailbox.h"
#include "tools/pstwriter/PstDamage.h"
#include "tools/pstwriter/PstMailbox.h"

namespace {

using emltest::FilesBelow;
using emltest::TempDir;
using listed::ListAndExport;
using listed::Shown;
using listed::tseen;
using opened::OpenBytes;
using namespace pstw;

const std::string kTop = "Top of Personal Folders";
constexpr uint64_t kNidTypeMask = 0x1F;
constexpr uint64_t kNidTypeHierarchyTable = 0x0D;
constexpr uint64_t kFirstPage = 0x4400;
constexpr size_t kPage = 512;

Item Note(const std::string& subject) {
    Item item;
    item.subject = subject;
    return item;
}

Item Appointment(const std::string& subject) {
    Item item = Note(subject);
    item.kind = ItemKind::Appointment;
    item.appointment = AppointmentInfo{};
    return item;
}

// Inbox (5 mails) with Sub (2), Sent Items (1), Calendar (1 appointment).
Mailbox Sample() {
    Mailbox m;
    Folder inbox("Inbox"), sent("Sent Items"), sub("Sub"), calendar("Calendar", "IPF.Appointment");
    for (int i = 0; i < 5; ++i)
        inbox.items.push_back(Note("in " + std::to_string(i)));
    sent.items = {Note("sent")};
    sub.items = {Note("below 1"), Note("below 2")};
    calendar.items = {Appointment("meeting")};
    inbox.folders = {sub};
    m.ipmSubtree.folders = {inbox, sent, calendar};
    return m;
}

class Recovery : public ::testing::TestWithParam<Layout> {
protected:
    void SetUp() override {
        Options o;
        o.layout = GetParam();
        o.maxEntriesPerPage = 4; // B-trees of several levels
        writer_ = std::make_unique<MailboxWriter>(o);
        bytes_ = writer_->write(Sample());
    }
    uint32_t FolderNid(const std::string& path) const { return writer_->folder(kTop + path)->nid; }

    // The data block of `nid` in the intact file, overwritten: its object
    // can no longer be built.
    std::vector<uint8_t> SpoilNode(uint64_t nid) const {
        auto intact = OpenBytes(bytes_);
        tnodeentry* node = FindNode(&intact->Engine, nid);
        EXPECT_TRUE(node && node->pDataBlock) << nid;
        std::vector<uint8_t> file = bytes_;
        if (!node || !node->pDataBlock) return file;
        uint64_t at = uint64_t(node->pDataBlock->ib);
        std::fill_n(file.begin() + std::ptrdiff_t(at), node->pDataBlock->cb, 0xCD);
        return file;
    }

    std::unique_ptr<MailboxWriter> writer_;
    std::vector<uint8_t> bytes_;
};

INSTANTIATE_TEST_SUITE_P(Layouts, Recovery, ::testing::Values(Layout::Ansi, Layout::Unicode),
                         [](const auto& info) {
                             return info.param == Layout::Unicode ? "Unicode" : "Ansi";
                         });

// What the user sees of a damaged copy: the folder list, then the export.
tseen See(const std::vector<uint8_t>& file) {
    auto pst = OpenBytes(file);
    EXPECT_TRUE(pst->Unreadable.empty()) << pst->Unreadable;
    tseen seen = ListAndExport(*pst);
    EXPECT_EQ(seen.Export.MessagesFailed, 0u);
    return seen;
}

const std::vector<std::string> kIntactFolders = {
    "1  \\",
    "2 Top of Personal Folders \\\\Top of Personal Folders",
    "3 Calendar(1) \\\\Top of Personal Folders\\Calendar",
    "3 Sent Items(1) \\\\Top of Personal Folders\\Sent Items",
    "3 Inbox(5) \\\\Top of Personal Folders\\Inbox",
    "4 Sub(2) \\\\Top of Personal Folders\\Inbox\\Sub",
};

TEST_P(Recovery, IntactFileHasNoOrphanedItemsAndExportsWhatItLists) {
    tseen seen = See(bytes_);
    EXPECT_EQ(seen.Folders, kIntactFolders);
    EXPECT_EQ(seen.Export.MessagesWritten, 9u);
}

// The store object cannot be built: the open goes on, every folder and item
// is listed and exported; the root folder's directory is named as any
// folder without a name.
TEST_P(Recovery, StoreObjectLostHidesNothing) {
    auto pst = OpenBytes(SpoilNode(kNidMessageStore));
    ASSERT_TRUE(pst->CurrentObject);
    EXPECT_TRUE(pst->CurrentObject->StoreInfo);
    tseen seen = See(SpoilNode(kNidMessageStore));
    EXPECT_EQ(seen.Folders, kIntactFolders);
    EXPECT_EQ(seen.Export.MessagesWritten, 9u);
    ASSERT_FALSE(seen.Files.empty());
    EXPECT_EQ(seen.Files.front().rfind("Folder290/Top of Personal Folders/", 0), 0u)
        << seen.Files.front();
}

// The root folder's own object is lost: it stands in as the intact one does.
TEST_P(Recovery, RootFolderLostHidesNothing) {
    tseen seen = See(SpoilNode(kNidRootFolder));
    EXPECT_EQ(seen.Folders, kIntactFolders);
    EXPECT_EQ(seen.Export.MessagesWritten, 9u);
    ASSERT_FALSE(seen.Files.empty());
    EXPECT_EQ(seen.Files.front().rfind("Personal Folders/Top of Personal Folders/", 0), 0u);
}

// The Inbox's own object is lost: its parent's hierarchy table still names
// it, so the list and the export keep its name, its items and its subfolder.
TEST_P(Recovery, FolderObjectLostKeepsItsNameFromTheHierarchyTable) {
    tseen seen = See(SpoilNode(FolderNid("/Inbox")));
    EXPECT_EQ(seen.Folders, kIntactFolders);
    EXPECT_EQ(seen.Export.MessagesWritten, 9u);
    EXPECT_EQ(std::count_if(seen.Files.begin(), seen.Files.end(),
                            [](const std::string& f) {
                                return f.find("/Top of Personal Folders/Inbox/") !=
                                       std::string::npos;
                            }),
              7);
}

// The folder's object and its parent's hierarchy table are both lost: the
// folder is named "Folder" and its NID, and still shows all it holds.
TEST_P(Recovery, FolderAndHierarchyTableLostFallBackToTheNid) {
    uint32_t inbox = FolderNid("/Inbox");
    uint64_t table = (uint64_t(kNidIpmSubtree) & ~kNidTypeMask) | kNidTypeHierarchyTable;
    std::vector<uint8_t> file = SpoilNode(inbox);
    std::vector<uint8_t> noTable = SpoilNode(table);
    auto intact = OpenBytes(bytes_);
    tblockentry* block = FindNode(&intact->Engine, table)->pDataBlock;
    std::copy_n(noTable.begin() + block->ib, block->cb, file.begin() + block->ib);
    tseen seen = See(file);
    std::string name = "Folder" + std::to_string(inbox);
    std::vector<std::string> expected = kIntactFolders;
    expected[4] = "3 " + name + "(5) \\\\Top of Personal Folders\\" + name;
    expected[5] = "4 Sub(2) \\\\Top of Personal Folders\\" + name + "\\Sub";
    EXPECT_EQ(seen.Folders, expected);
    EXPECT_EQ(seen.Export.MessagesWritten, 9u);
}

// The Inbox's NBT entry is gone from every page: its items and its
// subfolder are gathered under "Orphaned items" at the end of the list, in
// the export too.
TEST_P(Recovery, FolderEntryLostGathersItsItemsAsOrphans) {
    std::vector<uint8_t> file = bytes_;
    std::optional<uint64_t> free = freePageOffset(writer_->ndb(), file);
    ASSERT_TRUE(free);
    ASSERT_TRUE(orphanNode(file, writer_->ndb(), FolderNid("/Inbox"), *free));
    overwritePage(file, *free, 0); // and no old copy of its leaf either
    tseen seen = See(file);
    EXPECT_EQ(seen.Folders, (std::vector<std::string>{
                                "1  \\",
                                "2 Top of Personal Folders \\\\Top of Personal Folders",
                                "3 Calendar(1) \\\\Top of Personal Folders\\Calendar",
                                "3 Sent Items(1) \\\\Top of Personal Folders\\Sent Items",
                                "1 Orphaned items(5) \\Orphaned items",
                                "2 Sub(2) \\Orphaned items\\Sub",
                            }));
    EXPECT_EQ(seen.Export.MessagesWritten, 9u);
    EXPECT_EQ(
        std::count_if(seen.Files.begin(), seen.Files.end(),
                      [](const std::string& f) { return f.rfind("Orphaned items/", 0) == 0; }),
        7);
}

// Orphans are kept by kind: appointments whose folder entry is lost go to
// their own folder below "Orphaned items", with the calendar's columns.
TEST_P(Recovery, OrphansAreKeptByKind) {
    std::vector<uint8_t> file = bytes_;
    std::optional<uint64_t> free = freePageOffset(writer_->ndb(), file);
    ASSERT_TRUE(free);
    ASSERT_TRUE(orphanNode(file, writer_->ndb(), FolderNid("/Calendar"), *free));
    overwritePage(file, *free, 0);
    auto pst = OpenBytes(file);
    std::vector<tfolderrow> rows = BuildFolderRows(*pst, "f.pst");
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(Shown(rows).back(), "2 Calendar(1) \\Orphaned items\\Calendar");
    tfolderitems items = CollectFolderItems(*pst, rows.back().Node);
    EXPECT_EQ(items.FolderKind, kKindAppointment);
    ASSERT_EQ(items.Count, 1);
    titemrow row = BuildItemRow(*pst, rows.back().Node, 0);
    ASSERT_FALSE(row.Cells.empty());
    EXPECT_EQ(row.Cells[0], "meeting");
}

// A mid-level page of the node B-tree is gone: the leaf recovery brings its
// nodes back in place; they are live, not marked as recovered.
TEST_P(Recovery, MidLevelNodePageLostHidesNothing) {
    std::vector<uint8_t> file = bytes_;
    bool spoilt = false;
    for (const PageInfo& p : writer_->ndb().pages())
        if (p.nbt && p.level == 1 && p.offset != writer_->ndb().nbtRootOffset() && !spoilt) {
            overwritePage(file, p.offset);
            spoilt = true;
        }
    ASSERT_TRUE(spoilt) << "no mid-level NBT page";
    tseen seen = See(file);
    // Nodes the recovery brings back join their parents late: siblings may
    // change places.
    std::vector<std::string> sorted = kIntactFolders;
    std::sort(sorted.begin(), sorted.end());
    std::sort(seen.Folders.begin(), seen.Folders.end());
    EXPECT_EQ(seen.Folders, sorted);
    EXPECT_EQ(seen.Export.MessagesWritten, 9u);
    auto pst = OpenBytes(file);
    for (const WrittenItem& i : writer_->items())
        EXPECT_FALSE(pst->IsRecovered(FindNode(&pst->Engine, i.nid))) << i.subject;
}

// Random pages overwritten (fixed seeds): never less exported than listed.
TEST_P(Recovery, RandomPagesLostExportAtLeastWhatIsListed) {
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        std::vector<uint8_t> file = bytes_;
        size_t pages = (file.size() - kFirstPage) / kPage;
        for (int n = 0; n < 3; ++n)
            overwritePage(file, kFirstPage + (random() % pages) * kPage, uint8_t(random()));
        auto pst = OpenBytes(file);
        if (!pst->Unreadable.empty()) continue; // nothing left to list or export
        See(file);
    }
}

// A mail deleted from its leaf (cEnt lowered, the entry left in its slot)
// comes back marked: in its row, and as "X-Recovered: yes" in its file.
TEST_P(Recovery, ItemFromADeletedLeafSlotIsMarkedRecovered) {
    std::vector<uint8_t> file = bytes_;
    // The last slot of the leaf that holds the last item.
    const WrittenItem& last = writer_->items().back();
    const PageInfo* leaf = nullptr;
    for (const PageInfo& p : writer_->ndb().pages())
        if (p.nbt && p.level == 0 && p.firstKey <= last.nid &&
            (!leaf || p.firstKey > leaf->firstKey))
            leaf = &p;
    ASSERT_TRUE(leaf);
    lowerEntryCount(file, GetParam(), leaf->offset, leaf->entries - 1);
    auto pst = OpenBytes(file);
    std::vector<uint64_t> marked;
    for (const WrittenItem& i : writer_->items())
        if (pst->IsRecovered(FindNode(&pst->Engine, i.nid))) marked.push_back(i.nid);
    ASSERT_EQ(marked.size(), 1u);

    tnodeentry* item = FindNode(&pst->Engine, marked[0]);
    std::vector<tfolderrow> rows = BuildFolderRows(*pst, "f.pst");
    tfolderitems items = CollectFolderItems(*pst, item->pParent);
    int recoveredRows = 0;
    for (int32_t i = 0; i < items.Count; ++i) {
        titemrow row = BuildItemRow(*pst, item->pParent, i);
        recoveredRows += row.Recovered;
        EXPECT_EQ(row.Recovered, row.Node == item);
    }
    EXPECT_EQ(recoveredRows, 1);

    TempDir out;
    pst->SaveAllToEml(out.Path());
    int markedFiles = 0;
    for (const std::string& f : FilesBelow(out.Path())) {
        std::ifstream in(out.Path() + "/" + f, std::ios::binary);
        std::string head((std::istreambuf_iterator<char>(in)), {});
        head = head.substr(0, head.find("\r\n\r\n"));
        markedFiles += head.find("X-Recovered: yes\r\n") != std::string::npos;
    }
    EXPECT_EQ(markedFiles, 1);
}

} // namespace
