// The folder and item collections on generated stores: which folders are
// kept (kinds 13 and 14 are not, nor what lies below them), how the items
// of a folder are counted, nodes without an object standing in for mail
// folders, a collection stopped through Enumerating, and a second run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "display/FolderList.h"
#include "display/ItemRows.h"
#include "mailbox/uPST64File.h"
#include "support/EventPump.h"
#include "tests/mailbox/OpenedMailbox.h"
#include "tools/pstwriter/PstFormat.h"
#include "tools/pstwriter/PstMailbox.h"
#include "tools/pstwriter/PstPropContext.h"

namespace {

using opened::OpenBytes;

using namespace pstw;

constexpr int32_t kFolders = 17;
// [MS-PST] 2.2.2.1 NID types.
constexpr uint64_t kNidTypeMask = 0x1F;
constexpr uint64_t kNidTypeNormalMessage = 0x04;

Options Opts(Layout layout) {
    Options o;
    o.layout = layout;
    return o;
}

Item OfKind(ItemKind kind, const std::string& subject) {
    Item item;
    item.kind = kind;
    item.subject = subject;
    if (kind == ItemKind::Appointment) item.appointment = AppointmentInfo{};
    if (kind == ItemKind::PostRss) item.rss = RssInfo{};
    return item;
}

int32_t CollectFolders(TPst64File& pst) {
    pst.Enumerating = true;
    pst.ClearItemList();
    int32_t n = pst.CollectItems(pst.CurrentNode, kFolders, 0);
    pst.Enumerating = false;
    return n;
}

std::vector<uint64_t> ListedNids(const TPst64File& pst) {
    std::vector<uint64_t> nids;
    if (pst.ItemList)
        for (const tnodeentry* n : *pst.ItemList)
            nids.push_back(n->nid);
    return nids;
}

bool Listed(const TPst64File& pst, uint64_t nid) {
    std::vector<uint64_t> nids = ListedNids(pst);
    return std::find(nids.begin(), nids.end(), nid) != nids.end();
}

// A store of hand-made nodes: the properties of each node's context are
// given, and a node may have no readable object at all.
class RawStore {
public:
    explicit RawStore(Layout layout) : w_(Opts(layout)) {
        std::vector<uint8_t> entryId(24, 0);
        detail::put(entryId, 20, kNidIpmSubtree, 4);
        Node(0x21, 0, {Prop::str(0x3001, "Store"), Prop::bin(0x35E0, entryId)});
        Folder(0x122, 0x122, "", "");
        Folder(kNidIpmSubtree, 0x122, "Top", "");
    }
    void Node(uint32_t nid, uint32_t parent, std::vector<Prop> props) {
        SubnodeSet subs;
        uint64_t bid = writePropertyContext(w_, std::move(props), subs);
        w_.addNode(nid, bid, subs.write(w_), parent);
    }
    void Folder(uint32_t nid, uint32_t parent, const std::string& name, const std::string& cls,
                std::vector<Prop> more = {}) {
        std::vector<Prop> props{Prop::str(0x3001, name), Prop::i32(0x3602, 0)};
        if (!cls.empty()) props.push_back(Prop::str(0x3613, cls));
        props.insert(props.end(), more.begin(), more.end());
        Node(nid, parent, std::move(props));
    }
    void Message(uint32_t nid, uint32_t parent, const std::string& cls) {
        Node(nid, parent, {Prop::str(0x001A, cls), Prop::str(0x0037, "s")});
    }
    // Its data BID names no block: the node is there, its object is not.
    void Bare(uint32_t nid, uint32_t parent) { w_.addNode(nid, 0x7FFFF0, 0, parent); }
    std::vector<uint8_t> Finish() { return w_.finish(); }

private:
    NdbWriter w_;
};

class CollectBothLayouts : public ::testing::TestWithParam<Layout> {
protected:
    Layout L() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Layouts, CollectBothLayouts,
                         ::testing::Values(Layout::Ansi, Layout::Unicode), [](const auto& info) {
                             return info.param == Layout::Unicode ? "Unicode" : "Ansi";
                         });

TEST_P(CollectBothLayouts, FoldersInDepthFirstOrderWithTheirKinds) {
    Mailbox m;
    Folder inbox("Inbox"), sub("Sub");
    inbox.folders = {sub};
    m.ipmSubtree.folders = {inbox,
                            Folder("Calendar", "IPF.Appointment"),
                            Folder("Contacts", "IPF.Contact"),
                            Folder("Journal", "IPF.Journal"),
                            Folder("Notes", "IPF.StickyNote"),
                            Folder("Tasks", "IPF.Task")};
    MailboxWriter writer(Opts(L()));
    auto pst = OpenBytes(writer.write(m));
    EXPECT_EQ(CollectFolders(*pst), 9);
    auto nid = [&](const std::string& name) {
        return writer.folder("Top of Personal Folders" + (name.empty() ? "" : "/" + name))->nid;
    };
    EXPECT_EQ(ListedNids(*pst),
              (std::vector<uint64_t>{kNidRootFolder, nid(""), nid("Inbox"), nid("Inbox/Sub"),
                                     nid("Calendar"), nid("Contacts"), nid("Journal"), nid("Notes"),
                                     nid("Tasks")}));
    const std::pair<const char*, int32_t> kinds[] = {
        {"", 0},         {"Inbox", 1},  {"Calendar", 8}, {"Contacts", 9},
        {"Journal", 10}, {"Notes", 11}, {"Tasks", 12}};
    for (auto [name, kind] : kinds)
        EXPECT_EQ(FindNode(&pst->Engine, nid(name))->nFolderKind, kind) << name;
}

TEST_P(CollectBothLayouts, OtherAndReportFoldersAreNotKeptNorEntered) {
    RawStore raw(L());
    raw.Folder(0x8042, kNidIpmSubtree, "Config", "IPF.Configuration"); // kind 13
    raw.Folder(0x8062, 0x8042, "Below config", "IPF.Note");
    // A folder whose message class makes it a report (kind 14).
    raw.Folder(0x8082, kNidIpmSubtree, "Reports", "", {Prop::str(0x001A, "REPORT.IPM.Note")});
    raw.Folder(0x80A2, 0x8082, "Below reports", "IPF.Note");
    raw.Folder(0x80C2, kNidIpmSubtree, "Inbox", "IPF.Note");
    auto pst = OpenBytes(raw.Finish());
    CollectFolders(*pst);
    EXPECT_EQ(ListedNids(*pst), (std::vector<uint64_t>{0x122, kNidIpmSubtree, 0x80C2}));
    for (uint64_t below : {0x8062, 0x80A2})
        EXPECT_EQ(FindNode(&pst->Engine, below)->nFolderKind, kKindNone);
}

// Notes, posts and RSS posts count for a mail folder; an appointment, a
// report and a contact do not. A calendar counts its appointments only.
TEST_P(CollectBothLayouts, ItemCountsFollowTheFolderKind) {
    Mailbox m;
    Folder partLike("Mail A"), withPost("Mail B"), calendar("Calendar", "IPF.Appointment");
    for (int i = 0; i < 3; ++i)
        partLike.items.push_back(OfKind(ItemKind::Note, "note"));
    partLike.items.push_back(OfKind(ItemKind::PostRss, "rss"));
    partLike.items.push_back(OfKind(ItemKind::Appointment, "meeting"));
    withPost.items = partLike.items;
    withPost.items.push_back(OfKind(ItemKind::Post, "post"));
    withPost.items.push_back(OfKind(ItemKind::Report, "report"));
    calendar.items = {OfKind(ItemKind::Appointment, "a"), OfKind(ItemKind::Appointment, "b"),
                      OfKind(ItemKind::Note, "n")};
    m.ipmSubtree.folders = {partLike, withPost, calendar};
    MailboxWriter writer(Opts(L()));
    auto pst = OpenBytes(writer.write(m));
    CollectFolders(*pst);
    auto count = [&](const std::string& name) {
        return FindNode(&pst->Engine, writer.folder("Top of Personal Folders/" + name)->nid)
            ->cItems;
    };
    EXPECT_EQ(count("Mail A"), 4u);
    EXPECT_EQ(count("Mail B"), 5u);
    EXPECT_EQ(count("Calendar"), 2u);
    EXPECT_EQ(FindNode(&pst->Engine, kNidIpmSubtree)->cItems, 0u);
}

TEST_P(CollectBothLayouts, SecondFolderCollectionCountsAgain) {
    Mailbox m;
    Folder inbox("Inbox");
    inbox.items = {OfKind(ItemKind::Note, "a"), OfKind(ItemKind::Note, "b")};
    m.ipmSubtree.folders = {inbox};
    MailboxWriter writer(Opts(L()));
    auto pst = OpenBytes(writer.write(m));
    tnodeentry* node = FindNode(&pst->Engine, writer.folder("Top of Personal Folders/Inbox")->nid);
    CollectFolders(*pst);
    EXPECT_EQ(node->cItems, 2u);
    CollectFolders(*pst);
    EXPECT_EQ(node->cItems, 4u);
    EXPECT_EQ(BuildFolderRows(*pst, "f.pst").back().Caption, "Inbox(6)");
}

// Without counts the folder list has the same rows, bare of counts, and
// has read no item: the item collection of a folder reads its own.
TEST_P(CollectBothLayouts, FolderListWithoutCountsReadsNoItem) {
    Mailbox m;
    Folder inbox("Inbox");
    inbox.items = {OfKind(ItemKind::Note, "a"), OfKind(ItemKind::Note, "b")};
    Folder sub("Sub");
    sub.items = {OfKind(ItemKind::Note, "c")};
    inbox.folders = {sub};
    m.ipmSubtree.folders = {inbox};
    const std::vector<uint8_t> image = MailboxWriter(Opts(L())).write(m);
    auto counted = OpenBytes(image);
    auto uncounted = OpenBytes(image);
    uncounted->CountFolderItems = false;
    const std::vector<tfolderrow> withCounts = BuildFolderRows(*counted, "f.pst");
    const std::vector<tfolderrow> rows = BuildFolderRows(*uncounted, "f.pst");
    ASSERT_EQ(rows.size(), withCounts.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].Path, withCounts[i].Path);
        EXPECT_EQ(rows[i].Depth, withCounts[i].Depth);
    }
    EXPECT_EQ(withCounts.back().Caption, "Sub(1)");
    EXPECT_EQ(rows.back().Caption, "Sub");
    for (const auto& node : uncounted->Engine.nodes.owned)
        if ((node->nid & kNidTypeMask) == kNidTypeNormalMessage)
            EXPECT_EQ(node->fReadRecords, 0) << node->nid;

    const tfolderrow& inboxRow = rows[rows.size() - 2];
    ASSERT_EQ(inboxRow.Caption, "Inbox");
    tfolderitems items = CollectFolderItems(*uncounted, inboxRow.Node);
    EXPECT_EQ(items.Count, 2);
    EXPECT_EQ(BuildItemRows(*uncounted, inboxRow.Node, 0, 2).size(), 2u);
}

