// Subnode bookkeeping and block-by-block data trees of the PST writer ([MS-PST] 2.2.2.8.3).
#include "tools/pstwriter/PstNodeData.h"

#include <algorithm>
#include <stdexcept>

#include "tools/pstwriter/PstFormat.h"

namespace pstw {

namespace {

uint64_t addXBlock(NdbWriter& w, uint8_t level, std::span<const uint64_t> bids, uint64_t total) {
    const detail::Format& f = detail::format(w.options().layout);
    std::vector<uint8_t> raw(8 + bids.size() * f.idSize, 0);
    raw[0] = 0x01;
    raw[1] = level;
    detail::put(raw, 2, bids.size(), 2);
    detail::put(raw, 4, total, 4);
    for (size_t i = 0; i < bids.size(); ++i)
        detail::put(raw, 8 + i * f.idSize, bids[i], f.idSize);
    return w.addInternalBlock(raw);
}

size_t xblockCapacity(const NdbWriter& w) {
    const size_t idSize = w.unicode() ? 8 : 4;
    const size_t cap = (w.maxBlockData() - 8) / idSize;
    const int requested = w.options().maxEntriesPerInternalBlock;
    return requested > 0 ? std::min(cap, size_t(requested)) : cap;
}

} // namespace

uint64_t addBlockTree(NdbWriter& w, const std::vector<std::vector<uint8_t>>& blocks) {
    if (blocks.empty()) return w.addBlock({});
    if (blocks.size() == 1) return w.addBlock(blocks[0]);
    const size_t cap = xblockCapacity(w);
    std::vector<uint64_t> bids, xbids;
    std::vector<uint64_t> groupTotals;
    uint64_t group = 0, total = 0;
    for (size_t i = 0; i < blocks.size(); ++i) {
        bids.push_back(w.addBlock(blocks[i]));
        group += blocks[i].size();
        total += blocks[i].size();
        if (bids.size() == cap && i + 1 < blocks.size()) {
            xbids.push_back(addXBlock(w, 1, bids, group));
            bids.clear();
            group = 0;
        }
    }
    if (xbids.empty()) return addXBlock(w, 1, bids, total);
    xbids.push_back(addXBlock(w, 1, bids, group));
    if (xbids.size() > cap) throw std::length_error("pstw: data too large for an XXBLOCK");
    return addXBlock(w, 2, xbids, total);
}

uint32_t SubnodeSet::nextNid(uint8_t nidType) {
    auto [it, fresh] = nextIndex_.try_emplace(nidType, 0x400);
    return makeNid(it->second++, nidType);
}

uint32_t SubnodeSet::addData(NdbWriter& w, std::span<const uint8_t> data, uint8_t nidType) {
    const uint32_t nid = nextNid(nidType);
    refs_.push_back({nid, w.addDataTree(data), 0});
    return nid;
}

uint32_t SubnodeSet::addBlocks(NdbWriter& w, const std::vector<std::vector<uint8_t>>& blocks,
                               uint8_t nidType) {
    const uint32_t nid = nextNid(nidType);
    refs_.push_back({nid, addBlockTree(w, blocks), 0});
    return nid;
}

uint64_t SubnodeSet::write(NdbWriter& w) const {
    return refs_.empty() ? 0 : w.addSubnodeTree(refs_);
}

} // namespace pstw
