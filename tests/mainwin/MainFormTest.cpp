#include "mainwin/Main.h"

#include "engine/ConFunc.h"
#include "mainwin/About.h"
#include "mainwin/ClipMon.h"
#include "mainwin/MainTexts.h"
#include "mainwin/warn.h"
#include "platform/CodePage.h"
#include "settings/Settings.h"
#include "tests/mainwin/FakeAppBarShell.h"
#include "tests/mainwin/FakeDesktop.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace tessarim {
namespace {

using test::FakeAppBarShell;

// One program folder for this process, set before anything asks for it.
const std::string& Home() {
    static test::TempFolder folder;
    static const std::string home = [] {
        ::setenv("TESSARIM_HOME", folder.Dir().c_str(), 1);
        return folder.Dir();
    }();
    return home;
}

bool HasNonAscii(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x80) return true;
    return false;
}

class RecordingCommands : public ClipboardCommands {
public:
    std::vector<std::string> calls;
    void BtnClipGtoBClick() override { calls.push_back("GtoB"); }
    void BtnClipBtoGClick() override { calls.push_back("BtoG"); }
    void UClipConStoTClick(int tag) override { calls.push_back("StoT" + std::to_string(tag)); }
    void Uni2DecClick(int tag) override { calls.push_back("Dec" + std::to_string(tag)); }
    void AMHotKeysHotKeys0HotKey() override { calls.push_back("HotKey0"); }
    void AMHotKeysHotKeys1HotKey() override { calls.push_back("HotKey1"); }
    void AMHotKeysHotKeys2HotKey() override { calls.push_back("HotKey2"); }
    void AMHotKeysHotKeys3HotKey() override { calls.push_back("HotKey3"); }
    void ClipboardChange() override { calls.push_back("Changed"); }
};

class MainFormTest : public ::testing::Test {
protected:
    FakeAppBarShell shell;
    test::FakeTray tray;
    test::RecordingHelp help;
    std::unique_ptr<TMainForm> form;
    test::ScopedEnv acp{"TESSARIM_ACP", "1252"};

