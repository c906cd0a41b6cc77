#include "mainwin/AppBar.h"

#include "tests/mainwin/FakeAppBarShell.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <tuple>

namespace tessarim {
namespace {

using test::FakeAppBarShell;

// A bar whose window is a rectangle in memory with a one-pixel frame.
class TestBar : public TAppBar {
public:
    explicit TestBar(FakeAppBarShell& shell) : TAppBar(shell) {
        BarSettings().SetFloatRect({100, 100, 400, 140});
        BarSettings().SlideEffect = false;
    }
    Rect window{100, 100, 400, 140};

protected:
    Rect WindowRect() const override { return window; }
    Rect ClientRect() const override { return window.Inflated(-1, -1); }
    void PlaceWindow(const Rect& rect) override { window = rect; }
    void RepaintNow() override {}
};

class AppBarTest : public ::testing::Test {
protected:
    FakeAppBarShell shell;
    TestBar bar{shell};
    TAppBarSettings& s = bar.BarSettings();

    void AutoHideAt(TAppBarEdge edge) {
        s.AutoHide = true;
        bar.SetEdge(edge);
    }
};

TEST_F(AppBarTest, DockingReservesTheStripClearOfOtherBarsAndFloatingReleasesIt) {
    shell.otherBars = {5, 20, 7, 30};
    const std::pair<TAppBarEdge, Rect> cases[] = {{abeLeft, {5, 0, 37, 768}},
                                                  {abeTop, {0, 20, 1024, 52}},
                                                  {abeRight, {985, 0, 1017, 768}},
                                                  {abeBottom, {0, 706, 1024, 738}}};
    for (const auto& [edge, expected] : cases) {
        bar.SetEdge(edge);
        EXPECT_EQ(shell.reservedEdge, edge);
        EXPECT_EQ(shell.reserved, expected) << int(edge);
        EXPECT_EQ(bar.window, expected) << int(edge);
        EXPECT_FALSE(shell.floatingFrame || shell.taskbarEntry) << int(edge);
    }
    bar.SetEdge(abeFloat);
    EXPECT_TRUE(shell.reservedEdge == abeUnknown && shell.reserved.IsEmpty());
    EXPECT_EQ(bar.window, (Rect{100, 100, 400, 140}));
    EXPECT_TRUE(shell.floatingFrame && shell.taskbarEntry); // float-dependent entry
    // A full-screen application drops the bar below others until it closes.
    EXPECT_TRUE(shell.topmost);
    bar.ShellNotification(ShellNotice::FullScreenApp, true);
    EXPECT_FALSE(shell.topmost);
    bar.ShellNotification(ShellNotice::FullScreenApp, false);
    EXPECT_TRUE(shell.topmost);
}

TEST_F(AppBarTest, HiddenAutoHideBarLeavesTwoBorderWidthsAndComesOutWhenTouched) {
    const std::tuple<TAppBarEdge, Rect, Rect> cases[] = {
        {abeLeft, {-30, 0, 2, 768}, {0, 0, 32, 768}},
        {abeTop, {0, -30, 1024, 2}, {0, 0, 1024, 32}},
        {abeRight, {1022, 0, 1054, 768}, {992, 0, 1024, 768}},
        {abeBottom, {0, 766, 1024, 798}, {0, 736, 1024, 768}}};
    for (const auto& [edge, hidden, shown] : cases) {
        AutoHideAt(edge);
        EXPECT_TRUE(shell.reserved.IsEmpty()) << "auto-hide reserves nothing";
        EXPECT_EQ(bar.window, hidden) << int(edge);
        bar.PointerTouched();
        EXPECT_EQ(bar.window, shown) << int(edge);
        bar.Activated(false);
        EXPECT_EQ(bar.window, hidden) << int(edge);
    }
    // The timer hides it once it is inactive and the pointer is more than twice
    // the double-click size (4) away.
    AutoHideAt(abeTop);
    bar.PointerTouched();
    bar.TimerTick({500, 39}, false);
    bar.TimerTick({500, 300}, true);
    EXPECT_TRUE(bar.AutoHideShown()) << "near, or active";
    bar.TimerTick({500, 40}, false);
    EXPECT_FALSE(bar.AutoHideShown());
    EXPECT_EQ(bar.window, (Rect{0, -30, 1024, 2}));

    // Called by the user (another start, the tray icon) with the pointer far
    // away and the keyboard not (yet) given to it: it stays out until the user
    // has been with it, then the usual rules apply.
    bar.RevealOnRequest();
    EXPECT_EQ(shell.activations, 1);
    bar.TimerTick({500, 400}, false);
    EXPECT_TRUE(bar.AutoHideShown()) << "a keyboard user has not reached it yet";
    bar.Activated(true);
    bar.Activated(false);
    EXPECT_FALSE(bar.AutoHideShown());
    bar.RevealOnRequest();
    bar.PointerTouched();
    bar.TimerTick({500, 400}, false);
    EXPECT_FALSE(bar.AutoHideShown()) << "the pointer came and went";

    // With the slot another bar's, auto-hide goes off, says so, and the bar docks.
    test::CapturedMessages messages;
    shell.autoHideOwner[abeBottom] = FakeAppBarShell::Another;
    AutoHideAt(abeBottom);
    EXPECT_FALSE(s.AutoHide);
    EXPECT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(shell.reserved, (Rect{0, 736, 1024, 768}));
}

TEST_F(AppBarTest, ProposedEdgeFollowsThePointerAndThePermittedFlags) {
    bar.SetEdge(abeTop);
    // Inside the work area less the scroll-bar margin: float.
    EXPECT_EQ(bar.CalcProposedEdge({17, 300}), abeFloat);
    // In the margin the nearer edge by the screen's diagonals.
    EXPECT_EQ(bar.CalcProposedEdge({3, 300}), abeLeft);
    s.Flags = FlagBit(abfAllowTop) | FlagBit(abfAllowBottom) | FlagBit(abfAllowFloat);
    EXPECT_EQ(bar.CalcProposedEdge({3, 300}), abeFloat) << "left is not permitted";
    s.Flags = FlagBit(abfAllowTop) | FlagBit(abfAllowBottom);
    EXPECT_EQ(bar.CalcProposedEdge({3, 300}), abeTop) << "no float: the edge stays";
    EXPECT_EQ(bar.CalcProposedEdge({512, 384}), abeTop) << "no float: the middle docks";
    s.Flags = FlagBit(abfAllowFloat);
    EXPECT_EQ(bar.CalcProposedEdge({500, 5}), abeFloat);
}

TEST_F(AppBarTest, DraggingShowsTheDockOrFloatingRectangleAndTheEndTakesIt) {
    bar.SetEdge(abeTop);
    bar.EnterSizeMove();
    // Off the dock the floating size hangs from the pointer.
    EXPECT_EQ(bar.Moving({500, 400}, false, bar.window), (Rect{350, 400, 650, 440}));
    EXPECT_TRUE(shell.floatingFrame) << "the caption shows during the drag";
    EXPECT_EQ(bar.Moving({500, 760}, false, bar.window), (Rect{0, 736, 1024, 768}));
    EXPECT_FALSE(shell.floatingFrame);
    EXPECT_EQ(bar.Moving({500, 760}, true, {1, 2, 3, 4}), (Rect{350, 760, 650, 800}))
        << "Ctrl always floats";
    // A floating drag keeps the rectangle the window manager moves.
    const Rect dragged{370, 410, 670, 450};
    EXPECT_EQ(bar.Moving({520, 410}, false, dragged), dragged);
    bar.window = dragged;
    bar.ExitSizeMove();
    EXPECT_EQ(bar.Edge(), abeFloat);
    EXPECT_EQ(s.FloatRect(), dragged);
    EXPECT_TRUE(shell.reserved.IsEmpty() && bar.DragEdge() == abeUnknown);
    bar.ExitSizeMove(); // a stray end changes nothing
    EXPECT_EQ(bar.Edge(), abeFloat);

    // Outline drags leave the frame alone until the end, which docks.
    shell.metrics.dragFullWindows = false;
    bar.EnterSizeMove();
    bar.Moving({500, 760}, false, bar.window);
    EXPECT_TRUE(shell.floatingFrame);
    bar.window = {0, 736, 1024, 768};
    bar.ExitSizeMove();
    EXPECT_EQ(bar.Edge(), abeBottom);
    EXPECT_FALSE(shell.floatingFrame);
    EXPECT_EQ(shell.reserved, bar.window);
}

TEST_F(AppBarTest, HitTestDragsByTheBackgroundAndAllowsOnlyPermittedSizing) {
    bar.SetEdge(abeTop); // window (0,0,1024,32), client one pixel inside
    EXPECT_EQ(bar.HitTest(HTCLIENT, {50, 10}, true), HTCAPTION);
    EXPECT_EQ(bar.HitTest(HTCLIENT, {50, 10}, false), HTCLIENT);
    EXPECT_EQ(bar.HitTest(HTBOTTOMLEFT, {0, 31}, false), HTBOTTOM) << "the inner edge";
    EXPECT_EQ(bar.HitTest(HTTOP, {50, 0}, false), HTBORDER);
    s.VertSizeInc = 0;
    EXPECT_EQ(bar.HitTest(HTBOTTOM, {50, 31}, false), HTBORDER) << "the height may not change";

    bar.SetEdge(abeFloat); // (100,100,400,140), the width alone may change
    EXPECT_EQ(bar.HitTest(HTBOTTOMLEFT, {100, 139}, false), HTLEFT);
    s.HorzSizeInc = 0;
    s.VertSizeInc = 1;
    EXPECT_EQ(bar.HitTest(HTTOPRIGHT, {399, 100}, false), HTTOP);
    EXPECT_EQ(bar.HitTest(HTRIGHT, {399, 120}, false), HTBORDER);
}

TEST_F(AppBarTest, SizingSnapsToWholeStepsAboveTheMinimumOnTheDraggedSide) {
    s.MinWidth = 100;
    s.MinHeight = 20;
    s.HorzSizeInc = 10;
    s.VertSizeInc = 8;
    EXPECT_EQ(bar.Sizing(SizingSide::Right, {0, 0, 135, 36}), (Rect{0, 0, 140, 36}));
    EXPECT_EQ(bar.Sizing(SizingSide::TopLeft, {16, 0, 150, 37}), (Rect{20, 1, 150, 37}));
    EXPECT_EQ(bar.Sizing(SizingSide::Bottom, {0, 0, 134, 31}), (Rect{0, 0, 134, 28}))
        << "only the dragged dimension follows its side";
    EXPECT_EQ(bar.Sizing(SizingSide::Right, {0, 0, 84, 36}), (Rect{0, 0, 80, 36}))
        << "below the minimum the steps still count from it";

    s.MinVertDockSize = 30;
    s.VertSizeInc = 4;
    bar.SetEdge(abeTop);
    EXPECT_EQ(bar.Sizing(SizingSide::Bottom, {0, 0, 1024, 41}), (Rect{0, 0, 1024, 42}));
}

} // namespace
} // namespace tessarim
