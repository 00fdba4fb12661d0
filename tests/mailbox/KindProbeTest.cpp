// The collections' cheap read against the whole build: on every shared
// sample, on generated mailboxes of both layouts, every encoding and every
// item kind (the fuzz seeds, and the 4 KiB OST), and on damaged copies of
// them, every node gives the same kind and records both ways, and the
// collections that read cheaply and pass by what cannot matter give the
// same folder list (kinds, counts, recovered and orphaned items) and item
// lists as whole builds of every node.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "mailbox/uPST64File.h"
#include "tests/fuzz/Mutations.h"
#include "tests/fuzz/Seed4k.h"
#include "tests/fuzz/SeedMailboxes.h"
#include "tests/mailbox/OpenedMailbox.h"
#include "tests/mailbox/ProbeAgreement.h"
#include "tools/pstwriter/PstMailbox.h"
#include "tools/pstwriter/PstWriter.h"

namespace {

namespace fs = std::filesystem;
using opened::OpenBytes;

constexpr int kDamagedCopies = 150;
constexpr size_t kChangesPerCopy = 6;
constexpr size_t kMutationRecordBytes = 8;

bool IsMailboxFile(const fs::path& p) {
    const std::string ext = p.extension().string();
    return ext == ".pst" || ext == ".ost";
}

TEST(KindProbe, AgreesWithTheWholeBuildOnEverySample) {
    const fs::path dir = OSTREL_SAMPLES_DIR;
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no samples in " << dir;
    int opened = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file() || !IsMailboxFile(entry.path())) continue;
        TPst64File pst;
        pst.Open(entry.path().string());
        EXPECT_EQ(probe::Disagreements(&pst.Engine), "") << entry.path();
        EXPECT_EQ(probe::CollectionDisagreement(pst), "") << entry.path();
        ++opened;
    }
    EXPECT_GT(opened, 0);
}

TEST(KindProbe, AgreesOnGeneratedMailboxesOfEveryKind) {
    for (const ostrel::fuzz::SeedMailbox& seed : ostrel::fuzz::SeedMailboxes()) {
        auto pst = OpenBytes(seed.bytes);
        ASSERT_TRUE(pst->Unreadable.empty()) << pst->Unreadable;
        EXPECT_GT(pst->Engine.nodes.owned.size(), 20u);
        EXPECT_EQ(probe::Disagreements(&pst->Engine), "");
        EXPECT_EQ(probe::CollectionDisagreement(*pst), "");
    }
    auto ost = OpenBytes(ostrel::fuzz::Seed4kImage());
    EXPECT_EQ(probe::Disagreements(&ost->Engine), "");
    EXPECT_EQ(probe::CollectionDisagreement(*ost), "");
}

// Bodies in the heap, in a subnode block and in a data tree: the probe
// leaves the last two unread and still agrees.
TEST(KindProbe, AgreesOnBigBodiesAndDataTrees) {
    pstw::Mailbox m;
    pstw::Folder inbox("Inbox");
    for (size_t size : {size_t(100), size_t(9000), size_t(300000)}) {
        pstw::Item item;
        item.subject = "body " + std::to_string(size);
        item.body = std::string(size, 'b');
        inbox.items.push_back(item);
    }
    m.ipmSubtree.folders = {inbox};
    for (pstw::Layout layout : {pstw::Layout::Ansi, pstw::Layout::Unicode}) {
        pstw::MailboxWriter writer({layout, 1});
        auto pst = OpenBytes(writer.write(m));
        EXPECT_EQ(probe::Disagreements(&pst->Engine), "");
    }
}

// Damaged copies: random changes to pages, blocks and heaps of the seeds.
TEST(KindProbe, AgreesOnDamagedMailboxes) {
    std::mt19937 random(19);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int copy = 0; copy < kDamagedCopies; ++copy) {
        std::vector<uint8_t> input(1 + kChangesPerCopy * kMutationRecordBytes);
        for (uint8_t& b : input)
            b = uint8_t(byte(random));
        auto pst = OpenBytes(ostrel::fuzz::MutatedSeed(input.data(), input.size()));
        EXPECT_EQ(probe::Disagreements(&pst->Engine), "") << "copy " << copy;
        EXPECT_EQ(probe::CollectionDisagreement(*pst), "") << "copy " << copy;
    }
}

} // namespace
