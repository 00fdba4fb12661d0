// The open sequence of the mailbox on generated files: intact stores of both
// layouts and every encoding, a header whose encoding byte lies, the offline
// store whose folders are moved below node 0x2142, and crafted node trees
// that would make that move a cycle.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "display/FolderList.h"
#include "mailbox/uPST64File.h"
#include "tests/mailbox/OpenedMailbox.h"
#include "tools/pstwriter/PstDamage.h"
#include "tools/pstwriter/PstMailbox.h"
#include "tools/pstwriter/PstPropContext.h"

namespace {

using opened::OpenBytes;

using namespace pstw;

constexpr uint64_t kSubtree = 0x2142;

// [MS-PST] 2.2.2.6: bCryptMethod of the HEADER.
void SetHeaderCrypt(std::vector<uint8_t>& file, Layout layout, uint8_t value) {
    file[layout == Layout::Unicode ? 513 : 461] = value;
    resealHeader(file, layout);
}

Options Opts(Layout layout, uint8_t crypt = 1) {
    Options o;
    o.layout = layout;
    o.crypt = crypt;
    return o;
}

Item Note(const std::string& subject) {
    Item item;
    item.subject = subject;
    return item;
}

Mailbox SmallMailbox() {
    Mailbox m;
    Folder inbox("Inbox");
    inbox.items = {Note("first"), Note("second")};
    m.ipmSubtree.folders = {inbox, Folder("Sent Items")};
    return m;
}

std::vector<uint64_t> ChildNids(const tnodeentry* parent) {
    std::vector<uint64_t> nids;
    for (const tnodeentry* c = parent->pFirstChild; c; c = c->pNext)
        nids.push_back(c->nid);
    return nids;
}

// Links both ways, counts and ends agree for every child list below `node`.
void ExpectLinksConsistent(const tnodeentry* node, int depth = 0) {
    ASSERT_LT(depth, 64) << "child lists too deep: a cycle?";
    uint32_t count = 0;
    const tnodeentry* prev = nullptr;
    for (const tnodeentry* c = node->pFirstChild; c; prev = c, c = c->pNext) {
        EXPECT_EQ(c->pParent, node);
        EXPECT_EQ(c->pPrev, prev);
        ++count;
        ExpectLinksConsistent(c, depth + 1);
    }
    EXPECT_EQ(node->pLastChild, prev);
    EXPECT_EQ(node->cChildren, count);
}

std::vector<Prop> FolderProps(const std::string& name) {
    return {Prop::str(0x3001, name), Prop::i32(0x3602, 0), Prop::str(0x3613, "IPF.Note")};
}

// Hand-made nodes of an offline store (no IPM subtree entry ID), each
// with a property context, so that any parent can be given.
class RawStore {
public:
    explicit RawStore(Layout layout) : w_(Opts(layout)) {
        Node(0x21, 0, {Prop::str(0x3001, "Offline")});
    }
    void Node(uint32_t nid, uint32_t parent, std::vector<Prop> props) {
        SubnodeSet subs;
        uint64_t bid = writePropertyContext(w_, std::move(props), subs);
        w_.addNode(nid, bid, subs.write(w_), parent);
    }
    std::vector<uint8_t> Finish() { return w_.finish(); }

private:
    NdbWriter w_;
};

class OpenBothLayouts : public ::testing::TestWithParam<Layout> {};

INSTANTIATE_TEST_SUITE_P(Layouts, OpenBothLayouts, ::testing::Values(Layout::Ansi, Layout::Unicode),
                         [](const auto& info) {
                             return info.param == Layout::Unicode ? "Unicode" : "Ansi";
                         });

TEST_P(OpenBothLayouts, IntactStoreOpensWithEveryNodeAndTheStoreObject) {
    for (uint8_t crypt : {0, 1}) {
        SCOPED_TRACE(int(crypt));
        MailboxWriter writer(Opts(GetParam(), crypt));
        auto pst = OpenBytes(writer.write(SmallMailbox()));
        EXPECT_EQ(pst->Engine.fUnicode, GetParam() == Layout::Unicode ? 1 : 0);
        EXPECT_EQ(pst->Engine.bCryptMethod, crypt);
        EXPECT_EQ(pst->Engine.fOffline, 0);
        ASSERT_TRUE(pst->CurrentObject);
        ASSERT_TRUE(pst->CurrentObject->StoreInfo);
        EXPECT_TRUE(pst->CurrentObject->StoreInfo->IpmSubtreeEntryId);
        EXPECT_EQ(TextOf(pst->CurrentObject->DisplayName), "Personal Folders");
        // With the subtree named by the store the tree stays as loaded and
        // the walk starts at the first top-level node, the store.
        ASSERT_TRUE(pst->CurrentNode);
        EXPECT_EQ(pst->CurrentNode, pst->Engine.pNodeFirst);
        EXPECT_EQ(pst->CurrentNode->nid, 0x21u);
        EXPECT_FALSE(pst->ItemList);
        for (const WrittenFolder& f : writer.folders()) {
            tnodeentry* node = FindNode(&pst->Engine, f.nid);
            ASSERT_TRUE(node) << f.path;
            EXPECT_EQ(node->nidParent, f.parentNid);
        }
        for (const WrittenItem& i : writer.items())
            EXPECT_TRUE(FindNode(&pst->Engine, i.nid)) << i.subject;
        tnodeentry* subtree = FindNode(&pst->Engine, kNidIpmSubtree);
        ASSERT_TRUE(subtree);
        EXPECT_EQ(subtree->pParent, FindNode(&pst->Engine, kNidRootFolder));
    }
}

// A cyclic file opens with its own method and shows every folder.
TEST_P(OpenBothLayouts, CyclicFileOpensWithItsOwnEncoding) {
    MailboxWriter writer(Opts(GetParam(), 2));
    auto pst = OpenBytes(writer.write(SmallMailbox()));
    ASSERT_TRUE(pst->CurrentObject);
    EXPECT_EQ(pst->Engine.bCryptMethod, 2);
    std::vector<tfolderrow> rows = BuildFolderRows(*pst, "f.pst");
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[4].Caption, "Inbox(2)");
}

