// The RTF tokenizer. Bounds: a control word keeps at most
// kMaxControlWordLetters letters and a parameter saturates at 32 bits, and
// \binN takes no more bytes than the input still holds.
#include "body/RtfReader.h"

#include <algorithm>
#include <limits>

#include "body/BodyLimits.h"

namespace ostrel::body {
namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
trtftoken Of(RtfToken kind) {
    trtftoken t;
    t.Kind = kind;
    return t;
}

bool IsSpecial(char c) {
    return c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr int64_t kParamMax = std::numeric_limits<int32_t>::max();
constexpr int64_t kParamMin = std::numeric_limits<int32_t>::min();

} // namespace

trtftoken RtfReader::Next() {
    while (pos_ < rtf_.size()) {
        const char c = rtf_[pos_];
        if (c == '{') {
            ++pos_;
            return Of(RtfToken::GroupOpen);
        }
        if (c == '}') {
            ++pos_;
            return Of(RtfToken::GroupClose);
        }
        if (c == '\\') {
            ++pos_;
            return ControlAfterBackslash();
        }
        if (c == '\r' || c == '\n') {
            ++pos_;
            continue;
        }
        const size_t start = pos_;
        while (pos_ < rtf_.size() && !IsSpecial(rtf_[pos_]))
            ++pos_;
        trtftoken t = Of(RtfToken::Text);
        t.Data = rtf_.substr(start, pos_ - start);
        return t;
    }
    return {};
}

trtftoken RtfReader::ControlAfterBackslash() {
    if (pos_ >= rtf_.size()) return {};
    const char c = rtf_[pos_];
    if (IsLetter(c)) return Word();
    ++pos_;
    if (c == '\'') {
        int hi = pos_ < rtf_.size() ? HexValue(rtf_[pos_]) : -1;
        int lo = pos_ + 1 < rtf_.size() ? HexValue(rtf_[pos_ + 1]) : -1;
        trtftoken t = Of(RtfToken::Symbol);
        t.Name = rtf_.substr(pos_ - 1, 1);
        if (hi < 0 || lo < 0) return t; // a broken escape: a symbol readers ignore
        pos_ += 2;
        t.Kind = RtfToken::Hex;
        t.Byte = uint8_t(hi << 4 | lo);
        return t;
    }
    trtftoken t = Of(RtfToken::Symbol);
    // A backslash before a line break is \par in old writers.
    if (c == '\r' || c == '\n') {
        t.Kind = RtfToken::Word;
        t.Name = "par";
        return t;
    }
    t.Name = rtf_.substr(pos_ - 1, 1);
    return t;
}

trtftoken RtfReader::Word() {
    trtftoken t = Of(RtfToken::Word);
    const size_t start = pos_;
    while (pos_ < rtf_.size() && IsLetter(rtf_[pos_]))
        ++pos_;
    t.Name = rtf_.substr(start, std::min(pos_ - start, kMaxControlWordLetters));
    bool negative = false;
    if (pos_ + 1 < rtf_.size() && rtf_[pos_] == '-' && IsDigit(rtf_[pos_ + 1])) {
        negative = true;
        ++pos_;
    }
    int64_t value = 0;
    size_t digits = 0;
    while (pos_ < rtf_.size() && IsDigit(rtf_[pos_])) {
        if (digits++ < kMaxParameterDigits) value = value * 10 + (rtf_[pos_] - '0');
        ++pos_;
    }
    if (digits > 0) {
        t.HasParam = true;
        value = negative ? -value : value;
        t.Param = int32_t(std::clamp(value, kParamMin, kParamMax));
    }
    // One space ends a control word and belongs to it.
    if (pos_ < rtf_.size() && rtf_[pos_] == ' ') ++pos_;
    if (t.Name == "bin" && t.HasParam && t.Param > 0) {
        const size_t n = std::min<size_t>(size_t(t.Param), rtf_.size() - pos_);
        t.Kind = RtfToken::Binary;
        t.Data = rtf_.substr(pos_, n);
        pos_ += n;
    }
    return t;
}

} // namespace ostrel::body
