// De-encapsulation ([MS-OXRTFEX] 2.1.3): HTML back from \fromhtml1 and text
// from \fromtext, and the characters of each code page and of \uN.
#include <gtest/gtest.h>

#include "body/RtfEncapsulation.h"
#include "body/RtfInterpreter.h"
#include "tests/body/RtfExamples.h"

using namespace ostrel::body;
using namespace rtfexamples;

TEST(RtfEncapsulation, HeaderTellsTheEncapsulation) {
    EXPECT_TRUE(ReadRtfHeader(kFromHtml).FromHtml);
    EXPECT_TRUE(ReadRtfHeader(kFromText).FromText);
    EXPECT_FALSE(ReadRtfHeader(kFromText).FromHtml);
    trtfheader editor = ReadRtfHeader(kEditor);
    EXPECT_FALSE(editor.FromHtml || editor.FromText);
    // \fromhtml0 and a \fromhtml1 in the body are no encapsulation.
    EXPECT_FALSE(ReadRtfHeader("{\\rtf1\\fromhtml0 x}").FromHtml);
    EXPECT_FALSE(ReadRtfHeader("{\\rtf1 text \\fromhtml1}").FromHtml);
}

TEST(RtfEncapsulation, HtmlComesBackWithRtfOnlyPartsLeftOut) {
    EXPECT_EQ(HtmlFromRtf(kFromHtml),
              "<html><head></head><body><p class=\"x\">Caf\xC3\xA9 &amp; more&nbsp;\tend"
              "</p><pre>\r\nline two</pre></body></html>");
}

TEST(RtfEncapsulation, TextComesBackWithLineBreaksAndMarkupAsText) {
    EXPECT_EQ(TextFromRtf(kFromText), "First line\r\nSecond\tline <b>not markup</b>\r\n");
}

TEST(RtfEncapsulation, CodePagesOfDocumentAndFonts) {
    // \ansicpg1252 and 1251, and a Shift JIS font (\fcharset128) whose
    // two-byte characters come as two \'hh escapes.
    EXPECT_EQ(TextFromRtf("{\\rtf1\\ansi\\ansicpg1252 na\\'efve \\'80}"),
              "na\xC3\xAFve \xE2\x82\xAC");
    EXPECT_EQ(TextFromRtf("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}"),
              "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
    EXPECT_EQ(
        TextFromRtf("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fswiss Arial;}"
                    "{\\f1\\fnil\\fcharset128 MS Gothic;}}\\f0 a{\\f1 \\'93\\'fa\\'96\\'7b}b}"),
        "a\xE6\x97\xA5\xE6\x9C\xAC"
        "b");
    // \ansicpg932 for the whole document, and Cyrillic \fcharset204 over ANSI.
    EXPECT_EQ(TextFromRtf("{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0}"), "\xE3\x81\x82");
    EXPECT_EQ(TextFromRtf("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset204 Arial;}}\\f0 \\'c0}"),
              "\xD0\x90");
    // A lone lead byte at the end does not swallow what follows.
    EXPECT_EQ(TextFromRtf("{\\rtf1\\ansi\\ansicpg932 \\'82}"), "\xEF\xBF\xBD");
}

TEST(RtfEncapsulation, UnicodeEscapesAndTheirFallbacks) {
    // \uc1 is the default: one fallback character (text or \'hh) skipped.
    EXPECT_EQ(TextFromRtf("{\\rtf1 a\\u8364?b\\u8364\\'80c}"), "a\xE2\x82\xAC"
                                                               "b\xE2\x82\xAC"
                                                               "c");
    EXPECT_EQ(TextFromRtf("{\\rtf1\\uc0 \\u233 x}"), "\xC3\xA9x");
    EXPECT_EQ(TextFromRtf("{\\rtf1\\uc2 \\u26085\\'93\\'fa!}"), "\xE6\x97\xA5!");
    // Negative values wrap at 65536; surrogate halves make one character.
    EXPECT_EQ(TextFromRtf("{\\rtf1\\uc1 \\u-3913?}"), "\xEF\x82\xB7");
    EXPECT_EQ(TextFromRtf("{\\rtf1\\uc1 \\u-10179?\\u-8694?}"), "\xF0\x9F\x98\x8A");
    // \ucN is kept per group; a group's end stops a pending skip.
    EXPECT_EQ(TextFromRtf("{\\rtf1 {\\uc3 \\u233 abc}d\\u233 ef}"), "\xC3\xA9"
                                                                    "d\xC3\xA9"
                                                                    "f");
    EXPECT_EQ(TextFromRtf("{\\rtf1\\uc5 {\\u233 a}b}"), "\xC3\xA9"
                                                        "b");
}

TEST(RtfEncapsulation, HiddenDestinationsAndEscapes) {
    EXPECT_EQ(TextFromRtf("{\\rtf1{\\*\\unknown secret}{\\info{\\title t}}{\\pict 0102}"
                          "\\{a\\}\\\\b\\~c\\lquote d\\rquote\\emdash }"),
              "{a}\\b\xC2\xA0"
              "c\xE2\x80\x98"
              "d\xE2\x80\x99\xE2\x80\x94");
}
