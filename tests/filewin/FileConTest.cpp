// The file window's logic without a display: the mode forms, the control
// states, the lists and the tree scan, shortened paths and the filter text.
#include "filewin/FileCon.h"
#include "core/Paths.h"
#include "filewin/FilterEdit.h"
#include "settings/Settings.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace tessarim {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using test::WriteFile;

FileCon::Environment Env(const TempFolder& folder, bool unicode = true) {
    return {.defaultFolder = folder.Dir(),
            .defaultTarget = GBK,
            .defaultFace = FaceS,
            .unicodeAvailable = unicode,
            .lang = 0,
            .namesAvailable = true};
}

struct Lists : ::testing::Test {
    TempFolder dir;
    // The file rules of the settings' defaults.
    static FileCon Con(const FileCon::Environment& environment) {
        FileCon con(environment);
        con.Rules.ignore = MaskList(keys::Ignore.def);
        return con;
    }
};

TEST(ModeSelectTest, AdvancedFormKeepsGlyphAndCodesConsistent) {
    ModeSelect mode(GBK, FaceS, true);
    EXPECT_EQ(mode.OtherCaption(0), "Unicode-LE > GBK  ( Simp. )");
    mode.ShowAdvanced();
    EXPECT_TRUE(mode.TradChecked()) << "the simple form's GBK > Big5 is Traditional";
    mode.ClickOutput(BIG5);
    EXPECT_FALSE(mode.SimpEnabled());
    EXPECT_EQ(mode.OutputFace(), FaceT);
    mode.ClickOutput(UTF8);
    EXPECT_FALSE(mode.SimpChecked() || mode.TradChecked());
    EXPECT_EQ(mode.OutputFace(), FaceD);

    // Closing the form: its mode becomes "Others" unless it is one of the two simple ones.
    mode.ClickInput(ULE);
    mode.ClickOutput(GBK);
    EXPECT_EQ(mode.OutputFace(), FaceS);
    mode.HideAdvanced();
    EXPECT_EQ(mode.Simple(), SimpleMode::Other);
    EXPECT_EQ(mode.OtherCaption(0), "Unicode-LE > GBK  ( Simp. )");
    EXPECT_EQ(mode.OtherCaption(1), "Unicode-LE > GBK  (簡體)");
    mode.ShowAdvanced();
    mode.ClickInput(GBK);
    mode.ClickOutput(BIG5);
    mode.ClickFace(false, false);
    mode.HideAdvanced();
    EXPECT_EQ(mode.Simple(), SimpleMode::Other) << "GBK > Big5 with glyphs unchanged";
    mode.ShowAdvanced();
    mode.ClickFace(false, true);
    mode.HideAdvanced();
    EXPECT_EQ(mode.Simple(), SimpleMode::GbToBig5);
}

TEST(ModeSelectTest, DetectedCodeChoosesTheModeAsAClickWould) {
    ModeSelect mode(BIG5, FaceT, true);
    mode.ApplyDetectedCode(UBE);
    EXPECT_EQ(mode.Simple(), SimpleMode::Other);
    EXPECT_EQ(mode.SourceCode(), UBE);
    EXPECT_EQ(mode.TargetCode(), BIG5);
    EXPECT_EQ(mode.OutputFace(), FaceT);
    mode.ApplyDetectedCode(Undetermined);
    EXPECT_EQ(mode.Simple(), SimpleMode::GbToBig5) << "undetermined is taken for GBK";
    mode.ApplyDetectedCode(BIG5);
    EXPECT_EQ(mode.SourceCode(), BIG5);
    EXPECT_EQ(mode.TargetCode(), GBK);

    // "Others" standing for a Big5 source stays for a Big5 file.
    mode.ShowAdvanced();
    mode.ClickOutput(UTF8);
    mode.HideAdvanced();
    mode.ApplyDetectedCode(BIG5);
    EXPECT_EQ(mode.Simple(), SimpleMode::Other);
    EXPECT_EQ(mode.TargetCode(), UTF8);

    // In the advanced form the input radio follows; without both code pages
    // the simple form never switches to a Unicode source.
    mode.ShowAdvanced();
    mode.ApplyDetectedCode(UTF8);
    EXPECT_EQ(mode.InputRadio(), UTF8);
    EXPECT_EQ(mode.SourceCode(), UTF8);
    ModeSelect plain(GBK, FaceD, false);
    plain.ApplyDetectedCode(ULE);
    EXPECT_EQ(plain.Simple(), SimpleMode::GbToBig5);
    EXPECT_EQ(plain.SourceCode(), GBK);
}

// The preview applies the detected code each time it draws, and draws again
// on every change: a code the mode already has must change nothing.
TEST(ModeSelectTest, ADetectedCodeTheModeHasIsNoChange) {
    ModeSelect mode(BIG5, FaceT, true);
    int changes = 0;
    mode.Changed = [&] { ++changes; };
    for (const Code code : {GBK, Undetermined, GBK}) {
        mode.ApplyDetectedCode(code);
        EXPECT_EQ(changes, 0) << static_cast<int>(code);
    }
    mode.ApplyDetectedCode(BIG5);
    EXPECT_EQ(changes, 1);
    mode.ApplyDetectedCode(BIG5);
    EXPECT_EQ(changes, 1);
    // The advanced form keeps the face a user unchecked for the same input.
    mode.ShowAdvanced();
    mode.ClickOutput(GBK);
    mode.ClickFace(true, false);
    ASSERT_EQ(mode.OutputFace(), FaceD);
    changes = 0;
    mode.ApplyDetectedCode(BIG5);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(mode.OutputFace(), FaceD);
}

