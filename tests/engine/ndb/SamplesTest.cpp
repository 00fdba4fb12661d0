// The node database layer on real mailboxes written by real mail software:
// every intact file opens and its header roots load the message store and
// the root folder; the damaged ones and the impostor fail cleanly.
#include "tests/engine/ndb/FileImage.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> SamplePaths() {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(OSTREL_SAMPLES_DIR, ec))
        if (e.path().extension() == ".pst" || e.path().extension() == ".ost" ||
            e.path().extension() == ".bin")
            out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

bool Contains(const std::string& s, const char* part) {
    return s.find(part) != std::string::npos;
}

TEST(Samples, IntactFilesLoadStoreAndRootFolder) {
    auto paths = SamplePaths();
    if (paths.empty()) GTEST_SKIP() << "no sample mailboxes in " << OSTREL_SAMPLES_DIR;
    int intact = 0;
    for (const auto& path : paths) {
        SCOPED_TRACE(path);
        if (Contains(path, "truncated-in-header") || Contains(path, "SMTP_Outlook") ||
            Contains(path, "AddingBulkMessages"))
            continue;
        tpstfile file;
        ASSERT_EQ(OpenPstFile(&file, path), 0);
        EXPECT_EQ(BuildIndexes(&file), 1);
        EXPECT_GT(file.cBlocks, 0u);
        EXPECT_NE(FindNode(&file, 0x21), nullptr) << "message store";
        tnodeentry* root = FindNode(&file, 0x122);
        ASSERT_NE(root, nullptr) << "root folder";
        EXPECT_EQ(root->pParent, nullptr);
        EXPECT_NE(root->pDataBlock, nullptr);
        EXPECT_EQ(ClosePstFile(&file), 0);
        ++intact;
    }
    EXPECT_EQ(intact, 28);
}

TEST(Samples, LayoutsAsRecordedInTheHeader) {
    std::string ansi = OSTREL_SAMPLES_DIR "/emk_pstsdk__test_ansi.pst";
    std::string ost = OSTREL_SAMPLES_DIR "/aspose-email_Aspose.Email-for-.NET__SampleOstFile.ost";
    if (!fs::exists(ansi) || !fs::exists(ost))
        GTEST_SKIP() << "sample mailboxes missing in " << OSTREL_SAMPLES_DIR;
    tpstfile file;
    ASSERT_EQ(OpenPstFile(&file, ansi), 0);
    EXPECT_EQ(file.wVer, 14);
    EXPECT_EQ(file.fUnicode, 0);
    EXPECT_EQ(file.bCryptMethod, 1);
    ASSERT_EQ(OpenPstFile(&file, ost), 0);
    EXPECT_EQ(file.wVer, 23);
    EXPECT_EQ(file.fUnicode, 1);
}

TEST(Samples, DamagedFilesFailCleanly) {
    std::string dir = OSTREL_SAMPLES_DIR;
    if (!fs::exists(dir + "/Jmcleodfoss_pstreader__truncated-in-header.bin"))
        GTEST_SKIP() << "sample mailboxes missing in " << dir;
    tpstfile file;
    // 40 bytes: a signature but no roots. It opens; the walks find nothing.
    ASSERT_EQ(OpenPstFile(&file, dir + "/Jmcleodfoss_pstreader__truncated-in-header.bin"), 0);
    EXPECT_EQ(BuildIndexes(&file), 1);
    EXPECT_EQ(file.cBlocks, 0u);
    EXPECT_EQ(file.cNodes, 0u);
    EXPECT_EQ(ClosePstFile(&file), 0);
    // An mbox text file named .pst.
    EXPECT_EQ(OpenPstFile(&file, dir + "/aspose-email_Aspose.Email-for-C__SMTP_Outlook.pst"), -2);
    EXPECT_EQ(file.hFile, -1);
    // The header CRC is not checked here, so this one opens; whatever its
    // trees hold, the walks must end without fault.
    ASSERT_EQ(OpenPstFile(&file, dir + "/aspose-email_Aspose.Email-for-.NET__"
                                       "AddingBulkMessagesWithImprovedPerformance.pst"),
              0);
    EXPECT_EQ(BuildIndexes(&file), 1);
}

} // namespace
