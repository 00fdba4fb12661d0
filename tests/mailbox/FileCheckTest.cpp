// The reasons a file shows nothing, on generated files spoilt one way each:
// the faults that stop the open at once, those told only when the page scans
// found nothing, and a damaged header that the scans read past.
#include <gtest/gtest.h>

#include "mailbox/uPST64File.h"
#include "tests/mailbox/OpenedMailbox.h"
#include "tools/pstwriter/PstDamage.h"
#include "tools/pstwriter/PstMailbox.h"

namespace {

using opened::OpenBytes;
using namespace pstw;

constexpr size_t kVersionOffset = 10;
constexpr size_t kFirstAMap = 0x4400;
constexpr size_t kPage = 512;

class FileCheck : public ::testing::TestWithParam<Layout> {
protected:
    void SetUp() override {
        Options o;
        o.layout = GetParam();
        Mailbox m;
        m.ipmSubtree.folders = {Folder("Inbox")};
        bytes_ = MailboxWriter(o).write(m);
    }
    std::string Reason(const std::vector<uint8_t>& file) { return OpenBytes(file)->Unreadable; }
    uint16_t Version() const { return GetParam() == Layout::Unicode ? 23 : 14; }
    std::vector<uint8_t> bytes_;
};

INSTANTIATE_TEST_SUITE_P(Layouts, FileCheck, ::testing::Values(Layout::Ansi, Layout::Unicode),
                         [](const auto& info) {
                             return info.param == Layout::Unicode ? "Unicode" : "Ansi";
                         });

TEST_P(FileCheck, IntactFileHasNoReason) {
    auto pst = OpenBytes(bytes_);
    EXPECT_EQ(pst->Unreadable, "");
    EXPECT_TRUE(pst->Engine.pNodeFirst);
}

TEST_P(FileCheck, FileWithoutSignatureOrHeaderStopsAtOnce) {
    std::vector<uint8_t> file = bytes_;
    file[0] = 'X';
    EXPECT_EQ(Reason(file), "not an Outlook data file (it does not begin with \"!BDN\")");
    EXPECT_EQ(Reason({'!', 'B'}), "too short for an Outlook data file (2 bytes)");
    std::vector<uint8_t> cut(bytes_.begin(), bytes_.begin() + 300);
    EXPECT_EQ(Reason(cut), "too short: 300 bytes, the header alone takes " +
                               std::string(GetParam() == Layout::Unicode ? "564" : "512") +
                               " bytes");
}

// An unknown version is read all the same (the page scan finds the layout);
// it is the reason only when nothing was found.
TEST_P(FileCheck, UnknownVersionIsToldWhenNothingWasFound) {
    std::vector<uint8_t> file = bytes_;
    file[kVersionOffset] = 99;
    file[kVersionOffset + 1] = 0;
    resealHeader(file, GetParam());
    EXPECT_EQ(Reason(file), "");
    truncateFile(file, kFirstAMap);
    EXPECT_EQ(Reason(file).rfind("unknown file version 99 (", 0), 0u) << Reason(file);
}

TEST_P(FileCheck, HeaderFailingItsCrcIsReadPastAndToldWhenNothingWasFound) {
    std::vector<uint8_t> file = bytes_;
    file[kVersionOffset + 8] ^= 0xFF; // inside both CRCs' ranges, in no field the open reads
    auto pst = OpenBytes(file);
    EXPECT_EQ(pst->Unreadable, "");
    EXPECT_TRUE(pst->CurrentObject);
    truncateFile(file, kFirstAMap + kPage);
    EXPECT_EQ(Reason(file), "the header fails its CRC and no index page was found");
}

TEST_P(FileCheck, FileEndingBeforeItsFirstPageIsTooShort) {
    std::vector<uint8_t> file = bytes_;
    truncateFile(file, kFirstAMap);
    EXPECT_EQ(Reason(file), "too short: 17408 bytes, the file ends before its first page");
}

// Every page gone: no B-tree page of any layout is left.
TEST_P(FileCheck, FileWithoutPagesOfAKnownLayoutSaysSo) {
    std::vector<uint8_t> file = bytes_;
    std::fill(file.begin() + kFirstAMap, file.end(), 0);
    EXPECT_EQ(Reason(file), "no B-tree page of a layout this program reads (version " +
                                std::to_string(Version()) + ")");
}

// A mailbox opened after a file that is none: the reason goes, the new
// mailbox is read; and the other way round nothing of the first is kept.
TEST_P(FileCheck, ReopeningForgetsThePreviousFile) {
    std::string bad = opened::TempPath("ostrel-check");
    std::string good = opened::TempPath("ostrel-check");
    writeFile(bad, {'n', 'o', 'p', 'e', '!'});
    writeFile(good, bytes_);
    TPst64File pst;
    pst.Open(good);
    ASSERT_TRUE(pst.Engine.pNodeFirst);
    pst.Open(bad);
    EXPECT_NE(pst.Unreadable, "");
    EXPECT_FALSE(pst.Engine.pNodeFirst);
    EXPECT_FALSE(pst.CurrentNode);
    pst.Open(good);
    EXPECT_EQ(pst.Unreadable, "");
    EXPECT_TRUE(pst.Engine.pNodeFirst);
    std::remove(bad.c_str());
    std::remove(good.c_str());
}

} // namespace