    void SetUp() override {
        std::filesystem::remove(Home() + "Tessarim.ini");
        Fix_UNN = true;
        SetCodePageAvailable(CodePageGbk, true);
        SetCodePageAvailable(CodePageBig5, true);
    }
    void TearDown() override {
        form.reset();
        SetCodePageAvailable(CodePageGbk, true);
        SetCodePageAvailable(CodePageBig5, true);
    }
    void Settings(const std::string& lines) {
        test::WriteFile(Home() + "Tessarim.ini", "[Data]\n" + lines);
    }
    IniFile Ini() const { return IniFile(Home() + "Tessarim.ini"); }
    void Create() {
        form = std::make_unique<TMainForm>(shell, tray, help);
        form->CreateWindowHandle();
    }
    template <class T = QWidget>
    T* Child(const char* name) const {
        T* child = form->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QAction* Entry(const char* name) const { return Child<QAction>(name); }
    QRect Geometry(const char* name) const { return Child(name)->geometry(); }
    // Every text the bar shows or hints at, menu entries included.
    std::vector<QString> AllTexts() const {
        std::vector<QString> texts{Child<QToolButton>("BtnFile")->text()};
        for (const QToolButton* button : form->findChildren<QToolButton*>())
            texts.push_back(button->statusTip());
        for (const QAction* action : form->PopupMenu1()->actions())
            if (!action->isSeparator()) texts.push_back(action->text());
        return texts;
    }
};

TEST_F(MainFormTest, FirstStartOnABig5SystemIsTraditionalAndHidesAtTheTop) {
    test::ScopedEnv big5("TESSARIM_ACP", "950");
    Create();
    EXPECT_EQ(Child<QToolButton>("BtnFile")->text().toStdString(), "檔案");
    EXPECT_EQ(form->Edge(), abeTop);
    EXPECT_EQ(shell.autoHideOwner[abeTop], FakeAppBarShell::Us);
    EXPECT_TRUE(shell.reserved.IsEmpty());
    EXPECT_EQ(form->geometry(), QRect(0, 2 - 32, 1024, 32)) << "two border widths stay";
    // The hint panel fills the space between the clipboard viewer button and BtnKey.
    EXPECT_EQ(Geometry("Panel1").left(), Geometry("ClipBtn").right() + 1 + 4);
    EXPECT_EQ(Geometry("Panel1").right() + 1 + 4, Geometry("BtnKey").left());
    EXPECT_EQ(Geometry("BtnClose").right() + 1, form->width() - 12 + AppBarWidget::FrameWidth);
}

TEST_F(MainFormTest, LanguageSwitchChangesEveryTextAndAnUnknownLanguageKeepsThem) {
    Settings("Lang=1\n");
    Create();
    for (const QString& text : AllTexts())
        EXPECT_TRUE(HasNonAscii(text)) << text.toStdString();

    form->Logic().Settings().Lang = 0;
    form->UpdateLang();
    for (const QString& text : AllTexts())
        EXPECT_FALSE(HasNonAscii(text)) << text.toStdString();
    EXPECT_EQ(Entry("DecNot")->text().toStdString(), "Clip: Unicode to Dec.Notation");
    EXPECT_EQ(Child<QToolButton>("BtnClipGtoB")->text().toStdString(), "G > B");

    form->Logic().Settings().Lang = 2;
    form->UpdateLang();
    EXPECT_EQ(Entry("HexNot")->text().toStdString(), "剪贴板：统一码 > 十六进数字记法");
    const std::vector<QString> simplified = AllTexts();
    form->Logic().Settings().Lang = 3;
    form->UpdateLang();
    EXPECT_EQ(AllTexts(), simplified);
}

TEST_F(MainFormTest, GapIsCutFromADockedAutoHideBarOnly) {
    Settings("GapWidth=50\nAutoHide=1\n");
    Create();
    ASSERT_EQ(form->Edge(), abeTop);
    EXPECT_EQ(form->mask().boundingRect(), QRect(0, 0, form->width() - 50, form->height()));
    EXPECT_EQ(Geometry("BtnClose").right() + 1, form->width() - 50 - 12 + AppBarWidget::FrameWidth);

    form->SetEdge(abeFloat);
    EXPECT_TRUE(form->mask().isEmpty());
    EXPECT_EQ(Geometry("BtnClose").right() + 1, form->width() - 12 + AppBarWidget::FrameWidth);
}

TEST_F(MainFormTest, HidingReleasesTheStripAndShowingDocksAtTheSameEdge) {
    Settings("AutoHide=0\nLastEdge=3\n");
    Create();
    form->show();
    EXPECT_EQ(shell.reserved, (Rect{0, 736, 1024, 768}));
    EXPECT_FALSE(Entry("S1")->isEnabled());
    EXPECT_TRUE(Entry("Hide1")->isEnabled());

    Entry("Hide1")->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->Edge(), abeFloat);
    EXPECT_TRUE(shell.reserved.IsEmpty());
    EXPECT_TRUE(Entry("S1")->isEnabled());
    EXPECT_FALSE(Entry("Hide1")->isEnabled());

    Entry("S1")->trigger();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Edge(), abeBottom);
    EXPECT_EQ(shell.reserved, (Rect{0, 736, 1024, 768}));
}

TEST_F(MainFormTest, ClosingWhileHiddenStartsHiddenAndShowsAtTheOldEdge) {
    Settings("AutoHide=0\nLastEdge=3\n");
    Create();
    form->show();
    form->Hide1Click();
    form->close();
    EXPECT_TRUE(Read(Ini(), keys::HideMain));
    EXPECT_EQ(Read(Ini(), keys::LastEdge), abeBottom);
    EXPECT_FALSE(shell.registered) << "closing leaves the shell";

    form.reset();
    Create();
    form->StartHidden();
    EXPECT_EQ(form->Edge(), abeFloat);
    EXPECT_TRUE(Entry("S1")->isEnabled());
    EXPECT_FALSE(Entry("Hide1")->isEnabled());
    form->S1Click();
    EXPECT_EQ(form->Edge(), abeBottom);
}

