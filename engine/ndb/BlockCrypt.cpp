// Block decoding, [MS-PST] 5.1 and 5.2.
#include "engine/ndb/BlockCrypt.h"

namespace {

void DecodePermute(uint8_t* p, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        p[i] = mpbbI[p[i]];
}

void DecodeCyclic(uint8_t* p, int32_t count, uint32_t key) {
    uint16_t w = uint16_t(key ^ (key >> 16));
    for (int32_t i = 0; i < count; ++i) {
        uint8_t lo = uint8_t(w), hi = uint8_t(w >> 8);
        uint8_t b = p[i];
        b = uint8_t(b + lo);
        b = mpbbR[b];
        b = uint8_t(b + hi);
        b = mpbbS[b];
        b = uint8_t(b - hi);
        b = mpbbI[b];
        b = uint8_t(b - lo);
        p[i] = b;
        ++w;
    }
}

} // namespace

int32_t DecodeBlock(uint8_t* buffer, int32_t count, uint8_t method, uint64_t key) {
    if (!buffer || (method != 1 && method != 2)) return -1;
    if (method == 1)
        DecodePermute(buffer, count);
    else
        DecodeCyclic(buffer, count, uint32_t(key));
    return 0;
}
