#include "tools/ClipFrm.h"

#include "engine/CodePages.h"
#include "platform/Clipboard.h"
#include "platform/Help.h"
#include "settings/ProgramSettings.h"
#include "tests/support/TestSupport.h"
#include "tools/ClipViewer.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <array>
#include <filesystem>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

const std::u16string Chinese = u"简体中文，繁體中文";

TEST(ViewerText, TextFromTheOtherChineseSystemIsReadThroughItsCodePageWhenTheFontSaysSo) {
    // GBK bytes a Big5 system took for Big5 when it made the Unicode text.
    const std::u16string asBig5 = AnsiToWide(WideToAnsi(u"简体中文", 936), 950);
    EXPECT_EQ(ViewerText(asBig5, "", 950, 0), asBig5) << "the default font shows it as it is";
    EXPECT_EQ(ViewerText(asBig5, "", 950, 134), u"简体中文");
    const std::u16string asGbk = AnsiToWide(WideToAnsi(u"繁體中文", 950), 936);
    EXPECT_EQ(ViewerText(asGbk, "", 936, 136), u"繁體中文");
    // Elsewhere, and with the system's own character set, nothing is re-read.
    EXPECT_EQ(ViewerText(Chinese, "", 65001, 134), Chinese);
    EXPECT_EQ(ViewerText(Chinese, "", 936, 134), Chinese);
    // Without Unicode text the 8-bit text is read in the system code page.
    EXPECT_EQ(ViewerText(u"", WideToAnsi(u"中文", 936), 936, 0), u"中文");
    EXPECT_EQ(ViewerText(u"", "", 950, 134), std::nullopt);
}

TEST(BringOnScreen, APlaceSavedOnAnotherScreenLayoutComesBackWhereItCanBeSeen) {
    const std::vector<ViewerRect> one{{0, 0, 1024, 738}};
    const std::vector<ViewerRect> two{{0, 0, 1024, 738}, {1024, 0, 1280, 1024}};
    const ViewerRect onSecond{1500, 300, 480, 360};
    EXPECT_EQ(BringOnScreen(onSecond, two), onSecond);
    EXPECT_EQ(BringOnScreen(onSecond, one), (ViewerRect{544, 300, 480, 360}));
    EXPECT_EQ(BringOnScreen({-3000, -50, 480, 360}, one), (ViewerRect{0, 0, 480, 360}));
    EXPECT_EQ(BringOnScreen({900, 500, 2000, 1500}, two), (ViewerRect{1024, 0, 1280, 1024}))
        << "too large: fitted to the screen it overlaps most";
}

class Desktop : public HelpViewer {
public:
    void ShowContext(int) override {}
};

class ClipViewerTest : public ::testing::Test {
protected:
    QtClipboard clipboard{950,
                          {[](std::string_view bytes) { return AnsiToWide(bytes, 950); },
                           [](std::u16string_view text) { return WideToAnsi(text, 950); }}};
    Desktop help;
    ProgramSettings settings;

    void SetUp() override { std::filesystem::remove(SettingsPath()); }
    static std::string Ini() { return test::ReadFile(SettingsPath()); }
    static QString Shown(TClipForm& viewer) {
        return viewer.findChild<QPlainTextEdit*>("Memo1")->toPlainText();
    }
};

TEST_F(ClipViewerTest, FollowsEveryCopyWhileShownAndANewFontReadsTheTextAgain) {
    QApplication::clipboard()->setText("first");
    TClipForm viewer(clipboard, settings, help, 950);
    viewer.Open();
    EXPECT_EQ(Shown(viewer), "first");
    const std::u16string gbkAsBig5 = AnsiToWide(WideToAnsi(u"简体", 936), 950);
    QApplication::clipboard()->setText(QString::fromStdU16String(gbkAsBig5));
    EXPECT_EQ(Shown(viewer).toStdU16String(), gbkAsBig5);
    FontSetting font = viewer.MemoFont();
    font.charset = 134;
    viewer.SetMemoFont(font);
    EXPECT_EQ(Shown(viewer).toStdU16String(), u"简体");

    // Only a picture on the clipboard: the text stays.
    auto* picture = new QMimeData;
    picture->setImageData(QImage(4, 4, QImage::Format_RGB32));
    QApplication::clipboard()->setMimeData(picture);
    EXPECT_EQ(Shown(viewer).toStdU16String(), u"简体");

    QTest::keyClick(viewer.findChild<QPlainTextEdit*>("Memo1"), Qt::Key_Escape);
    EXPECT_FALSE(viewer.isVisible()) << "Escape puts the viewer away";
    QApplication::clipboard()->setText("while hidden");
    EXPECT_EQ(Shown(viewer).toStdU16String(), u"简体") << "no refresh while hidden";
    viewer.Open();
    EXPECT_EQ(Shown(viewer), "while hidden");
    viewer.close();
}

// On a UTF-8 system the viewer speaks the locale's Chinese, to the eye and to
// a screen reader, and shows the copied text as it is.
TEST_F(ClipViewerTest, OnAUtf8SystemItsWordsFollowTheLocale) {
    test::ScopedEnv utf8("TESSARIM_ACP", "65001");
    const std::pair<const char*, std::array<const char*, 3>> locales[] = {
        {"zh_TW.UTF-8", {"剪貼簿檢視工具", "剪貼簿文字", "關閉"}},
        {"zh_CN.UTF-8", {"剪贴板检视工具", "剪贴板文字", "关闭"}},
        {"en_GB.UTF-8", {"Clipboard Viewer", "Clipboard text", "Close"}}};
    for (const auto& [locale, words] : locales) {
        test::ScopedEnv language("LC_ALL", locale);
        QApplication::clipboard()->setText("简体");
        TClipForm viewer(clipboard, settings, help, 65001);
        viewer.Open();
        EXPECT_EQ(viewer.windowTitle(), QString::fromUtf8(words[0])) << locale;
        EXPECT_EQ(viewer.findChild<QPlainTextEdit*>("Memo1")->accessibleName(),
                  QString::fromUtf8(words[1]));
        EXPECT_EQ(viewer.findChild<QPushButton*>("btnClose")->text(), QString::fromUtf8(words[2]));
        EXPECT_EQ(Shown(viewer), "简体");
        viewer.close();
    }
}

TEST_F(ClipViewerTest, RemembersPlaceAndFontOnlyWhenAskedButAlwaysTakesASavedFont) {
    settings.RemLastPos = false;
    test::WriteFile(SettingsPath(), "[Data]\nClipFont=Sans,14,255,134\n");
    {
        TClipForm viewer(clipboard, settings, help, 1252);
        EXPECT_EQ(viewer.MemoFont().charset, 134);
        EXPECT_EQ(viewer.findChild<QPlainTextEdit*>("Memo1")->font().pointSize(), 14);
        viewer.Open();
        viewer.close();
    }
    EXPECT_EQ(Ini(), "[Data]\nClipFont=Sans,14,255,134\n") << "nothing written";

    settings.RemLastPos = true;
    test::WriteFile(SettingsPath(),
                    "[Data]\nClipLeft=5000\nClipTop=100\nClipWidth=300\nClipHeight=200\n");
    TClipForm viewer(clipboard, settings, help, 1252);
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(viewer.geometry())) << "back on the screen";
    EXPECT_EQ(viewer.geometry().size(), QSize(300, 200));
    viewer.Open();
    viewer.close();
    const IniFile file(SettingsPath());
    EXPECT_EQ(Read(file, keys::ClipWidth, 0), 300);
    EXPECT_EQ(Read(file, keys::ClipFont).charset, 0) << Ini();
}

} // namespace
} // namespace tessarim
