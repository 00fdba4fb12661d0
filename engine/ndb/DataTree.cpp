// Data trees: a block's data, or the concatenated data blocks of an XBLOCK.
#include "engine/ndb/DataTree.h"

#include "engine/Limits.h"
#include "engine/ndb/BlockRead.h"
#include "engine/ndb/FormatOffsets.h"
#include "support/LittleEndian.h"

namespace {

constexpr uint16_t kXBlockSignature = 0x0101; // btype 0x01, cLevel 1

// Steps 4-6: the data blocks an XBLOCK lists, each decoded with its own BID.
int32_t ReadXBlock(tpstfile* file, tblockentry* block, tbuffer& xblock, int32_t count,
                   tbuffer& data) {
    uint32_t cEnt = LoadU16(xblock.data() + 2);
    int idWidth = file->fUnicode ? 8 : 4;
    int32_t needed = int32_t(cEnt) * idWidth + 8;
    if (count < needed && !RereadBlockLonger(file, block, needed, xblock)) return 0;
    data.clear();
    tbuffer part;
    uint64_t total = 0;
    for (uint32_t i = 0; i < cEnt; ++i) {
        const uint8_t* p = xblock.data() + 8 + i * idWidth;
        uint64_t bid = file->fUnicode ? LoadU64(p) : LoadU32(p);
        int32_t n = ReadBlockDecoded(file, part, bid);
        if (n <= 0) return 0;
        total += uint64_t(n);
        if (total > ostrel::limits::kMaxDataTreeBytes) return 0;
        data.insert(data.end(), part.begin(), part.begin() + n);
    }
    return int32_t(total);
}

} // namespace

int32_t ReadDataTree(tpstfile* file, tblockentry* block, tbuffer& data) {
    if (!file || !block) return 0;
    // 1. An external block is the data itself.
    if (!IsInternalBid(uint64_t(block->bid)))
        return ReadBlockDecoded(file, data, uint64_t(block->bid));
    // 2. Internal blocks are read raw.
    tbuffer raw;
    int32_t count = ReadBlock(file, raw, uint64_t(block->bid));
    if (count <= 0) return 0;
    // 3. Anything but an XBLOCK is delivered as stored.
    if (count < 4 || LoadU16(raw.data()) != kXBlockSignature) {
        raw.resize(size_t(count));
        data = std::move(raw);
        return count;
    }
    return ReadXBlock(file, block, raw, count, data);
}
