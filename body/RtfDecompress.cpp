// The decompressor of [MS-OXRTFCP] 2.1.3: a 4096-byte ring dictionary that
// starts with a fixed RTF prelude (2.1.2.1), runs of eight tokens led by a
// control byte whose bits (least significant first) tell literal from
// reference, and 2-byte big-endian references of 12 bits offset and 4 bits
// length - 2. A reference to the current write position ends the data.
#include "body/RtfDecompress.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "body/BodyLimits.h"
#include "engine/ndb/Crc.h"

namespace ostrel::body {
namespace {

constexpr size_t kHeaderBytes = 16;
// COMPSIZE counts the bytes after itself: the 12 remaining header bytes too.
constexpr uint32_t kCompSizeHeaderPart = 12;
constexpr uint32_t kTypeCompressed = 0x75465A4C;   // "LZFu"
constexpr uint32_t kTypeUncompressed = 0x414C454D; // "MELA"
constexpr size_t kDictionarySize = 4096;
constexpr size_t kDictionaryMask = kDictionarySize - 1;
constexpr size_t kMinReference = 2;

constexpr char kPrelude[] = "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman "
                            "\\fswiss \\fmodern \\fscript \\fdecor MS Sans SerifSymbolArialTimes "
                            "New RomanCourier{\\colortbl\\red0\\green0\\blue0\r\n\\par "
                            "\\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
constexpr size_t kPreludeSize = sizeof kPrelude - 1;
static_assert(kPreludeSize == 207, "the initial dictionary string is 207 bytes");

uint32_t Le32(std::span<const uint8_t> b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

// Returns whether the end marker was met.
bool Inflate(std::span<const uint8_t> data, size_t limit, std::string& out) {
    std::array<char, kDictionarySize> dictionary{};
    std::copy_n(kPrelude, kPreludeSize, dictionary.begin());
    size_t write = kPreludeSize;
    size_t in = 0;
    while (in < data.size()) {
        const uint8_t control = data[in++];
        for (int bit = 0; bit < 8; ++bit) {
            if (out.size() >= limit) return false;
            if (!(control >> bit & 1)) {
                if (in >= data.size()) return false;
                const char c = char(data[in++]);
                dictionary[write] = c;
                write = (write + 1) & kDictionaryMask;
                out += c;
                continue;
            }
            if (in + 2 > data.size()) return false;
            const unsigned token = unsigned(data[in]) << 8 | data[in + 1];
            in += 2;
            size_t offset = token >> 4;
            if (offset == write) return true;
            const size_t length = std::min((token & 0xF) + kMinReference, limit - out.size());
            // Byte by byte: a reference may overlap what it writes.
            for (size_t k = 0; k < length; ++k) {
                const char c = dictionary[offset];
                offset = (offset + 1) & kDictionaryMask;
                dictionary[write] = c;
                write = (write + 1) & kDictionaryMask;
                out += c;
            }
        }
    }
    return false;
}

} // namespace

uint32_t RtfCrc(std::span<const uint8_t> bytes) {
    // [MS-OXRTFCP] 2.1.3.2 uses the CRC of [MS-PST] 5.3; values stay far below 2 GiB.
    return ComputeCrc(int32_t(std::min<size_t>(bytes.size(), INT32_MAX)), bytes.data());
}

trtfdecompressed DecompressRtf(std::span<const uint8_t> value) {
    trtfdecompressed r;
    if (value.size() < kHeaderBytes) return r;
    const uint32_t compSize = Le32(value, 0);
    r.RawSize = Le32(value, 4);
    const uint32_t type = Le32(value, 8);
    const uint32_t crc = Le32(value, 12);
    if (type != kTypeCompressed && type != kTypeUncompressed) {
        r.Status = RtfDecompressStatus::UnknownType;
        return r;
    }
    r.Compressed = type == kTypeCompressed;
    const size_t declared = compSize < kCompSizeHeaderPart ? 0 : compSize - kCompSizeHeaderPart;
    std::span<const uint8_t> contents = value.subspan(kHeaderBytes);
    const bool cut = declared > contents.size();
    contents = contents.first(std::min(declared, contents.size()));
    const size_t limit = std::min<size_t>(r.RawSize, kMaxRtfBytes);
    bool complete = false;
    if (r.Compressed) {
        r.CrcMismatch = cut || RtfCrc(contents) != crc;
        r.Rtf.reserve(std::min<size_t>(limit, contents.size() * 8));
        complete = Inflate(contents, limit, r.Rtf) || r.Rtf.size() == r.RawSize;
    } else {
        r.Rtf.assign(contents.begin(), contents.begin() + std::min(limit, contents.size()));
        complete = r.Rtf.size() == r.RawSize;
    }
    r.Status = complete ? RtfDecompressStatus::Ok : RtfDecompressStatus::Truncated;
    return r;
}

} // namespace ostrel::body
