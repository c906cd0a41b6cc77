#include "engine/CodeTables.h"

#include "data/EmbeddedData.h"
#include "engine/TableConvert.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace tessarim {
namespace {

using test::FromHex;

class CodeTablesTest : public ::testing::Test {
protected:
    CodeTableSet tables;
    DbcsCode ToBig5(DbcsCode gbk) const { return tables.gbToBig5[gbk - 0x8000]; }
    DbcsCode ToGbk(DbcsCode big5) const { return tables.big5ToGb[big5 - 0x8000]; }
    // The error, empty when the text was read to its end.
    std::string Load(const std::string& hex) {
        const std::string text = FromHex(hex);
        return ParseCodeTables({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()},
                               tables);
    }
};

TEST_F(CodeTablesTest, LaterLinesWinAndAnInvalidCodeStopsLoading) {
    // Line 0: GBK B0A1 -> A440 A441 A442; line 1 lists A441 again for B0A2.
    ASSERT_EQ(Load("b0a1 a440 a441 a442 0a  b0a2 a441 0d0a  b0a3 a443 0d  b0a1 a444 0a"), "");
    EXPECT_EQ(ToBig5(0xB0A1), 0xA444); // first code of the last line for B0A1
    EXPECT_EQ(ToGbk(0xA440), 0xB0A1);
    EXPECT_EQ(ToGbk(0xA441), 0xB0A2);
    EXPECT_EQ(ToGbk(0xA442), 0xB0A1);
    EXPECT_EQ(ToBig5(0xB0A3), 0xA443); // after a lone CR line end
    EXPECT_EQ(ToBig5(0xB0A4), Big5WhiteSquare);

    EXPECT_EQ(Load("b0a1 a440 0a  b0a2 c6a0 9999 0a  b0a3 a443 0a"), "Invalid Big5 code in line 1");
    EXPECT_EQ(ToBig5(0xB0A1), 0xA440);
    EXPECT_EQ(ToGbk(0xC6A0), 0xB0A2); // set before the bad code on the same line
    EXPECT_EQ(ToBig5(0xB0A2), Big5WhiteSquare);
    EXPECT_EQ(ToBig5(0xB0A3), Big5WhiteSquare);
    EXPECT_EQ(Load("b0a1 a440 0a  4142 a441 0a"), "Invalid GBK code in line 1");
    // The built-in text reads to its end, to the tables compiled in.
    EXPECT_EQ(ParseCodeTables(data::StrTbl(), tables), "");
    EXPECT_TRUE(tables.gbToBig5 == GbToBig5Table());
    EXPECT_TRUE(tables.big5ToGb == Big5ToGbTable());
}

// The table road on the built-in tables: a byte of 0x81 or more takes whatever
// follows it, even a line feed; an unpaired last lead byte is removed and
// reported. 國 (B0EA), listed by six lines, maps back to 国; what a table lacks
// (€ in GBK, codes beyond the table's range) becomes the white square.
TEST(TableConvert, PairsBytesAsTheTableRoadDoes) {
    const std::tuple<Direction, std::string, std::string, int> cases[] = {
        {GbToBig5, "", "", 0},
        {GbToBig5, "4142 c4e3 80 41", "4142a7418041", 0},
        {GbToBig5, "c4e3 b0", "a741", 1},
        {GbToBig5, "81 0a 41", "a1bc41", 0},
        {Big5ToGb, "a7daadcc b0ea a3e1 8140 fe41 b0", "ced2c3c7b9faa1f5a1f5a1f5", 1}};
    for (const auto& [direction, in, out, truncated] : cases) {
        Bytes text = FromHex(in);
        EXPECT_EQ(StreamConvert(text, direction), truncated) << in;
        EXPECT_EQ(test::ToHex(text), out);
    }
}

// Text that mixes single bytes with double-byte characters, at every
// alignment, pairs as one character after another would.
TEST(TableConvert, MixedTextPairsLikeOneCharacterAfterAnother) {
    std::mt19937 random(11);
    const std::string alphabet = "\x81\xA4\x40\x0A a\xFF\x80\xB0\xEA\xC4\xE3";
    for (int round = 0; round < 400; ++round) {
        std::string text(std::uniform_int_distribution<std::size_t>(0, 120)(random), ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        for (const Direction direction : {GbToBig5, Big5ToGb}) {
            const auto& table = direction == GbToBig5 ? GbToBig5Table() : Big5ToGbTable();
            std::string expected;
            int truncated = 0;
            for (std::size_t i = 0; i < text.size();) {
                const auto lead = static_cast<std::uint8_t>(text[i]);
                if (lead < 0x81) {
                    expected += text[i++];
                } else if (i + 1 < text.size()) {
                    const auto code =
                        static_cast<DbcsCode>(lead << 8 | static_cast<std::uint8_t>(text[i + 1]));
                    for (const std::uint8_t byte : CodeToBytes(table[code - 0x8000u]))
                        expected += static_cast<char>(byte);
                    i += 2;
                } else {
                    truncated = 1;
                    ++i;
                }
            }
            Bytes converted = text;
            ASSERT_EQ(StreamConvert(converted, direction), truncated) << round;
            ASSERT_EQ(test::ToHex(converted), test::ToHex(expected)) << round;
        }
    }
}

// Every code with a lead byte of 0x81 or more, whatever its second byte, in a
// long run of characters, in runs of four between single bytes and alone
// between them, converts to its table entry: the loops that take sixteen,
// eight and two bytes at once read the tables as the table says.
TEST(TableConvert, EveryCodeConvertsToItsEntryInRunsOfEveryLength) {
    for (const Direction direction : {GbToBig5, Big5ToGb}) {
        const auto& table = direction == GbToBig5 ? GbToBig5Table() : Big5ToGbTable();
        for (const std::size_t run : {std::size_t{0}, std::size_t{4}, std::size_t{1}}) {
            std::string text, expected;
            std::size_t inRun = 0;
            for (unsigned code = 0x8100; code <= 0xFEFF; ++code) {
                text += static_cast<char>(code >> 8);
                text += static_cast<char>(code & 0xFF);
                for (const std::uint8_t byte : CodeToBytes(table[code - 0x8000u]))
                    expected += static_cast<char>(byte);
                if (run != 0 && ++inRun == run) {
                    text += 'a';
                    expected += 'a';
                    inRun = 0;
                }
            }
            ASSERT_EQ(StreamConvert(text, direction), 0);
            EXPECT_TRUE(text == expected)
                << (direction == GbToBig5 ? "GBK to Big5" : "Big5 to GBK") << ", runs of " << run;
        }
    }
}

} // namespace
} // namespace tessarim
