// Rendering of RTF 1.9.1 documents as HTML: paragraph and character
// properties, tables (\trowd, \cell, \row, \intbl), list texts (\pntext,
// \listtext) and fields (\field, \fldinst HYPERLINK, \fldrslt).
#include "body/RtfToHtml.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "body/BodyLimits.h"
#include "body/RtfInterpreter.h"

namespace ostrel::body {
namespace {

constexpr int32_t kMinPoints = 1;
constexpr int32_t kMaxPoints = 72; // a body's largest heading and a bit
constexpr std::string_view kDocumentStart =
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head><body>\n";
constexpr std::string_view kDocumentEnd = "</body></html>\n";
constexpr std::string_view kAllowedSchemes[] = {"http://", "https://", "mailto:"};

struct trunformat {
    bool Bold = false, Italic = false, Underline = false;
    int32_t FontSize = 0;
    int32_t Color = 0;
    bool operator==(const trunformat&) const = default;
};

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool Shown(const trtfstate& s) {
    return (s.Destination == RtfDestination::Body || s.Destination == RtfDestination::FieldResult ||
            s.Destination == RtfDestination::ListText) &&
           !s.Hidden;
}

class thtmlrenderer : public trtfsink {
public:
    explicit thtmlrenderer(const RtfInterpreter& reader) : reader_(reader) {}
    std::string Html{kDocumentStart};

    void Text(std::string_view utf8, const trtfstate& s) override {
        if (s.Destination == RtfDestination::FieldInstruction) {
            std::string& instruction = instructions_[s.FieldId];
            instruction.append(
                utf8.substr(0, kMaxFieldInstructionBytes -
                                   std::min(kMaxFieldInstructionBytes, instruction.size())));
            return;
        }
        if (!Shown(s) || Full()) return;
        Block(s);
        Link(s);
        Run(s);
        Html += EscapedHtml(utf8);
    }

    void Break(RtfBreak kind, const trtfstate& s) override {
        if (!Shown(s) || Full()) return;
        switch (kind) {
        case RtfBreak::Paragraph:
            if (s.InTable) return LineBreak(s);
            if (!paragraph_) {
                Block(s); // an empty paragraph keeps its line
                Html += "<br>";
            }
            CloseParagraph();
            break;
        case RtfBreak::Line:
            LineBreak(s);
            break;
        case RtfBreak::Tab:
            Block(s);
            Html += s.Destination == RtfDestination::ListText ? " " : "&emsp;";
            break;
        case RtfBreak::Cell:
            // A cell mark outside a table row (damage) only separates words.
            if (!s.InTable) {
                Block(s);
                Html += ' ';
                break;
            }
            Block(s);
            CloseRun();
            CloseLink();
            Html += "</td>";
            cell_ = false;
            break;
        case RtfBreak::Row:
            if (!row_) break;
            if (cell_) Break(RtfBreak::Cell, s);
            Html += "</tr>\n";
            row_ = false;
            break;
        case RtfBreak::ParagraphReset:
            break;
        }
    }

    void GroupEnd(const trtfstate& closing, const trtfstate& outer) override {
        if (closing.FieldId != 0 && closing.FieldId != outer.FieldId) {
            if (link_ == closing.FieldId) CloseLink();
            instructions_.erase(closing.FieldId);
        } else if (closing.Destination == RtfDestination::FieldResult &&
                   outer.Destination != RtfDestination::FieldResult && link_ == closing.FieldId) {
            CloseLink();
        }
    }

    std::string Finish() {
        CloseParagraph();
        CloseTable();
        Html += kDocumentEnd;
        return std::move(Html);
    }

private:
    bool Full() const { return Html.size() >= kMaxRenderedHtmlBytes; }

    void LineBreak(const trtfstate& s) {
        Block(s);
        CloseRun();
        Html += "<br>";
    }

    // The paragraph or table cell that the next text goes in.
    void Block(const trtfstate& s) {
        if (!s.InTable) {
            if (table_) CloseTable();
            if (!paragraph_) Html += "<p>";
            paragraph_ = true;
            return;
        }
        if (paragraph_) CloseParagraph();
        if (!table_) Html += "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">\n";
        if (!row_) Html += "<tr>";
        if (!cell_) Html += "<td>";
        table_ = row_ = cell_ = true;
    }

