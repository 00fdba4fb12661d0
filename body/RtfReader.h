// The tokens of an RTF document (RTF 1.9.1, "RTF syntax"): group braces,
// control words with their optional signed parameter, control symbols,
// \'hh bytes, \bin data and runs of plain text. A pull reader over text it
// does not own; it never fails: what follows the end of the input is End.
#pragma once

#include <cstdint>
#include <string_view>

namespace ostrel::body {

enum class RtfToken {
    End,
    GroupOpen,
    GroupClose,
    Word,   // Name, HasParam, Param
    Symbol, // Name holds the one character after the backslash
    Hex,    // Byte
    Binary, // Data: the bytes of \binN, at most as many as remain
    Text,   // Data: plain bytes, no CR or LF (RTF ignores them)
};

struct trtftoken {
    RtfToken Kind = RtfToken::End;
    std::string_view Name;
    std::string_view Data;
    int32_t Param = 0;
    bool HasParam = false;
    uint8_t Byte = 0;
};

class RtfReader {
public:
    explicit RtfReader(std::string_view rtf) : rtf_(rtf) {}
    trtftoken Next();
    bool AtEnd() const { return pos_ >= rtf_.size(); }

private:
    trtftoken ControlAfterBackslash();
    trtftoken Word();
    std::string_view rtf_;
    size_t pos_ = 0;
};

} // namespace ostrel::body
