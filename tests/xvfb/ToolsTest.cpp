// The hotkeys and the key sender on a real X server with a window manager:
// a hotkey pressed by xdotool converts what another program copied, a
// combination another client holds is refused, the key sender types
// converted Chinese into another program's line edit, and the windows are
// photographed in each language (build/screenshots/tools-*).
#include "core/TableLoader.h"
#include "platform/Dialogs.h"
#include "platform/X11HotKeys.h"
#include "platform/X11KeySynth.h"
#include "platform/X11Keyboard.h"
#include "platform/X11Windows.h"
#include "settings/Settings.h"
#include "tests/support/TestSupport.h"
#include "tests/xvfb/XApplicationTest.h"
#include "tests/xvfb/XSession.h"
#include "tools/DlgH.h"
#include "tools/EngineCalls.h"
#include "tools/HotKeyForm.h"
#include "tools/KeyInputForm.h"
#include "tools/WinTitleForm.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::Process;
using test::WaitFor;
using test::XSession;

class X11ToolsTest : public test::XApplicationTest {
protected:
    test::TempFolder home;
    test::TempFolder runtime;

    static void SetUpTestSuite() { StartSession({"Xvfb", "openbox", "xclip", "xdotool"}); }

    static void Xdotool(const std::string& arguments) {
        ASSERT_EQ(std::system(("xdotool " + arguments).c_str()), 0) << arguments;
    }
    static std::string Pasted() {
        FILE* pipe = ::popen("xclip -selection clipboard -t UTF8_STRING -o 2>/dev/null", "r");
        std::string text(4096, '\0');
        text.resize(std::fread(text.data(), 1, text.size(), pipe));
        ::pclose(pipe);
        return text;
    }
    static void Copy(const std::string& text) {
        const std::string command =
            "printf %s '" + text + "' | xclip -selection clipboard -t UTF8_STRING -i";
        ASSERT_EQ(std::system(command.c_str()), 0);
        ASSERT_TRUE(WaitFor([&] { return Pasted() == text; }, 5000));
    }
};

TEST_F(X11ToolsTest, HotKeyPressedAnywhereConvertsTheClipboard) {
    test::WriteFile(home.File("Tessarim.ini"),
                    "[Data]\nAutoHide=0\nSound=0\nMsgClipConFinished=0\nWarn=0\n"
                    "[HotKey_0]\nVirtkey=35\nControl=1\nAlt=1\nEnabled=1\n"
                    "[HotKey_3]\nVirtkey=74\nShift=1\nEnabled=1\n");
    test::ScopedEnv acp("TESSARIM_ACP", "65001");
    const auto program = x->StartProgram(home, runtime);
    ASSERT_NE(x->WaitForBar(), XCB_NONE);

    Copy("头发");
    Xdotool("key ctrl+alt+g");
    EXPECT_TRUE(WaitFor([] { return Pasted() == "頭髮"; }, 5000)) << Pasted();
    // Num Lock on: the same keys still reach the program.
    Xdotool("key Num_Lock");
    Copy("简体");
    Xdotool("key ctrl+alt+g");
    EXPECT_TRUE(WaitFor([] { return Pasted() == "簡體"; }, 5000)) << Pasted();
    Xdotool("key Num_Lock");
    Copy("簡體字");
    Xdotool("key shift+F5");
    EXPECT_TRUE(WaitFor([] { return Pasted() == "简体字"; }, 5000)) << Pasted();
}

TEST_F(X11ToolsTest, HotKeyPastesIntoTheActiveWindowWhileItsKeysAreHeld) {
    test::WriteFile(home.File("Tessarim.ini"),
                    "[Data]\nAutoHide=0\nSound=0\nWarn=0\nPasteAfrHotKey=1\n"
                    "[HotKey_0]\nVirtkey=35\nControl=1\nAlt=1\nEnabled=1\n");
    test::ScopedEnv acp("TESSARIM_ACP", "65001");
    const std::string typed = home.File("typed.txt");
    Process target({KEY_TARGET, "Paste target", typed}, {});
    const auto program = x->StartProgram(home, runtime);
    ASSERT_NE(x->WaitForBar(), XCB_NONE);
    X11DesktopWindows windows;
    xcb_window_t window = XCB_NONE;
    ASSERT_TRUE(Pump([&] {
        for (const DesktopWindow& w : windows.List())
            if (w.caption == "Paste target") window = w.id;
        return window != XCB_NONE && x->IsViewable(window);
    }));
    const XSession::Geometry g = x->WindowGeometry(window);
    x->Click(g.x + g.width / 2, g.y + g.height / 2);
    Copy("头发");
    // The user still holds the keys when the paste is due.
    Xdotool("keydown ctrl+alt+g sleep 0.5 keyup g sleep 0.5 keyup alt+ctrl sleep 0.3 key Return");
    const auto arrived = [&] {
        return std::filesystem::exists(typed) ? test::ReadFile(typed) : std::string();
    };
    EXPECT_TRUE(Pump([&] { return !arrived().empty(); })) << "Enter did not reach the target";
    EXPECT_EQ(arrived(), "頭髮\n");
}

