// Address entries and their RFC 5322 forms: atoms or quoted strings for
// names (encoded-words when not ASCII), dot-atoms or quoted local parts for
// addresses, groups for names without an address.
#include "export/MailAddress.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "export/Charsets.h"
#include "export/MimeWriter.h"

namespace {

// Names longer than this are written as encoded-words, which can be folded.
constexpr size_t kLongestQuotedName = 60;

bool IsAtext(unsigned char c) {
    return std::isalnum(c) || (c != 0 && std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr);
}

bool IsDotAtom(std::string_view s) {
    if (s.empty() || s.front() == '.' || s.back() == '.') return false;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = s[i];
        if (c == '.') {
            if (s[i + 1] == '.') return false;
        } else if (!IsAtext(c)) {
            return false;
        }
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string Quoted(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// A display name as phrase tokens: atoms as they are, else one quoted
// string, else encoded-words.
std::vector<std::string> PhraseTokens(std::string_view rawName, const tcharsetof& charsetOf) {
    std::string name = mime::WithoutControls(rawName);
    std::string_view trimmed = Trim(name);
    if (trimmed.empty()) return {};
    if (mime::IsPlainHeaderText(trimmed) && trimmed.size() <= kLongestQuotedName &&
        trimmed.find("=?") == std::string_view::npos) {
        bool atoms = true;
        for (unsigned char c : trimmed)
            if (c != ' ' && !IsAtext(c)) atoms = false;
        if (atoms && trimmed.find("  ") == std::string_view::npos) return {std::string(trimmed)};
        return {Quoted(trimmed)};
    }
    return mime::EncodedWords(trimmed, charsetOf(trimmed));
}

// The addr-spec as written: a local part that is no dot-atom is quoted.
std::string AddrSpecText(std::string_view address) {
    size_t at = address.rfind('@');
    std::string_view local = address.substr(0, at);
    std::string out = IsDotAtom(local) ? std::string(local) : Quoted(local);
    return out + std::string(address.substr(at));
}

} // namespace

std::vector<std::string> SplitDisplayList(std::string_view value) {
    std::vector<std::string> entries;
    size_t start = 0;
    while (true) {
        size_t semi = value.find(';', start);
        if (semi == std::string_view::npos) {
            entries.emplace_back(value.substr(start));
            break;
        }
        entries.emplace_back(value.substr(start, semi - start));
        if (semi + 1 >= value.size()) break;
        start = std::min(semi + 2, value.size());
    }
    return entries;
}

std::string PersonAddress(const std::string& smtp, const std::string& address,
                          const std::string& type) {
    if (!smtp.empty()) return smtp;
    if (type.empty() || strcasecmp(type.c_str(), "SMTP") == 0) return address;
    return {};
}

bool IsAddrSpec(std::string_view address) {
    size_t at = address.rfind('@');
    if (at == std::string_view::npos || at == 0 || at + 1 == address.size()) return false;
    if (!mime::IsPlainHeaderText(address) || address.size() > 254) return false;
    std::string_view local = address.substr(0, at);
    std::string_view domain = address.substr(at + 1);
    bool domainOk =
        IsDotAtom(domain) || (domain.size() > 2 && domain.front() == '[' && domain.back() == ']' &&
                              domain.find_first_of("[]\\ ", 1) == domain.size() - 1);
    if (!domainOk) return false;
    // A local part that is not a dot-atom is quoted, which takes any
    // printable text except a line break.
    return !local.empty();
}

namespace {

// A quoted string from `pos` (at its opening quote); false when unclosed.
bool SkipQuoted(std::string_view s, size_t& pos) {
    for (++pos; pos < s.size(); ++pos) {
        if (s[pos] == '\\') {
            ++pos;
        } else if (s[pos] == '"') {
            ++pos;
            return true;
        }
    }
    return false;
}

bool IsStrictMailbox(std::string_view address) {
    size_t at = address.rfind('@');
    if (!IsAddrSpec(address)) return false;
    std::string_view local = address.substr(0, at);
    if (IsDotAtom(local)) return true;
    size_t pos = 0;
    return local.front() == '"' && SkipQuoted(local, pos) && pos == local.size();
}

bool IsStrictPhrase(std::string_view phrase) {
    size_t pos = 0;
    while (pos < phrase.size()) {
        unsigned char c = static_cast<unsigned char>(phrase[pos]);
        if (c == ' ' || c == '\t') {
            ++pos;
        } else if (c == '"') {
            if (!SkipQuoted(phrase, pos)) return false;
        } else if (IsAtext(c)) {
            ++pos;
        } else {
            return false;
        }
    }
    return true;
}

bool IsStrictEntry(std::string_view entry) {
    entry = Trim(entry);
    if (entry.empty() || entry.back() != '>') return IsStrictMailbox(entry);
    size_t open = entry.rfind('<');
    if (open == std::string_view::npos) return false;
    return IsStrictPhrase(entry.substr(0, open)) &&
           IsStrictMailbox(entry.substr(open + 1, entry.size() - open - 2));
}

} // namespace

bool IsStrictAddressList(std::string_view value) {
    if (!mime::IsPlainHeaderText(value) || Trim(value).empty()) return false;
    size_t start = 0, pos = 0;
    while (pos <= value.size()) {
        if (pos < value.size() && value[pos] == '"') {
            if (!SkipQuoted(value, pos)) return false;
            continue;
        }
        if (pos == value.size() || value[pos] == ',') {
            if (!IsStrictEntry(value.substr(start, pos - start))) return false;
            start = pos + 1;
        }
        ++pos;
    }
    return true;
}

tmailaddress ParseAddressEntry(std::string_view text) {
    std::string_view t = Trim(text);
    size_t open = t.rfind('<');
    if (!t.empty() && t.back() == '>' && open != std::string_view::npos) {
        std::string_view address = Trim(t.substr(open + 1, t.size() - open - 2));
        std::string_view name = Trim(t.substr(0, open));
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.substr(1, name.size() - 2);
        if (IsAddrSpec(address)) return {std::string(name), std::string(address)};
    }
    if (IsAddrSpec(t) && t.find(' ') == std::string_view::npos) return {"", std::string(t)};
    return {std::string(t), ""};
}

std::vector<std::string> AddressListTokens(const std::vector<tmailaddress>& entries,
                                           const tcharsetof& charsetOf) {
    std::vector<std::string> tokens;
    for (const tmailaddress& e : entries) {
        bool usable = IsAddrSpec(e.Address);
        // An address that is no addr-spec (an X.500 name, say) is shown as the name.
        std::vector<std::string> phrase =
            PhraseTokens(usable || !e.Name.empty() ? e.Name : e.Address, charsetOf);
        if (!usable && phrase.empty()) continue;
        if (!tokens.empty()) tokens.back() += ",";
        if (usable) {
            tokens.insert(tokens.end(), phrase.begin(), phrase.end());
            std::string addr = AddrSpecText(e.Address);
            tokens.push_back(phrase.empty() ? addr : "<" + addr + ">");
        } else {
            tokens.insert(tokens.end(), phrase.begin(), phrase.end());
            // Readers want white space after an encoded-word.
            if (tokens.back().ends_with("?="))
                tokens.push_back(":;");
            else
                tokens.back() += ":;";
        }
    }
    return tokens;
}
