// Internal to the PST writer: the byte positions of [MS-PST] structures in each layout and
// little-endian stores into byte buffers ([MS-PST] 2.2.2: HEADER, BTPAGE, BLOCKTRAILER).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "tools/pstwriter/PstWriter.h"

namespace pstw::detail {

struct Format {
    bool unicode;
    size_t idSize;           // BID, IB and NID fields of pages and internal blocks
    size_t pageTrailer;      // PAGETRAILER start; also the bytes dwCRC covers
    size_t pageCrc;          // PAGETRAILER.dwCRC
    size_t pageBid;          // PAGETRAILER.bid
    size_t btMeta;           // BTPAGE cEnt, then cEntMax, cbEnt, cLevel
    size_t btEntryArea;      // bytes of rgentries
    size_t mapBits;          // first byte of an AMap/PMap bitmap (ANSI has dwPadding first)
    size_t blockTrailerSize; // BLOCKTRAILER
    size_t blockTrailerCrc;  // BLOCKTRAILER.dwCRC within the trailer
    size_t blockTrailerBid;  // BLOCKTRAILER.bid within the trailer
    size_t maxBlockData;     // 8192 bytes per block minus the trailer
    size_t btEntrySize;      // BTENTRY
    size_t bbtEntrySize;     // BBTENTRY
    size_t nbtEntrySize;     // NBTENTRY
    uint16_t wVer;           // HEADER.wVer
    size_t pageSize;         // every page, at an offset that is a multiple of it
    size_t countWidth;       // BTPAGE cEnt and cEntMax
    size_t blockAlign;       // blocks fill slots of this size; one AMap bit covers one slot
    uint64_t firstAMap;      // the first AMap page; the header area ends there
    bool compressed;         // blocks may be zlib streams; BBTENTRY and trailer give both sizes

    size_t mapBitmapBytes() const { return pageTrailer - mapBits; }
    uint64_t amapInterval() const { return mapBitmapBytes() * 8 * blockAlign; }
};

constexpr Format kUnicode{true, 8,  496, 500, 504, 488, 488, 0,  16,     4,    8,
                          8176, 24, 24,  32,  23,  512, 1,   64, 0x4400, false};
constexpr Format kAnsi{false, 4,  500, 508, 504, 496, 496, 4,  12,     8,    4,
                       8180,  12, 12,  16,  14,  512, 1,   64, 0x4400, false};
// The 4 KiB-page layout of current Outlook's OST files (wVer 36), which [MS-PST] leaves out:
// 24-byte page trailers at 4072, 16-bit entry counts at 4056, 24-byte block trailers that
// end 512-byte slots, blocks of up to 64 KiB less the trailer, and one AMap page covering
// 4072 * 8 slots of 512 bytes from 0x22000 on.
constexpr Format kUnicode4k{true,  8,  4072, 4076, 4080, 4056, 4056, 0,   24,      4,   8,
                            65512, 24, 24,   32,   36,   4096, 2,    512, 0x22000, true};

inline const Format& format(Layout layout) {
    switch (layout) {
    case Layout::Ansi:
        return kAnsi;
    case Layout::Unicode4k:
        return kUnicode4k;
    default:
        return kUnicode;
    }
}

// The page size of the two layouts of [MS-PST]; the 4 KiB layout has its own in Format.
constexpr size_t kPageSize = 512;
constexpr size_t kMaxBlockSize = 8192;
constexpr uint8_t kPtypeBbt = 0x80, kPtypeNbt = 0x81, kPtypeFMap = 0x82, kPtypePMap = 0x83,
                  kPtypeAMap = 0x84, kPtypeFPMap = 0x85;

inline void put(std::span<uint8_t> bytes, size_t offset, uint64_t value, size_t width) {
    for (size_t i = 0; i < width; ++i)
        bytes[offset + i] = uint8_t(value >> (8 * i));
}

inline uint64_t get(std::span<const uint8_t> bytes, size_t offset, size_t width) {
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i)
        value |= uint64_t(bytes[offset + i]) << (8 * i);
    return value;
}

// Writes ptype, wSig, bid and dwCRC of a page at file offset ib.
void sealPage(std::span<uint8_t> page, const Format& f, uint8_t ptype, uint64_t bid, uint64_t ib);

} // namespace pstw::detail
