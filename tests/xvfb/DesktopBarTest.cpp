// The desktop program on a real X server with a window manager: the bar's
// reserved strip, floating, auto-hide, the single instance, the saved position,
// and screenshots of the bar and its menu in each language (build/screenshots/).
#include "tests/support/TestSupport.h"
#include "tests/xvfb/XSession.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>

namespace tessarim {
namespace {

using test::Process;
using test::WaitFor;
using test::XSession;

constexpr int BarHeight = 32;
constexpr int FloatingHeight = 34;

class DesktopBarTest : public ::testing::Test {
protected:
    std::unique_ptr<XSession> x;
    test::TempFolder home;
    test::TempFolder runtime;

    void SetUp() override {
        if (const std::string tool = test::MissingProgram({"Xvfb", "openbox"}); !tool.empty())
            GTEST_SKIP() << tool << " is not installed; the X11 tests need it";
        x = std::make_unique<XSession>();
    }
    std::unique_ptr<Process> Start(const std::string& settings) {
        test::WriteFile(home.File("Tessarim.ini"), "[Data]\n" + settings);
        return x->StartProgram(home, runtime);
    }
    bool IsDock(xcb_window_t bar) {
        return x->Property(bar, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM) ==
               std::vector<std::uint32_t>{x->Atom("_NET_WM_WINDOW_TYPE_DOCK")};
    }
    std::vector<std::uint32_t> Strut(xcb_window_t bar) {
        return x->Property(bar, "_NET_WM_STRUT_PARTIAL", XCB_ATOM_CARDINAL);
    }
    // Generous: a loaded machine may take seconds to run the slide timer.
    bool BarTopReaches(xcb_window_t bar, int y, int timeoutMs = 10000) {
        return WaitFor([&] { return x->WindowGeometry(bar).y == y; }, timeoutMs);
    }
    // A window of the program other than the bar, once it is shown.
    xcb_window_t Dialog(xcb_window_t bar) {
        for (const xcb_window_t window : x->ProgramWindows())
            if (window != bar && x->IsViewable(window)) return window;
        return XCB_NONE;
    }
    static std::string Screenshot(const char* what, char lang, int scale) {
        return TESSARIM_BINARY_DIR "/screenshots/" + std::string(what) + "-lang" + lang + "-scale" +
               std::to_string(scale) + ".png";
    }
    void SwitchWorkspace(std::uint32_t number) {
        x->SendRootMessage(x->Root(), "_NET_CURRENT_DESKTOP", {number, 0});
        ASSERT_TRUE(WaitFor(
            [&] {
                return x->Property(x->Root(), "_NET_CURRENT_DESKTOP", XCB_ATOM_CARDINAL) ==
                       std::vector<std::uint32_t>{number};
            },
            5000));
    }
    // Drags by the grip at the bar's left end.
    void DragGrip(xcb_window_t bar, int toX, int toY) {
        const XSession::Geometry g = x->WindowGeometry(bar);
        const int px = g.x + 6;
        const int py = g.y + g.height / 2;
        x->MovePointer(px, py);
        x->Input(XCB_BUTTON_PRESS, 1);
        for (int step = 1; step <= 10; ++step) {
            x->MovePointer(px + (toX - px) * step / 10, py + (toY - py) * step / 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
        x->Input(XCB_BUTTON_RELEASE, 1);
    }
};

TEST_F(DesktopBarTest, DockedBarReservesTheStripItCoversAtTopOrBottomInEachLanguage) {
    const std::tuple<const char*, int, std::vector<std::uint32_t>> cases[] = {
        {"Lang=0\n", 0, {0, 0, BarHeight, 0, 0, 0, 0, 0, 0, 1023, 0, 0}},
        {"Lang=1\nLastEdge=3\n", 768 - BarHeight, {0, 0, 0, BarHeight, 0, 0, 0, 0, 0, 0, 0, 1023}},
        {"Lang=2\n", 0, {0, 0, BarHeight, 0, 0, 0, 0, 0, 0, 1023, 0, 0}}};
    for (const auto& [settings, top, strut] : cases) {
        auto program = Start(std::string("AutoHide=0\n") + settings);
        const xcb_window_t bar = x->WaitForBar();
        ASSERT_NE(bar, XCB_NONE);
        EXPECT_TRUE(IsDock(bar));
        EXPECT_EQ(x->WindowGeometry(bar), (XSession::Geometry{0, top, 1024, BarHeight}));
        EXPECT_EQ(Strut(bar), strut);
        const auto states = x->Property(bar, "_NET_WM_STATE", XCB_ATOM_ATOM);
        EXPECT_TRUE(std::ranges::count(states, x->Atom("_NET_WM_STATE_SKIP_TASKBAR")))
            << "no taskbar entry";
        // The window manager keeps other windows out of the strip.
        const std::vector<std::uint32_t> workArea{0, top ? 0u : BarHeight, 1024, 768 - BarHeight};
        EXPECT_TRUE(WaitFor(
            [&] {
                auto area = x->Property(x->Root(), "_NET_WORKAREA", XCB_ATOM_CARDINAL);
                area.resize(4);
                return area == workArea;
            },
            10000));
        // For the eye: the hint of "G > B" in the panel, then the menu.
        const std::string name =
            TESSARIM_BINARY_DIR "/screenshots/lang" + std::string(1, settings[5]);
        x->MovePointer(127, top + 16);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        x->SavePng(name + "-bar.png", 0, top, 1024, BarHeight);
        x->Click(600, top + 16, 3);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        x->SavePng(name + "-menu.png", 560, top ? 768 - 460 : 0, 400, 460);
    }
}

TEST_F(DesktopBarTest, DraggedOffTheEdgeTheBarFloatsWithoutReservationAndComesBackThere) {
    auto program = Start("AutoHide=0\n");
    xcb_window_t bar = x->WaitForBar();
    ASSERT_NE(bar, XCB_NONE);
    ASSERT_FALSE(Strut(bar).empty());
    DragGrip(bar, 500, 400);
    ASSERT_TRUE(WaitFor([&] { return Strut(bar).empty() && !IsDock(bar); }, 10000))
        << "floating releases the strip";
    bar = x->WaitForBar();
    ASSERT_NE(bar, XCB_NONE);
    const XSession::Geometry floating = x->WindowGeometry(bar);
    EXPECT_LT(floating.width, 1024);
    EXPECT_GT(floating.y, 100);
    x->Click(floating.x + floating.width - 12 - 20, floating.y + floating.height / 2); // close
    ASSERT_EQ(program->WaitForExit(10000), 0);
    const std::string ini = test::ReadFile(home.File("Tessarim.ini"));
    EXPECT_NE(ini.find("LastEdge=5"), std::string::npos) << ini;

    program = x->StartProgram(home, runtime);
    bar = x->WaitForBar();
    ASSERT_NE(bar, XCB_NONE);
    EXPECT_FALSE(IsDock(bar));
    // The window manager places a mapped window in its own time.
    EXPECT_TRUE(WaitFor([&] { return x->WindowGeometry(bar) == floating; }, 10000))
        << "restored where it was";
    DragGrip(bar, 500, 3);
    // The strip and the window type are two properties the window manager
    // takes in turn; under load the test may look between them.
    ASSERT_TRUE(WaitFor(
        [&] {
            bar = x->WaitForBar();
            return !Strut(bar).empty() && IsDock(bar);
        },
        10000));
    EXPECT_TRUE(BarTopReaches(bar, 0)) << x->WindowGeometry(bar).y;
    EXPECT_EQ(x->WindowGeometry(bar).width, 1024);
}

TEST_F(DesktopBarTest, AutoHideBarLeavesTwoPixelsAndSlidesOutWhenThePointerTouchesThem) {
    auto program = Start("AutoHide=1\n");
    const xcb_window_t bar = x->WaitForBar();
    ASSERT_NE(bar, XCB_NONE);
    x->MovePointer(500, 400);
    ASSERT_TRUE(BarTopReaches(bar, 2 - BarHeight)) << x->WindowGeometry(bar).y;
    EXPECT_TRUE(Strut(bar).empty()) << "an auto-hide bar reserves nothing";
    // Every placing of the bar gives its edge up and takes it again: wait.
    EXPECT_TRUE(WaitFor(
        [&] {
            return x->Property(x->Root(), "_TESSARIM_AUTOHIDE_TOP", XCB_ATOM_WINDOW) ==
                   std::vector<std::uint32_t>{bar};
        },
        5000));
    x->MovePointer(500, 1);
    EXPECT_TRUE(BarTopReaches(bar, 0));
    x->MovePointer(500, 400);
    EXPECT_TRUE(BarTopReaches(bar, 2 - BarHeight)) << "hides again once the pointer leaves";

    // A second start brings the running bar forward and ends. The bar gets the
    // keyboard and stays out, the pointer far away: a keyboard user reaches it.
    auto second = x->StartProgram(home, runtime);
    EXPECT_TRUE(BarTopReaches(bar, 0, 5000)) << "the running bar came forward";
    EXPECT_EQ(second->WaitForExit(5000), 0);
    EXPECT_TRUE(WaitFor(
        [&] {
            return x->Property(x->Root(), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW) ==
                   std::vector<std::uint32_t>{bar};
        },
        5000))
        << "the bar has the keyboard";
    std::this_thread::sleep_for(std::chrono::milliseconds(800)); // timer ticks
    EXPECT_EQ(x->WindowGeometry(bar).y, 0) << "still out";
    EXPECT_EQ(x->Bars().size(), 1u);
    EXPECT_FALSE(program->WaitForExit(0));
}

TEST_F(DesktopBarTest, DialogsAnswerReturnAndEscapeAndSpeakTheInterfaceLanguage) {
    if (const std::string tool = test::MissingProgram({"xclip"}); !tool.empty())
        GTEST_SKIP() << tool << " is not installed";
    for (const char lang : {'0', '1', '2'}) {
        auto program = Start(std::string("AutoHide=0\nWarn=0\nSound=0\nLang=") + lang + "\n");
        const xcb_window_t bar = x->WaitForBar();
        ASSERT_NE(bar, XCB_NONE);
        // Text on the clipboard: "G > B" ends with its message box.
        const std::string copy = "printf %s '简体中文' | DISPLAY=" + x->Display() +
                                 " xclip -selection clipboard -t UTF8_STRING -i";
        ASSERT_EQ(std::system(copy.c_str()), 0);
        // The about box, then the message box; each closes by either key.
        for (const auto& [what, buttonX] : {std::pair{"about", 949}, std::pair{"message", 128}}) {
            for (const std::uint8_t key : {9, 36}) { // Escape, Return
                x->Click(buttonX, 16);
                xcb_window_t dialog = XCB_NONE;
                ASSERT_TRUE(WaitFor([&] { return (dialog = Dialog(bar)) != XCB_NONE; }, 10000))
                    << what;
                const XSession::Geometry box = x->WindowGeometry(dialog);
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                if (key == 9)
                    x->SavePng(Screenshot(what, lang, 1), box.x, box.y, box.width, box.height);
                x->Key(key);
                EXPECT_TRUE(WaitFor([&] { return Dialog(bar) == XCB_NONE; }, 5000))
                    << what << ", key " << int{key} << ", language " << lang;
            }
        }
    }
}

TEST_F(DesktopBarTest, AtTwiceTheScaleTheBarFitsTheScreenAndReservesItsDeviceHeight) {
    // 800 logical pixels: the bar's minimum width fits.
    x.reset();
    x = std::make_unique<XSession>(1600, 1200);
    for (const char lang : {'0', '1', '2'}) {
        test::WriteFile(home.File("Tessarim.ini"),
                        std::string("[Data]\nAutoHide=0\nWarn=0\nLang=") + lang + "\n");
        auto program = x->StartProgram(home, runtime, {"QT_SCALE_FACTOR=2"});
        const xcb_window_t bar = x->WaitForBar();
        ASSERT_NE(bar, XCB_NONE);
        EXPECT_TRUE(WaitFor(
            [&] {
                return x->WindowGeometry(bar) == XSession::Geometry{0, 0, 1600, 2 * BarHeight};
            },
            10000))
            << x->WindowGeometry(bar).width << " x " << x->WindowGeometry(bar).height;
        EXPECT_EQ(Strut(bar),
                  (std::vector<std::uint32_t>{0, 0, 2 * BarHeight, 0, 0, 0, 0, 0, 0, 1599, 0, 0}));
        x->MovePointer(127 * 2, 16 * 2);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        x->SavePng(Screenshot("bar", lang, 2), 0, 0, 1600, 2 * BarHeight);
        x->Click(1000, 2 * 16, 3);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        x->SavePng(Screenshot("menu", lang, 2), 960, 0, 640, 1000);
        x->Key(9);
    }
}

TEST_F(DesktopBarTest, DockedAndFloatingTheBarIsOnEveryWorkspace) {
    auto program = Start("AutoHide=0\n");
    xcb_window_t bar = x->WaitForBar();
    ASSERT_NE(bar, XCB_NONE);
    const auto everywhere = [&](xcb_window_t window) {
        return WaitFor(
            [&] {
                return x->Property(window, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL) ==
                       std::vector<std::uint32_t>{0xFFFFFFFF};
            },
            5000);
    };
    EXPECT_TRUE(everywhere(bar));
    SwitchWorkspace(1);
    EXPECT_TRUE(WaitFor([&] { return x->IsViewable(bar); }, 5000)) << "on the second workspace";
    DragGrip(bar, 500, 400);
    ASSERT_TRUE(WaitFor([&] { return !IsDock(bar); }, 10000));
    bar = x->WaitForBar();
    ASSERT_NE(bar, XCB_NONE);
    EXPECT_TRUE(everywhere(bar));
    SwitchWorkspace(0);
    EXPECT_TRUE(WaitFor([&] { return x->IsViewable(bar); }, 5000)) << "back on the first";
}

TEST_F(DesktopBarTest, FloatingBarKeepsItsSizeAndPlaceOnScreenAndHasNoMinimiseOrMaximise) {
    // Saved by another screen layout far to the left.
    auto program = Start("AutoHide=0\nLastEdge=5\nFloatLeft=-779\nFloatTop=300\n");
    xcb_window_t bar = x->WaitForBar();
    ASSERT_NE(bar, XCB_NONE);
    const XSession::Geometry first = x->WindowGeometry(bar);
    EXPECT_GE(first.x, 0) << "restored on the screen";
    EXPECT_EQ(first.height, FloatingHeight);
    const auto actions = x->Property(bar, "_NET_WM_ALLOWED_ACTIONS", XCB_ATOM_ATOM);
    EXPECT_FALSE(actions.empty());
    for (const char* action : {"_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ",
                               "_NET_WM_ACTION_MAXIMIZE_VERT"})
        EXPECT_FALSE(std::ranges::count(actions, x->Atom(action))) << action;

    // Docking and floating again leave the size as it was.
    for (int cycle = 0; cycle < 10; ++cycle) {
        DragGrip(bar, 500, 3);
        ASSERT_TRUE(WaitFor([&] { return !Strut(bar).empty(); }, 10000)) << cycle;
        bar = x->WaitForBar();
        ASSERT_TRUE(BarTopReaches(bar, 0));
        ASSERT_TRUE(WaitFor([&] { return x->WindowGeometry(bar).height == BarHeight; }, 5000))
            << "docked, cycle " << cycle << ": " << x->WindowGeometry(bar).height;
        // As a user's hand, the next drag waits for the window manager's last move.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        DragGrip(bar, 500, 300);
        ASSERT_TRUE(WaitFor([&] { return Strut(bar).empty() && !IsDock(bar); }, 10000));
        bar = x->WaitForBar();
        ASSERT_NE(bar, XCB_NONE);
        ASSERT_TRUE(WaitFor([&] { return x->WindowGeometry(bar).height == FloatingHeight; }, 5000))
            << "floating, cycle " << cycle << ": " << x->WindowGeometry(bar).height;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    // Dragged past the left edge, it stays on the screen.
    DragGrip(bar, 0, 300);
    ASSERT_TRUE(WaitFor([&] { return x->WindowGeometry(bar).x >= 0; }, 5000))
        << x->WindowGeometry(bar).x;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const XSession::Geometry placed = x->WindowGeometry(bar);
    EXPECT_LE(placed.x + placed.width, 1024);

    // Restarts put it back where it was, to the pixel.
    for (int restart = 0; restart < 5; ++restart) {
        x->Click(placed.x + placed.width - 12 - 20, placed.y + placed.height / 2); // close
        ASSERT_EQ(program->WaitForExit(5000), 0);
        program = x->StartProgram(home, runtime);
        bar = x->WaitForBar();
        ASSERT_NE(bar, XCB_NONE);
        EXPECT_TRUE(WaitFor([&] { return x->WindowGeometry(bar) == placed; }, 5000))
            << "restart " << restart << ": " << x->WindowGeometry(bar).x << ","
            << x->WindowGeometry(bar).y;
    }

    // The window manager's title bar, dragged onto the top edge, docks it.
    const XSession::Geometry g = x->WindowGeometry(bar);
    x->MovePointer(g.x + g.width / 2, g.y - 8);
    x->Input(XCB_BUTTON_PRESS, 1);
    for (int step = 1; step <= 10; ++step) {
        x->MovePointer(g.x + g.width / 2, g.y - 8 - (g.y - 10) * step / 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    x->MovePointer(g.x + g.width / 2, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    x->Input(XCB_BUTTON_RELEASE, 1);
    ASSERT_TRUE(WaitFor([&] { return !Strut(bar).empty(); }, 10000)) << "docked";
    bar = x->WaitForBar();
    EXPECT_TRUE(WaitFor(
        [&] {
            return x->WindowGeometry(bar) == XSession::Geometry{0, 0, 1024, BarHeight};
        },
        5000))
        << "without the frame it had";
}

TEST_F(DesktopBarTest, SecondStartShowsAHiddenBarAndATrayArrivingLetsItHide) {
    auto program = Start("AutoHide=0\nHideMain=1\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_TRUE(x->Bars().empty() || !x->IsViewable(x->Bars()[0])) << "started hidden";
    auto second = x->StartProgram(home, runtime);
    EXPECT_EQ(second->WaitForExit(10000), 0);
    xcb_window_t bar = x->WaitForBar();
    ASSERT_NE(bar, XCB_NONE) << "the second start showed it";

    // No tray: "Hide main window" is disabled, and the menu's first entry that
    // can be chosen is another. Once a tray host comes, hiding is offered.
    x->BecomeTrayHost();
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    bar = x->WaitForBar();
    ASSERT_NE(bar, XCB_NONE);
    const XSession::Geometry g = x->WindowGeometry(bar);
    x->Click(600, g.y + 16, 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    x->Key(116); // Down: the first entry that can be chosen
    x->Key(36);
    EXPECT_TRUE(WaitFor([&] { return x->Bars().empty() || !x->IsViewable(bar); }, 5000))
        << "hidden from the menu";
}

TEST_F(DesktopBarTest, EveryButtonHasANameForAssistiveTechnology) {
    if (const std::string tool = test::MissingProgram({"dbus-run-session"}); !tool.empty())
        GTEST_SKIP() << tool << " is not installed";
    test::WriteFile(home.File("Tessarim.ini"), "[Data]\nAutoHide=0\nWarn=0\nLang=1\n");
    std::vector<std::string> environment = x->Environment(home, runtime);
    environment.push_back("QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1");
    // A session bus of its own, on which the accessibility bus starts.
    const test::ProcessResult result = test::RunProcess(
        "/usr/bin/dbus-run-session",
        {"--", "/usr/bin/python3", TESSARIM_SOURCE_DIR "/tests/xvfb/accessible_buttons.py",
         TESSARIM_BINARY_DIR "/tessarim"},
        home.Dir(), environment, 90);
    std::vector<std::string> names;
    std::istringstream lines(result.errorOutput);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("button\t")) names.push_back(line.substr(7));
    EXPECT_EQ(names.size(), 12u) << result.errorOutput;
    for (const std::string& name : names)
        EXPECT_FALSE(name.empty()) << result.errorOutput;
    EXPECT_TRUE(std::ranges::count(names, "關於本程式")) << "the hint is the name";
}

TEST(DesktopStart, WithoutADisplayTheBarAndTheFileWindowSayWhatToDoAndFail) {
    test::TempFolder home;
    const std::pair<std::vector<std::string>, const char*> cases[] = {{{}, "no X display"},
                                                                      {{"a.txt"}, "no X display"}};
    for (const auto& [args, says] : cases) {
        const test::ProcessResult result = test::RunProcess(
            TESSARIM_BINARY_DIR "/tessarim", args, home.Dir(),
            {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "TESSARIM_HOME=" + home.Dir()},
            10);
        EXPECT_EQ(result.status, 1) << says;
        EXPECT_NE(result.errorOutput.find(says), std::string::npos) << result.errorOutput;
        EXPECT_NE(result.errorOutput.find("tessarim /i:gbk /o:big5"), std::string::npos);
    }
}

TEST(DesktopStart, HelpAndVersionAnswerWithoutADisplay) {
    test::TempFolder home;
    for (const char* question : {"--help", "--version"}) {
        const test::ProcessResult result =
            test::RunProcess(TESSARIM_BINARY_DIR "/tessarim-desktop", {question}, home.Dir(),
                             {"DISPLAY=", "WAYLAND_DISPLAY=", "TESSARIM_HOME=" + home.Dir()}, 10);
        EXPECT_EQ(result.status, 0) << question << ": " << result.errorOutput;
        EXPECT_EQ(result.errorOutput, "") << question;
    }
}

} // namespace
} // namespace tessarim
