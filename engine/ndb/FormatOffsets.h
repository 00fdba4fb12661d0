// Where the engine finds things on disk, per layout: header fields of
// [MS-PST] 2.2.2.6 and the B-tree page positions of [MS-PST] 2.2.2.7.7.
#pragma once

#include <cstdint>

#include "support/LittleEndian.h"

struct theaderoffsets {
    int64_t ibFileEof, bidNBT, ibNBT, bidBBT, ibBBT, bCryptMethod;
};

inline constexpr theaderoffsets kAnsiHeader{168, 184, 188, 192, 196, 461};
inline constexpr theaderoffsets kUnicodeHeader{184, 216, 224, 232, 240, 513};

inline constexpr int kPageSize = 512;
inline constexpr uint32_t kPstMagic = 0x4E444221; // "!BDN"

struct tpageoffsets {
    int cEnt, cEntMax, cLevel, trailer, bid, crc;
    int cbCrc;      // bytes covered by the page CRC
    int cbId;       // width of a BID, IB or NID field
    int cbBtEntry;  // BTENTRY and BBTENTRY
    int cbNbtEntry; // NBTENTRY
    int maxBtEntries, maxNbtEntries;
};

inline constexpr tpageoffsets kAnsiPage{496, 497, 499, 500, 504, 508, 500, 4, 12, 16, 41, 31};
inline constexpr tpageoffsets kUnicodePage{488, 489, 491, 496, 504, 500, 496, 8, 24, 32, 20, 15};

inline const tpageoffsets& PageOffsets(int32_t fUnicode) {
    return fUnicode ? kUnicodePage : kAnsiPage;
}

inline constexpr uint16_t kPageTypeBBT = 0x8080;
inline constexpr uint16_t kPageTypeNBT = 0x8181;
