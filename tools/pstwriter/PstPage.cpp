// PAGETRAILER of the PST writer's pages ([MS-PST] 2.2.2.7.1), and the 24-byte trailer of the
// 4 KiB layout.
#include <stdexcept>

#include "tools/pstwriter/PstFormat.h"

namespace pstw {

namespace detail {

namespace {

// AMap, PMap, FMap and FPMap pages carry wSig 0; B-tree and density list pages a signature.
bool isMapPage(uint8_t ptype) {
    return ptype >= 0x82 && ptype <= 0x85;
}

// The 4 KiB layout's trailer ends in 8 bytes after the BID that Outlook sets to 1.
constexpr uint64_t kTrailer4kTail = 1;

} // namespace

void sealPage(std::span<uint8_t> page, const Format& f, uint8_t ptype, uint64_t bid, uint64_t ib) {
    page[f.pageTrailer] = ptype;
    page[f.pageTrailer + 1] = ptype;
    put(page, f.pageTrailer + 2, isMapPage(ptype) ? 0 : computeSig(ib, bid), 2);
    put(page, f.pageBid, bid, f.idSize);
    if (f.pageSize > kPageSize) put(page, f.pageBid + f.idSize, kTrailer4kTail, f.idSize);
    put(page, f.pageCrc, crc(page.first(f.pageTrailer)), 4);
}

} // namespace detail

void resealPage(std::vector<uint8_t>& file, uint64_t offset, Layout layout) {
    const detail::Format& f = detail::format(layout);
    if (offset + f.pageSize > file.size())
        throw std::out_of_range("pstw: page beyond the end of the file");
    std::span<uint8_t> page(file.data() + offset, f.pageSize);
    detail::sealPage(page, f, page[f.pageTrailer], detail::get(page, f.pageBid, f.idSize), offset);
}

} // namespace pstw
