// UTF-16LE to UTF-8, with surrogate pairs joined and lone halves replaced.
#include "support/Utf16.h"

#include "support/LittleEndian.h"

namespace {

constexpr uint32_t kHighSurrogateFirst = 0xD800;
constexpr uint32_t kHighSurrogateLast = 0xDBFF;
constexpr uint32_t kLowSurrogateFirst = 0xDC00;
constexpr uint32_t kLowSurrogateLast = 0xDFFF;
constexpr uint32_t kFirstSupplementary = 0x10000;
constexpr uint32_t kReplacementCharacter = 0xFFFD;
constexpr int kLongestUtf8 = 4;

} // namespace

int Utf8Length(uint32_t cp) {
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

void PutUtf8(uint8_t* out, uint32_t cp, int len) {
    static const uint8_t lead[5] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (int i = len - 1; i > 0; --i) {
        out[i] = uint8_t(0x80 | (cp & 0x3F));
        cp >>= 6;
    }
    out[0] = uint8_t(lead[len] | cp);
}

uint32_t Utf16CodePoint(const uint8_t* wide, size_t units, size_t i, size_t& taken) {
    uint32_t u = LoadU16(wide + 2 * i);
    taken = 1;
    if (u >= kHighSurrogateFirst && u <= kHighSurrogateLast && i + 1 < units) {
        uint32_t low = LoadU16(wide + 2 * (i + 1));
        if (low >= kLowSurrogateFirst && low <= kLowSurrogateLast) {
            taken = 2;
            return kFirstSupplementary + ((u - kHighSurrogateFirst) << 10) +
                   (low - kLowSurrogateFirst);
        }
    }
    if (u >= kHighSurrogateFirst && u <= kLowSurrogateLast) return kReplacementCharacter;
    return u;
}

std::string Utf16ToUtf8(const uint8_t* wide, size_t units) {
    std::string out;
    if (!wide) return out;
    out.reserve(units);
    for (size_t i = 0; i < units;) {
        size_t taken = 1;
        uint32_t cp = Utf16CodePoint(wide, units, i, taken);
        if (cp == 0) break;
        uint8_t bytes[kLongestUtf8];
        int len = Utf8Length(cp);
        PutUtf8(bytes, cp, len);
        out.append(reinterpret_cast<const char*>(bytes), size_t(len));
        i += taken;
    }
    return out;
}
