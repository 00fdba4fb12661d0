// Finding or making the IPM subtree node named by the message store.
#include <gtest/gtest.h>

#include "engine/messaging/StoreNode.h"
#include "tests/engine/ndb/FileImage.h"

namespace {

std::string EntryIdNaming(uint32_t nid) {
    std::string id(24, '\0'); // rgbFlags, provider UID, then the NID
    for (int i = 0; i < 4; ++i)
        id[size_t(20 + i)] = char(uint8_t(nid >> (8 * i)));
    return id;
}

} // namespace

TEST(FindOrAddNode, NeedsAStoreRecord) {
    tpstfile file;
    EXPECT_EQ(FindOrAddNode(&file, nullptr), nullptr);
    tpstmessage store;
    EXPECT_EQ(FindOrAddNode(&file, &store), nullptr);
    EXPECT_EQ(file.pNodeFirst, nullptr);
}

TEST(FindOrAddNode, WithoutEntryIdTheDefaultSubtreeIsMadeAndAdoptsItsChildren) {
    tpstfile file;
    InsertNode(&file, testimg::Node(0x122, 0x122));
    InsertNode(&file, testimg::Node(0x8022, 0x2142)); // waits for its parent
    file.cNodes = 2;
    tpstmessage store;
    store.StoreInfo = std::make_unique<tstoreinfo>();
    tnodeentry* made = FindOrAddNode(&file, &store);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->nid, 0x2142u);
    EXPECT_EQ(made->pParent, nullptr);
    EXPECT_EQ(made->pDataBlock, nullptr);
    ASSERT_NE(made->pFirstChild, nullptr);
    EXPECT_EQ(made->pFirstChild->nid, 0x8022u);
    EXPECT_EQ(made->cChildren, 1u);
    EXPECT_EQ(file.cNodes, 2u);
    // A second call finds the node it made.
    EXPECT_EQ(FindOrAddNode(&file, &store), made);
}

TEST(FindOrAddNode, TheEntryIdNamesTheNode) {
    tpstfile file;
    tnodeentry* existing = InsertNode(&file, testimg::Node(0x8042, 0x122));
    tpstmessage store;
    store.StoreInfo = std::make_unique<tstoreinfo>();
    store.StoreInfo->IpmSubtreeEntryId = EntryIdNaming(0x8042);
    EXPECT_EQ(FindOrAddNode(&file, &store), existing);
    // An entry id too short to hold a NID counts as none.
    store.StoreInfo->IpmSubtreeEntryId = EntryIdNaming(0x8042).substr(0, 23);
    tnodeentry* made = FindOrAddNode(&file, &store);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->nid, 0x2142u);
}
