#include "app/MasksEx.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>

namespace tessarim {
namespace {

bool Match(std::string_view mask, std::string_view text) {
    return TMaskEx(mask).Matches(text);
}

TEST(MasksEx, FaultyMasksRaiseError) {
    const std::string sixteenSegments = "a?a?a?a?a?a?a?a?";
    for (const std::string& mask : {sixteenSegments, std::string("a?a?a?a?a?a?a?a*"),
                                    std::string("[abc]"), std::string("[a-c"), std::string("[!a-]"),
                                    std::string("(abc"), std::string("x!"), std::string("x#")}) {
        try {
            TMaskEx compiled(mask);
            ADD_FAILURE() << "compiled: " << mask;
        } catch (const EMaskError& error) {
            EXPECT_STREQ(error.what(), "Error") << mask;
        }
    }
    // Fifteen segments fit, and a literal run is one segment however long.
    EXPECT_NO_THROW(TMaskEx("a?a?a?a?a?a?a?a"));
    EXPECT_NO_THROW(TMaskEx("??????????????" + std::string(40, 'x')));
}

// The mask matches every text of the first list and none of the second.
void Check(std::string_view mask, std::initializer_list<std::string_view> matching,
           std::initializer_list<std::string_view> others) {
    const TMaskEx compiled(mask);
    for (std::string_view text : matching)
        EXPECT_TRUE(compiled.Matches(text)) << mask << " on " << text;
    for (std::string_view text : others)
        EXPECT_FALSE(compiled.Matches(text)) << mask << " on " << text;
}

TEST(MasksEx, LiteralsAndOneCharacterSegments) {
    Check("abc", {"abc"}, {"ab", "ABC"});
    Check("ab??", {"ab", "abc", "abcd"}, {"a"}); // "?" at the end of the text takes nothing
    Check("[a-c]x", {"bx"}, {"Bx", "dx", ""});
    Check("[!a-c]x", {"dx"}, {"ax", ""});
    Check("(xyz)", {"y"}, {"a", ""});
    Check("(!xyz)", {"a"}, {"z", ""});
    Check("!ab", {"xb"}, {"ab", ""});
    Check("[!a-z]", {"\xE4\xB8\xAD"}, {"q"}); // byte values: UTF-8 bytes lie above ASCII
    Check("#?#[#(#!##", {"?[(!#"}, {"x[(!#"});
    Check("a-b])", {"a-b])"}, {"a"}); // group characters are ordinary outside groups
    Check("(*?)", {"?", "*"}, {"x"});
}

TEST(MasksEx, StarsAndTheEndOfTheMask) {
    Check("*", {"", "anything"}, {});
    Check("*b", {"aab"}, {"aaa"});
    Check("*.jp*g", {"photo.jpeg", "photo.jpg"}, {"photo.png"});
    Check("*.r*m", {"clip.ram", "clip.rm"}, {"a.rtf"});
    // Reaching the end of the mask matches whatever text is left.
    Check("*.htm", {"x.html"}, {"x.ht"});
    Check("*.doc", {"a.doc", "a.docx", "a.doc.txt"}, {"a.do"});
    // The empty mask matches only the empty text.
    Check("", {""}, {"a.txt"});
}

TEST(MasksEx, ManyStarsOnLongTextsFinishQuickly) {
    const std::string mask = "*a*a*a*a*a*a*b"; // 14 segments
    const std::string text(20000, 'a');
    EXPECT_FALSE(Match(mask, text));
    EXPECT_TRUE(Match(mask, text + "bc"));
    EXPECT_FALSE(Match("*a?*b(ab)*c", text + "b"));
}

// The matching rules by plain backtracking: exponential, but plainly right.
bool SlowMatch(const std::string& mask, std::size_t m, const std::string& text, std::size_t t) {
    for (; m < mask.size(); ++m) {
        if (mask[m] == '*') {
            if (t == text.size()) return SlowMatch(mask, m + 1, text, t);
            for (std::size_t start = t; start < text.size(); ++start)
                if (SlowMatch(mask, m + 1, text, start)) return true;
            return false;
        }
        if (mask[m] == '?')
            t += t < text.size() ? 1 : 0;
        else if (t < text.size() && text[t] == mask[m])
            ++t;
        else
            return false;
    }
    return true;
}

TEST(MasksEx, AgreesWithPlainBacktracking) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 20000; ++round) {
        std::string mask;
        std::string text;
        for (int i = 0, n = 1 + static_cast<int>(random() % 8); i < n; ++i)
            mask += "ab*?"[random() % 4];
        for (int i = 0, n = static_cast<int>(random() % 10); i < n; ++i)
            text += "ab"[random() % 2];
        EXPECT_EQ(Match(mask, text), SlowMatch(mask, 0, text, 0)) << mask << " on " << text;
    }
}

} // namespace
} // namespace tessarim