TEST_F(X11ToolsTest, CombinationAnotherClientHoldsIsNotRegistered) {
    // Another client takes Ctrl+Alt+H first.
    xcb_connection_t* other = xcb_connect(x->Display().c_str(), nullptr);
    const auto h = ReadKeyboardMap(X11Connection()).Find('h');
    ASSERT_TRUE(h);
    xcb_grab_key(other, 0, x->Root(), XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, h->keycode,
                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    std::free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));

    test::WriteFile(home.File("Tessarim.ini"), "[HotKey_1]\nVirtkey=36\nControl=1\nAlt=1\n"
                                               "Enabled=1\n[HotKey_2]\nVirtkey=38\nControl=1\n"
                                               "Alt=1\nEnabled=1\n");
    X11HotKeyGrabber grabber;
    TAMHotKeys hotKeys(grabber);
    std::vector<ClipHotKey> pressed;
    hotKeys.OnHotKey = [&](ClipHotKey key) { pressed.push_back(key); };
    std::vector<std::string> refused;
    LoadHotKeys(IniFile(home.File("Tessarim.ini")), hotKeys, refused);
    EXPECT_EQ(refused, std::vector<std::string>{"Ctrl+Alt+H"});
    EXPECT_FALSE(hotKeys.Item(1).Registered());
    ASSERT_TRUE(hotKeys.Item(2).Registered());

    Xdotool("key ctrl+alt+j");
    EXPECT_TRUE(Pump([&] { return pressed.size() == 1; }));
    // Held down for a second: the key's repeat is one press.
    Xdotool("keydown ctrl+alt+j sleep 1 keyup ctrl+alt+j");
    Pump([] { return false; }, 500);
    EXPECT_EQ(pressed.size(), 2u);
    // The keyboard map changes and J moves to another key: the hotkey follows it.
    const KeyboardMap before = ReadKeyboardMap(X11Connection());
    const auto j = before.Find('j');
    ASSERT_TRUE(j && !before.Spare().empty());
    const xcb_keycode_t moved = before.Spare().front();
    const auto perKey = static_cast<std::uint8_t>(before.perKeycode);
    const std::vector<xcb_keysym_t> none(perKey, XCB_NO_SYMBOL);
    std::vector<xcb_keysym_t> jKey(perKey, 'J');
    jKey[0] = 'j';
    xcb_change_keyboard_mapping(other, 1, moved, perKey, jKey.data());
    xcb_change_keyboard_mapping(other, 1, j->keycode, perKey, none.data());
    std::free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));
    Pump([] { return false; }, 300);
    Xdotool("key ctrl+alt+j");
    EXPECT_TRUE(Pump([&] { return pressed.size() == 3; }));
    EXPECT_EQ(pressed.back(), ClipHotKey::UnicodeStoT);
    const xcb_keysym_t* original = &before.syms[(j->keycode - before.minKeycode) * perKey];
    xcb_change_keyboard_mapping(other, 1, j->keycode, perKey, original);
    xcb_change_keyboard_mapping(other, 1, moved, perKey, none.data());
    xcb_flush(other);
    xcb_disconnect(other);
}

// A window of another client that asks to be a dock.
xcb_window_t MapDock(xcb_connection_t* connection, XSession& x) {
    const xcb_window_t dock = xcb_generate_id(connection);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, dock, screen->root, 0, 700, 200, 20, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    const xcb_atom_t type = x.Atom("_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, dock, x.Atom("_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, 1, &type);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, dock, XCB_ATOM_WM_NAME, XCB_ATOM_STRING,
                        8, 10, "Dock probe");
    xcb_map_window(connection, dock);
    xcb_flush(connection);
    return dock;
}

