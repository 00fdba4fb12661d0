// The substitution tables, both decoders and the CRC.
#include "tests/engine/ndb/FileImage.h"

#include <set>

using namespace testimg;

namespace {

TEST(CryptTables, AreInversePermutations) {
    std::set<int> r(std::begin(mpbbR), std::end(mpbbR));
    EXPECT_EQ(r.size(), 256u) << "mpbbR is a permutation";
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(mpbbI[mpbbR[b]], b);
        EXPECT_EQ(mpbbS[mpbbS[b]], b);
    }
    // Spot values from the published table.
    EXPECT_EQ(mpbbR[0], 65);
    EXPECT_EQ(mpbbS[0], 20);
    EXPECT_EQ(mpbbI[0], 71);
    EXPECT_EQ(mpbbI[255], 236);
}

TEST(DecodeBlock, PermutationUsesInverseTable) {
    std::vector<uint8_t> data{0, 1, 255};
    EXPECT_EQ(DecodeBlock(data.data(), 3, 1, 0x1234), 0);
    EXPECT_EQ(data, (std::vector<uint8_t>{mpbbI[0], mpbbI[1], mpbbI[255]}));
}

// Blocks are decoded 64 bytes at a time where the processor allows, the
// rest byte by byte: every length and start around those steps, every byte
// value in each lane, and nothing decoded outside the block.
TEST(DecodeBlock, PermutationOfEveryLengthAndStartMatchesTheTable) {
    std::vector<uint8_t> source(4096 + 200);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = uint8_t(i * 131 + (i >> 8) * 7);
    bool same = true;
    for (int32_t start = 0; start < 4; ++start)
        for (int32_t count : {0, 1, 63, 64, 65, 127, 128, 129, 191, 255, 256, 257, 1000, 4096}) {
            std::vector<uint8_t> data = source;
            EXPECT_EQ(DecodeBlock(data.data() + start, count, 1, 0), 0);
            for (size_t i = 0; i < data.size(); ++i) {
                const bool inside = int64_t(i) >= start && int64_t(i) < start + count;
                same = same && data[i] == (inside ? mpbbI[source[i]] : source[i]);
            }
        }
    EXPECT_TRUE(same);
}

// Reference encoder written from [MS-PST] 5.2 CryptCyclic (encoding direction).
std::vector<uint8_t> EncodeCyclic(std::vector<uint8_t> data, uint32_t key) {
    uint16_t w = uint16_t(key ^ (key >> 16));
    for (auto& b : data) {
        uint8_t lo = uint8_t(w), hi = uint8_t(w >> 8);
        b = uint8_t(b + lo);
        b = mpbbR[b];
        b = uint8_t(b + hi);
        b = mpbbS[b];
        b = uint8_t(b - hi);
        b = mpbbI[b];
        b = uint8_t(b - lo);
        ++w;
    }
    return data;
}

TEST(DecodeBlock, CyclicKeyStartsAtBidFoldAndSteps) {
    // BID 0x00012345 folds to w = 0x2344; the second byte uses 0x2345.
    std::vector<uint8_t> data{0x10, 0x10};
    DecodeBlock(data.data(), 2, 2, 0x00012345);
    auto byteWith = [](uint8_t b, uint16_t w) {
        uint8_t lo = uint8_t(w), hi = uint8_t(w >> 8);
        b = mpbbI[uint8_t(mpbbS[uint8_t(mpbbR[uint8_t(b + lo)] + hi)] - hi)];
        return uint8_t(b - lo);
    };
    EXPECT_EQ(data[0], byteWith(0x10, 0x2344));
    EXPECT_EQ(data[1], byteWith(0x10, 0x2345));
    // Cyclic is an involution: encoding and decoding are the same steps.
    std::vector<uint8_t> text{'h', 'e', 'l', 'l', 'o'};
    auto enc = EncodeCyclic(text, 0xABCDEF12);
    DecodeBlock(enc.data(), int32_t(enc.size()), 2, 0xABCDEF12);
    EXPECT_EQ(enc, text);
}

