// Text as the search compares it: case and Latin accents folded (Latin-1,
// Extended-A and -B, 8-bit Windows-1252 bytes), white space runs, whole
// words against parts of words; and HTML bodies read as text, not markup.
#include <gtest/gtest.h>

#include "display/SearchHtml.h"
#include "display/SearchText.h"

using namespace ostrel::search;

TEST(SearchText, FoldsCaseAndLatinAccents) {
    EXPECT_EQ(FoldText("Hello WORLD"), "hello world");
    EXPECT_EQ(FoldText("Caf\xC3\xA9 \xC3\x85ngstr\xC3\xB6m"), "cafe angstrom"); // Café Ångström
    EXPECT_EQ(FoldText("Stra\xC3\x9F"
                       "e \xC3\x86sir"),
              "strasse aesir"); // Straße Æsir
    EXPECT_EQ(FoldText("\xC5\x81\xC3\xB3\x64\xC5\xBA \xC4\x8C\x65\x73ky"),
              "lodz cesky");                       // Łódź Česky
    EXPECT_EQ(FoldText("\xC7\x8D\xC8\x98"), "as"); // Ǎ Ș (Extended-B)
    EXPECT_EQ(FoldText("\xD0\x9F\xD0\xA0\xD0\x98"), FoldText("\xD0\xBF\xD1\x80\xD0\xB8")); // ПРИ
    EXPECT_EQ(FoldText("\xCE\xA3\xCE\x9F"), "\xCF\x83\xCE\xBF");                 // ΣΟ -> σο
    EXPECT_EQ(FoldText("\xE4\xB8\xAD\xE6\x96\x87"), "\xE4\xB8\xAD\xE6\x96\x87"); // 中文 unchanged
}

TEST(SearchText, TakesBytesThatAreNoUtf8AsWindows1252) {
    EXPECT_EQ(FoldText("R\xE9sum\xE9"), "resume");
    EXPECT_EQ(FoldText("\x8A\x9E"), "sz"); // Š ž from the 0x80..0x9F block
    EXPECT_EQ(FoldText("\xC3"), "a");      // a cut UTF-8 sequence
    // An encoded surrogate is no UTF-8: three bytes, the middle one a no-break space.
    EXPECT_EQ(FoldText("\xED\xA0\x80"), "i \xE2\x82\xAC");
    EXPECT_EQ(FoldText(std::string("a\0b", 3)), "a b");
}

TEST(SearchText, WhiteSpaceRunsCountOnce) {
    EXPECT_EQ(FoldText("  two\r\n\t words  "), "two words");
    EXPECT_EQ(FoldText("non\xC2\xA0"
                       "breaking"),
              "non breaking");
    EXPECT_TRUE(ContainsFolded(FoldText("see the\r\nnumbers"), FoldText("the  numbers"), false));
}

// ASCII text folds by a rule simple enough to state here: lowered, white
// space (NUL among it) in runs that count once, none at either end. Text of
// plain words folds eight bytes at a time; spaces, runs and other bytes at
// every offset of those eight must fold as the rule says.
TEST(SearchText, AsciiTextAtEveryOffsetFoldsByTheRule) {
    const auto rule = [](const std::string& text) {
        std::string out;
        bool pending = false;
        for (char c : text) {
            if (c == '\0' || c == ' ' || (c >= '\t' && c <= '\r')) {
                pending = !out.empty();
                continue;
            }
            if (pending) out += ' ';
            pending = false;
            out += c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
        }
        return out;
    };
    std::string alphabet = "AZaz09 _~!@[`{\x7F\x01\x1F\t\n";
    alphabet += '\0';
    uint32_t seed = 12345;
    for (int round = 0; round < 4000; ++round) {
        std::string text(size_t(round % 41), 'x');
        for (char& c : text) {
            seed = seed * 1103515245u + 12345u;
            // Mostly letters and single spaces, as prose is.
            const uint32_t pick = (seed >> 16) % 64;
            c = pick < 40   ? char('A' + pick % 26 + (pick & 32))
                : pick < 52 ? ' '
                            : alphabet[pick % alphabet.size()];
        }
        ASSERT_EQ(FoldText(text), rule(text)) << round;
    }
    EXPECT_EQ(FoldText("Budget Update For The Team  And Then Some"),
              "budget update for the team and then some");
}

