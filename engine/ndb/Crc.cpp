// The [MS-PST] 5.3 CRC, table driven.
#include "engine/ndb/Crc.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

} // namespace

uint32_t ComputeCrc(int32_t count, const uint8_t* buffer) {
    if (!buffer || count <= 0) return 0;
    uint32_t crc = 0;
    for (int32_t i = 0; i < count; ++i)
        crc = kCrcTable[(crc ^ buffer[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}
