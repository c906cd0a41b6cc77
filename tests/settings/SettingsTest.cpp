#include "settings/Settings.h"

#include "tests/support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::ScopedEnv;
using test::TempFolder;

// Face, size, colour and character set, "-" where the font string leaves one alone.
std::string Fields(const FontSetting& font) {
    std::string text = font.face.value_or("-");
    for (const std::optional<int>& number : {font.size, font.color, font.charset})
        text.append(",").append(number ? std::to_string(*number) : "-");
    return text;
}

// The table of defaults is not restated here (the command line's runs show the
// ignore list at work); these defaults come from the system.
TEST(Settings, DefaultsThatDependOnTheSystem) {
    TempFolder home;
    ScopedEnv homeVar("HOME", home.Path().c_str());
    const IniFile ini(home.File("Tessarim.ini"));
    ScopedEnv gbk("TESSARIM_ACP", "936");
    EXPECT_EQ(Read(ini, keys::Lang), 2);
    ScopedEnv big5("TESSARIM_ACP", "950");
    EXPECT_EQ(DefaultLang(), 1);
    ScopedEnv western("TESSARIM_ACP", "1252");
    EXPECT_EQ(DefaultLang(), 0);
    ScopedEnv utf8("TESSARIM_ACP", "65001");
    ScopedEnv taiwan("LC_ALL", "zh_TW.UTF-8");
    EXPECT_EQ(DefaultLang(), 1);

    ScopedEnv documents("XDG_DOCUMENTS_DIR", "/data/docs");
    EXPECT_EQ(Read(ini, keys::DefaultDir), "/data/docs");
    ScopedEnv noDocuments("XDG_DOCUMENTS_DIR", nullptr);
    EXPECT_EQ(DocumentsFolder(), home.Path().string());
    std::filesystem::create_directory(home.Path() / "Documents");
    EXPECT_EQ(DocumentsFolder(), home.File("Documents"));
    // A stored value wins, even one outside 0-2; the caller's default where none is.
    test::WriteFile(ini.Path(), "[Data]\nLang=7\n");
    EXPECT_EQ(Read(ini, keys::Lang), 7);
    EXPECT_EQ(Read(ini, keys::ClipTop, 300), 300);
}

TEST(Settings, FontStrings) {
    const std::pair<const char*, const char*> fonts[] = {
        {"SimSun, 10 ,255", "SimSun,10,255,-"}, // the character set stays as it was
        {"A,9,0,134,extra", "A,9,0,-"},         // five fields: no character set
        {"Sans,big,0x10,300", "Sans,-,16,-"},   // unreadable, and beyond a byte
        {"", "-,-,-,-"}};
    for (const auto& [text, fields] : fonts)
        EXPECT_EQ(Fields(ParseFontSetting(text)), fields) << text;
}

TEST(Settings, TypedWritesGoToTheirSections) {
    TempFolder folder;
    IniFile ini(folder.File("Tessarim.ini"));
    Write(ini, keys::Sound, false);
    Write(ini, keys::ClipTop, -20);
    Write(ini, keys::PrvConFont, ParseFontSetting("Noto Sans CJK TC,12,-2147483640,136"));
    Write(ini, keys::Virtkey(3), 17);
    WriteHistoryEntry(ini, 2, "[ENTER]");
    EXPECT_EQ(test::ReadFile(ini.Path()),
              "[Data]\nSound=0\nClipTop=-20\nPrvConFont=Noto Sans CJK TC,12,-2147483640,136\n"
              "\n[HotKey_3]\nVirtkey=17\n\n[SendKeysAfrMsg]\nKey2=[ENTER]\n");
    EXPECT_EQ(Fields(Read(ini, keys::PrvConFont)), "Noto Sans CJK TC,12,-2147483640,136");
    EXPECT_EQ(ReadHistoryEntry(ini, 2), "[ENTER]");
    EXPECT_THROW(HotKeySection(4), std::out_of_range);
}

} // namespace
} // namespace tessarim
