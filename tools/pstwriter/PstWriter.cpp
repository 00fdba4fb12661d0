// The test writer's node database: block storage with BLOCKTRAILER and encoding, the node
// list, and the assembly of the whole file ([MS-PST] 2.2.2).
#include "tools/pstwriter/PstWriter.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <zlib.h>

#include "tools/pstwriter/PstHeader.h"
#include "tools/pstwriter/PstSpace.h"

namespace pstw {

using detail::put;

NdbWriter::NdbWriter(Options options)
    : options_(options), space_(std::make_unique<Space>(detail::format(options.layout))) {}
NdbWriter::~NdbWriter() = default;
NdbWriter::NdbWriter(NdbWriter&&) noexcept = default;
NdbWriter& NdbWriter::operator=(NdbWriter&&) noexcept = default;

size_t NdbWriter::maxBlockData() const {
    return detail::format(options_.layout).maxBlockData;
}

namespace {

// The 4 KiB layout's BLOCKTRAILER: cb, wSig, dwCRC, bid, a word Outlook sets to 2, the
// inflated size, then 4 zero bytes.
constexpr size_t kTrailer4kMarker = 16, kTrailer4kInflated = 18;
constexpr uint16_t kTrailer4kMarkerValue = 0x0002;

// The block's bytes as one zlib stream when that is smaller, else nothing.
std::optional<std::vector<uint8_t>> deflated(std::span<const uint8_t> data) {
    uLongf size = compressBound(uLong(data.size()));
    std::vector<uint8_t> out(size);
    if (compress2(out.data(), &size, data.data(), uLong(data.size()), Z_DEFAULT_COMPRESSION) !=
            Z_OK ||
        size >= data.size())
        return std::nullopt;
    out.resize(size);
    return out;
}

} // namespace

void NdbWriter::writeBlockTrailer(std::span<uint8_t> trailer, const BlockInfo& info,
                                  std::span<const uint8_t> stored) const {
    const detail::Format& f = detail::format(options_.layout);
    put(trailer, 0, info.cb, 2);
    put(trailer, 2, computeSig(info.offset, info.bid), 2);
    put(trailer, f.blockTrailerCrc, crc(stored), 4);
    put(trailer, f.blockTrailerBid, info.bid, f.idSize);
    if (!f.compressed) return;
    put(trailer, kTrailer4kMarker, kTrailer4kMarkerValue, 2);
    put(trailer, kTrailer4kInflated, info.cbInflated, 2);
}

uint64_t NdbWriter::storeBlock(std::span<const uint8_t> data, bool internal) {
    const detail::Format& f = detail::format(options_.layout);
    if (data.size() > f.maxBlockData) throw std::length_error("pstw: block data too large");
    // bidIndex counts from bit 2; bit 1 marks an internal block ([MS-PST] 2.2.2.2).
    const uint64_t bid = (nextBidIndex_++ << 2) | (internal ? 2 : 0);
    // Blocks are encoded before they are deflated: libpff and libpst both read them so.
    // Internal blocks stay stored as they are, as in Outlook's files.
    std::vector<uint8_t> encoded(data.begin(), data.end());
    if (!internal) encodeBlock(encoded, options_.crypt, bid);
    std::optional<std::vector<uint8_t>> packed;
    if (f.compressed && !internal && !data.empty()) packed = deflated(encoded);
    const std::span<const uint8_t> content = packed ? *packed : encoded;
    const uint32_t size = uint32_t((content.size() + f.blockTrailerSize + f.blockAlign - 1) /
                                   f.blockAlign * f.blockAlign);
    const uint64_t offset = space_->allocate(size, f.blockAlign);
    std::vector<uint8_t> bytes(size, 0);
    std::copy(content.begin(), content.end(), bytes.begin());
    std::span<const uint8_t> body(bytes.data(), content.size());
    const BlockInfo info{bid, offset, uint16_t(content.size()), size, uint16_t(data.size())};
    writeBlockTrailer(std::span(bytes).last(f.blockTrailerSize), info, body);
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
    h.cbAMapFree = space.writeMaps(f, sink, amaps_, pmaps_, fmaps_, fpmaps_);
    h.ibFileEof = space.fileSize();
    h.ibAMapLast = amaps_.back();
    h.nbt = nbtRoot_;
    h.bbt = bbtRoot_;
    h.bidNextB = nextBidIndex_ << 2;
    h.bidNextP = nextPageBid_;
    h.rgnid = nextNidIndexes();
    std::vector<uint8_t> head(f.firstAMap, 0);
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
    for (const auto* maps : {&amaps_, &pmaps_, &fmaps_, &fpmaps_})
        if (std::binary_search(maps->begin(), maps->end(), offset)) return true;
    return false;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("pstw: cannot write " + path);
}

} // namespace pstw
