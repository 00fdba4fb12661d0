// BTH leaves, index levels and header of the PST writer ([MS-PST] 2.3.2.1 to 2.3.2.3).
#include "tools/pstwriter/PstBth.h"

#include <algorithm>
#include <stdexcept>

#include "tools/pstwriter/PstFormat.h"

namespace pstw {

namespace {

uint64_t keyValue(const std::vector<uint8_t>& key) {
    return detail::get(key, 0, std::min<size_t>(key.size(), 8));
}

// One level: records grouped into allocations; returns the (first key, HID) of each.
std::vector<BthRecord> writeLevel(HeapBuilder& heap, const std::vector<BthRecord>& records,
                                  size_t perNode) {
    std::vector<BthRecord> parents;
    for (size_t i = 0; i < records.size(); i += perNode) {
        std::vector<uint8_t> bytes;
        for (size_t k = i; k < std::min(records.size(), i + perNode); ++k) {
            bytes.insert(bytes.end(), records[k].key.begin(), records[k].key.end());
            bytes.insert(bytes.end(), records[k].data.begin(), records[k].data.end());
        }
        std::vector<uint8_t> hid(4, 0);
        detail::put(hid, 0, heap.allocate(bytes), 4);
        parents.push_back({records[i].key, hid});
    }
    return parents;
}

size_t perNode(size_t recordSize, const BthOptions& options) {
    const size_t fit = HeapBuilder::kMaxAllocation / recordSize;
    const size_t want = options.maxRecordsPerNode ? options.maxRecordsPerNode : fit;
    return std::max<size_t>(2, std::min(want, fit));
}

} // namespace

BthInfo writeBth(HeapBuilder& heap, uint8_t cbKey, uint8_t cbEnt, std::vector<BthRecord> records,
                 const BthOptions& options) {
    for (const BthRecord& r : records)
        if (r.key.size() != cbKey || r.data.size() != cbEnt)
            throw std::invalid_argument("pstw: BTH record of the wrong size");
    std::stable_sort(records.begin(), records.end(), [](const BthRecord& a, const BthRecord& b) {
        return keyValue(a.key) < keyValue(b.key);
    });
    BthInfo info;
    // The header comes first, as Outlook lays it out; its root is filled in at the end.
    info.hidHeader = heap.allocate(std::vector<uint8_t>(8, 0));
    if (!records.empty()) {
        std::vector<BthRecord> level = writeLevel(heap, records, perNode(cbKey + cbEnt, options));
        while (level.size() > 1) {
            level = writeLevel(heap, level, perNode(cbKey + 4, options));
            ++info.indexLevels;
        }
        info.hidRoot = uint32_t(detail::get(level[0].data, 0, 4));
    }
    std::span<uint8_t> header = heap.at(info.hidHeader);
    header[0] = kClientSigBth;
    header[1] = cbKey;
    header[2] = cbEnt;
    header[3] = info.indexLevels;
    detail::put(header, 4, info.hidRoot, 4);
    return info;
}

} // namespace pstw