// A byte of no known method is taken for the permutation; a file that claims
// the cyclic method but is permuted opens through the fallback to it.
TEST_P(OpenBothLayouts, UnknownOrFalseEncodingByteEndsAsPermutation) {
    MailboxWriter writer(Opts(GetParam(), 1));
    std::vector<uint8_t> file = writer.write(SmallMailbox());
    for (uint8_t byte : {2, 3, 0x10, 0xFF}) {
        SCOPED_TRACE(int(byte));
        SetHeaderCrypt(file, GetParam(), byte);
        auto pst = OpenBytes(file);
        ASSERT_TRUE(pst->CurrentObject);
        EXPECT_EQ(pst->Engine.bCryptMethod, 1);
        // Outlook, the root folder (its name is empty), Top, Sent Items, Inbox.
        EXPECT_EQ(BuildFolderRows(*pst, "f.pst").size(), 5u);
    }
}

TEST_P(OpenBothLayouts, StoreReadableOnlyWithTheOtherEncodingKeepsThatEncoding) {
    for (auto [written, claimed] : {std::pair<uint8_t, uint8_t>{1, 0}, {0, 1}}) {
        SCOPED_TRACE(int(written));
        MailboxWriter writer(Opts(GetParam(), written));
        std::vector<uint8_t> file = writer.write(SmallMailbox());
        SetHeaderCrypt(file, GetParam(), claimed);
        auto pst = OpenBytes(file);
        ASSERT_TRUE(pst->CurrentObject);
        EXPECT_TRUE(pst->CurrentObject->StoreInfo);
        EXPECT_EQ(pst->Engine.bCryptMethod, written);
        // Everything read after the open uses the encoding that worked.
        std::vector<tfolderrow> rows = BuildFolderRows(*pst, "f.pst");
        ASSERT_EQ(rows.size(), 5u);
        EXPECT_EQ(rows[4].Caption, "Inbox(2)");
    }
}

