// Safe file names for saved attachments (see SafeFileName.h). UTF-8 is read
// as RFC 3629 defines it; anything else is replaced, not guessed at.
#include "display/SafeFileName.h"

#include <cstdint>

namespace ostrel::names {
namespace {

constexpr char kReplacement = '_';
constexpr char32_t kFirstC1 = 0x80, kLastC1 = 0x9F;
constexpr char32_t kDelete = 0x7F;

// Marks that reorder how a name is drawn ("txt.exe" shown as "exe.txt"):
// U+200E, U+200F, U+202A..U+202E, U+2066..U+2069.
bool IsDirectionMark(char32_t c) {
    return c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

// The length of the well-formed UTF-8 sequence at `i` and its code point,
// or 0 for an invalid one.
size_t DecodeUtf8(std::string_view s, size_t i, char32_t& cp) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char lead = byte(i);
    size_t length = lead < 0x80                    ? 1
                    : lead >= 0xC2 && lead <= 0xDF ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || i + length > s.size()) return 0;
    cp = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (byte(i + k) & 0x3F);
    }
    constexpr char32_t kMinOf[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMinOf[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

bool IsUnsafe(char32_t c) {
    return c < 0x20 || c == kDelete || (c >= kFirstC1 && c <= kLastC1) || c == '/' || c == '\\' ||
           IsDirectionMark(c);
}

// Every character checked; dot runs collapsed.
std::string Cleaned(std::string_view name) {
    std::string out;
    for (size_t i = 0; i < name.size();) {
        char32_t cp = 0;
        size_t n = DecodeUtf8(name, i, cp);
        if (n == 0 || IsUnsafe(cp)) {
            out += kReplacement;
            i += n ? n : 1;
            continue;
        }
        if (cp == '.' && !out.empty() && out.back() == '.') {
            ++i;
            continue;
        }
        out.append(name.substr(i, n));
        i += n;
    }
    return out;
}

std::string Trimmed(std::string text) {
    size_t start = text.find_first_not_of(". ");
    if (start == std::string::npos) return {};
    size_t end = text.find_last_not_of(". ");
    return text.substr(start, end - start + 1);
}

// The longest prefix of valid UTF-8 `text` of at most `limit` bytes.
std::string_view CutAtCharacter(std::string_view text, size_t limit) {
    if (text.size() <= limit) return text;
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

// The extension kept when a name is cut: a short tail after the last dot.
std::string_view KeptExtension(std::string_view name) {
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    std::string_view tail = name.substr(dot);
    return tail.size() <= kMaxKeptExtensionBytes ? tail : std::string_view();
}

// `stem` cut so that stem + suffix fits kMaxSafeNameBytes.
std::string Fitted(std::string_view stem, std::string_view suffix) {
    size_t room = kMaxSafeNameBytes > suffix.size() ? kMaxSafeNameBytes - suffix.size() : 0;
    std::string cut = Trimmed(std::string(CutAtCharacter(stem, room)));
    if (cut.empty()) cut = kFallbackName;
    return cut + std::string(suffix);
}

} // namespace

std::string SafeFileName(std::string_view name) {
    std::string safe = Trimmed(Cleaned(name));
    if (safe.empty()) return std::string(kFallbackName);
    if (safe.size() <= kMaxSafeNameBytes) return safe;
    std::string_view extension = KeptExtension(safe);
    std::string_view stem = std::string_view(safe).substr(0, safe.size() - extension.size());
    return Fitted(stem, extension);
}

std::string NumberedFileName(std::string_view safeName, int n) {
    std::string_view extension = KeptExtension(safeName);
    std::string_view stem = safeName.substr(0, safeName.size() - extension.size());
    return Fitted(stem, " (" + std::to_string(n) + ")" + std::string(extension));
}

} // namespace ostrel::names
