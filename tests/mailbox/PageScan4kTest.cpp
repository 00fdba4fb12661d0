// The two page scans of the open in the 4 KiB layout: the layout probe and
// the root search over 4096-byte pages, and the recovery of the entries of
// leaf pages that the B-tree roots no longer reach (BBT entries with both
// sizes, so that a recovered compressed block still inflates).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "mailbox/uPST64File.h"
#include "tests/engine/ndb/Image4k.h"
#include "tests/mailbox/OpenedMailbox.h"

namespace {

using namespace img4k;

constexpr uint64_t kBlockBid = 0x2004, kOrphanBlockBid = 0x200C;
constexpr uint64_t kOrphanNid = 0x8042;
constexpr size_t kBlockAt = Trees::kFirstBlock, kOrphanBlockAt = 0x28000;
constexpr size_t kOrphanBbtLeaf = 0x2A000, kOrphanNbtLeaf = 0x2B000;
constexpr uint64_t kOrphanBbtLeafBid = 0x1010, kOrphanNbtLeafBid = 0x1014;

std::vector<uint8_t> Text(size_t size) {
    std::vector<uint8_t> v(size);
    for (size_t i = 0; i < size; ++i)
        v[i] = uint8_t('a' + (i * 7 / 3) % 26);
    return v;
}

// One block and node 0x21 reached from the roots; a compressed block and
// node kOrphanNid listed only by leaf pages that no root reaches.
struct Orphans {
    Image4k img;
    std::vector<uint8_t> data = Text(3000);
    std::vector<uint8_t> stream = Deflate(data);

    Orphans() {
        img.block(kBlockAt, kBlockBid, data, uint16_t(data.size()));
        img.bbtEntry(Trees::kBbtLeaf, 0, kBlockBid, kBlockAt, uint16_t(data.size()),
                     uint16_t(data.size()));
        img.nbtEntry(Trees::kNbtLeaf, 0, 0x21, kBlockBid, 0, 0);
        SealTrees(img, 1, kBlockBid, 1, 0x21);

        img.block(kOrphanBlockAt, kOrphanBlockBid, stream, uint16_t(data.size()));
        img.bbtEntry(kOrphanBbtLeaf, 0, kOrphanBlockBid, kOrphanBlockAt, uint16_t(stream.size()),
                     uint16_t(data.size()));
        img.page(kOrphanBbtLeaf, false, 0, 1, kOrphanBbtLeafBid);
        img.nbtEntry(kOrphanNbtLeaf, 0, kOrphanNid, kOrphanBlockBid, 0, 0x122);
        img.page(kOrphanNbtLeaf, true, 0, 1, kOrphanNbtLeafBid);
    }
};

// The engine open and the scans of the open sequence, in its order.
std::unique_ptr<TPst64File> Scan(const Image4k& img, bool recover) {
    std::string path = opened::TempPath("ostrel-scan4k");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(img.bytes.data()), std::streamsize(img.bytes.size()));
    auto pst = TPst64File::Create();
    EXPECT_EQ(OpenPstFile(&pst->Engine, path), 0);
    pst->FindIndexRoots();
    BuildIndexes(&pst->Engine);
    if (recover) pst->RecoverIndexEntries();
    std::remove(path.c_str());
    return pst;
}

TEST(PageScan4k, RootSearchWalksFourKibPages) {
    for (uint16_t ver : {uint16_t(36), uint16_t(23)}) {
        SCOPED_TRACE(ver);
        Orphans o;
        o.img.header(0, 0, 0, 0, ver); // no roots in the header: the scan must find them
        auto pst = Scan(o.img, false);
        EXPECT_EQ(pst->Engine.layout, tlayout::Unicode4k) << "the allocation map decides";
        EXPECT_EQ(pst->Engine.fUnicode, 1);
        EXPECT_EQ(pst->Engine.ibBBT, int64_t(Trees::kBbtRoot));
        EXPECT_EQ(pst->Engine.bidBBT, Trees::kBbtRootBid);
        EXPECT_EQ(pst->Engine.ibNBT, int64_t(Trees::kNbtRoot));
        EXPECT_NE(FindNode(&pst->Engine, 0x21), nullptr);
    }
}

TEST(PageScan4k, OrphanedLeafEntriesComeBackWithBothSizes) {
    Orphans o;
    auto walked = Scan(o.img, false);
    EXPECT_EQ(FindBlock(&walked->Engine, kOrphanBlockBid), nullptr) << "not reached by the roots";
    EXPECT_EQ(FindNode(&walked->Engine, kOrphanNid), nullptr);

    auto pst = Scan(o.img, true);
    tpstfile* file = &pst->Engine;
    tblockentry* block = FindBlock(file, kOrphanBlockBid);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->cb, o.stream.size());
    EXPECT_EQ(block->cbInflated, o.data.size());
    tnodeentry* node = FindNode(file, kOrphanNid);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->pDataBlock, block);
    tbuffer data;
    ASSERT_EQ(ReadBlockDecoded(file, data, kOrphanBlockBid), int32_t(o.data.size()));
    EXPECT_EQ(data, o.data);
}

TEST(PageScan4k, LeafWithBadCrcIsNotRecovered) {
    Orphans o;
    o.img.put8(kOrphanBbtLeaf + 100, 0x5A); // after sealing: the CRC no longer fits
    auto pst = Scan(o.img, true);
    EXPECT_EQ(FindBlock(&pst->Engine, kOrphanBlockBid), nullptr);
    ASSERT_NE(FindNode(&pst->Engine, kOrphanNid), nullptr) << "its NBT leaf is intact";
    EXPECT_EQ(FindNode(&pst->Engine, kOrphanNid)->pDataBlock, nullptr);
}

} // namespace