TEST_F(X11ToolsTest, KeySenderTypesConvertedTextIntoAnotherProgram) {
    LoadFixTableForUse(ProgramFixTables(), FixTableId::Big5, home.Dir());
    const std::string typed = home.File("typed.txt");
    Process target({KEY_TARGET, "Key target", typed}, {});
    xcb_connection_t* other = xcb_connect(x->Display().c_str(), nullptr);
    MapDock(other, *x);
    QWidget own;
    own.setWindowTitle("Own window");
    own.show();

    X11DesktopWindows windows;
    const auto titles = [&] {
        std::vector<std::string> found;
        for (const TargetRow& row : TargetRows(windows.List(), 0))
            found.push_back(row.title);
        return found;
    };
    ASSERT_TRUE(Pump([&] {
        const auto t = titles();
        return std::find(t.begin(), t.end(), "Key target") != t.end();
    })) << "the other program's window did not come up";

    SendKeyState state;
    X11KeySynth synth;
    KeySenderLogic logic(state, windows, synth, [](std::u16string_view text, Direction d) {
        return ConvertForSending(text, d, 65001);
    });
    TKeySender bar(logic, state, windows, 65001);
    bar.Open();
    ASSERT_TRUE(Pump([&] { return bar.windowHandle() && bar.windowHandle()->isExposed(); }));

    TFormEnumWin dialog(state, windows, 0, 0);
    dialog.show();
    std::vector<std::string> listed;
    int targetRow = -1;
    for (int row = 0; row < dialog.Grid()->rowCount(); ++row) {
        listed.push_back(dialog.Grid()->item(row, 0)->text().toStdString());
        if (listed.back() == "Key target") targetRow = row;
    }
    EXPECT_EQ(listed, std::vector<std::string>{"Key target"})
        << "docks and this program's windows are no targets";
    ASSERT_GE(targetRow, 0);
    dialog.Grid()->selectRow(targetRow);
    dialog.KeysField()->setCurrentText("[ENTER]");
    dialog.OkClick();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);

    bar.GtoB()->click();
    bar.Entry()->setText(QString::fromUtf8("头发发展"));
    bar.SendLine();
    EXPECT_TRUE(bar.Entry()->text().isEmpty());
    // The other program writes its line when Enter arrives.
    const auto arrived = [&] {
        return std::filesystem::exists(typed) ? test::ReadFile(typed) : std::string();
    };
    EXPECT_TRUE(Pump([&] { return arrived() == "頭髮發展\n"; }, 8000)) << arrived();
    xcb_disconnect(other);
}

TEST_F(X11ToolsTest, ToolWindowsInEachLanguage) {
    const std::filesystem::path folder = TESSARIM_BINARY_DIR "/screenshots";
    std::filesystem::create_directories(folder);
    X11HotKeyGrabber grabber;
    TAMHotKeys hotKeys(grabber);
    bool paste = true;
    HotKeyFormLogic logic(hotKeys, paste);
    QtDialogs dialogs;
    X11DesktopWindows windows;
    X11KeySynth synth;
    SendKeyState state;
    KeySenderLogic sender(state, windows, synth,
                          [](std::u16string_view t, Direction) { return std::u16string(t); });
    TKeySender bar(sender, state, windows, 65001);
    const int charsets[] = {0, 136, 134};
    for (int lang = 0; lang < 3; ++lang) {
        const std::string name = (folder / ("tools-lang" + std::to_string(lang))).string();
        TFormHotKey hotKeyWindow(logic, dialogs, lang, charsets[lang], 65001, true);
        hotKeyWindow.show();
        bar.UpdateLang(lang);
        bar.UpdateCharset(charsets[lang]);
        bar.Open();
        TFormEnumWin targets(state, windows, lang, charsets[lang]);
        targets.show();
        THintsDlg hints(lang, charsets[lang]);
        hints.show();
        Pump([] { return false; }, 400);
        EXPECT_TRUE(hotKeyWindow.grab().save(QString::fromStdString(name + "-hotkeys.png")));
        EXPECT_TRUE(bar.grab().save(QString::fromStdString(name + "-keysender.png")));
        EXPECT_TRUE(targets.grab().save(QString::fromStdString(name + "-targets.png")));
        EXPECT_TRUE(hints.grab().save(QString::fromStdString(name + "-keywords.png")));
    }
}

} // namespace
} // namespace tessarim
