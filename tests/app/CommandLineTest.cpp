#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

std::optional<CommandLineArgs> Parse(const std::vector<std::string>& args) {
    CommandLineArgs parsed;
    if (!ParseCommandLine(args, parsed)) return std::nullopt;
    return parsed;
}

TEST(ParseCommandLine, SwitchesAndNamesInAnyOrder) {
    auto parsed = Parse({"a.txt", "/o:big5", "b.txt", "/i:gbk"});
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->FileIn, "a.txt");
    EXPECT_EQ(parsed->FileOut, "b.txt");
    EXPECT_EQ(parsed->CodeIn, GBK);
    EXPECT_EQ(parsed->CodeOut, BIG5);
    EXPECT_EQ(parsed->face, FaceT);
    EXPECT_FALSE(parsed->AutoDetectInput);

    // Code values in either case; no output name converts in place.
    parsed = Parse({"/O:ule", "/I:Utf8", "/home/me/a.txt"});
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->CodeOut, ULE);
    EXPECT_EQ(parsed->CodeIn, UTF8);
    EXPECT_EQ(parsed->FileIn, "/home/me/a.txt"); // an absolute path is a name, not a switch
    EXPECT_EQ(parsed->FileOut, "/home/me/a.txt");
}

TEST(ParseCommandLine, TypefaceDefaultsFollowTheCodes) {
    EXPECT_EQ(Parse({"/i:gbk", "/o:big5", "a"})->face, FaceT);
    EXPECT_EQ(Parse({"/i:big5", "/o:gbk", "a"})->face, FaceS);
    EXPECT_EQ(Parse({"/i:gbk", "/o:utf8", "a"})->face, FaceD);
    EXPECT_EQ(Parse({"/o:big5", "a"})->face, FaceD); // detected input
    EXPECT_EQ(Parse({"/o:big5", "/f:s", "a"})->face, FaceD);
    EXPECT_EQ(Parse({"/o:gbk", "/f:t", "/f:S", "a"})->face, FaceS); // the last face wins
}

TEST(ParseCommandLine, UnrecognisedInputCodeMeansDetect) {
    auto parsed = Parse({"/i:xyz", "/o:GBK", "a.txt"});
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->AutoDetectInput);
    // A second input switch counts only when the first named no code.
    parsed = Parse({"/i:xyz", "/i:BIG5", "/o:ULE", "a.txt"});
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->CodeIn, BIG5);
}

TEST(ParseCommandLine, RefusedForms) {
    const std::vector<std::vector<std::string>> refused = {
        {"a.txt"},                                    // too few
        {"/o:gbk", "a", "b", "/i:big5", "/f:t", "x"}, // too many
        {"/i:GBK", "/i:BIG5", "/o:ULE", "a.txt"},     // input code twice
        {"/o:UTF-8", "a.txt"},                        // value too long
        {"/o:xy", "a.txt"},                           // value too short
        {"/o:xyz", "a.txt"},                          // no such output code
        {"/i:gbk", "a.txt", "b.txt"},                 // no output code
        {"/o:gbk", "/f:x", "a.txt"},                  // no such face
        {"/o:gbk", "/f:tt", "a.txt"},                 //
        {"/o:gbk", "/x:y", "a.txt"},                  // no such switch
        {"/o:gbk", "a.txt", "b.txt", "c.txt"},        // a third name
        {"/o:gbk", "a.txt", "", "c.txt"},             // a third name after an empty one
        {"/o:gbk", "/f:t"},                           // no input name
        {"/o:gbk", ""},                               //
    };
    for (const auto& args : refused) {
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        EXPECT_FALSE(Parse(args)) << joined;
    }
}

TEST(ParseCommandLine, AnEmptyOutputNameStaysEmpty) {
    // Not the input's name: that would convert the input in place.
    CommandLineArgs parsed;
    ASSERT_TRUE(ParseCommandLine({"/o:gbk", "a.txt", ""}, parsed));
    EXPECT_EQ(parsed.FileIn, "a.txt");
    EXPECT_EQ(parsed.FileOut, "");
}

TEST(RunMode, SwitchesMakeACommandLineRun) {
    EXPECT_EQ(DetectRunMode({}), RunMode::Windowed);
    EXPECT_EQ(DetectRunMode({"a.txt"}), RunMode::FileWindow);
    EXPECT_EQ(DetectRunMode({"/home/me/a.txt"}), RunMode::FileWindow);
    EXPECT_EQ(DetectRunMode({"a.txt", "/o:gbk"}), RunMode::CommandLine);
    EXPECT_TRUE(IsSwitch("/x:"));
    EXPECT_FALSE(IsSwitch("/x"));
    EXPECT_FALSE(IsSwitch("//:"));
}

TEST(FileNames, ValidityRules) {
    for (const char* name : {"a.txt", "*.txt", "dir/a?.txt", "/abs/path", "c:x", "a b", "..x"})
        EXPECT_TRUE(IsValidFileName(name)) << name;
    for (const char* name : {"", "a<b", "a>b", "a\"b", "a[1]", "a|b", ".", "dir/."})
        EXPECT_FALSE(IsValidFileName(name)) << name;
}

} // namespace
} // namespace tessarim
