// Code page conversion for RTF text with the C library's iconv. The charset
// numbers are those of the RTF font table (\fcharset), the names the ones
// glibc's iconv knows for the Windows code pages.
#include "body/RtfCodepage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <map>
#include <mutex>

namespace ostrel::body {
namespace {

constexpr uint32_t kReplacement = 0xFFFD;
constexpr uint32_t kLastCodepoint = 0x10FFFF;
constexpr uint32_t kSurrogateFirst = 0xD800;
constexpr uint32_t kSurrogateLast = 0xDFFF;

struct tcharsetpage {
    int32_t Charset;
    uint32_t Codepage;
};
constexpr std::array<tcharsetpage, 19> kCharsetPages{{
    {0, 1252}, // ANSI
    {2, kCodepageSymbol},
    {77, 10000}, // Mac Roman
    {128, 932},  // Shift JIS
    {129, 949},  // Hangul
    {130, 1361}, // Johab
    {134, 936},  // GB2312
    {136, 950},  // Big5
    {161, 1253}, // Greek
    {162, 1254}, // Turkish
    {163, 1258}, // Vietnamese
    {177, 1255}, // Hebrew
    {178, 1256}, // Arabic
    {186, 1257}, // Baltic
    {204, 1251}, // Cyrillic
    {222, 874},  // Thai
    {238, 1250}, // Eastern European
    {254, 437},  // PC 437
    {255, 850},  // OEM
}};

// The code pages read here and their iconv names; others are read as
// Windows-1252, so a document cannot make iconv search for arbitrary names.
struct tcodepagename {
    uint32_t Codepage;
    const char* Name;
};
constexpr std::array<tcodepagename, 25> kCodepageNames{{
    {437, "CP437"},   {850, "CP850"},    {852, "CP852"},        {866, "CP866"},
    {874, "CP874"},   {932, "CP932"},    {936, "CP936"},        {949, "CP949"},
    {950, "CP950"},   {1250, "CP1250"},  {1251, "CP1251"},      {1252, "CP1252"},
    {1253, "CP1253"}, {1254, "CP1254"},  {1255, "CP1255"},      {1256, "CP1256"},
    {1257, "CP1257"}, {1258, "CP1258"},  {1361, "JOHAB"},       {10000, "MACINTOSH"},
    {20127, "ASCII"}, {20866, "KOI8-R"}, {28591, "ISO-8859-1"}, {54936, "GB18030"},
    {65001, "UTF-8"},
}};

const char* IconvName(uint32_t codepage) {
    for (const tcodepagename& c : kCodepageNames)
        if (c.Codepage == codepage) return c.Name;
    return nullptr;
}

// The Symbol font's bytes that RTF lists use for bullets; others as Latin-1.
uint32_t SymbolCodepoint(uint8_t b) {
    switch (b) {
    case 0xB7:
        return 0x2022; // bullet
    case 0xA7:
        return 0x25AA; // small square (Wingdings' § slot as lists use it)
    case 0xD8:
        return 0x27A2; // arrowhead
    case 0xFC:
        return 0x2713; // check mark
    default:
        return b;
    }
}

// iconv handles are costly to open; one per code page, shared under a lock.
class tconverters {
public:
    tconverters() = default;
    tconverters(const tconverters&) = delete;
    tconverters& operator=(const tconverters&) = delete;
    ~tconverters() {
        for (auto& [codepage, cd] : handles_)
            if (cd != iconv_t(-1)) iconv_close(cd);
    }
    std::string Convert(uint32_t codepage, std::string_view bytes) {
        std::lock_guard<std::mutex> lock(mutex_);
        iconv_t cd = Handle(codepage);
        if (cd == iconv_t(-1)) cd = Handle(kCodepageWestern);
        if (cd == iconv_t(-1)) return Latin1(bytes);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        out.reserve(bytes.size() * 2);
        char* in = const_cast<char*>(bytes.data());
        size_t inLeft = bytes.size();
        std::array<char, 1024> buffer;
        while (inLeft > 0) {
            char* to = buffer.data();
            size_t toLeft = buffer.size();
            size_t n = iconv(cd, &in, &inLeft, &to, &toLeft);
            out.append(buffer.data(), size_t(to - buffer.data()));
            if (n == size_t(-1) && errno != E2BIG) {
                // An undefined or incomplete sequence: one byte becomes U+FFFD.
                AppendUtf8(out, kReplacement);
                ++in;
                --inLeft;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
            }
        }
        return out;
    }

private:
    iconv_t Handle(uint32_t codepage) {
        if (!IconvName(codepage)) return iconv_t(-1);
        auto it = handles_.find(codepage);
        if (it != handles_.end()) return it->second;
        iconv_t cd = iconv_open("UTF-8", IconvName(codepage));
        handles_.emplace(codepage, cd);
        return cd;
    }
    static std::string Latin1(std::string_view bytes) {
        std::string out;
        for (unsigned char c : bytes)
            AppendUtf8(out, c);
        return out;
    }
    std::mutex mutex_;
    std::map<uint32_t, iconv_t> handles_;
};

} // namespace

uint32_t CharsetCodepage(int32_t charset) {
    for (const tcharsetpage& p : kCharsetPages)
        if (p.Charset == charset) return p.Codepage;
    return 0;
}

std::string CodepageToUtf8(uint32_t codepage, std::string_view bytes) {
    if (codepage == kCodepageSymbol) {
        std::string out;
        for (unsigned char c : bytes)
            AppendUtf8(out, SymbolCodepoint(c));
        return out;
    }
    static tconverters converters;
    return converters.Convert(codepage, bytes);
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp > kLastCodepoint || (cp >= kSurrogateFirst && cp <= kSurrogateLast)) cp = kReplacement;
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | cp >> 6);
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | cp >> 12);
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | cp >> 18);
        out += char(0x80 | (cp >> 12 & 0x3F));
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

} // namespace ostrel::body
