// The BBT and NBT of the PST writer: BTPAGEs built bottom-up, with as many
// intermediate levels as the entry count needs ([MS-PST] 2.2.2.7.7).
#include <algorithm>

#include "tools/pstwriter/PstSpace.h"

namespace pstw {

using detail::put;

namespace {

constexpr uint16_t kCRef = 2;

} // namespace

std::vector<NdbWriter::LeafEntry> NdbWriter::bbtLeaves() const {
    const detail::Format& f = detail::format(options_.layout);
    std::vector<LeafEntry> leaves;
    for (const BlockInfo& b : blocks_) {
        LeafEntry e{b.bid, std::vector<uint8_t>(f.bbtEntrySize, 0)};
        put(e.bytes, 0, b.bid, f.idSize);
        put(e.bytes, f.idSize, b.offset, f.idSize);
        put(e.bytes, 2 * f.idSize, b.cb, 2);
        // The 4 KiB layout puts the inflated size between cb and cRef.
        size_t at = 2 * f.idSize + 2;
        if (f.compressed) {
            put(e.bytes, at, b.cbInflated, 2);
            at += 2;
        }
        put(e.bytes, at, kCRef, 2);
        leaves.push_back(std::move(e));
    }
    return leaves;
}

std::vector<NdbWriter::LeafEntry> NdbWriter::nbtLeaves() const {
    const detail::Format& f = detail::format(options_.layout);
    std::vector<LeafEntry> leaves;
    for (const NodeRecord& n : nodes_) {
        LeafEntry e{n.nid, std::vector<uint8_t>(f.nbtEntrySize, 0)};
        put(e.bytes, 0, n.nid, f.idSize);
        put(e.bytes, f.idSize, n.bidData, f.idSize);
        put(e.bytes, 2 * f.idSize, n.bidSub, f.idSize);
        put(e.bytes, 3 * f.idSize, n.nidParent, 4);
        leaves.push_back(std::move(e));
    }
    return leaves;
}

Bref NdbWriter::writeTree(std::vector<LeafEntry> level, bool nbt, Space& space) {
    const detail::Format& f = detail::format(options_.layout);
    std::stable_sort(level.begin(), level.end(),
                     [](const LeafEntry& a, const LeafEntry& b) { return a.key < b.key; });
    const int requested = options_.maxEntriesPerPage;
    for (int depth = 0;; ++depth) {
        const size_t entrySize =
            depth == 0 ? (nbt ? f.nbtEntrySize : f.bbtEntrySize) : f.btEntrySize;
        const int capacity = int(f.btEntryArea / entrySize);
        // Two entries per intermediate page at least, or the levels would never converge.
        const int floor = depth == 0 ? 1 : 2;
        const size_t per =
            size_t(requested > 0 ? std::clamp(requested, floor, capacity) : capacity);
        std::vector<LeafEntry> parents;
        Bref last;
        for (size_t i = 0; i < level.size() || i == 0; i += per) {
            const size_t count = std::min(per, level.size() - i);
            last = writePage(std::span(level).subspan(i, count), nbt, depth, space);
            LeafEntry up{count ? level[i].key : 0, std::vector<uint8_t>(f.btEntrySize, 0)};
            put(up.bytes, 0, up.key, f.idSize);
            put(up.bytes, f.idSize, last.bid, f.idSize);
            put(up.bytes, 2 * f.idSize, last.ib, f.idSize);
            parents.push_back(std::move(up));
        }
        if (parents.size() == 1) return last;
        level = std::move(parents);
    }
}

Bref NdbWriter::writePage(std::span<const LeafEntry> entries, bool nbt, int level, Space& space) {
    const detail::Format& f = detail::format(options_.layout);
    const size_t entrySize = level == 0 ? (nbt ? f.nbtEntrySize : f.bbtEntrySize) : f.btEntrySize;
    TreePage page{space.allocate(f.pageSize, f.pageSize), std::vector<uint8_t>(f.pageSize, 0)};
    const uint64_t bid = nextPageBid_++;
    for (size_t i = 0; i < entries.size(); ++i)
        std::copy(entries[i].bytes.begin(), entries[i].bytes.end(),
                  page.bytes.begin() + i * entrySize);
    // cEnt and cEntMax are one byte each, or two in the 4 KiB layout; cbEnt and cLevel follow.
    const size_t w = f.countWidth;
    put(page.bytes, f.btMeta, entries.size(), w);
    put(page.bytes, f.btMeta + w, f.btEntryArea / entrySize, w);
    page.bytes[f.btMeta + 2 * w] = uint8_t(entrySize);
    page.bytes[f.btMeta + 2 * w + 1] = uint8_t(level);
    detail::sealPage(page.bytes, f, nbt ? detail::kPtypeNbt : detail::kPtypeBbt, bid, page.offset);
    treePages_.push_back(page);
    pages_.push_back(
        {page.offset, bid, level, nbt, int(entries.size()), entries.empty() ? 0 : entries[0].key});
    return {bid, page.offset};
}

} // namespace pstw
