// PidTagRtfCompressed values to RTF text: the header, the "LZFu" compressed
// and "MELA" uncompressed forms and the CRC of [MS-OXRTFCP] 2.1.3.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace ostrel::body {

enum class RtfDecompressStatus {
    Ok,
    NoHeader,    // fewer than the 16 header bytes
    UnknownType, // COMPTYPE is neither "LZFu" nor "MELA"
    Truncated,   // the data ended before the end marker or before RAWSIZE bytes
};

struct trtfdecompressed {
    RtfDecompressStatus Status = RtfDecompressStatus::NoHeader;
    // The RTF text: complete when Status is Ok, what could be read when it
    // is Truncated, empty otherwise.
    std::string Rtf;
    bool Compressed = false;  // "LZFu"
    bool CrcMismatch = false; // only the compressed form carries a CRC
    uint32_t RawSize = 0;     // RAWSIZE as the header gives it
};

// Never throws; at most min(RAWSIZE, kMaxRtfBytes) bytes of output.
trtfdecompressed DecompressRtf(std::span<const uint8_t> value);

// The CRC of 2.1.3.2 (the table of CRC-32, started at 0, not inverted) over `bytes`.
uint32_t RtfCrc(std::span<const uint8_t> bytes);

} // namespace ostrel::body
