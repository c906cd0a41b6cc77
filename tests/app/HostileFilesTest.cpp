// What people feed the command line besides plain text files: folders holding
// FIFOs, devices and dangling links; odd names; files another program changes
// while they are converted; an output folder that disappears; a full disk.
// Each gets a clear message and a defined exit status, nothing blocks, and no
// input changes unless the run converted it completely.
#include "app/CommandLine.h"
#include "engine/CodeTables.h"
#include "engine/ConvertStream.h"
#include "engine/FileConvert.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessarim {
namespace {

using test::FromHex;
using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

// Large contents are compared with EXPECT_TRUE(a == b): a failed EXPECT_EQ would
// have gtest work out a difference of two long texts, which takes memory in
// proportion to the product of their lengths.

constexpr int Timeout = 60;

// GBK text of about `bytes` bytes: "你好" and a line break, over and over.
std::string GbkText(std::size_t bytes) {
    std::string text;
    while (text.size() < bytes)
        text += "\xC4\xE3\xBA\xC3\n";
    return text;
}

std::string ToBig5(std::string gbk, Face face) {
    LoadCodeTables();
    ConvertStream(gbk, GBK, BIG5, face, false, false);
    return gbk;
}

class HostileFiles : public ::testing::Test {
protected:
    // Empty fix tables of the program's own, as a user without corrections has.
    void SetUp() override {
        fs::create_directory(work.File("home"));
        WriteFile(work.File("home/b5fix.dat"), "layout\r\nfind,replace\r\n");
        WriteFile(work.File("home/gbfix.dat"), "layout\r\nfind,replace\r\n");
    }
    void TearDown() override { SetFileFaultHook(nullptr); }

    // The built program, in the work folder, stopped if it runs too long.
    test::ProcessResult RunProgram(const std::vector<std::string>& args) const {
        return test::RunProcess(TESSARIM_BINARY_DIR "/tessarim", args, work.Dir(),
                                {"TESSARIM_HOME=" + work.File("home")}, Timeout);
    }

    // The command line in this process, so the fault hook can act at a chosen
    // read or write. Runs take typeface D: this process's program folder has no
    // fix tables.
    int RunHere(const std::vector<std::string>& args) {
        test::CapturedMessages captured;
        const int status = RunCommandLine(args);
        messages = captured.texts();
        return status;
    }

