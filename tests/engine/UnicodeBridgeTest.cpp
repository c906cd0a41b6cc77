#include "engine/UnicodeBridge.h"

#include "engine/CodeTables.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::FromHex;
using test::ToHex;

class UnicodeBridgeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { LoadCodeTables(); }
    void TearDown() override {
        Fix_UNN = true;
        MoreBlocksFollow = false;
    }
};

// A mark is taken off only at the start. When more blocks follow, a block hands
// on a possible reference in its last eight units or bytes (with reference
// decoding on), a high surrogate and a cut UTF-8 sequence; the last block keeps
// everything.
TEST_F(UnicodeBridgeTest, BlocksAreReadWithTheirMarksAndCarries) {
    struct Case {
        std::string hex;
        Code code;
        bool startOfText, more, references;
        std::u16string text;
        std::size_t carry;
    };
    const Case cases[] = {
        {"fffe 4100 42", ULE, true, false, true, u"A", 0},
        {"fffe 4100", ULE, false, false, true, u"\uFEFFA", 0},
        {"feff 0041 0000 0042", UBE, true, false, true, std::u16string(u"A\0B", 3), 0},
        {"efbbbf e4bda0", UTF8, true, false, true, u"你", 0},
        {"efbbbf e4bda0", UTF8, false, false, true, u"\uFEFF你", 0},
        {"4100 2600 2300 3200", ULE, true, true, true, u"A", 6},
        {"41 e4bda0 26 23 32 30", UTF8, true, true, true, u"A你", 4},
        {"4100 3dd8", ULE, true, true, true, u"A", 2},
        {"41 f09f98", UTF8, true, true, true, u"A", 3},
        {"4100 2600", ULE, true, true, false, u"A&", 0},
        {"41 26 f09f98", UTF8, true, false, true, u"A&\uFFFD\uFFFD\uFFFD", 0}};
    for (const Case& c : cases) {
        MoreBlocksFollow = c.more;
        Fix_UNN = c.references;
        std::u16string text;
        std::size_t carry = 99;
        ReadUnicodeStream(FromHex(c.hex), c.code, c.startOfText, text, carry);
        EXPECT_EQ(text, c.text) << c.hex;
        EXPECT_EQ(carry, c.carry) << c.hex;
    }
}

// To Traditional, anything outside the tables comes back unchanged, in order,
// and a marker character already in the text keeps its place. To Simplified,
// what code page 936 lacks comes out as "?".
TEST_F(UnicodeBridgeTest, TypefaceChangesThroughTheTables) {
    const std::tuple<std::u16string, Face, std::u16string> cases[] = {
        {u"我们的国家后来发展", FaceT, u"我們的國家後來發展"},
        {u"我們的國家後來發展麵", FaceS, u"我们的国家后来发展面"},
        {u"A?B", FaceT, u"A?B"},
        {u"x们", FaceD, u"x们"},
        {u"한们é丂\U0001F600们", FaceT, u"한們é丂\U0001F600們"},
        {u"\x1F한\x1F们é", FaceT, u"\x1F한\x1F們é"},
        {u"한們", FaceS, u"?们"}};
    for (auto [text, face, expected] : cases) {
        ConvertFaceW(text, face);
        EXPECT_EQ(text, expected);
    }
    // Big5 output gives Simplified characters their Traditional form.
    EXPECT_EQ(ToHex(WideToBig5(u"们后A한?丂")), "adcca65a413f3fa1bc");
}

} // namespace
} // namespace tessarim
