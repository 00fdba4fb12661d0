// The result codes of item access on a generated store: GetNextItem over
// ItemList and over the node tree, GetItemByIndex at and beyond the ends,
// and what each leaves in the caller's next and object variables.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <map>

#include "mailbox/uPST64File.h"
#include "tests/mailbox/OpenedMailbox.h"
#include "tools/pstwriter/PstMailbox.h"

namespace {

using opened::TempPath;

using namespace pstw;

Item Note(const std::string& subject) {
    Item item;
    item.subject = subject;
    return item;
}

// Top: Inbox (a, b), Sent Items (c), in that order.
class Enumeration : public ::testing::Test {
protected:
    void SetUp() override {
        Mailbox m;
        Folder inbox("Inbox"), sent("Sent Items");
        inbox.items = {Note("a"), Note("b")};
        sent.items = {Note("c")};
        m.ipmSubtree.folders = {inbox, sent};
        std::string path = TempPath("ostrel-enum");
        writeFile(path, writer_.write(m));
        pst_->Open(path);
        std::remove(path.c_str());
        inbox_ = Node(writer_.folder("Top of Personal Folders/Inbox")->nid);
        sent_ = Node(writer_.folder("Top of Personal Folders/Sent Items")->nid);
        for (const WrittenItem& i : writer_.items())
            items_[i.subject] = Node(i.nid);
        ASSERT_TRUE(inbox_ && sent_ && items_.size() == 3);
    }
    tnodeentry* Node(uint64_t nid) { return FindNode(&pst_->Engine, nid); }
    void CollectMail(tnodeentry* folder) {
        pst_->ClearItemList();
        pst_->Enumerating = true;
        pst_->CollectItems(folder->pFirstChild, kKindMail, 0);
        pst_->Enumerating = false;
    }
    std::string Subject(const std::unique_ptr<tpstmessage>& m) {
        return m && m->MailInfo && m->MailInfo->Subject ? TextOf(m->MailInfo->Subject->Text)
                                                        : "<none>";
    }

