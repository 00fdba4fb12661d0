// Internal to the PST writer: the HEADER and ROOT fields it fills ([MS-PST] 2.2.2.5, 2.2.2.6).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tools/pstwriter/PstFormat.h"

namespace pstw::detail {

struct HeaderFields {
    uint8_t crypt = 0;
    uint64_t ibFileEof = 0, ibAMapLast = 0, cbAMapFree = 0, cbPMapFree = 0;
    Bref nbt, bbt;
    uint64_t bidNextB = 0, bidNextP = 0;
    uint32_t dwUnique = 1;
    std::array<uint32_t, 32> rgnid{};
};

void writeHeader(std::vector<uint8_t>& file, const Format& f, const HeaderFields& h);

} // namespace pstw::detail
