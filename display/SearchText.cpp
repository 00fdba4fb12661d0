// Folding and HTML-to-text for the search (see SearchText.h). The fold table
// was derived from the Unicode decompositions of U+00C0..U+024F: each letter
// becomes its base letters; a letter without a Latin base becomes its small
// letter, itself folded, so that folding folded text changes nothing.
#include "display/SearchText.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace ostrel::search {
namespace {

constexpr char32_t kFirstFolded = 0x00C0;
constexpr char32_t kLastFolded = 0x024F;
constexpr char32_t kMaxCodePoint = 0x10FFFF;

// U+00C0 .. U+024F, in order.
const char* const kLatinFold[] = {
    "a",        "a",        "a",        "a",        "a",
    "a",        "ae",       "c",        "e",        "e", // U+00C0
    "e",        "e",        "i",        "i",        "i",
    "i",        "d",        "n",        "o",        "o", // U+00CA
    "o",        "o",        "o",        "\xC3\x97", "o",
    "u",        "u",        "u",        "u",        "y", // U+00D4
    "th",       "ss",       "a",        "a",        "a",
    "a",        "a",        "a",        "ae",       "c", // U+00DE
    "e",        "e",        "e",        "e",        "i",
    "i",        "i",        "i",        "d",        "n", // U+00E8
    "o",        "o",        "o",        "o",        "o",
    "\xC3\xB7", "o",        "u",        "u",        "u", // U+00F2
    "u",        "y",        "th",       "y",        "a",
    "a",        "a",        "a",        "a",        "a", // U+00FC
    "c",        "c",        "c",        "c",        "c",
    "c",        "c",        "c",        "d",        "d", // U+0106
    "d",        "d",        "e",        "e",        "e",
    "e",        "e",        "e",        "e",        "e", // U+0110
    "e",        "e",        "g",        "g",        "g",
    "g",        "g",        "g",        "g",        "g", // U+011A
    "h",        "h",        "h",        "h",        "i",
    "i",        "i",        "i",        "i",        "i", // U+0124
    "i",        "i",        "i",        "i",        "ij",
    "ij",       "j",        "j",        "k",        "k", // U+012E
    "k",        "l",        "l",        "l",        "l",
    "l",        "l",        "l",        "l",        "l", // U+0138
    "l",        "n",        "n",        "n",        "n",
    "n",        "n",        "n",        "n",        "n", // U+0142
    "o",        "o",        "o",        "o",        "o",
    "o",        "oe",       "oe",       "r",        "r", // U+014C
    "r",        "r",        "r",        "r",        "s",
    "s",        "s",        "s",        "s",        "s", // U+0156
    "s",        "s",        "t",        "t",        "t",
    "t",        "t",        "t",        "u",        "u", // U+0160
    "u",        "u",        "u",        "u",        "u",
    "u",        "u",        "u",        "u",        "u", // U+016A
    "w",        "w",        "y",        "y",        "y",
    "z",        "z",        "z",        "z",        "z", // U+0174
    "z",        "s",        "b",        "b",        "b",
    "b",        "\xC6\x85", "\xC6\x85", "\xC9\x94", "c", // U+017E
    "c",        "\xC9\x96", "d",        "d",        "d",
    "\xC6\x8D", "\xC7\x9D", "\xC9\x99", "\xC9\x9B", "f", // U+0188
    "f",        "g",        "\xC9\xA3", "hv",       "\xC9\xA9",
    "i",        "k",        "k",        "l",        "\xC6\x9B", // U+0192
    "\xC9\xAF", "n",        "n",        "o",        "o",
    "o",        "oi",       "oi",       "p",        "p", // U+019C
    "\xCA\x80", "\xC6\xA8", "\xC6\xA8", "\xCA\x83", "\xC6\xAA",
    "t",        "t",        "t",        "t",        "u", // U+01A6
    "u",        "\xCA\x8A", "v",        "y",        "y",
    "z",        "z",        "\xCA\x92", "\xC6\xB9", "\xC6\xB9", // U+01B0
    "\xC6\xBA", "\xC6\xBB", "\xC6\xBD", "\xC6\xBD", "\xC6\xBE",
    "\xC6\xBF", "\xC7\x80", "\xC7\x81", "\xC7\x82", "\xC7\x83", // U+01BA
    "dz",       "dz",       "dz",       "lj",       "lj",
    "lj",       "nj",       "nj",       "nj",       "a", // U+01C4
    "a",        "i",        "i",        "o",        "o",
    "u",        "u",        "u",        "u",        "u", // U+01CE
    "u",        "u",        "u",        "u",        "u",
    "\xC7\x9D", "a",        "a",        "a",        "a", // U+01D8
    "ae",       "ae",       "g",        "g",        "g",
    "g",        "k",        "k",        "o",        "o", // U+01E2
    "o",        "o",        "\xC7\xAF", "\xC7\xAF", "j",
    "dz",       "dz",       "dz",       "g",        "g", // U+01EC
    "hv",       "\xC6\xBF", "n",        "n",        "a",
    "a",        "ae",       "ae",       "o",        "o", // U+01F6
    "a",        "a",        "a",        "a",        "e",
    "e",        "e",        "e",        "i",        "i", // U+0200
    "i",        "i",        "o",        "o",        "o",
    "o",        "r",        "r",        "r",        "r", // U+020A
    "u",        "u",        "u",        "u",        "s",
    "s",        "t",        "t",        "\xC8\x9D", "\xC8\x9D", // U+0214
    "h",        "h",        "n",        "d",        "ou",
    "ou",       "z",        "z",        "a",        "a", // U+021E
    "e",        "e",        "o",        "o",        "o",
    "o",        "o",        "o",        "o",        "o", // U+0228
    "y",        "y",        "l",        "n",        "t",
    "\xC8\xB7", "db",       "qp",       "a",        "c", // U+0232
    "c",        "l",        "t",        "s",        "z",
    "\xC9\x82", "\xC9\x82", "b",        "u",        "\xCA\x8C", // U+023C
    "e",        "e",        "j",        "j",        "q",
    "q",        "r",        "r",        "y",        "y", // U+0246
};
static_assert(sizeof(kLatinFold) / sizeof(kLatinFold[0]) == kLastFolded - kFirstFolded + 1);

// Windows-1252 0x80..0x9F; the other bytes above 0x7F are Latin-1.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x2026, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
constexpr uint8_t kCp1252First = 0x80;
constexpr uint8_t kLatin1First = 0xA0;

// The code point at `pos` (advanced past it): UTF-8 when the bytes form a
// valid shortest sequence, else the one byte as Windows-1252.
char32_t NextCodePoint(std::string_view s, size_t& pos) {
    const auto b0 = uint8_t(s[pos]);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int extra = b0 >= 0xF0 && b0 <= 0xF4 ? 3 : b0 >= 0xE0 ? 2 : b0 >= 0xC2 && b0 < 0xE0 ? 1 : 0;
    if (extra > 0 && pos + size_t(extra) < s.size()) {
        char32_t cp = b0 & (0x3F >> extra);
        bool ok = true;
        for (int i = 1; i <= extra && ok; ++i) {
            const auto b = uint8_t(s[pos + size_t(i)]);
            ok = (b & 0xC0) == 0x80;
            cp = (cp << 6) | (b & 0x3F);
        }
        const char32_t least = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
        if (ok && cp >= least && cp <= kMaxCodePoint && (cp < 0xD800 || cp > 0xDFFF)) {
            pos += size_t(extra) + 1;
            return cp;
        }
    }
    ++pos;
    return b0 < kLatin1First ? char32_t(kCp1252High[b0 - kCp1252First]) : char32_t(b0);
}

void AppendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

constexpr bool IsSpace(char32_t cp) {
    return cp == ' ' || cp == '\t' || cp == '\r' || cp == '\n' || cp == '\f' || cp == '\v' ||
           cp == 0xA0 || cp == 0x2007 || cp == 0x202F || cp == 0x3000 ||
           (cp >= 0x2000 && cp <= 0x200A);
}

// Greek and Cyrillic capitals fold to their small letters too: the search
// is case-insensitive beyond Latin, only the accent folding is Latin's alone.
char32_t LowerOutsideLatin(char32_t cp) {
    if ((cp >= 0x0391 && cp <= 0x03A9 && cp != 0x03A2) || (cp >= 0x0410 && cp <= 0x042F))
        return cp + 0x20;
    if (cp >= 0x0400 && cp <= 0x040F) return cp + 0x50;
    return cp;
}

constexpr char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

void AppendFoldedCodePoint(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += LowerAscii(char(cp));
    } else if (cp >= kFirstFolded && cp <= kLastFolded) {
        out += kLatinFold[cp - kFirstFolded];
    } else {
        AppendUtf8(LowerOutsideLatin(cp), out);
    }
}