    MailboxWriter writer_;
    std::unique_ptr<TPst64File> pst_ = TPst64File::Create();
    tnodeentry* inbox_ = nullptr;
    tnodeentry* sent_ = nullptr;
    std::map<std::string, tnodeentry*> items_;
    tnodeentry* next_ = nullptr;
    std::unique_ptr<tpstmessage> object_;
};

TEST_F(Enumeration, WalkOverItemListEndsWithOne) {
    CollectMail(inbox_);
    ASSERT_EQ(pst_->ItemList->size(), 2u);
    // A node that is not in the list starts the walk: 0, the first entry, no object.
    object_ = std::make_unique<tpstmessage>();
    EXPECT_EQ(pst_->GetNextItem(inbox_, kKindMail, next_, object_), 0);
    EXPECT_EQ(next_, items_["a"]);
    EXPECT_FALSE(object_);
    EXPECT_EQ(pst_->GetNextItem(items_["a"], kKindMail, next_, object_), 0);
    EXPECT_EQ(next_, items_["b"]);
    EXPECT_EQ(Subject(object_), "a");
    EXPECT_EQ(pst_->GetNextItem(items_["b"], kKindMail, next_, object_), 1);
    EXPECT_EQ(next_, nullptr);
    EXPECT_EQ(Subject(object_), "b");
}

TEST_F(Enumeration, EmptyItemListAndNoNode) {
    CollectMail(sent_);
    pst_->ClearItemList();
    pst_->Enumerating = true;
    pst_->CollectItems(nullptr, kKindMail, 0);
    ASSERT_TRUE(pst_->ItemList && pst_->ItemList->empty());
    EXPECT_EQ(pst_->GetNextItem(inbox_, kKindMail, next_, object_), 0);
    EXPECT_EQ(next_, nullptr);
    // No node: -1, and the object variable is released all the same.
    object_ = std::make_unique<tpstmessage>();
    next_ = inbox_;
    EXPECT_EQ(pst_->GetNextItem(nullptr, kKindMail, next_, object_), -1);
    EXPECT_EQ(next_, nullptr);
    EXPECT_FALSE(object_);
}

TEST_F(Enumeration, WithoutItemListLastChildGoesToTheFoldersNextSibling) {
    ASSERT_FALSE(pst_->ItemList);
    EXPECT_EQ(pst_->GetNextItem(items_["a"], kAnyKind, next_, object_), 0);
    EXPECT_EQ(next_, items_["b"]);
    EXPECT_EQ(pst_->GetNextItem(items_["b"], kAnyKind, next_, object_), 0);
    EXPECT_EQ(next_, sent_);
    EXPECT_EQ(Subject(object_), "b");
    // Sent Items is the last folder: nothing after its last item.
    EXPECT_EQ(pst_->GetNextItem(items_["c"], kAnyKind, next_, object_), 1);
    EXPECT_EQ(next_, nullptr);
    EXPECT_EQ(Subject(object_), "c");
}

TEST_F(Enumeration, WithoutItemListAFolderLeadsToAMatchingChild) {
    tnodeentry* top = Node(kNidIpmSubtree);
    EXPECT_EQ(pst_->GetNextItem(inbox_, kAnyKind, next_, object_), 0);
    EXPECT_EQ(next_, items_["a"]);
    ASSERT_TRUE(object_ && object_->FolderCounts);
    EXPECT_EQ(pst_->GetNextItem(inbox_, kKindMail, next_, object_), 0);
    EXPECT_EQ(next_, items_["a"]);
    EXPECT_EQ(pst_->GetNextItem(top, kKindFolder, next_, object_), 0);
    EXPECT_EQ(next_, inbox_);
    // No child of that kind: next is none, so the result is 1.
    EXPECT_EQ(pst_->GetNextItem(inbox_, kKindContact, next_, object_), 1);
    EXPECT_EQ(next_, nullptr);
    EXPECT_TRUE(object_);
}

TEST_F(Enumeration, WithoutItemListANodeWithoutObjectGivesMinusOne) {
    auto made = std::make_unique<tnodeentry>();
    made->nid = 0x7FE4; // a top-level node with no blocks
    tnodeentry* empty = InsertNode(&pst_->Engine, std::move(made));
    EXPECT_EQ(pst_->GetNextItem(empty, kAnyKind, next_, object_), -1);
    EXPECT_FALSE(object_);
}

TEST_F(Enumeration, ItemByIndexAtAndBeyondTheEnds) {
    tnodeentry* node = nullptr;
    EXPECT_EQ(pst_->GetItemByIndex(0, node, next_, object_), -2); // no list yet
    CollectMail(inbox_);
    object_ = std::make_unique<tpstmessage>();
    EXPECT_EQ(pst_->GetItemByIndex(2, node, next_, object_), -2);
    EXPECT_FALSE(object_);
    EXPECT_EQ(pst_->GetItemByIndex(-1, node, next_, object_), -2);
    EXPECT_EQ(pst_->GetItemByIndex(0, node, next_, object_), 0);
    EXPECT_EQ(node, items_["a"]);
    EXPECT_EQ(next_, items_["b"]);
    EXPECT_EQ(Subject(object_), "a");
    EXPECT_EQ(pst_->GetItemByIndex(1, node, next_, object_), 1);
    EXPECT_EQ(node, items_["b"]);
    EXPECT_EQ(next_, nullptr);
    EXPECT_EQ(Subject(object_), "b");
    pst_->ClearItemList();
    EXPECT_FALSE(pst_->ItemList);
    EXPECT_EQ(pst_->GetItemByIndex(0, node, next_, object_), -2);
}

// An entry of the list whose object cannot be built is still delivered
// (with no object) by both operations.
TEST_F(Enumeration, ListedNodeWithoutObjectIsDeliveredEmpty) {
    CollectMail(inbox_);
    tnodeentry* b = items_["b"];
    b->pDataBlock = nullptr;
    EXPECT_EQ(pst_->GetNextItem(b, kKindMail, next_, object_), 1);
    EXPECT_FALSE(object_);
    tnodeentry* node = nullptr;
    EXPECT_EQ(pst_->GetItemByIndex(1, node, next_, object_), 1);
    EXPECT_EQ(node, b);
    EXPECT_FALSE(object_);
}

} // namespace
