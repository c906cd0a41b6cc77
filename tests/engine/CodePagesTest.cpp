#include "engine/CodePages.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::FromHex;
using test::ToHex;

TEST(CodePages, OneCharacterInOneCharacterOut) {
    struct Case {
        int codePage;
        std::string hex;
        std::u16string text;
    };
    // A lead byte without a valid trail byte is "?" on its own; the byte after it
    // counts. Byte 80 is the euro sign in code page 936 only.
    const Case decoded[] = {{CodePageGbk, "b0 0a 41", u"?\nA"},
                            {CodePageBig5, "80 ff c4e3", u"??斕"},
                            {CodePageGbk, "ff c4e3 c4", u"?你?"},
                            {CodePageBig5, "a3c0 c8a1", u"??"},
                            {CodePageGbk, "80 41 80", u"€A€"},
                            {CodePageBig5, "61 00 62", std::u16string(u"a\0b", 3)},
                            {CodePageUtf8, "e4bda0", u"你"},
                            {CodePageWestern, "80 e9", u"€é"}};
    for (const auto& [codePage, hex, text] : decoded)
        EXPECT_EQ(AnsiToWide(FromHex(hex), codePage), text) << codePage << ": " << hex;
    // Characters a code page lacks become one "?" each, surrogates too; a few are
    // written as a look-alike.
    const Case encoded[] = {{CodePageBig5, "3f413f3f", u"한A\U0001F600"},
                            {CodePageGbk, "00", std::u16string(1, u'\0')},
                            {CodePageGbk, "8035", u"€5"},
                            {CodePageBig5, "a3e1", u"€"},
                            {CodePageBig5, "a246a145a14ea451", u"\u00a2\u2022\uff64十"},
                            {CodePageUtf8, "e4bda0", u"你"},
                            {CodePageWestern, "80e93f", u"€é你"}};
    for (const auto& [codePage, hex, text] : encoded)
        EXPECT_EQ(ToHex(WideToAnsi(text, codePage)), hex) << codePage;
}

// Code page 936 has the euro sign at byte 80; straight into UTF-8 it grows to three bytes.
TEST(CodePages, EuroSignsGrowThreefoldStraightIntoUtf8) {
    Bytes utf8, expected;
    AnsiToUtf8Append(std::string(100000, '\x80') + "\xC4\xE3", CodePageGbk, utf8);
    for (int i = 0; i < 100000; ++i)
        expected += "\xE2\x82\xAC";
    EXPECT_TRUE(utf8 == expected + "\xE4\xBD\xA0");
}

} // namespace
} // namespace tessarim
