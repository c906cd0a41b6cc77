#include "platform/Files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tessarim {
namespace {

namespace fs = std::filesystem;

class Files : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path() /
                ("tessarim-files-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string At(const std::string& name) const { return (root_ / name).string(); }
    std::string Write(const std::string& name) const {
        std::ofstream(At(name)) << "text";
        return At(name);
    }
    mode_t Mode(const std::string& path) const {
        struct stat info {};
        ::stat(path.c_str(), &info);
        return info.st_mode & 0777;
    }

    fs::path root_;
};

TEST(FilesNames, HiddenNamesBeginWithADot) {
    EXPECT_TRUE(IsHiddenName(".profile"));
    EXPECT_TRUE(IsHiddenName("."));
    EXPECT_FALSE(IsHiddenName("a.txt"));
    EXPECT_FALSE(IsHiddenName(""));
}

TEST_F(Files, KindsOfEntries) {
    const std::string file = Write("file.txt");
    fs::create_directory(At("dir"));
    ASSERT_EQ(::mkfifo(At("pipe").c_str(), 0600), 0);
    fs::create_symlink(At("gone"), At("dangling"));
    fs::create_symlink(file, At("link"));
    fs::create_symlink(At("loop"), At("loop"));

    EXPECT_EQ(QueryFileKind(file), FileKind::Regular);
    EXPECT_EQ(QueryFileKind(At("link")), FileKind::Regular);
    EXPECT_EQ(QueryFileKind(At("dir")), FileKind::Folder);
    EXPECT_EQ(QueryFileKind(At("pipe")), FileKind::System);
    EXPECT_EQ(QueryFileKind("/dev/null"), FileKind::System);
    EXPECT_EQ(QueryFileKind(At("dangling")), FileKind::Missing);
    EXPECT_EQ(QueryFileKind(At("loop")), FileKind::Missing);
    EXPECT_EQ(QueryFileKind(At("missing")), FileKind::Missing);
    EXPECT_EQ(QueryFileKind(""), FileKind::Missing);
}

TEST_F(Files, ReadOnlyFollowsTheOwnerWriteBit) {
    const std::string file = Write("file.txt");
    ::chmod(file.c_str(), 0664);
    EXPECT_FALSE(IsReadOnly(file));

    // Holds for root as well, who could write the file anyway.
    ASSERT_TRUE(SetReadOnly(file));
    EXPECT_EQ(Mode(file), 0444u);
    EXPECT_TRUE(IsReadOnly(file));

    ASSERT_TRUE(ClearReadOnly(file));
    EXPECT_EQ(Mode(file), 0644u);
    EXPECT_FALSE(IsReadOnly(file));

    EXPECT_FALSE(IsReadOnly(At("missing")));
    EXPECT_FALSE(SetReadOnly(At("missing")));
    EXPECT_FALSE(ClearReadOnly(At("missing")));
}

// The owner's write bit is set, yet this user may not write: read-only all the
// same. As root the check runs in a child that has become another user.
TEST_F(Files, FileWeMayNotWriteIsReadOnly) {
    if (::geteuid() != 0) {
        struct stat info {};
        if (::stat("/etc/passwd", &info) != 0 || info.st_uid == ::geteuid() ||
            (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != S_IWUSR)
            GTEST_SKIP() << "needs a file only its other owner may write";
        EXPECT_TRUE(IsReadOnly("/etc/passwd"));
        return;
    }
    const std::string ownersOnly = Write("owners-only.txt");
    const std::string everyones = Write("everyones.txt");
    ::chmod(ownersOnly.c_str(), 0644);
    ::chmod(everyones.c_str(), 0666);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const uid_t nobody = 65534;
        const bool ok = ::setgid(nobody) == 0 && ::setuid(nobody) == 0 && IsReadOnly(ownersOnly) &&
                        !IsReadOnly(everyones);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(Files, FullPathIsAbsoluteAndTidyWithoutResolvingLinks) {
    const std::string current = fs::current_path().string();
    EXPECT_EQ(FullPath("a/../b"), current + "/b");
    EXPECT_EQ(FullPath("/x/./y/../z"), "/x/z");
    EXPECT_EQ(FullPath("/x/y/"), "/x/y/");
    EXPECT_EQ(FullPath(""), "");
    fs::create_directory(At("dir"));
    fs::create_directory_symlink(At("dir"), At("link"));
    EXPECT_EQ(FullPath(At("link") + "/./f"), At("link") + "/f");
}

TEST_F(Files, SameFileAsTheFileSystemSeesIt) {
    const std::string file = Write("file.txt");
    const std::string other = Write("other.txt");
    fs::create_symlink(file, At("soft"));
    fs::create_hard_link(file, At("hard"));

    EXPECT_TRUE(SameFile(file, root_.string() + "/./file.txt"));
    EXPECT_TRUE(SameFile(file, At("soft")));
    EXPECT_TRUE(SameFile(file, At("hard")));
    EXPECT_FALSE(SameFile(file, other));
    EXPECT_TRUE(SameFile(At("new.txt"), root_.string() + "/x/../new.txt"));
    EXPECT_FALSE(SameFile(At("new.txt"), At("New.txt")));
    EXPECT_FALSE(SameFile(At("new.txt"), file));
}

} // namespace
} // namespace tessarim
