#include "tools/OptionFrm.h"

#include "mainwin/Main.h"
#include "platform/Clipboard.h"
#include "platform/Help.h"
#include "platform/Tray.h"
#include "settings/Settings.h"
#include "tests/mainwin/FakeAppBarShell.h"
#include "tests/support/TestSupport.h"
#include "tests/tools/FakeTools.h"
#include "tools/ClipFrm.h"
#include "tools/ToolWindows.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <sstream>

namespace tessarim {
namespace {

const std::string ini = test::ToolsIniPath();

class FakeDesktop : public TrayIcon, public HelpViewer, public Clipboard {
public:
    bool Available() const override { return false; }
    void Show(const QIcon&, const QString&, QMenu*) override {}
    void SetHint(const QString&) override {}
    void ShowContext(int) override {}
    unsigned RegisterClipboardFormat(std::string_view) override { return 49000; }
    bool IsClipboardFormatAvailable(unsigned) override { return false; }
    void OpenClipboard() override {}
    void CloseClipboard() override {}
    void EmptyClipboard() override {}
    std::optional<std::string> GetClipboardData(unsigned) override { return std::nullopt; }
    void SetClipboardData(unsigned, std::string_view) override {}
};

// The file window's start: no bar.
class BarlessHost : public OptionsHost {
public:
    int languageChanges = 0;
    bool HasBar() const override { return false; }
    void UpdateBar(bool, bool) override { ADD_FAILURE() << "there is no bar"; }
    void LanguageChanged() override { ++languageChanges; }
};

class OptionsTest : public ::testing::Test {
protected:
    test::ScopedEnv acp{"TESSARIM_ACP", "1252"};
    test::CapturedMessages messages;
    ProgramSettings running;

    void SetUp() override {
        if (std::filesystem::exists(ini))
            std::filesystem::permissions(ini, std::filesystem::perms::owner_all);
        std::filesystem::remove(ini);
    }
    static std::string Ini() { return test::ReadFile(ini); }
    // The keys of [Data] in the order the file holds them.
    static std::vector<std::string> KeyOrder() {
        std::vector<std::string> keys;
        std::istringstream lines(Ini());
        for (std::string line; std::getline(lines, line);)
            if (const auto eq = line.find('='); eq != std::string::npos)
                keys.push_back(line.substr(0, eq));
        return keys;
    }
    template <class T>
    static T* Child(QWidget& form, const char* name) {
        T* child = form.findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
};

TEST_F(OptionsTest, ClosingWritesEveryKeyInOrderAndSaysWhatItCouldNotKeep) {
    FakeDesktop desktop;
    BarlessHost host;
    {
        TForm5 form(running, host, desktop, {});
        form.show();
        EXPECT_FALSE(Child<QCheckBox>(form, "cb_onTop")->isEnabled()) << "no bar to keep on top";
        EXPECT_FALSE(Child<QCheckBox>(form, "cb_AutoHide")->isEnabled());
        EXPECT_FALSE(Child<QPushButton>(form, "btnHotKey")->isEnabled());
        Child<QCheckBox>(form, "cb_Sound")->setChecked(false);
        EXPECT_FALSE(Child<QLineEdit>(form, "editWav")->isEnabled());
        Child<QLineEdit>(form, "editWav")->setText("/no/such.wav");
        Child<QLineEdit>(form, "EditDefaultDir")->setText("/no/such/folder");
        Child<QSpinBox>(form, "seGap")->setValue(40);
        Child<QCheckBox>(form, "cb_UNN")->setChecked(false);
        form.close();
    }
    // Keys new to the file are added in the order they are written.
    const std::vector<std::string> order{"Lang",
                                         "Sound",
                                         "WaveFile",
                                         "GapWidth",
                                         "DefaultDir",
                                         "Ignore",
                                         "HtmlType",
                                         "CfmOverwrite",
                                         "RemLastPos",
                                         "MsgFinished",
                                         "MsgClipConFinished",
                                         "FixHtmlCharset",
                                         "AddBOMtoUTF8",
                                         "CF_HTML_Support",
                                         "Fix_UNN"};
    EXPECT_EQ(KeyOrder(), order) << Ini();
    const IniFile file(ini);
    EXPECT_EQ(Read(file, keys::WaveFile), "") << "a missing wave file is not kept";
    EXPECT_EQ(Read(file, keys::DefaultDir), DocumentsFolder());
    EXPECT_FALSE(Read(file, keys::Sound));
    EXPECT_FALSE(running.Fix_UNN) << "the running switch follows the box";
    EXPECT_EQ(running.GapWidth, 40);
    EXPECT_EQ(running.WaveFile, "");
    EXPECT_EQ(host.languageChanges, 0);
    // Both replacements are told, naming what was typed.
    const std::string said = messages.texts();
    EXPECT_NE(said.find("/no/such.wav"), std::string::npos) << said;
    EXPECT_NE(said.find("/no/such/folder"), std::string::npos) << said;
}

// Where the screen has room the pages show whole in each language, and a
// window made smaller (a large scale factor on a small screen) scrolls its
// pages with Close still in it.
TEST_F(OptionsTest, PagesShowWholeWhereThereIsRoomAndScrollWithCloseInSightWhereNot) {
    FakeDesktop desktop;
    BarlessHost host;
    TForm5 form(running, host, desktop, {});
    form.show();
    auto* scroll = Child<QScrollArea>(form, "PagesScroll");
    auto* close = Child<QPushButton>(form, "BitBtn1");
    const QSize free = form.screen()->availableGeometry().size();
    for (const char* language : {"rb_B5", "rb_GB", "rb_Eng"}) {
        Child<QRadioButton>(form, language)->click();
        QApplication::processEvents();
        EXPECT_EQ(scroll->verticalScrollBar()->maximum(), 0) << language;
        EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0) << language;
        EXPECT_LE(form.height(), free.height()) << language;
    }
    form.resize(form.width(), form.height() / 2);
    QApplication::processEvents();
    EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(close->isVisible());
    EXPECT_LE(close->geometry().bottom(), form.height());
    form.close();
}

TEST_F(OptionsTest, AnExistingWaveFileAndFolderAreKeptSilentlyAndAFailedWriteIsReported) {
    test::TempFolder place;
    test::WriteFile(place.File("done.wav"), "RIFF");
    test::WriteFile(ini, "[Data]\nWaveFile=" + place.File("done.wav") +
                             "\nDefaultDir=" + place.Dir() + "\n");
    FakeDesktop desktop;
    BarlessHost host;
    {
        TForm5 form(running, host, desktop, {});
        form.show();
        Child<QRadioButton>(form, "rb_GB")->click();
        form.close();
    }
    EXPECT_EQ(messages.texts(), "");
    EXPECT_EQ(running.WaveFile, place.File("done.wav"));
    EXPECT_EQ(Read(IniFile(ini), keys::DefaultDir), place.Dir());
    EXPECT_EQ(host.languageChanges, 1);

    // A settings file that cannot be written: the error is shown, and the
    // windows still follow the language the program now speaks.
    std::filesystem::permissions(ini, std::filesystem::perms::owner_read);
    {
        TForm5 form(running, host, desktop, {});
        form.show();
        Child<QRadioButton>(form, "rb_Eng")->click();
        form.close();
    }
    EXPECT_NE(messages.texts().find("Unable to write to"), std::string::npos) << messages.texts();
    EXPECT_EQ(host.languageChanges, 2);
    EXPECT_EQ(running.Lang, 0);
}

class OpenWindowsTest : public OptionsTest {
protected:
    test::FakeAppBarShell shell;
    FakeDesktop desktop;
    std::unique_ptr<TMainForm> main;
    std::unique_ptr<ToolWindows> tools;

