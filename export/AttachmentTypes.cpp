// Attachment MIME types and content ids (RFC 2045 5.1 tokens, RFC 2392).
#include "export/AttachmentTypes.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

namespace {

// RFC 2045 5.1: a token is printable US-ASCII without space and without these separators.
constexpr const char* kSeparators = "()<>@,;:\\\"/[]?=";
// RFC 6838 4.2 caps type and subtype names at 127 characters.
constexpr size_t kLongestTypeName = 127;

// Common attachment kinds by extension. .eml maps to message/rfc822 here;
// an export that cannot send such bytes as 8bit text declares them otherwise.
constexpr std::pair<const char*, const char*> kTypesByExtension[] = {
    {"bmp", "image/bmp"},
    {"csv", "text/csv"},
    {"doc", "application/msword"},
    {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    {"eml", "message/rfc822"},
    {"gif", "image/gif"},
    {"htm", "text/html"},
    {"html", "text/html"},
    {"ics", "text/calendar"},
    {"jpeg", "image/jpeg"},
    {"jpg", "image/jpeg"},
    {"json", "application/json"},
    {"mp3", "audio/mpeg"},
    {"mp4", "video/mp4"},
    {"msg", "application/vnd.ms-outlook"},
    {"pdf", "application/pdf"},
    {"png", "image/png"},
    {"ppt", "application/vnd.ms-powerpoint"},
    {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
    {"tif", "image/tiff"},
    {"tiff", "image/tiff"},
    {"txt", "text/plain"},
    {"vcf", "text/vcard"},
    {"wav", "audio/wav"},
    {"xls", "application/vnd.ms-excel"},
    {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {"xml", "application/xml"},
    {"zip", "application/zip"},
};

bool IsTokenChar(unsigned char c) {
    return c > 0x20 && c < 0x7F && !std::strchr(kSeparators, c);
}

bool IsToken(std::string_view s) {
    return !s.empty() && s.size() <= kLongestTypeName &&
           std::all_of(s.begin(), s.end(), [](char c) { return IsTokenChar(c); });
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::optional<std::string> ValidMimeType(std::string_view tag) {
    tag = Trimmed(tag);
    size_t slash = tag.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    if (!IsToken(tag.substr(0, slash)) || !IsToken(tag.substr(slash + 1))) return std::nullopt;
    return Lower(tag);
}

std::optional<std::string> MimeTypeOfExtension(std::string_view extensionOrName) {
    size_t dot = extensionOrName.rfind('.');
    std::string key =
        Lower(dot == std::string_view::npos ? extensionOrName : extensionOrName.substr(dot + 1));
    for (const auto& [extension, type] : kTypesByExtension)
        if (key == extension) return std::string(type);
    return std::nullopt;
}

std::string AttachmentMimeType(const tattachment& a) {
    if (auto tagged = ValidMimeType(TextOf(a.MimeTag))) return *tagged;
    for (const ttext* name : {&a.Extension, &a.LongFileName, &a.FileName}) {
        std::string text = TextOf(*name);
        if (text.empty()) continue;
        if (auto known = MimeTypeOfExtension(text)) return *known;
    }
    return std::string(kDefaultMimeType);
}

std::string ContentIdToken(const tattachment& a) {
    std::string out;
    for (unsigned char c : TextOf(a.ContentId))
        if (c > 0x20 && c != 0x7F && c != '<' && c != '>') out += char(c);
    return out;
}
