#include "engine/TableConvert.h"

#include "engine/CodeTables.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::FromHex;
using test::ToHex;

// A byte of 0x81 or more takes whatever follows it, even a line feed; an
// unpaired last lead byte is removed and reported.
TEST(TableConvert, PairsBytesAsTheTableRoadDoes) {
    LoadCodeTables();
    struct Case {
        Direction direction;
        std::string in, out;
        int truncated;
    };
    const Case cases[] = {{GbToBig5, "", "", 0},
                          {GbToBig5, "4142 c4e3 80 41", "4142a7418041", 0},
                          {GbToBig5, "c4e3 b0", "a741", 1},
                          {GbToBig5, "81 0a 41", "a1bc41", 0},
                          {Big5ToGb, "a7daadcc 8140 fe41 b0", "ced2c3c7a1f5a1f5", 1}};
    for (const auto& [direction, in, out, truncated] : cases) {
        Bytes text = FromHex(in);
        EXPECT_EQ(StreamConvert(text, direction), truncated) << in;
        EXPECT_EQ(ToHex(text), out);
    }
}

} // namespace
} // namespace tessarim
