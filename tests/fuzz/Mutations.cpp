// Applying the fuzzer's change records to a copy of a seed mailbox.
#include "tests/fuzz/Mutations.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "tests/fuzz/SeedMailboxes.h"

namespace ostrel::fuzz {
namespace {

constexpr size_t kRecordSize = 8;
constexpr size_t kPageSize = 512;

enum Region : uint8_t { kPage, kBlock, kHeap, kAnywhere };

struct Change {
    uint8_t region, op;
    uint16_t index, offset, value;
};

Change ReadChange(const uint8_t* r) {
    return {uint8_t(r[0] % 4), r[5], uint16_t(r[1] | r[2] << 8), uint16_t(r[3] | r[4] << 8),
            uint16_t(r[6] | r[7] << 8)};
}

void Put(std::span<uint8_t> area, size_t at, const uint8_t* bytes, size_t n) {
    for (size_t i = 0; i < n && at + i < area.size(); ++i)
        area[at + i] = bytes[i];
}

// One edit at `at` of `area`; writes stop at the end of the area.
void Edit(std::span<uint8_t> area, size_t at, const Change& c) {
    if (area.empty()) return;
    at %= area.size();
    const uint8_t v[4] = {uint8_t(c.value), uint8_t(c.value >> 8), uint8_t(c.op & 0x40 ? 0xFF : 0),
                          uint8_t(c.op & 0x40 ? 0xFF : 0)};
    switch (c.op & 7) {
    case 0:
        Put(area, at, v, 1);
        break;
    case 1:
        Put(area, at, v, 2);
        break;
    case 2:
        Put(area, at, v, 4);
        break;
    case 3: {
        uint16_t old = uint16_t(area[at] | (at + 1 < area.size() ? area[at + 1] << 8 : 0));
        uint16_t sum = uint16_t(old + int16_t(c.value));
        const uint8_t s[2] = {uint8_t(sum), uint8_t(sum >> 8)};
        Put(area, at, s, 2);
        break;
    }
    case 4:
        area[at] ^= uint8_t(c.value | 1);
        break;
    case 5: {
        const uint8_t ones[4] = {0xFF, 0xFF, 0xFF, 0xFF};
        Put(area, at, ones, 4);
        break;
    }
    case 6: {
        const uint8_t zeros[8] = {};
        Put(area, at, zeros, 8);
        break;
    }
    default: {
        uint8_t copy[8] = {};
        const size_t from = c.value % area.size();
        for (size_t i = 0; i < 8 && from + i < area.size(); ++i)
            copy[i] = area[from + i];
        Put(area, at, copy, 8);
        break;
    }
    }
}

void Apply(const SeedMailbox& seed, std::vector<uint8_t>& file, const Change& c) {
    std::span<uint8_t> all(file);
    switch (c.region) {
    case kPage: {
        if (seed.pages.empty()) return;
        const uint64_t at = seed.pages[c.index % seed.pages.size()].offset;
        if (at + kPageSize > file.size()) return;
        Edit(all.subspan(at, kPageSize), c.offset, c);
        // Most edits keep the page's CRC right, so the page scan keeps the page.
        if (!(c.op & 0x80)) pstw::resealPage(file, at, seed.layout);
        return;
    }
    case kBlock: {
        if (seed.blocks.empty()) return;
        const pstw::BlockInfo& b = seed.blocks[c.index % seed.blocks.size()];
        Edit(all.subspan(b.offset, b.cb), c.offset, c);
        return;
    }
    case kHeap: {
        if (seed.heaps.empty()) return;
        const pstw::BlockInfo& b = seed.heaps[c.index % seed.heaps.size()];
        std::span<uint8_t> data = all.subspan(b.offset, b.cb);
        pstw::decodeBlock(data, seed.crypt, b.bid);
        Edit(data, c.offset, c);
        pstw::encodeBlock(data, seed.crypt, b.bid);
        return;
    }
    default:
        Edit(all, size_t(c.index) << 16 | c.offset, c);
        return;
    }
}

} // namespace

std::vector<uint8_t> MutatedSeed(const uint8_t* data, size_t size) {
    return MutatedSeed(data, size, SeedMailboxes());
}

std::vector<uint8_t> MutatedSeed(const uint8_t* data, size_t size,
                                 const std::vector<SeedMailbox>& seeds) {
    const SeedMailbox& seed = seeds[size ? data[0] % seeds.size() : 0];
    std::vector<uint8_t> file = seed.bytes;
    for (size_t at = 1; at + kRecordSize <= size; at += kRecordSize)
        Apply(seed, file, ReadChange(data + at));
    return file;
}

} // namespace ostrel::fuzz
