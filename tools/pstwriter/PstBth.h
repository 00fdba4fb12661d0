// BTH builder of the PST writer ([MS-PST] 2.3.2): sorted records in heap allocations, with
// index levels above the leaves when one allocation cannot hold them all.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/pstwriter/PstHeap.h"

namespace pstw {

struct BthRecord {
    std::vector<uint8_t> key;  // cbKey bytes, little-endian
    std::vector<uint8_t> data; // cbEnt bytes
};

struct BthOptions {
    size_t maxRecordsPerNode = 0; // records per leaf or index allocation; 0 = what fits
};

struct BthInfo {
    uint32_t hidHeader = 0; // BTHHEADER
    uint32_t hidRoot = 0;   // 0 for an empty BTH
    uint8_t indexLevels = 0;
};

// Records are sorted by key (as an unsigned little-endian number) before they are stored.
BthInfo writeBth(HeapBuilder& heap, uint8_t cbKey, uint8_t cbEnt, std::vector<BthRecord> records,
                 const BthOptions& options = {});

} // namespace pstw