// A folder node whose object cannot be read but that has children is kept
// as a mail folder: its items are counted and its subfolders are listed.
TEST_P(CollectBothLayouts, NodeWithoutObjectButWithChildrenStandsForAMailFolder) {
    RawStore raw(L());
    raw.Bare(0x8042, kNidIpmSubtree);
    raw.Folder(0x8062, 0x8042, "Sub", "IPF.Note");
    raw.Message(0x200024, 0x8042, "IPM.Note");
    raw.Message(0x200044, 0x8042, "IPM.Post.Rss");
    raw.Message(0x200064, 0x8042, "IPM.Contact");
    raw.Bare(0x80A2, kNidIpmSubtree); // no children: not kept
    raw.Message(0x200084, 0x8062, "IPM.Note");
    auto pst = OpenBytes(raw.Finish());
    EXPECT_EQ(CollectFolders(*pst), 4);
    EXPECT_EQ(ListedNids(*pst), (std::vector<uint64_t>{0x122, kNidIpmSubtree, 0x8042, 0x8062}));
    tnodeentry* bare = FindNode(&pst->Engine, 0x8042);
    EXPECT_EQ(bare->nFolderKind, kKindMail);
    EXPECT_EQ(bare->cItems, 2u);
    EXPECT_EQ(FindNode(&pst->Engine, 0x8062)->cItems, 1u);
    EXPECT_EQ(FindNode(&pst->Engine, 0x80A2)->nFolderKind, kKindNone);

    // It has a row of its own, named "Folder" and its NID (no hierarchy
    // table names it), and its subfolder stands below it.
    std::vector<tfolderrow> rows = BuildFolderRows(*pst, "f.pst");
    auto row = [&](uint64_t nid) {
        return std::find_if(rows.begin(), rows.end(),
                            [&](const tfolderrow& r) { return r.Node && r.Node->nid == nid; });
    };
    ASSERT_NE(row(0x8042), rows.end());
    ASSERT_NE(row(0x8062), rows.end());
    EXPECT_EQ(row(0x8042)->Caption, "Folder32834(4)"); // counted by both collections
    EXPECT_EQ(row(0x8062)->Caption, "Sub(2)");         // counted by both collections
    EXPECT_EQ(row(0x8062)->Path, row(0x8042)->Path + "\\Sub");
    EXPECT_EQ(row(0x8062)->Depth, row(0x8042)->Depth + 1);
    EXPECT_EQ(row(0x80A2), rows.end());
}

