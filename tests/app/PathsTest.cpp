#include "app/Paths.h"

#include "app/MasksEx.h"
#include "engine/ConFunc.h"

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

// A folder of its own under the system's temporary folder, removed afterwards.
class PathsFiles : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path() /
                ("tessarim-paths-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string At(const std::string& name) const { return (root_ / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(At(name), std::ios::binary) << bytes;
        return At(name);
    }

    fs::path root_;
};

const char* const DefaultIgnore =
    "*.exe,*.dll,*.com,*.sys,*.vxd,*.drv,*.zip,*.rar,*.xl?,*.bmp,*.gif,*.jp*g,*.tif*,*.hlp,"
    "*.chm,*.pdf,*.au,*.mid,*.wav,*.mp3,*.class,*.swf,*.pp?,*.doc,*.mdb,*.r*m";
const char* const DefaultHtmlType = "*.htm*,*.shtm*,*.asp,*.apsx,*.php*,*.pl,*.cgi,*.js";

TEST(Paths, PathParts) {
    struct Parts {
        const char* path;
        const char* name;
        const char* folderPart;
        const char* folder;
        const char* extension;
        const char* stripped; // StripExtension of the whole path
    };
    const Parts cases[] = {
        {"/data/report.txt", "report.txt", "/data/", "/data", ".txt", "/data/report"},
        {"report", "report", "", "", "", "report"},
        {"/a.tar.gz", "a.tar.gz", "/", "/", ".gz", "/a.tar"}, // the root keeps its "/"
        {"/dir.d/name", "name", "/dir.d/", "/dir.d", "", "/dir.d/name"},
        {"c:x.txt", "c:x.txt", "", "", ".txt", "c:x"}, // the colon is ordinary
        {"/數據/報告.txt", "報告.txt", "/數據/", "/數據", ".txt", "/數據/報告"},
    };
    for (const Parts& c : cases) {
        EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
        EXPECT_EQ(ExtractFilePath(c.path), c.folderPart) << c.path;
        EXPECT_EQ(ExtractFileDir(c.path), c.folder) << c.path;
        EXPECT_EQ(ExtractFileExt(c.path), c.extension) << c.path;
        EXPECT_EQ(StripExtension(c.path), c.stripped) << c.path;
    }
}

TEST(Paths, TrailingSeparatorRootAndInsideFolder) {
    EXPECT_EQ(AddTrailingBackslash(""), "");
    EXPECT_EQ(AddTrailingBackslash("/dir/"), "/dir/");
    EXPECT_EQ(AddTrailingBackslash("D"), "D/");
    EXPECT_EQ(RemoveTrailingBackslash("/dir//"), "/dir/");
    EXPECT_EQ(RemoveTrailingBackslash("/dir"), "/dir");
    EXPECT_TRUE(IsDriveRoot("/"));
    EXPECT_FALSE(IsDriveRoot("//"));
    EXPECT_FALSE(IsDriveRoot("C:/"));

    EXPECT_TRUE(IsInsideFolder("/Data/x", "/Data/"));
    EXPECT_TRUE(IsInsideFolder("/a", "/"));
    EXPECT_FALSE(IsInsideFolder("/data/x", "/Data")); // exact, as the file system
    EXPECT_FALSE(IsInsideFolder("/Database", "/Data"));
    EXPECT_FALSE(IsInsideFolder("/Data/", "/Data"));
}

TEST(Paths, BuildOutputName) {
    const std::string input = "/data/report.txt";
    EXPECT_EQ(BuildOutputName(input, "/out/*.bak"), "/out/report.bak");
    EXPECT_EQ(BuildOutputName(input, "/out/*"), "/out/report.txt");
    EXPECT_EQ(BuildOutputName(input, "/out/x??.*"), "/out/xep.txt");
    EXPECT_EQ(BuildOutputName(input, "/out/*_new.txt"), "/out/report.txt");
    EXPECT_EQ(BuildOutputName(input, "/out/ab?"), "/out/abp");
    EXPECT_EQ(BuildOutputName(input, "/out/plain.u16"), "/out/plain.u16");
    EXPECT_EQ(BuildOutputName("/data/report", "/out/*"), "/out/report.");
    // "?" past the input's end adds nothing.
    EXPECT_EQ(BuildOutputName("/data/ab.c", "/out/????.?x?"), "/out/ab.cx");
    // Positions count characters, so a multi-byte character is taken whole.
    EXPECT_EQ(BuildOutputName("/data/報告書.txt", "/out/x??.*"), "/out/x告書.txt");
    EXPECT_EQ(BuildOutputName("/data/ab.txt", "/out/報?.*"), "/out/報b.txt");
}