TEST(DecodeBlock, UnknownMethodOrNullLeavesBytes) {
    std::vector<uint8_t> data{1, 2, 3};
    EXPECT_EQ(DecodeBlock(data.data(), 3, 3, 4), -1);
    EXPECT_EQ(DecodeBlock(data.data(), 3, 0, 4), -1);
    EXPECT_EQ(DecodeBlock(nullptr, 3, 1, 4), -1);
    EXPECT_EQ(data, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(ComputeCrc, KnownValues) {
    const uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(ComputeCrc(3, abc), 0xCA6598D0u);
    EXPECT_EQ(ComputeCrc(0, abc), 0u);
    EXPECT_EQ(ComputeCrc(-5, abc), 0u);
    EXPECT_EQ(ComputeCrc(3, nullptr), 0u);
}

// The CRC folds eight bytes a step and the rest one by one: every length
// and start around those steps gives what the one-byte-a-step definition of
// [MS-PST] 5.3 gives.
TEST(ComputeCrc, EveryLengthAndStartMatchesTheByteByByteDefinition) {
    auto byteByByte = [](const uint8_t* p, int32_t count) {
        uint32_t crc = 0;
        for (int32_t i = 0; i < count; ++i) {
            crc ^= p[i];
            for (int k = 0; k < 8; ++k)
                crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        }
        return crc;
    };
    std::vector<uint8_t> bytes(4200);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 37 + (i >> 7));
    bool same = true;
    for (int32_t start = 0; start < 8; ++start)
        for (int32_t count = 1; count <= 40; ++count)
            same = same && ComputeCrc(count, bytes.data() + start) ==
                               byteByByte(bytes.data() + start, count);
    for (int32_t count : {496, 500, 4080, 4096, 4191})
        same = same && ComputeCrc(count, bytes.data() + 3) == byteByByte(bytes.data() + 3, count);
    EXPECT_TRUE(same);
}

TEST(ReadBidAt, WidthAndSign) {
    tpstfile file;
    const uint8_t raw[8] = {0xFE, 0xFF, 0xFF, 0xFF, 0x01, 0, 0, 0};
    file.fUnicode = 0;
    EXPECT_EQ(ReadBidAt(&file, raw), -2);
    file.fUnicode = 1;
    EXPECT_EQ(ReadBidAt(&file, raw), 0x1FFFFFFFELL);
}

// Blocks through the index: the encoding applies to external blocks only.
class BlockReads : public ::testing::TestWithParam<uint8_t> {};

TEST_P(BlockReads, ExternalDecodedInternalAsStored) {
    uint8_t method = GetParam();
    FileImage img(true, 0x1000);
    img.header(method, 0, 0, 0, 0);
    std::vector<uint8_t> stored{9, 8, 7, 6, 5};
    img.putBytes(0x800, stored);
    img.putBytes(0x900, stored);
    tpstfile file;
    OpenImage(img, file);
    InsertBlock(&file, Block(0x24, 0x800, 5)); // external
    InsertBlock(&file, Block(0x26, 0x900, 5)); // internal (bit 1)
    tbuffer out;
    EXPECT_EQ(ReadBlock(&file, out, 0x24), 5);
    EXPECT_EQ(out, stored);
    EXPECT_EQ(ReadBlockDecoded(&file, out, 0x24), 5);
    std::vector<uint8_t> expect = stored;
    DecodeBlock(expect.data(), 5, method, 0x24);
    EXPECT_EQ(out, expect);
    EXPECT_EQ(ReadBlockDecoded(&file, out, 0x26), 5);
    EXPECT_EQ(out, stored);
    // Bit 0 is ignored on lookup; the decoding key is the BID as passed.
    EXPECT_EQ(ReadBlockDecoded(&file, out, 0x25), 5);
    expect = stored;
    DecodeBlock(expect.data(), 5, method, 0x25);
    EXPECT_EQ(out, expect);
    // Unknown BID: no read, the buffer untouched.
    tbuffer keep{42};
    EXPECT_EQ(ReadBlock(&file, keep, 0x40), 0);
    EXPECT_EQ(keep, tbuffer{42});
}

INSTANTIATE_TEST_SUITE_P(Methods, BlockReads, ::testing::Values(1, 2));

TEST(BlockReads, MethodThreeAndShortBlocks) {
    FileImage img(false, 0x400);
    img.header(3, 0, 0, 0, 0);
    img.putBytes(0x3FC, {1, 2, 3, 4});
    tpstfile file;
    OpenImage(img, file);
    InsertBlock(&file, Block(0x8, 0x3FC, 4));
    InsertBlock(&file, Block(0xC, 0x3FE, 8)); // runs past the end
    tbuffer out;
    EXPECT_EQ(ReadBlockDecoded(&file, out, 0x8), 4);
    EXPECT_EQ(out, (tbuffer{1, 2, 3, 4})) << "method 3 leaves the block as stored";
    EXPECT_EQ(ReadBlock(&file, out, 0xC), 2) << "the short count is reported";
}

} // namespace
