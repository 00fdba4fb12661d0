// Expansion of attachment data that reached the message as the raw bytes of
// a two-level data tree ([MS-PST] 2.2.2.8.3.2.2, XXBLOCK).
#include <algorithm>
#include <string>
#include <vector>

#include "engine/Limits.h"
#include "engine/messaging/BuildMessage.h"
#include "engine/ndb/BlockRead.h"
#include "support/LittleEndian.h"

namespace {

constexpr uint16_t kXBlockSignature = 0x0101;  // btype 0x01, cLevel 1
constexpr uint16_t kXXBlockSignature = 0x0201; // btype 0x01, cLevel 2
constexpr size_t kTreeHeader = 8;              // btype, cLevel, cEnt, lcbTotal

// The BIDs a data tree block lists, or false when they do not fit in it.
bool ListedBids(tpstfile* file, const uint8_t* block, size_t size, std::vector<uint64_t>& bids) {
    if (size < kTreeHeader) return false;
    size_t width = file->fUnicode ? 8 : 4;
    size_t count = LoadU16(block + 2);
    if (kTreeHeader + count * width > size) return false;
    bids.clear();
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = block + kTreeHeader + i * width;
        bids.push_back(file->fUnicode ? LoadU64(p) : LoadU32(p));
    }
    return true;
}

// Appends the data blocks of one XBLOCK; false on any fault or overflow.
bool AppendXBlock(tpstfile* file, uint64_t bid, uint64_t limit, std::string& out) {
    tbuffer block;
    int32_t n = ReadBlockDecoded(file, block, bid);
    if (n <= 0) return false;
    size_t size = std::min(size_t(n), block.size());
    if (size < kTreeHeader || LoadU16(block.data()) != kXBlockSignature) return false;
    std::vector<uint64_t> bids;
    if (!ListedBids(file, block.data(), size, bids)) return false;
    tbuffer part;
    for (uint64_t dataBid : bids) {
        int32_t got = ReadBlockDecoded(file, part, dataBid);
        if (got <= 0) return false;
        size_t partSize = std::min(size_t(got), part.size());
        if (out.size() + partSize > limit) return false;
        out.append(reinterpret_cast<const char*>(part.data()), partSize);
    }
    return true;
}

} // namespace

int32_t ExpandAttachmentData(tpstfile* file, tattachment* attachment) {
    if (!file || !attachment || !attachment->Data) return 0;
    const std::string& data = *attachment->Data;
    if (data.size() < kTreeHeader) return 0;
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(data.data());
    uint16_t signature = LoadU16(raw);
    if (signature != kXBlockSignature && signature != kXXBlockSignature) return 0;
    uint64_t lcbTotal = LoadU32(raw + 4);
    if (lcbTotal > ostrel::limits::kMaxExpandedAttachmentBytes) return -1;
    std::vector<uint64_t> xblocks;
    if (!ListedBids(file, raw, data.size(), xblocks)) return -1;
    std::string out;
    out.reserve(size_t(lcbTotal));
    for (uint64_t bid : xblocks)
        if (!AppendXBlock(file, bid, lcbTotal, out)) return -1;
    out.resize(size_t(lcbTotal), '\0'); // a short tree leaves the rest zero
    attachment->Data = std::move(out);
    attachment->DataSize = uint32_t(lcbTotal);
    return 0;
}
