#include "engine/UnicodeBridge.h"

#include "engine/CodeTables.h"
#include "engine/Utf8.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::FromHex;
using test::ToHex;

// Whole sentences are in the route table; here the edges. To Traditional,
// anything outside the tables comes back unchanged, in order,
// and a marker character already in the text keeps its place. To Simplified,
// what code page 936 lacks comes out as "?".
TEST(UnicodeBridge, TypefaceChangesThroughTheTables) {
    const std::tuple<std::u16string, Face, std::u16string> cases[] = {
        {u"A?한们é丂\U0001F600们", FaceT, u"A?한們é丂\U0001F600們"},
        {u"\x1F한\x1F们é", FaceT, u"\x1F한\x1F們é"},
        // Characters neither code page has come back as themselves either way.
        {u"我們的國家後來發展麵한 ©Ś?", FaceS, u"我们的国家后来发展面한 ©Ś?"}};
    for (auto [text, face, expected] : cases) {
        ConvertFaceW(text, face, nullptr);
        EXPECT_EQ(text, expected);
    }
    // Big5 output gives Simplified characters their Traditional form.
    EXPECT_EQ(ToHex(WideToBig5(u"们后A한?丂")), "adcca65a413f3fa1bc");
}

// Each ill-formed byte becomes U+FFFD and consumes only itself; what older
// writers produced (E0 80 80, a pair as two three-byte sequences) is still read.
// A sequence cut off at the end is handed back, unless the text ends there.
TEST(Utf8, DecodesStandardUtf8AndHandsBackCutSequences) {
    struct Case {
        std::string hex;
        bool final;
        std::u16string text;
        std::size_t remaining;
    };
    const Case cases[] = {
        {"41 c3a9 e4bda0 f09f9880 f48fbfbf 00", false, std::u16string(u"Aé你😀\U0010FFFF\0", 8), 0},
        {"80 41 e4bd 41 e4bda0", false, u"\uFFFDA\uFFFD\uFFFDA你", 0},
        {"c080 ff f5808080", false, u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD", 0},
        {"eda080 41 edb080", false, u"\uFFFDA\uFFFD", 0},    // lone surrogates
        {"f08f8080", false, u"\uFFFD\uFFFD\uFFFD\uFFFD", 0}, // overlong
        {"e08080 eda0bd edb880", false, std::u16string(u"\0😀", 3), 0},
        {"41 e4bd", false, u"A", 2},
        {"f09f98", false, u"", 3},
        {"eda0bd ed", false, u"", 4},   // a high half waiting for its low half
        {"e441", false, u"\uFFFDA", 0}, // not a prefix of anything
        {"41 e4bd", true, u"A\uFFFD\uFFFD", 0}};
    for (const auto& [hex, final, text, remaining] : cases) {
        std::u16string out;
        EXPECT_EQ(Utf8ToWideAppend(FromHex(hex), final, out), remaining) << hex;
        EXPECT_EQ(out, text) << hex;
    }
    EXPECT_EQ(ToHex(WideToUtf8(std::u16string(u"\0Aé你😀", 6))), "0041c3a9e4bda0f09f9880");
    EXPECT_EQ(ToHex(WideToUtf8(u"\xD83D"
                               u"A\xDE00")),
              "efbfbd41efbfbd"); // lone surrogates
}

TEST(Utf8, EveryScalarValueRoundTrips) {
    std::u16string all;
    for (char32_t c = 0; c <= 0x10FFFF; ++c)
        if (c >= 0x10000)
            all += {char16_t(0xD800 + ((c - 0x10000) >> 10)), char16_t(0xDC00 + (c & 0x3FF))};
        else if (c < 0xD800 || c > 0xDFFF)
            all += char16_t(c);
    std::size_t remaining = 1;
    EXPECT_EQ(Utf8ToWide(WideToUtf8(all), remaining), all);
    EXPECT_EQ(remaining, 0u);
}

} // namespace
} // namespace tessarim
