// The built program on files shaped like those a Linux user has: manual pages
// whose Chinese starts late, pages with markup in references and an XML
// declaration, names with brackets and quotes, text files whose names contain
// ".com" or ".exe", pipes. Nothing is garbled or lost without a word, and the
// options iconv and OpenCC users reach for work.
#include "app/CommandLine.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace tessarim {
namespace {

using test::FromHex;
using Names = std::vector<std::string>;
using Outcome = std::pair<int, std::string>; // exit status, messages

// 这是我们的网络数据，请不要删除。and its Traditional form in Big5.
const std::string GbkNetwork =
    FromHex("d5e2cac7ced2c3c7b5c4cdf8c2e7cafdbedda3acc7ebb2bbd2aac9beb3fda1a3");
const std::string Big5Network =
    FromHex("b36fac4fa7daadccaababaf4b5b8bcc6bedaa141bdd0a4a3ad6ea752b0a3a143");
const std::string Utf8Network = "这是我们的网络数据，请不要删除。";
const std::string Utf8NetworkT = "這是我們的網絡數據，請不要刪除。";
const std::string Utf8Note = "\xE4\xB8\xAD\xE6\x96\x87\xE8\xAF\xB4\xE6\x98\x8E"; // 中文说明
const std::string GbkNote = FromHex("d6d0cec4cbb5c3f7");
const std::string GbkLacking = FromHex("ced2c3c7a8b9"); // 我们ü: Big5 has no ü

class LinuxRun : public ::testing::Test {
protected:
    Outcome Run(const Names& args) const { return RunIn(work.Dir(), args); }
    Outcome RunIn(const std::string& folder, const Names& args) const {
        const auto result = test::RunProcess(TESSARIM_BINARY_DIR "/tessarim", args, folder,
                                             {"TESSARIM_HOME=" + work.File("home")}, 60);
        return {result.status, result.errorOutput};
    }
    // A shell line with the program as "$T", run in the work folder.
    Outcome Shell(const std::string& line) const {
        const auto result = test::RunProcess(
            "/bin/sh", {"-c", line}, work.Dir(),
            {"TESSARIM_HOME=" + work.File("home"), "T=" TESSARIM_BINARY_DIR "/tessarim"}, 60);
        return {result.status, result.errorOutput};
    }
    std::string Read(const std::string& name) const { return test::ReadFile(work.File(name)); }
    void Write(const std::string& name, std::string_view bytes) const {
        fs::create_directories(fs::path(work.File(name)).parent_path());
        test::WriteFile(work.File(name), bytes);
    }
    test::TempFolder work;
};

TEST_F(LinuxRun, DetectionReadsOnToTheFirstNonAsciiBytes) {
    // A Tcl/Tk manual page: 3,100 bytes of roff before its first Chinese word.
    const std::string roff(3100, 'x');
    Write("u.txt", roff + "\n" + Utf8Note + "\n");
    EXPECT_EQ(Run({"/o:UTF8", "u.txt"}), Outcome(0, ""));
    EXPECT_EQ(Read("u.txt"), roff + "\n" + Utf8Note + "\n");
    EXPECT_EQ(Run({"/o:GBK", "u.txt", "u.gbk"}), Outcome(0, ""));
    EXPECT_EQ(Read("u.gbk"), roff + "\n" + GbkNote + "\n");
    // Big5 behind more ASCII than the old 5 KB window.
    Write("b.txt", std::string(6000, ' ') + Big5Network);
    EXPECT_EQ(Run({"/o:UTF8", "b.txt", "b.u8"}), Outcome(0, ""));
    EXPECT_EQ(Run({"/i:big5", "/o:UTF8", "b.txt", "named.u8"}), Outcome(0, ""));
    EXPECT_EQ(Read("b.u8"), Read("named.u8"));
    // Pure ASCII, references and an HTML charset included, is copied as it is.
    const std::string ascii = "<meta charset=\"us-ascii\">&#20013; plain\n";
    Write("a.htm", ascii);
    for (const char* code : {"/o:GBK", "/o:BIG5", "/o:UTF8"}) {
        EXPECT_EQ(Run({code, "--bom", "a.htm", "a.out"}), Outcome(0, ""));
        EXPECT_EQ(Read("a.out"), ascii) << code;
    }
    // UTF-16 without a mark, mostly Latin or mostly Chinese, told by its zeros.
    Write("latin.u16", std::string("a\0b\0\n\0", 6));
    Write("han.u16", FromHex("2d4e 8765 2d4e 8765 0a00 2d4e 0a00"));
    Write("han.be16", FromHex("4e2d 6587 000a 4e2d 000a"));
    EXPECT_EQ(Shell("\"$T\" --detect latin.u16 han.u16 han.be16 u.txt b.txt a.htm > list"),
              Outcome(0, ""));
    EXPECT_EQ(Read("list"), "latin.u16: ULE\nhan.u16: ULE\nhan.be16: UBE\nu.txt: UTF8\n"
                            "b.txt: BIG5\na.htm: ASCII\n");
}

TEST_F(LinuxRun, DetectedGbkToBig5IsTraditionalAsWhenNamed) {
    Write("m.gbk", GbkNetwork);
    EXPECT_EQ(Run({"/o:BIG5", "m.gbk", "m.b5"}), Outcome(0, ""));
    EXPECT_EQ(Run({"/i:gbk", "/o:BIG5", "m.gbk", "named.b5"}), Outcome(0, ""));
    EXPECT_EQ(Read("m.b5"), Big5Network);
    EXPECT_EQ(Read("named.b5"), Big5Network);
    // And back: Big5 to GBK is Simplified; /f:d still keeps the characters.
    EXPECT_EQ(Run({"/o:GBK", "m.b5", "back.gbk"}), Outcome(0, ""));
    EXPECT_EQ(Read("back.gbk"), GbkNetwork);
    EXPECT_EQ(Run({"/o:GBK", "/f:d", "m.b5", "kept.gbk"}), Outcome(0, ""));
    EXPECT_NE(Read("kept.gbk"), GbkNetwork);
}

TEST_F(LinuxRun, MarkupInReferencesStaysAndEveryDeclarationFollows) {
    // A user guide's code example and an XHTML page, Big5 to UTF-8.
    Write("guide.xhtml", "<?xml version=\"1.0\" encoding=\"big5\"?>\n<html><head><meta "
                         "http-equiv=\"Content-Type\" content=\"text/html; charset=Big5\"/>"
                         "<meta name=\"description\" content=\"Unicode big5\"/></head>"
                         "<body><pre>&#60;b&#62;&#10;&#20013;" +
                             Big5Network + "</pre></body></html>");
    EXPECT_EQ(Run({"/i:big5", "/o:utf8", "guide.xhtml", "guide.html"}), Outcome(0, ""));
    EXPECT_EQ(Read("guide.html"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html><head><meta "
              "http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"/>"
              "<meta name=\"description\" content=\"Unicode big5\"/></head>"
              "<body><pre>&#60;b&#62;&#10;中" +
                  Utf8NetworkT + "</pre></body></html>");
    // A settings mask is compared with the name, not the whole path.
    Write("home/Tessarim.ini", "[Data]\r\nHtmlType=index.html\r\n");
    Write("site/index.html", "<meta charset=gbk>" + GbkNetwork);
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "site/index.html", "out.html"}), Outcome(0, ""));
    EXPECT_EQ(Read("out.html"), "<meta charset=big5>" + Big5Network);
}

