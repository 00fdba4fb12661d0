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

// The page size of the two layouts of [MS-PST] 2.2.2.7.
inline constexpr int kPageSize = 512;
inline constexpr uint32_t kPstMagic = 0x4E444221; // "!BDN"

// The three on-disk layouts. Unicode4k is the layout of the OST files written
// by Outlook 2013 and later (wVer 36 or 37): 64-bit identifiers as in the
// Unicode layout, but 4096-byte pages, 16-bit entry counts, blocks of up to
// 64 KiB and block data that may be stored DEFLATE-compressed. [MS-PST] does
// not describe it; libpff's "Personal Folder File (PFF) format" notes do.
enum class tlayout : uint8_t { Ansi, Unicode, Unicode4k };

struct tpageoffsets {
    int cEnt, cEntMax, cLevel, trailer, bid, crc;
    int cbCrc;      // bytes covered by the page CRC
    int cbId;       // width of a BID, IB or NID field
    int cbBtEntry;  // BTENTRY and BBTENTRY
    int cbNbtEntry; // NBTENTRY
    int maxBtEntries, maxNbtEntries;
    int pageSize = kPageSize;
    int cbCount = 1;              // width of the cEnt and cEntMax fields
    int ibCbInflated = -1;        // inflated size in a BBTENTRY; -1: blocks are stored as they are
    int64_t ibFirstAMap = 0x4400; // the first allocation map page
    int64_t ibFirstBTreePage = 0x4800; // no B-tree page lies before it
    int cbBlockAlign = 64;             // blocks and their trailers fill slots of this size
    uint32_t cbMaxBlockData = 8176;    // the most data one block holds
};

inline constexpr tpageoffsets kAnsiPage{.cEnt = 496,
                                        .cEntMax = 497,
                                        .cLevel = 499,
                                        .trailer = 500,
                                        .bid = 504,
                                        .crc = 508,
                                        .cbCrc = 500,
                                        .cbId = 4,
                                        .cbBtEntry = 12,
                                        .cbNbtEntry = 16,
                                        .maxBtEntries = 41,
                                        .maxNbtEntries = 31,
                                        .cbMaxBlockData = 8180};
inline constexpr tpageoffsets kUnicodePage{488, 489, 491, 496, 504, 500, 496, 8, 24, 32, 20, 15};

// The 4 KiB layout, as found in the files of current Outlook: the trailer of
// 24 bytes begins at 4072 (type, type again, wSig, dwCRC, BID, then 8 bytes
// not read), the CRC covers everything before it, and the counts sit below
// the trailer: cEnt and cEntMax of 16 bits at 4056 and 4058, cbEnt at 4060,
// cLevel at 4061. A BBTENTRY is BREF, cb, the inflated size, cRef and 2 bytes
// of padding; blocks take 512-byte slots; a data block holds 64 KiB less its
// 24-byte trailer.
inline constexpr tpageoffsets kUnicode4kPage{.cEnt = 4056,
                                             .cEntMax = 4058,
                                             .cLevel = 4061,
                                             .trailer = 4072,
                                             .bid = 4080,
                                             .crc = 4076,
                                             .cbCrc = 4072,
                                             .cbId = 8,
                                             .cbBtEntry = 24,
                                             .cbNbtEntry = 32,
                                             .maxBtEntries = 169,
                                             .maxNbtEntries = 126,
                                             .pageSize = 4096,
                                             .cbCount = 2,
                                             .ibCbInflated = 18,
                                             .ibFirstAMap = 0x22000,
                                             .ibFirstBTreePage = 0x22000,
                                             .cbBlockAlign = 512,
                                             .cbMaxBlockData = 65512};

inline const tpageoffsets& PageOffsets(tlayout layout) {
    switch (layout) {
    case tlayout::Ansi:
        return kAnsiPage;
    case tlayout::Unicode4k:
        return kUnicode4kPage;
    default:
        return kUnicodePage;
    }
}

// The two layouts of [MS-PST], by identifier width.
inline const tpageoffsets& PageOffsets(bool fUnicode) {
    return PageOffsets(fUnicode ? tlayout::Unicode : tlayout::Ansi);
}

// A count field of a B-tree page (cEnt, cEntMax) in the layout's width.
inline int PageCount(const uint8_t* page, const tpageoffsets& po, int offset) {
    return po.cbCount == 2 ? int(page[offset] | (page[offset + 1] << 8)) : int(page[offset]);
}

// The file versions ([MS-PST] 2.2.2.6 wVer) of each layout.
inline constexpr uint16_t kVerUnicode4k = 36;
inline constexpr uint16_t kVerUnicode4kAlt = 37;

inline constexpr uint16_t kPageTypeBBT = 0x8080;
inline constexpr uint16_t kPageTypeNBT = 0x8181;
