// The desktop program on a real X server with a window manager: the bar's
// reserved strip, floating, auto-hide, the single instance, the saved position,
// and screenshots of the bar and its menu in each language (build/screenshots/).
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

constexpr int BarHeight = 32;

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
    ASSERT_EQ(program->WaitForExit(5000), 0);
    const std::string ini = test::ReadFile(home.File("Tessarim.ini"));
    EXPECT_NE(ini.find("LastEdge=5"), std::string::npos) << ini;

    program = x->StartProgram(home, runtime);
    bar = x->WaitForBar();
    ASSERT_NE(bar, XCB_NONE);
    EXPECT_FALSE(IsDock(bar));
    EXPECT_EQ(x->WindowGeometry(bar), floating) << "restored where it was";
    DragGrip(bar, 500, 3);
    ASSERT_TRUE(WaitFor([&] { return !Strut(bar).empty(); }, 10000));
    bar = x->WaitForBar();
    EXPECT_TRUE(IsDock(bar));
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

    // A second start brings the running bar forward and ends. It is out only
    // until the next timer tick, the pointer being far: look at once.
    auto second = x->StartProgram(home, runtime);
    EXPECT_TRUE(BarTopReaches(bar, 0, 5000)) << "the running bar came forward";
    EXPECT_EQ(second->WaitForExit(5000), 0);
    EXPECT_EQ(x->Bars().size(), 1u);
    EXPECT_FALSE(program->WaitForExit(0));
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

} // namespace
} // namespace tessarim
