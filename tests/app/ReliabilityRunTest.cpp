// The built program interrupted, raced and misled, as an unlucky or hostile
// user would: killed or stopped by a signal at timed points of an in-place
// conversion and of a run over many files, started twice on one file, given patterns whose outputs
// collide, and given a settings folder with traps in it. Nothing the user had is lost, and every
// refusal says why.
#include "engine/ConvertStream.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessarim {
namespace {

using test::FromHex;
using Names = std::vector<std::string>;

const std::string GbkWe = FromHex("ced2c3c7");  // 我们
const std::string Big5We = FromHex("a7daadcc"); // 我們

class ReliabilityRun : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(work.File("home"));
        Write("home/b5fix.dat", "layout\r\ntitles\r\n");
    }
    std::vector<std::string> Environment() const { return {"TESSARIM_HOME=" + work.File("home")}; }
    std::pair<int, std::string> Run(const Names& args) const {
        const auto result =
            test::RunProcess(TESSARIM_BINARY_DIR "/tessarim", args, work.Dir(), Environment(), 60);
        return {result.status, result.errorOutput};
    }
    // Starts the program without waiting; its messages go nowhere. A signal
    // given is ignored by it, as by a job a script starts in the background.
    pid_t Start(const Names& args, int ignored = 0) const {
        const pid_t child = ::fork();
        if (child == 0) {
            if (ignored != 0) ::signal(ignored, SIG_IGN);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);
            if (::chdir(work.Dir().c_str()) != 0) ::_exit(127);
            const std::string home = "TESSARIM_HOME=" + work.File("home");
            ::putenv(const_cast<char*>(home.c_str()));
            std::vector<char*> argv{const_cast<char*>(TESSARIM_BINARY_DIR "/tessarim")};
            for (const std::string& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        return child;
    }
    static int Wait(pid_t child) {
        int status = 0;
        ::waitpid(child, &status, 0);
        return status;
    }
    std::string Read(const std::string& name) const { return test::ReadFile(work.File(name)); }
    void Write(const std::string& name, std::string_view bytes) const {
        test::WriteFile(work.File(name), bytes);
    }
    Names List() const { return test::FolderNames(work.Path()); }

    // Sixty files of 200 KB of GBK text in in/, converted into out/ by
    // ManyFiles; the text, and how long the run takes once the table's index
    // is built (the first run builds it).
    static inline const Names ManyFiles{"/i:gbk", "/o:big5", "/f:t", "in/*.txt", "out/*.b5"};
    std::pair<std::string, std::chrono::steady_clock::duration> WriteManyFiles() const {
        std::string text;
        while (text.size() < 200'000)
            text += "A" + GbkWe + "\r\n";
        fs::create_directories(work.File("in"));
        for (int i = 0; i < 60; ++i)
            Write("in/" + std::to_string(i) + ".txt", text);
        EXPECT_EQ(Run(ManyFiles).first, 0);
        fs::remove_all(work.File("out"));
        const auto begin = std::chrono::steady_clock::now();
        EXPECT_EQ(Run(ManyFiles).first, 0);
        return {text, std::chrono::steady_clock::now() - begin};
    }

    test::TempFolder work;
};

// About 12 MB of GBK text, twelve blocks.
std::string Large() {
    std::string text;
    while (text.size() < 12'000'000)
        text += "A" + GbkWe + "\r\n";
    return text;
}

std::string ToBig5(std::string text) {
    ConvertStream(text, {GBK, BIG5, FaceT, false, false});
    return text;
}

TEST_F(ReliabilityRun, KilledOrStoppedAtAnyMomentTheOriginalSurvives) {
    const std::string original = Large();
    const std::string converted = ToBig5(original);
    const Names inPlace{"/i:gbk", "/o:big5", "/f:t", "big.txt"};
    Write("big.txt", original);
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_EQ(Run(inPlace).first, 0);
    const auto whole = std::chrono::steady_clock::now() - begin;
    int points = 0, named = 0;
    for (const int signal : {SIGKILL, SIGINT, SIGTERM, SIGHUP})
        // On a loaded machine a run may not last as the first one did: while no
        // kill has met the write-back, more are tried over the second half.
        for (int step = 0;
             step < (signal == SIGKILL ? 16 : 5) || (signal == SIGKILL && named == 0 && step < 64);
             ++step) {
            Write("big.txt", original);
            const pid_t run = Start(inPlace);
            const int moment = step < 16 ? step : 7 + step % 9;
            std::this_thread::sleep_for(whole * moment / (signal == SIGKILL ? 14 : 4));
            ::kill(run, signal);
            Wait(run);
            ++points;
            const std::string left = Read("big.txt");
            if (signal != SIGKILL) {
                // Stopped politely: the original, or the conversion when it had
                // finished before the signal came.
                EXPECT_TRUE(left == original || left == converted) << signal << " " << step;
                EXPECT_EQ(List(), (Names{"big.txt", "home"}));
                continue;
            }
            const auto [again, message] = Run(inPlace);
            if (again == 0) {
                // Killed before the write-back, or after it was complete.
                EXPECT_TRUE(left == original || left == converted) << step;
                continue;
            }
            // Killed during the write-back: the next run names the original and
            // how to put it back, and leaves the file alone.
            ++named;
            const std::size_t at = message.find(" is kept in ") + 12;
            const std::string copy = message.substr(at, message.find(' ', at) - at);
            ASSERT_TRUE(test::ReadFile(copy) == original) << message;
            EXPECT_TRUE(Read("big.txt") == left);
            const std::size_t restore = message.find("cp '");
            const std::string command =
                message.substr(restore, message.find('\n', restore) - restore);
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
            EXPECT_TRUE(Read("big.txt") == original);
            EXPECT_EQ(List(), (Names{"big.txt", "home"}));
        }
    EXPECT_GT(named, 0);
    std::printf("interrupted at %d moments, %d named by the next run\n", points, named);
}

// Many files, a worker per core, stopped politely at timed points: the run ends
// by the signal once the files under way are done, and every output there is
// whole; nothing half written or temporary is left.
TEST_F(ReliabilityRun, PatternRunStoppedMidwayLeavesOnlyWholeFiles) {
    const auto [text, whole] = WriteManyFiles();
    const std::string converted = ToBig5(text);
    int midway = 0;
    for (const int signal : {SIGINT, SIGTERM})
        for (int step = 1; step < 4; ++step) {
            fs::remove_all(work.File("out"));
            const pid_t run = Start(ManyFiles);
            std::this_thread::sleep_for(whole * step / 4);
            ::kill(run, signal);
            const int status = Wait(run);
            EXPECT_TRUE(WIFSIGNALED(status) ? WTERMSIG(status) == signal : WEXITSTATUS(status) == 0)
                << signal << " " << step;
            std::error_code none;
            int outputs = 0;
            for (const auto& entry : fs::directory_iterator(work.File("out"), none)) {
                EXPECT_TRUE(test::ReadFile(entry.path().string()) == converted)
                    << entry.path() << " " << signal << " " << step;
                ++outputs;
            }
            midway += outputs > 0 && outputs < 60;
        }
    std::printf("stopped midway %d times of 6\n", midway);
}

// Ctrl-C to a run that ignores it (a background job of a script) changes
// nothing: every file is converted, and the run says it succeeded because it did.
TEST_F(ReliabilityRun, AnIgnoredInterruptLeavesThePatternRunWhole) {
    const auto whole = WriteManyFiles().second;
    for (int step = 1; step < 4; ++step) {
        fs::remove_all(work.File("out"));
        const pid_t run = Start(ManyFiles, SIGINT);
        std::this_thread::sleep_for(whole * step / 4);
        ::kill(run, SIGINT);
        const int status = Wait(run);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << step;
        std::error_code none;
        int outputs = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(work.File("out"), none))
            ++outputs;
        EXPECT_EQ(outputs, 60) << step;
    }
}

