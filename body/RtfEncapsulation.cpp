// De-encapsulation of [MS-OXRTFEX] 2.1.3.1 (HTML) and 2.1.3.2 (plain text).
// Inside an \htmltag group everything is HTML, \par and \tab included; outside,
// text and breaks count unless \htmlrtf marks them as RTF-only.
#include "body/RtfEncapsulation.h"

#include "body/RtfInterpreter.h"

namespace ostrel::body {
namespace {

constexpr std::string_view kCrLf = "\r\n";

bool ShownText(const trtfstate& s) {
    return (s.Destination == RtfDestination::Body || s.Destination == RtfDestination::FieldResult ||
            s.Destination == RtfDestination::ListText) &&
           !s.Hidden;
}

class thtmlsink : public trtfsink {
public:
    std::string Html;
    void Text(std::string_view utf8, const trtfstate& s) override {
        if (Counts(s)) Html += utf8;
    }
    void Break(RtfBreak kind, const trtfstate& s) override {
        if (!Counts(s)) return;
        if (kind == RtfBreak::Paragraph || kind == RtfBreak::Line) Html += kCrLf;
        if (kind == RtfBreak::Tab) Html += '\t';
    }

private:
    static bool Counts(const trtfstate& s) {
        return s.Destination == RtfDestination::HtmlTag || (ShownText(s) && !s.HtmlRtf);
    }
};

class ttextsink : public trtfsink {
public:
    std::string Plain;
    void Text(std::string_view utf8, const trtfstate& s) override {
        if (ShownText(s)) Plain += utf8;
    }
    void Break(RtfBreak kind, const trtfstate& s) override {
        if (!ShownText(s)) return;
        if (kind == RtfBreak::Paragraph || kind == RtfBreak::Line || kind == RtfBreak::Row)
            Plain += kCrLf;
        if (kind == RtfBreak::Tab || kind == RtfBreak::Cell) Plain += '\t';
    }
};

} // namespace

std::string HtmlFromRtf(std::string_view rtf) {
    thtmlsink sink;
    RtfInterpreter(rtf).Run(sink);
    return std::move(sink.Html);
}

std::string TextFromRtf(std::string_view rtf) {
    ttextsink sink;
    RtfInterpreter(rtf).Run(sink);
    return std::move(sink.Plain);
}

} // namespace ostrel::body
