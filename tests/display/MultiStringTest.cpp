// Multi-valued Unicode strings as one line: well-formed values, entries with
// and without terminators, surrogates, and damaged counts and offsets.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "display/MultiString.h"

namespace {

void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += char(uint8_t(v >> (8 * i)));
}

// A value laid out as the PST stores it: count, offsets, UTF-16LE entries.
std::string MultiString(const std::vector<std::u16string>& entries) {
    std::string out;
    PutU32(out, uint32_t(entries.size()));
    uint32_t offset = uint32_t(4 + 4 * entries.size());
    for (const std::u16string& e : entries) {
        PutU32(out, offset);
        offset += uint32_t(2 * e.size());
    }
    for (const std::u16string& e : entries)
        for (char16_t u : e) {
            out += char(u & 0xFF);
            out += char(u >> 8);
        }
    return out;
}

std::string Text(const std::string& value) {
    return MultiStringText(reinterpret_cast<const uint8_t*>(value.data()), value.size());
}

} // namespace

TEST(MultiStringTest, EntriesAreJoinedWithSemicolons) {
    EXPECT_EQ(Text(MultiString({u"A", u"B"})), "A; B");
    EXPECT_EQ(Text(MultiString({u"Brown & Co"})), "Brown & Co");
    // An empty entry keeps its place between the separators.
    EXPECT_EQ(Text(MultiString({u"A", u"", u"\u00c4rzte"})), "A; ; \xc3\x84rzte");
}

TEST(MultiStringTest, EachEntryEndsAtItsFirstZeroUnit) {
    EXPECT_EQ(Text(MultiString({std::u16string(u"A\0", 2), std::u16string(u"B\0x", 3)})), "A; B");
    EXPECT_EQ(Text(MultiString({std::u16string(u"\0A", 2)})), "");
}

TEST(MultiStringTest, SurrogatesPairUpOrBecomeReplacementCharacters) {
    EXPECT_EQ(Text(MultiString({u"\U0001F600"})), "\xf0\x9f\x98\x80");
    // A high half at the end of its entry, and a low half alone.
    EXPECT_EQ(Text(MultiString({std::u16string(1, char16_t(0xD83D)), u"x"})), "\xef\xbf\xbd; x");
    EXPECT_EQ(Text(MultiString({std::u16string(1, char16_t(0xDE00))})), "\xef\xbf\xbd");
}

TEST(MultiStringTest, AnOddByteAtTheEndOfAnEntryIsDropped) {
    std::string value = MultiString({u"AB"});
    value += 'C';
    EXPECT_EQ(Text(value), "AB");
}

TEST(MultiStringTest, DamagedValuesGiveNothingOrEmptyEntries) {
    EXPECT_EQ(MultiStringText(nullptr, 10), "");
    EXPECT_EQ(Text(std::string("\x01\x00", 2)), "");
    EXPECT_EQ(Text(MultiString({})), "");
    // A count whose offsets do not fit into the value.
    std::string huge = MultiString({u"A"});
    huge[3] = '\x7f';
    EXPECT_EQ(Text(huge), "");
    std::string justOver = MultiString({u"A"});
    justOver[0] = '\x03';
    EXPECT_EQ(Text(justOver), "");
    // The first offset beyond the second: that entry is empty, the last one
    // runs from its offset to the end of the value.
    std::string wild = MultiString({u"AB", u"C"});
    wild[4] = '\x40';
    EXPECT_EQ(Text(wild), "; C");
    // The last offset past the end of the value.
    std::string past = MultiString({u"AB", u"C"});
    past[8] = '\x40';
    EXPECT_EQ(Text(past), "; ");
}
