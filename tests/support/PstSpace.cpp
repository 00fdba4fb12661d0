// Space allocation and the AMap/PMap pages of the test writer ([MS-PST] 2.2.2.7.2, 2.2.2.7.3).
#include "tests/support/PstSpace.h"

#include <stdexcept>

namespace pstw {

namespace {

constexpr uint64_t kSlot = 64;
constexpr uint64_t kAMapsPerPMap = 8;

uint64_t alignUp(uint64_t v, uint64_t a) {
    return (v + a - 1) / a * a;
}
uint64_t intervalStart(uint64_t i) {
    return kFirstAMapOffset + i * kAMapInterval;
}
bool hasPMap(uint64_t i) {
    return i % kAMapsPerPMap == 0;
}

// The AMap page, and in every eighth interval the PMap page after it.
uint64_t reservedEnd(uint64_t i) {
    return intervalStart(i) + detail::kPageSize * (hasPMap(i) ? 2 : 1);
}

// Bits are taken from the most significant bit of each byte down, as Outlook's files show.
void markSlots(std::vector<uint8_t>& bits, uint64_t first, uint64_t count) {
    for (uint64_t s = first; s < first + count; ++s)
        bits[s / 8] |= uint8_t(0x80 >> (s % 8));
}

} // namespace

uint64_t NdbWriter::Space::allocate(uint64_t size, uint64_t align) {
    uint64_t at = alignUp(cursor_, align);
    for (;;) {
        const uint64_t i = (at - kFirstAMapOffset) / kAMapInterval;
        if (i >= kMaxAMaps)
            throw std::length_error("pstw: file would need an FMap (more than 128 AMaps)");
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

uint64_t NdbWriter::Space::writeMaps(std::vector<uint8_t>& file, const detail::Format& f,
                                     std::vector<uint64_t>& amaps,
                                     std::vector<uint64_t>& pmaps) const {
    const uint64_t n = intervals();
    const size_t bitBytes = 496;
    std::vector<std::vector<uint8_t>> bitmaps(n, std::vector<uint8_t>(bitBytes, 0));
    for (uint64_t i = 0; i < n; ++i)
        markSlots(bitmaps[i], 0, (reservedEnd(i) - intervalStart(i)) / kSlot);
    for (auto [offset, size] : used_) {
        const uint64_t i = (offset - kFirstAMapOffset) / kAMapInterval;
        markSlots(bitmaps[i], (offset - intervalStart(i)) / kSlot, alignUp(size, kSlot) / kSlot);
    }
    amaps.clear();
    pmaps.clear();
    uint64_t freeBytes = 0;
    for (uint64_t i = 0; i < n; ++i) {
        const uint64_t at = intervalStart(i);
        std::span<uint8_t> page(file.data() + at, detail::kPageSize);
        std::copy(bitmaps[i].begin(), bitmaps[i].end(), page.begin() + f.mapBits);
        detail::sealPage(page, f, detail::kPtypeAMap, at, at);
        amaps.push_back(at);
        for (uint8_t b : bitmaps[i])
            for (int k = 0; k < 8; ++k)
                if (!(b & (1 << k))) freeBytes += kSlot;
        if (!hasPMap(i)) continue;
        // PMaps are superseded by the density list; Outlook leaves them all ones.
        std::span<uint8_t> pmap(file.data() + at + detail::kPageSize, detail::kPageSize);
        std::fill(pmap.begin() + f.mapBits, pmap.begin() + f.mapBits + bitBytes, 0xFF);
        detail::sealPage(pmap, f, detail::kPtypePMap, at + detail::kPageSize,
                         at + detail::kPageSize);
        pmaps.push_back(at + detail::kPageSize);
    }
    return freeBytes;
}

} // namespace pstw
