// Builds the 4 KiB-layout seed image once per process.
#include "tests/fuzz/Seed4k.h"

#include "tests/engine/ndb/Image4k.h"

namespace ostrel::fuzz {
namespace {

using namespace img4k;

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> v(size);
    for (size_t i = 0; i < size; ++i)
        v[i] = uint8_t((i / 5) * seed + i % 3);
    return v;
}

void AppendLe(std::vector<uint8_t>& out, uint64_t v, int width) {
    for (int i = 0; i < width; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

struct tseedblock {
    uint64_t bid;
    std::vector<uint8_t> data;
    bool compress;
};

std::vector<uint8_t> Build() {
    const uint64_t kStored = 0x3004, kPartA = 0x3008, kPartB = 0x300C;
    const uint64_t kXBlock = 0x3012, kSlBlock = 0x3016;
    std::vector<uint8_t> a = Pattern(6000, 7), b = Pattern(2000, 13);
    std::vector<uint8_t> xblock{0x01, 0x01, 2, 0};
    AppendLe(xblock, a.size() + b.size(), 4);
    AppendLe(xblock, kPartA, 8);
    AppendLe(xblock, kPartB, 8);
    std::vector<uint8_t> slblock{0x02, 0x00, 1, 0, 0, 0, 0, 0};
    AppendLe(slblock, 0x6B, 8);
    AppendLe(slblock, kStored, 8);
    AppendLe(slblock, 0, 8);
    const tseedblock blocks[] = {{kStored, Pattern(200, 3), false},
                                 {kPartA, a, true},
                                 {kPartB, b, true},
                                 {kXBlock, xblock, true},
                                 {kSlBlock, slblock, true}};
    Image4k img;
    size_t at = Trees::kFirstBlock;
    int i = 0;
    for (const tseedblock& block : blocks) {
        std::vector<uint8_t> stored = block.compress ? Deflate(block.data) : block.data;
        img.block(at, block.bid, stored, uint16_t(block.data.size()));
        img.bbtEntry(Trees::kBbtLeaf, i++, block.bid, at, uint16_t(stored.size()),
                     uint16_t(block.data.size()));
        at += (stored.size() + kBlockTrailer + kSlot - 1) / kSlot * kSlot;
    }
    img.nbtEntry(Trees::kNbtLeaf, 0, 0x21, kXBlock, kSlBlock, 0);
    img.nbtEntry(Trees::kNbtLeaf, 1, 0x122, kPartA, 0, 0x122);
    SealTrees(img, i, kStored, 2, 0x21);
    return img.bytes;
}

} // namespace

const std::vector<uint8_t>& Seed4kImage() {
    static const std::vector<uint8_t> image = Build();
    return image;
}

} // namespace ostrel::fuzz
