// Little-endian field reads, the byte order of every integer in a PST file
// ([MS-PST] 2.1) and of UTF-16LE text. The caller checks the bounds.
#pragma once

#include <cstdint>

inline uint16_t LoadU16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t LoadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t LoadU64(const uint8_t* p) {
    return LoadU32(p) | uint64_t(LoadU32(p + 4)) << 32;
}
inline int64_t LoadS32Widened(const uint8_t* p) {
    return int32_t(LoadU32(p));
}
