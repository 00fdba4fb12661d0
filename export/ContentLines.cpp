// Escaping and folding of vCard and iCalendar content lines (RFC 5545 3.1 and
// 3.3.11, RFC 6350 3.2 and 3.4).
#include "export/ContentLines.h"

namespace {

constexpr unsigned char kDelete = 0x7F;
constexpr unsigned char kSpace = 0x20;

bool IsControl(unsigned char c) {
    return (c < kSpace && c != '\t') || c == kDelete;
}

bool IsContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Where the next folded piece of `line` ends: at most `room` octets after
// `from`, moved back to the start of a UTF-8 character.
size_t PieceEnd(std::string_view line, size_t from, size_t room) {
    size_t end = from + room;
    if (end >= line.size()) return line.size();
    while (end > from + 1 && IsContinuationByte(static_cast<unsigned char>(line[end])))
        --end;
    return end;
}

} // namespace

std::string EscapedText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\\n";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\\' || c == ',' || c == ';') {
            out += '\\';
            out += c;
        } else if (!IsControl(static_cast<unsigned char>(c))) {
            out += c;
        }
    }
    return out;
}

std::string ParameterValue(std::string_view text) {
    std::string out;
    bool quote = false;
    for (char c : text) {
        if (c == '"' || IsControl(static_cast<unsigned char>(c))) continue;
        if (c == ':' || c == ';' || c == ',') quote = true;
        out += c;
    }
    return quote ? "\"" + out + "\"" : out;
}

void tcontentlines::Add(std::string_view nameAndParameters, std::string_view value) {
    std::string line(nameAndParameters);
    line += ':';
    line += value;
    // The first line holds 75 octets; each continuation a space and 74.
    size_t from = 0;
    size_t room = kMostLineOctets;
    while (true) {
        size_t end = PieceEnd(line, from, room);
        text_.append(line, from, end - from);
        text_ += "\r\n";
        if (end >= line.size()) break;
        text_ += ' ';
        from = end;
        room = kMostLineOctets - 1;
    }
}

void tcontentlines::AddText(std::string_view nameAndParameters, std::string_view text) {
    if (!text.empty()) Add(nameAndParameters, EscapedText(text));
}