TEST(Paths, SplitMaskList) {
    std::vector<std::string> list = {"left over"};
    SplitMaskList(list, "*.a,,*.b", ',');
    EXPECT_EQ(list, (std::vector<std::string>{"*.a", "", "*.b"}));
    SplitMaskList(list, "*.a,*.b,", ',');
    EXPECT_EQ(list, (std::vector<std::string>{"*.a", "*.b"}));
    SplitMaskList(list, "", ',');
    EXPECT_TRUE(list.empty());
    // Only ASCII letters are lower-cased; spaces stay for the matcher to trim.
    SplitMaskList(list, "*.TXT; *.Doc;\xC3\x84*.X", ';');
    EXPECT_EQ(list, (std::vector<std::string>{"*.txt", " *.doc", "\xC3\x84*.x"}));
}

TEST(Paths, IgnoreList) {
    BuildIgnoreList(DefaultIgnore);
    for (const char* name : {"SETUP.EXE", "Photo.JPEG", "book.xls", "letter.docx", "clip.ram"})
        EXPECT_TRUE(IsIgnoredFile(name)) << name;
    EXPECT_FALSE(IsIgnoredFile("readme.txt"));
    EXPECT_FALSE(IsIgnoredFile("exe.txt"));
    // Entries are trimmed; empty ones match no file.
    BuildIgnoreList(" *.a\t,,  ,*.B ");
    EXPECT_TRUE(IsIgnoredFile("x.a") && IsIgnoredFile("x.b"));
    EXPECT_FALSE(IsIgnoredFile("x.c"));
    // A faulty mask stops the list when it is reached.
    BuildIgnoreList("*.a,[abc],*.b");
    EXPECT_TRUE(IsIgnoredFile("x.a"));
    EXPECT_THROW(IsIgnoredFile("x.b"), EMaskError);
    IgnoreList.clear();
    EXPECT_FALSE(IsIgnoredFile("SETUP.EXE"));
}

TEST_F(PathsFiles, HtmlTypeNeedsAnExistingFile) {
    BuildHtmlTypeList(DefaultHtmlType);
    EXPECT_TRUE(IsHtmlTypeFile(Write("Page.HTM", "<html>")));
    EXPECT_TRUE(IsHtmlTypeFile(Write("script.js", "")));
    EXPECT_FALSE(IsHtmlTypeFile(Write("notes.txt", "")));
    EXPECT_FALSE(IsHtmlTypeFile(At("missing.htm")));
    fs::create_directory(At("folder.html"));
    EXPECT_FALSE(IsHtmlTypeFile(At("folder.html")));
    HtmlTypeList.clear();
}

TEST_F(PathsFiles, CompoundDocument) {
    const std::string signature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    EXPECT_TRUE(IsCompoundDocument(Write("old.doc", signature + "rest of the file")));
    EXPECT_FALSE(IsCompoundDocument(Write("short.doc", signature.substr(0, 7))));
    EXPECT_FALSE(IsCompoundDocument(Write("text.txt", "plain text, long enough")));
    EXPECT_FALSE(IsCompoundDocument(Write("empty.txt", "")));

    ASSERT_EQ(::mkfifo(At("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(IsCompoundDocument(At("pipe"))); // returns at once: never opened

    try {
        IsCompoundDocument(At("missing"));
        ADD_FAILURE() << "no error for a missing file";
    } catch (const ConvertError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file " + At("missing"));
    }
    EXPECT_THROW(IsCompoundDocument(root_.string()), ConvertError);
}

TEST_F(PathsFiles, ForceDirectoriesCreatesTheTree) {
    EXPECT_TRUE(ForceDirectories(At("a/b/c")));
    EXPECT_TRUE(DirExists(At("a")) && DirExists(At("a/b")) && DirExists(At("a/b/c/")));
    EXPECT_TRUE(ForceDirectories(At("a/b/c"))); // already there
    EXPECT_TRUE(ForceDirectories(At("x//y/")));
    EXPECT_TRUE(DirExists(At("x/y")));
    EXPECT_TRUE(ForceDirectories("/"));
    fs::create_directory_symlink(At("a"), At("link"));
    EXPECT_TRUE(DirExists(At("link")));
    EXPECT_FALSE(DirExists(Write("file", "")));
    EXPECT_FALSE(DirExists(""));
}

TEST_F(PathsFiles, ForceDirectoriesFailures) {
    Write("file", "");
    EXPECT_FALSE(ForceDirectories(At("file")));
    EXPECT_FALSE(ForceDirectories(At("file/sub")));
    EXPECT_FALSE(ForceDirectories(At("file/sub/deeper")));
    try {
        ForceDirectories("");
        ADD_FAILURE() << "no error for an empty name";
    } catch (const ConvertError& error) {
        EXPECT_STREQ(error.what(), "Cannot create dir: ");
    }
}

} // namespace
} // namespace tessarim
