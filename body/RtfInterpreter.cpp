// Group state, tables, destinations and characters of an RTF document, in
// the reading [MSFT-RTF] (RTF 1.9.1) gives them (its "Destinations",
// "Font table", "Color table" and "Unicode RTF" sections). One pass, work
// linear in the input: deep groups share the deepest kept state, fallback
// skips are capped by kMaxUnicodeFallback.
#include "body/RtfInterpreter.h"

#include <algorithm>
#include <array>

#include "body/BodyLimits.h"
#include "body/RtfCodepage.h"

namespace ostrel::body {
namespace {

constexpr uint32_t kUnicodeWrap = 65536; // \uN is a signed 16-bit value
constexpr uint32_t kHighSurrogateFirst = 0xD800;
constexpr uint32_t kLowSurrogateFirst = 0xDC00;
constexpr uint32_t kLowSurrogateEnd = 0xE000;
constexpr uint32_t kReplacement = 0xFFFD;
constexpr uint32_t kNoBreakSpace = 0x00A0;
constexpr uint32_t kNoBreakHyphen = 0x2011;
constexpr uint8_t kColorMax = 255;

// Destinations whose text is never shown.
constexpr std::array<std::string_view, 40> kSkippedDestinations{"stylesheet",
                                                                "info",
                                                                "pict",
                                                                "object",
                                                                "header",
                                                                "headerl",
                                                                "headerr",
                                                                "headerf",
                                                                "footer",
                                                                "footerl",
                                                                "footerr",
                                                                "footerf",
                                                                "footnote",
                                                                "annotation",
                                                                "listtable",
                                                                "listoverridetable",
                                                                "revtbl",
                                                                "rsidtbl",
                                                                "filetbl",
                                                                "themedata",
                                                                "colorschememapping",
                                                                "latentstyles",
                                                                "datastore",
                                                                "xmlnstbl",
                                                                "pgdsctbl",
                                                                "generator",
                                                                "author",
                                                                "title",
                                                                "subject",
                                                                "doccomm",
                                                                "keywords",
                                                                "comment",
                                                                "operator",
                                                                "company",
                                                                "nonshppict",
                                                                "shp",
                                                                "mmathPr",
                                                                "xe",
                                                                "tc",
                                                                "template"};

struct tspecialword {
    std::string_view Name;
    uint32_t Codepoint;
};
constexpr std::array<tspecialword, 14> kSpecialWords{{
    {"lquote", 0x2018},
    {"rquote", 0x2019},
    {"ldblquote", 0x201C},
    {"rdblquote", 0x201D},
    {"bullet", 0x2022},
    {"endash", 0x2013},
    {"emdash", 0x2014},
    {"enspace", 0x2002},
    {"emspace", 0x2003},
    {"qmspace", 0x2005},
    {"zwj", 0x200D},
    {"zwnj", 0x200C},
    {"ltrmark", 0x200E},
    {"rtlmark", 0x200F},
}};

bool IsSkipped(std::string_view name) {
    return std::find(kSkippedDestinations.begin(), kSkippedDestinations.end(), name) !=
           kSkippedDestinations.end();
}

// The code page of the document as a whole: \ansi, \mac, \pc, \pca.
uint32_t CharacterSetCodepage(std::string_view name) {
    if (name == "ansi") return kCodepageWestern;
    if (name == "mac") return 10000;
    if (name == "pc") return 437;
    if (name == "pca") return 850;
    return 0;
}

bool Toggle(const trtftoken& t) {
    return !t.HasParam || t.Param != 0;
}

uint8_t ColorPart(int32_t value) {
    return uint8_t(std::clamp<int32_t>(value, 0, kColorMax));
}

} // namespace

trtfheader ReadRtfHeader(std::string_view rtf) {
    trtfheader h;
    RtfReader reader(rtf);
    int depth = 0;
    for (trtftoken t = reader.Next(); t.Kind != RtfToken::End; t = reader.Next()) {
        if (t.Kind == RtfToken::GroupOpen && ++depth > 1) break;
        if (t.Kind == RtfToken::GroupClose || t.Kind == RtfToken::Text) break;
        if (t.Kind != RtfToken::Word) continue;
        if (t.Name == "fromhtml") h.FromHtml = Toggle(t);
        if (t.Name == "fromtext") h.FromText = true;
    }
    return h;
}

void RtfInterpreter::Run(trtfsink& sink) {
    sink_ = &sink;
    // The document ends with its outermost group; writers often add a zero
    // byte or a line break after it.
    for (trtftoken t = reader_.Next(); t.Kind != RtfToken::End && !ended_; t = reader_.Next())
        Token(t);
    Flush();
    if (highSurrogate_) Emit("\xEF\xBF\xBD");
    while (stack_.size() > 1)
        Close();
}

void RtfInterpreter::Token(const trtftoken& t) {
    const bool starred = starred_;
    starred_ = false;
    if (t.Kind == RtfToken::GroupOpen || t.Kind == RtfToken::GroupClose) {
        skipChars_ = 0;
        t.Kind == RtfToken::GroupOpen ? Open() : Close();
        return;
    }
    // \ucN: the characters after \uN that stand in for it.
    if (skipChars_ > 0) {
        if (t.Kind != RtfToken::Text || t.Data.size() <= size_t(skipChars_)) {
            skipChars_ -= t.Kind == RtfToken::Text ? int32_t(t.Data.size()) : 1;
            skipChars_ = std::max(skipChars_, 0);
            return;
        }
        trtftoken rest = t;
        rest.Data = t.Data.substr(size_t(skipChars_));
        skipChars_ = 0;
        Token(rest);
        return;
    }
    const RtfDestination d = State().Destination;
    if (d == RtfDestination::Skip) return;
    if (d == RtfDestination::FontTable || d == RtfDestination::ColorTable) {
        if (t.Kind == RtfToken::Word) TableWord(t);
        if (t.Kind == RtfToken::Text) TableText(t.Data);
        return;
    }
    switch (t.Kind) {
    case RtfToken::Text:
        Bytes(t.Data);
        break;
    case RtfToken::Hex:
        Bytes(std::string_view(reinterpret_cast<const char*>(&t.Byte), 1));
        break;
    case RtfToken::Symbol:
        if (t.Name == "*") {
            Flush();
            starred_ = true;
        } else {
            Symbol(t.Name.empty() ? '\0' : t.Name[0]);
        }
        break;
    case RtfToken::Word:
        if (!DestinationWord(t.Name, starred)) Word(t);
        break;
    default:
        break;
    }
}

// Destination words change the group they open; a starred one that is not
// read here hides its group (RTF 1.9.1, "Destinations").
bool RtfInterpreter::DestinationWord(std::string_view name, bool starred) {
    RtfDestination d;
    if (name == "fonttbl")
        d = RtfDestination::FontTable;
    else if (name == "colortbl")
        d = RtfDestination::ColorTable;
    else if (name == "htmltag")
        d = RtfDestination::HtmlTag;
    else if (name == "fldinst")
        d = RtfDestination::FieldInstruction;
    else if (name == "fldrslt")
        d = RtfDestination::FieldResult;
    else if (name == "pntext" || name == "listtext")
        d = RtfDestination::ListText;
    else if (starred || IsSkipped(name))
        d = RtfDestination::Skip;
    else
        return false;
    Flush();
    // The tables are read once; a second one would only be damage.
    if (d == RtfDestination::ColorTable) colors_.clear();
    State().Destination = d;
    return true;
}

void RtfInterpreter::Word(const trtftoken& t) {
    const std::string_view n = t.Name;
    trtfstate& s = State();
    for (const tspecialword& w : kSpecialWords)
        if (n == w.Name) return Unicode(int32_t(w.Codepoint), false);
    if (n == "u" && t.HasParam) return Unicode(t.Param, true);
    Flush();
    if (n == "par") return sink_->Break(RtfBreak::Paragraph, s);
    if (n == "line") return sink_->Break(RtfBreak::Line, s);
    if (n == "tab") return sink_->Break(RtfBreak::Tab, s);
    if (n == "cell") return sink_->Break(RtfBreak::Cell, s);
    if (n == "row") return sink_->Break(RtfBreak::Row, s);
    if (n == "uc")
        s.UnicodeSkip = std::clamp(t.Param, 0, kMaxUnicodeFallback);
    else if (n == "ansicpg" && t.Param > 0)
        documentCodepage_ = uint32_t(t.Param);
    else if (uint32_t cp = CharacterSetCodepage(n))
        documentCodepage_ = cp;
    else if (n == "deff")
        defaultFont_ = t.Param;
    else if (n == "f")
        s.Font = t.Param;
    else if (n == "b")
        s.Bold = Toggle(t);
    else if (n == "i")
        s.Italic = Toggle(t);
    else if (n == "ul")
        s.Underline = Toggle(t);
    else if (n == "ulnone")
        s.Underline = false;
    else if (n == "v")
        s.Hidden = Toggle(t);
    else if (n == "fs")
        s.FontSize = std::max(t.Param, 0);
    else if (n == "cf")
        s.Color = std::max(t.Param, 0);
    else if (n == "htmlrtf")
        s.HtmlRtf = Toggle(t);
    else if (n == "intbl")
        s.InTable = true;
    else if (n == "field")
        s.FieldId = ++nextFieldId_;
    else if (n == "plain") {
        s.Bold = s.Italic = s.Underline = s.Hidden = false;
        s.FontSize = s.Color = 0;
        s.Font = -1;
    } else if (n == "pard") {
        s.InTable = false;
        sink_->Break(RtfBreak::ParagraphReset, s);
    }
}

void RtfInterpreter::Symbol(char c) {
    switch (c) {
    case '\\':
    case '{':
    case '}':
        // As bytes of the code page: in Shift JIS they may end a character.
        Bytes(std::string_view(&c, 1));
        break;
    case '~':
        Unicode(kNoBreakSpace, false);
        break;
    case '_':
        Unicode(kNoBreakHyphen, false);
        break;
    default:
        break; // \- optional hyphen, \: index entries, \| formulas
    }
}

// Inside \fonttbl: each entry's \fN, \fcharsetN and \cpgN up to its ";".
void RtfInterpreter::TableWord(const trtftoken& t) {
    if (State().Destination == RtfDestination::ColorTable) {
        if (t.Name == "red") color_.Red = ColorPart(t.Param);
        if (t.Name == "green") color_.Green = ColorPart(t.Param);
        if (t.Name == "blue") color_.Blue = ColorPart(t.Param);
        return;
    }
    if (t.Name == "f") tableFont_ = t.Param;
    if (t.Name == "fcharset" && tableFont_ >= 0) {
        if (uint32_t cp = CharsetCodepage(t.Param)) fontCodepages_[tableFont_] = cp;
    }
    if (t.Name == "cpg" && tableFont_ >= 0 && t.Param > 0)
        fontCodepages_[tableFont_] = uint32_t(t.Param);
}

void RtfInterpreter::TableText(std::string_view text) {
    if (State().Destination != RtfDestination::ColorTable) return;
    for (char c : text)
        if (c == ';') {
            colors_.push_back(color_);
            color_ = {};
        }
}

uint32_t RtfInterpreter::Codepage() const {
    const int32_t font = stack_.back().Font >= 0 ? stack_.back().Font : defaultFont_;
    auto it = fontCodepages_.find(font);
    return it != fontCodepages_.end() ? it->second : documentCodepage_;
}

void RtfInterpreter::Bytes(std::string_view bytes) {
    if (highSurrogate_) {
        highSurrogate_ = 0;
        Emit("\xEF\xBF\xBD");
    }
    const uint32_t cp = Codepage();
    if (!pending_.empty() && cp != pendingCodepage_) Flush();
    pendingCodepage_ = cp;
    pending_ += bytes;
}

void RtfInterpreter::Unicode(int32_t value, bool withFallback) {
    Flush();
    uint32_t cp = value < 0 ? uint32_t(value + int32_t(kUnicodeWrap)) : uint32_t(value);
    if (withFallback) skipChars_ = State().UnicodeSkip;
    std::string utf8;
    if (cp >= kHighSurrogateFirst && cp < kLowSurrogateFirst) {
        if (highSurrogate_) AppendUtf8(utf8, kReplacement);
        highSurrogate_ = cp;
        if (!utf8.empty()) Emit(utf8);
        return;
    }
    if (cp >= kLowSurrogateFirst && cp < kLowSurrogateEnd && highSurrogate_)
        cp = 0x10000 + ((highSurrogate_ - kHighSurrogateFirst) << 10) + (cp - kLowSurrogateFirst);
    else if (highSurrogate_)
        AppendUtf8(utf8, kReplacement);
    highSurrogate_ = 0;
    AppendUtf8(utf8, cp);
    Emit(utf8);
}

void RtfInterpreter::Emit(std::string_view utf8) {
    const trtfstate& s = State();
    if (s.Destination == RtfDestination::Skip || s.Destination == RtfDestination::FontTable ||
        s.Destination == RtfDestination::ColorTable)
        return;
    sink_->Text(utf8, s);
}

void RtfInterpreter::Flush() {
    if (pending_.empty()) return;
    std::string bytes;
    bytes.swap(pending_);
    std::string utf8 = CodepageToUtf8(pendingCodepage_, bytes);
    // A zero byte is no character of a body: HTML and MIME text refuse it.
    std::erase(utf8, '\0');
    if (!utf8.empty()) Emit(utf8);
}

void RtfInterpreter::Open() {
    Flush();
    if (stack_.size() >= kMaxRtfGroupDepth) {
        ++overflow_;
        return;
    }
    stack_.push_back(stack_.back());
}

void RtfInterpreter::Close() {
    Flush();
    if (overflow_ > 0) {
        --overflow_;
        return;
    }
    if (stack_.size() <= 1) return; // a brace with no group to close
    if (State().Destination == RtfDestination::FontTable) tableFont_ = -1;
    const trtfstate closing = stack_.back();
    stack_.pop_back();
    sink_->GroupEnd(closing, stack_.back());
    ended_ = stack_.size() == 1;
}

} // namespace ostrel::body
