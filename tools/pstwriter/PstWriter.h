// Writer of real [MS-PST] files, node database layer: header, allocation maps,
// blocks with their trailers and encodings, data and subnode trees, and the BBT and NBT.
// It shares no code with the engine, so that a misreading of [MS-PST] is not made twice.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pstw {

// Unicode4k: the 4 KiB-page layout of the OST files of Outlook 2013 and later (wVer 36), with
// 64-bit identifiers as in Unicode and block data stored as zlib streams where that is smaller.
enum class Layout { Ansi, Unicode, Unicode4k };

// [MS-PST] 2.2.2.7 (512-byte-page layouts): the first AMap page, the bytes each AMap covers, and
// the number of AMaps the header's rgbFM describes (FMap pages follow from there, about 32 MB), and
// the number whose PMaps the header's rgbFP describes (about 2 GB: FPMap pages follow from there,
// one every 31744 AMaps). An ANSI file stops before the first FPMap: readers widen its 32-bit
// offsets with their sign.
constexpr uint64_t kFirstAMapOffset = 0x4400;
constexpr uint64_t kAMapInterval = 253952;
constexpr uint64_t kAMapsInHeaderFMap = 128;
constexpr uint64_t kMaxAMaps = 8192;

struct Options {
    Layout layout = Layout::Unicode;
    uint8_t crypt = 1;                  // bCryptMethod: 0 none, 1 permute, 2 cyclic
    int maxEntriesPerPage = 0;          // B-tree pages; 0 = capacity; intermediate pages take >= 2
    int maxEntriesPerInternalBlock = 0; // XBLOCK, XXBLOCK, SLBLOCK, SIBLOCK; 0 = block capacity
    size_t maxBlockData = 0;            // data bytes per block of addDataTree; 0 = layout maximum
};

struct SubnodeRef {
    uint32_t nid;
    uint64_t bidData;
    uint64_t bidSub = 0;
};

// Where a block landed: offset of its first byte, data size as stored (BBTENTRY.cb), the size
// it takes in the file with padding and BLOCKTRAILER, and its data size once inflated (equal
// to cb unless the 4 KiB layout stored it compressed).
struct BlockInfo {
    uint64_t bid;
    uint64_t offset;
    uint16_t cb;
    uint32_t size;
    uint16_t cbInflated = 0;
};

struct PageInfo {
    uint64_t offset;
    uint64_t bid;
    int level; // cLevel: 0 leaf
    bool nbt;  // false: BBT page
    int entries;
    uint64_t firstKey; // 0 for an empty page
};

struct Bref {
    uint64_t bid = 0;
    uint64_t ib = 0;
};

class NdbWriter {
public:
    explicit NdbWriter(Options options = {});
    ~NdbWriter();
    NdbWriter(NdbWriter&&) noexcept;
    NdbWriter& operator=(NdbWriter&&) noexcept;

    const Options& options() const { return options_; }
    bool unicode() const { return options_.layout != Layout::Ansi; }
    size_t maxBlockData() const; // 8176 Unicode, 8180 ANSI, 65512 Unicode4k

    // One external data block, encoded with the file's method and its BID as key; in the
    // 4 KiB layout compressed first when that makes it smaller.
    uint64_t addBlock(std::span<const uint8_t> data);
    // One internal block (BID bit 1 set) stored exactly as given.
    uint64_t addInternalBlock(std::span<const uint8_t> raw);
    // A single data block, an XBLOCK over data blocks, or an XXBLOCK over XBLOCKs.
    uint64_t addDataTree(std::span<const uint8_t> data);
    // An SLBLOCK, or an SIBLOCK over SLBLOCKs when one is not enough; entries sorted by NID.
    uint64_t addSubnodeTree(std::vector<SubnodeRef> entries);
    void addNode(uint64_t nid, uint64_t bidData, uint64_t bidSub = 0, uint32_t nidParent = 0);

    // The whole file. May be called again; later calls lay the same file out again.
    std::vector<uint8_t> finish();
    // The same file written straight to path, without a copy of it in memory.
    void finish(const std::string& path);

