// PAGETRAILER of the PST writer's 512-byte pages ([MS-PST] 2.2.2.7.1).
#include <stdexcept>

#include "tools/pstwriter/PstFormat.h"

namespace pstw {

namespace detail {

namespace {

// AMap, PMap, FMap and FPMap pages carry wSig 0; B-tree and density list pages a signature.
bool isMapPage(uint8_t ptype) {
    return ptype >= 0x82 && ptype <= 0x85;
}

} // namespace

void sealPage(std::span<uint8_t> page, const Format& f, uint8_t ptype, uint64_t bid, uint64_t ib) {
    page[f.pageTrailer] = ptype;
    page[f.pageTrailer + 1] = ptype;
    put(page, f.pageTrailer + 2, isMapPage(ptype) ? 0 : computeSig(ib, bid), 2);
    put(page, f.pageBid, bid, f.idSize);
    put(page, f.pageCrc, crc(page.first(f.pageTrailer)), 4);
}

} // namespace detail

void resealPage(std::vector<uint8_t>& file, uint64_t offset, Layout layout) {
    if (offset + detail::kPageSize > file.size())
        throw std::out_of_range("pstw: page beyond the end of the file");
    const detail::Format& f = detail::format(layout);
    std::span<uint8_t> page(file.data() + offset, detail::kPageSize);
    detail::sealPage(page, f, page[f.pageTrailer], detail::get(page, f.pageBid, f.idSize), offset);
}

} // namespace pstw
