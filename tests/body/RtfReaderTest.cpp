// The RTF tokenizer and the interpreter on damaged and hostile documents:
// parameters, \bin, broken escapes, deep nesting, huge \ucN.
#include <gtest/gtest.h>

#include <vector>

#include "body/BodyLimits.h"
#include "body/RtfEncapsulation.h"
#include "body/RtfReader.h"
#include "body/RtfToHtml.h"

using namespace ostrel::body;

namespace {

std::vector<trtftoken> Tokens(std::string_view rtf) {
    std::vector<trtftoken> out;
    RtfReader reader(rtf);
    for (trtftoken t = reader.Next(); t.Kind != RtfToken::End; t = reader.Next())
        out.push_back(t);
    return out;
}

} // namespace

TEST(RtfReader, WordsParametersAndSymbols) {
    auto t = Tokens("{\\fs-24 a\\par\r\nb\\'e9\\'z\\\\\\fs99999999999x\\bin3 {}\\x}");
    ASSERT_EQ(t.size(), 14u);
    EXPECT_EQ(t[0].Kind, RtfToken::GroupOpen);
    EXPECT_EQ(t[1].Name, "fs");
    EXPECT_EQ(t[1].Param, -24);
    EXPECT_EQ(t[2].Data, "a"); // the space after a word belongs to it
    EXPECT_EQ(t[3].Name, "par");
    EXPECT_FALSE(t[3].HasParam);
    EXPECT_EQ(t[4].Data, "b"); // CR LF are no text
    EXPECT_EQ(t[5].Kind, RtfToken::Hex);
    EXPECT_EQ(t[5].Byte, 0xE9);
    EXPECT_EQ(t[6].Kind, RtfToken::Symbol); // \' without two hex digits
    EXPECT_EQ(t[7].Data, "z");
    EXPECT_EQ(t[8].Name, "\\");
    EXPECT_EQ(t[9].Param, 2147483647); // saturates
    EXPECT_EQ(t[10].Data, "x");
    EXPECT_EQ(t[11].Kind, RtfToken::Binary);
    EXPECT_EQ(t[11].Data, "{}\\"); // \bin data is bytes, braces included
    EXPECT_EQ(t[12].Data, "x");
    EXPECT_EQ(t[13].Kind, RtfToken::GroupClose);
}

TEST(RtfReader, BinaryBeyondTheInputStopsAtItsEnd) {
    auto t = Tokens("{\\bin2147483647 abc");
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[1].Data, "abc");
    EXPECT_EQ(TextFromRtf("{\\rtf1 a{\\bin999999999999 }}b"), "a");
    EXPECT_EQ(Tokens("\\").size(), 0u);
    EXPECT_EQ(Tokens("\\'4").size(), 2u);
}

TEST(RtfReader, HostileNestingAndSkipsStayBounded) {
    // 100000 open braces: the text inside still shows, nothing overflows.
    std::string deep =
        "{\\rtf1 " + std::string(100000, '{') + "deep" + std::string(100000, '}') + "x}";
    EXPECT_EQ(TextFromRtf(deep), "deepx");
    EXPECT_NE(HtmlOfRtf(deep).find("deepx"), std::string::npos);
    std::string unclosed = "{\\rtf1 " + std::string(100000, '{') + "\\b open";
    EXPECT_EQ(TextFromRtf(unclosed), "open");
    EXPECT_NE(HtmlOfRtf(unclosed).find("<b><span>open</span></b>"), std::string::npos);
    // Stray closing braces are ignored; the document ends with its group,
    // and zero bytes are no text.
    EXPECT_EQ(TextFromRtf("}}}{\\rtf1 a}}}b"), "a");
    EXPECT_EQ(TextFromRtf(std::string("{\\rtf1 a\0\\'00b}\r\n\0", 17)), "ab");
    EXPECT_EQ(HtmlOfRtf(std::string("{\\rtf1 }\0", 10)).find("<p>"), std::string::npos);
    // A huge \ucN skips at most a few fallback characters, never the document.
    EXPECT_EQ(TextFromRtf("{\\rtf1\\uc2147483647 \\u233 abcdefghijklmnopqrstuvwxyz}"),
              "\xC3\xA9qrstuvwxyz"); // kMaxUnicodeFallback letters skipped
    EXPECT_EQ(TextFromRtf("{\\rtf1\\uc-5 \\u233 ab}"), "\xC3\xA9"
                                                       "ab");
    // A skipped destination hides everything nested in it.
    EXPECT_EQ(TextFromRtf("{\\rtf1{\\*\\x{{{a}}\\par}}b}"), "b");
}

TEST(RtfReader, RenderedHtmlOfFormattingAtEveryCharacterIsBounded) {
    // 8 MB of RTF whose every letter has a size of its own: rendered in
    // full it would pass 50 MB of HTML.
    std::string rtf = "{\\rtf1 ";
    while (rtf.size() < (8u << 20))
        rtf += "{\\fs2 a}{\\fs4 b}";
    rtf += "}";
    const std::string html = HtmlOfRtf(rtf);
    EXPECT_LE(html.size(), kMaxRenderedHtmlBytes + 1024);
    EXPECT_GE(html.size(), kMaxRenderedHtmlBytes);
    EXPECT_TRUE(html.ends_with("</body></html>\n"));
}
