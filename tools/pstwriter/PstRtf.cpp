// The uncompressed "MELA" form of [MS-OXRTFCP] 2.1.3.1 (see PstRtf.h).
#include "tools/pstwriter/PstRtf.h"

#include "tools/pstwriter/PstFormat.h"

namespace pstw {

namespace {

constexpr uint32_t kCompTypeUncompressed = 0x414C454D; // "MELA"
constexpr size_t kHeaderSize = 16;
// COMPSIZE counts the bytes after itself: the rest of the header and the data.
constexpr size_t kCompSizeField = 4;

} // namespace

std::vector<uint8_t> uncompressedRtf(const std::string& rtf) {
    std::vector<uint8_t> out;
    out.reserve(kHeaderSize + rtf.size());
    out.resize(kHeaderSize, 0);
    detail::put(out, 0, rtf.size() + kHeaderSize - kCompSizeField, 4);
    detail::put(out, 4, rtf.size(), 4);
    detail::put(out, 8, kCompTypeUncompressed, 4);
    out.insert(out.end(), rtf.begin(), rtf.end()); // CRC stays 0 for this form
    return out;
}

} // namespace pstw