// An offline store keeps its subtree node 0x2142 beside the other folders
// of the root folder; the open moves them all below it, in their order.
TEST_P(OpenBothLayouts, OfflineSubtreeBesideItsSiblingsTakesThemIn) {
    Mailbox m;
    m.ipmSubtreeEntryId = false;
    m.ipmSubtree = Folder("Root - Mailbox", "", kSubtree);
    m.ipmSubtree.folders = {Folder("Inbox")};
    m.rootFolders = {Folder("Search Root", ""), Folder("Freebusy Data", "")};
    MailboxWriter writer(Opts(GetParam()));
    auto pst = OpenBytes(writer.write(m));
    EXPECT_EQ(pst->Engine.fOffline, 1);
    tnodeentry* root = FindNode(&pst->Engine, kNidRootFolder);
    tnodeentry* subtree = FindNode(&pst->Engine, kSubtree);
    ASSERT_TRUE(root && subtree);
    EXPECT_EQ(pst->CurrentNode, subtree);
    EXPECT_EQ(ChildNids(root), std::vector<uint64_t>{kSubtree});
    EXPECT_EQ(subtree->nidParent, kNidRootFolder);
    const uint32_t inbox = writer.folder("Root - Mailbox/Inbox")->nid;
    const uint32_t search = writer.folder("Search Root")->nid;
    const uint32_t freebusy = writer.folder("Freebusy Data")->nid;
    EXPECT_EQ(ChildNids(subtree), (std::vector<uint64_t>{inbox, search, freebusy}));
    for (uint32_t nid : {inbox, search, freebusy})
        EXPECT_EQ(FindNode(&pst->Engine, nid)->nidParent, kSubtree);
    ExpectLinksConsistent(root);

    std::vector<tfolderrow> rows = BuildFolderRows(*pst, "f.ost");
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[1].Path, "f.ost\\Root - Mailbox");
    // Siblings are inserted right below their parent: the last one on top.
    EXPECT_EQ(rows[2].Path, "f.ost\\Root - Mailbox\\Freebusy Data");
    EXPECT_EQ(rows[4].Path, "f.ost\\Root - Mailbox\\Inbox");
    EXPECT_EQ(rows[4].Depth, 2);
}

TEST_P(OpenBothLayouts, OfflineSubtreeBelowAnotherFolderMovesUnderTheRoot) {
    Mailbox m;
    m.ipmSubtreeEntryId = false;
    Folder a("A");
    a.folders = {Folder("Top", "", kSubtree)};
    a.folders[0].folders = {Folder("Inbox")};
    m.rootFolders = {a, Folder("B")};
    MailboxWriter writer(Opts(GetParam()));
    auto pst = OpenBytes(writer.write(m));
    tnodeentry* root = FindNode(&pst->Engine, kNidRootFolder);
    tnodeentry* subtree = FindNode(&pst->Engine, kSubtree);
    ASSERT_TRUE(root && subtree);
    EXPECT_EQ(pst->CurrentNode, subtree);
    EXPECT_EQ(ChildNids(root), std::vector<uint64_t>{kSubtree});
    EXPECT_EQ(subtree->pParent, root);
    const uint32_t aNid = writer.folder("A")->nid, bNid = writer.folder("B")->nid;
    EXPECT_EQ(ChildNids(subtree), (std::vector<uint64_t>{writer.folder("A/Top/Inbox")->nid,
                                                         kNidIpmSubtree, aNid, bNid}));
    EXPECT_EQ(FindNode(&pst->Engine, aNid)->cChildren, 0u);
    ExpectLinksConsistent(root);
}

