#include "core/MasksEx.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>

namespace tessarim {
namespace {

TEST(MasksEx, FaultyMasksRaiseError) {
    for (const std::string mask :
         {"a?a?a?a?a?a?a?a?", "a?a?a?a?a?a?a?a*", "[abc]", "[a-c", "[!a-]", "(abc", "x!", "x#"}) {
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

TEST(MasksEx, Matches) {
    Check("abc", {"abc"}, {"ab", "ABC"});
    Check("ab??", {"abcd"}, {"a", "ab", "abc", "abcde"}); // "?" is exactly one character
    Check("[a-c]x", {"bx"}, {"Bx", "dx", ""});
    Check("[!a-c]x", {"dx"}, {"ax", ""});
    Check("(xyz)", {"y"}, {"a", ""});
    Check("(!xyz)", {"a"}, {"z", ""});
    Check("!ab", {"xb"}, {"ab", ""});
    Check("#?#[#(#!##", {"?[(!#"}, {"x[(!#"});
    Check("a-b])", {"a-b])"}, {"a"}); // group characters are ordinary outside groups
    Check("*", {"", "anything"}, {});
    Check("*.jp*g", {"photo.jpeg", "photo.jpg"}, {"photo.png"});
    // A mask matches the whole name, as a shell glob does: the default Ignore
    // list's "*.com", "*.au" and "*.exe" must not take these text files.
    Check("*.doc", {"a.doc", "b.c.doc"}, {"a.docx", "a.doc.txt", "a.do"});
    Check("*.com", {"cmd.com"}, {"www.sina.com.cn.txt"});
    Check("*.au", {"a.au"}, {"notes.audit.txt"});
    Check("*.exe", {"setup.exe"}, {"setup.exe.txt"});
    // Many stars on a long text finish quickly.
    const std::string text(20000, 'a');
    Check("*a*a*a*a*a*a*b", {text + "b"}, {text, text + "bc"});
    Check("*a?*b(ab)*c", {}, {text + "b"});
}

// The matching rules by plain backtracking: exponential, but plainly right.
bool SlowMatch(std::string_view mask, std::string_view text) {
    if (mask.empty()) return text.empty();
    const std::string_view rest = mask.substr(1);
    if (mask[0] == '*') {
        for (std::size_t start = 0; start <= text.size(); ++start)
            if (SlowMatch(rest, text.substr(start))) return true;
        return false;
    }
    if (mask[0] == '?') return !text.empty() && SlowMatch(rest, text.substr(1));
    return !text.empty() && text[0] == mask[0] && SlowMatch(rest, text.substr(1));
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
        EXPECT_EQ(TMaskEx(mask).Matches(text), SlowMatch(mask, text)) << mask << " on " << text;
    }
}

} // namespace
} // namespace tessarim
