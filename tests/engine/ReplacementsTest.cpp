#include "engine/Replacements.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace tessarim {
namespace {

using namespace std::string_literals;

// Pairs a double-byte text the slow, obvious way: a lead byte takes the next
// byte whatever it is.
std::size_t PairedMarks(const std::string& text, unsigned square) {
    std::size_t marks = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<std::uint8_t>(text[i]);
        if (byte >= 0x81 && byte <= 0xFE && i + 1 < text.size()) {
            marks +=
                static_cast<unsigned>(byte << 8 | static_cast<std::uint8_t>(text[i + 1])) == square;
            i += 2;
        } else {
            marks += text[i] == '?';
            ++i;
        }
    }
    return marks;
}

TEST(ReplacementMarks, DoubleByteMarksCountOnlyWhereACharacterBegins) {
    // GBK's square is A1 F5; Big5's is A1 BC.
    EXPECT_EQ(CountReplacementMarks("a?b\xA1\xF5"s, GBK), 2U);
    EXPECT_EQ(CountReplacementMarks("\xB0\xA1\xF5\xB0"s, GBK), 0U); // A1 is a trail byte here
    EXPECT_EQ(CountReplacementMarks("\xB0\xA1\xA1\xF5"s, GBK), 1U);
    EXPECT_EQ(CountReplacementMarks("\xA4\xA4\xA1\xBC?"s, BIG5), 2U);
    EXPECT_EQ(CountReplacementMarks("\x81?x?"s, GBK), 1U); // the first "?" is a trail byte
    EXPECT_EQ(CountReplacementMarks("\xA1"s, GBK), 0U);    // a lone lead byte at the end
    EXPECT_EQ(CountReplacementMarks("?"s, BIG5), 1U);
    EXPECT_EQ(CountReplacementMarks(""s, GBK), 0U);
}

TEST(ReplacementMarks, LongRunsAndRandomTextPairLikeTheCodePage) {
    // A run of squares and lead bytes longer than any chunk, shifted by one
    // byte, and random bytes dense in lead bytes, "?" and square halves.
    std::string run;
    for (int i = 0; i < 1000; ++i)
        run += "\xA1\xF5\xA1\x3F"s;
    for (const std::string& text : {run, "\xB0"s + run, "x"s + run})
        EXPECT_EQ(CountReplacementMarks(text, GBK), PairedMarks(text, 0xA1F5));

    std::mt19937 random(7);
    const std::string alphabet = "\xA1\xF5\xBC?a\xB0\xFF\x81"s;
    for (int round = 0; round < 300; ++round) {
        std::string text(std::uniform_int_distribution<std::size_t>(0, 700)(random), ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        ASSERT_EQ(CountReplacementMarks(text, GBK), PairedMarks(text, 0xA1F5)) << round;
        ASSERT_EQ(CountReplacementMarks(text, BIG5), PairedMarks(text, 0xA1BC)) << round;
    }
}

TEST(ReplacementMarks, OneMarkAnywhereInLongPlainText) {
    // Long stretches without a mark are passed over a window at a time; a mark,
    // or a lead byte whose trail is "?", must count wherever it falls against
    // those windows, at their edges too.
    std::string pairs;
    for (int i = 0; i < 100; ++i)
        pairs += "\xB0\xA1"s;
    for (const std::string& plain : {pairs, "x"s + pairs}) {
        for (const std::string& mark : {"?"s, "\xB0?"s, "\xA1\xF5"s, "\xA1\xBC"s}) {
            for (std::size_t at = 0; at + mark.size() <= plain.size(); ++at) {
                std::string text = plain;
                text.replace(at, mark.size(), mark);
                ASSERT_EQ(CountReplacementMarks(text, GBK), PairedMarks(text, 0xA1F5)) << at;
                ASSERT_EQ(CountReplacementMarks(text, BIG5), PairedMarks(text, 0xA1BC)) << at;
            }
        }
    }
}

TEST(ReplacementMarks, UnicodeMarks) {
    EXPECT_EQ(CountReplacementMarks("?\xE2\x96\xA1\xEF\xBF\xBDx\xEF\xBC\x8C"s, UTF8), 3U);
    EXPECT_EQ(CountReplacementMarks("?\0\xA1\x25\xFD\xFF\x3F"s, ULE),
              3U); // the odd last byte is no unit
    EXPECT_EQ(CountReplacementMarks("\0?\x25\xA1\xFF\xFD\x3F\0"s, UBE), 3U);
}

} // namespace
} // namespace tessarim