TEST(SearchText, PartsOfWordsOrWholeWords) {
    const std::string hay = FoldText("The budget report, attached.");
    EXPECT_TRUE(ContainsFolded(hay, "port", false));
    EXPECT_FALSE(ContainsFolded(hay, "port", true));
    EXPECT_TRUE(ContainsFolded(hay, "report", true));
    EXPECT_TRUE(ContainsFolded(hay, "attached", true));
    EXPECT_TRUE(ContainsFolded(hay, "the", true));
    EXPECT_TRUE(ContainsFolded(hay, "report,", true)); // punctuation ends the needle itself
    EXPECT_FALSE(ContainsFolded(hay, "reports", false));
    EXPECT_TRUE(ContainsFolded(hay, "", true));
    EXPECT_FALSE(ContainsFolded("", "x", false));
    // A later occurrence can be the whole word when the first is not.
    EXPECT_TRUE(ContainsFolded("reporter report", "report", true));
}

TEST(SearchHtml, ReadsTheTextNotTheMarkup) {
    EXPECT_EQ(HtmlToText("<p class=\"x\">Hello <b>wor</b>ld</p>"), " Hello world ");
    EXPECT_EQ(HtmlToText("a<br>b"), "a b");
    EXPECT_EQ(HtmlToText("<style>p{}</style>x<script>if (a<b) y();</script>z"), "xz");
    EXPECT_EQ(HtmlToText("<SCRIPT>hidden</SCRIPT >shown"), "shown");
    EXPECT_EQ(HtmlToText("a<!-- hidden -->b"), "ab");
    EXPECT_EQ(HtmlToText("<a title='1 > 0'>link</a>"), "link");
    EXPECT_EQ(HtmlToText("1 < 2 and 3 > 2"), "1 < 2 and 3 > 2");
}

TEST(SearchHtml, DecodesCharacterReferences) {
    EXPECT_EQ(HtmlToText("Caf&eacute; &amp; &lt;tea&gt;"), "Cafe & <tea>");
    EXPECT_EQ(HtmlToText("&#233;&#xE9;&#X41;"), "\xC3\xA9\xC3\xA9"
                                                "A");
    EXPECT_EQ(HtmlToText("a&nbsp;b&shy;c&szlig;"), "a bcss");
    EXPECT_EQ(HtmlToText("&unknown; &#xZZ; & alone &#0;"), "&unknown; &#xZZ; & alone \xEF\xBF\xBD");
    EXPECT_EQ(HtmlToText("&#99999999999;"), "&#99999999999;");
    // A reference reaches at most 32 characters past its '&', its ';' included.
    const std::string reaches = "&#" + std::string(27, '0') + "233;";
    const std::string beyond = "&#" + std::string(28, '0') + "233;";
    EXPECT_EQ(HtmlToText(reaches + "x"), "\xC3\xA9x");
    EXPECT_EQ(HtmlToText(beyond + "x"), beyond + "x");
}

TEST(SearchHtml, DamagedMarkupEndsQuietly) {
    EXPECT_EQ(HtmlToText("text<p title=\"never closed"), "text ");
    EXPECT_EQ(HtmlToText("text<!-- never closed"), "text");
    EXPECT_EQ(HtmlToText("<script>never closed"), "");
    EXPECT_EQ(HtmlToText("<"), "<");
    EXPECT_EQ(HtmlToText("&"), "&");
    EXPECT_EQ(HtmlToText(std::string(100000, '<')).size(), 100000u);
    // Each '&' looks no further than a reference can reach: a million of
    // them before the only ';' are read in one pass, not a million.
    EXPECT_EQ(HtmlToText(std::string(1000000, '&') + ";").size(), 1000001u);
}

TEST(SearchText, FoldingFoldedTextChangesNothing) {
    // Ɋ has a small letter ɋ of its own in Extended-B, which folds further to q.
    EXPECT_EQ(FoldText("\xC9\x8A"), "q");
    EXPECT_EQ(FoldText("\xC7\xB6"), "hv"); // Ƕ
    for (const char* text : {"\xC9\x8A\xC9\x8B \xC6\x86 \xC7\xB7 R\xE9sum\xE9", "\xCE\xA3\xD0\x81"})
        EXPECT_EQ(FoldText(FoldText(text)), FoldText(text)) << text;
}
