// Heap-on-node pages of the PST writer ([MS-PST] 2.3.1.2 to 2.3.1.5).
#include "tools/pstwriter/PstHeap.h"

#include <algorithm>
#include <stdexcept>

#include "tools/pstwriter/PstFormat.h"
#include "tools/pstwriter/PstNodeData.h"

namespace pstw {

using detail::put;

namespace {

constexpr size_t kHnhdrSize = 12, kBitmapHdrSize = 66, kPageHdrSize = 2;

bool isBitmapPage(size_t page) {
    return page >= 8 && (page - 8) % 128 == 0;
}

// [MS-PST] 2.3.1.5: the fill level names a band of free bytes, 0 meaning 3584 or more.
uint8_t levelOf(size_t freeBytes) {
    static const size_t bands[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768,
                                   512,  256,  128,  64,   32,   16,   8};
    for (uint8_t i = 0; i < 15; ++i)
        if (freeBytes >= bands[i]) return i;
    return 15;
}

} // namespace

HeapBuilder::HeapBuilder(uint8_t clientSig, size_t pageSize)
    : clientSig_(clientSig), pageSize_(pageSize) {
    if (pageSize < 512 || pageSize > 8180) throw std::invalid_argument("pstw: heap page size");
    pages_.emplace_back();
}

size_t HeapBuilder::headerSize(size_t page) const {
    if (page == 0) return kHnhdrSize;
    return isBitmapPage(page) ? kBitmapHdrSize : kPageHdrSize;
}

bool HeapBuilder::fits(size_t page, size_t bytes) const {
    const Page& p = pages_[page];
    if (p.allocations.size() >= kMaxAllocationsPerPage) return false;
    const size_t end = headerSize(page) + p.used + bytes;
    return end + 1 + mapSize(p.allocations.size() + 1) <= pageSize_;
}

uint32_t HeapBuilder::allocate(std::span<const uint8_t> bytes) {
    if (bytes.size() > kMaxAllocation) throw std::length_error("pstw: heap allocation too large");
    if (!fits(pages_.size() - 1, bytes.size())) pages_.emplace_back();
    const size_t page = pages_.size() - 1;
    Page& p = pages_[page];
    p.allocations.emplace_back(bytes.begin(), bytes.end());
    p.used += bytes.size();
    if (page > 0xFFFF) throw std::length_error("pstw: heap has too many pages");
    // HID: hidType 0 in bits 0-4, 1-based hidIndex in bits 5-15, page index above.
    return uint32_t(page << 16) | uint32_t(p.allocations.size() << 5);
}

std::span<uint8_t> HeapBuilder::at(uint32_t hid) {
    const size_t page = hid >> 16, index = (hid >> 5) & 0x7FF;
    if (page >= pages_.size() || index == 0 || index > pages_[page].allocations.size())
        throw std::out_of_range("pstw: no such HID");
    return pages_[page].allocations[index - 1];
}

uint8_t HeapBuilder::fillLevel(size_t page) const {
    const Page& p = pages_[page];
    const size_t taken = headerSize(page) + p.used + mapSize(p.allocations.size());
    return levelOf(pageSize_ > taken ? pageSize_ - taken : 0);
}

std::vector<uint8_t> HeapBuilder::pageBytes(size_t page) const {
    const Page& p = pages_[page];
    std::vector<uint8_t> bytes(headerSize(page), 0);
    std::vector<uint16_t> starts;
    for (const auto& a : p.allocations) {
        starts.push_back(uint16_t(bytes.size()));
        bytes.insert(bytes.end(), a.begin(), a.end());
    }
    starts.push_back(uint16_t(bytes.size()));
    if (bytes.size() % 2) bytes.push_back(0); // HNPAGEMAP starts on an even offset
    const size_t map = bytes.size();
    bytes.resize(map + mapSize(p.allocations.size()), 0);
    put(bytes, 0, map, 2); // ibHnpm
    put(bytes, map, p.allocations.size(), 2);
    put(bytes, map + 2, 0, 2); // cFree
    for (size_t i = 0; i < starts.size(); ++i)
        put(bytes, map + 4 + 2 * i, starts[i], 2);
    if (page == 0) {
        bytes[2] = 0xEC; // bSig
        bytes[3] = clientSig_;
        put(bytes, 4, userRoot_, 4);
        for (size_t i = 0; i < 8 && i < pages_.size(); ++i)
            bytes[8 + i / 2] |= uint8_t(fillLevel(i) << (4 * (i % 2)));
    } else if (isBitmapPage(page)) {
        for (size_t i = 0; i < 128 && page + i < pages_.size(); ++i)
            bytes[2 + i / 2] |= uint8_t(fillLevel(page + i) << (4 * (i % 2)));
    }
    return bytes;
}

std::vector<std::vector<uint8_t>> HeapBuilder::pages() const {
    std::vector<std::vector<uint8_t>> out;
    for (size_t i = 0; i < pages_.size(); ++i)
        out.push_back(pageBytes(i));
    return out;
}

uint64_t HeapBuilder::write(NdbWriter& w) const {
    return addBlockTree(w, pages());
}

} // namespace pstw
