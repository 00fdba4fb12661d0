// The [MS-PST] CRC (5.3) and block signature (5.5), written from the document rather than
// shared with the engine.
#include <array>

#include "tools/pstwriter/PstWriter.h"

namespace pstw {

namespace {

std::array<uint32_t, 256> makeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

} // namespace

uint32_t crc(std::span<const uint8_t> bytes) {
    static const std::array<uint32_t, 256> table = makeCrcTable();
    uint32_t c = 0;
    for (uint8_t b : bytes)
        c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c;
}

uint16_t computeSig(uint64_t ib, uint64_t bid) {
    ib ^= bid;
    return uint16_t(uint16_t(ib >> 16) ^ uint16_t(ib));
}

} // namespace pstw
