// The clipboard commands on a real X server: another program (xclip, or this
// test process) copies, a button of the running bar converts, and the other
// program pastes the result. This process also watches the clipboard and
// pastes into its own line edit, as the hotkeys will.
#include "mainwin/ClipMon.h"
#include "platform/ForegroundPaste.h"
#include "tests/support/TestSupport.h"
#include "tests/xvfb/XApplicationTest.h"
#include "tests/xvfb/XSession.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

// The sanitizer build's leak check of this process, which shows a window of its
// own: libdbus keeps a buffer for the life of the process once Qt has spoken to
// the session bus (see tests/lsan.supp, which the started programs get).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}

namespace tessarim {
namespace {

using test::Process;
using test::WaitFor;

class X11ClipboardTest : public test::XApplicationTest {
protected:
    test::TempFolder home;
    test::TempFolder runtime;
    std::unique_ptr<Process> program;

    static void SetUpTestSuite() { StartSession({"Xvfb", "openbox", "xclip"}); }

    // Lets the events of the next 200 ms arrive.
    static void Settle() {
        Pump([] { return false; }, 200);
    }
    // The bar, docked at the top, quiet: no sound, no message.
    void StartBar(const std::string& codePage) {
        test::WriteFile(home.File("Tessarim.ini"),
                        "[Data]\nAutoHide=0\nSound=0\nMsgClipConFinished=0\nWarn=0\n");
        test::ScopedEnv acp("TESSARIM_ACP", codePage.c_str()); // the started program inherits it
        program = x->StartProgram(home, runtime);
        const xcb_window_t bar = x->WaitForBar();
        ASSERT_TRUE(WaitFor([&] { return bar && x->WindowGeometry(bar).y == 0; }, 10000))
            << "the bar did not come up";
    }
    // What xclip pastes.
    static std::string Pasted(const std::string& type = "UTF8_STRING",
                              const std::string& selection = "clipboard") {
        const std::string command =
            "xclip -selection " + selection + " -t '" + type + "' -o 2>/dev/null";
        FILE* pipe = ::popen(command.c_str(), "r");
        std::string text(4096, '\0');
        text.resize(std::fread(text.data(), 1, text.size(), pipe));
        ::pclose(pipe);
        return text;
    }
    // xclip copies, and keeps serving the text in the background until another
    // program copies. It owns the selection only some time after it returns.
    // Waiting for the text tells nothing when the clipboard holds it already
    // (the last case's result), so something else is copied first.
    static void Copy(const std::string& text, const std::string& selection = "clipboard") {
        if (Pasted("UTF8_STRING", selection) == text) Copy(text == "-" ? "+" : "-", selection);
        const std::string command =
            "printf %s '" + text + "' | xclip -selection " + selection + " -t UTF8_STRING -i";
        ASSERT_EQ(std::system(command.c_str()), 0);
        ASSERT_TRUE(WaitFor([&] { return Pasted("UTF8_STRING", selection) == text; }, 5000));
    }
};

TEST_F(X11ClipboardTest, EachButtonConvertsWhatAnotherProgramCopied) {
    StartBar("65001");
    // The centre of each button from the bar's top-left corner.
    const std::tuple<const char*, int, int, const char*, const char*> cases[] = {
        {"BtnClipGtoB", 128, 16, "简体中文转换", "簡體中文轉換"},
        {"BtnClipBtoG", 198, 16, "簡體中文轉換", "简体中文转换"},
        {"UClipConStoT", 262, 16, "简体字", "簡體字"},
        {"UClipConTtoS", 320, 16, "簡體字", "简体字"},
        {"Uni2Dec", 369, 9, "中a", "&#20013;a"},
        {"Uni2Hex", 369, 24, "中a", "&#x4E2D;a"}};
    for (const auto& [button, px, py, copied, expected] : cases) {
        Copy(copied);
        x->Click(px, py);
        EXPECT_TRUE(WaitFor([&] { return Pasted() == expected; }, 5000))
            << button << ": " << Pasted();
    }
}

TEST_F(X11ClipboardTest, UnicodeTextChangesItsTypefaceOnGbkAndBig5SystemsToo) {
    // What a Big5 or GBK locale's user copies from any program is Unicode text.
    const std::tuple<const char*, int, const char*, const char*> cases[] = {
        {"950", 128, "简体中文转换", "簡體中文轉換"}, {"936", 198, "簡體中文轉換", "简体中文转换"}};
    for (const auto& [codePage, px, copied, expected] : cases) {
        StartBar(codePage);
        Copy(copied);
        x->Click(px, 16);
        EXPECT_TRUE(WaitFor([&] { return Pasted() == expected; }, 5000))
            << codePage << ": " << Pasted();
        program.reset();
    }
}

TEST_F(X11ClipboardTest, HtmlCopiedWithItsTextComesBackConverted) {
    StartBar("65001");
    auto* data = new QMimeData;
    data->setText(QString::fromUtf8("简体"));
    data->setHtml(QString::fromUtf8("<p style=\"font-family:SimSun\">简体</p>"));
    QGuiApplication::clipboard()->setMimeData(data);
    // The bar has just come up: under the sanitizers a click at once could
    // reach it before its buttons are in place.
    Settle();
    x->Click(262, 16); // UClipConStoT
    // The bar reads from this process, then takes the clipboard over.
    ASSERT_TRUE(Pump([] { return !QGuiApplication::clipboard()->ownsClipboard(); }, 10000));
    const std::string html = "<p style=\"font-family:MingLiU\">簡體</p>";
    EXPECT_TRUE(WaitFor([&] { return Pasted("text/html") == html; }, 5000)) << Pasted("text/html");
    EXPECT_EQ(Pasted(), "簡體");
}

TEST_F(X11ClipboardTest, MonitorNoticesAnotherProgramsCopy) {
    int changes = 0;
    TClipboardMonitor monitor;
    monitor.OnChange = [&changes] { ++changes; };
    Settle(); // notices of earlier tests
    changes = 0;
    Copy("from xclip");
    EXPECT_TRUE(Pump([&] { return changes > 0; }));
    // Marking text changes the primary selection only.
    changes = 0;
    Copy("marked", "primary");
    Settle();
    EXPECT_EQ(changes, 0);
    monitor.SetEnabled(false);
    Copy("unheard");
    Settle();
    EXPECT_EQ(changes, 0);
}

TEST_F(X11ClipboardTest, PasteReachesTheFocusedControlWhileAModifierIsHeld) {
    QLineEdit edit;
    edit.show();
    // The field gets focus as a user gives it, by a click: the window manager
    // may refuse a window that asks for focus after other windows had input.
    ASSERT_TRUE(Pump([&] { return edit.windowHandle() && edit.windowHandle()->isExposed(); }));
    const QPoint middle = edit.mapToGlobal(edit.rect().center());
    for (int click = 0; click < 5 && !edit.hasFocus(); ++click) {
        x->Click(middle.x(), middle.y());
        Pump([&] { return edit.hasFocus(); }, 2000);
    }
    ASSERT_TRUE(edit.hasFocus());
    Copy("粘贴");
    x->Input(XCB_KEY_PRESS, 64); // Alt, still down from the hotkey
    X11ForegroundPaste().PasteToForeground();
    EXPECT_TRUE(Pump([&] { return edit.text() == QString::fromUtf8("粘贴"); }))
        << edit.text().toStdString();
}

} // namespace
} // namespace tessarim