TEST_F(ReliabilityRun, TwoRunsOnOneFileNeverConvertItHalfTwice) {
    const std::string original = Large();
    const std::string once = ToBig5(original);
    const std::string twice = ToBig5(once);
    const Names inPlace{"/i:gbk", "/o:big5", "/f:t", "big.txt"};
    int refused = 0;
    for (int round = 0; round < 6; ++round) {
        Write("big.txt", original);
        const pid_t first = Start(inPlace);
        const pid_t second = Start(inPlace);
        const int a = Wait(first), b = Wait(second);
        const bool bothDone = WEXITSTATUS(a) == 0 && WEXITSTATUS(b) == 0;
        EXPECT_TRUE(bothDone ? Read("big.txt") == twice : Read("big.txt") == once) << round;
        refused += !bothDone;
    }
    // The refusal in words, while another run holds the file.
    Write("big.txt", original);
    const pid_t holder = Start(inPlace);
    std::pair<int, std::string> second;
    do
        second = Run(inPlace);
    while (second.first == 0 && ::waitpid(holder, nullptr, WNOHANG) == 0);
    Wait(holder);
    std::printf("%d of 6 races refused\n", refused);
    if (second.first != 0) {
        EXPECT_NE(second.second.find("is being converted by another run"), std::string::npos);
    }
}

