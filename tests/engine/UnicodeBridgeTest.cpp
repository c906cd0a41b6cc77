#include "engine/UnicodeBridge.h"

#include "engine/CodeTables.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::FromHex;
using test::ToHex;

struct Read {
    std::u16string text;
    std::size_t carry;
};

Read ReadBlock(std::string_view hex, Code code, bool startOfText = true) {
    Read r;
    ReadUnicodeStream(FromHex(hex), code, startOfText, r.text, r.carry);
    return r;
}

// Engine state a test changes, put back afterwards.
class UnicodeBridgeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { LoadCodeTables(); }
    void TearDown() override {
        Fix_UNN = true;
        MoreBlocksFollow = false;
    }
};

TEST_F(UnicodeBridgeTest, Utf16MarksAreTakenOffOnlyAtTheStart) {
    EXPECT_EQ(ReadBlock("fffe 4100", ULE).text, u"A");
    EXPECT_EQ(ReadBlock("4100 42", ULE).text, u"A"); // odd final byte ignored
    EXPECT_EQ(ReadBlock("41", ULE).text, u"");
    EXPECT_EQ(ReadBlock("fffe 4100", ULE, false).text, u"\uFEFFA");
    // Every unit is swapped, also after a U+0000.
    EXPECT_EQ(ReadBlock("feff 0041 0000 0042", UBE).text, std::u16string(u"A\0B", 3));
    EXPECT_EQ(ReadBlock("efbbbf e4bda0", UTF8).text, u"你");
    EXPECT_EQ(ReadBlock("efbbbf e4bda0", UTF8, false).text, u"\uFEFF你");
}

TEST_F(UnicodeBridgeTest, BlockEndsHandOnWhatTheyCannotFinish) {
    MoreBlocksFollow = true;
    // A possible reference in the last eight units or bytes.
    Read r = ReadBlock("4100 2600 2300 3200", ULE);
    EXPECT_EQ(r.text, u"A");
    EXPECT_EQ(r.carry, 6u);
    r = ReadBlock("41 e4bda0 26 23 32 30", UTF8);
    EXPECT_EQ(r.text, u"A你");
    EXPECT_EQ(r.carry, 4u);
    // A high surrogate waits for its low half; a cut UTF-8 sequence waits too.
    r = ReadBlock("4100 3dd8", ULE);
    EXPECT_EQ(r.text, u"A");
    EXPECT_EQ(r.carry, 2u);
    r = ReadBlock("41 f09f98", UTF8);
    EXPECT_EQ(r.carry, 3u);
    Fix_UNN = false;
    r = ReadBlock("4100 2600", ULE);
    EXPECT_EQ(r.text, u"A&");
    EXPECT_EQ(r.carry, 0u);
    // The last block keeps everything.
    MoreBlocksFollow = false;
    Fix_UNN = true;
    r = ReadBlock("41 26 f09f98", UTF8);
    EXPECT_EQ(r.text, u"A&\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(r.carry, 0u);
}

TEST_F(UnicodeBridgeTest, TypefaceChangesThroughTheTables) {
    const auto face = [](std::u16string text, Face f) {
        ConvertFaceW(text, f);
        return text;
    };
    EXPECT_EQ(face(u"我们的国家后来发展", FaceT), u"我們的國家後來發展");
    EXPECT_EQ(face(u"我們的國家後來發展", FaceS), u"我们的国家后来发展");
    EXPECT_EQ(face(u"麵", FaceS), u"面");
    EXPECT_EQ(face(u"A?B", FaceT), u"A?B");
    EXPECT_EQ(face(u"x", FaceD), u"x");
}

TEST_F(UnicodeBridgeTest, CharactersTheTablesCannotMapSurvive) {
    const auto face = [](std::u16string text, Face f) {
        ConvertFaceW(text, f);
        return text;
    };
    // To Traditional, anything outside the tables comes back unchanged, in order.
    EXPECT_EQ(face(u"한们é丂\U0001F600们", FaceT), u"한們é丂\U0001F600們");
    // A marker character already in the text keeps its place.
    EXPECT_EQ(face(u"\x1F한\x1F们é", FaceT), u"\x1F한\x1F們é");
    // To Simplified, what code page 936 lacks comes out as "?".
    EXPECT_EQ(face(u"한們", FaceS), u"?们");
}

TEST_F(UnicodeBridgeTest, Big5OutputGivesSimplifiedCharactersTheirTraditionalForm) {
    EXPECT_EQ(ToHex(WideToBig5(u"们")), "adcc");
    EXPECT_EQ(ToHex(WideToBig5(u"后A")), "a65a41"); // Big5 has 后 itself
    EXPECT_EQ(ToHex(WideToBig5(u"한?丂")), "3f3fa1bc");
}

} // namespace
} // namespace tessarim
