// RTF from an editor rendered as HTML: what a reader of the viewer sees, and
// what the HTML must never hold (markup, scripts, remote references).
#include <gmock/gmock.h>

#include "body/RtfToHtml.h"
#include "tests/body/RtfExamples.h"

using namespace ostrel::body;
using namespace rtfexamples;
using testing::HasSubstr;
using testing::Not;

namespace {

// The body of the rendered document, without the fixed head and tail.
std::string Inner(std::string_view rtf) {
    std::string html = HtmlOfRtf(rtf);
    const std::string open = "<body>\n";
    size_t from = html.find(open);
    size_t to = html.rfind("</body>");
    if (from == std::string::npos || to == std::string::npos) return html;
    return html.substr(from + open.size(), to - from - open.size());
}

} // namespace

TEST(RtfToHtml, EditorDocumentShowsFormattingListsTablesAndLinks) {
    const std::string html = Inner(kEditor);
    EXPECT_THAT(html, HasSubstr("<p><span style=\"font-size:10pt;\">Plain </span><b><span "
                                "style=\"font-size:10pt;\">bold</span></b>"));
    EXPECT_THAT(html, HasSubstr("<i><span style=\"font-size:10pt;\">italic</span></i>"));
    EXPECT_THAT(html, HasSubstr("<u><span style=\"font-size:10pt;\">under</span></u>"));
    EXPECT_THAT(html, HasSubstr("<span style=\"font-size:14pt;color:#ff0000;\">red</span>"));
    // List items as lines with their bullet from the Symbol font.
    EXPECT_THAT(html, HasSubstr(">\xE2\x80\xA2 First item</span></p>"));
    EXPECT_THAT(html, HasSubstr(">\xE2\x80\xA2 Second item</span></p>"));
    EXPECT_THAT(html, HasSubstr("<tr><td><span style=\"font-size:10pt;\">A1</span></td><td><span "
                                "style=\"font-size:10pt;\">B1</span></td></tr>\n<tr><td>"));
    EXPECT_THAT(html, HasSubstr("</td></tr>\n</table>\n<p>"));
    EXPECT_THAT(html, HasSubstr("<a href=\"https://example.org/a?b=1&amp;c=2\"><u><span "
                                "style=\"font-size:10pt;color:#ff0000;\">the site</span></u></a>"));
    EXPECT_THAT(html, HasSubstr("After</span><br><span style=\"font-size:10pt;\">line"));
    // Pictures and the field's instruction are not text.
    EXPECT_THAT(html, Not(HasSubstr("89504e")));
    EXPECT_THAT(html, Not(HasSubstr("ffd8")));
    EXPECT_THAT(html, Not(HasSubstr("HYPERLINK")));
    EXPECT_THAT(html, Not(HasSubstr("Riched")));
}

TEST(RtfToHtml, DocumentTextNeverBecomesMarkup) {
    const std::string html = HtmlOfRtf("{\\rtf1\\ansi <script>alert(1)</script>"
                                       "<img src=\"http://x/t.png\" onerror=\"y\"> & \\'3c b>}");
    EXPECT_THAT(html, HasSubstr("&lt;script&gt;alert(1)&lt;/script&gt;&lt;img src=&quot;"));
    EXPECT_THAT(html, HasSubstr("&amp; &lt; b&gt;"));
    EXPECT_THAT(html, Not(HasSubstr("<script")));
    EXPECT_THAT(html, Not(HasSubstr("<img")));
    // Links only for http, https and mailto, with the address escaped.
    auto link = [](std::string_view instruction) {
        return Inner("{\\rtf1{\\field{\\*\\fldinst " + std::string(instruction) +
                     "}{\\fldrslt click}}}");
    };
    EXPECT_EQ(link("HYPERLINK \"javascript:alert(1)\""), "<p><span>click</span></p>\n");
    EXPECT_EQ(link("HYPERLINK \"file:///etc/passwd\""), "<p><span>click</span></p>\n");
    EXPECT_EQ(link("HYPERLINK \\\\l \"_Toc1\""), "<p><span>click</span></p>\n");
    EXPECT_EQ(link("HYPERLINK mailto:a@b.example"),
              "<p><a href=\"mailto:a@b.example\"><span>click</span></a></p>\n");
    EXPECT_EQ(link("{HYPERLINK \"http://x/\\\\\" onmouseover=\\\\\"y\"}"),
              "<p><a href=\"http://x/\\\"><span>click</span></a></p>\n");
}

TEST(RtfToHtml, HyperlinkTargets) {
    EXPECT_EQ(HyperlinkTarget(" HYPERLINK \"https://a.example/x y\" \\o \"tip\""),
              "https://a.example/x y");
    EXPECT_EQ(HyperlinkTarget("hyperlink HTTP://A.example"), "http://A.example");
    EXPECT_EQ(HyperlinkTarget("HYPERLINK \"http://\""), "");
    EXPECT_EQ(HyperlinkTarget("HYPERLINK \"http://a\x01b\""), "");
    EXPECT_EQ(HyperlinkTarget("PAGEREF _Toc1"), "");
    EXPECT_EQ(HyperlinkTarget("HYPERLINK \"data:text/html,x\""), "");
}

TEST(RtfToHtml, EmptyParagraphsKeepTheirLine) {
    EXPECT_EQ(Inner("{\\rtf1 a\\par\\par b}"),
              "<p><span>a</span></p>\n<p><br></p>\n<p><span>b</span></p>\n");
}

// Cell and row marks without \intbl (damaged or hand-written RTF) must not
// close table cells that were never opened.
TEST(RtfToHtml, TableMarksOutsideATableKeepTheHtmlBalanced) {
    EXPECT_EQ(Inner("{\\rtf1 A1\\cell B1\\cell\\row after}"), "<p><span>A1 B1 after</span></p>\n");
    EXPECT_EQ(
        Inner("{\\rtf1\\intbl a\\cell\\pard b\\cell\\row}"),
        "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">\n<tr><td><span>a</span></td>"
        "</tr>\n</table>\n<p><span>b </span></p>\n");
}