TEST_F(LinuxRun, NamesAndMasksAsTheShellSeesThem) {
    // Names Windows refuses, the ignore masks' near misses, a name in capitals.
    const Names names = {"notes [draft].txt", "say \"hi\" |x|.txt", "www.sina.com.cn.txt",
                         "notes.audit.txt",   "setup.exe.txt",      "Zeta.TXT"};
    for (const std::string& name : names)
        Write(name, GbkNetwork);
    Write("setup.exe", GbkNetwork);
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "*.txt", "out/*.b5"}),
              Outcome(0, "6 converted, 0 skipped, 0 failed.\n"));
    for (const std::string& name : names)
        EXPECT_EQ(Read("out/" + fs::path(name).stem().string() + ".b5"), Big5Network) << name;
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "notes [draft].txt"}), Outcome(0, ""));
    EXPECT_EQ(Read("notes [draft].txt"), Big5Network);
    // A file named on its own that the rules skip fails the run, saying why.
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "setup.exe"}),
              Outcome(1, "setup.exe: skipped (matches the Ignore list of the settings).\n"));
    EXPECT_EQ(Read("setup.exe"), GbkNetwork);
}

TEST_F(LinuxRun, RecursivePatternsKeepTheFolderTree) {
    Write("docs/a.txt", GbkNetwork);
    Write("docs/zh/b.TXT", GbkNetwork);
    Write("docs/.git/c.txt", GbkNetwork);
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "-r", "-q", "docs/*.txt", "out/*.b5"}), Outcome(0, ""));
    EXPECT_EQ(Read("out/a.b5"), Big5Network);
    EXPECT_EQ(Read("out/zh/b.b5"), Big5Network);
    EXPECT_FALSE(fs::exists(work.File("out/.git")));
}

