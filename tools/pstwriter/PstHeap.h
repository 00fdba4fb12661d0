// Heap-on-node builder of the PST writer ([MS-PST] 2.3.1): allocations named by HIDs, spread
// over as many pages as they need, each page with its page map; page 0 starts with HNHDR,
// pages 8, 136, 264 ... with HNBITMAPHDR, the others with HNPAGEHDR.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tools/pstwriter/PstWriter.h"

namespace pstw {

constexpr uint8_t kClientSigTc = 0x7C, kClientSigBth = 0xB5, kClientSigPc = 0xBC;

class HeapBuilder {
public:
    static constexpr size_t kMaxAllocation = 3580;
    static constexpr size_t kMaxAllocationsPerPage = 2047; // hidIndex has 11 bits

    // pageSize bounds each page's bytes; the default fits a block of either layout.
    explicit HeapBuilder(uint8_t clientSig, size_t pageSize = 8176);

    // Stores bytes (at most kMaxAllocation) and returns the HID that names them.
    uint32_t allocate(std::span<const uint8_t> bytes);
    // The bytes of an allocation, for filling in what was not known when it was made.
    std::span<uint8_t> at(uint32_t hid);
    void setUserRoot(uint32_t hid) { userRoot_ = hid; }

    size_t pageCount() const { return pages_.size(); }
    // Every page as stored: header, allocations, HNPAGEMAP.
    std::vector<std::vector<uint8_t>> pages() const;
    // The heap as a node's data: one block, or an XBLOCK whose entries are the pages.
    uint64_t write(NdbWriter& w) const;

private:
    struct Page {
        std::vector<std::vector<uint8_t>> allocations;
        size_t used = 0;
    };
    size_t headerSize(size_t page) const;
    size_t mapSize(size_t allocations) const { return 4 + 2 * (allocations + 1); }
    bool fits(size_t page, size_t bytes) const;
    std::vector<uint8_t> pageBytes(size_t page) const;
    uint8_t fillLevel(size_t page) const;

    uint8_t clientSig_;
    size_t pageSize_;
    uint32_t userRoot_ = 0;
    std::vector<Page> pages_;
};

} // namespace pstw
