// Block decoding, [MS-PST] 5.1 and 5.2.
#include "engine/ndb/BlockCrypt.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

void DecodePermuteBytes(uint8_t* p, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        p[i] = mpbbI[p[i]];
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define OSTREL_PERMUTE_VBMI 1
// The permutation decodes every byte of almost every mailbox (Outlook's
// default "compressible encryption"), a table lookup per byte that was a
// fifth of the open. AVX-512 VBMI looks up 64 bytes at once in a 128-byte
// table; two lookups, chosen by each byte's top bit, cover the 256 entries.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void DecodePermuteVbmi(uint8_t* p,
                                                                              int32_t count) {
    const __m512i low0 = _mm512_loadu_si512(mpbbI);
    const __m512i low1 = _mm512_loadu_si512(mpbbI + 64);
    const __m512i high0 = _mm512_loadu_si512(mpbbI + 128);
    const __m512i high1 = _mm512_loadu_si512(mpbbI + 192);
    int32_t i = 0;
    for (; i + 64 <= count; i += 64) {
        const __m512i in = _mm512_loadu_si512(p + i);
        const __m512i low = _mm512_permutex2var_epi8(low0, in, low1);
        const __m512i high = _mm512_permutex2var_epi8(high0, in, high1);
        _mm512_storeu_si512(p + i, _mm512_mask_blend_epi8(_mm512_movepi8_mask(in), low, high));
    }
    DecodePermuteBytes(p + i, count - i);
}
#endif

void DecodePermute(uint8_t* p, int32_t count) {
#ifdef OSTREL_PERMUTE_VBMI
    static const bool vbmi =
        __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw");
    if (vbmi) return DecodePermuteVbmi(p, count);
#endif
    DecodePermuteBytes(p, count);
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
