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

TEST(IniFile, WritesCreateTheFileAndReadBackIgnoringCase) {
    TempFolder folder;
    IniFile ini(folder.File("config/tessarim/Tessarim.ini"));
    EXPECT_EQ(ini.ReadString("Data", "WaveFile", "none"), "none");
    EXPECT_FALSE(fs::exists(ini.Path())); // reading creates nothing
    ini.WriteString("Data", "WaveFile", "/snd/done.wav");
    ini.WriteInteger("Data", "Ageb5fix", 4102444800123);
    ini.WriteBool("HotKey_2", "Enabled", true);
    ini.WriteString("Data", "WaveFile", "/snd/other.wav");
    EXPECT_EQ(ReadFile(ini.Path()), "[Data]\nWaveFile=/snd/other.wav\nAgeb5fix=4102444800123\n"
                                    "\n[HotKey_2]\nEnabled=1\n");
    EXPECT_EQ(ini.ReadString("data", "WAVEFILE", ""), "/snd/other.wav");
    EXPECT_TRUE(ini.ReadBool("hotkey_2", "enabled", false));
}

TEST(IniFile, HandEditedFileReadsAndKeepsEveryOtherLine) {
    TempFolder folder;
    const std::string path = folder.File("Tessarim.ini");
    // A byte-order mark, CR LF line ends, a comment, junk, blanks, quotes, a
    // duplicate key and GBK bytes ("中文") in a value.
    const std::string head =
        "\xEF\xBB\xBF[Data]\r\n; by hand\r\nthis line is junk\r\n"
        "  Sound = 0  \r\nWaveFile=\"  spaced name.wav \"\r\nTitle='quoted'\r\n";
    const std::string tail = "lang=2\r\nCaption=\xD6\xD0\xCE\xC4\r\n";
    WriteFile(path, head + "Lang=1\r\n" + tail + "\r\n[Other]\r\nSound=1\r\n");
    IniFile ini(path);
    EXPECT_FALSE(ini.ReadBool("Data", "Sound", true));
    EXPECT_EQ(ini.ReadString("Data", "WaveFile", ""), "  spaced name.wav ");
    EXPECT_EQ(ini.ReadString("Data", "Title", ""), "quoted");
    EXPECT_EQ(ini.ReadInteger("Data", "Lang", 0), 1);
    EXPECT_EQ(ini.ReadString("Data", "Caption", ""), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(ini.ReadString("Data", "this line is junk", "absent"), "absent");

    ini.WriteInteger("data", "LANG", 0);
    ini.WriteBool("Data", "Warn", false);
    ini.WriteString("Other", "Caption", "\xA4\xA4\xA4\xE5"); // Big5 "中文"
    EXPECT_EQ(ReadFile(path),
              head + "Lang=0\r\n" + tail +
                  "Warn=0\r\n\r\n[Other]\r\nSound=1\r\nCaption=\xA4\xA4\xA4\xE5\r\n");

    // LF line ends, and sections of the same name act as one.
    WriteFile(path, "[Data]\nA=1\n[X]\nB=x\n[data]\nB=2\nA=3");
    EXPECT_EQ(ini.ReadInteger("Data", "A", 0), 1);
    EXPECT_EQ(ini.ReadInteger("Data", "B", 0), 2);
    ini.WriteInteger("Data", "B", 5);
    ini.WriteInteger("Data", "C", 6); // a new key joins the first of them
    EXPECT_EQ(ReadFile(path), "[Data]\nA=1\nC=6\n[X]\nB=x\n[data]\nB=5\nA=3");
}

TEST(IniFile, ValuesSurviveARoundTripUpTo2047Bytes) {
    TempFolder folder;
    IniFile ini(folder.File("Tessarim.ini"));
    for (const std::string value : {"", " lead", "trail\t", "\"quoted\"", "'single'", "\"", "a=b",
                                    "All files (*.*)|*.*", "\xB0\xA1 \xA4\x40"}) {
        ini.WriteString("Data", "Value", value);
        EXPECT_EQ(ini.ReadString("Data", "Value", "?"), value);
    }
    ini.WriteString("Data", "Value", std::string(3000, 'y'));
    EXPECT_EQ(ini.ReadString("Data", "Value", ""), std::string(2047, 'y'));
    // A line break would open a new line of the file; the value ends there.
    ini.WriteString("Data", "Value", "first\r\n[Evil]\r\nx=1");
    EXPECT_EQ(ini.ReadString("Data", "Value", "?"), "first");
    EXPECT_EQ(ini.ReadString("Evil", "x", "absent"), "absent");
}

TEST(IniFile, IntegersAndBooleans) {
    const std::pair<const char*, std::int64_t> numbers[] = {
        {"0x1F", 31}, {"0XfF", 255},  {"-42", -42},
        {"+7", 7},    {"-0x10", -16}, {"9223372036854775807", INT64_MAX}};
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(ParseIniInteger(text), value) << text;
    for (const char* text : {"9223372036854775808", "12abc", "", "0x", "--1", "1 2"})
        EXPECT_FALSE(ParseIniInteger(text)) << text;

    TempFolder folder;
    WriteFile(folder.File("Tessarim.ini"), "[Data]\nMinusOne=-1\nZero=0\nWord=abc\n");
    const IniFile ini(folder.File("Tessarim.ini"));
    EXPECT_TRUE(ini.ReadBool("Data", "MinusOne", false) && !ini.ReadBool("Data", "Zero", true));
    // Not a number: the default.
    EXPECT_TRUE(ini.ReadBool("Data", "Word", true) && !ini.ReadBool("Data", "Word", false));
}

TEST(IniFile, RewriteKeepsLinksAndPermissionsOrLeavesTheFileAlone) {
    TempFolder folder;
    const std::string path = folder.File("real.ini"), link = folder.File("Tessarim.ini");
    WriteFile(path, "[Data]\n");
    fs::permissions(path, fs::perms(0640));
    fs::create_symlink(path, link);
    IniFile ini(link);
    ini.WriteInteger("Data", "GapWidth", 40);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));
    EXPECT_EQ(ReadFile(path), "[Data]\nGapWidth=40\n");

    fs::permissions(path, fs::perms(0444));
    try {
        ini.WriteBool("Data", "Sound", false);
        FAIL() << "a read-only file was written";
    } catch (const IniWriteError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + link);
    }
    EXPECT_EQ(ReadFile(path), "[Data]\nGapWidth=40\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 2); // no leftovers
    // A folder that cannot be created.
    EXPECT_THROW(IniFile(path + "/Tessarim.ini").WriteString("Data", "Sound", "1"), IniWriteError);
}

} // namespace
} // namespace tessarim
