// Data trees (XBLOCK, XXBLOCK) and subnode trees (SLBLOCK, SIBLOCK) of the PST writer
// ([MS-PST] 2.2.2.8.3).
#include <algorithm>
#include <stdexcept>

#include "tools/pstwriter/PstFormat.h"

namespace pstw {

using detail::put;

namespace {

constexpr uint8_t kBtypeXBlock = 0x01, kBtypeSubnode = 0x02;

// SLBLOCK and SIBLOCK: btype, cLevel, cEnt, then dwPadding in the Unicode layout only.
size_t subnodeHeader(const detail::Format& f) {
    return f.unicode ? 8 : 4;
}

} // namespace

int NdbWriter::internalCapacity(size_t headerSize, size_t entrySize) const {
    const int capacity = int((maxBlockData() - headerSize) / entrySize);
    const int requested = options_.maxEntriesPerInternalBlock;
    return requested > 0 ? std::clamp(requested, 1, capacity) : capacity;
}

uint64_t NdbWriter::addXBlock(uint8_t level, const std::vector<uint64_t>& bids, uint32_t total) {
    const detail::Format& f = detail::format(options_.layout);
    std::vector<uint8_t> raw(8 + bids.size() * f.idSize, 0);
    raw[0] = kBtypeXBlock;
    raw[1] = level;
    put(raw, 2, bids.size(), 2);
    put(raw, 4, total, 4); // lcbTotal: data bytes below this block
    for (size_t i = 0; i < bids.size(); ++i)
        put(raw, 8 + i * f.idSize, bids[i], f.idSize);
    return addInternalBlock(raw);
}

uint64_t NdbWriter::addDataTree(std::span<const uint8_t> data) {
    const size_t chunk = options_.maxBlockData > 0 ? std::min(options_.maxBlockData, maxBlockData())
                                                   : maxBlockData();
    if (data.size() <= chunk) return addBlock(data);
    const detail::Format& f = detail::format(options_.layout);
    const size_t cap = size_t(internalCapacity(8, f.idSize));
    std::vector<uint64_t> xbids, bids;
    uint32_t groupBytes = 0;
    for (size_t at = 0; at < data.size(); at += chunk) {
        const auto part = data.subspan(at, std::min(chunk, data.size() - at));
        bids.push_back(addBlock(part));
        groupBytes += uint32_t(part.size());
        if (bids.size() == cap && at + chunk < data.size()) {
            xbids.push_back(addXBlock(1, bids, groupBytes));
            bids.clear();
            groupBytes = 0;
        }
    }
    if (xbids.empty()) return addXBlock(1, bids, uint32_t(data.size()));
    xbids.push_back(addXBlock(1, bids, groupBytes));
    if (xbids.size() > cap) throw std::length_error("pstw: data too large for an XXBLOCK");
    return addXBlock(2, xbids, uint32_t(data.size()));
}

uint64_t NdbWriter::addSlBlock(std::span<const SubnodeRef> entries) {
    const detail::Format& f = detail::format(options_.layout);
    const size_t header = subnodeHeader(f), entrySize = 3 * f.idSize;
    std::vector<uint8_t> raw(header + entries.size() * entrySize, 0);
    raw[0] = kBtypeSubnode;
    raw[1] = 0;
    put(raw, 2, entries.size(), 2);
    for (size_t i = 0; i < entries.size(); ++i) {
        const size_t at = header + i * entrySize;
        put(raw, at, entries[i].nid, f.idSize);
        put(raw, at + f.idSize, entries[i].bidData, f.idSize);
        put(raw, at + 2 * f.idSize, entries[i].bidSub, f.idSize);
    }
    return addInternalBlock(raw);
}

uint64_t NdbWriter::addSiBlock(const std::vector<std::pair<uint32_t, uint64_t>>& entries) {
    const detail::Format& f = detail::format(options_.layout);
    const size_t header = subnodeHeader(f), entrySize = 2 * f.idSize;
    std::vector<uint8_t> raw(header + entries.size() * entrySize, 0);
    raw[0] = kBtypeSubnode;
    raw[1] = 1;
    put(raw, 2, entries.size(), 2);
    for (size_t i = 0; i < entries.size(); ++i) {
        put(raw, header + i * entrySize, entries[i].first, f.idSize);
        put(raw, header + i * entrySize + f.idSize, entries[i].second, f.idSize);
    }
    return addInternalBlock(raw);
}

uint64_t NdbWriter::addSubnodeTree(std::vector<SubnodeRef> entries) {
    const detail::Format& f = detail::format(options_.layout);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const SubnodeRef& a, const SubnodeRef& b) { return a.nid < b.nid; });
    const size_t cap = size_t(internalCapacity(subnodeHeader(f), 3 * f.idSize));
    if (entries.size() <= cap) return addSlBlock(entries);
    std::vector<std::pair<uint32_t, uint64_t>> children;
    for (size_t at = 0; at < entries.size(); at += cap) {
        const auto part = std::span(entries).subspan(at, std::min(cap, entries.size() - at));
        children.emplace_back(part[0].nid, addSlBlock(part));
    }
    if (children.size() > size_t(internalCapacity(subnodeHeader(f), 2 * f.idSize)))
        throw std::length_error("pstw: too many subnodes for one SIBLOCK");
    return addSiBlock(children);
}

} // namespace pstw
