// The built tessarim program, run on files in a temporary folder.
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tessarim {
namespace {

using test::FromHex;
using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

const std::string GbkWe = FromHex("ced2c3c7");  // 我们
const std::string Big5We = FromHex("a7daadcc"); // 我們

class CommandLineRun : public ::testing::Test {
protected:
    // Empty fix tables of the user's own, so runs apply no corrections unless a
    // test writes some.
    void SetUp() override {
        fs::create_directory(Home());
        WriteFile(Home() + "/b5fix.dat", "layout\r\nfind,replace\r\n");
        WriteFile(Home() + "/gbfix.dat", "layout\r\nfind,replace\r\n");
    }

    std::string Home() const { return work.File("home"); }

    test::ProcessResult Run(const std::vector<std::string>& args) const {
        return test::RunProcess(TESSARIM_BINARY_DIR "/tessarim", args, work.Dir(),
                                {"TESSARIM_HOME=" + Home()});
    }

    std::string Read(const std::string& name) const { return ReadFile(work.File(name)); }
    void Write(const std::string& name, const std::string& bytes) const {
        fs::create_directories(fs::path(work.File(name)).parent_path());
        WriteFile(work.File(name), bytes);
    }
    bool Exists(const std::string& name) const { return fs::exists(work.File(name)); }

    TempFolder work;
};

TEST_F(CommandLineRun, ConvertsANamedFile) {
    Write("a.txt", GbkWe + "\n");
    const auto result = Run({"/i:gbk", "/o:big5", "a.txt", "b.txt"});
    EXPECT_EQ(result.status, 0) << result.errorOutput;
    EXPECT_EQ(Read("b.txt"), Big5We + "\n");
    EXPECT_EQ(Read("a.txt"), GbkWe + "\n");
}

TEST_F(CommandLineRun, ConvertsInPlaceWithoutAnOutputName) {
    Write("test.txt", Big5We);
    // The usage text's own example: Big5 to UTF-16LE in Simplified characters.
    const auto result = Run({"/i:big5", "/o:ule", "/f:s", "test.txt"});
    EXPECT_EQ(result.status, 0) << result.errorOutput;
    EXPECT_EQ(Read("test.txt"), FromHex("fffe 1162 ec4e"));
    EXPECT_EQ(fs::directory_iterator(work.Path())->path().filename(), "home"); // no temporary left
}

TEST_F(CommandLineRun, DetectsTheInputCode) {
    for (const char* sample : {"sample_gbk.txt", "sample_big5.txt"}) {
        const std::string source = ReadFile(std::string(TESSARIM_SOURCE_DIR "/samples/") + sample);
        Write(sample, source);
        const auto result = Run({"/o:utf8", sample, "out.txt"});
        EXPECT_EQ(result.status, 0) << result.errorOutput;
        const std::string out = Read("out.txt");
        // The samples open with "城市里的早晨" and "山上的小學" respectively.
        const std::string expected = sample[7] == 'g' ? "城市里的早晨" : "山上的小學";
        EXPECT_EQ(out.substr(0, 3), "\xEF\xBB\xBF") << sample;
        EXPECT_EQ(out.substr(3, expected.size()), expected) << sample;
    }
}

TEST_F(CommandLineRun, MessagesAndExitStatus) {
    auto result = Run({"/o:gbk"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.errorOutput.rfind("Syntax: Tessarim [CodeIn] <CodeOut>", 0), 0u);
    EXPECT_EQ(result.errorOutput.find('\r'), std::string::npos);

    result = Run({"/o:gbk", "a|b.txt"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errorOutput, "Invalid input filename.\n");

    result = Run({"/o:gbk", "missing.txt"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errorOutput, "** \"missing.txt\" not found.\n");

    Write("a.txt", GbkWe);
    fs::create_directory(work.File("folder"));
    result = Run({"/i:gbk", "/o:big5", "a.txt", "folder"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errorOutput, "Invalid output filename.\n");

    result = Run({"/i:gbk", "/o:big5", "a.txt", "a.txt/sub/b.txt"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errorOutput, "Fail to create output directory\n");

    Write("ro.txt", "keep");
    fs::permissions(work.File("ro.txt"), fs::perms::owner_read);
    result = Run({"/i:gbk", "/o:big5", "a.txt", "ro.txt"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errorOutput, "ro.txt cannot be replaced (ReadOnly)\n");
    EXPECT_EQ(Read("ro.txt"), "keep");
}

TEST_F(CommandLineRun, PatternsSkipWhatMustNotBeConverted) {
    Write("b.txt", GbkWe);
    Write("a.txt", GbkWe + "a");
    Write("c.exe", GbkWe);
    Write(".hidden.txt", GbkWe);
    Write("old.txt", FromHex("d0cf11e0a1b11ae1") + GbkWe); // an office document
    Write("out/sub/b.b5", "read-only");
    fs::permissions(work.File("out/sub/b.b5"), fs::perms::owner_read);

    const auto result = Run({"/i:gbk", "/o:big5", "*.txt;*.exe", "out/sub/deep/../*.b5"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errorOutput, work.File("out/sub/b.b5") + " cannot be replaced (ReadOnly)\n");
    EXPECT_EQ(Read("out/sub/a.b5"), Big5We + "a");
    EXPECT_EQ(Read("out/sub/b.b5"), "read-only");
    EXPECT_FALSE(Exists("out/sub/c.b5"));
    EXPECT_FALSE(Exists("out/sub/.hidden.b5"));
    EXPECT_FALSE(Exists("out/sub/old.b5"));
}

TEST_F(CommandLineRun, OutputPatternCreatesMissingFolders) {
    Write("a.txt", GbkWe);
    // Double quotes a shell would have removed are taken off as well.
    const auto result = Run({"/o:ULE", "\"*.txt\"", "out/x/y/*.u16"});
    EXPECT_EQ(result.status, 0) << result.errorOutput;
    EXPECT_EQ(Read("out/x/y/a.u16"), FromHex("fffe 1162 ec4e"));
}

TEST_F(CommandLineRun, SettingsDecideIgnoredTypesAndHtmlCharsets) {
    const std::string page = "<meta charset=\"gb2312\">" + GbkWe;
    Write("page.htm", page);
    auto result = Run({"/i:gbk", "/o:big5", "page.htm", "page.b5.htm"});
    EXPECT_EQ(result.status, 0) << result.errorOutput;
    EXPECT_EQ(Read("page.b5.htm"), "<meta charset=\"big5\">" + Big5We);

    WriteFile(Home() + "/Tessarim.ini", "[Data]\r\nFixHtmlCharset=0\r\nIgnore=*.txt\r\n");
    result = Run({"/i:gbk", "/o:big5", "page.htm", "page.b5.htm"});
    EXPECT_EQ(Read("page.b5.htm"), "<meta charset=\"gb2312\">" + Big5We);
    Write("a.txt", GbkWe);
    result = Run({"/i:gbk", "/o:big5", "a.txt", "b.txt"});
    EXPECT_EQ(result.status, 0);
    EXPECT_FALSE(Exists("b.txt"));
}

TEST_F(CommandLineRun, AppliesTheUsersFixTable) {
    // 我們 -> 咱們, in Big5, in the table beside the settings.
    WriteFile(Home() + "/b5fix.dat",
              "layout\r\nfind,replace\r\n" + Big5We + "," + FromHex("ab72adcc") + "\r\n");
    Write("a.txt", GbkWe);
    const auto result = Run({"/i:gbk", "/o:big5", "a.txt", "b.txt"});
    EXPECT_EQ(result.status, 0) << result.errorOutput;
    EXPECT_EQ(Read("b.txt"), FromHex("ab72adcc"));
}

} // namespace
} // namespace tessarim
