#include "settings/Settings.h"

#include "platform/ProgramDir.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <variant>

namespace tessarim {
namespace {

using test::ScopedEnv;
using test::TempFolder;
using test::WriteFile;

TEST(Settings, EveryKeyHasItsDefaultWhenTheFileIsMissing) {
    TempFolder folder;
    ScopedEnv acp("TESSARIM_ACP", "936");
    ScopedEnv documents("XDG_DOCUMENTS_DIR", "/data/docs");
    const IniFile ini(folder.File("Tessarim.ini"));
    using Value = std::variant<bool, std::int64_t, std::string>;
    struct Case {
        const char* name;
        std::function<Value()> read;
        Value expected;
    };
    const auto data = [&](auto key) { return [&ini, key]() -> Value { return Read(ini, key); }; };
    const std::vector<Case> cases = {
        {"Lang", data(keys::Lang), std::int64_t{2}},
        {"Sound", data(keys::Sound), true},
        {"WaveFile", data(keys::WaveFile), std::string()},
        {"DefaultDir", data(keys::DefaultDir), std::string("/data/docs")},
        {"Ignore", data(keys::Ignore),
         std::string("*.exe,*.dll,*.com,*.sys,*.vxd,*.drv,*.zip,*.rar,*.xl?,*.bmp,*.gif,*.jp*g,"
                     "*.tif*,*.hlp,*.chm,*.pdf,*.au,*.mid,*.wav,*.mp3,*.class,*.swf,*.pp?,*.doc,"
                     "*.mdb,*.r*m")},
        {"HtmlType", data(keys::HtmlType),
         std::string("*.htm*,*.shtm*,*.asp,*.apsx,*.php*,*.pl,*.cgi,*.js")},
        {"GapWidth", data(keys::GapWidth), std::int64_t{0}},
        {"AlwaysOnTop", data(keys::AlwaysOnTop), true},
        {"AutoHide", data(keys::AutoHide), true},
        {"CfmOverwrite", data(keys::CfmOverwrite), true},
        {"RemLastPos", data(keys::RemLastPos), true},
        {"MsgFinished", data(keys::MsgFinished), true},
        {"MsgClipConFinished", data(keys::MsgClipConFinished), true},
        {"FixHtmlCharset", data(keys::FixHtmlCharset), true},
        {"AddBOMtoUTF8", data(keys::AddBOMtoUTF8), true},
        {"Fix_UNN", data(keys::Fix_UNN), true},
        {"CF_HTML_Support", data(keys::CF_HTML_Support), true},
        {"HideMain", data(keys::HideMain), false},
        {"LastEdge", data(keys::LastEdge), std::int64_t{1}},
        {"FloatLeft", data(keys::FloatLeft), std::int64_t{10}},
        {"FloatTop", data(keys::FloatTop), std::int64_t{60}},
        {"Warn", data(keys::Warn), true},
        {"PasteAfrHotKey", data(keys::PasteAfrHotKey), false},
        {"ClipTop", [&] { return Value(Read(ini, keys::ClipTop, 300)); }, std::int64_t{300}},
        {"ClipLeft", [&] { return Value(Read(ini, keys::ClipLeft, 200)); }, std::int64_t{200}},
        {"ClipWidth", [&] { return Value(Read(ini, keys::ClipWidth, 640)); }, std::int64_t{640}},
        {"ClipHeight", [&] { return Value(Read(ini, keys::ClipHeight, 480)); }, std::int64_t{480}},
        {"SrcDir", [&] { return Value(Read(ini, keys::SrcDir, "/d")); }, std::string("/d")},
        {"DestDir", [&] { return Value(Read(ini, keys::DestDir, "/e")); }, std::string("/e")},
        {"PrvSrc", data(keys::PrvSrc), true},
        {"PrvCon", data(keys::PrvCon), true},
        {"PrvSrcWarp", data(keys::PrvSrcWarp), true},
        {"PrvConWarp", data(keys::PrvConWarp), true},
        {"FileConType", data(keys::FileConType), std::int64_t{1}},
        {"Filter", data(keys::Filter),
         std::string("All files (*.*)|*.*|Text files (*.txt)|*.txt|Html files (*.htm,*html)|"
                     "*.htm;*html")},
        {"Ageb5fix", data(keys::Ageb5fix), std::int64_t{0}},
        {"Agegbfix", data(keys::Agegbfix), std::int64_t{0}},
        {"Count", data(keys::Count), std::int64_t{-1}},
        {"Key1", [&] { return Value(ReadHistoryEntry(ini, 1)); }, std::string()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.read(), c.expected) << c.name;
    for (int index = 0; index < 4; ++index) {
        EXPECT_EQ(Read(ini, keys::Virtkey(index)), 0);
        EXPECT_FALSE(Read(ini, keys::Shift(index)));
        EXPECT_FALSE(Read(ini, keys::Control(index)));
        EXPECT_FALSE(Read(ini, keys::Alt(index)));
        EXPECT_FALSE(Read(ini, keys::Enabled(index)));
    }
    for (const FontKey& font : {keys::ClipFont, keys::PrvSrcFont, keys::PrvConFont}) {
        const FontSpec read = Read(ini, font);
        EXPECT_FALSE(read.face || read.size || read.color || read.charset) << font.name;
    }
    EXPECT_FALSE(std::filesystem::exists(ini.Path()));
}

TEST(Settings, LanguageDefaultFollowsTheCodePage) {
    {
        ScopedEnv acp("TESSARIM_ACP", "950");
        EXPECT_EQ(DefaultLang(), 1);
    }
    {
        ScopedEnv acp("TESSARIM_ACP", "1252");
        EXPECT_EQ(DefaultLang(), 0);
    }
    ScopedEnv acp("TESSARIM_ACP", "65001");
    ScopedEnv taiwan("LC_ALL", "zh_TW.UTF-8");
    EXPECT_EQ(DefaultLang(), 1);
    // A stored value wins, even one outside 0-2.
    TempFolder folder;
    WriteFile(folder.File("Tessarim.ini"), "[Data]\nLang=7\n");
    EXPECT_EQ(Read(IniFile(folder.File("Tessarim.ini")), keys::Lang), 7);
}

TEST(Settings, TypedWritesReadBack) {
    TempFolder folder;
    IniFile ini(folder.File("Tessarim.ini"));
    Write(ini, keys::Sound, false);
    Write(ini, keys::GapWidth, 250);
    Write(ini, keys::Filter, "Text (*.txt)|*.txt");
    Write(ini, keys::ClipTop, -20);
    Write(ini, keys::DefaultDir, "/home/mei/texts");
    Write(ini, keys::Virtkey(3), 17);
    Write(ini, keys::Enabled(3), true);
    Write(ini, keys::Count, 2);
    WriteHistoryEntry(ini, 1, "[TAB][ENTER]");
    WriteHistoryEntry(ini, 2, "[ENTER]");
    EXPECT_FALSE(Read(ini, keys::Sound));
    EXPECT_EQ(Read(ini, keys::GapWidth), 250);
    EXPECT_EQ(Read(ini, keys::Filter), "Text (*.txt)|*.txt");
    EXPECT_EQ(Read(ini, keys::ClipTop, 0), -20);
    EXPECT_EQ(Read(ini, keys::DefaultDir), "/home/mei/texts");
    EXPECT_EQ(Read(ini, keys::Virtkey(3)), 17);
    EXPECT_TRUE(Read(ini, keys::Enabled(3)));
    EXPECT_FALSE(Read(ini, keys::Enabled(2)));
    EXPECT_EQ(Read(ini, keys::Count), 2);
    EXPECT_EQ(ReadHistoryEntry(ini, 1), "[TAB][ENTER]");
    EXPECT_EQ(ReadHistoryEntry(ini, 2), "[ENTER]");
    EXPECT_EQ(ini.ReadString("HotKey_3", "Virtkey", ""), "17");
    EXPECT_EQ(ini.ReadString("SendKeysAfrMsg", "Key2", ""), "[ENTER]");
    EXPECT_THROW(HotKeySection(4), std::out_of_range);
}

TEST(Settings, FontStrings) {
    FontSpec four = ParseFontSpec("MingLiU,12,-2147483640,136");
    EXPECT_EQ(four.face, "MingLiU");
    EXPECT_EQ(four.size, 12);
    EXPECT_EQ(four.color, -2147483640);
    EXPECT_EQ(four.charset, 136);
    EXPECT_EQ(FormatFontSpec(four), "MingLiU,12,-2147483640,136");

    // Three fields leave the character set as it was.
    const FontSpec three = ParseFontSpec("SimSun, 10 ,255");
    EXPECT_EQ(three.face, "SimSun");
    EXPECT_EQ(three.size, 10);
    EXPECT_EQ(three.color, 255);
    EXPECT_FALSE(three.charset);

    // More than four fields: the first three still apply, the character set not.
    const FontSpec five = ParseFontSpec("A,9,0,134,extra");
    EXPECT_EQ(five.size, 9);
    EXPECT_FALSE(five.charset);

    // Unreadable numbers and a character set beyond a byte leave those fields alone.
    const FontSpec junk = ParseFontSpec("Sans,big,0x10,300");
    EXPECT_EQ(junk.face, "Sans");
    EXPECT_FALSE(junk.size);
    EXPECT_EQ(junk.color, 16);
    EXPECT_FALSE(junk.charset);

    const FontSpec empty = ParseFontSpec("");
    EXPECT_FALSE(empty.face || empty.size || empty.color || empty.charset);

    TempFolder folder;
    IniFile ini(folder.File("Tessarim.ini"));
    four.face = "Noto Sans CJK TC";
    Write(ini, keys::PrvConFont, four);
    EXPECT_EQ(ini.ReadString("Data", "PrvConFont", ""), "Noto Sans CJK TC,12,-2147483640,136");
    EXPECT_EQ(Read(ini, keys::PrvConFont).face, "Noto Sans CJK TC");
}

TEST(Settings, DocumentsFolderAndSettingsPath) {
    {
        ScopedEnv documents("XDG_DOCUMENTS_DIR", "/srv/docs");
        EXPECT_EQ(DocumentsFolder(), "/srv/docs");
    }
    TempFolder home;
    ScopedEnv documents("XDG_DOCUMENTS_DIR", nullptr);
    ScopedEnv homeVar("HOME", home.Path().c_str());
    EXPECT_EQ(DocumentsFolder(), home.Path().string());
    std::filesystem::create_directory(home.Path() / "Documents");
    EXPECT_EQ(DocumentsFolder(), home.File("Documents"));

    EXPECT_EQ(SettingsPath(), ProgramDir() + "Tessarim.ini");
}

} // namespace
} // namespace tessarim