    void SetUp() override {
        OptionsTest::SetUp();
        test::WriteFile(ini, "[Data]\nLang=0\nAutoHide=0\nAlwaysOnTop=1\n");
        main = std::make_unique<TMainForm>(shell, desktop, desktop);
        main->CreateWindowHandle();
        tools = std::make_unique<ToolWindows>(*main, desktop, desktop, 1252);
    }
    void TearDown() override {
        tools.reset();
        main.reset();
    }
    QString BarFileCaption() { return main->findChild<QToolButton*>("BtnFile")->text(); }
    // Opens the options window, lets act() use it, and closes it.
    template <class Act>
    void WithOptions(Act act) {
        QTimer::singleShot(0, [&] {
            TForm5* form = tools->OptionsWindow();
            ASSERT_NE(form, nullptr);
            act(*form);
            form->close();
        });
        tools->OpenOptions();
    }
};

TEST_F(OpenWindowsTest, ANewLanguageReachesTheBarTheViewerAndOtherWindowsAtClosing) {
    int keySender = 0;
    tools->AddLanguageListener([&] { ++keySender; });
    main->Logic().Run(MainCommand::ClipboardViewer);
    ASSERT_NE(tools->ClipboardViewer(), nullptr);
    EXPECT_TRUE(main->findChild<QToolButton*>("BtnOption")->isEnabled());
    EXPECT_TRUE(main->MenuEntry(MainCommand::ClipboardViewer)->isEnabled());

    WithOptions([&](TForm5& form) {
        Child<QRadioButton>(form, "rb_B5")->click();
        EXPECT_EQ(Child<QCheckBox>(form, "cb_Sound")->text().toStdString(),
                  "轉換完成後發出聲效提示")
            << "the options window changes at once";
        EXPECT_EQ(BarFileCaption().toStdString(), "File") << "the bar waits for the close";
    });
    EXPECT_EQ(BarFileCaption().toStdString(), "檔案");
    EXPECT_EQ(main->findChild<QToolButton*>("BtnOption")->accessibleName().toStdString(),
              "程式設定");
    EXPECT_EQ(keySender, 1);
    EXPECT_EQ(main->Logic().HelpContext(1), 11);

    // There and back before closing is no change for the other windows.
    WithOptions([&](TForm5& form) {
        Child<QRadioButton>(form, "rb_Eng")->click();
        Child<QRadioButton>(form, "rb_B5")->click();
    });
    EXPECT_EQ(keySender, 1);
}

TEST_F(OpenWindowsTest, BarSettingsAndGapActOnTheRunningBarAtClosing) {
    ASSERT_FALSE(main->BarSettings().AutoHide);
    WithOptions([&](TForm5& form) {
        EXPECT_TRUE(Child<QCheckBox>(form, "cb_AutoHide")->isEnabled());
        Child<QCheckBox>(form, "cb_AutoHide")->setChecked(true);
        Child<QCheckBox>(form, "cb_onTop")->setChecked(false);
        Child<QSpinBox>(form, "seGap")->setValue(50);
    });
    EXPECT_TRUE(main->BarSettings().AutoHide);
    EXPECT_FALSE(main->BarSettings().AlwaysOnTop);
    EXPECT_EQ(shell.autoHideOwner[abeTop], test::FakeAppBarShell::Us);
    EXPECT_FALSE(shell.topmost);
    EXPECT_LT(main->findChild<QToolButton*>("BtnClose")->geometry().right(), 1024 - 50)
        << "the right-hand buttons leave the gap";
    const IniFile file(ini);
    EXPECT_TRUE(Read(file, keys::AutoHide));
    EXPECT_EQ(Read(file, keys::GapWidth), 50);
}

} // namespace
} // namespace tessarim
