// Opening and closing files: signature and version checks, the per-layout
// header offsets, sign widening of ANSI values, and the record's life cycle.
#include "tests/engine/ndb/FileImage.h"

using namespace testimg;

namespace {

std::string SaveRaw(const std::vector<uint8_t>& data) {
    FileImage img(true, 0);
    img.bytes = data;
    return img.save(TestFileName());
}

TEST(OpenPstFile, ShortFileAndWrongSignatureFailAndClose) {
    tpstfile file;
    EXPECT_EQ(OpenPstFile(&file, SaveRaw({'!', 'B', 'D'})), -1);
    EXPECT_EQ(file.hFile, -1);
    EXPECT_EQ(OpenPstFile(&file, SaveRaw({'F', 'r', 'o', 'm', ' ', 'x'})), -2);
    EXPECT_EQ(file.hFile, -1);
    EXPECT_EQ(ClosePstFile(&file), -1);
    EXPECT_EQ(OpenPstFile(nullptr, "x"), -1);
    EXPECT_EQ(OpenPstFile(&file, ::testing::TempDir() + "/does-not-exist.pst"), -1);
    EXPECT_EQ(OpenPstFile(&file, ::testing::TempDir()), -1) << "a directory is not a mailbox";
}

struct LayoutCase {
    uint16_t wVer;
    int fUnicode;
};

class HeaderLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(HeaderLayout, VersionSelectsOffsets) {
    LayoutCase c = GetParam();
    FileImage img(c.fUnicode == 1, 0x1000);
    img.put32(0, 0x4E444221);
    img.put16(10, c.wVer);
    const theaderoffsets& h = c.fUnicode ? kUnicodeHeader : kAnsiHeader;
    img.put8(h.bCryptMethod, 2);
    img.putId(h.bidNBT, 0x1111);
    img.putId(h.ibNBT, 0x2222);
    img.putId(h.bidBBT, 0x3333);
    img.putId(h.ibBBT, 0x4444);
    img.putId(h.ibFileEof, 0x5555);
    tpstfile file;
    OpenImage(img, file);
    EXPECT_EQ(file.wVer, c.wVer);
    EXPECT_EQ(file.fUnicode, c.fUnicode);
    EXPECT_EQ(file.bCryptMethod, 2);
    EXPECT_EQ(file.bidNBT, 0x1111u);
    EXPECT_EQ(file.ibNBT, 0x2222);
    EXPECT_EQ(file.bidBBT, 0x3333u);
    EXPECT_EQ(file.ibBBT, 0x4444);
    EXPECT_EQ(file.ibFileEof, 0x5555);
    EXPECT_EQ(ClosePstFile(&file), 0);
    EXPECT_EQ(ClosePstFile(&file), -1);
}

// 36 and 37 (the 4 KiB layout) keep the Unicode header; 99 is no known
// version: read with the ANSI offsets, without complaint.
INSTANTIATE_TEST_SUITE_P(Versions, HeaderLayout,
                         ::testing::Values(LayoutCase{14, 0}, LayoutCase{15, 0}, LayoutCase{21, 1},
                                           LayoutCase{23, 1}, LayoutCase{36, 1}, LayoutCase{37, 1},
                                           LayoutCase{99, 0}));

TEST(OpenPstFile, AnsiValuesWidenWithSign) {
    FileImage img(false, 0x1000);
    img.header(0, 0xFFFFFFF0, 0x80000000, 1, 2);
    tpstfile file;
    OpenImage(img, file);
    EXPECT_EQ(int64_t(file.bidNBT), -16);
    EXPECT_EQ(file.ibNBT, -0x80000000LL);
    EXPECT_EQ(ReadSizedValueAt(&file, kAnsiHeader.bidNBT), -16);
}

TEST(OpenPstFile, HeaderCutShortReadsZeros) {
    // Only the signature and version: every root field lies past the end.
    FileImage img(true, 12);
    img.put32(0, 0x4E444221);
    img.put16(10, 23);
    tpstfile file;
    OpenImage(img, file);
    EXPECT_EQ(file.fUnicode, 1);
    EXPECT_EQ(file.bidNBT, 0u);
    EXPECT_EQ(file.ibBBT, 0);
    EXPECT_EQ(file.bCryptMethod, 0);
    EXPECT_EQ(ReadSizedValueAt(&file, 8), 0) << "field runs past the end";
}

TEST(OpenPstFile, ReopenStartsFromZero) {
    FileImage img(true, 0x1000);
    img.header(1, 0, 0, 0, 0);
    tpstfile file;
    OpenImage(img, file);
    InsertBlock(&file, Block(8, 0x100, 10));
    InsertNode(&file, Node(0x21, 0));
    file.cBlocks = 7;
    file.fOffline = 1;
    EXPECT_EQ(ClosePstFile(&file), 0);
    EXPECT_EQ(file.pBlockIndex, nullptr);
    EXPECT_EQ(file.pNodeFirst, nullptr);
    ASSERT_EQ(OpenPstFile(&file, img.save(TestFileName())), 0);
    EXPECT_EQ(file.cBlocks, 0u);
    EXPECT_EQ(file.fOffline, 0);
    EXPECT_EQ(FindNode(&file, 0x21), nullptr);
    EXPECT_EQ(FindBlock(&file, 8), nullptr);
}

TEST(ReadAt, OffsetsAbsoluteAndRelative) {
    FileImage img(true, 0x100);
    img.header(0, 0, 0, 0, 0);
    img.grow(0x300);
    for (int i = 0x20; i < 0x100; ++i)
        img.bytes[size_t(i)] = uint8_t(i);
    tpstfile file;
    OpenImage(img, file);
    uint8_t b[4] = {};
    EXPECT_EQ(ReadAt(&file, b, 2, 0x40), 2);
    EXPECT_EQ(b[0], 0x40);
    EXPECT_EQ(ReadAt(&file, b, 1, -1), 1) << "one back from the position after the last read";
    EXPECT_EQ(b[0], 0x41);
    EXPECT_EQ(ReadAt(&file, b, 4, 0x2FE), 2) << "short at the end of the file";
    EXPECT_EQ(ReadAt(&file, b, 4, -0x1000), 0) << "cannot be positioned";
    tbuffer buf{1, 2, 3};
    EXPECT_EQ(ReadFreshBuffer(&file, 3, buf, 0x80), 3);
    EXPECT_EQ(buf, (tbuffer{0x80, 0x81, 0x82}));
}

// A buffer is reused from read to read: what a read leaves must be zeros,
// never the bytes of the read before.
TEST(ReadAt, FreshBufferKeepsNothingOfTheReadBefore) {
    FileImage img(true, 0x100);
    img.header(0, 0, 0, 0, 0);
    img.grow(0x300);
    img.bytes[0x2FE] = 0x11;
    img.bytes[0x2FF] = 0x22;
    tpstfile file;
    OpenImage(img, file);
    tbuffer buf(16, 0xAA);
    EXPECT_EQ(ReadFreshBuffer(&file, 6, buf, 0x2FE), 2) << "short at the end of the file";
    EXPECT_EQ(buf, (tbuffer{0x11, 0x22, 0, 0, 0, 0}));
    buf.assign(8, 0xAA);
    EXPECT_EQ(ReadFreshBuffer(&file, 12, buf, 0x400), 0) << "wholly past the end";
    EXPECT_EQ(buf, tbuffer(12, 0));
    buf.assign(8, 0xAA);
    EXPECT_LE(ReadFreshBuffer(&file, 4, buf, -0x1000), 0) << "cannot be positioned";
    EXPECT_EQ(buf, tbuffer(4, 0));
    EXPECT_EQ(ReadFreshBuffer(&file, -1, buf, 0), 0);
    EXPECT_TRUE(buf.empty());
}

} // namespace
