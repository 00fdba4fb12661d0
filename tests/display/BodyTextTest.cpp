// The viewers' body rule without any toolkit: which body wins, how a plain
// body is escaped for the HTML view, and where a stored body ends.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "display/BodyText.h"
#include "tools/pstwriter/PstRtf.h"

namespace {

tpstmessage WithBodies(const ttext& plain, const ttext& html) {
    tpstmessage m;
    m.MailInfo = std::make_unique<tmailinfo>();
    m.MailInfo->Body = plain;
    m.MailInfo->BodyHtml = html;
    return m;
}

} // namespace

TEST(BodyTextTest, HtmlWinsOverPlainAndIsShownAsItIs) {
    tpstmessage m = WithBodies("a < b", "<p>x &amp; y</p>");
    EXPECT_EQ(ItemBodyText(m), "<p>x &amp; y</p>");
    // An empty HTML body still wins: it was stored, so it is the body.
    m = WithBodies("plain", std::string());
    EXPECT_EQ(ItemBodyText(m), "");
}

TEST(BodyTextTest, AbsentBodiesGiveNothing) {
    EXPECT_EQ(ItemBodyText(tpstmessage{}), "");
    EXPECT_EQ(ItemBodyText(WithBodies(std::nullopt, std::nullopt)), "");
}

TEST(BodyTextTest, PlainBodyIsEscapedAndLinesBreakOnlyAtCrLf) {
    EXPECT_EQ(EscapedPlainBody("Ann <ann@example.com>\r\na < b & c\rd\ne\r\n\r\n"),
              "Ann &lt;ann@example.com&gt;<BR>a &lt; b &amp; c\rd\ne<BR><BR>");
    // An entity already in the text is text: its & is escaped again.
    EXPECT_EQ(EscapedPlainBody("&amp;"), "&amp;amp;");
    // LF CR is no line break, a CR at the very end stays.
    EXPECT_EQ(EscapedPlainBody("a\n\rb\r"), "a\n\rb\r");
    EXPECT_EQ(EscapedPlainBody(""), "");
    // UTF-8 passes through byte for byte.
    EXPECT_EQ(EscapedPlainBody("\xc3\xa4<\xe2\x82\xac"), "\xc3\xa4&lt;\xe2\x82\xac");
}

TEST(BodyTextTest, UnicodeBodyEndsAtItsConvertedTerminator) {
    // A body converted from UTF-16 keeps its terminator and whatever the
    // value held after it; the viewer shows only the text before it.
    tpstmessage m = WithBodies(std::string("line\r\n\0<junk>", 13), std::nullopt);
    EXPECT_EQ(ItemBodyText(m), "line<BR>");
    m = WithBodies(std::nullopt, std::string("<b>x</b>\0\0", 10));
    EXPECT_EQ(ItemBodyText(m), "<b>x</b>");
    // A body that is only a terminator is empty.
    m = WithBodies(std::string(1, '\0'), std::nullopt);
    EXPECT_EQ(ItemBodyText(m), "");
}

// Without either property the compressed RTF is the body: encapsulated HTML
// as it is, encapsulated text escaped like a plain body, other RTF rendered.
TEST(BodyTextTest, RtfOnlyBodies) {
    tpstmessage m = WithBodies(std::nullopt, std::nullopt);
    m.MailInfo->RtfCompressed = pstw::uncompressedRtf(
        "{\\rtf1\\ansi\\fromhtml1 {\\*\\htmltag <b>}x{\\*\\htmltag </b>}\\htmlrtf y\\htmlrtf0 }");
    EXPECT_EQ(ItemBodyText(m), "<b>x</b>");
    m.MailInfo->RtfCompressed =
        pstw::uncompressedRtf("{\\rtf1\\ansi\\fromtext <a href=x>\\par & b}");
    EXPECT_EQ(ItemBodyText(m), "&lt;a href=x&gt;<BR>&amp; b");
    m.MailInfo->RtfCompressed = pstw::uncompressedRtf("{\\rtf1\\ansi <i>\\line x}");
    EXPECT_NE(ItemBodyText(m).find("<p><span>&lt;i&gt;</span><br><span>x</span></p>"),
              std::string::npos);
    // A plain body, even an empty one, comes first.
    m.MailInfo->Body = std::string();
    EXPECT_EQ(ItemBodyText(m), "");
}
