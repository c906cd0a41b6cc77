// The tools as the main window holds them: hotkeys loaded from the settings
// run their clipboard command and paste, and without X11 the user hears once
// why hotkeys and the key sender do nothing.
#include "tools/DesktopTools.h"
#include "mainwin/ClipCommands.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/ForegroundPaste.h"
#include "platform/Help.h"
#include "platform/Sound.h"
#include "settings/ProgramSettings.h"
#include "tests/tools/FakeTools.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

const std::string iniPath = test::ToolsIniPath();

// An empty clipboard and a desktop that records pastes.
class QuietDesktop : public Clipboard,
                     public Dialogs,
                     public Sound,
                     public ForegroundPaste,
                     public HelpViewer {
public:
    unsigned RegisterClipboardFormat(std::string_view) override { return 49000; }
    bool IsClipboardFormatAvailable(unsigned) override { return false; }
    void OpenClipboard() override {}
    void CloseClipboard() override {}
    void EmptyClipboard() override {}
    std::optional<std::string> GetClipboardData(unsigned) override { return std::nullopt; }
    void SetClipboardData(unsigned, std::string_view) override {}
    bool AskYesNo(std::string_view) override { return true; }
    void BeginBusy() override {}
    void EndBusy() override {}
    void MessageBeep() override {}
    bool PlayWaveFile(const std::string&) override { return true; }
    void PasteToForeground() override { ++pastes; }
    void ShowContext(int) override {}
    int pastes = 0;
};

class DesktopToolsTest : public ::testing::Test {
protected:
    QuietDesktop desktop;
    ProgramSettings settings;
    ClipCommands commands{{desktop, desktop, desktop, desktop}, settings, 65001};
    test::FakeGrabber grabber;
    test::FakeWindows windows;
    test::FakeSynth synth;

    void SetUp() override {
        test::WriteFile(iniPath, "[Data]\nPasteAfrHotKey=1\n"
                                 "[HotKey_2]\nVirtkey=74\nControl=1\nEnabled=1\n");
    }
};

TEST_F(DesktopToolsTest, HotKeyRunsItsCommandAndPastes) {
    DesktopTools tools({grabber, windows, synth, desktop, desktop, true}, commands, settings, 65001,
                       true);
    tools.LoadHotKeys();
    EXPECT_TRUE(commands.PasteAfrHotKey);
    ASSERT_EQ(grabber.active.count(2), 1u);
    grabber.Press(2);
    EXPECT_EQ(desktop.pastes, 1);
}

TEST_F(DesktopToolsTest, WithoutX11TheUserIsToldOnce) {
    test::CapturedMessages messages;
    DesktopTools tools({grabber, windows, synth, desktop, desktop, false}, commands, settings,
                       65001, true);
    tools.LoadHotKeys();
    tools.OpenKeySender();
    tools.OpenHotKeyWindow(nullptr);
    EXPECT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(tools.KeySender(), nullptr);
    EXPECT_TRUE(grabber.active.empty());
    EXPECT_TRUE(commands.PasteAfrHotKey) << "the setting is kept for the day X11 is there";
}

} // namespace
} // namespace tessarim
