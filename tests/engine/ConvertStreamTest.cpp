#include "engine/ConvertStream.h"

#include "engine/CodeTables.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

namespace tessarim {
namespace {

using test::FromHex;
using test::ToHex;

class ConvertStreamTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { LoadCodeTables(); }
    void TearDown() override {
        Fix_UNN = true;
        MoreBlocksFollow = false;
    }
};

Code CodeNamed(const std::string& name) {
    static const char* const names[] = {"ULE", "UBE", "UTF8", "GBK", "BIG5", "DEC", "HEX"};
    for (int i = 0; i < 7; ++i)
        if (name == names[i]) return static_cast<Code>(i);
    throw std::invalid_argument(name);
}

Face FaceNamed(const std::string& name) {
    return name == "T" ? FaceT : name == "S" ? FaceS : FaceD;
}

// Every source, target and typeface, from tests/data/engine/routes.tsv.
TEST_F(ConvertStreamTest, EveryRouteGivesWhatItPromises) {
    std::ifstream cases(TESSARIM_SOURCE_DIR "/tests/data/engine/routes.tsv");
    ASSERT_TRUE(cases);
    std::string line;
    int checked = 0;
    while (std::getline(cases, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string source, target, face, input, expected;
        std::getline(fields, source, '\t');
        std::getline(fields, target, '\t');
        std::getline(fields, face, '\t');
        std::getline(fields, input, '\t');
        std::getline(fields, expected, '\t');
        const Code to = CodeNamed(target);
        Bytes text = FromHex(input);
        const std::size_t carry =
            ConvertStream(text, CodeNamed(source), to, FaceNamed(face), false, to <= UTF8);
        EXPECT_EQ(ToHex(text), expected) << line;
        EXPECT_EQ(carry, 0u) << line;
        ++checked;
    }
    EXPECT_EQ(checked, 105);
}

TEST_F(ConvertStreamTest, UnicodeToItselfWithoutChangesIsLeftAlone) {
    Fix_UNN = false;
    Bytes text = FromHex("fffe 4100");
    EXPECT_EQ(ConvertStream(text, ULE, ULE, FaceD, false, false), 0u);
    EXPECT_EQ(ToHex(text), "fffe4100");
    // With reference decoding on, the text is rewritten and the mark follows addBom.
    Fix_UNN = true;
    ConvertStream(text, ULE, ULE, FaceD, false, false);
    EXPECT_EQ(ToHex(text), "4100");
}

TEST_F(ConvertStreamTest, ReferencesSendTheTableRoadThroughUnicode) {
    Bytes text = "&#x4E2D;" + FromHex("c3c7");
    ConvertStream(text, GBK, BIG5, FaceT, false, false);
    EXPECT_EQ(ToHex(text), "a4a4adcc"); // 中們
    text = FromHex("fffe") + std::string("&\0#\0"
                                         "2\0"
                                         "0\0"
                                         "0\0"
                                         "1\0"
                                         "3\0;\0",
                                         16);
    ConvertStream(text, ULE, ULE, FaceD, false, true);
    EXPECT_EQ(ToHex(text), "fffe2d4e");
    // Without reference decoding the table road keeps the reference as it is.
    Fix_UNN = false;
    text = "&#x4E2D;" + FromHex("c3c7");
    ConvertStream(text, GBK, BIG5, FaceT, false, false);
    EXPECT_EQ(text, "&#x4E2D;" + FromHex("adcc"));
}

TEST_F(ConvertStreamTest, HtmlCharsetFollowsTheTarget) {
    const std::string page = "<META http-equiv=Content-Type content=\"text/html; charset=GB2312\">";
    Bytes text = page + FromHex("c3c7");
    ConvertStream(text, GBK, BIG5, FaceT, true, false);
    EXPECT_EQ(text, "<META http-equiv=Content-Type content=\"text/html; charset=big5\">" +
                        FromHex("adcc"));
    text = page;
    ConvertStream(text, GBK, UTF8, FaceD, true, false);
    EXPECT_EQ(text, "<META http-equiv=Content-Type content=\"text/html; charset=utf-8\">");
    text = page;
    ConvertStream(text, GBK, UTF8, FaceD, false, false);
    EXPECT_EQ(text, page);
}

TEST_F(ConvertStreamTest, GbkOutputTurnsTheBig5HyphenationPointIntoAFullStop) {
    Bytes text = FromHex("a145");
    ConvertStream(text, BIG5, GBK, FaceD, false, false);
    EXPECT_EQ(ToHex(text), "a3ae");
}

TEST_F(ConvertStreamTest, NotationWritesEveryCharacterFromU0080Up) {
    Bytes text = FromHex("d6d0 41");
    ConvertStream(text, GBK, DecNotation, FaceD, false, false);
    EXPECT_EQ(text, "&#20013;A");
    text = FromHex("d6d0");
    ConvertStream(text, GBK, HexNotation, FaceD, false, false);
    EXPECT_EQ(text, "&#x4E2D;");
    text = "\xF0\x9F\x98\x80\xC3\xA9";
    ConvertStream(text, UTF8, HexNotation, FaceD, false, false);
    EXPECT_EQ(text, "&#x1F600;&#xE9;");
}

TEST_F(ConvertStreamTest, BlockEndsCarryWhatTheyCannotFinish) {
    // The table road drops an unpaired last lead byte and reports it.
    Bytes text = FromHex("c4e3 b0");
    EXPECT_EQ(ConvertStream(text, GBK, BIG5, FaceT, false, false), 1u);
    EXPECT_EQ(ToHex(text), "a741");
    // With more blocks following, a possible reference waits for the next block.
    MoreBlocksFollow = true;
    text = FromHex("c4e3") + "&#200";
    EXPECT_EQ(ConvertStream(text, GBK, UTF8, FaceD, false, false), 5u);
    EXPECT_EQ(text, "\xE4\xBD\xA0");
    text = FromHex("c4e3 b0");
    EXPECT_EQ(ConvertStream(text, GBK, UTF8, FaceD, false, false), 1u);
    EXPECT_EQ(text, "\xE4\xBD\xA0");
}

TEST_F(ConvertStreamTest, ABlockHoldsBackTheLongestReferenceItMayCut) {
    // References beyond U+FFFF decode too; the longest is nine units before its ";".
    MoreBlocksFollow = true;
    Bytes text = "ab&#x10FFFF";
    EXPECT_EQ(ConvertStream(text, GBK, UTF8, FaceD, false, false), 9u);
    EXPECT_EQ(text, "ab");
    const std::u16string units = u"ab&#1114111";
    text.assign(reinterpret_cast<const char*>(units.data()), 2 * units.size());
    EXPECT_EQ(ConvertStream(text, ULE, UTF8, FaceD, false, false), 18u);
    EXPECT_EQ(text, "ab");
    text = "ab&#1114111";
    EXPECT_EQ(ConvertStream(text, UTF8, ULE, FaceD, false, false), 9u);
    EXPECT_EQ(text, std::string("a\0b\0", 4));
}

TEST_F(ConvertStreamTest, HelpersForTheRoadChoice) {
    EXPECT_TRUE(HasRefStart("ab&#"));
    EXPECT_TRUE(HasRefStart("ab&"));
    EXPECT_FALSE(HasRefStart("a&b#"));
    EXPECT_EQ(EndsWithLeadByte(FromHex("41 c4e3 b0")), 1u);
    EXPECT_EQ(EndsWithLeadByte(FromHex("b0 41")), 0u); // 41 is the trail byte
    EXPECT_EQ(EndsWithLeadByte(""), 0u);
    // 0xFF leads no character in code pages 936 and 950.
    EXPECT_EQ(EndsWithLeadByte(FromHex("ff b0")), 1u);
    EXPECT_EQ(EndsWithLeadByte(FromHex("b0 ff")), 0u);
    // Pairing from the start and from the last byte that leads nothing always agree.
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 12, '\0');
        for (char& c : text)
            c = static_cast<char>(random() % 4 == 0 ? (random() % 2 ? 0x41 : 0xFF)
                                                    : 0xB0 + random() % 8);
        std::size_t i = 0;
        while (i < text.size()) {
            const auto b = static_cast<unsigned char>(text[i]);
            i += b >= 0x81 && b <= 0xFE ? 2 : 1;
        }
        EXPECT_EQ(EndsWithLeadByte(text), i > text.size() ? 1u : 0u) << ToHex(text);
    }
}

TEST_F(ConvertStreamTest, ABlockBoundaryDoesNotChangeHowBytesPair) {
    // FF B0 C4 E3: 0xFF stands alone, so B0 pairs with C4 whether or not a block
    // ends after B0.
    Bytes whole = FromHex("ff b0 c4 e3");
    ConvertStream(whole, GBK, UTF8, FaceD, false, false);
    MoreBlocksFollow = true;
    Bytes first = FromHex("ff b0");
    const std::size_t carry = ConvertStream(first, GBK, UTF8, FaceD, false, false);
    EXPECT_EQ(carry, 1u);
    MoreBlocksFollow = false;
    Bytes second = FromHex("b0 c4 e3").substr(1 - carry);
    ConvertStream(second, GBK, UTF8, FaceD, false, false);
    EXPECT_EQ(first + second, whole);
}

} // namespace
} // namespace tessarim
