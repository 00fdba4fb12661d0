// The test writer's node database: block storage with BLOCKTRAILER and encoding, the node
// list, and the assembly of the whole file ([MS-PST] 2.2.2).
#include "tools/pstwriter/PstWriter.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tools/pstwriter/PstHeader.h"
#include "tools/pstwriter/PstSpace.h"

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

uint64_t NdbWriter::layOut(const PieceSink& sink) {
    const detail::Format& f = detail::format(options_.layout);
    Space space = *space_;
    treePages_.clear();
    pages_.clear();
    nextPageBid_ = nextBidIndex_ << 2;
    bbtRoot_ = writeTree(bbtLeaves(), false, space);
    nbtRoot_ = writeTree(nbtLeaves(), true, space);

    for (const StoredBlock& b : stored_)
        sink(b.info.offset, b.bytes);
    for (const TreePage& p : treePages_)
        sink(p.offset, p.bytes);

    detail::HeaderFields h;
    h.crypt = options_.crypt;
    h.cbAMapFree = space.writeMaps(f, sink, amaps_, pmaps_, fmaps_);
    h.ibFileEof = space.fileSize();
    h.ibAMapLast = amaps_.back();
    h.nbt = nbtRoot_;
    h.bbt = bbtRoot_;
    h.bidNextB = nextBidIndex_ << 2;
    h.bidNextP = nextPageBid_;
    h.rgnid = nextNidIndexes();
    std::vector<uint8_t> head(kFirstAMapOffset, 0);
    detail::writeHeader(head, f, h);
    sink(0, head);
    return h.ibFileEof;
}

std::vector<uint8_t> NdbWriter::finish() {
    std::vector<uint8_t> file;
    const uint64_t size = layOut([&](uint64_t at, std::span<const uint8_t> bytes) {
        if (file.size() < at + bytes.size()) file.resize(at + bytes.size(), 0);
        std::copy(bytes.begin(), bytes.end(), file.begin() + at);
    });
    file.resize(size, 0);
    return file;
}

void NdbWriter::finish(const std::string& path) {
    uint64_t size = 0;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        size = layOut([&](uint64_t at, std::span<const uint8_t> bytes) {
            out.seekp(std::streamoff(at));
            out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        });
        out.flush();
        if (!out) throw std::runtime_error("pstw: cannot write " + path);
    }
    // The free tail of the last interval was never written; the file still ends at ibFileEof.
    std::filesystem::resize_file(path, size);
}

bool NdbWriter::isMapPage(uint64_t offset) const {
    for (const auto* maps : {&amaps_, &pmaps_, &fmaps_})
        if (std::binary_search(maps->begin(), maps->end(), offset)) return true;
    return false;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("pstw: cannot write " + path);
}

} // namespace pstw
