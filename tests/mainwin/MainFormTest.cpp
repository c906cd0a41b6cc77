#include "mainwin/Main.h"

#include "engine/ConFunc.h"
#include "mainwin/warn.h"
#include "platform/CodePage.h"
#include "platform/Help.h"
#include "platform/Tray.h"
#include "settings/ProgramSettings.h"
#include "settings/Settings.h"
#include "tests/mainwin/FakeAppBarShell.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::FakeAppBarShell;

// One program folder for this process, set before anything asks for it.
const test::TempFolder home;
const std::string ini =
    (::setenv("TESSARIM_HOME", home.Dir().c_str(), 1), home.Dir() + "Tessarim.ini");

bool HasNonAscii(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x80; });
}

// A tray that may be missing, and a help that shows nothing.
class FakeTray : public TrayIcon, public HelpViewer {
public:
    bool available = true;
    bool Available() const override { return available; }
    void Show(const QIcon&, const QString&, QMenu*) override {}
    void SetHint(const QString&) override {}
    void ShowContext(int) override {}
};

class RecordingCommands : public ClipboardCommands {
public:
    std::vector<std::string> calls; // the hotkeys are not the bar's
    void ConvertGbkToBig5() override { calls.push_back("GtoB"); }
    void ConvertBig5ToGbk() override { calls.push_back("BtoG"); }
    void ConvertUnicodeTypeface(Face face) override {
        calls.push_back(face == FaceT ? "StoT" : "TtoS");
    }
    void WriteNumericNotation(bool hex) override { calls.push_back(hex ? "Hex" : "Dec"); }
    void RunHotKey(int) override {}
    void ClipboardChange() override { calls.push_back("Changed"); }
};

class MainFormTest : public ::testing::Test {
protected:
    FakeAppBarShell shell;
    FakeTray tray;
    RecordingCommands commands;
    std::unique_ptr<TMainForm> form;
    test::ScopedEnv acp{"TESSARIM_ACP", "1252"};

