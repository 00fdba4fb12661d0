// Base64, quoted-printable, encoded-words, header folding and boundaries.
#include "export/MimeWriter.h"

#include <cstdint>

#include "export/Charsets.h"

namespace mime {
namespace {

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kHex[] = "0123456789ABCDEF";

// Writes the Base64 of `data` at `out`, which has room for it: four
// characters for every three bytes or fewer ([MS-OXCMSG] attachments run to
// megabytes, so the characters are stored, not appended one by one), with
// CR LF after every `lineLength` characters except at the end (0: one run).
void EncodeBase64(char* out, std::string_view data, size_t lineLength) {
    const auto* in = reinterpret_cast<const uint8_t*>(data.data());
    size_t column = 0, i = 0;
    auto group = [&](uint32_t v, int written) {
        if (lineLength && column == lineLength) {
            *out++ = '\r';
            *out++ = '\n';
            column = 0;
        }
        for (int k = 0; k < 4; ++k)
            *out++ = k < written ? kBase64Alphabet[(v >> (18 - 6 * k)) & 0x3F] : '=';
        column += 4;
    };
    for (; i + 3 <= data.size(); i += 3)
        group(uint32_t(in[i]) << 16 | uint32_t(in[i + 1]) << 8 | in[i + 2], 4);
    const size_t rest = data.size() - i;
    if (rest == 1) group(uint32_t(in[i]) << 16, 2);
    if (rest == 2) group(uint32_t(in[i]) << 16 | uint32_t(in[i + 1]) << 8, 3);
}

size_t Base64RunSize(std::string_view data) {
    return (data.size() + 2) / 3 * 4;
}

// Base64 of `data` as one unbroken run.
std::string Base64Run(std::string_view data) {
    std::string out(Base64RunSize(data), '\0');
    EncodeBase64(out.data(), data, 0);
    return out;
}

// Whether `c` stands for itself in quoted-printable (RFC 2045 6.7); spaces
// at the end of a line would be taken away by transports.
bool IsLiteral(unsigned char c, bool last) {
    return (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last);
}

// One line of text (no line break in it) as quoted-printable lines. Runs of
// literal characters are copied whole, up to where the line is full.
void AppendQuotedLine(std::string& out, std::string_view line) {
    // Room for the soft break "=" must remain on every line: at most this many.
    constexpr size_t kWidest = kLineLength - 1;
    size_t column = 0; // never above kWidest
    for (size_t i = 0; i < line.size();) {
        size_t run = i;
        while (run < line.size() && run - i < kWidest - column &&
               IsLiteral(line[run], run + 1 == line.size()))
            ++run;
        if (run > i) {
            out.append(line, i, run - i);
            column += run - i;
            i = run;
            continue;
        }
        const unsigned char c = line[i];
        const bool literal = IsLiteral(c, i + 1 == line.size());
        const size_t width = literal ? 1 : 3;
        if (column + width > kWidest) {
            out += "=\r\n";
            column = 0;
        }
        if (literal) {
            out += char(c);
        } else {
            out += '=';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
        column += width;
        ++i;
    }
}

} // namespace

void AppendBase64(std::string& out, std::string_view data) {
    static_assert(kLineLength % 4 == 0, "lines end between groups of four");
    const size_t run = Base64RunSize(data);
    const size_t breaks = run == 0 ? 0 : (run - 1) / kLineLength;
    const size_t at = out.size();
    out.resize(at + run + 2 * breaks);
    EncodeBase64(out.data() + at, data, kLineLength);
}

std::string Base64(std::string_view data) {
    std::string out;
    AppendBase64(out, data);
    return out;
}

void AppendQuotedPrintable(std::string& out, std::string_view text) {
    ForEachLine(text, [&](std::string_view line, bool more) {
        AppendQuotedLine(out, line);
        if (more) out += "\r\n";
    });
}

std::string QuotedPrintable(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    AppendQuotedPrintable(out, text);
    return out;
}

bool IsPlainHeaderText(std::string_view text) {
    for (unsigned char c : text)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

std::string WithoutControls(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return out;
}

std::vector<std::string> EncodedWords(std::string_view text, std::string_view charset) {
    // "=?" charset "?B?" ... "?=" fits after "Subject: " within 76 columns.
    const size_t overhead = 7 + charset.size();
    const size_t room = overhead + 4 < 66 ? (66 - overhead) / 4 * 3 : 3;
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = i;
        while (end < text.size()) {
            size_t n = CharLength(charset, text, end);
            if (end + n - i > room && end > i) break;
            end += n;
        }
        words.push_back("=?" + std::string(charset) + "?B?" + Base64Run(text.substr(i, end - i)) +
                        "?=");
        i = end;
    }
    return words;
}

std::string FoldedHeader(std::string_view name, const std::vector<std::string>& tokens) {
    std::string out(name);
    out += ":";
    size_t column = out.size();
    for (const std::string& token : tokens) {
        if (column + 1 + token.size() > kLineLength && column > name.size() + 1 && !token.empty()) {
            out += "\r\n";
            column = 0;
        }
        out += ' ';
        out += token;
        column += 1 + token.size();
    }
    return out;
}

std::string UnstructuredHeader(std::string_view name, std::string_view text,
                               std::string_view charset) {
    std::string clean = WithoutControls(text);
    if (clean.empty()) return {};
    // Plain text that looks like an encoded-word would be decoded by readers.
    if (IsPlainHeaderText(clean) && clean.find("=?") == std::string::npos &&
        clean.find_first_not_of(' ') != std::string::npos) {
        std::vector<std::string> words;
        size_t start = 0;
        while (true) {
            size_t space = clean.find(' ', start);
            words.push_back(
                clean.substr(start, space == std::string::npos ? space : space - start));
            if (space == std::string::npos) break;
            start = space + 1;
        }
        // A word longer than a line cannot be folded; encoded-words can.
        bool fits = true;
        for (const std::string& w : words)
            if (w.size() > 900) fits = false;
        if (fits) return FoldedHeader(name, words);
    }
    return FoldedHeader(name, EncodedWords(clean, IsValidUtf8(clean) ? "utf-8" : charset));
}

std::string Boundary(std::mt19937& random) {
    static constexpr char kAlphabet[] =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::uniform_int_distribution<size_t> pick(0, sizeof kAlphabet - 2);
    std::string b(34, '0');
    for (char& c : b)
        c = kAlphabet[pick(random)];
    size_t at = std::uniform_int_distribution<size_t>(0, 32)(random);
    b[at] = '=';
    b[at + 1] = '_';
    return b;
}

} // namespace mime