TEST(FileConTextTest, ShortenedPathsAndCountLabels) {
    const TextWidth chars = [](std::string_view text) { return static_cast<int>(text.size()); };
    const std::string path = "/Alpha/Beta/Gamma/file.txt";
    std::vector<std::string> steps;
    for (int width = 30; width >= 0; --width)
        if (steps.empty() || steps.back() != ShortenPath(path, width, chars))
            steps.push_back(ShortenPath(path, width, chars));
    EXPECT_EQ(steps, (std::vector<std::string>{"/Alpha/Beta/Gamma/file.txt",
                                               "/.../Beta/Gamma/file.txt", "/.../Gamma/file.txt",
                                               "/.../file.txt", ".../file.txt", "file.txt"}));

    EXPECT_EQ(CountLabel(0, false, 0), "0 file");
    EXPECT_EQ(CountLabel(1234567, true, 0), "*** 1,234,567 files");
    EXPECT_EQ(CountLabel(2, false, 1), "2 檔案");
    EXPECT_EQ(CountLabel(2, false, 2), "2 文件");
}

TEST(FileConTextTest, FilterTextKeepsEveryFilledRow) {
    FilterRows rows;
    for (int i = 0; i < 30; ++i)
        rows.emplace_back("Type " + std::to_string(i), "*." + std::to_string(i));
    rows.emplace_back("", "*.x");
    rows.emplace_back("No masks", "");
    const std::string text = BuildFilter(rows);
    const FilterRows back = ParseFilter(text);
    ASSERT_EQ(back.size(), 30u) << "every filled row, not only 24; half-filled ones dropped";
    EXPECT_EQ(back.back(), (std::pair<std::string, std::string>{"Type 29", "*.29"}));
    EXPECT_EQ(ParseFilter(keys::Filter.def).size(), 3u);
}

TEST_F(Lists, AddingComparesPathsExactlyAndLeavesOutWhatMustNotBeConverted) {
    for (const char* name : {"a.txt", "A.txt", "b.exe", ".hidden.txt"})
        WriteFile(dir.File(name), "x");
    WriteFile(dir.File("doc.txt"), test::FromHex("d0cf11e0a1b11ae1"));
    fs::create_directory(dir.File("sub.txt"));
    FileCon con = Con(Env(dir));
    con.ShowSource(dir.Dir());
    EXPECT_EQ(con.SourceItems(), (std::vector<std::string>{"A.txt", "a.txt", "b.exe", "doc.txt"}));
    con.Selected()[1] = true;
    con.AddSelected();
    con.AddAll();
    // a.txt and A.txt are two files; the program and the office document are left out.
    EXPECT_EQ(con.JobFiles, (std::vector<std::string>{dir.File("a.txt"), dir.File("A.txt")}));

    con.RemoveAll();
    con.SetContent(false, true); // names only: every file may have its name converted
    con.AddAll();
    EXPECT_EQ(con.JobFiles.size(), 4u);

    // Names from the command line or a drop: sorted, each once.
    FileCon named = Con(Env(dir));
    named.AddPaths({dir.File("a.txt"), dir.File("A.txt"), dir.File("a.txt"), dir.File("b.exe"),
                    dir.File("gone.txt")});
    EXPECT_EQ(named.JobFiles, (std::vector<std::string>{dir.File("A.txt"), dir.File("a.txt")}));
    EXPECT_EQ(named.SourceFolder, dir.Dir());
    FileCon folder = Con(Env(dir));
    folder.AddPaths({dir.Path().string()});
    EXPECT_EQ(folder.JobFiles.size(), 2u) << "a folder is shown and all its files added";
}