    std::vector<std::string> Names(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder work;
    std::string messages;
};

// The hook as another program acting at the n-th operation of a kind.
FileFaultHook AtOperation(FileOperation kind, int n, std::function<void()> act) {
    auto seen = std::make_shared<int>(0);
    return [=](FileOperation operation, std::uint64_t) {
        if (operation == kind && (*seen)++ == n) act();
        return false;
    };
}

// A null device node of the test's own (root only). Tests never use the
// system's devices as output: a fault that replaced one would break the machine.
bool MakeNullDevice(const std::string& path) {
    return ::geteuid() == 0 && ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}

TEST_F(HostileFiles, PatternPassesOverFifosDevicesAndDanglingLinks) {
    WriteFile(work.File("a.txt"), GbkText(100));
    ASSERT_EQ(::mkfifo(work.File("fifo.txt").c_str(), 0644), 0);
    // Without root a link to the system's null device stands in; it is only read.
    if (!MakeNullDevice(work.File("dev.txt")))
        fs::create_symlink("/dev/null", work.File("dev.txt"));
    fs::create_symlink(work.File("nowhere"), work.File("gone.txt"));

    auto result = RunProgram({"/i:gbk", "/o:big5", "*.txt", "out/*.b5"});
    ASSERT_FALSE(result.timedOut) << "the run blocked";
    EXPECT_EQ(result.status, 0) << result.errorOutput;
    EXPECT_EQ(result.errorOutput, "");
    EXPECT_EQ(Names(work.File("out")), std::vector<std::string>{"a.b5"});
    EXPECT_EQ(ReadFile(work.File("out/a.b5")), ToBig5(GbkText(100), FaceT));

    // Named one by one: the FIFO and the device are passed over as system files,
    // the dangling link is not found.
    for (const char* name : {"fifo.txt", "dev.txt"}) {
        result = RunProgram({"/o:big5", name});
        ASSERT_FALSE(result.timedOut) << name;
        EXPECT_EQ(result.status, 0) << name << result.errorOutput;
        EXPECT_EQ(result.errorOutput, "") << name;
    }
    result = RunProgram({"/o:big5", "gone.txt"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errorOutput, "** \"gone.txt\" not found.\n");
    EXPECT_TRUE(fs::is_fifo(work.File("fifo.txt")));
    EXPECT_TRUE(fs::is_character_file(work.File("dev.txt")));
}

TEST_F(HostileFiles, DevicesAndFifosAreNeverReplacedByOutput) {
    WriteFile(work.File("a.txt"), GbkText(100));
    ASSERT_EQ(::mkfifo(work.File("fifo.out").c_str(), 0644), 0);
    std::vector<std::string> outputs = {"fifo.out"};
    const bool device = MakeNullDevice(work.File("dev.out"));
    if (device) {
        fs::create_symlink(work.File("dev.out"), work.File("link.out"));
        outputs.insert(outputs.end(), {"dev.out", "link.out"});
    }
    for (const std::string& name : outputs) {
        const auto result = RunProgram({"/i:gbk", "/o:big5", "a.txt", name});
        ASSERT_FALSE(result.timedOut) << name;
        EXPECT_EQ(result.status, 1) << name;
        EXPECT_EQ(result.errorOutput, "Cannot create file " + work.File(name) + "\n");
    }
    EXPECT_TRUE(fs::is_fifo(work.File("fifo.out")));
    std::vector<std::string> names = {"a.txt", "fifo.out", "home"};
    if (device) {
        EXPECT_TRUE(fs::is_character_file(work.File("dev.out")));
        EXPECT_TRUE(fs::is_symlink(work.File("link.out")));
        names = {"a.txt", "dev.out", "fifo.out", "home", "link.out"};
    }
    EXPECT_EQ(Names(work.Path().string()), names);
    if (!device) GTEST_SKIP() << "device nodes of the test's own need root; only the FIFO ran";
}

TEST_F(HostileFiles, OddNamesConvertUnderTheirOwnNames) {
    const std::vector<std::string> names = {"a b.txt",      "-dash.txt", "new\nline.txt",
                                            "\xFF\xFE.txt", "中文.txt",  "it's.txt"};
    for (const std::string& name : names)
        WriteFile(work.File(name), GbkText(20));
    const auto result = RunProgram({"/i:gbk", "/o:big5", "*.txt", "out/*.b5"});
    EXPECT_EQ(result.status, 0) << result.errorOutput;
    std::vector<std::string> expected;
    for (const std::string& name : names)
        expected.push_back(name.substr(0, name.size() - 4) + ".b5");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(work.File("out")), expected);
    for (const std::string& name : expected)
        EXPECT_EQ(ReadFile(work.File("out/" + name)), ToBig5(GbkText(20), FaceT)) << name;
}

TEST_F(HostileFiles, EmptyOutputNameIsRefusedAndTheInputStays) {
    WriteFile(work.File("a.txt"), GbkText(20));
    const auto result = RunProgram({"/i:gbk", "/o:utf8", "a.txt", ""});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errorOutput, "Invalid output filename.\n");
    EXPECT_EQ(ReadFile(work.File("a.txt")), GbkText(20));
}

TEST_F(HostileFiles, SourceThatShrinksWhileConvertedFails) {
    const std::string in = work.File("a.txt");
    WriteFile(in, GbkText(2 * BlockSize + 1000));
    // Another program cuts the file short between the first and second block.
    SetFileFaultHook(AtOperation(FileOperation::Read, 1, [&] { fs::resize_file(in, 1000); }));
    EXPECT_EQ(RunHere({"/i:gbk", "/o:big5", "/f:d", in, work.File("b.txt")}), ExitFailure);
    EXPECT_EQ(messages, "Stream read error");
    EXPECT_EQ(Names(work.Path().string()), (std::vector<std::string>{"a.txt", "home"}));
}

TEST_F(HostileFiles, SourceThatGrowsWhileConvertedGivesTheSizeItHadAtTheStart) {
    const std::string in = work.File("a.txt");
    const std::string original = GbkText(BlockSize + 1000);
    WriteFile(in, original);
    SetFileFaultHook(
        AtOperation(FileOperation::Read, 0, [&] { WriteFile(in, original + "appended later"); }));
    EXPECT_EQ(RunHere({"/i:gbk", "/o:big5", "/f:d", in, work.File("b.txt")}), ExitSuccess)
        << messages;
    EXPECT_TRUE(ReadFile(work.File("b.txt")) == ToBig5(original, FaceD));
}

TEST_F(HostileFiles, InPlaceFileChangedWhileCopiedIsLeftToTheOtherProgram) {
    const std::string path = work.File("a.txt");
    const std::string original = GbkText(100000);
    for (const bool grows : {true, false}) {
        WriteFile(path, original);
        const std::string changed = grows ? original + "appended" : original.substr(0, 5000);
        // The copy reads 8192 bytes at a time; the change comes after the first piece.
        SetFileFaultHook(AtOperation(FileOperation::Read, 1, [&] { WriteFile(path, changed); }));
        EXPECT_EQ(RunHere({"/i:gbk", "/o:big5", "/f:d", path}), ExitFailure) << grows;
        EXPECT_EQ(messages, "Stream read error") << grows;
        EXPECT_TRUE(ReadFile(path) == changed) << grows;
        EXPECT_EQ(Names(work.Path().string()), (std::vector<std::string>{"a.txt", "home"}))
            << grows;
    }
}

TEST_F(HostileFiles, OutputFolderRemovedMidRunEndsTheRun) {
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        WriteFile(work.File(name), GbkText(1000));
    const std::string out = work.File("out");
    // While b.txt is converted (its output created, not yet written) the folder goes.
    SetFileFaultHook(AtOperation(FileOperation::Read, 1, [&] { fs::remove_all(out); }));
    EXPECT_EQ(RunHere({"/i:gbk", "/o:big5", "/f:d", work.File("*.txt"), out + "/*.b5"}),
              ExitFailure);
    EXPECT_EQ(messages, "Cannot create file " + out + "/b.b5");
    EXPECT_FALSE(fs::exists(out)); // c.txt is not converted into a new folder
    EXPECT_EQ(ReadFile(work.File("b.txt")), GbkText(1000));
}

// Mostly ASCII, so UTF-16 nearly doubles it.
std::string AsciiText(std::size_t bytes) {
    std::string text;
    while (text.size() < bytes)
        text += "a line of text \xC4\xE3\n";
    return text;
}

// A file system of 1 MiB over a folder of the test's own, mounted in a mount
// namespace of this process (and the programs it starts), so it goes when the
// process ends, however it ends.
class FullDisk : public HostileFiles {
protected:
    void SetUp() override {
        HostileFiles::SetUp();
        if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            GTEST_SKIP() << "no mount namespace of our own: " << std::strerror(errno);
        disk = work.File("disk");
        fs::create_directory(disk);
        if (::mount("tessarim-test", disk.c_str(), "tmpfs", 0, "size=1m") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
        mounted = true;
    }
    void TearDown() override {
        if (mounted) ::umount2(disk.c_str(), MNT_DETACH);
        HostileFiles::TearDown();
    }
    std::string disk;
    bool mounted = false;
};

TEST_F(FullDisk, InPlaceConversionThatRunsOutOfRoomKeepsTheFile) {
    // 480 KB of text becomes some 850 KB of UTF-16 beside its 480 KB copy.
    const std::string original = AsciiText(480 * 1024);
    WriteFile(disk + "/a.txt", original);
    const auto result = RunProgram({"/i:gbk", "/o:ule", "disk/a.txt"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errorOutput, "Stream write error\n");
    EXPECT_TRUE(ReadFile(disk + "/a.txt") == original);
    EXPECT_EQ(Names(disk), std::vector<std::string>{"a.txt"});
}

TEST_F(FullDisk, NoRoomForTheCopyLeavesTheFileUntouched) {
    const std::string original = AsciiText(600 * 1024);
    WriteFile(disk + "/a.txt", original);
    const auto result = RunProgram({"/i:gbk", "/o:big5", "disk/a.txt"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errorOutput, "Stream write error\n");
    EXPECT_TRUE(ReadFile(disk + "/a.txt") == original);
    EXPECT_EQ(Names(disk), std::vector<std::string>{"a.txt"});
}

TEST_F(FullDisk, SeparateOutputThatDoesNotFitLeavesNothingBehind) {
    WriteFile(work.File("a.txt"), AsciiText(700 * 1024));
    WriteFile(disk + "/old.txt", "an older output");
    for (const char* name : {"disk/new.txt", "disk/old.txt"}) {
        const auto result = RunProgram({"/i:gbk", "/o:ule", "a.txt", name});
        EXPECT_EQ(result.status, 1) << name;
        EXPECT_EQ(result.errorOutput, "Stream write error\n") << name;
    }
    EXPECT_EQ(Names(disk), std::vector<std::string>{"old.txt"});
    EXPECT_EQ(ReadFile(disk + "/old.txt"), "an older output");
}

} // namespace
} // namespace tessarim
