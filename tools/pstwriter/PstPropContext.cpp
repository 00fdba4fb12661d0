// Property context records and value placement of the PST writer ([MS-PST] 2.3.3.3).
#include "tools/pstwriter/PstPropContext.h"

#include <algorithm>
#include <map>

#include "tools/pstwriter/PstFormat.h"

namespace pstw {

using detail::put;

uint32_t storeValue(NdbWriter& w, HeapBuilder& heap, SubnodeSet& subs,
                    std::span<const uint8_t> bytes, size_t heapLimit) {
    if (bytes.size() <= std::min(heapLimit, HeapBuilder::kMaxAllocation))
        return heap.allocate(bytes);
    return subs.addData(w, bytes);
}

namespace {

uint32_t valueField(NdbWriter& w, HeapBuilder& heap, SubnodeSet& subs, const Prop& p,
                    const PcOptions& options) {
    const size_t fixed = fixedSize(p.type);
    if (fixed > 0 && fixed <= 4) {
        std::vector<uint8_t> field(4, 0);
        std::copy_n(p.bytes.begin(), std::min(p.bytes.size(), size_t(4)), field.begin());
        return uint32_t(detail::get(field, 0, 4));
    }
    if (p.type == kPtypObject) {
        // The heap holds the subnode's NID and the object's size.
        std::vector<uint8_t> ref(8, 0);
        if (p.objectNid) {
            put(ref, 0, p.objectNid, 4);
            std::copy_n(p.bytes.begin(), std::min(p.bytes.size(), size_t(4)), ref.begin() + 4);
        } else {
            put(ref, 0, subs.addData(w, p.bytes), 4);
            put(ref, 4, p.bytes.size(), 4);
        }
        return heap.allocate(ref);
    }
    return storeValue(w, heap, subs, p.bytes, options.heapLimit);
}

} // namespace

HeapBuilder buildPropertyContext(NdbWriter& w, std::vector<Prop> props, SubnodeSet& subs,
                                 const PcOptions& options) {
    std::map<uint16_t, Prop> byId;
    for (Prop& p : props)
        byId[p.id] = std::move(p);
    HeapBuilder heap(kClientSigPc, options.pageSize);
    // The BTH header is allocated first, so that hidUserRoot is 0x20 as in Outlook's files.
    std::vector<BthRecord> records;
    for (const auto& [id, p] : byId) {
        BthRecord r{std::vector<uint8_t>(2, 0), std::vector<uint8_t>(6, 0)};
        put(r.key, 0, id, 2);
        put(r.data, 0, p.type, 2);
        records.push_back(std::move(r));
    }
    const uint32_t header = heap.allocate(std::vector<uint8_t>(8, 0));
    // One leaf, placed right after the header: the reader of a PC walks no index levels, so
    // 447 properties are the most.
    const uint32_t root =
        records.empty() ? 0 : heap.allocate(std::vector<uint8_t>(8 * records.size(), 0));
    size_t i = 0;
    for (const auto& [id, p] : byId)
        put(records[i++].data, 2, valueField(w, heap, subs, p, options), 4);
    if (root) {
        std::span<uint8_t> leaf = heap.at(root);
        for (size_t k = 0; k < records.size(); ++k) {
            std::copy(records[k].key.begin(), records[k].key.end(), leaf.begin() + 8 * k);
            std::copy(records[k].data.begin(), records[k].data.end(), leaf.begin() + 8 * k + 2);
        }
    }
    std::span<uint8_t> h = heap.at(header);
    h[0] = kClientSigBth;
    h[1] = 2;
    h[2] = 6;
    h[3] = 0;
    put(h, 4, root, 4);
    heap.setUserRoot(header);
    return heap;
}

uint64_t writePropertyContext(NdbWriter& w, std::vector<Prop> props, SubnodeSet& subs,
                              const PcOptions& options) {
    return buildPropertyContext(w, std::move(props), subs, options).write(w);
}

} // namespace pstw
