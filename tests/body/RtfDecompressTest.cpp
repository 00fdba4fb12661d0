// Compressed RTF values ([MS-OXRTFCP] 2.1.3): the worked examples of section
// 3, the uncompressed form, and damaged headers and data.
#include <gtest/gtest.h>

#include "body/RtfDecompress.h"
#include "tests/body/RtfExamples.h"
#include "tools/pstwriter/PstRtf.h"

using namespace ostrel::body;
using namespace rtfexamples;

namespace {

void PutLe32(std::vector<uint8_t>& v, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        v[at + size_t(i)] = uint8_t(value >> (8 * i));
}

} // namespace

TEST(RtfDecompress, WorkedExamplesGiveTheirDocumentsAndCrc) {
    for (auto [value, rtf] :
         {std::pair{&kSimple, kSimpleRtf}, std::pair{&kCrossing, kCrossingRtf}}) {
        trtfdecompressed r = DecompressRtf(*value);
        EXPECT_EQ(r.Status, RtfDecompressStatus::Ok);
        EXPECT_TRUE(r.Compressed);
        EXPECT_FALSE(r.CrcMismatch);
        EXPECT_EQ(r.Rtf, rtf);
        EXPECT_EQ(r.RawSize, rtf.size());
    }
}

TEST(RtfDecompress, CrcMismatchIsNotedButTheTextIsKept) {
    std::vector<uint8_t> value = kSimple;
    value[12] ^= 0xFF; // the CRC field
    trtfdecompressed r = DecompressRtf(value);
    EXPECT_TRUE(r.CrcMismatch);
    EXPECT_EQ(r.Status, RtfDecompressStatus::Ok);
    EXPECT_EQ(r.Rtf, kSimpleRtf);
    // A changed literal: its CRC no longer matches and the literal shows.
    value = kSimple;
    value[32] = 'H'; // "hel" → "Hel"
    r = DecompressRtf(value);
    EXPECT_TRUE(r.CrcMismatch);
    EXPECT_NE(r.Rtf.find("Hello"), std::string::npos);
}

TEST(RtfDecompress, UncompressedFormIsTakenAsItIsWithoutCrc) {
    const std::string rtf = "{\\rtf1\\ansi plain}";
    trtfdecompressed r = DecompressRtf(pstw::uncompressedRtf(rtf));
    EXPECT_EQ(r.Status, RtfDecompressStatus::Ok);
    EXPECT_FALSE(r.Compressed);
    EXPECT_FALSE(r.CrcMismatch);
    EXPECT_EQ(r.Rtf, rtf);
}

TEST(RtfDecompress, DamagedHeadersAndData) {
    EXPECT_EQ(DecompressRtf(std::vector<uint8_t>(15, 0)).Status, RtfDecompressStatus::NoHeader);
    std::vector<uint8_t> value = kSimple;
    value[8] = 'X';
    EXPECT_EQ(DecompressRtf(value).Status, RtfDecompressStatus::UnknownType);

    // Cut before the end marker: what was read stays, marked.
    value.assign(kSimple.begin(), kSimple.end() - 6);
    trtfdecompressed r = DecompressRtf(value);
    EXPECT_EQ(r.Status, RtfDecompressStatus::Truncated);
    EXPECT_TRUE(r.CrcMismatch);
    EXPECT_TRUE(kSimpleRtf.starts_with(r.Rtf));
    EXPECT_GT(r.Rtf.size(), 20u);

    // RAWSIZE below the document cuts it there; above, the end marker ends it.
    value = kSimple;
    PutLe32(value, 4, 10);
    r = DecompressRtf(value);
    EXPECT_EQ(r.Status, RtfDecompressStatus::Ok);
    EXPECT_EQ(r.Rtf, kSimpleRtf.substr(0, 10));
    PutLe32(value, 4, 0xFFFFFFFF);
    r = DecompressRtf(value);
    EXPECT_EQ(r.Rtf, kSimpleRtf);
    EXPECT_EQ(r.Status, RtfDecompressStatus::Ok);

    // The writer's empty value (a header that claims data it lacks).
    value.assign(kSimple.begin(), kSimple.begin() + 16);
    r = DecompressRtf(value);
    EXPECT_EQ(r.Status, RtfDecompressStatus::Truncated);
    EXPECT_TRUE(r.Rtf.empty());

    // MELA with RAWSIZE beyond the data, and a COMPSIZE below the header part.
    value = pstw::uncompressedRtf("{\\rtf1 x}");
    PutLe32(value, 4, 1000);
    EXPECT_EQ(DecompressRtf(value).Status, RtfDecompressStatus::Truncated);
    EXPECT_EQ(DecompressRtf(value).Rtf, "{\\rtf1 x}");
    PutLe32(value, 0, 3);
    EXPECT_TRUE(DecompressRtf(value).Rtf.empty());
}

TEST(RtfDecompress, EndlessReferencesStopAtRawSize) {
    // Control bytes of all references that never name the write position:
    // the output would grow without end but for RAWSIZE.
    std::vector<uint8_t> value(16, 0);
    for (int run = 0; run < 4000; ++run) {
        value.push_back(0xFF);
        for (int k = 0; k < 8; ++k) {
            value.push_back(0x00);
            value.push_back(0x0F);
        }
    }
    PutLe32(value, 0, uint32_t(value.size() - 4));
    PutLe32(value, 4, 5000);
    PutLe32(value, 8, 0x75465A4C);
    trtfdecompressed r = DecompressRtf(value);
    EXPECT_EQ(r.Rtf.size(), 5000u);
    EXPECT_EQ(r.Status, RtfDecompressStatus::Ok);
}
