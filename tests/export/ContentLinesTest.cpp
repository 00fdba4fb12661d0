// Content lines of the vCard and iCalendar files: folding after 75 octets
// never inside a UTF-8 character, and the escaping of text and parameters
// against values that would end a line, a property or a list early.
#include <gtest/gtest.h>

#include <string>

#include "export/ContentLines.h"

namespace {

// The logical line back from folded ones (RFC 5545 3.1).
std::string Unfolded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 3, "\r\n ") == 0) {
            i += 2;
            continue;
        }
        out += text[i];
    }
    return out;
}

void ExpectWellFolded(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end - start, kMostLineOctets);
        // A line never starts with a UTF-8 continuation byte.
        if (end > start + 1 && text[start] == ' ') {
            EXPECT_NE(static_cast<unsigned char>(text[start + 1]) & 0xC0, 0x80);
        }
        start = end + 2;
    }
}

TEST(ContentLines, LongLinesFoldOnCharacterBoundariesAndUnfoldToTheValue) {
    for (const std::string unit : {"a", "\xC3\xA9", "\xE6\x97\xA5", "\xF0\x9F\x98\x80"})
        for (size_t count : {1u, 37u, 74u, 75u, 76u, 300u}) {
            std::string value;
            for (size_t i = 0; i < count; ++i)
                value += unit;
            tcontentlines lines;
            lines.AddText("SUMMARY", value);
            ExpectWellFolded(lines.Text());
            EXPECT_EQ(Unfolded(lines.Text()), "SUMMARY:" + value + "\r\n");
        }
}

TEST(ContentLines, TextEscapesSeparatorsAndLineBreaks) {
    EXPECT_EQ(EscapedText("a;b,c\\d"), "a\\;b\\,c\\\\d");
    EXPECT_EQ(EscapedText("one\r\ntwo\nthree\rfour"), "one\\ntwo\\nthree\\nfour");
    // Control characters cannot stand in a content line; a tab can.
    EXPECT_EQ(EscapedText(std::string("x\0y\x1B\tz\x7F", 7)), "xy\tz");
    tcontentlines lines;
    lines.AddText("NOTE", "END:VCARD\r\nBEGIN:VCARD");
    EXPECT_EQ(lines.Text(), "NOTE:END:VCARD\\nBEGIN:VCARD\r\n");
    lines.AddText("NOTE", "");
    EXPECT_EQ(lines.Text(), "NOTE:END:VCARD\\nBEGIN:VCARD\r\n") << "empty text adds no line";
}

TEST(ContentLines, ParameterValuesAreQuotedOrCleaned) {
    EXPECT_EQ(ParameterValue("Ann Example"), "Ann Example");
    EXPECT_EQ(ParameterValue("Doe, John: \"Boss\"; CEO"), "\"Doe, John: Boss; CEO\"");
    EXPECT_EQ(ParameterValue("evil\r\nATTENDEE:x"), "\"evilATTENDEE:x\"");
}

} // namespace