    void SetUp() override { std::filesystem::remove(ini); }
    void TearDown() override {
        form.reset();
        SetCodePageAvailable(CodePageGbk, true);
        SetCodePageAvailable(CodePageBig5, true);
    }
    void Settings(const std::string& lines) { test::WriteFile(ini, "[Data]\n" + lines); }
    static IniFile Ini() { return IniFile(ini); }
    void Create() {
        form = std::make_unique<TMainForm>(shell, tray, tray);
        form->CreateWindowHandle();
        form->SetClipboardCommands(commands);
    }
    template <class T = QWidget>
    T* Child(const char* name) const {
        T* child = form->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QAction* Entry(const char* name) const { return Child<QAction>(name); }
    void SetLang(std::int64_t lang) {
        form->Logic().Settings().Lang = lang;
        form->UpdateLang();
    }
    static QString ButtonText(QMessageBox::StandardButton button) {
        QMessageBox box(QMessageBox::Warning, "", "", button);
        return box.button(button)->text();
    }
    // Every text the bar shows or hints at, menu entries included.
    std::vector<QString> AllTexts() const {
        std::vector<QString> texts{Child<QToolButton>("BtnFile")->text()};
        for (const QToolButton* button : form->findChildren<QToolButton*>())
            texts.push_back(button->statusTip());
        for (const QAction* action : form->PopupMenu1()->actions())
            if (!action->isSeparator()) texts.push_back(action->text());
        return texts;
    }
    // Answers the code-page warning the next showing of the bar brings up.
    void AnswerWarning(std::vector<std::string>& missing, bool tick) {
        QTimer::singleShot(100, [&missing, tick] {
            auto* dialog = qobject_cast<CodePageWarning*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            missing.push_back(dialog->findChild<QLabel*>("Label2")->text().toStdString());
            dialog->findChild<QCheckBox*>("cb1")->setChecked(tick);
            dialog->findChild<QPushButton*>("Button1")->click();
        });
    }
};

TEST_F(MainFormTest, FirstStartOnABig5SystemIsTraditionalAndHidesAtTheTop) {
    test::ScopedEnv big5("TESSARIM_ACP", "950");
    tray.available = false;
    Create();
    EXPECT_EQ(Child<QToolButton>("BtnFile")->text().toStdString(), "檔案");
    EXPECT_EQ(shell.autoHideOwner[abeTop], FakeAppBarShell::Us);
    EXPECT_TRUE(shell.reserved.IsEmpty());
    EXPECT_EQ(form->geometry(), QRect(0, 2 - 32, 1024, 32)) << "two border widths stay";
    EXPECT_FALSE(Entry("Hide1")->isEnabled()) << "without a tray the bar cannot be hidden";
}

TEST_F(MainFormTest, LanguageSwitchChangesEveryTextAndAnUnknownLanguageKeepsThem) {
    Settings("Lang=1\n");
    Create();
    for (const QString& text : AllTexts())
        EXPECT_TRUE(HasNonAscii(text)) << text.toStdString();
    SetLang(0);
    for (const QString& text : AllTexts())
        EXPECT_FALSE(HasNonAscii(text)) << text.toStdString();
    SetLang(2);
    // Not cut short by a byte pair the Simplified texts' code cannot decode.
    EXPECT_EQ(Child("BtnClipGtoB")->statusTip().toStdString(), "剪贴板：GBK > Big5　简转繁");
    const std::vector<QString> simplified = AllTexts();
    SetLang(3);
    EXPECT_EQ(AllTexts(), simplified);
}

TEST_F(MainFormTest, HidingReleasesTheStripAndShowingDocksAtTheSameEdgeAlsoAfterARestart) {
    Settings("AutoHide=0\nLastEdge=3\n");
    Create();
    form->show();
    const Rect bottom{0, 736, 1024, 768};
    EXPECT_EQ(shell.reserved, bottom);
    EXPECT_FALSE(Entry("S1")->isEnabled());
    Entry("Hide1")->trigger();
    EXPECT_FALSE(form->isVisible() || Entry("Hide1")->isEnabled());
    EXPECT_TRUE(shell.reserved.IsEmpty());
    form->close();
    EXPECT_TRUE(Read(Ini(), keys::HideMain));
    EXPECT_EQ(Read(Ini(), keys::LastEdge), abeBottom);
    EXPECT_FALSE(shell.registered) << "closing leaves the shell";
    form.reset();
    Create();
    form->StartHidden();
    EXPECT_TRUE(shell.reserved.IsEmpty());
    Entry("S1")->trigger();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(shell.reserved, bottom);
    // A saved edge the bar may not take, or none remembered, starts it at the top.
    for (const std::int64_t edge : {0, 2, -1, 1000})
        EXPECT_EQ(InitialPosition(true, false, edge, 0, 0).edge, abeTop) << edge;
    EXPECT_EQ(InitialPosition(false, false, abeBottom, 0, 0).edge, abeTop);
}

TEST_F(MainFormTest, MissingCodePageDisablesUnicodeButtonsAndWarnsAtEachShowingUntilTicked) {
    SetCodePageAvailable(CodePageGbk, false);
    Create();
    for (const char* name : {"UClipConStoT", "UClipConTtoS", "Uni2Dec", "Uni2Hex"})
        EXPECT_FALSE(Child(name)->isEnabled()) << name;
    EXPECT_TRUE(Child("BtnClipGtoB")->isEnabled());
    EXPECT_FALSE(Program().Fix_UNN) << "numeric references stay as they are for the run";
    Entry("ClipU_StoT")->trigger(); // the menu entries still work
    Entry("HexNot")->trigger();
    EXPECT_EQ(commands.calls, (std::vector<std::string>{"StoT", "Hex"}));

    std::vector<std::string> missing;
    AnswerWarning(missing, false);
    form->show();
    QTest::qWait(300);
    EXPECT_EQ(Ini().ReadString("Data", "Warn", "none"), "none") << "left unticked";
    form->Hide1Click();
    AnswerWarning(missing, true);
    form->S1Click();
    QTest::qWait(300);
    EXPECT_EQ(missing, std::vector<std::string>(2, "Simplified Chinese Support"));
    EXPECT_FALSE(Read(Ini(), keys::Warn));
    form->Hide1Click();
    form->S1Click();
    QTest::qWait(20);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "ticked: no warning any more";
}

TEST_F(MainFormTest, ButtonsAndEntriesRunTheirCommandsOnceTheyHaveAHandler) {
    Create();
    for (const char* name : {"BtnClipGtoB", "UClipConTtoS", "Uni2Dec"})
        Child<QToolButton>(name)->click();
    Entry("ClipboardB5GB1")->trigger();
    // Every change of the clipboard reaches the commands, until the bar closes.
    QGuiApplication::clipboard()->setText("copied elsewhere");
    EXPECT_EQ(commands.calls, (std::vector<std::string>{"GtoB", "TtoS", "Dec", "BtoG", "Changed"}));

    // The windows of later versions are shown disabled until they have a handler.
    for (const char* name : {"BtnFile", "BtnOption", "BtnKey", "ClipBtn"})
        EXPECT_FALSE(Child(name)->isEnabled()) << name;
    EXPECT_FALSE(Entry("Options1")->isEnabled());
    int opened = 0;
    form->SetCommandHandler(MainCommand::Options, [&opened] { ++opened; });
    EXPECT_TRUE(Child("BtnOption")->isEnabled());
    Entry("Options1")->trigger();
    EXPECT_EQ(opened, 1);

    form->close();
    QGuiApplication::clipboard()->setText("after the end");
    EXPECT_EQ(commands.calls.size(), 5u);
}

TEST_F(MainFormTest, DialogsAndNamesSpeakTheInterfaceLanguage) {
    Settings("Lang=2\n");
    Create();
    // Qt's own buttons, the platform's own messages.
    for (const auto button : {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::No})
        EXPECT_TRUE(HasNonAscii(ButtonText(button))) << ButtonText(button).toStdString();
    test::CapturedMessages messages;
    DesktopHelp(test::TempFolder().File("Tessarim.html")).ShowContext(21);
    EXPECT_TRUE(messages.texts().starts_with("无法打开文件 ")) << messages.texts();
    SetLang(0);
    EXPECT_EQ(ButtonText(QMessageBox::Yes), "&Yes");

    // Picture-only buttons too have a name and a tooltip; those whose windows
    // are still to come say so.
    for (const QToolButton* button : form->findChildren<QToolButton*>()) {
        EXPECT_FALSE(button->accessibleName().isEmpty()) << button->objectName().toStdString();
        EXPECT_EQ(button->toolTip(), button->accessibleName());
    }
    EXPECT_EQ(Child("BtnAbout")->accessibleName(), "About");
    // Without a mouse: the context-menu keys open the menu.
    QTest::keyClick(form.get(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(form->PopupMenu1()->isVisible());
    form->PopupMenu1()->hide();
    EXPECT_EQ(Child("BtnOption")->toolTip(), "Options (not in this version yet)");
    form->SetCommandHandler(MainCommand::Options, [] {});
    EXPECT_EQ(Child("BtnOption")->toolTip(), "Options");
}

TEST_F(MainFormTest, TrayArrivingLetsTheBarHideAndASecondStartOrTheTrayLeavingShowsIt) {
    Settings("AutoHide=0\n");
    tray.available = false;
    Create();
    form->show();
    EXPECT_FALSE(Entry("Hide1")->isEnabled());
    tray.onAvailabilityChanged(true);
    ASSERT_TRUE(Entry("Hide1")->isEnabled());
    Entry("Hide1")->trigger();
    form->BringToFront(); // another start
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(shell.reserved, (Rect{0, 0, 1024, 32})) << "docked again";
    Entry("Hide1")->trigger();
    tray.onAvailabilityChanged(false);
    EXPECT_TRUE(form->isVisible()) << "never lost";
    EXPECT_FALSE(Entry("Hide1")->isEnabled());
}

} // namespace
} // namespace tessarim
