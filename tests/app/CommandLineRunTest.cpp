// The built tessarim program run on files in a work folder of its own, whose
// "home" folder holds its settings (TESSARIM_HOME): the bytes it writes, its exit
// status and its messages. Then what people feed it besides plain text files:
// FIFOs, devices and dangling links, odd names, files another program changes
// while they are converted, an output folder that disappears, a full disk. Each
// gets a clear message and a defined exit status, nothing blocks, and no input
// changes unless the run converted it completely.
#include "app/CommandLine.h"
#include "engine/FileConvert.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessarim {
namespace {

using test::FromHex;
using Names = std::vector<std::string>;
using Outcome = std::pair<int, std::string>; // exit status (-1: stopped), messages

const Outcome Quiet{0, ""};
// A pattern run that converted every file it found ends with its count.
Outcome AllConverted(int files) {
    return {0, std::to_string(files) + " converted, 0 skipped, 0 failed.\n"};
}
const std::string GbkWe = FromHex("ced2c3c7");  // 我们
const std::string Big5We = FromHex("a7daadcc"); // 我們
const std::string UleWe = FromHex("fffe 1162 ec4e");

class CommandLineRun : public ::testing::Test {
protected:
    // Empty fix tables of the user's own: no corrections unless a test writes some.
    void SetUp() override {
        Write("home/b5fix.dat", "layout\r\nfind,replace\r\n");
        Write("home/gbfix.dat", "layout\r\nfind,replace\r\n");
    }
    // The built program; a run that blocks is stopped after a minute.
    Outcome Run(const Names& args, int seconds = 60) const {
        const auto result = test::RunProcess(TESSARIM_BINARY_DIR "/tessarim", args, work.Dir(),
                                             {"TESSARIM_HOME=" + work.File("home")}, seconds);
        return {result.status, result.errorOutput};
    }
    // The command line in this process, another program acting just before its
    // read number n. Typeface D: this process's settings folder has no fix tables.
    static Outcome RunActingAtRead(const Names& args, int n, const std::function<void()>& act) {
        int reads = 0;
        SetFileFaultHook([&](FileOperation operation, std::uint64_t) {
            if (operation == FileOperation::Read && reads++ == n) act();
            return false;
        });
        test::CapturedMessages captured;
        const int status = RunCommandLine(args);
        SetFileFaultHook(nullptr);
        return {status, captured.texts()};
    }
    std::string Read(const std::string& name) const { return test::ReadFile(work.File(name)); }
    void Write(const std::string& name, std::string_view bytes) const {
        fs::create_directories(fs::path(work.File(name)).parent_path());
        test::WriteFile(work.File(name), bytes);
    }
    Names List(const std::string& folder = "") const {
        return test::FolderNames(work.File(folder));
    }

