// The test writer's node database: block storage with BLOCKTRAILER and encoding, the node
// list, and the assembly of the whole file ([MS-PST] 2.2.2).
#include "tests/support/PstWriter.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "tests/support/PstHeader.h"
#include "tests/support/PstSpace.h"

namespace pstw {

using detail::put;

NdbWriter::NdbWriter(Options options) : options_(options), space_(std::make_unique<Space>()) {}
NdbWriter::~NdbWriter() = default;
NdbWriter::NdbWriter(NdbWriter&&) noexcept = default;
NdbWriter& NdbWriter::operator=(NdbWriter&&) noexcept = default;

size_t NdbWriter::maxBlockData() const {
    return detail::format(options_.layout).maxBlockData;
}

uint64_t NdbWriter::storeBlock(std::span<const uint8_t> data, bool internal) {
    const detail::Format& f = detail::format(options_.layout);
    if (data.size() > f.maxBlockData) throw std::length_error("pstw: block data too large");
    // bidIndex counts from bit 2; bit 1 marks an internal block ([MS-PST] 2.2.2.2).
    const uint64_t bid = (nextBidIndex_++ << 2) | (internal ? 2 : 0);
    const uint32_t size = uint32_t((data.size() + f.blockTrailerSize + 63) / 64 * 64);
    const uint64_t offset = space_->allocate(size, 64);
    std::vector<uint8_t> bytes(size, 0);
    std::copy(data.begin(), data.end(), bytes.begin());
    std::span<uint8_t> body(bytes.data(), data.size());
    if (!internal) encodeBlock(body, options_.crypt, bid);
    std::span<uint8_t> trailer(bytes.data() + size - f.blockTrailerSize, f.blockTrailerSize);
    put(trailer, 0, data.size(), 2);
    put(trailer, 2, computeSig(offset, bid), 2);
    put(trailer, f.blockTrailerCrc, crc(body), 4);
    put(trailer, f.blockTrailerBid, bid, f.idSize);
    const BlockInfo info{bid, offset, uint16_t(data.size()), size};
    stored_.push_back({info, std::move(bytes)});
    blocks_.push_back(info);
    return bid;
}

uint64_t NdbWriter::addBlock(std::span<const uint8_t> data) {
    return storeBlock(data, false);
}

uint64_t NdbWriter::addInternalBlock(std::span<const uint8_t> raw) {
    return storeBlock(raw, true);
}

void NdbWriter::addNode(uint64_t nid, uint64_t bidData, uint64_t bidSub, uint32_t nidParent) {
    nodes_.push_back({nid, bidData, bidSub, nidParent});
}

std::optional<BlockInfo> NdbWriter::block(uint64_t bid) const {
    for (const BlockInfo& b : blocks_)
        if (b.bid == bid) return b;
    return std::nullopt;
}

// rgnid[] holds the next free nidIndex of each NID type; [MS-PST] 2.2.2.6 gives the floors.
std::array<uint32_t, 32> NdbWriter::nextNidIndexes() const {
    std::array<uint32_t, 32> next{};
    next.fill(0x400);
    next[0x03] = 0x4000;  // NID_TYPE_SEARCH_FOLDER
    next[0x04] = 0x10000; // NID_TYPE_NORMAL_MESSAGE
    next[0x08] = 0x8000;  // NID_TYPE_ASSOC_MESSAGE
    for (const NodeRecord& n : nodes_) {
        const uint32_t index = uint32_t(n.nid >> 5) + 1;
        next[n.nid & 0x1F] = std::max(next[n.nid & 0x1F], index);
    }
    return next;
}

std::vector<uint8_t> NdbWriter::finish() {
    const detail::Format& f = detail::format(options_.layout);
    Space space = *space_;
    treePages_.clear();
    pages_.clear();
    nextPageBid_ = nextBidIndex_ << 2;
    bbtRoot_ = writeTree(bbtLeaves(), false, space);
    nbtRoot_ = writeTree(nbtLeaves(), true, space);

    std::vector<uint8_t> file(space.fileSize(), 0);
    for (const StoredBlock& b : stored_)
        std::copy(b.bytes.begin(), b.bytes.end(), file.begin() + b.info.offset);
    for (const TreePage& p : treePages_)
        std::copy(p.bytes.begin(), p.bytes.end(), file.begin() + p.offset);

    detail::HeaderFields h;
    h.crypt = options_.crypt;
    h.cbAMapFree = space.writeMaps(file, f, amaps_, pmaps_);
    h.ibFileEof = file.size();
    h.ibAMapLast = amaps_.back();
    h.nbt = nbtRoot_;
    h.bbt = bbtRoot_;
    h.bidNextB = nextBidIndex_ << 2;
    h.bidNextP = nextPageBid_;
    h.rgnid = nextNidIndexes();
    detail::writeHeader(file, f, h);
    return file;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("pstw: cannot write " + path);
}

} // namespace pstw