TEST_P(OpenBothLayouts, OfflineStoreWithoutSubtreeNodeGetsAnEmptyOne) {
    Mailbox m;
    m.ipmSubtreeEntryId = false;
    MailboxWriter writer(Opts(GetParam()));
    auto pst = OpenBytes(writer.write(m));
    tnodeentry* subtree = FindNode(&pst->Engine, kSubtree);
    ASSERT_TRUE(subtree);
    EXPECT_EQ(pst->CurrentNode, subtree);
    EXPECT_FALSE(subtree->pParent);
    EXPECT_EQ(subtree->pDataBlock, nullptr);
    EXPECT_EQ(subtree, pst->Engine.pNodeLast);
    // Nothing is moved: the subtree written at 0x8022 stays below the root.
    EXPECT_EQ(ChildNids(FindNode(&pst->Engine, kNidRootFolder)),
              std::vector<uint64_t>{kNidIpmSubtree});
    // The folder walk starts at the empty node, the last top-level one.
    EXPECT_EQ(BuildFolderRows(*pst, "f.ost").size(), 1u);
}

// A crafted file hangs the root folder below the subtree node. Moving the
// subtree below the root would close a cycle, so nothing moves, and every
// walk over the tree still ends.
TEST_P(OpenBothLayouts, RootFolderBelowTheSubtreeIsLeftInPlace) {
    RawStore raw(GetParam());
    raw.Node(0x122, kSubtree, FolderProps("Root"));
    raw.Node(kSubtree, 0x8042, FolderProps("Subtree"));
    raw.Node(0x8042, 0, FolderProps("Holder"));
    raw.Node(0x8062, 0x122, FolderProps("Inbox"));
    auto pst = OpenBytes(raw.Finish());
    tnodeentry* root = FindNode(&pst->Engine, kNidRootFolder);
    tnodeentry* subtree = FindNode(&pst->Engine, kSubtree);
    ASSERT_TRUE(root && subtree);
    EXPECT_EQ(pst->CurrentNode, subtree);
    EXPECT_EQ(root->pParent, subtree);
    EXPECT_EQ(subtree->pParent, FindNode(&pst->Engine, 0x8042));
    EXPECT_EQ(ChildNids(root), std::vector<uint64_t>{0x8062});
    EXPECT_FALSE(FindNode(&pst->Engine, 0x9999));

    std::vector<tfolderrow> rows = BuildFolderRows(*pst, "f.ost");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].Path, "f.ost\\Subtree");
    EXPECT_EQ(rows[2].Path, "f.ost\\Subtree\\Root");
    EXPECT_EQ(rows[3].Path, "f.ost\\Subtree\\Root\\Inbox");
}

TEST_P(OpenBothLayouts, RootAndSubtreeNamingEachOtherAsParentDoNotLoop) {
    RawStore raw(GetParam());
    raw.Node(0x122, kSubtree, FolderProps("Root"));
    raw.Node(kSubtree, 0x122, FolderProps("Subtree"));
    raw.Node(0x8062, kSubtree, FolderProps("Inbox"));
    auto pst = OpenBytes(raw.Finish());
    tnodeentry* root = FindNode(&pst->Engine, kNidRootFolder);
    tnodeentry* subtree = FindNode(&pst->Engine, kSubtree);
    ASSERT_TRUE(root && subtree);
    EXPECT_FALSE(IsAncestorOrSelf(root, subtree) && IsAncestorOrSelf(subtree, root));
    EXPECT_EQ(pst->CurrentNode, subtree);
    for (const tnodeentry* top = pst->Engine.pNodeFirst; top; top = top->pNext)
        ExpectLinksConsistent(top);
    std::vector<tfolderrow> rows = BuildFolderRows(*pst, "f.ost");
    EXPECT_GE(rows.size(), 2u);
    EXPECT_LE(rows.size(), 4u);
}

} // namespace
