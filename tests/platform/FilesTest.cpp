#include "platform/Files.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tessarim {
namespace {

namespace fs = std::filesystem;

TEST(Files, HiddenNamesAndKindsOfEntries) {
    EXPECT_TRUE(IsHiddenName(".profile") && !IsHiddenName("a.txt") && !IsHiddenName(""));

    test::TempFolder folder;
    test::WriteFile(folder.File("file.txt"), "text");
    fs::create_directory(folder.File("dir"));
    ASSERT_EQ(::mkfifo(folder.File("pipe").c_str(), 0600), 0);
    fs::create_symlink(folder.File("gone"), folder.File("dangling"));
    fs::create_symlink(folder.File("file.txt"), folder.File("link"));
    fs::create_symlink(folder.File("loop"), folder.File("loop"));
    using enum FileKind;
    for (const char* name : {"file.txt", "link"})
        EXPECT_EQ(QueryFileKind(folder.File(name)), Regular) << name;
    for (const char* name : {"dangling", "loop", "missing"})
        EXPECT_EQ(QueryFileKind(folder.File(name)), Missing) << name;
    EXPECT_EQ(QueryFileKind(folder.File("dir")), Folder);
    EXPECT_EQ(QueryFileKind(folder.File("pipe")), System);
    EXPECT_EQ(QueryFileKind("/dev/null"), System);

    // A look before a run tells the same kinds, and opens regular files only:
    // the pipe, which no one writes, would block an open.
    for (const char* name : {"file.txt", "link", "dangling", "dir", "pipe", "missing"}) {
        const FileLook look = LookAtFile(folder.File(name), 3);
        EXPECT_EQ(look.kind, QueryFileKind(folder.File(name))) << name;
        const bool regular = look.kind == Regular;
        EXPECT_EQ(look.size, regular ? 4u : 0u) << name;
        EXPECT_EQ(look.head, regular ? "tex" : "") << name;
    }
    test::WriteFile(folder.File("short"), "\xEF");
    EXPECT_EQ(LookAtFile(folder.File("short"), 3).head, "\xEF");
}

// Read-only means the owner's write bit is clear (for root too, who could write
// anyway) or this user may not write.
TEST(Files, ReadOnlyRules) {
    test::TempFolder folder;
    const std::string file = folder.File("file.txt"), everyones = folder.File("everyones.txt");
    test::WriteFile(file, "text");
    test::WriteFile(everyones, "text");
    fs::permissions(file, fs::perms(0664));
    EXPECT_FALSE(IsReadOnly(file));
    ASSERT_TRUE(SetReadOnly(file));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0444));
    EXPECT_TRUE(IsReadOnly(file));
    ASSERT_TRUE(ClearReadOnly(file));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0644));
    EXPECT_FALSE(IsReadOnly(file));
    const std::string missing = folder.File("missing");
    EXPECT_FALSE(IsReadOnly(missing) || SetReadOnly(missing) || ClearReadOnly(missing));

    // The owner's write bit is set, yet another user may not write.
    if (::geteuid() != 0) GTEST_SKIP() << "acting as another user needs root";
    fs::permissions(everyones, fs::perms(0666));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const uid_t nobody = 65534;
        const bool ok = ::setgid(nobody) == 0 && ::setuid(nobody) == 0 && IsReadOnly(file) &&
                        !IsReadOnly(everyones);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(Files, FullPathAndSameFile) {
    EXPECT_EQ(FullPath("a/../b"), fs::current_path().string() + "/b");
    EXPECT_EQ(FullPath("/x/./y/../z/"), "/x/z/");
    // Full paths that look normal but are not, beside ones that are.
    for (const char* path :
         {"/", "/a/b", "/a/b/", "//a", "/a//b", "/a/.", "/a/..", "/..", "/.a/..b/"})
        EXPECT_EQ(FullPath(path), fs::path(path).lexically_normal().string()) << path;
    test::TempFolder folder;
    const std::string file = folder.File("file.txt");
    test::WriteFile(file, "text");
    test::WriteFile(folder.File("other.txt"), "text");
    fs::create_symlink(file, folder.File("soft"));
    fs::create_hard_link(file, folder.File("hard"));
    for (const char* same : {"./file.txt", "soft", "hard"})
        EXPECT_TRUE(SameFile(file, folder.File(same))) << same;
    EXPECT_FALSE(SameFile(file, folder.File("other.txt")));
    // Names of files not there yet are compared as full paths, exactly.
    EXPECT_TRUE(SameFile(folder.File("new.txt"), folder.File("x/../new.txt")));
    EXPECT_FALSE(SameFile(folder.File("new.txt"), folder.File("New.txt")));
}

// Neither way of renaming replaces a file, a planted link or a folder, and
// both move files and folders with what they hold.
TEST(Files, RenamesNeverReplaceWhatIsThere) {
    for (const auto rename : {&RenameNoReplace, &RenameByClaim}) {
        test::TempFolder folder;
        test::WriteFile(folder.File("a.txt"), "a");
        test::WriteFile(folder.File("b.txt"), "b");
        fs::create_symlink(folder.File("gone"), folder.File("planted"));
        fs::create_directory(folder.File("dir"));
        test::WriteFile(folder.File("dir/inner.txt"), "inner");
        fs::create_directory(folder.File("empty"));

        EXPECT_EQ(rename(folder.File("a.txt"), folder.File("b.txt")), EEXIST);
        EXPECT_EQ(rename(folder.File("a.txt"), folder.File("planted")), EEXIST);
        EXPECT_EQ(rename(folder.File("dir"), folder.File("empty")), EEXIST);
        EXPECT_EQ(rename(folder.File("missing"), folder.File("new")), ENOENT);
        EXPECT_EQ(test::ReadFile(folder.File("a.txt")), "a");
        EXPECT_EQ(test::ReadFile(folder.File("b.txt")), "b");
        EXPECT_TRUE(fs::is_symlink(folder.File("planted")));
        EXPECT_TRUE(fs::is_empty(folder.File("empty")));

        EXPECT_EQ(rename(folder.File("a.txt"), folder.File("c.txt")), 0);
        EXPECT_EQ(rename(folder.File("dir"), folder.File("moved")), 0);
        EXPECT_EQ(test::ReadFile(folder.File("c.txt")), "a");
        EXPECT_EQ(test::ReadFile(folder.File("moved/inner.txt")), "inner");
        EXPECT_EQ(test::FolderNames(folder.Path()),
                  (std::vector<std::string>{"b.txt", "c.txt", "empty", "moved", "planted"}));
    }
}

} // namespace
} // namespace tessarim
