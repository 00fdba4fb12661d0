// Code page to MIME charset names, and the charset of each text a message
// object holds.
#include "export/Charsets.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace {

struct tcodepagename {
    uint32_t Codepage;
    const char* Name;
};

constexpr std::array<tcodepagename, 36> kCodepages = {{
    {1250, "windows-1250"},  {1251, "windows-1251"}, {1252, "windows-1252"}, {1253, "windows-1253"},
    {1254, "windows-1254"},  {1255, "windows-1255"}, {1256, "windows-1256"}, {1257, "windows-1257"},
    {1258, "windows-1258"},  {28591, "iso-8859-1"},  {28592, "iso-8859-2"},  {28593, "iso-8859-3"},
    {28594, "iso-8859-4"},   {28595, "iso-8859-5"},  {28596, "iso-8859-6"},  {28597, "iso-8859-7"},
    {28598, "iso-8859-8"},   {28599, "iso-8859-9"},  {28603, "iso-8859-13"}, {28605, "iso-8859-15"},
    {20127, "us-ascii"},     {65001, "utf-8"},       {932, "shift_jis"},     {936, "gb2312"},
    {949, "ks_c_5601-1987"}, {950, "big5"},          {20866, "koi8-r"},      {21866, "koi8-u"},
    {50220, "iso-2022-jp"},  {50221, "iso-2022-jp"}, {50222, "iso-2022-jp"}, {51932, "euc-jp"},
    {51949, "euc-kr"},       {54936, "gb18030"},     {50225, "iso-2022-kr"}, {52936, "hz-gb-2312"},
}};

// A charset named by the message's own headers goes into a header parameter:
// only token characters may pass.
bool IsCharsetToken(std::string_view name) {
    if (name.empty() || name.size() > 40) return false;
    for (unsigned char c : name)
        if (!(std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == ':')) return false;
    return true;
}

bool IsDoubleByte(std::string_view charset) {
    return charset == "shift_jis" || charset == "gb2312" || charset == "ks_c_5601-1987" ||
           charset == "big5" || charset == "gb18030" || charset == "euc-jp" || charset == "euc-kr";
}

bool IsSevenBit(std::string_view charset) {
    return charset == "us-ascii" || charset.starts_with("iso-2022-") || charset == "hz-gb-2312";
}

bool HasEightBitBytes(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80) return true;
    return false;
}

// Whether `text` can be in `charset` at all.
bool Fits(std::string_view charset, std::string_view text) {
    std::string lower(charset);
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (IsSevenBit(lower)) return !HasEightBitBytes(text);
    if (lower == "utf-8") return IsValidUtf8(text);
    return true;
}

std::optional<std::string> SevenBitFamily(uint32_t codepage) {
    switch (codepage) {
    case 50220:
    case 50221:
    case 50222:
        return "shift_jis";
    case 50225:
        return "ks_c_5601-1987";
    case 52936:
        return "gb2312";
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<std::string> CodepageCharset(uint32_t codepage) {
    for (const tcodepagename& c : kCodepages)
        if (c.Codepage == codepage) return std::string(c.Name);
    return std::nullopt;
}

std::string EightBitCharset(const tmailinfo* mail, std::string_view text) {
    if (mail) {
        for (uint32_t codepage : {mail->InternetCodepage, mail->MessageCodepage}) {
            std::optional<std::string> name = CodepageCharset(codepage);
            if (!name) continue;
            if (Fits(*name, text)) return *name;
            // Outlook keeps the 8-bit text of a message sent in a 7-bit
            // ISO-2022 charset in the Windows code page of that language.
            if (auto family = SevenBitFamily(codepage); family && Fits(*family, text))
                return *family;
        }
        std::string named = TextOf(mail->Charset);
        if (IsCharsetToken(named) && Fits(named, text)) return named;
    }
    return "windows-1252";
}

std::string BodyCharset(const tmailinfo* mail, bool wasUnicode, std::string_view text) {
    return wasUnicode ? "utf-8" : EightBitCharset(mail, text);
}

std::string HeaderTextCharset(const tmailinfo* mail, std::string_view text) {
    return IsValidUtf8(text) ? "utf-8" : EightBitCharset(mail, text);
}

bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = text[i];
        size_t n = c < 0x80           ? 1
                   : (c >> 5) == 0x6  ? 2
                   : (c >> 4) == 0xE  ? 3
                   : (c >> 3) == 0x1E ? 4
                                      : 0;
        if (n == 0 || (n == 2 && c < 0xC2) || i + n > text.size()) return false;
        uint32_t cp = n == 1 ? c : c & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) {
            unsigned char t = text[i + k];
            if ((t >> 6) != 0x2) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF.
        if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n;
    }
    return true;
}

size_t CharLength(std::string_view charset, std::string_view text, size_t i) {
    size_t rest = text.size() - i;
    unsigned char c = text[i];
    size_t n = 1;
    if (charset == "utf-8") {
        if (c >= 0xC0) {
            n = 1;
            while (n < rest && n < 4 && (static_cast<unsigned char>(text[i + n]) >> 6) == 0x2)
                ++n;
        }
    } else if (IsDoubleByte(charset)) {
        bool lead = charset == "shift_jis" ? (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)
                                           : c >= 0x81 && c <= 0xFE;
        if (lead) n = 2;
    }
    return std::min(n, rest);
}
