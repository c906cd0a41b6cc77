// The file window's run over real files: the overwrite answers and suffixes, the
// wrong-mode check, the tree rebuilt under the destination, and what is left
// listed after a run that stopped.
#include "filewin/BatchRun.h"
#include "core/Paths.h"
#include "filewin/FileCon.h"
#include "platform/Files.h"
#include "platform/Sound.h"
#include "settings/Settings.h"
#include "tests/support/TestSupport.h"

#include <deque>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace tessarim {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

const std::string Gbk = test::FromHex("c4e3bac3"); // 你好
const std::string Big5 = test::FromHex("a741a66e");

class RecordingUi : public RunUi {
public:
    std::vector<std::string> errors, infos, asked;
    std::deque<OverwriteAnswer> answers;
    int stopAfter = -1; // StopRequested turns true after this many questions
    int stopChecks = 0;

    void ShowError(const std::string& text) override { errors.push_back(text); }
    void ShowInfo(const std::string& text) override { infos.push_back(text); }
    OverwriteAnswer AskOverwrite(const std::string& path) override {
        asked.push_back(ExtractFileName(path));
        const OverwriteAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<std::uint64_t> bytesShown;
    void Status(const std::string&, const RunProgress& progress) override {
        bytesShown.push_back(progress.bytesDone);
    }
    bool StopRequested() override { return stopAfter >= 0 && stopChecks++ >= stopAfter; }
};

class CountingSound : public Sound {
public:
    int beeps = 0;
    void MessageBeep() override { ++beeps; }
    bool PlayWaveFile(const std::string&) override { return false; }
};

// The per-file core, failing on the file whose name is given.
class FailingConverter : public CoreConverter {
public:
    using CoreConverter::CoreConverter;
    std::string failOn;
    FileResult Convert(const FileJob& job,
                       const std::function<void(std::uint64_t)>& onBytes) override {
        if (ExtractFileName(job.source) != failOn) return CoreConverter::Convert(job, onBytes);
        return {.outcome = FileOutcome::Failed,
                .failure = FailureKind::Conversion,
                .path = job.source,
                .message = "Stream write error"};
    }
};

class BatchRunTest : public ::testing::Test {
protected:
    TempFolder src, dest;
    RecordingUi ui;
    CountingSound sound;
    RunSettings settings;
    FileCon con{{.defaultFolder = src.Dir(), .defaultTarget = GBK, .defaultFace = FaceD}};
    FailingConverter converter{con.Rules, nullptr};

