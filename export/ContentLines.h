// The content lines of vCard (RFC 6350 3.2, RFC 2426 2.6) and iCalendar
// (RFC 5545 3.1) files: "NAME;PARAM=value:value" lines ended by CR LF,
// folded after 75 octets with a leading space on the next line, never inside
// a UTF-8 character; and the escaping of text values and parameter values.
#pragma once

#include <string>
#include <string_view>

// Longest line before its CR LF, in octets (RFC 5545 3.1, RFC 6350 3.2).
inline constexpr size_t kMostLineOctets = 75;

// A text value: "\" "," ";" escaped with "\", every line break (CR LF, CR,
// LF) as "\n", other control characters dropped. `text` must be UTF-8.
std::string EscapedText(std::string_view text);

// A parameter value: quoted when it holds ":" ";" or ","; double quotes and
// control characters, which a parameter value cannot hold, dropped.
std::string ParameterValue(std::string_view text);

class tcontentlines {
public:
    // One line "nameAndParameters:value" (value already escaped), folded.
    void Add(std::string_view nameAndParameters, std::string_view value);
    // A text property: the value escaped; nothing when it is empty.
    void AddText(std::string_view nameAndParameters, std::string_view text);
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};