    // Facts about the file, for tests that damage it on purpose. Blocks are known as soon as
    // they are added; pages, roots and map offsets once finish() has run.
    std::optional<BlockInfo> block(uint64_t bid) const;
    const std::vector<BlockInfo>& blocks() const { return blocks_; }
    const std::vector<PageInfo>& pages() const { return pages_; }
    Bref bbtRoot() const { return bbtRoot_; }
    Bref nbtRoot() const { return nbtRoot_; }
    uint64_t bbtRootOffset() const { return bbtRoot_.ib; }
    uint64_t nbtRootOffset() const { return nbtRoot_.ib; }
    const std::vector<uint64_t>& amapOffsets() const { return amaps_; }
    const std::vector<uint64_t>& pmapOffsets() const { return pmaps_; }
    const std::vector<uint64_t>& fmapOffsets() const { return fmaps_; }
    const std::vector<uint64_t>& fpmapOffsets() const { return fpmaps_; }
    bool isMapPage(uint64_t offset) const;

private:
    struct StoredBlock {
        BlockInfo info;
        std::vector<uint8_t> bytes; // data as stored, padding and trailer included
    };
    struct NodeRecord {
        uint64_t nid, bidData, bidSub;
        uint32_t nidParent;
    };
    struct TreePage {
        uint64_t offset;
        std::vector<uint8_t> bytes;
    };
    struct LeafEntry {
        uint64_t key;
        std::vector<uint8_t> bytes;
    };
    class Space; // slot-granular allocator over the AMap intervals
    // Receives one laid-out piece of the file: its offset and its bytes.
    using PieceSink = std::function<void(uint64_t offset, std::span<const uint8_t> bytes)>;

    uint64_t storeBlock(std::span<const uint8_t> data, bool internal);
    void writeBlockTrailer(std::span<uint8_t> trailer, const BlockInfo& info,
                           std::span<const uint8_t> stored) const;
    int internalCapacity(size_t headerSize, size_t entrySize) const;
    uint64_t addXBlock(uint8_t level, const std::vector<uint64_t>& bids, uint32_t total);
    uint64_t addSlBlock(std::span<const SubnodeRef> entries);
    uint64_t addSiBlock(const std::vector<std::pair<uint32_t, uint64_t>>& entries);
    std::vector<LeafEntry> bbtLeaves() const;
    std::vector<LeafEntry> nbtLeaves() const;
    Bref writeTree(std::vector<LeafEntry> leaves, bool nbt, Space& space);
    Bref writePage(std::span<const LeafEntry> entries, bool nbt, int level, Space& space);
    std::array<uint32_t, 32> nextNidIndexes() const;
    // Lays the file out piece by piece; returns its size.
    uint64_t layOut(const PieceSink& sink);

    Options options_;
    uint64_t nextBidIndex_ = 1;
    std::unique_ptr<Space> space_;
    std::vector<StoredBlock> stored_;
    std::vector<BlockInfo> blocks_;
    std::vector<NodeRecord> nodes_;
    std::vector<TreePage> treePages_;
    std::vector<PageInfo> pages_;
    uint64_t nextPageBid_ = 0;
    Bref bbtRoot_, nbtRoot_;
    std::vector<uint64_t> amaps_, pmaps_, fmaps_, fpmaps_;
};

// The [MS-PST] CRC (CRC-32 table of 0xEDB88320, started at 0, not inverted at the end).
uint32_t crc(std::span<const uint8_t> bytes);
// [MS-PST] ComputeSig: the wSig of a block or B-tree page at offset ib with that BID.
uint16_t computeSig(uint64_t ib, uint64_t bid);
// NDB_CRYPT_PERMUTE (1) and NDB_CRYPT_CYCLIC (2); method 0 leaves the bytes alone.
void encodeBlock(std::span<uint8_t> bytes, uint8_t method, uint64_t bid);
void decodeBlock(std::span<uint8_t> bytes, uint8_t method, uint64_t bid);

// Recompute what a test spoilt on purpose, so that only the intended fault remains:
// a page's wSig and dwCRC (map pages keep wSig 0), or the header's dwCRCPartial/dwCRCFull.
void resealPage(std::vector<uint8_t>& file, uint64_t offset, Layout layout);
void resealHeader(std::vector<uint8_t>& file, Layout layout);

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace pstw
