// The body rule shared by viewers and export: which property wins, and what
// the compressed RTF gives when it is the only body.
#include <gmock/gmock.h>

#include "body/MessageBody.h"
#include "tests/body/RtfExamples.h"
#include "tools/pstwriter/PstRtf.h"

using namespace ostrel::body;
using namespace rtfexamples;
using testing::HasSubstr;

TEST(MessageBody, PropertiesComeBeforeTheRtf) {
    EXPECT_EQ(MessageBody(nullptr).Kind, BodyKind::None);
    tmailinfo mail;
    mail.RtfCompressed = pstw::uncompressedRtf(std::string(kEditor));
    mail.Body = std::string("plain\0", 6);
    tmessagebody b = MessageBody(&mail);
    EXPECT_EQ(b.Source, BodySource::PlainProperty);
    EXPECT_EQ(b.Text, "plain");
    mail.BodyHtml = "<p>html</p>";
    b = MessageBody(&mail);
    EXPECT_EQ(b.Kind, BodyKind::Html);
    EXPECT_EQ(b.Source, BodySource::HtmlProperty);
    EXPECT_EQ(b.Text, "<p>html</p>");
}

TEST(MessageBody, TheRtfGivesHtmlTextOrItsRendering) {
    tmailinfo mail;
    mail.RtfCompressed = pstw::uncompressedRtf(std::string(kFromHtml));
    tmessagebody b = MessageBody(&mail);
    EXPECT_EQ(b.Kind, BodyKind::Html);
    EXPECT_EQ(b.Source, BodySource::RtfHtml);
    EXPECT_THAT(b.Text, testing::StartsWith("<html><head></head><body><p class=\"x\">"));

    mail.RtfCompressed = pstw::uncompressedRtf(std::string(kFromText));
    b = MessageBody(&mail);
    EXPECT_EQ(b.Kind, BodyKind::Plain);
    EXPECT_EQ(b.Source, BodySource::RtfText);
    EXPECT_EQ(b.Text, "First line\r\nSecond\tline <b>not markup</b>\r\n");

    mail.RtfCompressed = kSimple;
    b = MessageBody(&mail);
    EXPECT_EQ(b.Source, BodySource::RtfRendered);
    EXPECT_THAT(b.Text, HasSubstr("<p><span>hello world</span></p>"));
    EXPECT_FALSE(b.RtfCrcMismatch);

    // A wrong CRC is noted, the body still used; a cut value gives what it holds.
    mail.RtfCompressed[12] ^= 1;
    b = MessageBody(&mail);
    EXPECT_TRUE(b.RtfCrcMismatch);
    EXPECT_THAT(b.Text, HasSubstr("hello world"));
    mail.RtfCompressed = pstw::uncompressedRtf("{\\rtf1\\fromtext a\\par b\\par c}");
    mail.RtfCompressed.resize(mail.RtfCompressed.size() - 8);
    b = MessageBody(&mail);
    EXPECT_TRUE(b.RtfTruncated);
    EXPECT_EQ(b.Text, "a\r\n");

    // No RTF, an empty value, or one that is no compressed RTF: no body.
    for (tbytes value :
         {tbytes{}, tbytes(kSimple.begin(), kSimple.begin() + 16), tbytes(40, 'x')}) {
        mail.RtfCompressed = value;
        EXPECT_EQ(MessageBody(&mail).Kind, BodyKind::None);
    }
}