    void Link(const trtfstate& s) {
        if (s.Destination != RtfDestination::FieldResult || link_ == s.FieldId) return;
        auto it = instructions_.find(s.FieldId);
        if (it == instructions_.end()) return;
        std::string target = HyperlinkTarget(it->second);
        if (target.empty()) return;
        CloseRun();
        CloseLink();
        Html += "<a href=\"" + EscapedHtml(target) + "\">";
        link_ = s.FieldId;
    }

    void Run(const trtfstate& s) {
        trunformat f{s.Bold, s.Italic, s.Underline, s.FontSize, s.Color};
        if (run_ && f == format_) return;
        CloseRun();
        format_ = f;
        run_ = true;
        if (f.Bold) Html += "<b>";
        if (f.Italic) Html += "<i>";
        if (f.Underline) Html += "<u>";
        Html += "<span" + Style(f) + ">";
    }

    std::string Style(const trunformat& f) const {
        std::string style;
        if (f.FontSize > 0) {
            const int32_t half = std::clamp(f.FontSize, kMinPoints * 2, kMaxPoints * 2);
            style += "font-size:" + std::to_string(half / 2) + (half % 2 ? ".5" : "") + "pt;";
        }
        const auto& colors = reader_.Colors();
        if (f.Color > 0 && size_t(f.Color) < colors.size()) {
            char hex[8];
            const trtfcolor& c = colors[size_t(f.Color)];
            std::snprintf(hex, sizeof hex, "#%02x%02x%02x", c.Red, c.Green, c.Blue);
            style += std::string("color:") + hex + ";";
        }
        return style.empty() ? "" : " style=\"" + style + "\"";
    }

    void CloseRun() {
        if (!run_) return;
        Html += "</span>";
        if (format_.Underline) Html += "</u>";
        if (format_.Italic) Html += "</i>";
        if (format_.Bold) Html += "</b>";
        run_ = false;
    }

    void CloseLink() {
        if (!link_) return;
        CloseRun();
        Html += "</a>";
        link_ = 0;
    }

    void CloseParagraph() {
        CloseLink();
        CloseRun();
        if (paragraph_) Html += "</p>\n";
        paragraph_ = false;
    }

    void CloseTable() {
        CloseLink();
        CloseRun();
        if (cell_) Html += "</td>";
        if (row_) Html += "</tr>\n";
        if (table_) Html += "</table>\n";
        table_ = row_ = cell_ = false;
    }

    const RtfInterpreter& reader_;
    std::map<int32_t, std::string> instructions_;
    trunformat format_;
    bool run_ = false, paragraph_ = false, table_ = false, row_ = false, cell_ = false;
    int32_t link_ = 0;
};

} // namespace

std::string HtmlOfRtf(std::string_view rtf) {
    RtfInterpreter reader(rtf);
    thtmlrenderer renderer(reader);
    reader.Run(renderer);
    return renderer.Finish();
}

std::string EscapedHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string HyperlinkTarget(std::string_view instruction) {
    constexpr std::string_view kHyperlink = "hyperlink";
    std::string_view rest = Trimmed(instruction);
    if (Lower(rest.substr(0, kHyperlink.size())) != kHyperlink) return {};
    rest = Trimmed(rest.substr(kHyperlink.size()));
    std::string_view target;
    if (!rest.empty() && rest.front() == '"') {
        rest.remove_prefix(1);
        target = rest.substr(0, rest.find('"'));
    } else {
        target = rest.substr(0, rest.find_first_of(" \t"));
    }
    target = Trimmed(target);
    for (char c : target)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return {};
    const std::string lower = Lower(target);
    for (std::string_view scheme : kAllowedSchemes)
        if (lower.starts_with(scheme) && lower.size() > scheme.size())
            return std::string(scheme) + std::string(target.substr(scheme.size()));
    return {};
}

} // namespace ostrel::body
