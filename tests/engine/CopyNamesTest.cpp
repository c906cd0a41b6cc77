// The copy names of a folder as a listing would give them, however they came
// and went since the folder was first asked about.
#include "engine/CopyNames.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessarim {
namespace {

using test::WriteFile;
using Names = std::vector<std::string>;

Names Sorted(Names names) {
    std::sort(names.begin(), names.end());
    return names;
}

class CopyNamesTest : public ::testing::Test {
protected:
    std::string P(const std::string& name) const { return folder.File(name); }
    Names Asked(const std::string& path) const { return Sorted(ConversionCopyNames(path)); }
    Names Asked() const { return Asked(folder.Path().string() + "/"); }

    test::TempFolder folder;
};

TEST_F(CopyNamesTest, NamesMadeMovedAndRemovedSinceTheLastLookAreSeen) {
    WriteFile(P("~QX1.TMP"), "");
    WriteFile(P("~QX.TMP"), "");
    WriteFile(P("~QX2.TMP.txt"), "");
    EXPECT_EQ(Asked(), Names{"~QX1.TMP"});

    WriteFile(P("~QX3.TMP"), "");
    WriteFile(P("notes.txt"), "");
    const test::TempFolder elsewhere;
    WriteFile(elsewhere.File("~QX9.TMP"), "");
    fs::rename(elsewhere.File("~QX9.TMP"), P("~QX9.TMP"));
    fs::rename(P("~QX1.TMP"), elsewhere.File("~QX1.TMP"));
    WriteFile(P("~QX5.TMP"), "");
    fs::remove(P("~QX5.TMP"));
    // Another process makes one and asks too: a child made by fork must not
    // take what the kernel tells this one.
    const pid_t child = ::fork();
    if (child == 0) {
        WriteFile(P("~QX4.TMP"), "");
        const Names seen = Asked();
        ::_exit(std::find(seen.begin(), seen.end(), "~QX4.TMP") == seen.end() ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Asked(), (Names{"~QX3.TMP", "~QX4.TMP", "~QX9.TMP"}));
    // Spelt another way, the same folder.
    EXPECT_EQ(Asked(folder.Path().string() + "/./"), (Names{"~QX3.TMP", "~QX4.TMP", "~QX9.TMP"}));
}

TEST_F(CopyNamesTest, AFolderPutWhereAnotherWasIsListedAfresh) {
    const std::string path = P("sub") + "/";
    fs::create_directory(path);
    WriteFile(path + "~QX1.TMP", "");
    EXPECT_EQ(Asked(path), Names{"~QX1.TMP"});
    fs::rename(P("sub"), P("old"));
    fs::create_directory(path);
    WriteFile(path + "~QX2.TMP", "");
    EXPECT_EQ(Asked(path), Names{"~QX2.TMP"});
    fs::remove_all(P("sub"));
    fs::create_directory(path);
    EXPECT_EQ(Asked(path), Names{});
    fs::remove_all(P("sub"));
    EXPECT_EQ(Asked(path), Names{});
}

// More changes than the kernel keeps notices of: the names are listed again.
TEST_F(CopyNamesTest, NoticesLostToAFullQueueDoNotHideACopy) {
    std::ifstream limit("/proc/sys/fs/inotify/max_queued_events");
    long kept = 0;
    if (!(limit >> kept) || kept > 200000) GTEST_SKIP() << "the kernel keeps too many notices";
    EXPECT_EQ(Asked(), Names{});
    const std::string churn = P("churn.txt");
    for (long n = 0; n <= kept / 2; ++n) {
        ::close(::open(churn.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600));
        ::unlink(churn.c_str());
    }
    WriteFile(P("~QX7.TMP"), "");
    EXPECT_EQ(Asked(), Names{"~QX7.TMP"});
}

TEST_F(CopyNamesTest, ManyFoldersInTurnEachGiveTheirOwn) {
    for (int round = 0; round < 2; ++round)
        for (int n = 0; n < 40; ++n) {
            const std::string path = P(std::to_string(n) + "/");
            fs::create_directories(path);
            std::string name = "~QX";
            name += std::to_string(n + 1 + round * 100) + ".TMP";
            WriteFile(path + name, "");
            const Names seen = Asked(path);
            EXPECT_NE(std::find(seen.begin(), seen.end(), name), seen.end()) << path;
            EXPECT_EQ(seen.size(), static_cast<std::size_t>(round + 1)) << path;
        }
}

} // namespace
} // namespace tessarim