TEST_F(LinuxRun, ManyInputsNeverShareOneOutput) {
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        Write(name, GbkNetwork + name);
    const auto [status, messages] = Run({"/i:gbk", "/o:big5", "*.txt", "out/cv_*.txt"});
    EXPECT_EQ(status, 1);
    EXPECT_NE(messages.find("b.txt is not converted"), std::string::npos) << messages;
    EXPECT_NE(messages.find("c.txt is not converted"), std::string::npos) << messages;
    EXPECT_EQ(Read("out/cv_.txt"), Big5Network + "a.txt");
}

TEST_F(LinuxRun, ByteOrderMarkOnUtf8OnlyWhenAskedFor) {
    Write("a.txt", GbkNetwork);
    const std::string& utf8 = Utf8Network;
    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(Run({"/i:gbk", "/o:utf8", "a.txt", "plain.u8"}), Outcome(0, ""));
    EXPECT_EQ(Run({"/i:gbk", "/o:utf8", "--bom", "a.txt", "marked.u8"}), Outcome(0, ""));
    Write("home/Tessarim.ini", "[Data]\r\nAddBOMtoUTF8=1\r\n");
    EXPECT_EQ(Run({"/i:gbk", "/o:utf8", "a.txt", "stored.u8"}), Outcome(0, ""));
    EXPECT_EQ(Run({"/i:gbk", "/o:utf8", "--no-bom", "a.txt", "refused.u8"}), Outcome(0, ""));
    EXPECT_EQ(Read("plain.u8"), utf8);
    EXPECT_EQ(Read("marked.u8"), bom + utf8);
    EXPECT_EQ(Read("stored.u8"), bom + utf8);
    EXPECT_EQ(Read("refused.u8"), utf8);
}

TEST_F(LinuxRun, ReplacedCharactersAreCountedAndStrictChangesNothing) {
    Write("f.txt", GbkLacking + GbkLacking);
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "f.txt", "f.b5"}),
              Outcome(0, "f.txt: 2 characters replaced by \"?\", \"\u25A1\" or U+FFFD.\n"));
    // Invalid UTF-8 counts too; a "?" the input held does not.
    Write("bad.u8", "why?\xFF\n");
    EXPECT_EQ(Run({"/i:utf8", "/o:utf8", "bad.u8", "bad.out"}),
              Outcome(0, "bad.u8: 1 character replaced by \"?\", \"\u25A1\" or U+FFFD.\n"));
    // A file cut after a lead byte: the table road leaves the byte out and
    // says so, alone, in a pattern run and through a pipe.
    Write("cut.txt", GbkNetwork + "\xC4");
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "cut.txt", "cut.b5"}),
              Outcome(0, "cut.txt: its last byte, an unfinished character, is left out.\n"));
    EXPECT_EQ(Read("cut.b5"), Big5Network);
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "c*.txt", "out/*.b5"}),
              Outcome(0, "cut.txt: its last byte, an unfinished character, is left out.\n"
                         "1 converted, 0 skipped, 0 failed.\n"));
    EXPECT_EQ(Shell("\"$T\" /i:gbk /o:big5 - - < cut.txt > piped.b5"),
              Outcome(0, "standard input: its last byte, an unfinished character, is left out.\n"));
    EXPECT_EQ(Read("piped.b5"), Big5Network);
    // Strict: nothing written, in place or over an existing destination.
    Write("old.b5", "old");
    for (const Names& args : {Names{"f.txt", "old.b5"}, Names{"f.txt"}}) {
        Names line = {"/i:gbk", "/o:big5", "--strict"};
        line.insert(line.end(), args.begin(), args.end());
        EXPECT_EQ(Run(line).first, 1);
    }
    EXPECT_EQ(Read("old.b5"), "old");
    EXPECT_EQ(Read("f.txt"), GbkLacking + GbkLacking);
    EXPECT_EQ(Run({"/i:gbk", "/o:utf8", "--strict", "f.txt", "f.u8"}), Outcome(0, ""));
}