    test::TempFolder work;
};

TEST_F(CommandLineRun, ConvertsInPlaceUnderEachFilesOwnName) {
    // In place over several patterns, and a name without extension: every file
    // keeps its own name (not one built from the pattern list, nor "README.").
    Write("many/a.txt", Big5We);
    Write("many/b.dat", Big5We + "b");
    Write("many/README", Big5We + "r");
    EXPECT_EQ(Run({"/i:big5", "/o:ule", "/f:s", "many/b*;*.txt;READ*"}), AllConverted(3));
    EXPECT_EQ(Read("many/a.txt"), UleWe);
    EXPECT_EQ(Read("many/b.dat"), UleWe + std::string("b\0", 2));
    EXPECT_EQ(Read("many/README"), UleWe + std::string("r\0", 2));
    EXPECT_EQ(List("many"), (Names{"README", "a.txt", "b.dat"})); // no temporary left
}

TEST_F(CommandLineRun, MessagesAndExitStatus) {
    EXPECT_EQ(Run({"/o:gbk"}).first, ExitUsage);
    Write("a.txt", GbkWe);
    // Missing files and read-only targets: the runs below.
    const std::pair<Names, std::string> cases[] = {
        // An empty output name (an unset variable in a script) is no request to
        // convert in place.
        {{"/i:gbk", "/o:big5", "a.txt", ""}, "Invalid output filename."},
        {{"/i:gbk", "/o:big5", "a.txt", "a.txt/sub/b.txt"}, "Fail to create output directory"}};
    for (const auto& [args, message] : cases)
        EXPECT_EQ(Run(args), Outcome(ExitFailure, message + "\n"));
    EXPECT_EQ(Read("a.txt"), GbkWe);
    EXPECT_EQ(List(), (Names{"a.txt", "home"}));
}

TEST_F(CommandLineRun, PatternsSkipWhatMustNotBeConverted) {
    Write("b.txt", GbkWe);
    Write("a.txt", GbkWe + "a");
    Write("c.exe", GbkWe); // on the default ignore list
    Write(".hidden.txt", GbkWe);
    Write("old.txt", FromHex("d0cf11e0a1b11ae1") + GbkWe); // an office document
    Write("page.htm", "<meta charset=\"gb2312\">" + GbkWe);
    Write("out/sub/b.b5", "read-only");
    fs::permissions(work.File("out/sub/b.b5"), fs::perms::owner_read);
    // The read-only target fails the run, not the other files; each skip is named.
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "*.txt;*.exe;*.htm", "out/sub/deep/../*.b5"}),
              Outcome(ExitFailure, work.File("out/sub/b.b5") +
                                       " cannot be replaced (ReadOnly)\n"
                                       "c.exe: skipped (matches the Ignore list of the settings).\n"
                                       "old.txt: skipped (office document).\n"
                                       "2 converted, 2 skipped, 1 failed.\n"));
    EXPECT_EQ(Read("out/sub/a.b5"), Big5We + "a");
    EXPECT_EQ(Read("out/sub/b.b5"), "read-only");
    EXPECT_EQ(Read("out/sub/page.b5"), "<meta charset=\"big5\">" + Big5We);
    EXPECT_EQ(List("out/sub"), (Names{"a.b5", "b.b5", "page.b5"}));

    // Into a missing folder tree; double quotes a shell would have removed go too.
    EXPECT_EQ(Run({"/o:ULE", "\"b.txt\"", "new/x/y/*.u16"}), Quiet);
    EXPECT_EQ(Read("new/x/y/b.u16"), UleWe);

    // The user's settings decide what is ignored and whether charsets are mended.
    Write("home/Tessarim.ini", "[Data]\r\nFixHtmlCharset=0\r\nIgnore=*.txt\r\n");
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "-q", "*.txt;*.htm", "set/*.b5"}), Quiet);
    EXPECT_EQ(List("set"), Names{"page.b5"});
    EXPECT_EQ(Read("set/page.b5"), "<meta charset=\"gb2312\">" + Big5We);
}

// 他开头发言，她的头发很长。这里的面条 in GBK, its Traditional form in Big5, and the
// character tables' form alone, with 頭發 for hair and 面 for noodles.
const std::string SimplifiedGbk =
    FromHex("cbfbbfaacdb7b7a2d1d4a3accbfdb5c4cdb7b7a2badcb3a4a1a3d5e2c0efb5c4c3e6ccf5");
const std::string TraditionalBig5 =
    FromHex("a54cb67dc059b56fa8a5a141a66faabac059be76abdcaaf8a143b36fb8ccaabac4d1b1f8");
const std::string CharacterTablesBig5 =
    FromHex("a54cb67dc059b56fa8a5a141a66faabac059b56fabdcaaf8a143b36fb8ccaabaadb1b1f8");

TEST_F(CommandLineRun, DefaultTablesAreWrittenWhenNeededAndNeverOverTheUsers) {
    fs::remove_all(work.File("home"));
    Write("in.txt", SimplifiedGbk + GbkWe);
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "in.txt", "out.txt"}), Quiet);
    EXPECT_EQ(Read("out.txt"), TraditionalBig5 + Big5We);
    EXPECT_EQ(Read("home/b5fix.dat"), test::ReadFile(TESSARIM_SOURCE_DIR "/data/b5fix.dat"));
    EXPECT_FALSE(fs::exists(work.File("home/gbfix.dat"))); // written when first needed

    // The user's own table, 我們 -> 咱們 only, edited after the first run.
    const std::string own = "x\r\nfind,replace\r\n" + Big5We + "," + FromHex("ab72adcc") + "\r\n";
    Write("home/b5fix.dat", own);
    fs::last_write_time(work.File("home/b5fix.dat"),
                        fs::file_time_type::clock::now() + std::chrono::hours(1));
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "in.txt", "out.txt"}), Quiet);
    EXPECT_EQ(Read("out.txt"), CharacterTablesBig5 + FromHex("ab72adcc"));
    EXPECT_EQ(Read("home/b5fix.dat"), own);
}

