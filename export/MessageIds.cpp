// Checking and cutting message identifiers (RFC 5322 3.6.4, 3.2.3).
#include "export/MessageIds.h"

#include <cctype>
#include <cstring>

namespace {

constexpr size_t kLongestMsgId = 900; // stays on one header line

bool IsAtext(unsigned char c) {
    return std::isalnum(c) || (c != 0 && std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr);
}

bool IsDotAtomText(std::string_view s) {
    if (s.empty() || s.front() == '.' || s.back() == '.') return false;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '.' ? s[i - 1] == '.' : !IsAtext(c)) return false;
    }
    return true;
}

bool IsDomainLiteral(std::string_view s) {
    if (s.size() < 2 || s.front() != '[' || s.back() != ']') return false;
    for (char c : s.substr(1, s.size() - 2))
        if (c <= ' ' || c >= 0x7F || c == '[' || c == ']' || c == '\\') return false;
    return true;
}

} // namespace

bool IsMsgId(std::string_view token) {
    if (token.size() < 5 || token.size() > kLongestMsgId) return false;
    if (token.front() != '<' || token.back() != '>') return false;
    std::string_view inner = token.substr(1, token.size() - 2);
    size_t at = inner.find('@');
    if (at == std::string_view::npos) return false;
    std::string_view left = inner.substr(0, at), right = inner.substr(at + 1);
    return IsDotAtomText(left) && (IsDotAtomText(right) || IsDomainLiteral(right));
}

std::vector<std::string> MsgIdTokens(std::string_view value, size_t most) {
    std::vector<std::string> words;
    size_t pos = 0;
    while (pos < value.size()) {
        while (pos < value.size() && std::isspace(static_cast<unsigned char>(value[pos])))
            ++pos;
        size_t end = pos;
        while (end < value.size() && !std::isspace(static_cast<unsigned char>(value[end])))
            ++end;
        if (end > pos) {
            if (words.size() == most) return {};
            words.emplace_back(value.substr(pos, end - pos));
        }
        pos = end;
    }
    if (words.size() == 1 && words[0].front() != '<') words[0] = "<" + words[0] + ">";
    std::vector<std::string> ids;
    for (std::string& w : words)
        if (IsMsgId(w)) ids.push_back(std::move(w));
    return ids;
}
