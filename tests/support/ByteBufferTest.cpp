// The growable byte buffer: its growth figures, and the UTF-16LE to UTF-8
// conversion with its room limit and failure rules.
#include <gtest/gtest.h>

#include <vector>

#include "support/uvbuf.h"

namespace {

std::unique_ptr<ByteBuffer> Full16k() {
    auto b = ByteBuffer::Create(16384);
    std::vector<uint8_t> fill(16384, 'x');
    b->Assign(fill.data(), 16384);
    return b;
}

TEST(ByteBuffer, GrowthFigures) {
    std::vector<uint8_t> more(30000, 'y');
    auto small = Full16k();
    small->Append(more.data(), 2); // a little more: two and a half times the capacity
    EXPECT_EQ(small->Capacity, 40960);
    EXPECT_EQ(small->Length, 16386);
    EXPECT_EQ(small->Data[16383], 'x');
    EXPECT_EQ(small->Data[16384], 'y');

    auto large = Full16k();
    large->Append(more.data(), 30000); // a lot more: exactly what was asked
    EXPECT_EQ(large->Capacity, 46384);
    EXPECT_EQ(large->Length, 46384);

    auto empty = ByteBuffer::Create(16384);
    empty->Append(more.data(), 20000); // Append to an empty buffer is Assign
    EXPECT_EQ(empty->Capacity, 20000);
    EXPECT_EQ(empty->Length, 20000);

    // Reserve never shrinks and empties; Grow of 0 or within room does nothing.
    empty->Reserve(10);
    EXPECT_EQ(empty->Capacity, 20000);
    EXPECT_EQ(empty->Length, 0);
    empty->Grow(0);
    empty->Grow(19999);
    EXPECT_EQ(empty->Capacity, 20000);

    ByteBuffer fresh;
    fresh.Grow(7); // a buffer without storage reserves exactly the request
    EXPECT_EQ(fresh.Capacity, 7);
    ByteBuffer::Free(empty);
    EXPECT_EQ(empty, nullptr);
}

TEST(ByteBuffer, WideTerminatorOnlyAtEvenOffsets) {
    const uint8_t odd[] = {0x41, 0x00, 0x00, 0x42, 0x00};
    EXPECT_FALSE(ByteBuffer::HasWideTerminator(odd, 5)); // the zero pair at 1..2 is misaligned
    const uint8_t even[] = {0x41, 0x00, 0x00, 0x00};
    EXPECT_TRUE(ByteBuffer::HasWideTerminator(even, 4));
    EXPECT_FALSE(ByteBuffer::HasWideTerminator(even, 3)); // the pair must lie inside n
}

// Text is taken four units at a time where it can be: a terminator, a unit
// beyond ASCII or a unit whose high byte alone is set must count at every
// place in those four, and a zero pair across two units never counts.
TEST(ByteBuffer, EveryPlaceInTheWordsOfFourUnits) {
    auto out = ByteBuffer::Create(64);
    for (size_t units = 1; units <= 13; ++units) {
        for (size_t at = 0; at < units; ++at) {
            std::vector<uint8_t> wide;
            for (size_t i = 0; i < units; ++i)
                wide.insert(wide.end(), {uint8_t(i == at ? 0 : 'a' + i), 0});
            EXPECT_TRUE(ByteBuffer::HasWideTerminator(wide.data(), int32_t(wide.size())));
            // U+907A, then 'z' and U+7A00 in turn: zero pairs only across units.
            std::vector<uint8_t> across;
            for (size_t i = 0; i < units; ++i)
                across.insert(across.end(), {uint8_t(i < at || i % 2 == 0 ? 'z' : 0),
                                             uint8_t(i < at       ? 0x90
                                                     : i % 2 == 0 ? 0
                                                                  : 'z')});
            EXPECT_FALSE(ByteBuffer::HasWideTerminator(across.data(), int32_t(across.size())))
                << units << " " << at;

            // U+00E9 at `at`, U+0100 (high byte only) and U+90E9 after it, ASCII around.
            std::vector<uint8_t> text;
            std::string expected;
            for (size_t i = 0; i < units; ++i) {
                if (i == at) {
                    text.insert(text.end(), {0xE9, 0x00});
                    expected += "\xC3\xA9";
                } else if (i == at + 1) {
                    text.insert(text.end(), {0x00, 0x01});
                    expected += "\xC4\x80";
                } else if (i == at + 2) {
                    text.insert(text.end(), {0xE9, 0x90});
                    expected += "\xE9\x83\xA9";
                } else {
                    text.insert(text.end(), {uint8_t('A' + i), 0});
                    expected += char('A' + i);
                }
            }
            text.insert(text.end(), {0, 0});
            expected += '\0';
            ASSERT_EQ(out->WideToAnsi(text.data(), int32_t(text.size())), int32_t(expected.size()));
            EXPECT_EQ(std::string(reinterpret_cast<char*>(out->Data.get()), expected.size()),
                      expected)
                << units << " " << at;
        }
    }
}

TEST(ByteBuffer, WideToAnsiWritesUtf8WithTerminator) {
    auto out = ByteBuffer::Create(16384);
    const uint8_t ab[] = {0x41, 0x00, 0x42, 0x00, 0x00, 0x00};
    ASSERT_EQ(out->WideToAnsi(ab, 6), 3);
    EXPECT_EQ(out->Length, 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out->Data.get()), 3), std::string("AB\0", 3));

    const uint8_t cyrillic[] = {0x16, 0x04, 0x00, 0x00}; // U+0416
    ASSERT_EQ(out->WideToAnsi(cyrillic, 4), 3);
    EXPECT_EQ(out->Data[0], 0xD0);
    EXPECT_EQ(out->Data[1], 0x96);

    // Around the one-byte boundary, and a unit whose low byte alone looks like ASCII.
    const uint8_t edges[] = {0x7F, 0x00, 0x80, 0x00,
                             0x41, 0x01, 0x00, 0x00}; // U+007F U+0080 U+0141
    ASSERT_EQ(out->WideToAnsi(edges, 8), 6);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out->Data.get()), 6),
              std::string("\x7F\xC2\x80\xC5\x81\0", 6));

    const uint8_t pair[] = {0x3D, 0xD8, 0x00, 0xDE, 0x00, 0x00}; // U+1F600
    ASSERT_EQ(out->WideToAnsi(pair, 6), 5);
    EXPECT_EQ(out->Data[0], 0xF0);

    const uint8_t lone[] = {0x00, 0xD8, 0x41, 0x00, 0x00, 0x00}; // unpaired high surrogate
    ASSERT_EQ(out->WideToAnsi(lone, 6), 5);
    EXPECT_EQ(out->Data[0], 0xEF);
    EXPECT_EQ(out->Data[1], 0xBF);
    EXPECT_EQ(out->Data[2], 0xBD);
    EXPECT_EQ(out->Data[3], 'A');
}

