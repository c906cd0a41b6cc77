#include "settings/IniFile.h"

#include "tests/support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

TEST(IniFile, MissingFileGivesDefaultsAndIsNotCreated) {
    TempFolder folder;
    const IniFile ini(folder.File("Tessarim.ini"));
    EXPECT_EQ(ini.ReadString("Data", "WaveFile", "none"), "none");
    EXPECT_EQ(ini.ReadInteger("Data", "GapWidth", 30), 30);
    EXPECT_TRUE(ini.ReadBool("Data", "Sound", true));
    EXPECT_FALSE(fs::exists(ini.Path()));
}

TEST(IniFile, WritesCreateFoldersFileAndSectionsAndReadBack) {
    TempFolder folder;
    IniFile ini(folder.File("config/tessarim/Tessarim.ini"));
    ini.WriteString("Data", "WaveFile", "/snd/done.wav");
    ini.WriteInteger("Data", "Ageb5fix", 4102444800123);
    ini.WriteBool("HotKey_2", "Enabled", true);
    ini.WriteInteger("Data", "LastEdge", -1);
    ini.WriteString("Data", "WaveFile", "/snd/other.wav");

    EXPECT_EQ(ReadFile(ini.Path()), "[Data]\n"
                                    "WaveFile=/snd/other.wav\n"
                                    "Ageb5fix=4102444800123\n"
                                    "LastEdge=-1\n"
                                    "\n"
                                    "[HotKey_2]\n"
                                    "Enabled=1\n");
    // Sections and keys match without regard to case.
    EXPECT_EQ(ini.ReadString("data", "WAVEFILE", ""), "/snd/other.wav");
    EXPECT_EQ(ini.ReadInteger("DATA", "ageb5fix", 0), 4102444800123);
    EXPECT_TRUE(ini.ReadBool("hotkey_2", "enabled", false));
    EXPECT_FALSE(ini.ReadBool("HotKey_1", "Enabled", false));
}

