// Internal to the test writer: the allocator that places blocks and pages in the AMap
// intervals of [MS-PST] 2.2.2.7 and writes the AMap and PMap pages that describe them.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "tests/support/PstFormat.h"

namespace pstw {

class NdbWriter::Space {
public:
    // Offset of a new range of size bytes at a multiple of align, never across an interval
    // end nor over a map page.
    uint64_t allocate(uint64_t size, uint64_t align);
    uint64_t intervals() const;
    uint64_t fileSize() const { return kFirstAMapOffset + intervals() * kAMapInterval; }
    // Writes every AMap and PMap page into file (already fileSize() long); returns the free
    // bytes the AMaps record.
    uint64_t writeMaps(std::vector<uint8_t>& file, const detail::Format& f,
                       std::vector<uint64_t>& amaps, std::vector<uint64_t>& pmaps) const;

private:
    std::vector<std::pair<uint64_t, uint64_t>> used_; // offset, size
    uint64_t cursor_ = kFirstAMapOffset;
};

} // namespace pstw