// Sizes and positions are 64-bit all the way. Release builds only (the sanitizer
// build would take minutes), and only where the disk has room for the output.
TEST_F(CommandLineRun, ConvertsAFileLargerThan4GiB) {
#ifndef NDEBUG
    GTEST_SKIP() << "runs in the Release build only";
#endif
    // Zeros, and GBK 我们 past the 4 GiB mark split over a block boundary.
    constexpr std::uintmax_t size = 4608ull << 20, mark = 4195ull * BlockSize - 1;
    if (fs::space(work.Path()).available < size + (2ull << 30))
        GTEST_SKIP() << "needs 6.5 GiB free for a 4.5 GiB file and its output";
    Write("huge.txt", "");
    fs::resize_file(work.File("huge.txt"), size);
    std::fstream(work.File("huge.txt"), std::ios::binary | std::ios::in | std::ios::out)
        .seekp(static_cast<std::streamoff>(mark))
        .write(GbkWe.data(), 4);
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "huge.txt", "huge.b5"}, 0), Quiet); // no time limit
    EXPECT_EQ(fs::file_size(work.File("huge.b5")), size);
    std::string bytes(6, 'x');
    std::ifstream(work.File("huge.b5"), std::ios::binary)
        .seekg(static_cast<std::streamoff>(mark - 1))
        .read(bytes.data(), 6);
    EXPECT_EQ(bytes, '\0' + Big5We + '\0');
}

// Text of at least `bytes` bytes: the unit over and over. Large contents are
// compared with EXPECT_TRUE(a == b): gtest would work out the difference of two
// long texts, in memory the product of their lengths.
std::string Repeat(std::string_view unit, std::size_t bytes) {
    std::string text;
    while (text.size() < bytes)
        text += unit;
    return text;
}
const std::string GbkUnit = "\xC4\xE3\xBA\xC3\n"; // 你好

// A null device node of the test's own (root only). Tests never use the
// system's devices as output: a fault that replaced one would break the machine.
bool MakeNullDevice(const std::string& path) {
    return ::geteuid() == 0 && ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}

TEST_F(CommandLineRun, FifosDevicesAndDanglingLinksAreLeftAlone) {
    const std::string odd = "-it's a\nnew 中文\xFF.txt"; // converts under its own name
    Write(odd, GbkWe);
    ASSERT_EQ(::mkfifo(work.File("fifo.txt").c_str(), 0644), 0);
    // Without root a link to the system's null device stands in; it is only read.
    const bool device = MakeNullDevice(work.File("dev.txt"));
    if (!device) fs::create_symlink("/dev/null", work.File("dev.txt"));
    fs::create_symlink(work.File("nowhere"), work.File("gone.txt"));
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "*.txt", "out/*.b5"}), AllConverted(1));
    EXPECT_EQ(List("out"), Names{"-it's a\nnew 中文\xFF.b5"});
    EXPECT_EQ(Read("out/-it's a\nnew 中文\xFF.b5"), Big5We);

    // Named one by one the FIFO and the device are passed over as system files,
    // which fails a run that names them, and the dangling link is not found. As
    // outputs they are never replaced.
    EXPECT_EQ(Run({"/o:big5", "fifo.txt"}),
              Outcome(ExitFailure, "fifo.txt: skipped (not a regular file).\n"));
    EXPECT_EQ(Run({"/o:big5", "dev.txt"}),
              Outcome(ExitFailure, "dev.txt: skipped (not a regular file).\n"));
    EXPECT_EQ(Run({"/o:big5", "gone.txt"}), Outcome(ExitFailure, "** \"gone.txt\" not found.\n"));
    if (device) fs::create_symlink(work.File("dev.txt"), work.File("link.txt"));
    for (const std::string& name :
         device ? Names{"fifo.txt", "dev.txt", "link.txt"} : Names{"fifo.txt"})
        EXPECT_EQ(Run({"/i:gbk", "/o:big5", odd, name}),
                  Outcome(ExitFailure, "Cannot create file " + work.File(name) + "\n"));
    EXPECT_TRUE(fs::is_fifo(work.File("fifo.txt")) && fs::is_character_file(work.File("dev.txt")));
    if (!device) GTEST_SKIP() << "device nodes of the test's own need root; only a FIFO was output";
    EXPECT_TRUE(fs::is_symlink(work.File("link.txt")));
    EXPECT_EQ(List(), (Names{odd, "dev.txt", "fifo.txt", "gone.txt", "home", "link.txt", "out"}));
}

// Another program cuts the source short or adds to it while it is converted:
// before the second block, or in place after the copy's first 8192-byte piece.
TEST_F(CommandLineRun, SourceChangedWhileConvertedIsLeftToTheOtherProgram) {
    const std::string in = work.File("a.txt");
    const std::tuple<std::size_t, bool, bool> cases[] = {
        {2 * BlockSize + 1000, false, false}, {100000, true, true}, {100000, false, true}};
    for (const auto& [size, grows, inPlace] : cases) {
        const std::string original = Repeat(GbkUnit, size);
        const std::string changed = grows ? original + "appended" : original.substr(0, 5000);
        test::WriteFile(in, original);
        Names args = {"/i:gbk", "/o:big5", "/f:d", in};
        if (!inPlace) args.push_back(work.File("b.txt"));
        EXPECT_EQ(RunActingAtRead(args, 1, [&] { test::WriteFile(in, changed); }),
                  Outcome(ExitFailure, "Stream read error"));
        EXPECT_TRUE(Read("a.txt") == changed);
        EXPECT_EQ(List(), (Names{"a.txt", "home"}));
    }
}

