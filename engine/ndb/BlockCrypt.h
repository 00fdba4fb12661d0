// Decoding of external data blocks: [MS-PST] 5.1 NDB_CRYPT_PERMUTE and
// 5.2 NDB_CRYPT_CYCLIC, with the three thirds of the mpbbCrypt table.
#pragma once

#include <cstdint>

extern const uint8_t mpbbR[256];
extern const uint8_t mpbbS[256];
extern const uint8_t mpbbI[256];

// Decodes `count` bytes in place with method 1 (permutation) or 2 (cyclic,
// keyed by the low 32 bits of the BID). 0 after decoding; -1 for a null
// buffer or another method (the bytes are left as they are).
int32_t DecodeBlock(uint8_t* buffer, int32_t count, uint8_t method, uint64_t key);
