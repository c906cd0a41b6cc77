#include "settings/IniFile.h"

#include "tests/support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
    ini.WriteInteger("Data", "Ageb5fix", 4102444800123);
    ini.WriteBool("HotKey_2", "Enabled", true);
    EXPECT_EQ(ReadFile(ini.Path()), "[Data]\nAgeb5fix=4102444800123\n\n[HotKey_2]\nEnabled=1\n");
    EXPECT_TRUE(ini.ReadBool("hotkey_2", "enabled", false));
    // A new file is as readable as any other the user creates.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(fs::status(ini.Path()).permissions(), fs::perms(0666 & ~mask));
}

TEST(IniFile, HandEditedFileReadsAndKeepsEveryOtherLine) {
    TempFolder folder;
    const std::string path = folder.File("Tessarim.ini");
    // Values of any bytes are the fuzz target's; here a byte-order mark, CR LF line
    // ends, a comment, junk, blanks, quotes and a duplicate key.
    const std::string head = "\xEF\xBB\xBF[Data]\r\n; by hand\r\nthis line is junk\r\n"
                             "  Sound = 0  \r\nWaveFile=\"  spaced name.wav \"\r\n";
    const std::string tail = "lang=2\r\n";
    WriteFile(path, head + "Lang=1\r\n" + tail + "\r\n[Other]\r\nSound=1\r\n");
    IniFile ini(path);
    EXPECT_FALSE(ini.ReadBool("Data", "Sound", true));
    EXPECT_EQ(ini.ReadString("Data", "WaveFile", ""), "  spaced name.wav ");
    EXPECT_EQ(ini.ReadInteger("Data", "Lang", 0), 1);

    ini.WriteInteger("data", "LANG", 0);
    ini.WriteBool("Data", "Warn", false);
    EXPECT_EQ(ReadFile(path), head + "Lang=0\r\n" + tail + "Warn=0\r\n\r\n[Other]\r\nSound=1\r\n");

    // LF line ends, and sections of the same name act as one.
    WriteFile(path, "[Data]\nA=1\n[X]\nB=x\n[data]\nB=2\nA=3");
    EXPECT_EQ(ini.ReadInteger("Data", "A", 0), 1);
    EXPECT_EQ(ini.ReadInteger("Data", "B", 0), 2);
    ini.WriteInteger("Data", "B", 5);
    ini.WriteInteger("Data", "C", 6); // a new key joins the first of them
    EXPECT_EQ(ReadFile(path), "[Data]\nA=1\nC=6\n[X]\nB=x\n[data]\nB=5\nA=3");
    // A line break would open a line of its own; the value ends there.
    ini.WriteString("Data", "Value", "first\r\n[Evil]\r\nx=1");
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
    WriteFile(folder.File("Tessarim.ini"), "[Data]\nMinusOne=-1\nWord=abc\n");
    const IniFile ini(folder.File("Tessarim.ini"));
    EXPECT_TRUE(ini.ReadBool("Data", "MinusOne", false));
    EXPECT_FALSE(ini.ReadBool("Data", "Word", false)); // not a number: the default
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
    // A value written again as it stands leaves the file alone: the same file,
    // not a new one renamed over it.
    struct stat before = {};
    struct stat after = {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ini.WriteInteger("Data", "GapWidth", 40);
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);

    fs::permissions(path, fs::perms(0444));
    EXPECT_THROW(ini.WriteBool("Data", "Sound", false), IniWriteError);
    EXPECT_EQ(ReadFile(path), "[Data]\nGapWidth=40\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 2); // no leftovers
    // A folder that cannot be created.
    EXPECT_THROW(IniFile(path + "/Tessarim.ini").WriteString("Data", "Sound", "1"), IniWriteError);
    // A link another user planted is not written through, and the file it
    // leads to stays as it was.
    if (::geteuid() == 0) {
        fs::remove(link);
        fs::permissions(path, fs::perms(0600));
        fs::create_symlink(path, link);
        ASSERT_EQ(::lchown(link.c_str(), 4242, 4242), 0);
        EXPECT_THROW(ini.WriteBool("Data", "Sound", false), IniWriteError);
        EXPECT_EQ(ReadFile(path), "[Data]\nGapWidth=40\n");
    }
}

// The file is read piece by piece: lines longer than a piece, with CR LF line
// ends, and a value cut at the read limit whatever the line's length.
TEST(IniFile, LinesOfAnyLengthAreReadAndRewrittenWhole) {
    TempFolder folder;
    const std::string path = folder.File("Tessarim.ini");
    const std::string longValue(200'000, 'v');
    WriteFile(path, std::string(100'000, '\n') + "[Data]\r\nJunk=" + longValue +
                        "\r\n\r\nWaveFile=a.wav\r\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("Data", "Junk", ""), longValue.substr(0, IniValueLimit));
    EXPECT_EQ(ini.ReadString("Data", "WaveFile", ""), "a.wav");
    ini.WriteString("Data", "Junk", "short");
    ini.WriteBool("Data", "Sound", false);
    const std::string written = ReadFile(path);
    EXPECT_EQ(written.substr(0, 100'000), std::string(100'000, '\n'));
    EXPECT_EQ(written.substr(100'000), "[Data]\r\nJunk=short\r\n\r\nWaveFile=a.wav\r\nSound=0\n");
}

} // namespace
} // namespace tessarim