// Another run converts b.txt in place while this one, listed before, is on
// a.txt; z.txt is a.txt under another name. Each file is converted once.
TEST_F(CommandLineRun, InPlaceAFileChangedSinceTheRunListedItIsNotConvertedAgain) {
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        Write(name, GbkWe);
    fs::create_hard_link(work.File("a.txt"), work.File("z.txt"));
    // Change times may be counted in clock ticks: the changes below come in
    // later ticks than the files.
    ::usleep(30000);
    const Outcome outcome = RunActingAtRead({"/i:gbk", "/o:big5", work.File("*.txt")}, 0, [&] {
        ConvertFile(work.File("b.txt"), work.File("b.txt"), {GBK, BIG5, FaceT, false, false},
                    nullptr);
    });
    EXPECT_EQ(outcome.first, ExitFailure);
    for (const char* name : {"b.txt", "z.txt"})
        EXPECT_NE(outcome.second.find(work.File(name) + " changed after this run listed it"),
                  std::string::npos)
            << outcome.second;
    EXPECT_NE(outcome.second.find("2 converted, 0 skipped, 2 failed."), std::string::npos);
    for (const char* name : {"a.txt", "b.txt", "c.txt", "z.txt"})
        EXPECT_EQ(Read(name), Big5We) << name;
    EXPECT_EQ(List(), (Names{"a.txt", "b.txt", "c.txt", "home", "z.txt"}));
}

TEST_F(CommandLineRun, OutputFolderRemovedMidRunFailsOneFileAndTheRunGoesOn) {
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        Write(name, Repeat(GbkUnit, 1000));
    const std::string out = work.File("out");
    // While b.txt is converted (its output created, not yet written) the folder goes.
    EXPECT_EQ(RunActingAtRead({"/i:gbk", "/o:big5", "/f:d", work.File("*.txt"), out + "/*.b5"}, 1,
                              [&] { fs::remove_all(out); }),
              Outcome(ExitFailure, work.File("b.txt") + ": Cannot create file " + out +
                                       "/b.b5|2 converted, 0 skipped, 1 failed."));
    EXPECT_FALSE(fs::exists(out + "/a.b5") || fs::exists(out + "/b.b5")); // gone with the folder
    EXPECT_TRUE(fs::exists(out + "/c.b5"));
    EXPECT_EQ(Read("b.txt"), Repeat(GbkUnit, 1000));
}

// A file system of 1 MiB over a folder of the test's own, mounted in a mount
// namespace of this process (and the programs it starts), so it goes when the
// process ends, however it ends.
TEST_F(CommandLineRun, FullDiskLeavesEveryFileAsItWas) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no mount namespace of our own: " << std::strerror(errno);
    const std::string disk = work.File("disk");
    fs::create_directory(disk);
    if (::mount("tessarim-test", disk.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    // Mostly ASCII text, which UTF-16 nearly doubles. In place, 480 KB leaves no
    // room for the result beside the copy and 600 KB none for the copy; 450 KB of
    // UTF-16 output does not fit beside its source.
    Write("disk/old.txt", "an older output");
    const std::tuple<std::size_t, const char*, const char*> cases[] = {
        {480 * 1024, "/o:ule", ""},
        {600 * 1024, "/o:big5", ""},
        {450 * 1024, "/o:ule", "disk/new.txt"},
        {450 * 1024, "/o:ule", "disk/old.txt"}};
    for (const auto& [size, code, output] : cases) {
        const std::string original = Repeat("a line of text \xC4\xE3\n", size);
        Write("disk/a.txt", original);
        Names args = {"/i:gbk", code, "disk/a.txt"};
        if (*output) args.push_back(output);
        EXPECT_EQ(Run(args), Outcome(ExitFailure, "Stream write error\n")) << code << output;
        EXPECT_TRUE(Read("disk/a.txt") == original);
        EXPECT_EQ(Read("disk/old.txt"), "an older output");
        EXPECT_EQ(List("disk"), (Names{"a.txt", "old.txt"}));
    }
    ::umount2(disk.c_str(), MNT_DETACH);
}

} // namespace
} // namespace tessarim
