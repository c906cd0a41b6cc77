// The desktop program on a real X server with a window manager: the bar's
// reserved strip, floating, auto-hide, the single instance, the saved position,
// and screenshots of the bar in each language (build/screenshots/).
#include "tests/support/TestSupport.h"
#include "tests/xvfb/XSession.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace tessarim {
namespace {

using test::Process;
using test::WaitFor;
using test::XSession;

constexpr std::uint32_t ControlKey = 0xffe3; // XK_Control_L
constexpr int BarHeight = 32;

class DesktopBarTest : public ::testing::Test {
protected:
    std::unique_ptr<XSession> x;
    test::TempFolder home;
    test::TempFolder runtime;

    void SetUp() override {
        for (const char* program : {"Xvfb", "openbox"})
            if (!test::ProgramInstalled(program))
                GTEST_SKIP() << program << " is not installed; the X11 tests need it";
        x = std::make_unique<XSession>();
        std::filesystem::permissions(runtime.Path(), std::filesystem::perms::owner_all);
    }

    void Settings(const std::string& lines) {
        test::WriteFile(home.File("Tessarim.ini"), "[Data]\n" + lines);
    }
    std::string Ini() const { return test::ReadFile(home.File("Tessarim.ini")); }

    // Starts the program as a user would: the command-line program without
    // arguments, which hands over to the desktop program.
    std::unique_ptr<Process> Start() {
        return std::make_unique<Process>(
            std::vector<std::string>{TESSARIM_BINARY_DIR "/tessarim"},
            std::vector<std::string>{"DISPLAY=" + x->Display(), "TESSARIM_HOME=" + home.Dir(),
                                     // Keeps the single-instance name to this test.
                                     "TMPDIR=" + runtime.Dir(), "XDG_RUNTIME_DIR=" + runtime.Dir(),
                                     "QT_QPA_PLATFORM=xcb",
                                     // For the sanitizer build: see the file.
                                     "LSAN_OPTIONS=suppressions=" TESSARIM_SOURCE_DIR
                                     "/tests/lsan.supp"});
    }

