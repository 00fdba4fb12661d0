// Finding the cid: URLs and content locations an HTML body refers to.
#include "export/HtmlReferences.h"

#include <cstring>

#include "export/AttachmentTypes.h"

namespace {

constexpr std::string_view kCidScheme = "cid:";
// Characters that end an unquoted or quoted URL in an attribute or CSS url().
constexpr const char* kUrlEnd = "\"' \t\r\n>)";
// Content locations shorter than this ("a", "1") would match ordinary words.
constexpr size_t kShortestLocation = 3;

// ASCII letters lowered, every other byte kept: the names compared (cid:
// URLs, content locations) are ASCII case-insensitive, and a byte of UTF-8
// must not change with the locale.
std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// %XX escapes decoded (the text is already in lower case).
std::string PercentDecoded(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        int high = i + 2 < s.size() && s[i] == '%' ? HexValue(s[i + 1]) : -1;
        int low = high >= 0 ? HexValue(s[i + 2]) : -1;
        if (low >= 0) {
            out += char(high * 16 + low);
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool IsUrlEnd(char c) {
    return std::strchr(kUrlEnd, c) != nullptr;
}

// Whether `value` stands in `html` as a whole attribute value or url() argument.
bool NamedAsValue(const std::string& html, const std::string& value) {
    for (size_t at = html.find(value); at != std::string::npos; at = html.find(value, at + 1)) {
        char before = at > 0 ? html[at - 1] : ' ';
        size_t end = at + value.size();
        char after = end < html.size() ? html[end] : ' ';
        bool opens = before == '"' || before == '\'' || before == '=' || before == '(';
        if (opens && IsUrlEnd(after)) return true;
    }
    return false;
}

// The end of the URL that starts at `begin`.
size_t UrlEnd(const std::string& lower, size_t begin) {
    size_t end = begin;
    while (end < lower.size() && !IsUrlEnd(lower[end]))
        ++end;
    return end;
}

struct tnames {
    std::vector<std::string> ids, locations; // lower case; empty when unusable
};

tnames NamesOf(const std::vector<const tattachment*>& attachments) {
    tnames out;
    for (const tattachment* a : attachments) {
        out.ids.push_back(Lower(ContentIdToken(*a)));
        std::string location = Lower(TextOf(a->ContentLocation));
        out.locations.push_back(location.size() >= kShortestLocation ? location : "");
    }
    return out;
}

// The attachment a reference at `at` names and the length it covers, if any.
// Otherwise `length` is what to pass over: a cid: URL naming none of them
// whole (one URL is one reference, RFC 2392: a "cid:" inside it starts none),
// else one character.
bool ReferenceAt(const std::string& lower, size_t at, const tnames& names, size_t& index,
                 size_t& length) {
    length = 1;
    if (lower.compare(at, kCidScheme.size(), kCidScheme) == 0) {
        size_t begin = at + kCidScheme.size(), end = UrlEnd(lower, begin);
        length = end - at;
        std::string id = PercentDecoded(std::string_view(lower).substr(begin, end - begin));
        for (size_t i = 0; i < names.ids.size(); ++i)
            if (!id.empty() && names.ids[i] == id) {
                index = i;
                length = end - at;
                return true;
            }
    }
    char before = at > 0 ? lower[at - 1] : ' ';
    if (before != '"' && before != '\'' && before != '=' && before != '(') return false;
    for (size_t i = 0; i < names.locations.size(); ++i) {
        const std::string& location = names.locations[i];
        if (location.empty() || lower.compare(at, location.size(), location) != 0) continue;
        size_t end = at + location.size();
        if (end < lower.size() && !IsUrlEnd(lower[end])) continue;
        index = i;
        length = location.size();
        return true;
    }
    return false;
}

} // namespace

std::string RewriteReferences(std::string_view html,
                              const std::vector<const tattachment*>& attachments,
                              const std::function<std::string(size_t)>& urlOf) {
    tnames names = NamesOf(attachments);
    std::string lower = Lower(html);
    std::string out;
    out.reserve(html.size());
    for (size_t at = 0; at < html.size();) {
        size_t index = 0, length = 1;
        if (ReferenceAt(lower, at, names, index, length)) {
            out += urlOf(index);
        } else {
            out.append(html, at, length);
        }
        at += length;
    }
    return out;
}

namespace {

std::set<std::string> CidReferencesOfLower(const std::string& lower) {
    std::set<std::string> out;
    // One URL is one reference: the search goes on after its end, so that
    // each character is read once however many "cid:" a URL holds.
    for (size_t at = lower.find(kCidScheme); at != std::string::npos;) {
        size_t begin = at + kCidScheme.size(), end = UrlEnd(lower, begin);
        if (end > begin)
            out.insert(PercentDecoded(std::string_view(lower).substr(begin, end - begin)));
        at = lower.find(kCidScheme, end);
    }
    return out;
}

} // namespace

std::set<std::string> CidReferences(std::string_view html) {
    return CidReferencesOfLower(Lower(html));
}

std::vector<bool> ReferencedAttachments(std::string_view html,
                                        const std::vector<const tattachment*>& attachments) {
    std::vector<bool> out(attachments.size(), false);
    if (html.empty() || attachments.empty()) return out;
    const std::string lower = Lower(html);
    const std::set<std::string> cids = CidReferencesOfLower(lower);
    for (size_t i = 0; i < attachments.size(); ++i) {
        std::string id = Lower(ContentIdToken(*attachments[i]));
        std::string location = Lower(TextOf(attachments[i]->ContentLocation));
        out[i] = (!id.empty() && cids.count(id)) ||
                 (location.size() >= kShortestLocation && NamedAsValue(lower, location));
    }
    return out;
}
