#include "app/FindFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessarim {
namespace {

namespace fs = std::filesystem;

TEST(FindFiles, HasWildcards) {
    EXPECT_TRUE(HasWildcards("*.txt"));
    EXPECT_TRUE(HasWildcards("a?.txt"));
    EXPECT_FALSE(HasWildcards("/data/[a].txt"));
    EXPECT_FALSE(HasWildcards(""));
}

TEST(FindFiles, WildcardsMatchWholeNamesWithCase) {
    EXPECT_TRUE(MatchesWildcard("*.txt", "a.txt"));
    EXPECT_TRUE(MatchesWildcard("*.txt", ".txt"));
    EXPECT_FALSE(MatchesWildcard("*.txt", "a.TXT"));
    EXPECT_FALSE(MatchesWildcard("*.doc", "a.docx"));
    EXPECT_TRUE(MatchesWildcard("a*b*c", "aXbYbZc"));
    EXPECT_FALSE(MatchesWildcard("a*b*c", "aXbYbZ"));
    EXPECT_TRUE(MatchesWildcard("*", "anything"));
    EXPECT_TRUE(MatchesWildcard("??", "ab"));
    EXPECT_FALSE(MatchesWildcard("??", "a"));
    EXPECT_FALSE(MatchesWildcard("??", "abc"));
    // "?" is one character, as the shell sees it in a UTF-8 locale.
    EXPECT_TRUE(MatchesWildcard("?.txt", "中.txt"));
    EXPECT_TRUE(MatchesWildcard("*文?", "中文字"));
    EXPECT_FALSE(MatchesWildcard("??.txt", "中.txt"));
    EXPECT_FALSE(MatchesWildcard(std::string(30, '*') + "b", std::string(5000, 'a')));
}

class FindFilesFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path() /
                ("tessarim-find-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
        for (const char* name : {"b.txt", "A.txt", "c.TXT", ".hidden.txt", "notes.md", "a.txt"})
            std::ofstream(At(name)) << "text";
        fs::create_directory(At("folder.txt"));
        fs::create_directory(At("folder.txt/inner.txt"));
        ::mkfifo(At("pipe.txt").c_str(), 0600);
        fs::create_symlink(At("gone"), At("dangling.txt"));
        fs::create_symlink(At("notes.md"), At("link.txt"));
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string At(const std::string& name) const { return (root_ / name).string(); }
    std::vector<std::string> Paths(const std::vector<std::string>& names) const {
        std::vector<std::string> paths;
        for (const std::string& name : names)
            paths.push_back(At(name));
        return paths;
    }

    fs::path root_;
};

TEST_F(FindFilesFolder, ListsRegularVisibleFilesInNameOrder) {
    EXPECT_EQ(ListMatchingFiles(root_.string(), "*.txt"),
              Paths({"A.txt", "a.txt", "b.txt", "link.txt"}));
    // A trailing separator on the folder makes no difference.
    EXPECT_EQ(ListMatchingFiles(root_.string() + "/", "?.txt"), Paths({"A.txt", "a.txt", "b.txt"}));
}

TEST_F(FindFilesFolder, SeveralPatternsListEachFileOnce) {
    EXPECT_EQ(ListMatchingFiles(root_.string(), "*.TXT;b*;;*.md;b.txt;"),
              Paths({"b.txt", "c.TXT", "notes.md"}));
    EXPECT_TRUE(ListMatchingFiles(root_.string(), "*.none").empty());
    EXPECT_TRUE(ListMatchingFiles(root_.string(), "").empty());
    EXPECT_TRUE(ListMatchingFiles(At("missing"), "*").empty());
}

} // namespace
} // namespace tessarim