    void SetUp() override { con.Rules.ignore = MaskList(keys::Ignore.def); }
    void List(std::initializer_list<const char*> names) {
        for (const char* name : names)
            if (!fs::exists(src.File(name))) WriteFile(src.File(name), Gbk);
        con.ShowSource(src.Dir());
        con.ChooseDest(dest.Dir());
        con.AddAll();
    }
    RunResult Run() { return RunBatch(con, settings, ui, converter, sound); }
};

TEST_F(BatchRunTest, OverwriteAnswersAndSuffixesNeverReplaceAFileUnasked) {
    List({"a.txt", "b.txt", "c.txt", "d.txt"});
    for (const char* name : {"a.txt", "b.txt", "b-b5.txt", "c.txt", "d.txt", "d-b5.txt"})
        WriteFile(dest.File(name), "old");
    ui.answers = {OverwriteAnswer::Yes, OverwriteAnswer::No, OverwriteAnswer::NoToAll};
    const RunResult result = Run();
    EXPECT_EQ(ui.asked, (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(ReadFile(dest.File("a.txt")), Big5);
    // The suffixed name was taken too: a counter keeps both files.
    EXPECT_EQ(ReadFile(dest.File("b-b5.txt")), "old");
    EXPECT_EQ(ReadFile(dest.File("b-b5-2.txt")), Big5);
    EXPECT_EQ(ReadFile(dest.File("c-b5.txt")), Big5);
    EXPECT_EQ(ReadFile(dest.File("d-b5.txt")), "old");
    EXPECT_EQ(ReadFile(dest.File("d-b5-2.txt")), Big5);
    for (const char* name : {"b.txt", "c.txt", "d.txt"})
        EXPECT_EQ(ReadFile(dest.File(name)), "old");
    EXPECT_EQ(result.bytes, 16u);
    EXPECT_EQ(sound.beeps, 1);
    ASSERT_EQ(ui.infos.size(), 1u);
    EXPECT_TRUE(ui.infos[0].starts_with("File conversion finished\r\n\r\nTotal size converted: 16 "
                                        "bytes\r\n\r\nTotal time used: "));
    EXPECT_TRUE(con.JobFiles.empty());
}

TEST_F(BatchRunTest, ReadOnlyDestinationsStayAndTheirSourcesStayListed) {
    List({"a.txt", "b.txt"});
    WriteFile(dest.File("a.txt"), "old");
    ASSERT_TRUE(SetReadOnly(dest.File("a.txt")));
    WriteFile(dest.File("b.txt"), "old");
    ui.answers = {OverwriteAnswer::YesToAll};
    Run();
    EXPECT_EQ(ReadFile(dest.File("a.txt")), "old");
    EXPECT_EQ(ReadFile(dest.File("b.txt")), Big5);
    EXPECT_EQ(ui.errors, std::vector<std::string>{"Cannot replace " + dest.File("a.txt") +
                                                  "\r\n\r\nThe file is *ReadOnly."});
    EXPECT_EQ(con.JobFiles, std::vector<std::string>{src.File("a.txt")});

    // Without CfmOverwrite an existing destination is replaced without a question.
    settings.cfmOverwrite = false;
    ClearReadOnly(dest.File("a.txt"));
    Run();
    EXPECT_EQ(ReadFile(dest.File("a.txt")), Big5);
}

TEST_F(BatchRunTest, WrongModeRefusesTheRunButAVanishedFileDoesNot) {
    List({"a.txt", "gone.txt", "u.txt"});
    fs::remove(src.File("gone.txt"));
    WriteFile(src.File("u.txt"), "\xEF\xBB\xBFhi");
    Run();
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Wrong Mode \r\n\r\nFile content of 'u.txt' is in UTF-8 format.\r\n\r\n"
                            "Current mode: GBK > Big5");
    EXPECT_FALSE(fs::exists(dest.File("a.txt")));
    EXPECT_EQ(con.JobFiles.size(), 3u) << "nothing converted, nothing taken off the list";

    // A UTF-8 run takes files without a mark; the vanished one is skipped.
    con.Mode.ShowAdvanced();
    con.Mode.ClickInput(UTF8);
    con.Mode.ClickOutput(ULE);
    Run();
    EXPECT_EQ(ReadFile(dest.File("u.txt")), test::FromHex("fffe 6800 6900"));
    EXPECT_TRUE(fs::exists(dest.File("a.txt")));
    EXPECT_TRUE(con.JobFiles.empty());
}

TEST_F(BatchRunTest, TreeIsRebuiltUnderTheDestinationWithCopiesFollowingTheOverwriteRule) {
    fs::create_directories(src.Path() / "x" / "y");
    WriteFile(src.Path() / "x" / "y" / "a.txt", Gbk);
    WriteFile(src.Path() / "x" / "pic.gif", "GIF89a-new");
    WriteFile(src.Path() / "top.txt", Gbk);
    con.ShowSource(src.Dir());
    con.AddAllSub();
    ASSERT_TRUE(con.IncludesSubfolders);

    con.ChooseDest(src.Dir() + "x/");
    EXPECT_TRUE(Run().refusedDestination);
    EXPECT_FALSE(fs::exists(src.Path() / "x" / "x")) << "refused before any folder is made";

    con.ChooseDest(dest.Dir());
    fs::create_directories(dest.Path() / "x");
    WriteFile(dest.Path() / "x" / "pic.gif", "GIF89a-mine");
    ui.answers = {OverwriteAnswer::No};
    Run();
    EXPECT_EQ(ui.asked, std::vector<std::string>{"pic.gif"});
    EXPECT_EQ(ReadFile(dest.Path() / "x" / "pic.gif"), "GIF89a-mine");
    EXPECT_EQ(ReadFile(dest.Path() / "x" / "pic-b5.gif"), "GIF89a-new");
    EXPECT_EQ(ReadFile(dest.Path() / "x" / "y" / "a.txt"), Big5);
    EXPECT_EQ(ReadFile(dest.Path() / "top.txt"), Big5);
    EXPECT_FALSE(con.IncludesSubfolders);
}

TEST_F(BatchRunTest, StopOrAnErrorLeavesTheFilesNotConvertedListed) {
    List({"a.txt", "b.txt", "c.txt", "d.txt"});
    converter.failOn = "b.txt";
    Run();
    EXPECT_EQ(ui.errors, std::vector<std::string>{"Stream write error"});
    EXPECT_FALSE(fs::exists(dest.File("b.txt")));
    EXPECT_EQ(con.JobFiles,
              (std::vector<std::string>{src.File("b.txt"), src.File("c.txt"), src.File("d.txt")}));
    EXPECT_TRUE(ui.infos.empty());

    converter.failOn.clear();
    ui.stopAfter = 1; // Stop pressed while the first file converts
    const RunResult stopped = Run();
    EXPECT_TRUE(stopped.stopped);
    EXPECT_TRUE(fs::exists(dest.File("b.txt")));
    EXPECT_FALSE(fs::exists(dest.File("c.txt")));
    EXPECT_EQ(con.JobFiles, (std::vector<std::string>{src.File("c.txt"), src.File("d.txt")}));
    EXPECT_EQ(sound.beeps, 0);
}

// In place, z.txt is a.txt under another name: once a.txt is converted, z.txt
// has changed since the run listed it and is left, as a file another run
// converted meanwhile would be. One at a time and side by side.
TEST_F(BatchRunTest, InPlaceAFileChangedSinceTheRunBeganIsNotConvertedAgain) {
    settings.cfmOverwrite = false;
    for (const int files : {3, 20}) {
        std::vector<std::string> names;
        for (int i = 0; i < files; ++i) {
            names.push_back(std::to_string(100 + i) + ".txt");
            WriteFile(src.File(names.back()), Gbk);
        }
        fs::create_hard_link(src.File("100.txt"), src.File("z.txt"));
        // Change times may be counted in clock ticks: the run's changes come
        // in later ticks than the files.
        ::usleep(30000);
        List({});
        con.ChooseDest(src.Dir());
        ui.errors.clear();
        Run();
        ASSERT_EQ(ui.errors.size(), 1u) << files;
        EXPECT_TRUE(
            ui.errors[0].starts_with(src.File("z.txt") + " changed after this run listed it"))
            << ui.errors[0];
        EXPECT_EQ(con.JobFiles, std::vector<std::string>{src.File("z.txt")});
        for (const std::string& name : names)
            EXPECT_EQ(ReadFile(src.File(name)), Big5) << name;
        for (const std::string& name : names)
            fs::remove(src.File(name));
        fs::remove(src.File("z.txt"));
        con.RemoveAll();
    }
}

// Enough files for workers: the run must read as one file after another.
TEST_F(BatchRunTest, ManyFilesConvertSideBySideAndReadAsOneAfterAnother) {
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i) {
        names.push_back(std::to_string(100 + i) + ".txt");
        WriteFile(src.File(names.back()), Gbk);
    }
    List({});
    RunResult result = Run();
    for (const std::string& name : names)
        ASSERT_EQ(ReadFile(dest.File(name)), Big5) << name;
    EXPECT_EQ(result.bytes, 160u);
    EXPECT_TRUE(con.JobFiles.empty());
    ASSERT_EQ(ui.infos.size(), 1u);
    EXPECT_TRUE(ui.infos[0].find("Total size converted: 160 bytes") != std::string::npos);
    EXPECT_EQ(ui.bytesShown.back(), 160u) << "progress reaches the end";

    // Again over the files just written: the first question is asked alone;
    // "Yes to all" lets the rest go side by side. A read-only destination is
    // reported where it stands in the list and stays listed.
    List({});
    ASSERT_TRUE(SetReadOnly(dest.File("120.txt")));
    ui.answers = {OverwriteAnswer::YesToAll};
    result = Run();
    EXPECT_EQ(ui.asked, std::vector<std::string>{"100.txt"});
    EXPECT_EQ(ui.errors, std::vector<std::string>{"Cannot replace " + dest.File("120.txt") +
                                                  "\r\n\r\nThe file is *ReadOnly."});
    EXPECT_EQ(con.JobFiles, std::vector<std::string>{src.File("120.txt")});
    EXPECT_EQ(result.bytes, 156u);
    ClearReadOnly(dest.File("120.txt"));

    // Stop after the fifth report: the files a worker had under way are
    // finished and leave the list with those five; the rest stay listed.
    for (const std::string& name : names)
        fs::remove(dest.File(name));
    List({});
    const std::vector<std::string> listed = con.JobFiles;
    ui.stopAfter = 5;
    result = Run();
    EXPECT_TRUE(result.stopped);
    const std::size_t left = con.JobFiles.size();
    ASSERT_LE(left, listed.size() - 5);
    EXPECT_GT(left, 0u);
    EXPECT_EQ(con.JobFiles, std::vector<std::string>(listed.end() - left, listed.end()));
    for (std::size_t i = 0; i < listed.size(); ++i)
        EXPECT_EQ(fs::exists(dest.File(ExtractFileName(listed[i]))), i < listed.size() - left)
            << listed[i];
    EXPECT_EQ(result.bytes, 4 * (listed.size() - left));
    EXPECT_EQ(sound.beeps, 2) << "no end sound for the stopped run";
}

// A character Big5 lacks and a file cut inside a character are told in the
// finished message, even with that message turned off, on both roads: one file
// at a time and side by side. A long list ends with how many are not shown.
TEST_F(BatchRunTest, FilesConvertedWithCharactersChangedAreToldWhichAndHowMany) {
    settings.msgFinished = false;
    const std::string lacking = test::FromHex("a8bf"); // in GBK, not in Big5
    WriteFile(src.File("a.txt"), Gbk + lacking + lacking);
    WriteFile(src.File("b.txt"), Gbk + Gbk.substr(0, 1));
    WriteFile(src.File("c.txt"), Gbk);
    List({});
    RunResult result = Run();
    ASSERT_EQ(result.replaced.size(), 1u);
    EXPECT_EQ(result.replaced[0], std::make_pair(src.File("a.txt"), std::uint64_t{2}));
    EXPECT_EQ(result.leftOut, std::vector<std::string>{src.File("b.txt")});
    ASSERT_EQ(ui.infos.size(), 1u);
    EXPECT_NE(ui.infos[0].find("\r\n" + src.File("a.txt") + " (2)"), std::string::npos)
        << ui.infos[0];
    EXPECT_NE(ui.infos[0].find("which was left out:\r\n" + src.File("b.txt")), std::string::npos);
    EXPECT_EQ(ui.infos[0].find("c.txt"), std::string::npos);

    // Nothing changed: nothing to tell, and the message stays off.
    ui.infos.clear();
    for (const char* name : {"a.txt", "b.txt"})
        fs::remove(src.File(name));
    List({});
    settings.cfmOverwrite = false;
    Run();
    EXPECT_TRUE(ui.infos.empty());

    ui.infos.clear();
    for (int i = 0; i < 30; ++i)
        WriteFile(src.File(std::to_string(100 + i) + ".txt"), lacking);
    List({});
    result = Run();
    EXPECT_EQ(result.replaced.size(), 30u);
    ASSERT_EQ(ui.infos.size(), 1u);
    EXPECT_NE(ui.infos[0].find(src.File("109.txt") + " (1)\r\n... and 20 more"), std::string::npos)
        << ui.infos[0];
    EXPECT_EQ(ui.infos[0].find("110.txt"), std::string::npos);
}

// The destination folder is listed once for a run of many files: a file there
// under one of their names is still asked about, the others are written.
TEST_F(BatchRunTest, AnExistingDestinationAmongManyIsStillAskedAbout) {
    for (int i = 0; i < 40; ++i)
        WriteFile(src.File(std::to_string(100 + i) + ".txt"), Gbk);
    WriteFile(dest.File("130.txt"), "mine");
    List({});
    settings.cfmOverwrite = true;
    ui.answers = {OverwriteAnswer::Skip};
    Run();
    EXPECT_EQ(ui.asked, std::vector<std::string>{"130.txt"});
    EXPECT_EQ(ReadFile(dest.File("130.txt")), "mine");
    EXPECT_EQ(ReadFile(dest.File("139.txt")), Big5);
    EXPECT_EQ(con.JobFiles, std::vector<std::string>{src.File("130.txt")});
}

TEST_F(BatchRunTest, ProgressMovesWithinALargeFile) {
    std::string text;
    for (int i = 0; i < 700000; ++i)
        text += Gbk; // 2.8 MB: three blocks
    WriteFile(src.File("large.txt"), text);
    List({});
    Run();
    std::vector<std::uint64_t> within;
    for (std::uint64_t bytes : ui.bytesShown)
        if (bytes > 0 && bytes < text.size()) within.push_back(bytes);
    EXPECT_EQ(within, (std::vector<std::uint64_t>{1024000, 2048000}));
}

TEST_F(BatchRunTest, ByteTotalPassesFourGigabytesAndAnEmptyListStillReports) {
    Run();
    ASSERT_EQ(ui.infos.size(), 1u);
    EXPECT_TRUE(ui.infos[0].find("Total size converted: 0 bytes") != std::string::npos);
    EXPECT_EQ(sound.beeps, 1);

    // A sparse file of 5 GiB, counted by a converter that does not read it.
    class Counting : public FileConverter {
        FileResult Convert(const FileJob&, const std::function<void(std::uint64_t)>&) override {
            return {};
        }
        void Copy(const std::string&, const std::string&) override {}
    } counting;
    WriteFile(src.File("big.txt"), "");
    fs::resize_file(src.File("big.txt"), 5ull << 30);
    List({});
    const RunResult result = RunBatch(con, settings, ui, counting, sound);
    EXPECT_EQ(result.bytes, 5ull << 30);
    EXPECT_TRUE(ui.infos.back().find("5,368,709,120 bytes") != std::string::npos);
}

} // namespace
} // namespace tessarim
