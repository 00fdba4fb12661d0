// Cutting untrusted transport header text into fields (RFC 5322 2.2, 2.2.3)
// and writing back the ones an exported message may carry.
#include "export/TransportHeaders.h"

#include <algorithm>
#include <cctype>

#include "export/MailAddress.h"
#include "export/MessageIds.h"

namespace {

// RFC 5322 2.1.1: at most 998 characters before CR LF; fold near 78.
constexpr size_t kMaxLineBytes = 998;
constexpr size_t kFoldColumn = 76;
// A word that does not fit on the first line behind the longest name.
constexpr size_t kLongestWord = kMaxLineBytes - kMaxFieldNameBytes - 2;
// Fields the export writes itself whenever it has a value for them, and a
// marker only the export sets: never taken from the text.
const char* const kAlwaysOwn[] = {"x-recovered"};
// Fields a strict reader parses (RFC 5322 3.6): copied only when they parse.
const char* const kAddressFields[] = {"from",      "sender",    "reply-to",    "to",
                                      "cc",        "bcc",       "resent-from", "resent-sender",
                                      "resent-to", "resent-cc", "resent-bcc"};
const char* const kIdFields[] = {"message-id", "in-reply-to", "references", "resent-message-id"};
const char* const kDateFields[] = {"date", "resent-date"};
// More identifiers than this in one field are damage.
constexpr size_t kMostIds = 1000;

template <size_t N> bool IsOneOf(const std::string& name, const char* const (&list)[N]) {
    for (const char* entry : list)
        if (name == entry) return true;
    return false;
}

// An address list in a form a strict reader takes: each entry parsed as the
// display lists are ("Name <address>", an address, a name) and written anew,
// names quoted where they need it.
std::string RewrittenAddressList(const std::string& value) {
    std::vector<tmailaddress> entries;
    size_t start = 0;
    bool quoted = false;
    for (size_t i = 0; i <= value.size(); ++i) {
        if (i < value.size() && value[i] == '"') quoted = !quoted;
        if (i == value.size() || (value[i] == ',' && !quoted)) {
            entries.push_back(ParseAddressEntry(std::string_view(value).substr(start, i - start)));
            start = i + 1;
        }
    }
    std::string out;
    auto ascii = [](std::string_view) { return std::string("us-ascii"); };
    for (const std::string& token : AddressListTokens(entries, ascii))
        out += (out.empty() ? "" : " ") + token;
    return out;
}

// The value as a strict reader takes it, or empty: the field is dropped.
std::string CheckedValue(const std::string& lowerName, const std::string& value) {
    if (IsOneOf(lowerName, kDateFields)) return {}; // the export's own Date stands alone
    if (IsOneOf(lowerName, kAddressFields))
        return IsStrictAddressList(value) ? value : RewrittenAddressList(value);
    if (!IsOneOf(lowerName, kIdFields)) return value;
    std::string ids;
    for (const std::string& id : MsgIdTokens(value, kMostIds))
        ids += (ids.empty() ? "" : " ") + id;
    return ids;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// RFC 5322 ftext: printable ASCII except ':'; and, beyond it, a letter or
// digit first, as every real field has: a line that begins with "--" could
// be taken for a boundary where the message is part of another.
bool IsFieldName(std::string_view name) {
    if (name.empty() || name.size() > kMaxFieldNameBytes) return false;
    if (!std::isalnum(static_cast<unsigned char>(name[0]))) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        unsigned char u = static_cast<unsigned char>(c);
        return u >= 33 && u <= 126 && c != ':';
    });
}

// The next line of `text` from `pos`, its break (CR LF, LF or CR) removed.
std::string_view NextLine(std::string_view text, size_t& pos) {
    size_t start = pos;
    while (pos < text.size() && text[pos] != '\r' && text[pos] != '\n')
        ++pos;
    std::string_view line = text.substr(start, pos - start);
    if (pos < text.size()) {
        if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ++pos;
        ++pos;
    }
    return line;
}

// Controls (CR and LF among them) and bytes outside ASCII become spaces or
// '?': the copy is plain header text whatever the original held.
std::string PlainText(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u >= 0x80)
            out += '?';
        else if (u < 0x20 || u == 0x7F)
            out += ' ';
        else
            out += c;
    }
    size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    size_t last = out.find_last_not_of(' ');
    return out.substr(first, last - first + 1);
}

// "Name: value" folded before a space that would pass the fold column;
// empty when a word does not fit on a line even alone.
std::string FoldedField(const std::string& name, const std::string& value) {
    std::string out = name + ":";
    size_t column = out.size();
    size_t pos = 0;
    while (pos < value.size()) {
        size_t start = value.find_first_not_of(' ', pos);
        if (start == std::string::npos) break;
        size_t end = value.find(' ', start);
        if (end == std::string::npos) end = value.size();
        std::string_view word(value.data() + start, end - start);
        if (word.size() > kLongestWord) return {};
        if (column + 1 + word.size() > kFoldColumn && column > name.size() + 1) {
            out += "\r\n";
            column = 0;
        }
        out += ' ';
        out += word;
        column += 1 + word.size();
        pos = end;
    }
    return out + "\r\n";
}

} // namespace

std::vector<ttransportfield> ParseHeaderFields(std::string_view text) {
    text = text.substr(0, std::min(text.size(), kMaxTransportHeaderBytes));
    std::vector<ttransportfield> fields;
    bool open = false; // the last line began a field that continuation lines extend
    size_t pos = 0;
    while (pos < text.size()) {
        std::string_view line = NextLine(text, pos);
        if (line.empty()) break; // the end of the header block
        if (line[0] == ' ' || line[0] == '\t') {
            if (!open) continue;
            std::string& value = fields.back().Value;
            if (value.size() + line.size() > kMaxTransportFieldBytes) {
                fields.pop_back();
                open = false;
            } else {
                value += line;
            }
            continue;
        }
        open = false;
        size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        std::string_view name = line.substr(0, colon);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
            name.remove_suffix(1); // obsolete "Name :" (RFC 5322 4.5.3)
        if (!IsFieldName(name) || fields.size() == kMaxTransportFields) continue;
        std::string_view value = line.substr(colon + 1);
        if (value.size() > kMaxTransportFieldBytes) continue;
        fields.push_back({std::string(name), std::string(value)});
        open = true;
    }
    return fields;
}

bool IsReservedField(std::string_view name, const std::set<std::string>& written) {
    std::string lower = Lower(name);
    if (lower == "mime-version" || lower.rfind("content-", 0) == 0) return true;
    for (const char* own : kAlwaysOwn)
        if (lower == own) return true;
    return written.count(lower) != 0;
}

std::set<std::string> FieldNames(std::string_view text) {
    std::set<std::string> names;
    for (const ttransportfield& f : ParseHeaderFields(text))
        names.insert(Lower(f.Name));
    return names;
}

std::string MergedTransportFields(std::string_view transport, std::string_view written) {
    std::set<std::string> own = FieldNames(written);
    std::string out;
    for (const ttransportfield& f : ParseHeaderFields(transport)) {
        if (IsReservedField(f.Name, own)) continue;
        std::string value = CheckedValue(Lower(f.Name), PlainText(f.Value));
        if (value.empty()) continue; // an empty field says nothing and some readers object
        out += FoldedField(f.Name, value);
    }
    return out;
}
