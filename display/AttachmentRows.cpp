// The attachment rows of one item (see AttachmentRows.h), [MS-OXCMSG] 2.2.2.
#include "display/AttachmentRows.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace {

constexpr std::string_view kOctetStream = "application/octet-stream";
// Longer MIME tags are not real types; they only fill the list with noise.
constexpr size_t kMaxMediaTypeBytes = 127;
constexpr uint16_t kHiddenTrue = 1;
constexpr size_t kMaxStoredExtensionBytes = 16;

struct tmediatype {
    std::string_view Extension;
    std::string_view Type;
};

// Common attachment types; the first entry of a type gives its extension.
constexpr std::array<tmediatype, 36> kMediaTypes{{
    {"txt", "text/plain"},
    {"html", "text/html"},
    {"htm", "text/html"},
    {"csv", "text/csv"},
    {"xml", "text/xml"},
    {"ics", "text/calendar"},
    {"vcf", "text/vcard"},
    {"rtf", "application/rtf"},
    {"pdf", "application/pdf"},
    {"json", "application/json"},
    {"zip", "application/zip"},
    {"gz", "application/gzip"},
    {"7z", "application/x-7z-compressed"},
    {"doc", "application/msword"},
    {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    {"xls", "application/vnd.ms-excel"},
    {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {"ppt", "application/vnd.ms-powerpoint"},
    {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
    {"odt", "application/vnd.oasis.opendocument.text"},
    {"ods", "application/vnd.oasis.opendocument.spreadsheet"},
    {"eml", "message/rfc822"},
    {"msg", "application/vnd.ms-outlook"},
    {"png", "image/png"},
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"gif", "image/gif"},
    {"bmp", "image/bmp"},
    {"tif", "image/tiff"},
    {"tiff", "image/tiff"},
    {"svg", "image/svg+xml"},
    {"mp3", "audio/mpeg"},
    {"wav", "audio/x-wav"},
    {"mp4", "video/mp4"},
    {"avi", "video/x-msvideo"},
    {"exe", "application/x-msdownload"},
}};

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// RFC 2045 token characters.
bool IsTokenChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool IsWellFormedMediaType(std::string_view type) {
    size_t slash = type.find('/');
    if (slash == 0 || slash == std::string_view::npos || slash + 1 == type.size()) return false;
    if (type.size() > kMaxMediaTypeBytes) return false;
    for (size_t i = 0; i < type.size(); ++i)
        if (i != slash && !IsTokenChar(type[i])) return false;
    return true;
}

// PidTagAttachExtension when it is one: a dot and a few letters or digits.
std::string StoredExtension(std::string_view stored) {
    if (stored.size() < 2 || stored.size() > kMaxStoredExtensionBytes || stored[0] != '.')
        return {};
    for (char c : stored.substr(1))
        if (!std::isalnum(static_cast<unsigned char>(c))) return {};
    return std::string(stored);
}

std::string_view ExtensionOf(std::string_view name) {
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

// The attachment elements in the order of their object ids, which is the
// order they were attached in; elements whose object was not found last.
std::vector<const tattachment*> OrderedAttachments(const tpstmessage& message) {
    std::vector<const tattachment*> list;
    for (const tattachment* a = message.Attachments.get(); a; a = a->Next.get())
        if (IsAttachmentElement(*a)) list.push_back(a);
    std::stable_sort(list.begin(), list.end(), [](const tattachment* a, const tattachment* b) {
        if ((a->NodeId == 0) != (b->NodeId == 0)) return b->NodeId == 0;
        return a->NodeId < b->NodeId;
    });
    return list;
}

} // namespace

bool IsAttachmentElement(const tattachment& e) {
    // The attachment table always has PidTagAttachMethod and PidTagAttachSize
    // columns; a recipient row fills none of these.
    return e.AttachMethod != kAttachNone || e.DataSize != 0 || e.Data || e.FileName ||
           e.LongFileName || e.MimeTag;
}

tattachmentkind AttachmentKind(const tattachment& a) {
    switch (a.AttachMethod) {
    case kAttachByReference:
    case kAttachByReferenceResolve:
    case kAttachByReferenceOnly:
    case kAttachByWebReference:
        return tattachmentkind::Reference;
    case kAttachEmbeddedMessage:
        return tattachmentkind::EmbeddedMessage;
    case kAttachOle:
        return tattachmentkind::Ole;
    default:
        return tattachmentkind::File;
    }
}

std::string AttachmentKindText(const tattachmentrow& row) {
    std::string text;
    switch (row.Kind) {
    case tattachmentkind::File:
        text = "file";
        break;
    case tattachmentkind::EmbeddedMessage:
        text = "embedded message";
        break;
    case tattachmentkind::Reference:
        text = "reference";
        break;
    case tattachmentkind::Ole:
        text = "OLE object";
        break;
    }
    return row.Hidden ? text + ", hidden" : text;
}

std::string AttachmentName(const tattachment& a, int index) {
    std::string name = TextOf(a.LongFileName);
    if (name.empty()) name = TextOf(a.FileName);
    if (!name.empty()) return name;
    std::string extension = StoredExtension(TextOf(a.Extension));
    if (AttachmentKind(a) == tattachmentkind::EmbeddedMessage)
        extension = ".eml";
    else if (extension.empty())
        extension = ExtensionForMediaType(AttachmentMediaType(TextOf(a.MimeTag), {}));
    return "attachment " + std::to_string(index) + extension;
}

std::string_view AttachmentBytes(const tattachment& a) {
    if (!a.Data) return {};
    return std::string_view(*a.Data).substr(0, std::min<size_t>(a.DataSize, a.Data->size()));
}

std::string AttachmentMediaType(std::string_view mimeTag, std::string_view name) {
    std::string tag = Lower(mimeTag);
    if (IsWellFormedMediaType(tag)) return tag;
    return MediaTypeForExtension(ExtensionOf(name));
}

std::string ExtensionForMediaType(std::string_view mediaType) {
    std::string type = Lower(mediaType);
    for (const tmediatype& t : kMediaTypes)
        if (t.Type == type) return "." + std::string(t.Extension);
    return {};
}

std::string MediaTypeForExtension(std::string_view extension) {
    if (!extension.empty() && extension[0] == '.') extension.remove_prefix(1);
    std::string ext = Lower(extension);
    for (const tmediatype& t : kMediaTypes)
        if (t.Extension == ext) return std::string(t.Type);
    return std::string(kOctetStream);
}

std::string ShownName(std::string_view name) {
    static constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";
    constexpr unsigned char kFirstPrintable = 0x20, kDelete = 0x7F;
    std::string out;
    for (char c : name) {
        unsigned char b = static_cast<unsigned char>(c);
        if (b < kFirstPrintable || b == kDelete)
            out += kReplacementCharacter;
        else
            out += c;
    }
    return out;
}

std::string SizeText(uint64_t bytes) {
    constexpr uint64_t kUnit = 1024;
    if (bytes < kUnit) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    static constexpr std::array<const char*, 4> kUnits{"KB", "MB", "GB", "TB"};
    double value = double(bytes) / kUnit;
    size_t unit = 0;
    while (value >= kUnit && unit + 1 < kUnits.size()) {
        value /= kUnit;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, value < 10 ? "%.1f %s" : "%.0f %s", value, kUnits[unit]);
    return text;
}

std::vector<tattachmentrow> AttachmentRows(const tpstmessage& message) {
    std::vector<tattachmentrow> rows;
    for (const tattachment* a : OrderedAttachments(message)) {
        tattachmentrow row;
        row.Index = int(rows.size()) + 1;
        row.Source = a;
        row.Kind = AttachmentKind(*a);
        row.Name = AttachmentName(*a, row.Index);
        row.Hidden = a->Hidden == kHiddenTrue;
        row.Size = a->Data ? AttachmentBytes(*a).size() : a->DataSize;
        row.MediaType = row.Kind == tattachmentkind::EmbeddedMessage
                            ? std::string("message/rfc822")
                            : AttachmentMediaType(TextOf(a->MimeTag), row.Name);
        rows.push_back(std::move(row));
    }
    return rows;
}
