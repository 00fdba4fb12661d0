// Compressed blocks of the 4 KiB layout (OST files of Outlook 2013 and
// later, wVer 36/37; not in [MS-PST]): the stored bytes are one zlib stream
// (RFC 1950, DEFLATE of RFC 1951) of the block's data.
#pragma once

#include <cstdint>
#include <vector>

// Inflates `cb` stored bytes into `out`, which receives exactly `cbInflated`
// bytes. Returns cbInflated, or 0 (out untouched) when the stream is damaged,
// gives more or fewer bytes than claimed, or the claim exceeds
// limits::kMaxInflatedBlockBytes.
int32_t InflateBlock(const uint8_t* stored, uint64_t cb, uint32_t cbInflated,
                     std::vector<uint8_t>& out);
