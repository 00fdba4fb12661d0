// Encodings of property values for the PST writer ([MS-PST] 2.3.3.4, [MS-OXCDATA] 2.11).
#include "tools/pstwriter/PstProperty.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <stdexcept>

namespace pstw {

namespace {

std::vector<uint8_t> le(uint64_t v, size_t width) {
    std::vector<uint8_t> b(width);
    for (size_t i = 0; i < width; ++i)
        b[i] = uint8_t(v >> (8 * i));
    return b;
}

void append(std::vector<uint8_t>& out, uint64_t v, size_t width) {
    for (size_t i = 0; i < width; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

// ulCount, rgulDataOffsets, then the items ([MS-PST] 2.3.3.4.2).
std::vector<uint8_t> multiVariable(const std::vector<std::vector<uint8_t>>& items) {
    std::vector<uint8_t> out;
    append(out, items.size(), 4);
    uint32_t offset = uint32_t(4 + 4 * items.size());
    for (const auto& item : items) {
        append(out, offset, 4);
        offset += uint32_t(item.size());
    }
    for (const auto& item : items)
        out.insert(out.end(), item.begin(), item.end());
    return out;
}

// Decodes one code point of UTF-8; malformed input is refused rather than guessed.
char32_t nextCodePoint(std::string_view s, size_t& i) {
    const uint8_t c = uint8_t(s[i++]);
    if (c < 0x80) return c;
    const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra < 0 || i + extra > s.size()) throw std::invalid_argument("pstw: bad UTF-8");
    char32_t cp = c & (0x3F >> extra);
    for (int k = 0; k < extra; ++k)
        cp = (cp << 6) | (uint8_t(s[i++]) & 0x3F);
    return cp;
}

} // namespace

Guid makeGuid(uint32_t d1, uint16_t d2, uint16_t d3, std::array<uint8_t, 8> d4) {
    Guid g{};
    for (int i = 0; i < 4; ++i)
        g[i] = uint8_t(d1 >> (8 * i));
    g[4] = uint8_t(d2);
    g[5] = uint8_t(d2 >> 8);
    g[6] = uint8_t(d3);
    g[7] = uint8_t(d3 >> 8);
    std::copy(d4.begin(), d4.end(), g.begin() + 8);
    return g;
}

std::vector<uint8_t> utf16le(std::string_view utf8) {
    std::vector<uint8_t> out;
    out.reserve(2 * utf8.size()); // bodies of many KiB: one allocation, not one per letter
    auto unit = [&out](char32_t u) {
        out.push_back(uint8_t(u));
        out.push_back(uint8_t(u >> 8));
    };
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = nextCodePoint(utf8, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(0xD800 + (cp >> 10));
            cp = 0xDC00 + (cp & 0x3FF);
        }
        unit(cp);
    }
    return out;
}

std::string toCodePage(std::string_view utf8, uint32_t codePage) {
    const std::string name = codePage == 20127 ? "ASCII" : "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open(name.c_str(), "UTF-8");
    if (cd == iconv_t(-1)) throw std::invalid_argument("pstw: no converter for " + name);
    std::string in(utf8), out(utf8.size() * 4 + 4, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t inLeft = in.size(), outLeft = out.size();
    const size_t rc = iconv(cd, &src, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (rc == size_t(-1)) throw std::invalid_argument("pstw: text not in code page " + name);
    out.resize(out.size() - outLeft);
    return out;
}

size_t fixedSize(uint16_t type) {
    switch (type) {
    case kPtypBoolean:
        return 1;
    case kPtypInteger16:
        return 2;
    case kPtypInteger32:
    case kPtypFloating32:
    case kPtypErrorCode:
        return 4;
    case kPtypFloating64:
    case kPtypCurrency:
    case kPtypInteger64:
    case kPtypTime:
        return 8;
    default:
        return 0;
    }
}

Prop Prop::raw(uint16_t id, uint16_t type, std::vector<uint8_t> bytes) {
    return {id, type, std::move(bytes)};
}
Prop Prop::i16(uint16_t id, int16_t v) {
    return {id, kPtypInteger16, le(uint16_t(v), 2)};
}
Prop Prop::i32(uint16_t id, int32_t v) {
    return {id, kPtypInteger32, le(uint32_t(v), 4)};
}
Prop Prop::i64(uint16_t id, int64_t v) {
    return {id, kPtypInteger64, le(uint64_t(v), 8)};
}
Prop Prop::f64(uint16_t id, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    return {id, kPtypFloating64, le(bits, 8)};
}
Prop Prop::boolean(uint16_t id, bool v) {
    return {id, kPtypBoolean, {uint8_t(v ? 1 : 0)}};
}
Prop Prop::time(uint16_t id, uint64_t filetime) {
    return {id, kPtypTime, le(filetime, 8)};
}
Prop Prop::guid(uint16_t id, const Guid& g) {
    return {id, kPtypGuid, std::vector<uint8_t>(g.begin(), g.end())};
}
Prop Prop::str8(uint16_t id, std::string_view bytes) {
    return {id, kPtypString8, std::vector<uint8_t>(bytes.begin(), bytes.end())};
}
Prop Prop::str(uint16_t id, std::string_view utf8) {
    return {id, kPtypString, utf16le(utf8)};
}
Prop Prop::bin(uint16_t id, std::vector<uint8_t> bytes) {
    return {id, kPtypBinary, std::move(bytes)};
}
Prop Prop::object(uint16_t id, std::vector<uint8_t> bytes) {
    return {id, kPtypObject, std::move(bytes)};
}
Prop Prop::objectNode(uint16_t id, uint32_t nid, uint32_t size) {
    return {id, kPtypObject, le(size, 4), nid};
}
Prop Prop::mvI32(uint16_t id, const std::vector<int32_t>& v) {
    Prop p{id, kPtypMultipleInteger32, {}};
    for (int32_t x : v)
        append(p.bytes, uint32_t(x), 4);
    return p;
}
Prop Prop::mvI64(uint16_t id, const std::vector<int64_t>& v) {
    Prop p{id, kPtypMultipleInteger64, {}};
    for (int64_t x : v)
        append(p.bytes, uint64_t(x), 8);
    return p;
}
Prop Prop::mvStr8(uint16_t id, const std::vector<std::string>& v) {
    std::vector<std::vector<uint8_t>> items;
    for (const auto& s : v) {
        items.emplace_back(s.begin(), s.end());
        items.back().push_back(0); // PtypMultipleString8 items keep their terminators
    }
    return {id, kPtypMultipleString8, multiVariable(items)};
}
Prop Prop::mvStr(uint16_t id, const std::vector<std::string>& utf8) {
    std::vector<std::vector<uint8_t>> items;
    for (const auto& s : utf8) {
        items.push_back(utf16le(s));
        items.back().insert(items.back().end(), {0, 0});
    }
    return {id, kPtypMultipleString, multiVariable(items)};
}
Prop Prop::mvBin(uint16_t id, const std::vector<std::vector<uint8_t>>& v) {
    return {id, kPtypMultipleBinary, multiVariable(v)};
}

} // namespace pstw