TEST_F(MainFormTest, ClosingAFloatingBarSavesWhereItFloats) {
    Settings("AutoHide=0\nLastEdge=5\nFloatLeft=200\nFloatTop=300\n");
    Create();
    form->show();
    EXPECT_EQ(form->pos(), QPoint(200, 300));
    form->move(220, 330);
    form->close();
    EXPECT_EQ(Read(Ini(), keys::LastEdge), abeFloat);
    EXPECT_EQ(Read(Ini(), keys::FloatLeft), 220);
    EXPECT_EQ(Read(Ini(), keys::FloatTop), 330);
    EXPECT_FALSE(Read(Ini(), keys::HideMain));
}

TEST_F(MainFormTest, MissingCodePageDisablesTheUnicodeButtonsButNotTheirMenuEntries) {
    Settings("Warn=0\n");
    SetCodePageAvailable(CodePageBig5, false);
    Create();
    RecordingCommands commands;
    form->SetClipboardCommands(commands);
    for (const char* name : {"UClipConStoT", "UClipConTtoS", "Uni2Dec", "Uni2Hex"})
        EXPECT_FALSE(Child(name)->isEnabled()) << name;
    EXPECT_TRUE(Child("BtnClipGtoB")->isEnabled());
    EXPECT_FALSE(Fix_UNN) << "numeric references stay as they are for the run";
    Entry("ClipU_StoT")->trigger();
    Entry("HexNot")->trigger();
    EXPECT_EQ(commands.calls, (std::vector<std::string>{"StoT11", "Dec14"}));
    form->show();
    QTest::qWait(20);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "Warn=0 shows no warning";
}

TEST_F(MainFormTest, CodePageWarningShowsUntilItsBoxIsTicked) {
    SetCodePageAvailable(CodePageGbk, false);
    Create();
    std::string missing;
    QTimer::singleShot(100, [&] {
        auto* dialog = qobject_cast<Twarnfrm*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        missing = dialog->findChild<QLabel*>("Label2")->text().toStdString();
        dialog->findChild<QCheckBox*>("cb1")->setChecked(true);
        dialog->findChild<QPushButton*>("Button1")->click();
    });
    form->show();
    QTest::qWait(300);
    EXPECT_EQ(missing, "Simplified Chinese Support");
    EXPECT_FALSE(Read(Ini(), keys::Warn));
}

TEST_F(MainFormTest, ClipboardCommandsRunFromButtonsAndEntriesWithTheirTags) {
    Create();
    RecordingCommands commands;
    form->SetClipboardCommands(commands);
    Child<QToolButton>("BtnClipGtoB")->click();
    Child<QToolButton>("UClipConTtoS")->click();
    Child<QToolButton>("Uni2Dec")->click();
    Entry("ClipboardB5GB1")->trigger();
    EXPECT_EQ(commands.calls, (std::vector<std::string>{"GtoB", "StoT12", "Dec13", "BtoG"}));

    // Every change of the clipboard reaches the commands, until the bar closes.
    commands.calls.clear();
    QGuiApplication::clipboard()->setText("copied elsewhere");
    EXPECT_EQ(commands.calls, std::vector<std::string>{"Changed"});
    form->close();
    QGuiApplication::clipboard()->setText("after the end");
    EXPECT_EQ(commands.calls, std::vector<std::string>{"Changed"});
}

TEST(ClipboardMonitor, TellsOfChangesWhileEnabled) {
    int changes = 0;
    auto monitor = std::make_unique<TClipboardMonitor>();
    monitor->OnChange = [&changes] { ++changes; };
    EXPECT_TRUE(monitor->Enabled());
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("one");
    EXPECT_EQ(changes, 1);
    monitor->SetEnabled(false);
    clipboard->setText("two");
    EXPECT_EQ(changes, 1);
    monitor->SetEnabled(true);
    monitor->SetEnabled(true);
    clipboard->clear();
    EXPECT_EQ(changes, 2) << "enabled once, told once";
    monitor.reset();
    clipboard->setText("three");
    EXPECT_EQ(changes, 2);
}

TEST_F(MainFormTest, WindowsOfLaterVersionsAreShownDisabledUntilTheyHaveAHandler) {
    Create();
    for (const char* name : {"BtnFile", "BtnOption", "BtnKey", "ClipBtn", "BtnClipGtoB"})
        EXPECT_FALSE(Child(name)->isEnabled()) << name;
    for (const char* name : {"Fileconversion1", "Options1", "SendKey1", "Clipboardviewer1"})
        EXPECT_FALSE(Entry(name)->isEnabled()) << name;
    EXPECT_TRUE(Child("BtnAbout")->isEnabled());
    EXPECT_TRUE(Entry("Exit1")->isEnabled());

    int opened = 0;
    form->SetCommandHandler(MainCommand::Options, [&opened] { ++opened; });
    EXPECT_TRUE(Child("BtnOption")->isEnabled());
    Entry("Options1")->trigger();
    EXPECT_EQ(opened, 1);
}

