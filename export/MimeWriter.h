// The MIME encodings of the EML export: base64 and quoted-printable bodies
// (RFC 2045), encoded-words for header text that is not plain ASCII
// (RFC 2047), header lines folded to 76 characters (RFC 5322), and the
// random boundaries of multipart bodies.
#pragma once

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace mime {

constexpr size_t kLineLength = 76;

// Calls line(text, more) for each line of `text`, without its break, `more`
// telling whether a break follows. A break is CR LF, LF or CR: message
// bodies carry any of the three.
template <typename Line> void ForEachLine(std::string_view text, Line line) {
    for (size_t start = 0;;) {
        size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        const bool more = end < text.size();
        line(text.substr(start, end - start), more);
        if (!more) return;
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
}

// Lines of at most 76 characters, separated (not ended) by CR LF.
std::string Base64(std::string_view data);
// The same appended to `out`, without a copy of its own.
void AppendBase64(std::string& out, std::string_view data);

// Text as quoted-printable: its line breaks (CR LF, LF or CR) become the
// encoded text's hard line breaks, longer lines get soft breaks. Lines are
// separated (not ended) by CR LF.
std::string QuotedPrintable(std::string_view text);
// The same appended to `out`.
void AppendQuotedPrintable(std::string& out, std::string_view text);

// Bytes a header may carry as they are: printable ASCII and spaces.
bool IsPlainHeaderText(std::string_view text);

// Header text with every control character (CR and LF among them, which
// would end the header) replaced by a space.
std::string WithoutControls(std::string_view text);

// `text` as B encoded-words of `charset`, each short enough to stand on a
// folded line of its own and each holding whole characters.
std::vector<std::string> EncodedWords(std::string_view text, std::string_view charset);

// "Name: " and the tokens joined by single spaces, folded before a token
// that would pass 76 characters; no line end.
std::string FoldedHeader(std::string_view name, const std::vector<std::string>& tokens);

// An unstructured header (Subject): words of plain text, encoded-words when
// the text is not plain ASCII. Empty text gives an empty string.
std::string UnstructuredHeader(std::string_view name, std::string_view text,
                               std::string_view charset);

// 34 random letters and digits with "=_" at a random position: neither
// base64 nor quoted-printable text can hold that pair.
std::string Boundary(std::mt19937& random);

} // namespace mime
