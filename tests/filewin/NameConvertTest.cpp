// Names converted in place: which names convert and how, the order of a tree's
// renames, and the names that are refused or left alone without losing a file.
#include "filewin/NameConvert.h"
#include "core/Paths.h"
#include "engine/CodeTables.h"
#include "engine/FixTableIndex.h"
#include "filewin/BatchRun.h"
#include "filewin/FileCon.h"
#include "platform/CodePage.h"
#include "platform/Sound.h"
#include "tests/engine/MemoryStamps.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

const std::string GbHair = "\xCD\xB7\xB7\xA2";           // 头发 in GBK
const std::string Big5Hair = "\xC0\x59\xBE\x76";         // 頭髮 in Big5
const std::string Utf8Hair = "头发", Utf8HairT = "頭髮"; // the same in UTF-8
const std::string Utf8Guo = "国", Utf8GuoT = "國";

class RecordingUi : public RunUi {
public:
    std::vector<std::string> errors, infos;
    void ShowError(const std::string& text) override { errors.push_back(text); }
    void ShowInfo(const std::string& text) override { infos.push_back(text); }
    OverwriteAnswer AskOverwrite(const std::string&) override { return OverwriteAnswer::No; }
    void Status(const std::string&, const RunProgress&) override {}
    bool StopRequested() override { return false; }
};

class NameConvertTest : public ::testing::Test {
protected:
    TempFolder src, folder;
    FixTables tables;
    test::MemoryStamps stamps;
    RecordingUi ui;
    FileCon con{{.defaultFolder = src.Dir(),
                 .defaultTarget = GBK,
                 .defaultFace = FaceD,
                 .unicodeAvailable = true,
                 .lang = 0,
                 .namesAvailable = true}};

    void SetUp() override {
        ASSERT_TRUE(LoadFixTableWithDefault(tables, FixTableId::Big5, folder.Dir(), stamps));
        ASSERT_TRUE(LoadFixTableWithDefault(tables, FixTableId::Gbk, folder.Dir(), stamps));
        con.SetContent(false, true);
    }
    std::optional<std::string> Convert(const std::string& name, Direction direction,
                                       int codePage = CodePageUtf8) {
        return ConvertName(name, direction, codePage, &tables);
    }
    std::string Make(const std::string& relative, const std::string& text = "x") {
        const fs::path path = src.Path() / relative;
        fs::create_directories(path.parent_path());
        WriteFile(path, text);
        return path.string();
    }
    std::vector<std::string> Run(int codePage = CodePageUtf8) {
        return RunNames(con, ui, codePage, &tables);
    }
    bool Has(const std::string& relative) const {
        return fs::exists(fs::symlink_status(src.Path() / relative));
    }
};

TEST_F(NameConvertTest, NamesConvertByTheSystemAndTheirOwnBytes) {
    // A UTF-8 system changes the typeface of UTF-8 names, with the shipped
    // phrases, and exchanges raw double-byte names as bytes.
    EXPECT_EQ(Convert(Utf8Hair + ".txt", GbToBig5), Utf8HairT + ".txt");
    EXPECT_EQ(Convert(Utf8HairT, Big5ToGb), Utf8Hair);
    EXPECT_EQ(Convert(GbHair + ".txt", GbToBig5), Big5Hair + ".txt");
    EXPECT_EQ(Convert(Big5Hair, Big5ToGb), GbHair);
    // A character the code pages lack stays as it is, never "?".
    EXPECT_EQ(Convert("😀" + Utf8Guo, GbToBig5), "😀" + Utf8GuoT);
    // A GBK system exchanges bytes only: the bytes of a UTF-8 name are no GBK.
    EXPECT_EQ(Convert(GbHair, GbToBig5, CodePageGbk), Big5Hair);
    EXPECT_EQ(Convert(Utf8Guo + ".txt", GbToBig5, CodePageGbk), std::nullopt);
    // A lead byte without its trail, and a GBK-only trail under Big5.
    EXPECT_EQ(Convert("a\xC4.txt", GbToBig5), std::nullopt);
    EXPECT_EQ(Convert("\xA4\x80", Big5ToGb), std::nullopt);
}

