// Space allocation and the AMap, PMap, FMap and FPMap pages of the PST writer
// ([MS-PST] 2.2.2.7.2 to 2.2.2.7.5).
#include "tools/pstwriter/PstSpace.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace pstw {

namespace {

constexpr uint64_t kAMapsPerPMap = 8;
// The header's rgbFM describes the first 128 AMaps; from there one FMap page every 496
// AMaps takes over, each byte for one AMap ([MS-PST] 2.2.2.7.4).
constexpr uint64_t kAMapsPerFMap = 496;
// The header's rgbFP describes the PMaps of the first 8192 AMaps (one bit each); from there
// one FPMap page every 496 * 8 PMaps, that is every 31744 AMaps, takes over.
constexpr uint64_t kAMapsPerFPMap = 496 * 8 * kAMapsPerPMap;
constexpr uint64_t kClassicPageSize = 512;

uint64_t alignUp(uint64_t v, uint64_t a) {
    return (v + a - 1) / a * a;
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
    for (uint64_t s = 0; s < bits.size() * 8; ++s) {
        run = slotUsed(bits, s) ? 0 : run + 1;
        best = std::max(best, run);
    }
    return uint8_t(std::min<uint64_t>(best, 0xFF));
}

uint64_t freeSlots(const std::vector<uint8_t>& bits) {
    uint64_t n = 0;
    for (uint64_t s = 0; s < bits.size() * 8; ++s)
        n += slotUsed(bits, s) ? 0 : 1;
    return n;
}

using Page = std::vector<uint8_t>;

} // namespace

NdbWriter::Space::Space(const detail::Format& f)
    : firstAMap_(f.firstAMap), interval_(f.amapInterval()), pageSize_(f.pageSize),
      slot_(f.blockAlign), slotsPerAMap_(f.mapBitmapBytes() * 8),
      classicMaps_(f.pageSize == kClassicPageSize), ansi_(!f.unicode), cursor_(f.firstAMap) {}

bool NdbWriter::Space::hasPMap(uint64_t i) const {
    return classicMaps_ && i % kAMapsPerPMap == 0;
}

bool NdbWriter::Space::hasFMap(uint64_t i) const {
    return classicMaps_ && i >= kAMapsInHeaderFMap && (i - kAMapsInHeaderFMap) % kAMapsPerFMap == 0;
}

bool NdbWriter::Space::hasFPMap(uint64_t i) const {
    return classicMaps_ && i >= kMaxAMaps && (i - kMaxAMaps) % kAMapsPerFPMap == 0;
}

// The AMap page, then the PMap page in every eighth interval, then the FMap and the FPMap
// page where one is due: the pages an interval keeps for its maps.
uint64_t NdbWriter::Space::mapPages(uint64_t i) const {
    return 1 + (hasPMap(i) ? 1 : 0) + (hasFMap(i) ? 1 : 0) + (hasFPMap(i) ? 1 : 0);
}

uint64_t NdbWriter::Space::allocate(uint64_t size, uint64_t align) {
    uint64_t at = alignUp(cursor_, align);
    for (;;) {
        const uint64_t i = interval(at);
        if (ansi_ && i >= kMaxAMaps)
            throw std::length_error("pstw: an ANSI file ends before its first FPMap (8192 AMaps)");
        if (at < reservedEnd(i)) at = alignUp(reservedEnd(i), align);
        if (at + size <= intervalStart(i + 1)) break;
        at = intervalStart(i + 1);
    }
    used_.emplace_back(at, size);
    cursor_ = at + size;
    return at;
}

uint64_t NdbWriter::Space::intervals() const {
    if (cursor_ <= firstAMap_) return 1;
    return interval(cursor_ - 1) + 1;
}

std::vector<std::vector<uint8_t>> NdbWriter::Space::bitmaps() const {
    const uint64_t n = intervals();
    std::vector<std::vector<uint8_t>> bits(n, std::vector<uint8_t>(slotsPerAMap_ / 8, 0));
    for (uint64_t i = 0; i < n; ++i)
        markSlots(bits[i], 0, mapPages(i) * pageSize_ / slot_);
    for (auto [offset, size] : used_) {
        const uint64_t i = interval(offset);
        markSlots(bits[i], (offset - intervalStart(i)) / slot_, alignUp(size, slot_) / slot_);
    }
    return bits;
}

// A PMap or FPMap page whose bitmap is all ones, at `at`.
void NdbWriter::Space::writeAllOnes(const detail::Format& f, const PieceSink& sink, uint8_t type,
                                    uint64_t at) const {
    Page page(pageSize_, 0);
    std::fill_n(page.begin() + f.mapBits, slotsPerAMap_ / 8, 0xFF);
    detail::sealPage(page, f, type, at, at);
    sink(at, page);
}

uint64_t NdbWriter::Space::writeMaps(const detail::Format& f, const PieceSink& sink,
                                     std::vector<uint64_t>& amaps, std::vector<uint64_t>& pmaps,
                                     std::vector<uint64_t>& fmaps,
                                     std::vector<uint64_t>& fpmaps) const {
    const std::vector<std::vector<uint8_t>> bits = bitmaps();
    const uint64_t n = bits.size();
    amaps.clear();
    pmaps.clear();
    fmaps.clear();
    fpmaps.clear();
    uint64_t freeBytes = 0;
    for (uint64_t i = 0; i < n; ++i) {
        uint64_t at = intervalStart(i);
        Page amap(pageSize_, 0);
        std::copy(bits[i].begin(), bits[i].end(), amap.begin() + f.mapBits);
        detail::sealPage(amap, f, detail::kPtypeAMap, at, at);
        sink(at, amap);
        amaps.push_back(at);
        freeBytes += freeSlots(bits[i]) * slot_;
        if (hasPMap(i)) {
            // PMaps are superseded by the density list; Outlook leaves them all ones.
            at += pageSize_;
            writeAllOnes(f, sink, detail::kPtypePMap, at);
            pmaps.push_back(at);
        }
        if (hasFMap(i)) {
            at += pageSize_;
            Page fmap(pageSize_, 0);
            for (uint64_t k = 0; k < kAMapsPerFMap && i + k < n; ++k)
                fmap[f.mapBits + k] = longestFreeRun(bits[i + k]);
            detail::sealPage(fmap, f, detail::kPtypeFMap, at, at);
            sink(at, fmap);
            fmaps.push_back(at);
        }
        if (hasFPMap(i)) {
            // Like the PMaps they describe, superseded by the density list: every PMap is
            // said to have free pages, as the PMaps say every page is free.
            at += pageSize_;
            writeAllOnes(f, sink, detail::kPtypeFPMap, at);
            fpmaps.push_back(at);
        }
    }
    return freeBytes;
}

} // namespace pstw