// A node whose object has none of the records (no class, no folder counts)
// is an object all the same: the folder collection neither lists it nor
// goes below it, unlike a node without an object. Its cheap read, kept in
// the node, must say so too, or every collection after the first would
// take it for one without an object and list what it holds.
TEST_P(CollectBothLayouts, ObjectWithoutRecordsIsNoStandInInAnyCollection) {
    RawStore raw(L());
    raw.Node(0x8042, kNidIpmSubtree, {Prop::str(0x3001, "No class")});
    raw.Folder(0x8062, 0x8042, "Below", "IPF.Note");
    raw.Message(0x200024, 0x8062, "IPM.Note");
    auto pst = OpenBytes(raw.Finish());
    const std::vector<uint64_t> listed{0x122, kNidIpmSubtree};
    pst->CheapCollections = false;
    EXPECT_EQ(CollectFolders(*pst), 2);
    EXPECT_EQ(ListedNids(*pst), listed);
    pst->CheapCollections = true;
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(CollectFolders(*pst), 2) << "collection " << run;
        EXPECT_EQ(ListedNids(*pst), listed) << "collection " << run;
    }
}

// Among a folder's items such a node is no item: it is a subfolder of its
// own that lists its items, and the folder's item list leaves it out.
TEST_P(CollectBothLayouts, NodeWithoutObjectAmongItemsIsASubfolder) {
    RawStore raw(L());
    raw.Folder(0x8042, kNidIpmSubtree, "Inbox", "IPF.Note");
    raw.Message(0x200024, 0x8042, "IPM.Note");
    raw.Bare(0x200044, 0x8042);
    raw.Message(0x200064, 0x200044, "IPM.Note");
    raw.Message(0x200084, 0x200044, "IPM.Appointment");
    raw.Message(0x2000A4, 0x200044, "IPM.Note.SMIME");
    raw.Message(0x2000C4, 0x8042, "IPM.Note");
    raw.Message(0x2000E4, 0x8042, "IPM.StickyNote");
    auto pst = OpenBytes(raw.Finish());
    tnodeentry* inbox = FindNode(&pst->Engine, 0x8042);
    pst->Enumerating = true;
    EXPECT_EQ(pst->CollectItems(inbox->pFirstChild, kKindMail, 0), 2);
    EXPECT_EQ(ListedNids(*pst), (std::vector<uint64_t>{0x200024, 0x2000C4}));
    pst->ClearItemList();
    EXPECT_EQ(pst->CollectItems(inbox->pFirstChild, -1, 0), 0);
    pst->ClearItemList();
    EXPECT_EQ(pst->CollectItems(nullptr, kKindMail, 0), 0);
    ASSERT_TRUE(pst->ItemList);
    EXPECT_TRUE(pst->ItemList->empty());
    pst->ClearItemList();

    std::vector<tfolderrow> rows = BuildFolderRows(*pst, "f.pst");
    auto bare = std::find_if(rows.begin(), rows.end(),
                             [](const tfolderrow& r) { return r.Node && r.Node->nid == 0x200044; });
    ASSERT_NE(bare, rows.end());
    EXPECT_EQ(bare->Caption, "Folder2097220(2)");
    tfolderitems items = CollectFolderItems(*pst, bare->Node);
    EXPECT_EQ(items.Count, 2);
}