// Each byte's fold when it is visible ASCII, 0 for every other byte (space,
// NUL, the bytes of longer UTF-8 sequences): one lookup decides and folds.
constexpr std::array<char, 256> kAsciiFold = [] {
    std::array<char, 256> table{};
    for (int b = 1; b < 0x80; ++b)
        if (!IsSpace(char32_t(b))) table[size_t(b)] = LowerAscii(char(b));
    return table;
}();

// Eight bytes of text as one word, in whatever byte order: each test below
// works on every byte alike. A byte's high bit marks it in the masks.
constexpr uint64_t kEveryByte = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// For a word of ASCII bytes: high bits exactly where a byte lies in [low, high].
constexpr uint64_t BytesWithin(uint64_t word, uint8_t low, uint8_t high) {
    return ((word + kEveryByte * (0x80 - low)) & ~(word + kEveryByte * (0x7F - high))) & kHighBits;
}

// Whether the eight bytes fold as they stand but for case: printable ASCII
// (' ' to '~') whose spaces are single and lie between other characters.
// The last byte is checked by the caller (it must not be a space), so that
// a space always has a visible character on both sides.
constexpr bool PlainWords(uint64_t word) {
    if ((word & kHighBits) != 0 || BytesWithin(word, 0x00, 0x1F) != 0 ||
        BytesWithin(word, 0x7F, 0x7F) != 0)
        return false;
    const uint64_t spaces = BytesWithin(word, ' ', ' ');
    return (spaces & (spaces << 8)) == 0;
}

