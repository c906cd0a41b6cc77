#include "app/CommandLine.h"
#include "core/FileJob.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

// What the parser made of the arguments: "in>out face FileIn>FileOut", "?" for a
// detected input; or "refused".
std::string Parsed(const std::vector<std::string>& args) {
    CommandLineArgs p;
    if (!ParseCommandLine(args, p)) return "refused";
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
        // No input code, or one not known, means detect; Big5 is never Simplified.
        {{"/o:big5", "a"}, "?>BIG5 D a>a"},
        {{"/i:xyz", "/o:big5", "/f:s", "a"}, "?>BIG5 D a>a"},
        // A second input switch counts only when the first named no code.
        {{"/i:xyz", "/i:BIG5", "/o:ULE", "a"}, "BIG5>ULE D a>a"},
        {{"/o:gbk", "/f:t", "/f:S", "a"}, "?>GBK S a>a"}, // the last face
        // An empty output name stays empty: it must not mean converting in place.
        {{"/o:gbk", "a.txt", ""}, "?>GBK D a.txt>"},
        {{"a.txt"}, "refused"},                                    // too few
        {{"/o:gbk", "a", "b", "/i:big5", "/f:t", "x"}, "refused"}, // too many
        {{"/i:GBK", "/i:BIG5", "/o:ULE", "a.txt"}, "refused"},     // input code twice
        {{"/o:UTF-8", "a.txt"}, "refused"},                        // value too long
        {{"/o:xy", "a.txt"}, "refused"},                           // value too short
        {{"/o:xyz", "a.txt"}, "refused"},                          // no such output code
        {{"/i:gbk", "a.txt", "b.txt"}, "refused"},                 // no output code
        {{"/o:gbk", "/f:x", "a.txt"}, "refused"},                  // no such face
        {{"/o:gbk", "/f:tt", "a.txt"}, "refused"},                 //
        {{"/o:gbk", "/x:y", "a.txt"}, "refused"},                  // no such switch
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
    for (const char* name : {"a.txt", "*.txt", "dir/a?.txt", "/abs/path", "c:x", "a b", "..x"})
        EXPECT_TRUE(IsValidFileName(name)) << name;
    for (const char* name : {"", "a<b", "a>b", "a\"b", "a[1]", "a|b", ".", "dir/."})
        EXPECT_FALSE(IsValidFileName(name)) << name;
}

} // namespace
} // namespace tessarim
