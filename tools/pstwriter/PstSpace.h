// Internal to the PST writer: the allocator that places blocks and pages in the AMap
// intervals of [MS-PST] 2.2.2.7 and writes the AMap, PMap, FMap and FPMap pages that describe them.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "tools/pstwriter/PstFormat.h"

namespace pstw {

class NdbWriter::Space {
public:
    explicit Space(const detail::Format& f);

    // Offset of a new range of size bytes at a multiple of align, never across an interval
    // end nor over a map page.
    uint64_t allocate(uint64_t size, uint64_t align);
    uint64_t intervals() const;
    uint64_t fileSize() const { return intervalStart(intervals()); }
    // Hands every AMap, PMap, FMap and FPMap page to sink and records where they lie; returns
    // the free bytes the AMaps record.
    uint64_t writeMaps(const detail::Format& f, const PieceSink& sink, std::vector<uint64_t>& amaps,
                       std::vector<uint64_t>& pmaps, std::vector<uint64_t>& fmaps,
                       std::vector<uint64_t>& fpmaps) const;

private:
    std::vector<std::vector<uint8_t>> bitmaps() const;
    uint64_t intervalStart(uint64_t i) const { return firstAMap_ + i * interval_; }
    uint64_t interval(uint64_t offset) const { return (offset - firstAMap_) / interval_; }
    bool hasPMap(uint64_t i) const;
    bool hasFMap(uint64_t i) const;
    bool hasFPMap(uint64_t i) const;
    void writeAllOnes(const detail::Format& f, const PieceSink& sink, uint8_t type,
                      uint64_t at) const;
    uint64_t mapPages(uint64_t i) const;
    uint64_t reservedEnd(uint64_t i) const { return intervalStart(i) + pageSize_ * mapPages(i); }

    uint64_t firstAMap_, interval_, pageSize_, slot_, slotsPerAMap_;
    // Only the 512-byte-page layouts have PMap, FMap and FPMap pages.
    bool classicMaps_;
    // ANSI offsets are 32 bits that readers widen with their sign: such a file ends before
    // the first FPMap, at about 2 GB.
    bool ansi_;
    std::vector<std::pair<uint64_t, uint64_t>> used_; // offset, size
    uint64_t cursor_;
};

} // namespace pstw
