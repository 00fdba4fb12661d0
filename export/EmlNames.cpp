// File and directory names of the EML export.
#include "export/EmlNames.h"

#include <cstdio>
#include <cstring>

#include "export/Charsets.h"

namespace {

constexpr size_t kSubjectCharacters = 64;
// File names may have 255 bytes; "_", 8 or more hex digits, ".eml" and a
// " (n)" for repeated names must still fit.
constexpr size_t kSubjectBytes = 220;
constexpr size_t kDirectoryBytes = 240;

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

// The first `characters` characters of `text` within `bytes` bytes,
// counting UTF-8 sequences as one character when the text is UTF-8.
std::string_view Cut(std::string_view text, size_t characters, size_t bytes) {
    std::string_view charset = IsValidUtf8(text) ? "utf-8" : "";
    size_t i = 0;
    for (size_t count = 0; i < text.size() && count < characters; ++count) {
        size_t n = CharLength(charset, text, i);
        if (i + n > bytes) break;
        i += n;
    }
    return text.substr(0, i);
}

} // namespace

std::string NidHex(uint64_t nid) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%08llX", static_cast<unsigned long long>(nid));
    return buffer;
}

std::string EmlFileName(std::string_view subject, uint64_t nid) {
    std::string name(subject);
    for (char& c : name)
        if (IsControl(static_cast<unsigned char>(c)) || std::strchr("/\\\":*?<>", c)) c = '_';
    std::string cut(Cut(name, kSubjectCharacters, kSubjectBytes));
    return cut + "_" + NidHex(nid) + ".eml";
}

std::string SafeDirectoryName(std::string_view folderName) {
    std::string name(Cut(folderName, std::string_view::npos, kDirectoryBytes));
    for (char& c : name)
        if (IsControl(static_cast<unsigned char>(c)) || c == '/') c = '_';
    if (name == ".") return "_";
    if (name == "..") return "__";
    return name;
}

std::string NumberedName(std::string_view name, std::string_view extension, int n) {
    std::string_view stem = name.substr(0, name.size() - extension.size());
    return std::string(stem) + " (" + std::to_string(n) + ")" + std::string(extension);
}