TEST_F(ReliabilityRun, PatternOutputsThatCollideAreReportedAndSkipped) {
    Write("a", GbkWe + "a");
    Write("a.txt", GbkWe + "t");
    Write("~QX1.TMP", GbkWe + "saved"); // a saved original: never an input
    // "a" would go over "a.txt" before its turn; "a.txt" over itself.
    auto [status, message] = Run({"/i:gbk", "/o:big5", "*", "*.txt"});
    EXPECT_EQ(status, 1);
    EXPECT_NE(message.find(work.File("a.txt") + " is an input of this run"), std::string::npos);
    EXPECT_NE(message.find("would be its own output"), std::string::npos);
    EXPECT_EQ(Read("a"), GbkWe + "a");
    EXPECT_EQ(Read("a.txt"), GbkWe + "t");
    // Names the pattern cannot change map onto themselves.
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "*.txt", "*-utf8.txt"}).first, 1);
    EXPECT_EQ(Read("a.txt"), GbkWe + "t");
    // Several inputs into one output: the first is converted, the rest reported.
    Write("b.txt", GbkWe + "b");
    std::tie(status, message) = Run({"/i:gbk", "/o:big5", "*.txt", "out/one.b5"});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Read("out/one.b5"), Big5We + "t");
    EXPECT_NE(message.find("is already the output of " + work.File("a.txt")), std::string::npos);
    // In place, each file is its own output; the saved original is left alone.
    EXPECT_EQ(Run({"/i:gbk", "/o:big5", "*"}).first, 0);
    EXPECT_EQ(Read("a"), Big5We + "a");
    EXPECT_EQ(Read("~QX1.TMP"), GbkWe + "saved");
}

TEST_F(ReliabilityRun, SettingsFolderTrapsAreRefusedOrDisarmed) {
    const Names convert{"/i:gbk", "/o:big5", "/f:t", "a.txt", "b.txt"};
    Write("a.txt", GbkWe);
    // FIFOs and a folder in place of the settings and index files: no wait, no
    // library message, the right output.
    for (const char* name : {"home/Tessarim.ini", "home/key1.ndx", "home/b5_2.ndx"})
        ASSERT_EQ(::mkfifo(work.File(name).c_str(), 0644), 0);
    EXPECT_EQ(Run(convert), std::make_pair(0, std::string()));
    EXPECT_EQ(Read("b.txt"), Big5We);
    fs::remove(work.File("home/Tessarim.ini"));
    fs::create_directory(work.File("home/Tessarim.ini"));
    EXPECT_EQ(Run(convert), std::make_pair(0, std::string()));
    fs::remove(work.File("home/Tessarim.ini"));
    // A settings file that cannot be written costs the stamp, not a message.
    Write("home/Tessarim.ini", "[Data]\r\n");
    fs::permissions(work.File("home/Tessarim.ini"), fs::perms(0444));
    Write("home/b5fix.dat", "layout\r\ntitles\r\n" + Big5We + ",X\r\n");
    EXPECT_EQ(Run(convert), std::make_pair(0, std::string()));
    EXPECT_EQ(Read("b.txt"), "X");
    // Fixed temporary names planted as links lead nowhere; the lists of a
    // private table stay private.
    Write("victim", "private");
    for (const char* name : {"key1.ndx.tmp", "b5_1.ndx.tmp", "b5_2.ndx.tmp", "Tessarim.ini.tmp"})
        fs::create_symlink(work.File("victim"), work.File("home/") + name);
    fs::permissions(work.File("home/b5fix.dat"), fs::perms(0600));
    Write("home/b5fix.dat", "layout\r\ntitles\r\n" + Big5We + ",Y\r\n");
    EXPECT_EQ(Run(convert).first, 0);
    EXPECT_EQ(Read("b.txt"), "Y");
    EXPECT_EQ(Read("victim"), "private");
    EXPECT_EQ(fs::status(work.File("home/b5_1.ndx")).permissions(), fs::perms(0400));
    // A table or a folder others may change is not used, and the user is told.
    fs::permissions(work.File("home/b5fix.dat"), fs::perms(0666));
    auto [status, message] = Run(convert);
    EXPECT_EQ(status, 0);
    EXPECT_NE(message.find("b5fix.dat can be changed by other users"), std::string::npos);
    EXPECT_EQ(Read("b.txt"), Big5We);
    fs::permissions(work.File("home"), fs::perms(0777));
    std::tie(status, message) = Run(convert);
    EXPECT_EQ(status, 1);
    EXPECT_NE(message.find("can be changed by other users, so Tessarim does not use it"),
              std::string::npos);
}

} // namespace
} // namespace tessarim
