// A stored FILETIME ([MS-DTYP] 2.3.3) as the engine's records hold it: eight
// bytes, little-endian, of 100-nanosecond ticks since 1601.
#pragma once

#include <cstdint>
#include <vector>

inline std::vector<uint8_t> FileTimeBytes(uint64_t ticks) {
    std::vector<uint8_t> b(8);
    for (size_t i = 0; i < 8; ++i)
        b[i] = uint8_t(ticks >> (8 * i));
    return b;
}