    std::vector<xcb_window_t> Bars() {
        std::vector<xcb_window_t> bars;
        for (const xcb_window_t window : x->ClientList())
            if (x->StringProperty(window, "WM_CLASS").find("tessarim-desktop") !=
                    std::string::npos &&
                x->StringProperty(window, "_NET_WM_NAME") == "Tessarim")
                bars.push_back(window);
        return bars;
    }
    xcb_window_t WaitForBar() {
        xcb_window_t bar = XCB_NONE;
        WaitFor(
            [&] {
                const auto bars = Bars();
                if (bars.size() != 1 || !x->IsViewable(bars[0])) return false;
                bar = bars[0];
                return true;
            },
            10000);
        return bar;
    }
    bool IsDock(xcb_window_t bar) {
        return x->AtomProperty(bar, "_NET_WM_WINDOW_TYPE") ==
               std::vector<std::uint32_t>{x->Atom("_NET_WM_WINDOW_TYPE_DOCK")};
    }
    std::vector<std::uint32_t> Strut(xcb_window_t bar) {
        return x->Property(bar, "_NET_WM_STRUT_PARTIAL", XCB_ATOM_CARDINAL);
    }
    // Waits until the bar's top edge is at y.
    // Generous: a loaded CI machine may take seconds to run the slide timer.
    bool BarTopReaches(xcb_window_t bar, int y, int timeoutMs = 10000) {
        return WaitFor([&] { return x->WindowGeometry(bar).y == y; }, timeoutMs);
    }
    void Click(int px, int py, int button = 1) {
        x->MovePointer(px, py);
        x->Button(button, true);
        x->Button(button, false);
    }
    // Drags by the grip at the bar's left end.
    void DragGrip(xcb_window_t bar, int toX, int toY, bool withCtrl = false) {
        const XSession::Geometry g = x->WindowGeometry(bar);
        int px = g.x + 6;
        int py = g.y + g.height / 2;
        x->MovePointer(px, py);
        if (withCtrl) x->Key(ControlKey, true);
        x->Button(1, true);
        for (int step = 1; step <= 10; ++step) {
            x->MovePointer(px + (toX - px) * step / 10, py + (toY - py) * step / 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
        x->Button(1, false);
        if (withCtrl) x->Key(ControlKey, false);
    }
    void ClickClose(xcb_window_t bar) {
        const XSession::Geometry g = x->WindowGeometry(bar);
        Click(g.x + g.width - 12 - 20, g.y + g.height / 2);
    }
};

TEST_F(DesktopBarTest, DockedBarReservesItsStripAtTopOrBottom) {
    Settings("AutoHide=0\n");
    {
        auto program = Start();
        const xcb_window_t bar = WaitForBar();
        ASSERT_NE(bar, XCB_NONE);
        EXPECT_TRUE(IsDock(bar));
        const XSession::Geometry g = x->WindowGeometry(bar);
        EXPECT_EQ(g.x, 0);
        EXPECT_EQ(g.y, 0);
        EXPECT_EQ(g.width, 1024);
        EXPECT_EQ(g.height, BarHeight);
        EXPECT_EQ(Strut(bar),
                  (std::vector<std::uint32_t>{0, 0, BarHeight, 0, 0, 0, 0, 0, 0, 1023, 0, 0}));
        const auto states = x->AtomProperty(bar, "_NET_WM_STATE");
        EXPECT_NE(std::find(states.begin(), states.end(), x->Atom("_NET_WM_STATE_SKIP_TASKBAR")),
                  states.end())
            << "no taskbar entry";
        EXPECT_TRUE(WaitFor(
            [&] {
                const auto area = x->Property(x->Root(), "_NET_WORKAREA", XCB_ATOM_CARDINAL);
                return area.size() >= 4 && area[1] == BarHeight;
            },
            10000))
            << "the window manager keeps other windows out of the strip";
    }
    Settings("AutoHide=0\nLastEdge=3\n");
    auto program = Start();
    const xcb_window_t bar = WaitForBar();
    ASSERT_NE(bar, XCB_NONE);
    EXPECT_EQ(x->WindowGeometry(bar).y, 768 - BarHeight);
    EXPECT_EQ(Strut(bar),
              (std::vector<std::uint32_t>{0, 0, 0, BarHeight, 0, 0, 0, 0, 0, 0, 0, 1023}));
}

TEST_F(DesktopBarTest, DraggedOffTheEdgeTheBarFloatsWithoutReservationAndComesBackThere) {
    Settings("AutoHide=0\n");
    auto program = Start();
    xcb_window_t bar = WaitForBar();
    ASSERT_NE(bar, XCB_NONE);
    ASSERT_FALSE(Strut(bar).empty());

    DragGrip(bar, 500, 400);
    ASSERT_TRUE(WaitFor([&] { return Strut(bar).empty() && !IsDock(bar); }, 10000))
        << "floating releases the strip";
    bar = WaitForBar();
    ASSERT_NE(bar, XCB_NONE);
    const XSession::Geometry floating = x->WindowGeometry(bar);
    EXPECT_LT(floating.width, 1024);
    EXPECT_GT(floating.y, 100);

    EXPECT_LE(floating.x + floating.width, 1024);
    ClickClose(bar);
    ASSERT_EQ(program->WaitForExit(5000), 0);
    const std::string ini = Ini();
    EXPECT_NE(ini.find("LastEdge=5"), std::string::npos) << ini;
    EXPECT_NE(ini.find("HideMain=0"), std::string::npos) << ini;

    program = Start();
    bar = WaitForBar();
    ASSERT_NE(bar, XCB_NONE);
    EXPECT_FALSE(IsDock(bar));
    EXPECT_TRUE(Strut(bar).empty());
    const XSession::Geometry restored = x->WindowGeometry(bar);
    EXPECT_EQ(restored.x, floating.x);
    EXPECT_EQ(restored.y, floating.y);

    // Back to the top edge; Ctrl would have kept it floating.
    DragGrip(bar, 500, 400, true);
    EXPECT_TRUE(Strut(bar).empty());
    bar = WaitForBar();
    DragGrip(bar, 500, 3);
    ASSERT_TRUE(WaitFor([&] { return !Strut(bar).empty(); }, 10000));
    bar = WaitForBar();
    EXPECT_TRUE(IsDock(bar));
    EXPECT_TRUE(BarTopReaches(bar, 0)) << x->WindowGeometry(bar).y;
    EXPECT_EQ(x->WindowGeometry(bar).width, 1024);
}

TEST_F(DesktopBarTest, AutoHideBarLeavesTwoPixelsAndSlidesOutWhenThePointerTouchesThem) {
    Settings("AutoHide=1\n");
    auto program = Start();
    const xcb_window_t bar = WaitForBar();
    ASSERT_NE(bar, XCB_NONE);
    x->MovePointer(500, 400);
    ASSERT_TRUE(BarTopReaches(bar, 2 - BarHeight)) << x->WindowGeometry(bar).y;
    EXPECT_TRUE(Strut(bar).empty()) << "an auto-hide bar reserves nothing";
    EXPECT_EQ(x->Property(x->Root(), "_TESSARIM_AUTOHIDE_TOP", XCB_ATOM_WINDOW),
              std::vector<std::uint32_t>{bar});

    x->MovePointer(500, 1);
    EXPECT_TRUE(BarTopReaches(bar, 0));
    x->MovePointer(500, 400);
    EXPECT_TRUE(BarTopReaches(bar, 2 - BarHeight)) << "hides again once the pointer leaves";
}

TEST_F(DesktopBarTest, SecondStartBringsTheRunningBarForwardAndEnds) {
    Settings("AutoHide=1\n");
    auto first = Start();
    const xcb_window_t bar = WaitForBar();
    ASSERT_NE(bar, XCB_NONE);
    x->MovePointer(500, 400);
    ASSERT_TRUE(BarTopReaches(bar, 2 - BarHeight));

    auto second = Start();
    // Out only until the next timer tick, the pointer being far: look at once.
    EXPECT_TRUE(BarTopReaches(bar, 0, 5000)) << "the running bar came forward";
    EXPECT_EQ(second->WaitForExit(5000), 0);
    EXPECT_EQ(Bars().size(), 1u);
    EXPECT_FALSE(first->WaitForExit(0));
}

TEST_F(DesktopBarTest, BarLeftHiddenStartsHidden) {
    Settings("AutoHide=0\nHideMain=1\nLastEdge=3\n");
    auto program = Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    for (const xcb_window_t window : Bars())
        EXPECT_FALSE(x->IsViewable(window));
    EXPECT_FALSE(program->WaitForExit(0)) << "the program runs on, with its tray icon";
    const auto area = x->Property(x->Root(), "_NET_WORKAREA", XCB_ATOM_CARDINAL);
    ASSERT_GE(area.size(), 4u);
    EXPECT_EQ(area[3], 768u) << "a hidden bar reserves nothing";
}

TEST_F(DesktopBarTest, ScreenshotsOfTheBarAndItsMenuInEachLanguage) {
    for (const int lang : {0, 1, 2}) {
        Settings("AutoHide=0\nLang=" + std::to_string(lang) + "\n");
        auto program = Start();
        const xcb_window_t bar = WaitForBar();
        ASSERT_NE(bar, XCB_NONE);
        // The pointer over "G > B" puts its hint in the panel.
        x->MovePointer(127, 16);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        const std::string folder = TESSARIM_BINARY_DIR "/screenshots/";
        x->SavePng(folder + "bar-lang" + std::to_string(lang) + ".png", 0, 0, 1024, BarHeight);
        Click(600, 16, 3);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        x->SavePng(folder + "menu-lang" + std::to_string(lang) + ".png", 560, 0, 400, 460);
        EXPECT_TRUE(std::filesystem::exists(folder + "bar-lang" + std::to_string(lang) + ".png"));
    }
}

} // namespace
} // namespace tessarim

namespace tessarim {
namespace {

// Runs the program without a display; returns its exit status and standard error.
std::pair<int, std::string> RunWithoutDisplay(const std::vector<std::string>& args) {
    test::TempFolder folder;
    std::vector<std::string> argv{
        "/bin/sh", "-c",
        "unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; exec \"$0\" \"$@\" "
        "2>\"" +
            folder.File("err") + "\"",
        TESSARIM_BINARY_DIR "/tessarim"};
    argv.insert(argv.end(), args.begin(), args.end());
    test::Process program(argv, {"TESSARIM_HOME=" + folder.Dir()});
    const std::optional<int> status = program.WaitForExit(10000);
    return {status.value_or(-1), test::ReadFile(folder.File("err"))};
}

TEST(DesktopStart, WithoutADisplayTheProgramSaysSoAndFails) {
    const auto [status, message] = RunWithoutDisplay({});
    EXPECT_EQ(status, 1);
    EXPECT_NE(message.find("no X display"), std::string::npos) << message;
    EXPECT_NE(message.find("tessarim /i:gbk /o:big5"), std::string::npos) << message;
}

TEST(DesktopStart, FileNamesWithoutSwitchesAskForTheFileWindowWhichIsNotThereYet) {
    const auto [status, message] = RunWithoutDisplay({"a.txt"});
    EXPECT_EQ(status, 1);
    EXPECT_NE(message.find("file conversion window"), std::string::npos) << message;
}

} // namespace
} // namespace tessarim
