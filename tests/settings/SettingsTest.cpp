#include "settings/Settings.h"

#include "tests/support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::ScopedEnv;
using test::TempFolder;

// Face, size, colour and character set, "-" where the font string leaves one alone.
std::string Fields(const FontSpec& font) {
    std::string text = font.face.value_or("-");
    for (const std::optional<int>& number : {font.size, font.color, font.charset})
        text.append(",").append(number ? std::to_string(*number) : "-");
    return text;
}

TEST(Settings, EveryKeyHasItsDefaultWhenTheFileIsMissing) {
    TempFolder folder;
    ScopedEnv acp("TESSARIM_ACP", "936");
    ScopedEnv documents("XDG_DOCUMENTS_DIR", "/data/docs");
    const IniFile ini(folder.File("Tessarim.ini"));
    using namespace keys;
    for (const Key<bool>& key :
         {Sound, AlwaysOnTop, AutoHide, CfmOverwrite, RemLastPos, MsgFinished, MsgClipConFinished,
          FixHtmlCharset, AddBOMtoUTF8, Fix_UNN, CF_HTML_Support, Warn, PrvSrc, PrvCon, PrvSrcWarp,
          PrvConWarp})
        EXPECT_TRUE(Read(ini, key)) << key.name;
    for (const Key<bool>& key :
         {HideMain, PasteAfrHotKey, Shift(0), Control(1), Alt(2), Enabled(3)})
        EXPECT_FALSE(Read(ini, key)) << key.section << key.name;
    const std::pair<Key<Int>, Int> numbers[] = {{GapWidth, 0},  {LastEdge, 1},    {FloatLeft, 10},
                                                {FloatTop, 60}, {FileConType, 1}, {Ageb5fix, 0},
                                                {Agegbfix, 0},  {Count, -1},      {Virtkey(3), 0}};
    for (const auto& [key, value] : numbers)
        EXPECT_EQ(Read(ini, key), value) << key.name;
    EXPECT_EQ(Read(ini, Lang), 2);
    EXPECT_EQ(Read(ini, DefaultDir), "/data/docs");
    EXPECT_EQ(Read(ini, WaveFile), "");
    EXPECT_EQ(Read(ini, Ignore),
              "*.exe,*.dll,*.com,*.sys,*.vxd,*.drv,*.zip,*.rar,*.xl?,*.bmp,*.gif,*.jp*g,*.tif*,"
              "*.hlp,*.chm,*.pdf,*.au,*.mid,*.wav,*.mp3,*.class,*.swf,*.pp?,*.doc,*.mdb,*.r*m");
    EXPECT_EQ(Read(ini, HtmlType), "*.htm*,*.shtm*,*.asp,*.apsx,*.php*,*.pl,*.cgi,*.js");
    EXPECT_EQ(Read(ini, Filter), "All files (*.*)|*.*|Text files (*.txt)|*.txt|Html files "
                                 "(*.htm,*html)|*.htm;*html");
    EXPECT_EQ(Read(ini, ClipTop, 300), 300);
    EXPECT_EQ(Fields(Read(ini, PrvConFont)), "-,-,-,-");
}

TEST(Settings, DefaultsThatDependOnTheSystem) {
    ScopedEnv big5("TESSARIM_ACP", "950");
    EXPECT_EQ(DefaultLang(), 1);
    ScopedEnv western("TESSARIM_ACP", "1252");
    EXPECT_EQ(DefaultLang(), 0);
    ScopedEnv utf8("TESSARIM_ACP", "65001");
    ScopedEnv taiwan("LC_ALL", "zh_TW.UTF-8");
    EXPECT_EQ(DefaultLang(), 1);

    TempFolder home;
    ScopedEnv homeVar("HOME", home.Path().c_str());
    ScopedEnv documents("XDG_DOCUMENTS_DIR", nullptr);
    EXPECT_EQ(DocumentsFolder(), home.Path().string());
    std::filesystem::create_directory(home.Path() / "Documents");
    EXPECT_EQ(DocumentsFolder(), home.File("Documents"));
    // A stored value wins, even one outside 0-2.
    test::WriteFile(home.File("Tessarim.ini"), "[Data]\nLang=7\n");
    EXPECT_EQ(Read(IniFile(home.File("Tessarim.ini")), keys::Lang), 7);
}

TEST(Settings, FontStrings) {
    const std::pair<const char*, const char*> fonts[] = {
        {"MingLiU,12,-2147483640,136", "MingLiU,12,-2147483640,136"},
        {"SimSun, 10 ,255", "SimSun,10,255,-"}, // the character set stays as it was
        {"A,9,0,134,extra", "A,9,0,-"},         // five fields: no character set
        {"Sans,big,0x10,300", "Sans,-,16,-"},   // unreadable, and beyond a byte
        {"", "-,-,-,-"}};
    for (const auto& [text, fields] : fonts)
        EXPECT_EQ(Fields(ParseFontSpec(text)), fields) << text;
}

TEST(Settings, TypedWritesGoToTheirSections) {
    TempFolder folder;
    IniFile ini(folder.File("Tessarim.ini"));
    Write(ini, keys::Sound, false);
    Write(ini, keys::ClipTop, -20);
    Write(ini, keys::PrvConFont, ParseFontSpec("Noto Sans CJK TC,12,-2147483640,136"));
    Write(ini, keys::Virtkey(3), 17);
    WriteHistoryEntry(ini, 2, "[ENTER]");
    EXPECT_EQ(test::ReadFile(ini.Path()),
              "[Data]\nSound=0\nClipTop=-20\nPrvConFont=Noto Sans CJK TC,12,-2147483640,136\n"
              "\n[HotKey_3]\nVirtkey=17\n\n[SendKeysAfrMsg]\nKey2=[ENTER]\n");
    EXPECT_FALSE(Read(ini, keys::Sound));
    EXPECT_EQ(Read(ini, keys::ClipTop, 0), -20);
    EXPECT_EQ(Fields(Read(ini, keys::PrvConFont)), "Noto Sans CJK TC,12,-2147483640,136");
    EXPECT_EQ(ReadHistoryEntry(ini, 2), "[ENTER]");
    EXPECT_THROW(HotKeySection(4), std::out_of_range);
}

} // namespace
} // namespace tessarim