TEST_F(MainFormTest, HintPanelShowsTheHintOfTheControlUnderThePointer) {
    Create();
    form->show();
    for (const auto& [name, hint] :
         {std::pair{"BtnKey", "Convert & Sendkey"}, std::pair{"BtnFile", "File conversion"}}) {
        QWidget* button = Child(name);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(button, &enter);
        EXPECT_EQ(Child<QLabel>("Panel1")->text().toStdString(), hint) << name;
    }
}

TEST_F(MainFormTest, TrayCarriesTheMenuAndWithoutATrayTheBarCannotBeHidden) {
    Create();
    EXPECT_TRUE(tray.shown);
    EXPECT_EQ(tray.hint.toStdString(), TrayHint);
    EXPECT_EQ(tray.menu, form->PopupMenu1());
    std::vector<std::string> order;
    for (const QAction* action : form->PopupMenu1()->actions())
        order.push_back(action->isSeparator() ? "-" : action->objectName().toStdString());
    EXPECT_EQ(order, (std::vector<std::string>{"S1",
                                               "Hide1",
                                               "-",
                                               "SendKey1",
                                               "-",
                                               "Fileconversion1",
                                               "-",
                                               "ClipboardGBB51",
                                               "ClipboardB5GB1",
                                               "ClipU_StoT",
                                               "ClipU_TtoS",
                                               "HexNot",
                                               "DecNot",
                                               "-",
                                               "Clipboardviewer1",
                                               "-",
                                               "Options1",
                                               "About1",
                                               "-",
                                               "Exit1"}));

    form.reset();
    tray.available = false;
    Create();
    EXPECT_FALSE(Entry("Hide1")->isEnabled());
}

TEST_F(MainFormTest, HelpOpensAtTheTopicOfTheLanguage) {
    Settings("Lang=2\n");
    Create();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &f1);
    EXPECT_EQ(help.contexts, std::vector<int>{21});

    TAboutBox about(1, 136, help);
    about.findChild<QPushButton*>("HelpButton")->click();
    QApplication::sendEvent(&about, &f1);
    EXPECT_EQ(help.contexts, (std::vector<int>{21, 11, 17}));
    EXPECT_EQ(about.windowTitle().toStdString(), "關於本程式");
}

TEST(AboutBox, PictureMoves) {
    AnimatedPicture picture;
    picture.SetTime(0);
    const QImage first = picture.grab().toImage();
    picture.SetTime(500);
    EXPECT_NE(picture.grab().toImage(), first);
    picture.SetTime(2400 + 0);
    EXPECT_NE(picture.grab().toImage(), first) << "the next turn shows the next character";
}

TEST(Warn, NamesWhatIsMissingInTheLanguage) {
    EXPECT_FALSE(WarnTextsFor(0, true, true));
    EXPECT_EQ(WarnTextsFor(0, false, false)->Label2, "Traditional and Simplified Chinese Support");
    EXPECT_EQ(WarnTextsFor(0, true, false)->Label2, "Traditional Chinese Support");
    EXPECT_EQ(WarnTextsFor(2, false, true)->Label2, "系统没有安装简体中文支援");
    EXPECT_EQ(WarnTextsFor(1, true, false)->cb1, "不要再顯示這訊息");
    EXPECT_EQ(WarnTextsFor(9, false, true)->Label1, "Warning:");
}

TEST_F(MainFormTest, WarningLeftUntickedWritesNothing) {
    Settings("Lang=0\n");
    Twarnfrm dialog(*WarnTextsFor(0, true, false), 0);
    dialog.findChild<QPushButton*>("Button1")->click();
    EXPECT_TRUE(Read(Ini(), keys::Warn));
    EXPECT_EQ(test::ReadFile(Home() + "Tessarim.ini"), "[Data]\nLang=0\n");
}

} // namespace
} // namespace tessarim
