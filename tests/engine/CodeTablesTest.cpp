#include "engine/CodeTables.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::CapturedMessages;
using test::FromHex;

std::span<const std::uint8_t> Span(const std::string& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

DbcsCode ToBig5(DbcsCode gbk) {
    return GbToBig5Table()[gbk - 0x8000];
}
DbcsCode ToGbk(DbcsCode big5) {
    return Big5ToGbTable()[big5 - 0x8000];
}

class CodeTablesTest : public ::testing::Test {
protected:
    void TearDown() override { LoadCodeTables(); }
};

TEST_F(CodeTablesTest, BuiltInTableHoldsTheKnownCorrespondences) {
    ASSERT_TRUE(LoadCodeTables());
    EXPECT_EQ(ToBig5(0xC3C7), 0xADCC); // 们 -> 們
    EXPECT_EQ(ToBig5(0xBAF3), 0xABE1); // 后 -> 後 (后 listed second)
    EXPECT_EQ(ToBig5(0xB7A2), 0xB56F); // 发 -> 發
    EXPECT_EQ(ToBig5(0xB8C9), 0xA47A); // 干 keeps its glyph
    EXPECT_EQ(ToBig5(0xA3AE), 0xA144); // ．
    EXPECT_EQ(ToBig5(0xC4E3), 0xA741); // 你
    // Back to Simplified: the Simplified line is the last to list these codes.
    EXPECT_EQ(ToGbk(0xADCC), 0xC3C7); // 們 -> 们
    EXPECT_EQ(ToGbk(0xB0EA), 0xB9FA); // 國 -> 国
    EXPECT_EQ(ToGbk(0xA65A), 0xBAF3); // 后 -> 后
    EXPECT_EQ(ToGbk(0xBE76), 0xB7A2); // 髮 -> 发
    EXPECT_EQ(ToGbk(0xB746), 0xB8C9); // 幹 -> 干
    EXPECT_EQ(ToGbk(0xA145), 0xA3AE); // ‧ -> ．
}

TEST_F(CodeTablesTest, UnlistedAndOutOfRangeCodesGiveTheWhiteSquare) {
    ASSERT_TRUE(LoadCodeTables());
    EXPECT_EQ(ToBig5(0x8140), Big5WhiteSquare); // 丂 has no Big5 form
    EXPECT_EQ(ToBig5(0x8130), Big5WhiteSquare); // trail byte below 0x40
    EXPECT_EQ(ToBig5(0xFF41), Big5WhiteSquare);
    EXPECT_EQ(ToGbk(0xA3E1), GbWhiteSquare); // €, which GBK lacks
    EXPECT_EQ(ToGbk(0x8140), GbWhiteSquare); // below the Big5 range
    EXPECT_EQ(ToGbk(0xFA40), GbWhiteSquare);
}

TEST_F(CodeTablesTest, LaterLinesWinAndEveryCodeOfALineMapsBack) {
    // Line 0: GBK B0A1 -> A440 A441 A442; line 1 lists A441 again for B0A2.
    const std::string text =
        FromHex("b0a1 a440 a441 a442 0a  b0a2 a441 0d0a  b0a3 a443 0d  b0a1 a444 0a");
    ASSERT_TRUE(LoadCodeTables(Span(text)));
    EXPECT_EQ(ToBig5(0xB0A1), 0xA444); // first code of the last line for B0A1
    EXPECT_EQ(ToGbk(0xA440), 0xB0A1);
    EXPECT_EQ(ToGbk(0xA441), 0xB0A2);
    EXPECT_EQ(ToGbk(0xA442), 0xB0A1);
    EXPECT_EQ(ToBig5(0xB0A3), 0xA443); // after a lone CR line end
    EXPECT_EQ(ToBig5(0xB0A4), Big5WhiteSquare);
}

TEST_F(CodeTablesTest, InvalidCodeStopsLoadingAndKeepsEarlierLines) {
    const std::string badBig5 = FromHex("b0a1 a440 0a  b0a2 c6a0 9999 0a  b0a3 a443 0a");
    CapturedMessages messages;
    EXPECT_FALSE(LoadCodeTables(Span(badBig5)));
    EXPECT_EQ(messages.texts(), "Invalid Big5 code in line 1");
    EXPECT_EQ(ToBig5(0xB0A1), 0xA440);
    EXPECT_EQ(ToGbk(0xC6A0), 0xB0A2); // set before the bad code on the same line
    EXPECT_EQ(ToBig5(0xB0A2), Big5WhiteSquare);
    EXPECT_EQ(ToBig5(0xB0A3), Big5WhiteSquare);

    const std::string badGbk = FromHex("b0a1 a440 0a  4142 a441 0a");
    EXPECT_FALSE(LoadCodeTables(Span(badGbk)));
    EXPECT_EQ(messages.messages().back().second, "Invalid GBK code in line 1");
    EXPECT_EQ(messages.messages().back().first, MessageKind::Warning);
}

TEST(CodeValidity, RangeAndTrailByteRules) {
    EXPECT_FALSE(IsGbCode(0xA1A0, GB2312));
    EXPECT_TRUE(IsGbCode(0xA1A1, GB2312));
    EXPECT_TRUE(IsGbCode(0xF7FE, GB2312));
    EXPECT_FALSE(IsGbCode(0xF8A1, GB2312));
    EXPECT_TRUE(IsGbCode(0x817F, GBKKind));
    EXPECT_TRUE(IsGbCode(0x8140, GBKKind));
    EXPECT_FALSE(IsGbCode(0x813F, GBKKind));
    EXPECT_FALSE(IsGbCode(0xFEFF, GBKKind));
    EXPECT_FALSE(IsGbCode(0xB0A1, static_cast<GbKind>(2)));
    EXPECT_TRUE(IsBig5Code(0xA140));
    EXPECT_TRUE(IsBig5Code(0xA17F));
    EXPECT_FALSE(IsBig5Code(0xF9FF));
    EXPECT_FALSE(IsBig5Code(0xA13F));
}

} // namespace
} // namespace tessarim