TEST_F(Lists, TreeScanIsBreadthFirstTakesRegularFilesOnlyAndFollowsNoFolderLink) {
    const TempFolder outside;
    WriteFile(outside.File("far.txt"), "x");
    fs::create_directories(dir.Path() / "src" / "b" / "deep");
    fs::create_directories(dir.Path() / "src" / "a");
    WriteFile(dir.Path() / "src" / "z.txt", "x");
    WriteFile(dir.Path() / "src" / "b" / "deep" / "d.txt", "x");
    WriteFile(dir.Path() / "src" / "a" / "pic.gif", "x");
    WriteFile(dir.Path() / "src" / "a" / "c.txt", "x");
    fs::create_directory_symlink(outside.Path(), dir.Path() / "src" / "link");
    fs::create_directory_symlink(dir.Path() / "src", dir.Path() / "src" / "b" / "loop");
    ASSERT_EQ(mkfifo((dir.Path() / "src" / "fifo").c_str(), 0600), 0);

    const std::string src = dir.Dir() + "src/";
    FileCon con = Con(Env(dir));
    con.ShowSource(src);
    EXPECT_TRUE(con.AddAllSub().unreadable.empty());
    EXPECT_TRUE(con.IncludesSubfolders);
    EXPECT_EQ(con.JobFolders, (std::vector<std::string>{src + "a", src + "b", src + "b/deep"}));
    EXPECT_EQ(con.JobFiles,
              (std::vector<std::string>{src + "z.txt", src + "a/c.txt", src + "b/deep/d.txt"}));
    EXPECT_EQ(con.PassFiles, (std::vector<std::string>{src + "a/pic.gif"}));
    const ControlStates tree = con.Controls(false);
    EXPECT_FALSE(tree.addAll || tree.addSelect || tree.addAllSub);
    EXPECT_TRUE(tree.treeMark);
    EXPECT_EQ(tree.countLabel, "*** 3 files");
    EXPECT_FALSE(con.CanChangeSource().empty());

    // A file taken out of the tree is still copied unchanged; the last one ends the tree.
    con.Remove({0});
    EXPECT_EQ(con.PassFiles.back(), src + "z.txt");
    con.Remove({0, 1});
    EXPECT_FALSE(con.IncludesSubfolders);
    EXPECT_TRUE(con.PassFiles.empty() && con.JobFolders.empty());

    FileCon root = Con(Env(dir));
    root.ShowSource("/");
    EXPECT_EQ(root.AddAllSub().refused, "The source folder cannot be the root of a drive.");
    FileCon ignored = Con(Env(dir));
    ignored.ShowSource(src + "a/");
    fs::remove(dir.Path() / "src" / "a" / "c.txt");
    ignored.AddAllSub();
    EXPECT_FALSE(ignored.IncludesSubfolders) << "only ignored files: nothing to convert";
}

TEST_F(Lists, UnreadableFoldersAndFilesAreReportedAndTheRestIsAdded) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    fs::create_directories(dir.Path() / "locked");
    WriteFile(dir.File("secret.txt"), "x");
    WriteFile(dir.File("open.txt"), "x");
    fs::permissions(dir.Path() / "locked", fs::perms::none);
    fs::permissions(dir.File("secret.txt"), fs::perms::none);
    FileCon con = Con(Env(dir));
    con.ShowSource(dir.Dir());
    const FileCon::TreeResult result = con.AddAllSub();
    fs::permissions(dir.Path() / "locked", fs::perms::owner_all);
    EXPECT_EQ(result.unreadable,
              (std::vector<std::string>{dir.Dir() + "locked/", dir.File("secret.txt")}));
    EXPECT_EQ(con.JobFiles, std::vector<std::string>{dir.File("open.txt")});
}

TEST_F(Lists, ControlStatesFollowTheModeAndARun) {
    WriteFile(dir.File("a.txt"), "x");
    FileCon con = Con(Env(dir, false));
    con.ShowSource(dir.Dir());
    ControlStates empty = con.Controls(false);
    EXPECT_TRUE(empty.addAll && !empty.addSelect && !empty.convert && !empty.remove);
    EXPECT_FALSE(empty.otherMode) << "without both code pages only the two simple modes";
    con.AddAll();
    const ControlStates listed = con.Controls(false);
    EXPECT_TRUE(listed.convert && listed.remove && listed.removeAll && listed.destination);

    const ControlStates running = con.Controls(true);
    EXPECT_TRUE(running.stop);
    EXPECT_FALSE(running.addAll || running.addAllSub || running.remove || running.removeAll ||
                 running.convert || running.close || running.folders || running.destination ||
                 running.modes);

    con.SetContent(false, true);
    EXPECT_FALSE(con.Controls(false).destination) << "names are converted in place";
    con.SetContent(false, false);
    EXPECT_FALSE(con.Controls(false).convert);
}

TEST_F(Lists, WindowSettingsReadBackAndFallBackToTheDefaultFolder) {
    const std::string ini = dir.File("Tessarim.ini");
    WriteFile(ini, "[Data]\nSrcDir=/no/such/folder\nDestDir=" + dir.Dir() +
                       "\nFileConType=0\nFilter=Text|*.txt\n");
    const TempFolder other;
    FileCon con = Con(Env(other));
    con.Load(IniFile(ini));
    EXPECT_EQ(con.SourceFolder, other.Dir());
    EXPECT_EQ(con.DestFolder, dir.Dir());
    EXPECT_EQ(con.Content(), ContentMode::NamesOnly);
    con.SetContent(true, true);
    {
        IniFile file(ini);
        con.Save(file);
    }
    FileCon again = Con(Env(other));
    again.Load(IniFile(ini));
    EXPECT_EQ(again.Content(), ContentMode::ContentAndNames);
    EXPECT_EQ(again.FilterText, "Text|*.txt");
    WriteFile(ini, "[Data]\nFileConType=9\n");
    again.Load(IniFile(ini));
    EXPECT_TRUE(again.ContentChecked() && again.NamesChecked());
}

} // namespace
} // namespace tessarim