// The eight ASCII bytes with 'A' to 'Z' lowered.
constexpr uint64_t LowerAsciiWord(uint64_t word) {
    return word | (BytesWithin(word, 'A', 'Z') >> 2);
}

static_assert(PlainWords(0x2141427E21205A5Bull) && !PlainWords(0x2141422020424344ull));
static_assert(!PlainWords(0x41420D4141414141ull) && !PlainWords(0x4142004141414141ull));
static_assert(!PlainWords(0x41C3A94141414141ull) && !PlainWords(0x417F414141414141ull));
static_assert(LowerAsciiWord(0x40415A5B61627A7Bull) == 0x40617A5B61627A7Bull);
static_assert(LowerAsciiWord(0x2041205A20202020ull) == 0x2061207A20202020ull);

bool IsWordByte(char c) {
    const auto b = uint8_t(c);
    return b >= 0x80 || (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || b == '_';
}

} // namespace

void AppendFolded(std::string_view text, std::string& out) {
    // A space is written only before the next visible character, so that
    // leading and trailing runs vanish and inner runs count once.
    bool pendingSpace = false;
    for (size_t pos = 0; pos < text.size();) {
        // Most text is runs of visible ASCII, which fold byte for byte.
        if (kAsciiFold[uint8_t(text[pos])] != 0) {
            if (pendingSpace) out += ' ';
            pendingSpace = false;
            // Then eight bytes at a time while they are plain words.
            for (uint64_t word; pos + 8 <= text.size() && text[pos + 7] != ' '; pos += 8) {
                std::memcpy(&word, text.data() + pos, 8);
                if (!PlainWords(word)) break;
                word = LowerAsciiWord(word);
                char folded[8];
                std::memcpy(folded, &word, 8);
                out.append(folded, 8);
            }
            for (char folded; pos < text.size() && (folded = kAsciiFold[uint8_t(text[pos])]) != 0;
                 ++pos)
                out += folded;
            continue;
        }
        const char32_t cp = NextCodePoint(text, pos);
        if (cp == 0 || IsSpace(cp)) {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace) out += ' ';
        pendingSpace = false;
        AppendFoldedCodePoint(cp, out);
    }
}

std::string FoldText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendFolded(text, out);
    return out;
}

bool ContainsFolded(std::string_view haystack, std::string_view needle, bool wholeWords) {
    if (needle.empty()) return true;
    for (size_t at = haystack.find(needle); at != std::string_view::npos;
         at = haystack.find(needle, at + 1)) {
        if (!wholeWords) return true;
        const size_t end = at + needle.size();
        const bool startsWord = at == 0 || !IsWordByte(haystack[at - 1]) || !IsWordByte(needle[0]);
        const bool endsWord =
            end == haystack.size() || !IsWordByte(haystack[end]) || !IsWordByte(needle.back());
        if (startsWord && endsWord) return true;
    }
    return false;
}

} // namespace ostrel::search
