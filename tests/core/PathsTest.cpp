#include "core/Paths.h"

#include "core/MasksEx.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

// The file name and the name without extension are the rest of the path after
// the folder part and before the extension; the fuzz target checks that.
TEST(Paths, PathParts) {
    struct Parts {
        const char *path, *folderPart, *folder, *extension;
    };
    const Parts cases[] = {
        {"/data/report.txt", "/data/", "/data", ".txt"},
        {"report", "", "", ""},
        {"/a.tar.gz", "/", "/", ".gz"}, // the root keeps its "/"
        {"/dir.d/name", "/dir.d/", "/dir.d", ""},
        {"c:x.txt", "", "", ".txt"}, // the colon is ordinary
        {"/數據/報告.txt", "/數據/", "/數據", ".txt"},
    };
    for (const Parts& c : cases) {
        EXPECT_EQ(ExtractFilePath(c.path), c.folderPart) << c.path;
        EXPECT_EQ(ExtractFileDir(c.path), c.folder) << c.path;
        EXPECT_EQ(ExtractFileExt(c.path), c.extension) << c.path;
    }
    EXPECT_EQ(AddTrailingBackslash(""), "");
    EXPECT_EQ(AddTrailingBackslash("/dir/"), "/dir/");
    EXPECT_EQ(AddTrailingBackslash("D"), "D/");
    EXPECT_EQ(RemoveTrailingBackslash("/dir//"), "/dir/");
    EXPECT_TRUE(IsDriveRoot("/"));
    EXPECT_FALSE(IsDriveRoot("//") || IsDriveRoot("C:/"));
    EXPECT_TRUE(IsInsideFolder("/Data/x", "/Data/") && IsInsideFolder("/a", "/"));
    EXPECT_FALSE(IsInsideFolder("/data/x", "/Data")); // exact, as the file system
    EXPECT_FALSE(IsInsideFolder("/Database", "/Data") || IsInsideFolder("/Data/", "/Data"));
}

TEST(Paths, BuildOutputName) {
    const std::pair<const char*, const char*> cases[] = {
        {"/out/*.bak", "/out/report.bak"}, {"/out/*", "/out/report.txt"},
        {"/out/x??.*", "/out/xep.txt"},    {"/out/*_new.txt", "/out/report.txt"},
        {"/out/ab?", "/out/abp"},          {"/out/plain.u16", "/out/plain.u16"}};
    for (const auto& [pattern, output] : cases)
        EXPECT_EQ(BuildOutputName("/data/report.txt", pattern), output) << pattern;
    EXPECT_EQ(BuildOutputName("/data/report", "/out/*"), "/out/report.");
    // "?" past the input's end adds nothing.
    EXPECT_EQ(BuildOutputName("/data/ab.c", "/out/????.?x?"), "/out/ab.cx");
    // Positions count characters, so a multi-byte character is taken whole.
    EXPECT_EQ(BuildOutputName("/data/報告書.txt", "/out/x??.*"), "/out/x告書.txt");
    EXPECT_EQ(BuildOutputName("/data/ab.txt", "/out/報?.*"), "/out/報b.txt");
}

// The user's masks of files never to convert, ignoring case and blanks around them.
TEST(Paths, IgnoreList) {
    const MaskList ignore(" *.exe\t,,  ,*.Jp*G ");
    EXPECT_TRUE(IsIgnoredFile(ignore, "SETUP.EXE") && IsIgnoredFile(ignore, "photo.jpeg"));
    // empty masks match no file
    EXPECT_FALSE(IsIgnoredFile(ignore, "exe.txt") || IsIgnoredFile(ignore, "x.c"));
    // A faulty mask stops the list when it is reached.
    const MaskList faulty("*.a,[abc],*.b");
    EXPECT_TRUE(IsIgnoredFile(faulty, "x.a"));
    EXPECT_THROW(IsIgnoredFile(faulty, "x.b"), EMaskError);
}

} // namespace
} // namespace tessarim
