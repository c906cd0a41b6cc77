#include "core/FileRun.h"

#include "engine/FixTables.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sched.h>

namespace tessarim {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

// Files of GBK text, their outputs in a folder of their own; the output of
// file 7 exists and is read-only.
class FileRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(folder.File("out"));
        for (int i = 0; i < 24; ++i) {
            const std::string name = std::to_string(i) + ".txt";
            WriteFile(folder.File(name), std::string(1000 + 97 * i, 'a') + "\xD6\xD0");
            tasks.push_back({folder.File(name), folder.File("out/" + name)});
        }
        WriteFile(tasks[7].output, "old");
        fs::permissions(tasks[7].output, fs::perms::owner_write, fs::perm_options::remove);
    }

    // What each report saw, in order; the run stops at the report numbered stopAt.
    std::vector<std::string> Run(unsigned workers, std::size_t stopAt = SIZE_MAX) {
        std::vector<std::string> seen;
        FixTables tables;
        ConvertFiles(
            tasks, {GBK, BIG5, FaceT}, FileRules{}, tables, [](FixTables&) {}, workers,
            [&](const FileResult& result) {
                seen.push_back(result.path +
                               (result.outcome == FileOutcome::Failed ? " failed" : " converted"));
                return seen.size() != stopAt;
            });
        return seen;
    }

    test::TempFolder folder;
    std::vector<FileTask> tasks;
};

TEST_F(FileRunTest, WorkersReportInListOrderAndWriteWhatOneAtATimeWrites) {
    const std::vector<std::string> alone = Run(1);
    std::vector<std::string> outputs;
    for (const FileTask& task : tasks)
        outputs.push_back(fs::exists(task.output) ? ReadFile(task.output) : "");
    for (const FileTask& task : tasks)
        if (task.output != tasks[7].output) fs::remove(task.output);
    EXPECT_EQ(Run(4), alone);
    EXPECT_EQ(alone[7], tasks[7].output + " failed");
    for (std::size_t i = 0; i < tasks.size(); ++i)
        EXPECT_EQ(fs::exists(tasks[i].output) ? ReadFile(tasks[i].output) : "", outputs[i]) << i;
}

// A stopped run begins no file more; those under way are finished and
// reported, so that every file written is one the caller heard of.
TEST_F(FileRunTest, AStoppedRunReportsTheFilesUnderWayAndBeginsNoMore) {
    const std::vector<std::string> seen = Run(2, 8);
    ASSERT_GE(seen.size(), 8u);
    // Two workers: up to their window past the stopping file may have been under way.
    EXPECT_LE(seen.size(), 8 + 2 * FilesAheadPerWorker);
    for (std::size_t i = 0; i < tasks.size(); ++i) {
        const bool reported = i < seen.size();
        if (i == 7) continue; // its read-only output was there before
        EXPECT_EQ(fs::exists(tasks[i].output), reported) << i;
        if (reported) {
            EXPECT_EQ(seen[i], tasks[i].input + " converted");
        }
    }
}

// Each file's output is the next file's input: with every worker asked for, the
// run still goes one at a time and writes what one at a time writes.
TEST_F(FileRunTest, AChainOfFilesGoesOneAtATimeWhateverTheWorkers) {
    const auto link = [&](int i) { return folder.File("chain" + std::to_string(i)); };
    std::vector<FileTask> chain;
    for (int i = 0; i < 24; ++i)
        chain.push_back({link(i), link(i + 1)});
    const auto run = [&](unsigned workers) {
        for (int i = 1; i <= 24; ++i)
            fs::remove(link(i));
        WriteFile(chain[0].input, "\xD6\xD0\xCE\xC4");
        std::vector<std::string> seen;
        FixTables tables;
        ConvertFiles(
            chain, {GBK, BIG5, FaceT}, FileRules{}, tables, [](FixTables&) {}, workers,
            [&](const FileResult& result) {
                seen.push_back(result.outcome == FileOutcome::Converted ? "converted" : "not");
                return true;
            });
        return std::pair(seen, ReadFile(chain.back().output));
    };
    const auto alone = run(1);
    EXPECT_EQ(alone.first, std::vector<std::string>(24, "converted"));
    for (int round = 0; round < 5; ++round)
        EXPECT_EQ(run(4), alone);
}

// A process held to one core (taskset) converts one file at a time.
TEST(FileRun, AWorkerPerCoreThisProcessMayUse) {
    cpu_set_t all, one;
    ASSERT_EQ(::sched_getaffinity(0, sizeof all, &all), 0);
    EXPECT_EQ(WorkersPerCore(), static_cast<unsigned>(CPU_COUNT(&all)));
    CPU_ZERO(&one);
    for (int core = 0; core < CPU_SETSIZE; ++core)
        if (CPU_ISSET(core, &all)) {
            CPU_SET(core, &one);
            break;
        }
    ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
    EXPECT_EQ(WorkersPerCore(), 1u);
    ::sched_setaffinity(0, sizeof all, &all);
}

// A file written twice, or an output that is another file's input, depends on
// the order: such runs go one at a time.
TEST(FileRun, FilesThatMeetGoOneAtATime) {
    EXPECT_TRUE(FilesAreIndependent({{"a", "a"}, {"b", "c"}}));
    EXPECT_FALSE(FilesAreIndependent({{"a", "x"}, {"b", "x"}}));
    EXPECT_FALSE(FilesAreIndependent({{"a", "b"}, {"b", "c"}}));
    EXPECT_FALSE(FilesAreIndependent({{"b", "c"}, {"a", "b"}}));
}

} // namespace
} // namespace tessarim
