// The [MS-PST] 5.3 CRC, table driven, eight bytes a step ("slicing by
// eight"): every page of the whole-file scan and every block read is
// checked, and a byte a step was a tenth of the open.
#include "engine/ndb/Crc.h"

#include <array>

#include "support/LittleEndian.h"

namespace {

constexpr int kSlices = 8;
using tcrctables = std::array<std::array<uint32_t, 256>, kSlices>;

// Table k gives the CRC of a byte followed by k zero bytes, so that eight
// bytes are folded in at once.
constexpr tcrctables MakeCrcTables() {
    tcrctables tables{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        tables[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (int k = 1; k < kSlices; ++k)
            tables[k][i] = (tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFF];
    return tables;
}

constexpr tcrctables kCrcTables = MakeCrcTables();

} // namespace

uint32_t ComputeCrc(int32_t count, const uint8_t* buffer) {
    if (!buffer || count <= 0) return 0;
    const auto& t = kCrcTables;
    uint32_t crc = 0;
    int32_t i = 0;
    for (; i + kSlices <= count; i += kSlices) {
        const uint32_t low = crc ^ LoadU32(buffer + i);
        const uint32_t high = LoadU32(buffer + i + 4);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^
              t[4][low >> 24] ^ t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^
              t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
    }
    for (; i < count; ++i)
        crc = t[0][(crc ^ buffer[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}
