#include "app/CommandLine.h"
#include "core/FileJob.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

using namespace std::string_literals;

// What the parser made of the arguments: "in>out face FileIn>FileOut", "?" for a
// detected input; or "refused" (the usage text), or the problem it names.
std::string Parsed(const std::vector<std::string>& args) {
    CommandLineArgs p;
    if (!ParseCommandLine(args, p)) return p.problem.empty() ? "refused" : p.problem;
    const char* const codes[] = {"ULE", "UBE", "UTF8", "GBK", "BIG5"};
    return (p.AutoDetectInput ? "?" : codes[static_cast<int>(p.CodeIn)]) + std::string(">") +
           codes[static_cast<int>(p.CodeOut)] + " " + "TSD"[static_cast<int>(p.face)] + " " +
           p.FileIn + ">" + p.FileOut;
}

TEST(ParseCommandLine, AcceptedAndRefusedForms) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        // Switches and names in any order; without /f the typeface follows the codes.
        {{"a.txt", "/o:big5", "b.txt", "/i:gbk"}, "GBK>BIG5 T a.txt>b.txt"},
        {{"/i:big5", "/o:gbk", "a"}, "BIG5>GBK S a>a"}, // no output name: in place
        {{"/i:gbk", "/o:utf8", "a"}, "GBK>UTF8 D a>a"},
        // Codes in either case; an absolute path is a name, not a switch.
        {{"/O:ule", "/I:Utf8", "/home/me/a"}, "UTF8>ULE D /home/me/a>/home/me/a"},
        // No input code means detect; Big5 is never Simplified.
        {{"/o:big5", "a"}, "?>BIG5 D a>a"},
        {{"/o:big5", "/f:s", "a"}, "?>BIG5 D a>a"},
        // The names iconv users know, long options anywhere, "-" a name.
        {{"/i:CP936", "--strict", "/o:UTF-8", "-", "-q", "-"}, "GBK>UTF8 D ->-"},
        {{"/i:gb2312", "/o:cp950", "a"}, "GBK>BIG5 T a>a"},
        {{"/i:Big5", "/o:utf-16be", "--", "--x"}, "BIG5>UBE D --x>--x"},
        // A mistyped code, typeface, switch or option is named.
        {{"/i:xyz", "/o:big5", "a"},
         "Unknown code \"xyz\" in \"/i:xyz\". Codes: ULE, UBE, UTF8, GBK, BIG5 (tessarim "
         "--list-codes names the others)."},
        {{"/o:UTF-9", "a.txt"},
         "Unknown code \"UTF-9\" in \"/o:UTF-9\". Codes: ULE, UBE, UTF8, GBK, BIG5 (tessarim "
         "--list-codes names the others)."},
        {{"/o:gbk", "/f:x", "a.txt"},
         "Unknown typeface in \"/f:x\". Typefaces: T (Traditional), S (Simplified), D "
         "(unchanged)."},
        {{"/o:gbk", "/x:y", "a.txt"},
         "Unknown switch \"/x:y\". Switches: /i:, /o:, /f: (see --help)."},
        {{"/o:gbk", "--bogus", "a.txt"}, "Unknown option \"--bogus\". Try tessarim --help."},
        {{"/i:GBK", "/i:BIG5", "/o:ULE", "a.txt"}, "The code \"/i:BIG5\" is given twice."},
        {{"/o:gbk", "/f:t", "/f:S", "a"}, "?>GBK S a>a"}, // the last face
        // An empty output name stays empty: it must not mean converting in place.
        {{"/o:gbk", "a.txt", ""}, "?>GBK D a.txt>"},
        {{"a.txt"}, "refused"},                                    // too few
        {{"/o:gbk", "a", "b", "/i:big5", "/f:t", "x"}, "refused"}, // too many
        {{"/i:gbk", "a.txt", "b.txt"}, "refused"},                 // no output code
        {{"/o:gbk", "a.txt", "b.txt", "c.txt"}, "refused"},        // a third name
        {{"/o:gbk", "a.txt", "", "c.txt"}, "refused"}, // a third name after an empty one
        {{"/o:gbk", "/f:t"}, "refused"},               // no input name
        {{"/o:gbk", ""}, "refused"},                   //
    };
    for (const auto& [args, parsed] : cases)
        EXPECT_EQ(Parsed(args), parsed) << testing::PrintToString(args);
}

TEST(CommandLine, RunModeAndFileNames) {
    EXPECT_EQ(DetectRunMode({}), RunMode::Windowed);
    EXPECT_EQ(DetectRunMode({"/home/me/a.txt"}), RunMode::FileWindow);
    EXPECT_EQ(DetectRunMode({"a.txt", "/o:gbk"}), RunMode::CommandLine);
    EXPECT_FALSE(IsSwitch("/x") || IsSwitch("//:"));
    EXPECT_EQ(DetectRunMode({"--help"}), RunMode::CommandLine);
    EXPECT_EQ(DetectRunMode({"/?"}), RunMode::CommandLine);
    // Names Linux takes, the characters Windows refuses among them.
    for (const char* name : {"a.txt", "*.txt", "dir/a?.txt", "/abs/path", "c:x", "a b", "..x",
                             "notes [draft].txt", "a<b>|\"c\".txt", "end."})
        EXPECT_TRUE(IsValidFileName(name)) << name;
    for (const std::string& name : {""s, "."s, ".."s, "dir/."s, "dir/.."s, "dir/"s, "a\0b"s})
        EXPECT_FALSE(IsValidFileName(name)) << name;
}

} // namespace
} // namespace tessarim
