// The node database on the shared OST sample in the 4 KiB layout: the
// header roots load both B-trees (1009 blocks, 586 of them compressed, and
// 518 nodes, as a walk of the file's pages by hand counts them), and every
// block reads whole: stored ones as they are, compressed ones inflated to
// the size their BBT entry gives, up to 65,512 bytes.
#include "tests/engine/ndb/FileImage.h"

#include <filesystem>
#include <functional>

namespace {

const std::string kSample =
    std::string(OSTREL_SAMPLES_DIR) + "/ost4k/pst-extractor__pstextractortestpdf@outlook.com.ost";

void ForEachBlock(tblockentry* e, const std::function<void(tblockentry*)>& visit) {
    if (!e) return;
    ForEachBlock(e->pLesser, visit);
    visit(e);
    ForEachBlock(e->pGreater, visit);
}

TEST(Ost4kSampleEngine, IndexesLoadAndEveryBlockReads) {
    if (!std::filesystem::is_regular_file(kSample))
        GTEST_SKIP() << "sample " << kSample << " not found";
    tpstfile file;
    ASSERT_EQ(OpenPstFile(&file, kSample), 0);
    EXPECT_EQ(file.wVer, 36);
    EXPECT_EQ(file.layout, tlayout::Unicode4k);
    EXPECT_EQ(file.bCryptMethod, 0);
    BuildIndexes(&file);
    EXPECT_EQ(file.cBlocks, 1009u);
    EXPECT_EQ(file.cNodes, 518u);
    int compressed = 0, unreadable = 0;
    uint64_t largest = 0;
    ForEachBlock(file.pBlockIndex, [&](tblockentry* e) {
        tbuffer data;
        int32_t n = ReadBlock(&file, data, uint64_t(e->bid));
        compressed += IsCompressedBlock(e);
        largest = std::max(largest, BlockDataSize(e));
        if (n != int32_t(BlockDataSize(e))) ++unreadable;
    });
    EXPECT_EQ(compressed, 586);
    EXPECT_EQ(unreadable, 0);
    EXPECT_EQ(largest, 65512u);
    tnodeentry* store = FindNode(&file, 0x21);
    ASSERT_NE(store, nullptr);
    EXPECT_NE(store->pDataBlock, nullptr);
}

} // namespace
