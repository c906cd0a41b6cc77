// The program itself, run in a settings folder of its own: the correction
// tables it needs are written there on the first run and make its output
// phrase-correct; a table the user has edited is used and kept.
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tessarim {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

// 他开头发言，她的头发很长。这里的面条 in GBK, and its Traditional form in Big5.
const std::string SimplifiedGbk =
    test::FromHex("cbfbbfaacdb7b7a2d1d4a3accbfdb5c4cdb7b7a2badcb3a4a1a3d5e2c0efb5c4c3e6ccf5");
const std::string TraditionalBig5 =
    test::FromHex("a54cb67dc059b56fa8a5a141a66faabac059be76abdcaaf8a143b36fb8ccaabac4d1b1f8");
// The character tables alone: 頭發 for hair and 面 for noodles.
const std::string CharacterTablesBig5 =
    test::FromHex("a54cb67dc059b56fa8a5a141a66faabac059b56fabdcaaf8a143b36fb8ccaabaadb1b1f8");

class CommandLineTablesTest : public ::testing::Test {
protected:
    // Runs the program with the given switches on input -> output; the exit status.
    int Run(const std::string& switches, const std::string& input, const std::string& output) {
        const test::ScopedEnv home("TESSARIM_HOME", home_.Dir().c_str());
        const std::string command = std::string(TESSARIM_BINARY_DIR "/tessarim ") + switches +
                                    " '" + input + "' '" + output + "' 2>'" + work_.File("stderr") +
                                    "'";
        return std::system(command.c_str());
    }
    std::string Messages() const { return ReadFile(work_.File("stderr")); }

    test::TempFolder home_;
    test::TempFolder work_;
};

TEST_F(CommandLineTablesTest, FirstRunWritesTheTableItNeedsAndConvertsPhrases) {
    const std::string gbk = work_.File("in.txt");
    const std::string big5 = work_.File("out.txt");
    WriteFile(gbk, SimplifiedGbk);
    ASSERT_EQ(Run("/i:gbk /o:big5", gbk, big5), 0);
    EXPECT_EQ(Messages(), "");
    EXPECT_EQ(ReadFile(big5), TraditionalBig5);
    EXPECT_EQ(ReadFile(home_.File("b5fix.dat")), ReadFile(TESSARIM_SOURCE_DIR "/data/b5fix.dat"));
    EXPECT_TRUE(fs::exists(home_.File("key1.ndx")));
    EXPECT_FALSE(fs::exists(home_.File("gbfix.dat")));

    // Back to Simplified, which takes the other table; the index built above is reused.
    const std::string back = work_.File("back.txt");
    ASSERT_EQ(Run("/i:big5 /o:gbk", big5, back), 0);
    EXPECT_EQ(ReadFile(back), SimplifiedGbk);
    EXPECT_EQ(ReadFile(home_.File("gbfix.dat")), ReadFile(TESSARIM_SOURCE_DIR "/data/gbfix.dat"));
    EXPECT_EQ(Messages(), "");
}

TEST_F(CommandLineTablesTest, EditedTableIsUsedAndKept) {
    // A user who wants the characters alone keeps a table without entries.
    const std::string own = "-1,-1,-1,-1,-1,-1\r\nSearch,\"Replace with\"\r\n";
    WriteFile(home_.File("b5fix.dat"), own);
    const std::string gbk = work_.File("in.txt");
    WriteFile(gbk, SimplifiedGbk);
    ASSERT_EQ(Run("/i:gbk /o:big5", gbk, work_.File("out.txt")), 0);
    EXPECT_EQ(ReadFile(work_.File("out.txt")), CharacterTablesBig5);
    EXPECT_EQ(ReadFile(home_.File("b5fix.dat")), own);
    EXPECT_EQ(Messages(), "");
}

} // namespace
} // namespace tessarim
