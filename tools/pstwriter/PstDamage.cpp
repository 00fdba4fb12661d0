// Damage helpers of the PST writer: header roots, pages, entry counts, orphaned NBT entries
// and truncation ([MS-PST] 2.2.2.6 ROOT, 2.2.2.7.7 BTPAGE).
#include "tools/pstwriter/PstDamage.h"

#include <algorithm>
#include <stdexcept>

#include "tools/pstwriter/PstFormat.h"

namespace pstw {

using detail::get;
using detail::put;

namespace {

// ROOT starts at 180 (Unicode) or 164 (ANSI); the BREFs follow ibFileEof and three fields.
size_t rootBrefs(Layout layout) {
    return layout != Layout::Ansi ? 180 + 4 + 4 * 8 : 164 + 4 + 4 * 4;
}

void setRoots(std::vector<uint8_t>& file, Layout layout, uint64_t bid, uint64_t ib) {
    const size_t w = detail::format(layout).idSize, at = rootBrefs(layout);
    if (file.size() < at + 4 * w) throw std::out_of_range("pstw: no header");
    for (int k = 0; k < 2; ++k) {
        put(file, at + 2 * k * w, bid, w);
        put(file, at + (2 * k + 1) * w, ib, w);
    }
    resealHeader(file, layout);
}

void checkPage(const std::vector<uint8_t>& file, uint64_t offset) {
    if (offset % detail::kPageSize || offset + detail::kPageSize > file.size())
        throw std::out_of_range("pstw: no page at that offset");
}

} // namespace

void zeroHeaderRoots(std::vector<uint8_t>& file, Layout layout) {
    setRoots(file, layout, 0, 0);
}

void pointHeaderRootsAt(std::vector<uint8_t>& file, Layout layout, uint64_t offset) {
    setRoots(file, layout, 0x7A7A7A7A, offset);
}

void overwritePage(std::vector<uint8_t>& file, uint64_t offset, uint8_t fill) {
    checkPage(file, offset);
    std::fill_n(file.begin() + offset, detail::kPageSize, fill);
}

std::optional<uint64_t> freePageOffset(const NdbWriter& w, const std::vector<uint8_t>& file) {
    uint64_t end = kFirstAMapOffset;
    for (const BlockInfo& b : w.blocks())
        end = std::max(end, b.offset + b.size);
    for (const PageInfo& p : w.pages())
        end = std::max(end, p.offset + detail::kPageSize);
    uint64_t at = (end + detail::kPageSize - 1) / detail::kPageSize * detail::kPageSize;
    while (at + detail::kPageSize <= file.size() && w.isMapPage(at))
        at += detail::kPageSize;
    if (at + detail::kPageSize > file.size()) return std::nullopt;
    return at;
}

void copyPage(std::vector<uint8_t>& file, Layout layout, uint64_t from, uint64_t to) {
    checkPage(file, from);
    checkPage(file, to);
    std::copy_n(file.begin() + from, detail::kPageSize, file.begin() + to);
    resealPage(file, to, layout); // wSig depends on where the page lies
}

void lowerEntryCount(std::vector<uint8_t>& file, Layout layout, uint64_t pageOffset, int keep) {
    checkPage(file, pageOffset);
    const detail::Format& f = detail::format(layout);
    file[pageOffset + f.btMeta] = uint8_t(std::clamp(keep, 0, int(file[pageOffset + f.btMeta])));
    resealPage(file, pageOffset, layout);
}

bool orphanNode(std::vector<uint8_t>& file, const NdbWriter& w, uint32_t nid, uint64_t copyTo) {
    const Layout layout = w.options().layout;
    const detail::Format& f = detail::format(layout);
    for (const PageInfo& p : w.pages()) {
        if (!p.nbt || p.level != 0) continue;
        const size_t base = p.offset, cEnt = file[base + f.btMeta];
        for (size_t i = 0; i < cEnt; ++i) {
            const size_t at = base + i * f.nbtEntrySize;
            if (get(file, at, f.idSize) != nid) continue;
            copyPage(file, layout, p.offset, copyTo);
            const auto first = file.begin() + at;
            std::copy(first + f.nbtEntrySize, file.begin() + base + cEnt * f.nbtEntrySize, first);
            std::fill_n(file.begin() + base + (cEnt - 1) * f.nbtEntrySize, f.nbtEntrySize, 0);
            file[base + f.btMeta] = uint8_t(cEnt - 1);
            resealPage(file, p.offset, layout);
            return true;
        }
    }
    return false;
}

void truncateFile(std::vector<uint8_t>& file, uint64_t size) {
    if (size < file.size()) file.resize(size);
}

} // namespace pstw
