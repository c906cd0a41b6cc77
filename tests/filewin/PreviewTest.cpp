// The preview panes' content: labels and colours by code, the detected code
// taking over the mode, decoding by the pane font, a sample cut in the middle of
// a character, and files that cannot be shown.
#include "filewin/Preview.h"
#include "core/Paths.h"
#include "filewin/FileCon.h"
#include "platform/CodePage.h"
#include "settings/Settings.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using test::WriteFile;

const std::string GbHair = "\xCD\xB7\xB7\xA2";   // 头发
const std::string Big5Hair = "\xC0\x59\xBE\x76"; // 頭髮

class PreviewTest : public ::testing::Test {
protected:
    TempFolder src;
    FileCon con{{.defaultFolder = src.Dir(),
                 .defaultTarget = GBK,
                 .defaultFace = FaceD,
                 .unicodeAvailable = true,
                 .lang = 0,
                 .namesAvailable = true}};
    PreviewOptions options;

    void SetUp() override {
        con.Rules.ignore = MaskList(keys::Ignore.def);
        con.Mode.ClickSimple(SimpleMode::GbToBig5);
    }
    std::string Make(const std::string& name, const std::string& bytes) {
        WriteFile(src.Path() / name, bytes);
        return src.File(name);
    }
    PreviewContent Preview(const std::string& name, const std::string& bytes) {
        return PreviewFile(con, Make(name, bytes), options);
    }
};

TEST_F(PreviewTest, PanesShowLabelsAndColoursOfTheDetectedCode) {
    PreviewContent panes = Preview("gb.txt", GbHair + " hair");
    EXPECT_TRUE(panes.convertible);
    EXPECT_EQ(panes.source.text, u"头发 hair");
    EXPECT_EQ(panes.result.text, u"頭發 hair"); // without the correction tables
    for (const PaneContent* pane : {&panes.source, &panes.result}) {
        EXPECT_EQ(pane->label, "");
        EXPECT_EQ(pane->colour, PaneWhite);
    }
    // A marked UTF-8 file under GBK to Big5 turns the mode to a UTF-8 source
    // before the panes are drawn.
    panes = Preview("u8.txt", "\xEF\xBB\xBF"
                              "头发");
    EXPECT_EQ(con.Mode.SourceCode(), UTF8);
    EXPECT_EQ(panes.source.label, "UTF-8");
    EXPECT_EQ(panes.source.colour, PaneUnicode);
    EXPECT_EQ(panes.source.text, u"头发");
    EXPECT_EQ(panes.result.label == "", panes.result.colour == PaneWhite);
}

TEST_F(PreviewTest, DoubleByteTextIsDecodedByTheFontElseByTheShownCode) {
    const std::string file = Make("b5.txt", Big5Hair);
    con.Mode.ClickSimple(SimpleMode::Big5ToGb);
    // A font of a character set decodes by it: a GBK font shows Big5 bytes as GBK.
    options.sourceCharset = PaneCharsetGb2312;
    EXPECT_NE(PreviewFile(con, file, options).source.text, u"頭髮");
    // Otherwise each pane decodes by the code it shows, whatever the locale's
    // code page: under a GBK locale the Big5 file is still read as Big5.
    options.sourceCharset = PaneCharsetLatin;
    for (const int system : {CodePageGbk, CodePageBig5, CodePageUtf8}) {
        options.systemCodePage = system;
        const PreviewContent panes = PreviewFile(con, file, options);
        EXPECT_EQ(panes.source.text, u"頭髮") << system;
        EXPECT_EQ(panes.result.text, u"头发") << system;
    }
}

TEST_F(PreviewTest, SampleIsCutAtTheLimitWithoutABrokenCharacter) {
    std::string text;
    while (text.size() < PreviewLimit)
        text += GbHair;
    PreviewContent panes = Preview("exact.txt", text);
    EXPECT_EQ(panes.source.text.size(), PreviewLimit / 2);
    // One byte more in front: the sample ends in the lead byte of a character.
    panes = Preview("cut.txt", "x" + text);
    EXPECT_EQ(panes.source.text.size(), 1 + PreviewLimit / 2 - 1);
    ASSERT_EQ(panes.result.text.size(), panes.source.text.size());
    EXPECT_EQ(panes.source.text.substr(panes.source.text.size() - 2), u"发头");
    EXPECT_EQ(panes.result.text.substr(panes.result.text.size() - 2), u"發頭");
    // The same cut inside a UTF-8 sequence.
    std::string utf8 = "\xEF\xBB\xBF";
    while (utf8.size() < PreviewLimit + 3)
        utf8 += "头";
    panes = Preview("cut8.txt", utf8);
    EXPECT_EQ(panes.source.text, std::u16string((PreviewLimit - 3) / 3, u'头'));
    EXPECT_EQ(panes.result.text.find(u'\uFFFD'), std::u16string::npos);
}

TEST_F(PreviewTest, FilesThatCannotBeShownSaySoInTheSourcePane) {
    PreviewContent panes = PreviewFile(con, src.File("gone.txt"), options);
    EXPECT_EQ(panes.source.text, u"The file is no longer exists.");
    EXPECT_FALSE(panes.convertible);
    fs::create_directory(src.Path() / "folder.txt");
    panes = PreviewFile(con, src.File("folder.txt"), options);
    EXPECT_EQ(panes.source.text.rfind(u"** Read Error! **\r\n", 0), 0u);
    EXPECT_GT(panes.source.text.size(), 20u) << "with the system's reason";
    panes = Preview("tool.exe", GbHair);
    EXPECT_EQ(panes.source.text.rfind(u"** NOT CONVERTABLE! **", 0), 0u);
    EXPECT_TRUE(panes.result.text.empty());
    EXPECT_FALSE(panes.convertible);
}

TEST_F(PreviewTest, NamesModeShowsTheNameAndItsConversion) {
    con.SetContent(false, true);
    PreviewContent panes = PreviewName(con, GbHair + ".txt", options);
    EXPECT_EQ(panes.source.text, u"头发.txt");
    EXPECT_EQ(panes.result.text, u"頭發.txt");
    options.showResult = false;
    EXPECT_TRUE(PreviewName(con, "头发.txt", options).result.text.empty());
}

} // namespace
} // namespace tessarim
