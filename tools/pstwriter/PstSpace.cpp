// Space allocation and the AMap, PMap and FMap pages of the PST writer
// ([MS-PST] 2.2.2.7.2 to 2.2.2.7.4).
#include "tools/pstwriter/PstSpace.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace pstw {

namespace {

constexpr uint64_t kSlot = 64;
constexpr uint64_t kSlotsPerAMap = 496 * 8;
constexpr uint64_t kAMapsPerPMap = 8;
// The header's rgbFM describes the first 128 AMaps; from there one FMap page every 496
// AMaps takes over, each byte for one AMap ([MS-PST] 2.2.2.7.4).
constexpr uint64_t kAMapsPerFMap = 496;

uint64_t alignUp(uint64_t v, uint64_t a) {
    return (v + a - 1) / a * a;
}
uint64_t intervalStart(uint64_t i) {
    return kFirstAMapOffset + i * kAMapInterval;
}
bool hasPMap(uint64_t i) {
    return i % kAMapsPerPMap == 0;
}
bool hasFMap(uint64_t i) {
    return i >= kAMapsInHeaderFMap && (i - kAMapsInHeaderFMap) % kAMapsPerFMap == 0;
}

// The AMap page, then the PMap page in every eighth interval, then the FMap page where one
// is due: the pages an interval keeps for its maps.
uint64_t mapPages(uint64_t i) {
    return 1 + (hasPMap(i) ? 1 : 0) + (hasFMap(i) ? 1 : 0);
}
uint64_t reservedEnd(uint64_t i) {
    return intervalStart(i) + detail::kPageSize * mapPages(i);
}

// Bits are taken from the most significant bit of each byte down, as Outlook's files show.
void markSlots(std::vector<uint8_t>& bits, uint64_t first, uint64_t count) {
    for (uint64_t s = first; s < first + count; ++s)
        bits[s / 8] |= uint8_t(0x80 >> (s % 8));
}

bool slotUsed(const std::vector<uint8_t>& bits, uint64_t s) {
    return bits[s / 8] & (0x80 >> (s % 8));
}

// An FMap byte: the longest run of free slots in one AMap, as far as a byte can count.
uint8_t longestFreeRun(const std::vector<uint8_t>& bits) {
    uint64_t best = 0, run = 0;
    for (uint64_t s = 0; s < kSlotsPerAMap; ++s) {
        run = slotUsed(bits, s) ? 0 : run + 1;
        best = std::max(best, run);
    }
    return uint8_t(std::min<uint64_t>(best, 0xFF));
}

uint64_t freeSlots(const std::vector<uint8_t>& bits) {
    uint64_t n = 0;
    for (uint64_t s = 0; s < kSlotsPerAMap; ++s)
        n += slotUsed(bits, s) ? 0 : 1;
    return n;
}

using Page = std::array<uint8_t, detail::kPageSize>;

} // namespace

uint64_t NdbWriter::Space::allocate(uint64_t size, uint64_t align) {
    uint64_t at = alignUp(cursor_, align);
    for (;;) {
        const uint64_t i = (at - kFirstAMapOffset) / kAMapInterval;
        if (i >= kMaxAMaps)
            throw std::length_error("pstw: file would need an FPMap (more than 8192 AMaps)");
        if (at < reservedEnd(i)) at = alignUp(reservedEnd(i), align);
        if (at + size <= intervalStart(i + 1)) break;
        at = intervalStart(i + 1);
    }
    used_.emplace_back(at, size);
    cursor_ = at + size;
    return at;
}

uint64_t NdbWriter::Space::intervals() const {
    if (cursor_ <= kFirstAMapOffset) return 1;
    return (cursor_ - 1 - kFirstAMapOffset) / kAMapInterval + 1;
}

std::vector<std::vector<uint8_t>> NdbWriter::Space::bitmaps() const {
    const uint64_t n = intervals();
    std::vector<std::vector<uint8_t>> bits(n, std::vector<uint8_t>(kSlotsPerAMap / 8, 0));
    for (uint64_t i = 0; i < n; ++i)
        markSlots(bits[i], 0, mapPages(i) * detail::kPageSize / kSlot);
    for (auto [offset, size] : used_) {
        const uint64_t i = (offset - kFirstAMapOffset) / kAMapInterval;
        markSlots(bits[i], (offset - intervalStart(i)) / kSlot, alignUp(size, kSlot) / kSlot);
    }
    return bits;
}

uint64_t NdbWriter::Space::writeMaps(const detail::Format& f, const PieceSink& sink,
                                     std::vector<uint64_t>& amaps, std::vector<uint64_t>& pmaps,
                                     std::vector<uint64_t>& fmaps) const {
    const std::vector<std::vector<uint8_t>> bits = bitmaps();
    const uint64_t n = bits.size();
    amaps.clear();
    pmaps.clear();
    fmaps.clear();
    uint64_t freeBytes = 0;
    for (uint64_t i = 0; i < n; ++i) {
        uint64_t at = intervalStart(i);
        Page amap{};
        std::copy(bits[i].begin(), bits[i].end(), amap.begin() + f.mapBits);
        detail::sealPage(amap, f, detail::kPtypeAMap, at, at);
        sink(at, amap);
        amaps.push_back(at);
        freeBytes += freeSlots(bits[i]) * kSlot;
        if (hasPMap(i)) {
            // PMaps are superseded by the density list; Outlook leaves them all ones.
            at += detail::kPageSize;
            Page pmap{};
            std::fill_n(pmap.begin() + f.mapBits, bits[i].size(), 0xFF);
            detail::sealPage(pmap, f, detail::kPtypePMap, at, at);
            sink(at, pmap);
            pmaps.push_back(at);
        }
        if (hasFMap(i)) {
            at += detail::kPageSize;
            Page fmap{};
            for (uint64_t k = 0; k < kAMapsPerFMap && i + k < n; ++k)
                fmap[f.mapBits + k] = longestFreeRun(bits[i + k]);
            detail::sealPage(fmap, f, detail::kPtypeFMap, at, at);
            sink(at, fmap);
            fmaps.push_back(at);
        }
    }
    return freeBytes;
}

} // namespace pstw
