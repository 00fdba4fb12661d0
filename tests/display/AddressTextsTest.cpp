// Sender and recipient texts of the item list and the message viewer:
// present and absent names and addresses, directory addresses, long names
// and the closing-tag removal of display lists.
#include <gtest/gtest.h>

#include <string>

#include "display/AddressTexts.h"

TEST(AddressTextsTest, SenderShowsNameAndAddressWhenBothArePlain) {
    EXPECT_EQ(SenderText("Ann", "ann@example.com"), "Ann(ann@example.com)");
    EXPECT_EQ(SenderText(std::nullopt, "ann@example.com"), "ann@example.com");
    EXPECT_EQ(SenderText("Ann", std::nullopt), "Ann");
    EXPECT_EQ(SenderText(std::nullopt, std::nullopt), "<Unknown sender>");
    // Stored texts end at their terminator.
    EXPECT_EQ(SenderText(std::string("Ann\0", 4), std::string("a@b\0", 4)), "Ann(a@b)");
}

TEST(AddressTextsTest, DirectoryAddressesAreLeftOutInAnyCase) {
    const ttext x500 = "/o=Org/ou=Exchange/cn=Recipients/cn=ann";
    EXPECT_TRUE(IsDirectoryAddress(x500));
    EXPECT_TRUE(IsDirectoryAddress("/OU"));
    EXPECT_FALSE(IsDirectoryAddress("ou@example.com"));
    EXPECT_FALSE(IsDirectoryAddress(std::nullopt));
    EXPECT_EQ(SenderText("Ann", x500), "Ann");
    EXPECT_EQ(SenderText(std::nullopt, x500), "<Unknown sender>");
}

TEST(AddressTextsTest, LongNamesAreCutBeforeTheAddressOnly) {
    const std::string name(300, 'n');
    EXPECT_EQ(SenderText(name, "a@b"), std::string(255, 'n') + "(a@b)");
    EXPECT_EQ(SenderText(name, std::nullopt), name);
}

TEST(AddressTextsTest, ViewerSenderIsEmptyWhereTheListSaysUnknown) {
    tmailinfo mail;
    EXPECT_EQ(ViewerSenderText(mail), "");
    mail.SentRepresentingEmail = "/o=Org/OU=x";
    EXPECT_EQ(ViewerSenderText(mail), "");
    mail.SentRepresentingName = "Ann";
    EXPECT_EQ(ViewerSenderText(mail), "Ann");
    mail.SentRepresentingEmail = "ann@example.com";
    EXPECT_EQ(ViewerSenderText(mail), "Ann(ann@example.com)");
    mail.SentRepresentingName = std::nullopt;
    EXPECT_EQ(ViewerSenderText(mail), "ann@example.com");
}

TEST(AddressTextsTest, ClosingTagsAreRemovedUnlessUnclosed) {
    EXPECT_EQ(StripClosingTags("Ann</a>; Bob</b>"), "Ann; Bob");
    EXPECT_EQ(StripClosingTags("<b>Ann</b>"), "<b>Ann");
    EXPECT_EQ(StripClosingTags("a</b"), "a</b");
    EXPECT_EQ(StripClosingTags("a</x>b</y"), "ab</y");
    // Removing one tag can join the pieces of another.
    EXPECT_EQ(StripClosingTags("<</x>/y>z"), "z");
    EXPECT_EQ(StripClosingTags(""), "");
}

// The rule itself, one removal at a time.
std::string StripOneByOne(std::string text) {
    for (;;) {
        size_t open = text.find("</");
        if (open == std::string::npos) return text;
        size_t close = text.find('>', open + 2);
        if (close == std::string::npos) return text;
        text.erase(open, close - open + 1);
    }
}

TEST(AddressTextsTest, ClosingTagsGoInOnePassAsOneByOne) {
    // Every text of up to eight characters of '<', '/', '>' and a letter.
    const char kAlphabet[] = {'<', '/', '>', 'a'};
    for (int length = 0; length <= 8; ++length) {
        int count = 1;
        for (int i = 0; i < length; ++i)
            count *= 4;
        for (int n = 0; n < count; ++n) {
            std::string text;
            for (int i = 0, k = n; i < length; ++i, k /= 4)
                text += kAlphabet[k % 4];
            ASSERT_EQ(StripClosingTags(text), StripOneByOne(text)) << text;
        }
    }
    // A long list of closing tags goes in one pass, not one search each.
    std::string many;
    for (int i = 0; i < 200000; ++i)
        many += "a</b>";
    EXPECT_EQ(StripClosingTags(many), std::string(200000, 'a'));
}
