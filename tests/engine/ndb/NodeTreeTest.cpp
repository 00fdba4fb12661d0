// The node forest: insertion order, adoption of orphans, self-parented roots,
// the cycle a crafted file can ask for, and duplicate NIDs.
#include "tests/engine/ndb/FileImage.h"

using namespace testimg;

namespace {

std::vector<uint64_t> Children(const tnodeentry* n) {
    std::vector<uint64_t> out;
    for (const tnodeentry* c = n->pFirstChild; c; c = c->pNext)
        out.push_back(c->nid);
    return out;
}

std::vector<uint64_t> TopLevel(const tpstfile& f) {
    std::vector<uint64_t> out;
    for (const tnodeentry* c = f.pNodeFirst; c; c = c->pNext)
        out.push_back(c->nid);
    return out;
}

// The reference lookup: a literal pre-order walk of the forest.
tnodeentry* WalkFind(tpstfile& f, uint64_t nid) {
    tnodeentry* n = f.pNodeFirst;
    size_t steps = 0;
    while (n && steps++ < 1000000) {
        if (n->nid == nid) return n;
        if (n->pFirstChild) {
            n = n->pFirstChild;
            continue;
        }
        while (n && !n->pNext)
            n = n->pParent;
        n = n ? n->pNext : nullptr;
    }
    return nullptr;
}

TEST(NodeTree, ChildBeforeParentIsAdopted) {
    tpstfile f;
    InsertNode(&f, Node(0x122, 0x122));
    InsertNode(&f, Node(0x8062, 0x8042));
    EXPECT_EQ(TopLevel(f), (std::vector<uint64_t>{0x122, 0x8062}));
    InsertNode(&f, Node(0x8082, 0x8042));
    InsertNode(&f, Node(0x8042, 0x122));
    EXPECT_EQ(TopLevel(f), (std::vector<uint64_t>{0x122}));
    tnodeentry* folder = FindNode(&f, 0x8042);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(Children(folder), (std::vector<uint64_t>{0x8062, 0x8082}));
    EXPECT_EQ(folder->cChildren, 2u);
    EXPECT_EQ(folder->pParent, FindNode(&f, 0x122));
    EXPECT_EQ(FindNode(&f, 0x8062)->pParent, folder);
    EXPECT_EQ(FindNode(&f, 0x122)->pParent, nullptr) << "its own parent: stays top-level";
}

TEST(NodeTree, ChildrenKeepInsertionOrderAdoptedFirst) {
    tpstfile f;
    InsertNode(&f, Node(0x30, 0x10)); // orphan
    InsertNode(&f, Node(0x20, 0x10)); // orphan
    InsertNode(&f, Node(0x10, 0));
    InsertNode(&f, Node(0x05, 0x10));
    EXPECT_EQ(Children(FindNode(&f, 0x10)), (std::vector<uint64_t>{0x30, 0x20, 0x05}));
}

TEST(NodeTree, MutualParentsNeverFormACycle) {
    tpstfile f;
    InsertNode(&f, Node(5, 7));
    InsertNode(&f, Node(7, 5));
    EXPECT_EQ(TopLevel(f), (std::vector<uint64_t>{7}));
    EXPECT_EQ(Children(FindNode(&f, 7)), (std::vector<uint64_t>{5}));
    EXPECT_EQ(FindNode(&f, 7)->pParent, nullptr);
    EXPECT_EQ(WalkFind(f, 12345), nullptr) << "the walk ends";
    FreeNodeTree(&f);
    EXPECT_EQ(f.pNodeFirst, nullptr);
}

TEST(NodeTree, LongerCycleThroughAdoption) {
    tpstfile f;
    InsertNode(&f, Node(1, 3));
    InsertNode(&f, Node(2, 1));
    InsertNode(&f, Node(3, 2)); // 3 adopts 1 (with 2 below it); 3's parent 2 is its descendant
    EXPECT_EQ(TopLevel(f), (std::vector<uint64_t>{3}));
    EXPECT_EQ(FindNode(&f, 2)->pParent, FindNode(&f, 1));
    EXPECT_EQ(WalkFind(f, 999), nullptr);
    // Reshaping later may not make a cycle either.
    EXPECT_FALSE(AppendChild(&f, FindNode(&f, 2), FindNode(&f, 3)));
    EXPECT_FALSE(AppendChild(&f, FindNode(&f, 3), FindNode(&f, 3)));
    EXPECT_TRUE(AppendChild(&f, FindNode(&f, 3), FindNode(&f, 2)));
    EXPECT_EQ(Children(FindNode(&f, 3)), (std::vector<uint64_t>{1, 2}));
    EXPECT_EQ(FindNode(&f, 1)->cChildren, 0u);
}

TEST(NodeTree, DuplicateNidsFindThePreorderFirst) {
    tpstfile f;
    InsertNode(&f, Node(0x100, 0));
    InsertNode(&f, Node(0x200, 0));
    tnodeentry* late = InsertNode(&f, Node(0x300, 0x200));  // under the second root
    tnodeentry* early = InsertNode(&f, Node(0x300, 0x100)); // under the first root
    EXPECT_EQ(FindNode(&f, 0x300), early);
    EXPECT_EQ(FindNode(&f, 0x300), WalkFind(f, 0x300));
    // A new child of 0x300 goes under the pre-order first one.
    InsertNode(&f, Node(0x400, 0x300));
    EXPECT_EQ(FindNode(&f, 0x400)->pParent, early);
    EXPECT_EQ(late->cChildren, 0u);
}

TEST(NodeTree, TopLevelRelinkingAndOrphanMap) {
    tpstfile f;
    InsertNode(&f, Node(0x10, 0x99));
    tnodeentry* moved = FindNode(&f, 0x10);
    InsertNode(&f, Node(0x20, 0));
    ASSERT_TRUE(AppendChild(&f, FindNode(&f, 0x20), moved));
    // 0x10 is no longer top-level, so the arrival of 0x99 adopts nothing.
    InsertNode(&f, Node(0x99, 0));
    EXPECT_EQ(FindNode(&f, 0x99)->cChildren, 0u);
    AppendTopLevel(&f, moved);
    EXPECT_EQ(TopLevel(f), (std::vector<uint64_t>{0x20, 0x99, 0x10}));
    EXPECT_EQ(FindNode(&f, 0x20)->cChildren, 0u);
}

// The orphans of one lost folder leave its waiting list one by one: from the
// front (as the gathering takes them) and from the middle; the parent that
// arrives late adopts exactly those still waiting, in list order. A file
// whose large folder lost its entry leaves hundreds of thousands of them:
// each leaves in constant time (a search of the list for each took minutes).
TEST(NodeTree, OrphansLeaveTheirWaitingListFromAnyPlace) {
    tpstfile f;
    const uint64_t lost = 0x8022, count = 300000;
    for (uint64_t i = 0; i < count; ++i)
        InsertNode(&f, Node(0x200024 + i * 32, lost));
    InsertNode(&f, Node(0x9002, 0));
    tnodeentry* gathering = FindNode(&f, 0x9002);
    std::vector<tnodeentry*> waiting;
    for (tnodeentry* n = f.pNodeFirst; n; n = n->pNext)
        if (n != gathering) waiting.push_back(n);
    ASSERT_EQ(waiting.size(), count);
    for (uint64_t i = 0; i + 3 < count; ++i) // all but the last three, in list order
        ASSERT_TRUE(AppendChild(&f, gathering, waiting[i]));
    tnodeentry* middle = waiting[count - 2];
    ASSERT_TRUE(AppendChild(&f, gathering, middle)); // not from the front
    EXPECT_EQ(gathering->cChildren, count - 2);
    InsertNode(&f, Node(lost, 0));
    EXPECT_EQ(Children(FindNode(&f, lost)),
              (std::vector<uint64_t>{waiting[count - 3]->nid, waiting[count - 1]->nid}));
    EXPECT_EQ(f.nodes.orphansByParent.count(lost), 0u);
    // Moved back to the top level, a node waits again and is adopted again.
    AppendTopLevel(&f, middle);
    EXPECT_EQ(middle->pParent, nullptr);
    InsertNode(&f, Node(lost, 0)); // a second entry of the folder's NID
    EXPECT_EQ(middle->pParent->nid, lost);
    EXPECT_EQ(f.nodes.orphansByParent.count(lost), 0u);
}

TEST(NodeTree, MatchesPreorderWalkOnRandomForest) {
    tpstfile f;
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    for (int i = 0; i < 3000; ++i)
        InsertNode(&f, Node(next() % 400, next() % 420));
    for (uint64_t nid = 0; nid < 420; ++nid)
        ASSERT_EQ(FindNode(&f, nid), WalkFind(f, nid)) << "nid " << nid;
}

TEST(NodeTree, LargeForestBuildsQuickly) {
    // Ascending NIDs under a few hundred folders, like an NBT walk delivers them.
    tpstfile f;
    InsertNode(&f, Node(0x122, 0x122));
    for (uint64_t i = 0; i < 500000; ++i) {
        uint64_t folder = 0x8002 + (i % 300) * 32;
        InsertNode(&f, Node(0x200004 + i * 32, i < 300 ? 0x122 : folder));
    }
    EXPECT_NE(FindNode(&f, 0x200004), nullptr);
    EXPECT_EQ(FindNode(&f, 0x7), nullptr);
}

} // namespace
