// HTML to searchable text (see SearchHtml.h). Character references follow
// the HTML standard's syntax (&name; &#digits; &#xhex;); tag names are read
// case-insensitively.
#include "display/SearchHtml.h"

#include <array>
#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel::search {
namespace {

constexpr size_t kMaxReferenceLength = 32; // longer "&..." runs are text
constexpr size_t kMaxTagNameLength = 16;
constexpr char32_t kMaxCodePoint = 0x10FFFF;

struct tnamed {
    const char* Name;
    const char* Text;
};

constexpr std::array<tnamed, 24> kNamedReferences = {{
    {"amp", "&"},         {"lt", "<"},         {"gt", ">"},
    {"quot", "\""},       {"apos", "'"},       {"nbsp", " "},
    {"shy", ""},          {"szlig", "ss"},     {"aelig", "ae"},
    {"oelig", "oe"},      {"eth", "d"},        {"thorn", "th"},
    {"oslash", "o"},      {"ndash", "-"},      {"mdash", "-"},
    {"lsquo", "'"},       {"rsquo", "'"},      {"ldquo", "\""},
    {"rdquo", "\""},      {"hellip", "..."},   {"euro", "\xE2\x82\xAC"},
    {"copy", "\xC2\xA9"}, {"reg", "\xC2\xAE"}, {"middot", "\xC2\xB7"},
}};

// The accents a named reference may put on a Latin letter (&eacute; &Uuml;).
constexpr std::array<const char*, 8> kAccentSuffixes = {"acute", "grave", "circ",  "uml",
                                                        "tilde", "ring",  "cedil", "caron"};

constexpr std::array<std::string_view, 26> kBlockTags = {
    "br",  "p",     "div", "tr", "td",   "th",   "li",   "table", "h1",
    "h2",  "h3",    "h4",  "h5", "h6",   "hr",   "ul",   "ol",    "blockquote",
    "pre", "title", "dd",  "dt", "body", "head", "html", "tbody"};

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = char(std::tolower(uint8_t(c)));
    return out;
}

bool StartsWithNoCase(std::string_view s, size_t pos, std::string_view prefix) {
    if (s.size() - pos < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(uint8_t(s[pos + i])) != uint8_t(prefix[i])) return false;
    return true;
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

// The text of a numeric reference's digits ("#233", "#xE9"); empty when malformed.
bool AppendNumeric(std::string_view body, std::string& out) {
    const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
    const size_t first = hex ? 2 : 1;
    if (body.size() <= first) return false;
    char32_t cp = 0;
    for (size_t i = first; i < body.size(); ++i) {
        const int c = std::tolower(uint8_t(body[i]));
        int digit = c >= '0' && c <= '9'          ? c - '0'
                    : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                  : -1;
        if (digit < 0) return false;
        cp = cp * (hex ? 16 : 10) + char32_t(digit);
        if (cp > kMaxCodePoint) return false;
    }
    if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    AppendUtf8(cp, out);
    return true;
}

bool AppendNamed(std::string_view name, std::string& out) {
    const std::string lower = Lower(name);
    for (const tnamed& n : kNamedReferences)
        if (lower == n.Name) {
            out += n.Text;
            return true;
        }
    if (name.size() > 1 && std::isalpha(uint8_t(name[0])))
        for (const char* suffix : kAccentSuffixes)
            if (lower.substr(1) == suffix) {
                out += char(std::tolower(uint8_t(name[0])));
                return true;
            }
    return false;
}

// At a '&': the reference's text and the position after it, or the '&' alone.
size_t Reference(std::string_view html, size_t pos, std::string& out) {
    // Only as far as a reference can reach: a search to the end for every
    // '&' would take time quadratic in a body of many of them.
    const size_t found = html.substr(pos + 1, kMaxReferenceLength).find(';');
    const size_t semi = found == std::string_view::npos ? found : pos + 1 + found;
    if (semi != std::string_view::npos) {
        const std::string_view body = html.substr(pos + 1, semi - pos - 1);
        bool done = !body.empty() && body[0] == '#' ? AppendNumeric(body, out)
                                                    : !body.empty() && AppendNamed(body, out);
        if (done) return semi + 1;
    }
    out += '&';
    return pos + 1;
}

bool IsBlockTag(std::string_view name) {
    for (std::string_view tag : kBlockTags)
        if (name == tag) return true; // sizes first: most tags are passed over at once
    return false;
}

// The end of the tag that starts at `pos` ('<'): after its '>', quoted values skipped.
size_t TagEnd(std::string_view html, size_t pos) {
    char quote = 0;
    for (size_t i = pos + 1; i < html.size(); ++i) {
        const char c = html[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return html.size();
}

// The position after the element's closing tag ("</script"), or the end.
size_t AfterRawText(std::string_view html, size_t pos, const std::string& name) {
    const std::string closing = "</" + name;
    for (size_t at = html.find("</", pos); at != std::string_view::npos;
         at = html.find("</", at + 2))
        if (StartsWithNoCase(html, at, closing)) return TagEnd(html, at);
    return html.size();
}

// At a '<': skips the tag (and a comment, or a script or style element with
// its content); a separator for block tags. A '<' that starts no tag is text.
size_t Tag(std::string_view html, size_t pos, std::string& out) {
    if (html.compare(pos, 4, "<!--") == 0) {
        const size_t end = html.find("-->", pos + 4);
        return end == std::string_view::npos ? html.size() : end + 3;
    }
    size_t i = pos + 1;
    const bool closing = i < html.size() && html[i] == '/';
    if (closing) ++i;
    const size_t nameStart = i;
    while (i < html.size() && std::isalnum(uint8_t(html[i])) && i - nameStart < kMaxTagNameLength)
        ++i;
    const bool special = i < html.size() && (html[i] == '!' || html[i] == '?');
    if (i == nameStart && !special) {
        out += '<';
        return pos + 1;
    }
    const std::string name = Lower(html.substr(nameStart, i - nameStart));
    const size_t end = TagEnd(html, pos);
    if (IsBlockTag(name)) out += ' ';
    if (!closing && (name == "script" || name == "style")) return AfterRawText(html, end, name);
    return end;
}

} // namespace

std::string HtmlToText(std::string_view html) {
    std::string out;
    out.reserve(html.size() / 2);
    for (size_t pos = 0; pos < html.size();) {
        const char c = html[pos];
        if (c == '<') {
            pos = Tag(html, pos, out);
        } else if (c == '&') {
            pos = Reference(html, pos, out);
        } else {
            // The text up to the next tag or reference, in one piece.
            size_t end = pos + 1;
            while (end < html.size() && html[end] != '<' && html[end] != '&')
                ++end;
            out.append(html, pos, end - pos);
            pos = end;
        }
    }
    return out;
}

} // namespace ostrel::search
