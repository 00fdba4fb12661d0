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
};

constexpr Format kUnicode{true, 8, 496, 500, 504, 488, 488, 0, 16, 4, 8, 8176, 24, 24, 32};
constexpr Format kAnsi{false, 4, 500, 508, 504, 496, 496, 4, 12, 8, 4, 8180, 12, 12, 16};

inline const Format& format(Layout layout) {
    return layout == Layout::Unicode ? kUnicode : kAnsi;
}

constexpr size_t kPageSize = 512;
constexpr size_t kMaxBlockSize = 8192;
constexpr uint8_t kPtypeBbt = 0x80, kPtypeNbt = 0x81, kPtypeFMap = 0x82, kPtypePMap = 0x83,
                  kPtypeAMap = 0x84;

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

// Writes ptype, wSig, bid and dwCRC of a 512-byte page at file offset ib.
void sealPage(std::span<uint8_t> page, const Format& f, uint8_t ptype, uint64_t bid, uint64_t ib);

} // namespace pstw::detail
