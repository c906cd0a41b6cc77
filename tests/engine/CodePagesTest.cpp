#include "engine/CodePages.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::FromHex;
using test::ToHex;

// Every double-byte code a code page decodes must come back as itself, apart
// from the few characters the code page holds twice.
std::size_t RoundTripFailures(int codePage, std::size_t& decoded) {
    std::size_t failures = 0;
    decoded = 0;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            const std::u16string text = AnsiToWide(bytes, codePage);
            EXPECT_EQ(text.size(), trail == 0x7F ? 2u : 1u) << std::hex << lead << trail;
            if (text.size() != 1 || text == u"?") continue;
            ++decoded;
            if (WideToAnsi(text, codePage) != bytes) ++failures;
        }
    }
    return failures;
}

TEST(CodePages, EveryCodeRoundTrips) {
    std::size_t decoded = 0;
    EXPECT_EQ(RoundTripFailures(CodePageGbk, decoded), 0u);
    EXPECT_EQ(decoded, 21791u);
    // Big5 holds ten characters twice (box drawing, 十 and 卅); the encoder picks one.
    EXPECT_EQ(RoundTripFailures(CodePageBig5, decoded), 10u);
    EXPECT_EQ(decoded, 13752u);
}

TEST(CodePages, OneCharacterInOneCharacterOut) {
    // A lead byte without a valid trail byte is "?" on its own; the byte after it counts.
    EXPECT_EQ(AnsiToWide(FromHex("b0 0a 41"), CodePageGbk), u"?\nA");
    EXPECT_EQ(AnsiToWide(FromHex("80 ff c4e3"), CodePageBig5), u"??斕");
    EXPECT_EQ(AnsiToWide(FromHex("ff c4e3"), CodePageGbk), u"?你");
    EXPECT_EQ(AnsiToWide(FromHex("c4"), CodePageGbk), u"?");
    EXPECT_EQ(AnsiToWide(FromHex("a3c0 c8a1"), CodePageBig5), u"??"); // unassigned codes
    EXPECT_EQ(AnsiToWide(std::string("a\0b", 3), CodePageBig5), std::u16string(u"a\0b", 3));
    // Characters a code page lacks become one "?" each; surrogates too.
    EXPECT_EQ(WideToAnsi(u"한A\U0001F600", CodePageBig5), "?A??");
    EXPECT_EQ(WideToAnsi(std::u16string(u"\0", 1), CodePageGbk), std::string(1, '\0'));
}

TEST(CodePages, TheEuroSignIsByte80InCodePage936) {
    EXPECT_EQ(AnsiToWide(FromHex("80 41 80"), CodePageGbk), u"€A€");
    EXPECT_EQ(ToHex(WideToAnsi(u"€5", CodePageGbk)), "8035");
    EXPECT_EQ(ToHex(WideToAnsi(u"€", CodePageBig5)), "a3e1");
    EXPECT_EQ(AnsiToWide(FromHex("80"), CodePageBig5), u"?");
    // Straight into UTF-8 each such byte becomes three.
    const std::string euros(100000, '\x80');
    Bytes utf8;
    AnsiToUtf8Append(euros + "\xC4\xE3", CodePageGbk, utf8);
    std::string expected;
    for (std::size_t i = 0; i < euros.size(); ++i)
        expected += "\xE2\x82\xAC";
    EXPECT_TRUE(utf8 == expected + "\xE4\xBD\xA0");
}

TEST(CodePages, OneWayMappingsOfTheEncoder) {
    EXPECT_EQ(ToHex(WideToAnsi(u"\u00a2\u2022\uff64", CodePageBig5)), "a246a145a14e");
    EXPECT_EQ(ToHex(WideToAnsi(u"\u5341", CodePageBig5)), "a451"); // 十, held twice
    EXPECT_EQ(EncodeUnit(u'们', CodePageBig5), 0u);
    EXPECT_EQ(EncodeUnit(u'们', CodePageGbk), 0xC3C7u);
    EXPECT_EQ(EncodeUnit(u'A', CodePageGbk), 0x41u);
}

TEST(CodePages, OtherCodePages) {
    EXPECT_EQ(AnsiToWide("\xE4\xBD\xA0", CodePageUtf8), u"你");
    EXPECT_EQ(WideToAnsi(u"你", CodePageUtf8), "\xE4\xBD\xA0");
    EXPECT_EQ(AnsiToWide("\x80\xE9", CodePageWestern), u"€é");
    EXPECT_EQ(WideToAnsi(u"€é你", CodePageWestern), "\x80\xE9?");
}

} // namespace
} // namespace tessarim