TEST_F(NameConvertTest, FlatListRenamesEachFileInItsOwnFolderAndKeepsWhatItCannotConvert) {
    const std::string one = Make(Utf8Hair + ".txt", "one");
    const std::string two = Make("sub/" + GbHair + ".txt", "two");
    const std::string bad = Make("a\xC4.txt", "bad");
    const std::string plain = Make("plain.txt");
    con.JobFiles = {one, two, bad, plain};
    const std::vector<std::string> left = Run();
    EXPECT_EQ(ReadFile(src.Path() / (Utf8HairT + ".txt")), "one");
    EXPECT_EQ(ReadFile(src.Path() / "sub" / (Big5Hair + ".txt")), "two");
    EXPECT_TRUE(Has("a\xC4.txt") && Has("plain.txt"));
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].rfind(bad, 0), 0u);
    EXPECT_EQ(con.JobFiles, std::vector<std::string>{bad}) << "the unconverted name stays listed";
    ASSERT_EQ(ui.infos.size(), 1u);
    EXPECT_NE(ui.infos[0].find(bad), std::string::npos);
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(NameConvertTest, TreeRenamesFilesThenFoldersEachThroughItsConvertedParent) {
    Make(Utf8Guo + "/" + Utf8Hair + "/" + Utf8Guo + ".txt", "deep");
    Make(Utf8Guo + "/" + GbHair + ".txt", "gb");
    Make("b/" + Utf8Hair + ".doc");
    ASSERT_TRUE(con.AddAllSub().refused.empty());
    ASSERT_EQ(con.JobFolders.size(), 3u);
    Run();
    EXPECT_EQ(ReadFile(src.Path() / Utf8GuoT / Utf8HairT / (Utf8GuoT + ".txt")), "deep");
    EXPECT_EQ(ReadFile(src.Path() / Utf8GuoT / (Big5Hair + ".txt")), "gb");
    EXPECT_TRUE(Has("b/" + Utf8HairT + ".doc"));
    EXPECT_FALSE(Has(Utf8Guo));
    EXPECT_TRUE(ui.errors.empty() && ui.infos.empty());
    EXPECT_TRUE(con.JobFiles.empty() && con.JobFolders.empty());
}

TEST_F(NameConvertTest, OthersModeRenamesNothing) {
    const std::string file = Make(Utf8Hair + ".txt");
    con.JobFiles = {file};
    con.SetContent(true, false);
    con.Mode.ClickSimple(SimpleMode::Other);
    EXPECT_TRUE(Run().empty());
    EXPECT_TRUE(Has(Utf8Hair + ".txt"));
    EXPECT_TRUE(ui.errors.empty() && ui.infos.empty());
}

TEST_F(NameConvertTest, NothingIsReplacedAndUnusableConvertedNamesAreRefused) {
    // Both spellings exist, as files and as an empty folder: renaming would replace.
    const std::string file = Make(Utf8Hair + ".txt", "simplified");
    Make(Utf8HairT + ".txt", "traditional");
    fs::create_directories(src.Path() / Utf8Guo);
    fs::create_directories(src.Path() / Utf8GuoT);
    con.JobFiles = {file};
    Run();
    EXPECT_EQ(ReadFile(file), "simplified");
    EXPECT_EQ(ReadFile(src.Path() / (Utf8HairT + ".txt")), "traditional");
    EXPECT_EQ(RenameNoReplace(src.File(Utf8Guo), src.File(Utf8GuoT)), EEXIST);
    EXPECT_TRUE(fs::is_directory(src.Path() / Utf8Guo));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Fail to rename " + file);

    // A correction table can write names no folder holds.
    WriteFile(folder.File("b5fix.dat"), "-1,-1,-1,-1,-1,-1\r\nSearch,\"Replace with\"\r\n"
                                        "slash,a/b\r\ngone,\"\"\r\ndots,..\r\n");
    ASSERT_TRUE(LoadFixTable(tables, FixTableId::Big5, folder.Dir(), stamps));
    ASSERT_EQ(Convert("gone", GbToBig5, CodePageGbk), "");
    ui.errors.clear();
    con.JobFiles = {Make("slash"), Make("gone"), Make("dots")};
    Run();
    EXPECT_TRUE(Has("slash") && Has("gone") && Has("dots"));
    EXPECT_EQ(ui.errors.size(), 3u);
}

class QuietSound : public Sound {
public:
    void MessageBeep() override {}
    bool PlayWaveFile(const std::string&) override { return false; }
};

TEST_F(NameConvertTest, ContentRunWithNamesWritesConvertedNamesAndKeepsTheSources) {
    TempFolder dest;
    Make(Utf8Guo + "/" + Utf8Hair + ".txt", "\xC4\xE3");
    Make("a\xC4.txt", "\xC4\xE3");
    con.SetContent(true, true);
    con.ChooseDest(dest.Dir());
    ASSERT_TRUE(con.AddAllSub().refused.empty());
    RunSettings settings;
    settings.msgFinished = false;
    settings.nameTables = &tables;
    CoreConverter converter(con.Rules, &tables);
    QuietSound sound;
    RunBatch(con, settings, ui, converter, sound);
    EXPECT_EQ(ReadFile(dest.Path() / Utf8GuoT / (Utf8HairT + ".txt")), "\xA7\x41");
    EXPECT_EQ(ReadFile(dest.Path() / "a\xC4.txt"), "\xA7\x41") << "a name it cannot convert";
    EXPECT_TRUE(Has(Utf8Guo + "/" + Utf8Hair + ".txt"));
}

} // namespace
} // namespace tessarim
