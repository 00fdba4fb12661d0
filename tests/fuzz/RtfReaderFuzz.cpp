// Fuzz target: arbitrary bytes as an RTF document, read as encapsulated HTML,
// as text and rendered as HTML ([MS-OXRTFEX], RTF 1.9.1). The rendered HTML
// never carries markup from the document: every tag is one the renderer writes.
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>

#include "body/RtfEncapsulation.h"
#include "body/RtfInterpreter.h"
#include "body/RtfToHtml.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

constexpr std::string_view kRenderedTags[] = {
    "!DOCTYPE html",
    "html",
    "/html",
    "head",
    "/head",
    "meta charset=\"utf-8\"",
    "body",
    "/body",
    "p",
    "/p",
    "br",
    "b",
    "/b",
    "i",
    "/i",
    "u",
    "/u",
    "span",
    "/span",
    "/a",
    "/td",
    "tr",
    "/tr",
    "td",
    "/table",
    "table border=\"1\" cellspacing=\"0\" cellpadding=\"4\""};

// Every tag of the rendered HTML is one the renderer writes: a span with a
// size and colour at most, a link to http, https or mailto.
bool OnlyRenderedTags(std::string_view html) {
    for (size_t open = html.find('<'); open != std::string_view::npos;
         open = html.find('<', open + 1)) {
        const size_t close = html.find('>', open);
        if (close == std::string_view::npos) return false;
        const std::string_view tag = html.substr(open + 1, close - open - 1);
        if (tag.find('<') != std::string_view::npos) return false;
        if (std::find(std::begin(kRenderedTags), std::end(kRenderedTags), tag) !=
            std::end(kRenderedTags))
            continue;
        if (tag.starts_with("span style=\"font-size:") || tag.starts_with("span style=\"color:#")) {
            if (tag.find("url") != std::string_view::npos) return false;
            continue;
        }
        if (tag.starts_with("a href=\"http://") || tag.starts_with("a href=\"https://") ||
            tag.starts_with("a href=\"mailto:")) {
            if (tag.find('"', 8) != tag.size() - 1) return false;
            continue;
        }
        return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ostrel::body;
    const std::string_view rtf(reinterpret_cast<const char*>(data), size);
    ReadRtfHeader(rtf);
    HtmlFromRtf(rtf);
    TextFromRtf(rtf);
    const std::string html = HtmlOfRtf(rtf);
    if (!OnlyRenderedTags(html)) std::abort();
    return 0;
}
