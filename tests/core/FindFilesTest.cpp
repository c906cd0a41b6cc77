#include "core/FindFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace tessarim {
namespace {

TEST(FindFiles, WildcardsMatchWholeNamesIgnoringCase) {
    EXPECT_TRUE(HasWildcards("*.txt") && HasWildcards("a?.txt"));
    EXPECT_FALSE(HasWildcards("/data/[a].txt") || HasWildcards(""));
    // "?" is one character, as the shell sees it in a UTF-8 locale.
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"*.txt", "a.txt", true},   {"*.txt", ".txt", true},     {"*.txt", "Zeta.TXT", true},
        {"*.doc", "a.docx", false}, {"a*b*c", "aXbYbZc", true},  {"a*b*c", "aXbYbZ", false},
        {"??", "ab", true},         {"??", "a", false},          {"??", "abc", false},
        {"?.txt", "中.txt", true},  {"??.txt", "中.txt", false}, {"*文?", "中文字", true}};
    for (const auto& [pattern, name, matches] : cases)
        EXPECT_EQ(MatchesWildcard(pattern, name), matches) << pattern << " on " << name;
    EXPECT_FALSE(MatchesWildcard(std::string(30, '*') + "b", std::string(5000, 'a')));
}

} // namespace
} // namespace tessarim
