#include "engine/Utf8.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::FromHex;
using test::ToHex;

std::u16string Decode(std::string_view hex, std::size_t* remaining = nullptr, bool final = false) {
    std::u16string out;
    const std::size_t left = Utf8ToWideAppend(FromHex(hex), final, out);
    if (remaining) *remaining = left;
    return out;
}

TEST(Utf8, DecodesWellFormedSequencesOfEveryLength) {
    EXPECT_EQ(Decode("41 c3a9 e4bda0"), u"Aé你");
    EXPECT_EQ(Decode("f09f9880"), u"\U0001F600");
    EXPECT_EQ(Decode("f48fbfbf"), u"\U0010FFFF");
    EXPECT_EQ(Decode("00"), std::u16string(1, u'\0'));
}

TEST(Utf8, IllFormedBytesBecomeReplacementAndConsumeOnlyThemselves) {
    EXPECT_EQ(Decode("80 41"), u"\uFFFDA");
    EXPECT_EQ(Decode("e4bd 41 e4bda0"), u"\uFFFD\uFFFDA你"); // cut short in the middle
    EXPECT_EQ(Decode("c080 ff f5808080"), u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Decode("eda080 41"), u"\uFFFDA"); // a lone high surrogate written on its own
    EXPECT_EQ(Decode("edb080"), u"\uFFFD");     // lone low surrogate
    EXPECT_EQ(Decode("f08f8080"), u"\uFFFD\uFFFD\uFFFD\uFFFD"); // overlong
}

TEST(Utf8, ReadsWhatOlderWritersProduced) {
    EXPECT_EQ(Decode("e08080"), std::u16string(1, u'\0'));
    EXPECT_EQ(Decode("eda0bd edb880"), u"\U0001F600"); // a pair as two three-byte sequences
}

TEST(Utf8, CutOffSequenceAtTheEndIsHandedBack) {
    std::size_t remaining = 0;
    EXPECT_EQ(Decode("41 e4bd", &remaining), u"A");
    EXPECT_EQ(remaining, 2u);
    EXPECT_EQ(Decode("f09f98", &remaining), u"");
    EXPECT_EQ(remaining, 3u);
    EXPECT_EQ(Decode("eda0bd ed", &remaining), u""); // high half waiting for its low half
    EXPECT_EQ(remaining, 4u);
    EXPECT_EQ(Decode("e441", &remaining), u"\uFFFDA"); // not a prefix of anything
    EXPECT_EQ(remaining, 0u);
    // At the real end of the text nothing is handed back.
    EXPECT_EQ(Decode("41 e4bd", &remaining, true), u"A\uFFFD\uFFFD");
    EXPECT_EQ(remaining, 0u);
}

TEST(Utf8, WritesStandardUtf8) {
    EXPECT_EQ(ToHex(WideToUtf8(std::u16string(u"\0A", 2))), "0041");
    EXPECT_EQ(ToHex(WideToUtf8(u"é你")), "c3a9e4bda0");
    EXPECT_EQ(ToHex(WideToUtf8(u"\U0001F600")), "f09f9880");
    EXPECT_EQ(ToHex(WideToUtf8(u"\xD83D"
                               u"A")),
              "efbfbd41");
    EXPECT_EQ(ToHex(WideToUtf8(u"\xDE00")), "efbfbd");
}

TEST(Utf8, EveryScalarValueRoundTrips) {
    std::u16string all;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        if (c < 0x10000) {
            all += static_cast<char16_t>(c);
        } else {
            all += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            all += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    std::size_t remaining = 1;
    EXPECT_EQ(Utf8ToWide(WideToUtf8(all), remaining), all);
    EXPECT_EQ(remaining, 0u);
}

} // namespace
} // namespace tessarim
