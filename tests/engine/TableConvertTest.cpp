#include "engine/TableConvert.h"

#include "engine/CodeTables.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::FromHex;
using test::ToHex;

class TableConvertTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { LoadCodeTables(); }

    static std::pair<std::string, int> Convert(std::string_view hex, Direction direction) {
        Bytes text = FromHex(hex);
        const int truncated = StreamConvert(text, direction);
        return {ToHex(text), truncated};
    }
};

TEST_F(TableConvertTest, ConvertsDoubleByteCharactersAndLeavesAsciiAlone) {
    EXPECT_EQ(Convert("", GbToBig5), std::make_pair(std::string(), 0));
    EXPECT_EQ(Convert("4142 c4e3", GbToBig5), std::make_pair(std::string("4142a741"), 0)); // AB你
    EXPECT_EQ(Convert("ced2c3c7", GbToBig5).first, "a7daadcc"); // 我们 -> 我們
    EXPECT_EQ(Convert("a7daadcc", Big5ToGb).first, "ced2c3c7");
    EXPECT_EQ(Convert("80 41", GbToBig5).first, "8041"); // 0x80 is a single byte
}

TEST_F(TableConvertTest, TrailingLeadByteIsRemovedAndReported) {
    EXPECT_EQ(Convert("c4e3 b0", GbToBig5), std::make_pair(std::string("a741"), 1));
    EXPECT_EQ(Convert("c4e3 41", GbToBig5), std::make_pair(std::string("a74141"), 0));
    EXPECT_EQ(Convert("b0", Big5ToGb), std::make_pair(std::string(), 1));
}

TEST_F(TableConvertTest, LeadByteTakesWhateverFollowsIt) {
    // A lead byte before a line feed forms a pair: both become the white square.
    EXPECT_EQ(Convert("81 0a 41", GbToBig5).first, "a1bc41");
    // Big5 has no lead bytes 0x81..0xA0: the pair becomes GBK's white square.
    EXPECT_EQ(Convert("8140", Big5ToGb).first, "a1f5");
    EXPECT_EQ(Convert("fe41 fa40", Big5ToGb).first, "a1f5a1f5");
}

} // namespace
} // namespace tessarim