TEST(IniFile, HandEditedFileReadsAndKeepsEveryOtherLine) {
    TempFolder folder;
    const std::string path = folder.File("Tessarim.ini");
    // A byte-order mark, CR LF line ends, comments, junk, blanks, quotes, a
    // duplicate key and GBK bytes ("中文") in a value.
    const std::string original = "\xEF\xBB\xBF[Data]\r\n"
                                 "; written by hand\r\n"
                                 "this line is junk\r\n"
                                 "  Sound = 0  \r\n"
                                 "WaveFile=\"  spaced name.wav \"\r\n"
                                 "Title='quoted'\r\n"
                                 "Lang=1\r\n"
                                 "lang=2\r\n"
                                 "Caption=\xD6\xD0\xCE\xC4\r\n"
                                 "Unknown=kept=as is\r\n"
                                 "\r\n"
                                 "[Other]\r\n"
                                 "Sound=1\r\n";
    WriteFile(path, original);
    IniFile ini(path);
    EXPECT_FALSE(ini.ReadBool("Data", "Sound", true));
    EXPECT_EQ(ini.ReadString("Data", "WaveFile", ""), "  spaced name.wav ");
    EXPECT_EQ(ini.ReadString("Data", "Title", ""), "quoted");
    EXPECT_EQ(ini.ReadInteger("Data", "Lang", 0), 1);
    EXPECT_EQ(ini.ReadString("Data", "Caption", ""), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(ini.ReadString("Data", "Unknown", ""), "kept=as is");
    EXPECT_EQ(ini.ReadString("Data", "this line is junk", "absent"), "absent");

    ini.WriteInteger("data", "LANG", 0);
    ini.WriteBool("Data", "Warn", false);
    ini.WriteString("Other", "Caption", "\xA4\xA4\xA4\xE5");
    EXPECT_EQ(ReadFile(path), "\xEF\xBB\xBF[Data]\r\n"
                              "; written by hand\r\n"
                              "this line is junk\r\n"
                              "  Sound = 0  \r\n"
                              "WaveFile=\"  spaced name.wav \"\r\n"
                              "Title='quoted'\r\n"
                              "Lang=0\r\n"
                              "lang=2\r\n"
                              "Caption=\xD6\xD0\xCE\xC4\r\n"
                              "Unknown=kept=as is\r\n"
                              "Warn=0\r\n"
                              "\r\n"
                              "[Other]\r\n"
                              "Sound=1\r\n"
                              "Caption=\xA4\xA4\xA4\xE5\r\n");
}

TEST(IniFile, SectionsOfTheSameNameActAsOne) {
    TempFolder folder;
    const std::string path = folder.File("Tessarim.ini");
    WriteFile(path, "[Data]\nA=1\n[X]\nB=x\n[data]\nB=2\nA=3");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Data", "A", 0), 1);
    EXPECT_EQ(ini.ReadInteger("Data", "B", 0), 2);
    ini.WriteInteger("Data", "B", 5);
    ini.WriteInteger("Data", "C", 6); // a new key joins the first of them
    EXPECT_EQ(ReadFile(path), "[Data]\nA=1\nC=6\n[X]\nB=x\n[data]\nB=5\nA=3");
}

TEST(IniFile, ValuesSurviveARoundTripExactly) {
    TempFolder folder;
    IniFile ini(folder.File("Tessarim.ini"));
    for (const std::string value : {"", " lead", "trail\t", "\"quoted\"", "'single'", "\"", "a=b",
                                    "All files (*.*)|*.*", "\xB0\xA1 \xA4\x40"}) {
        ini.WriteString("Data", "Value", value);
        EXPECT_EQ(ini.ReadString("Data", "Value", "?"), value);
    }
    // A line break would open a new line of the file; the value ends there.
    ini.WriteString("Data", "Value", "first\r\n[Evil]\r\nx=1");
    EXPECT_EQ(ini.ReadString("Data", "Value", "?"), "first");
    EXPECT_EQ(ini.ReadString("Evil", "x", "absent"), "absent");
}

TEST(IniFile, LongValuesAreCutAt2047Bytes) {
    TempFolder folder;
    IniFile ini(folder.File("Tessarim.ini"));
    const std::string text(3000, 'x');
    ini.WriteString("Data", "Ignore", text);
    EXPECT_EQ(ini.ReadString("Data", "Ignore", ""), text.substr(0, 2047));
    ini.WriteString("Data", "Ignore", text.substr(0, 2047));
    EXPECT_EQ(ini.ReadString("Data", "Ignore", "").size(), 2047u);
}

TEST(IniFile, IntegersAndBooleans) {
    TempFolder folder;
    const std::string path = folder.File("Tessarim.ini");
    WriteFile(path, "[Data]\n"
                    "Hex=0x1F\nHexUpper=0XfF\nNegative=-42\nPlus=+7\nBig=9223372036854775807\n"
                    "TooBig=9223372036854775808\nTrailing=12abc\nSpaced=  12  \nEmpty=\n"
                    "OnlyPrefix=0x\nDoubleSign=--1\nNegHex=-0x10\n"
                    "Two=2\nMinusOne=-1\nZero=0\nWord=abc\n");
    const IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Data", "Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("Data", "HexUpper", 0), 255);
    EXPECT_EQ(ini.ReadInteger("Data", "Negative", 0), -42);
    EXPECT_EQ(ini.ReadInteger("Data", "Plus", 0), 7);
    EXPECT_EQ(ini.ReadInteger("Data", "Big", 0), INT64_MAX);
    EXPECT_EQ(ini.ReadInteger("Data", "NegHex", 0), -16);
    EXPECT_EQ(ini.ReadInteger("Data", "Spaced", 0), 12);
    for (const char* notANumber :
         {"TooBig", "Trailing", "Empty", "OnlyPrefix", "DoubleSign", "Word"})
        EXPECT_EQ(ini.ReadInteger("Data", notANumber, -5), -5) << notANumber;

    EXPECT_TRUE(ini.ReadBool("Data", "Two", false));
    EXPECT_TRUE(ini.ReadBool("Data", "MinusOne", false));
    EXPECT_FALSE(ini.ReadBool("Data", "Zero", true));
    EXPECT_TRUE(ini.ReadBool("Data", "Word", true));
    EXPECT_FALSE(ini.ReadBool("Data", "Word", false));
}

TEST(IniFile, RefusedWritesThrowAndLeaveTheFileAlone) {
    TempFolder folder;
    const std::string path = folder.File("Tessarim.ini");
    WriteFile(path, "[Data]\nSound=1\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    IniFile ini(path);
    try {
        ini.WriteBool("Data", "Sound", false);
        FAIL() << "a read-only file was written";
    } catch (const IniWriteError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
    }
    EXPECT_EQ(ReadFile(path), "[Data]\nSound=1\n");
    EXPECT_EQ(fs::directory_iterator(folder.Path())->path(), fs::path(path)); // no leftovers

    // A folder that cannot be created.
    IniFile blocked(path + "/Tessarim.ini");
    EXPECT_THROW(blocked.WriteString("Data", "Sound", "1"), IniWriteError);
}

TEST(IniFile, RewriteKeepsPermissionsAndLinks) {
    TempFolder folder;
    const std::string path = folder.File("real.ini");
    WriteFile(path, "[Data]\n");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path, mode);
    const std::string link = folder.File("Tessarim.ini");
    fs::create_symlink(path, link);
    IniFile ini(link);
    ini.WriteInteger("Data", "GapWidth", 40);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::status(path).permissions(), mode);
    EXPECT_EQ(ReadFile(path), "[Data]\nGapWidth=40\n");
}

} // namespace
} // namespace tessarim
