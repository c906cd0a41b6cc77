#include "engine/FixTableSearch.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace tessarim {
namespace {

// The rule the search stands in for: the first key in list order that the
// text begins with.
std::int32_t LinearFirstMatch(const std::vector<std::string_view>& keys, std::int32_t first,
                              std::int32_t last, std::string_view text) {
    for (std::int32_t k = first; k <= last; ++k)
        if (text.starts_with(keys[static_cast<std::size_t>(k)])) return k;
    return PrefixSearch::NoMatch;
}

TEST(PrefixSearch, FindsTheFirstMatchInListOrderNotTheLongest) {
    const std::vector<std::string> owned = {"ab", "abcd", "abc", "b", "ab", "a\xFF", "a"};
    const std::vector<std::string_view> keys(owned.begin(), owned.end());
    PrefixSearch search;
    const std::uint32_t group = search.AddGroup(keys, 0, 6);
    EXPECT_EQ(search.FirstMatch(group, "abcdef"), 0); // "ab" stands before the longer keys
    EXPECT_EQ(search.FirstMatch(group, "a\xFFz"), 5);
    EXPECT_EQ(search.FirstMatch(group, "ax"), 6);
    EXPECT_EQ(search.FirstMatch(group, "a"), 6);
    EXPECT_EQ(search.FirstMatch(group, ""), PrefixSearch::NoMatch);
    EXPECT_EQ(search.FirstMatch(group, "c"), PrefixSearch::NoMatch);
    // A group sees only its own entries.
    const std::uint32_t tail = search.AddGroup(keys, 2, 3);
    EXPECT_EQ(search.FirstMatch(tail, "abcdef"), 2);
    EXPECT_EQ(search.FirstMatch(tail, "ab"), PrefixSearch::NoMatch);
}

// Keys from a three-letter alphabet (one of them above 0x7F) share prefixes,
// repeat and nest in every way; the texts are drawn the same way.
TEST(PrefixSearch, AgreesWithALinearScanOnRandomTables) {
    std::mt19937 random(20240607);
    const char alphabet[] = {'a', 'b', '\xC8'};
    const auto word = [&](int maxLength) {
        std::string w(std::uniform_int_distribution<int>(0, maxLength)(random), 'a');
        for (char& c : w)
            c = alphabet[std::uniform_int_distribution<int>(0, 2)(random)];
        return w;
    };
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> owned;
        const int count = std::uniform_int_distribution<int>(1, 60)(random);
        while (static_cast<int>(owned.size()) < count)
            if (std::string key = word(5); !key.empty()) owned.push_back(key);
        const std::vector<std::string_view> keys(owned.begin(), owned.end());
        PrefixSearch search;
        const int first = std::uniform_int_distribution<int>(0, count - 1)(random);
        const int last = std::uniform_int_distribution<int>(first, count - 1)(random);
        const std::uint32_t group = search.AddGroup(keys, first, last);
        for (int probe = 0; probe < 100; ++probe) {
            const std::string text = word(7);
            ASSERT_EQ(search.FirstMatch(group, text), LinearFirstMatch(keys, first, last, text))
                << "round " << round << ", text " << text;
        }
    }
}

} // namespace
} // namespace tessarim