TEST_F(LinuxRun, PipesThroughStandardInputAndOutput) {
    // Several blocks through a pipe, detected from the first bytes.
    std::string big;
    while (big.size() < 3 * 1024 * 1024)
        big += "line " + GbkNetwork + "\n";
    Write("big.gbk", big);
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "big.gbk", "file.b5"}), Outcome(0, ""));
    EXPECT_EQ(Shell("cat big.gbk | \"$T\" /o:big5 - - | cat > piped.b5"), Outcome(0, ""));
    EXPECT_EQ(Shell("\"$T\" /i:gbk /o:big5 - named.b5 < big.gbk"), Outcome(0, ""));
    EXPECT_EQ(Shell("\"$T\" /i:gbk /o:big5 big.gbk - > out.b5"), Outcome(0, ""));
    EXPECT_EQ(Read("piped.b5"), Read("file.b5"));
    EXPECT_EQ(Read("named.b5"), Read("file.b5"));
    EXPECT_EQ(Read("out.b5"), Read("file.b5"));
    EXPECT_EQ(Shell("printf 'a\\n' | \"$T\" --detect - > code"), Outcome(0, ""));
    EXPECT_EQ(Read("code"), "-: ASCII\n");
}

TEST_F(LinuxRun, StandardOptions) {
    EXPECT_EQ(Shell("\"$T\" --help > help"), Outcome(0, ""));
    EXPECT_NE(Read("help").find("/f:x"), std::string::npos);
    EXPECT_NE(Read("help").find("--strict"), std::string::npos);
    EXPECT_EQ(Shell("\"$T\" '/?' > asked"), Outcome(0, ""));
    EXPECT_EQ(Read("asked"), Read("help"));
    EXPECT_EQ(Shell("\"$T\" --version > version"), Outcome(0, ""));
    EXPECT_EQ(Read("version").rfind("tessarim ", 0), 0u);
    EXPECT_NE(Read("version").find("Settings folder: " + work.File("home")), std::string::npos);
    EXPECT_EQ(Shell("\"$T\" -l > codes"), Outcome(0, ""));
    EXPECT_NE(Read("codes").find("GBK\tGB2312, CP936\n"), std::string::npos);
    // A mistyped code is named, and an unknown input code is no silent detection.
    Write("a.txt", GbkNetwork);
    EXPECT_EQ(Run({"/i:gkb", "/o:big5", "a.txt"}).first, 2);
    EXPECT_EQ(Read("a.txt"), GbkNetwork);
    // Verbose says what became of every file; quiet says only what failed.
    Write("b.txt", GbkNetwork);
    Write("c.dll", GbkNetwork);
    EXPECT_EQ(Run({"/o:big5", "-v", "*.txt;*.dll", "v/*.b5"}),
              Outcome(0, "a.txt: converted from GBK to BIG5.\nb.txt: converted from GBK to "
                         "BIG5.\nc.dll: skipped (matches the Ignore list of the settings).\n"
                         "2 converted, 1 skipped, 0 failed.\n"));
    EXPECT_EQ(Run({"/o:big5", "-q", "*.txt;*.dll", "q/*.b5"}), Outcome(0, ""));
    EXPECT_EQ(Read("q/a.b5"), Big5Network);
}

} // namespace
} // namespace tessarim
