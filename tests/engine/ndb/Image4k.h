// Hand-made file images in the 4 KiB layout of current Outlook's OST files
// (wVer 36; not in [MS-PST]): header, the first allocation map page, B-tree
// pages with 16-bit counts and 24-byte trailers, BBT entries with both sizes,
// and blocks in 512-byte slots whose trailer gives both sizes, stored as they
// are or as zlib streams. No test framework here: the fuzz seeds use it too.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <vector>

#include "engine/uPST64Format.h"

namespace img4k {

inline constexpr size_t kPage = 4096;
inline constexpr size_t kSlot = 512;
inline constexpr size_t kBlockTrailer = 24;
inline constexpr size_t kFirstAMap = 0x22000;
inline constexpr uint16_t kVersion = 36;

// The bytes of `data` as one zlib stream.
inline std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data) {
    uLongf size = compressBound(uLong(data.size()));
    std::vector<uint8_t> out(size);
    compress2(out.data(), &size, data.data(), uLong(data.size()), Z_BEST_COMPRESSION);
    out.resize(size);
    return out;
}

struct Image4k {
    std::vector<uint8_t> bytes;

    explicit Image4k(size_t size = 0x30000) : bytes(size, 0) {}

    void grow(size_t end) {
        if (bytes.size() < end) bytes.resize(end, 0);
    }
    void put8(size_t off, uint8_t v) {
        grow(off + 1);
        bytes[off] = v;
    }
    void put16(size_t off, uint16_t v) {
        put8(off, uint8_t(v));
        put8(off + 1, uint8_t(v >> 8));
    }
    void put32(size_t off, uint32_t v) {
        put16(off, uint16_t(v));
        put16(off + 2, uint16_t(v >> 16));
    }
    void put64(size_t off, uint64_t v) {
        put32(off, uint32_t(v));
        put32(off + 4, uint32_t(v >> 32));
    }
    void putBytes(size_t off, const std::vector<uint8_t>& data) {
        grow(off + data.size());
        std::copy(data.begin(), data.end(), bytes.begin() + long(off));
    }

    // "!BDN", wVer, the encoding and the roots at the Unicode header's places.
    void header(uint64_t bidNBT, uint64_t ibNBT, uint64_t bidBBT, uint64_t ibBBT,
                uint16_t wVer = kVersion, uint8_t crypt = 0) {
        put32(0, kPstMagic);
        put16(10, wVer);
        put8(kUnicodeHeader.bCryptMethod, crypt);
        put64(kUnicodeHeader.bidNBT, bidNBT);
        put64(kUnicodeHeader.ibNBT, ibNBT);
        put64(kUnicodeHeader.bidBBT, bidBBT);
        put64(kUnicodeHeader.ibBBT, ibBBT);
        put64(kUnicodeHeader.ibFileEof, bytes.size());
    }

    void trailer(size_t off, uint8_t type, uint64_t bid) {
        const tpageoffsets& po = kUnicode4kPage;
        put8(off + po.trailer, type);
        put8(off + po.trailer + 1, type);
        put64(off + po.bid, bid);
        reseal(off);
    }
    void reseal(size_t off) {
        const tpageoffsets& po = kUnicode4kPage;
        put32(off + po.crc, ComputeCrc(po.cbCrc, bytes.data() + off));
    }

    // The allocation map page that the layout probe looks for.
    void amap() { trailer(kFirstAMap, 0x84, 0x4); }

    // A B-tree page at `off`; its entries are laid out first through the
    // entry writers, since this seals the page.
    void page(size_t off, bool nbt, int level, int cEnt, uint64_t bid) {
        const tpageoffsets& po = kUnicode4kPage;
        int entrySize = (nbt && level == 0) ? po.cbNbtEntry : po.cbBtEntry;
        put16(off + po.cEnt, uint16_t(cEnt));
        put16(off + po.cEntMax, uint16_t(po.cEnt / entrySize));
        put8(off + po.cEntMax + 2, uint8_t(entrySize));
        put8(off + po.cLevel, uint8_t(level));
        trailer(off, nbt ? 0x81 : 0x80, bid);
    }
    void btEntry(size_t page, int i, uint64_t key, uint64_t bid, uint64_t ib) {
        size_t e = page + size_t(i) * 24;
        put64(e, key);
        put64(e + 8, bid);
        put64(e + 16, ib);
    }
    void bbtEntry(size_t page, int i, uint64_t bid, uint64_t ib, uint16_t cb, uint16_t cbInflated) {
        size_t e = page + size_t(i) * 24;
        put64(e, bid);
        put64(e + 8, ib);
        put16(e + 16, cb);
        put16(e + 18, cbInflated);
        put16(e + 20, 1); // cRef
    }
    void nbtEntry(size_t page, int i, uint64_t nid, uint64_t bidData, uint64_t bidSub,
                  uint32_t nidParent) {
        size_t e = page + size_t(i) * 32;
        put64(e, nid);
        put64(e + 8, bidData);
        put64(e + 16, bidSub);
        put32(e + 24, nidParent);
    }

    // A block at `off` (a slot boundary): the stored bytes, and the trailer
    // at the end of the slot with both sizes.
    void block(size_t off, uint64_t bid, const std::vector<uint8_t>& stored, uint16_t cbInflated) {
        putBytes(off, stored);
        size_t slot = (stored.size() + kBlockTrailer + kSlot - 1) / kSlot * kSlot;
        size_t t = off + slot - kBlockTrailer;
        put16(t, uint16_t(stored.size()));
        put64(t + 8, bid);
        put16(t + 16, 0x0002);
        put16(t + 18, cbInflated);
    }
};

// A BBT of one leaf under a level-1 root, and an NBT of one leaf under a
// level-1 root, at fixed pages after the allocation map; the caller fills
// the leaves' entries and seals them with SealLeaves.
struct Trees {
    static constexpr size_t kBbtRoot = 0x23000, kBbtLeaf = 0x24000;
    static constexpr size_t kNbtRoot = 0x25000, kNbtLeaf = 0x26000;
    static constexpr size_t kFirstBlock = 0x27000;
    static constexpr uint64_t kBbtRootBid = 0x1000, kBbtLeafBid = 0x1004;
    static constexpr uint64_t kNbtRootBid = 0x1008, kNbtLeafBid = 0x100C;
};

// Seals both leaves and writes the roots above them and the header.
inline void SealTrees(Image4k& img, int cBlocks, uint64_t firstBid, int cNodes, uint64_t firstNid) {
    img.page(Trees::kBbtLeaf, false, 0, cBlocks, Trees::kBbtLeafBid);
    img.page(Trees::kNbtLeaf, true, 0, cNodes, Trees::kNbtLeafBid);
    img.btEntry(Trees::kBbtRoot, 0, firstBid, Trees::kBbtLeafBid, Trees::kBbtLeaf);
    img.page(Trees::kBbtRoot, false, 1, 1, Trees::kBbtRootBid);
    img.btEntry(Trees::kNbtRoot, 0, firstNid, Trees::kNbtLeafBid, Trees::kNbtLeaf);
    img.page(Trees::kNbtRoot, true, 1, 1, Trees::kNbtRootBid);
    img.amap();
    img.header(Trees::kNbtRootBid, Trees::kNbtRoot, Trees::kBbtRootBid, Trees::kBbtRoot);
}

} // namespace img4k
