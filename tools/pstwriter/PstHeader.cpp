// The file HEADER with its ROOT and both CRCs, as the PST writer lays it out
// ([MS-PST] 2.2.2.5, 2.2.2.6).
#include "tools/pstwriter/PstHeader.h"

#include <algorithm>
#include <stdexcept>

namespace pstw {

namespace detail {

namespace {

struct HeaderOffsets {
    size_t bidNextB, bidNextP, dwUnique, rgnid, root, rgbFM, rgbFP, bSentinel, bCryptMethod;
    size_t crcFull; // 0: the ANSI header has no dwCRCFull
};

constexpr HeaderOffsets kUnicodeHeader{516, 32, 40, 44, 180, 256, 384, 512, 513, 524};
constexpr HeaderOffsets kAnsiHeader{24, 28, 32, 36, 164, 204, 332, 460, 461, 0};

constexpr size_t kCrcStart = 8; // both CRCs start at wMagicClient
constexpr size_t kCrcPartialSize = 471;
constexpr size_t kCrcFullSize = 516;

void writeRoot(std::span<uint8_t> root, const Format& f, const HeaderFields& h) {
    const size_t w = f.idSize;
    put(root, 4, h.ibFileEof, w);
    put(root, 4 + w, h.ibAMapLast, w);
    put(root, 4 + 2 * w, h.cbAMapFree, w);
    put(root, 4 + 3 * w, h.cbPMapFree, w);
    put(root, 4 + 4 * w, h.nbt.bid, w);
    put(root, 4 + 5 * w, h.nbt.ib, w);
    put(root, 4 + 6 * w, h.bbt.bid, w);
    put(root, 4 + 7 * w, h.bbt.ib, w);
    root[4 + 8 * w] = 0x02; // fAMapValid: VALID_AMAP2
}

} // namespace

void writeHeader(std::vector<uint8_t>& file, const Format& f, const HeaderFields& h) {
    const HeaderOffsets& o = f.unicode ? kUnicodeHeader : kAnsiHeader;
    std::span<uint8_t> b(file);
    put(b, 0, 0x4E444221, 4); // "!BDN"
    put(b, 8, 0x4D53, 2);     // "SM"
    put(b, 10, f.wVer, 2);
    put(b, 12, 19, 2); // wVerClient
    b[14] = 0x01;      // bPlatformCreate
    b[15] = 0x01;      // bPlatformAccess
    put(b, o.bidNextB, h.bidNextB, f.idSize);
    put(b, o.bidNextP, h.bidNextP, f.idSize);
    put(b, o.dwUnique, h.dwUnique, 4);
    for (size_t i = 0; i < h.rgnid.size(); ++i)
        put(b, o.rgnid + 4 * i, h.rgnid[i], 4);
    writeRoot(b.subspan(o.root), f, h);
    // The deprecated FMap and FPMap copies in the header are all ones.
    std::fill_n(b.begin() + o.rgbFM, 128, 0xFF);
    std::fill_n(b.begin() + o.rgbFP, 128, 0xFF);
    b[o.bSentinel] = 0x80;
    b[o.bCryptMethod] = h.crypt;
    resealHeader(file, f.unicode ? Layout::Unicode : Layout::Ansi);
}

} // namespace detail

void resealHeader(std::vector<uint8_t>& file, Layout layout) {
    if (file.size() < 564) throw std::out_of_range("pstw: file shorter than a header");
    std::span<const uint8_t> b(file);
    std::span<uint8_t> w(file);
    detail::put(w, 4, crc(b.subspan(detail::kCrcStart, detail::kCrcPartialSize)), 4);
    if (layout != Layout::Ansi)
        detail::put(w, detail::kUnicodeHeader.crcFull,
                    crc(b.subspan(detail::kCrcStart, detail::kCrcFullSize)), 4);
}

} // namespace pstw