// Clearing Enumerating from the event pump, at the top level or deep in
// the walk, ends the collection with an empty list and a count of 0.
TEST_P(CollectBothLayouts, StopThroughEnumeratingEmptiesTheList) {
    Mailbox m;
    Folder inbox("Inbox"), sub("Sub");
    sub.items = {OfKind(ItemKind::Note, "a")};
    inbox.folders = {sub};
    m.ipmSubtree.folders = {inbox, Folder("Later")};
    MailboxWriter writer(Opts(L()));
    auto pst = OpenBytes(writer.write(m));
    for (int stopAfter : {1, 3, 5}) {
        SCOPED_TRACE(stopAfter);
        int pumps = 0;
        ostrel::SetEventPump(
            [&] {
                if (++pumps == stopAfter) pst->Enumerating = false;
            },
            0);
        pst->Enumerating = true;
        pst->ClearItemList();
        int32_t n = pst->CollectItems(pst->CurrentNode, kFolders, 0);
        ostrel::SetEventPump({});
        EXPECT_EQ(n, 0);
        EXPECT_FALSE(pst->ItemList && !pst->ItemList->empty());
        EXPECT_FALSE(pst->Enumerating);
    }
    // Without a stop the same walk finds them all.
    EXPECT_EQ(CollectFolders(*pst), 5);
    EXPECT_TRUE(Listed(*pst, writer.folder("Top of Personal Folders/Later")->nid));
}

} // namespace