TEST(ByteBuffer, WideToAnsiFailures) {
    auto out = ByteBuffer::Create(16384);
    const uint8_t noTerminator[] = {0x41, 0x00, 0x42, 0x00, 0x00};
    EXPECT_EQ(out->WideToAnsi(noTerminator, 5), -1);
    EXPECT_EQ(out->Length, 0);

    // 16383 letters and the terminator fit exactly; one letter more does not.
    std::vector<uint8_t> wide;
    for (int i = 0; i < 16383; ++i)
        wide.insert(wide.end(), {'a', 0});
    wide.insert(wide.end(), {0, 0});
    EXPECT_EQ(out->WideToAnsi(wide.data(), int32_t(wide.size())), 16384);
    wide.insert(wide.begin(), {'a', 0});
    EXPECT_EQ(out->WideToAnsi(wide.data(), int32_t(wide.size())), -1);
    EXPECT_EQ(out->Length, 0);
    EXPECT_EQ(out->Capacity, 16384); // the buffer is never enlarged for the text

    ByteBuffer tiny; // a buffer without room gets 2 bytes: enough for "" only
    const uint8_t one[] = {0x41, 0x00, 0x00, 0x00};
    EXPECT_EQ(tiny.WideToAnsi(one, 4), 2);
    EXPECT_EQ(tiny.Capacity, 2);
}

} // namespace
