#include "engine/CodeTables.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::FromHex;

DbcsCode ToBig5(DbcsCode gbk) {
    return GbToBig5Table()[gbk - 0x8000];
}
DbcsCode ToGbk(DbcsCode big5) {
    return Big5ToGbTable()[big5 - 0x8000];
}
bool Load(const std::string& hex) {
    const std::string text = FromHex(hex);
    return LoadCodeTables({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

class CodeTablesTest : public ::testing::Test {
protected:
    void TearDown() override { LoadCodeTables(); }
};

TEST_F(CodeTablesTest, BuiltInTableResolvesCodesListedSeveralTimes) {
    ASSERT_TRUE(LoadCodeTables());
    // GBK to Big5 takes the first code of a line: 后 -> 後, 干 -> 干. Big5 back to
    // GBK takes the last line listing it, the Simplified one: 國 -> 国, 幹 -> 干.
    const std::pair<DbcsCode, DbcsCode> toBig5[] = {
        {0xBAF3, 0xABE1},          {0xB8C9, 0xA47A},          {0xA3AE, 0xA144},
        {0x8140, Big5WhiteSquare}, {0x8130, Big5WhiteSquare}, {0xFF41, Big5WhiteSquare}};
    const std::pair<DbcsCode, DbcsCode> toGbk[] = {
        {0xB0EA, 0xB9FA},        {0xA65A, 0xBAF3},       {0xBE76, 0xB7A2},
        {0xB746, 0xB8C9},        {0xA145, 0xA3AE},       {0xA3E1, GbWhiteSquare},
        {0x8140, GbWhiteSquare}, {0xFA40, GbWhiteSquare}};
    for (const auto& [from, to] : toBig5)
        EXPECT_EQ(ToBig5(from), to) << std::hex << from;
    for (const auto& [from, to] : toGbk)
        EXPECT_EQ(ToGbk(from), to) << std::hex << from;
}

TEST_F(CodeTablesTest, LaterLinesWinAndAnInvalidCodeStopsLoading) {
    // Line 0: GBK B0A1 -> A440 A441 A442; line 1 lists A441 again for B0A2.
    ASSERT_TRUE(Load("b0a1 a440 a441 a442 0a  b0a2 a441 0d0a  b0a3 a443 0d  b0a1 a444 0a"));
    EXPECT_EQ(ToBig5(0xB0A1), 0xA444); // first code of the last line for B0A1
    EXPECT_EQ(ToGbk(0xA440), 0xB0A1);
    EXPECT_EQ(ToGbk(0xA441), 0xB0A2);
    EXPECT_EQ(ToGbk(0xA442), 0xB0A1);
    EXPECT_EQ(ToBig5(0xB0A3), 0xA443); // after a lone CR line end
    EXPECT_EQ(ToBig5(0xB0A4), Big5WhiteSquare);

    test::CapturedMessages messages;
    EXPECT_FALSE(Load("b0a1 a440 0a  b0a2 c6a0 9999 0a  b0a3 a443 0a"));
    EXPECT_EQ(ToBig5(0xB0A1), 0xA440);
    EXPECT_EQ(ToGbk(0xC6A0), 0xB0A2); // set before the bad code on the same line
    EXPECT_EQ(ToBig5(0xB0A2), Big5WhiteSquare);
    EXPECT_EQ(ToBig5(0xB0A3), Big5WhiteSquare);
    EXPECT_FALSE(Load("b0a1 a440 0a  4142 a441 0a"));
    EXPECT_EQ(messages.texts(), "Invalid Big5 code in line 1|Invalid GBK code in line 1");
    EXPECT_EQ(messages.messages().back().first, MessageKind::Warning);
}

TEST(CodeValidity, RangeAndTrailByteRules) {
    struct Case {
        unsigned code;
        bool gb2312, gbk, big5;
    };
    const Case cases[] = {
        {0xA1A0, false, true, true},   {0xA1A1, true, true, true},    {0xF7FE, true, true, true},
        {0xF8A1, false, true, true},   {0x817F, false, true, false},  {0x8140, false, true, false},
        {0x813F, false, false, false}, {0xFEFF, false, false, false}, {0xA17F, false, true, true},
        {0xF9FF, false, true, false},  {0xA13F, false, false, false}};
    for (const auto& [code, gb2312, gbk, big5] : cases) {
        EXPECT_EQ(IsGbCode(code, GB2312), gb2312) << std::hex << code;
        EXPECT_EQ(IsGbCode(code, GBKKind), gbk) << std::hex << code;
        EXPECT_EQ(IsBig5Code(code), big5) << std::hex << code;
    }
    EXPECT_FALSE(IsGbCode(0xB0A1, static_cast<GbKind>(2)));
}

} // namespace
} // namespace tessarim
