#include "mainwin/AppBar.h"

#include "tests/mainwin/FakeAppBarShell.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <vector>

namespace tessarim {
namespace {

using test::FakeAppBarShell;

// A bar whose window is a rectangle in memory with a one-pixel frame.
class TestBar : public TAppBar {
public:
    explicit TestBar(FakeAppBarShell& shell) : TAppBar(shell) {
        BarSettings().SetFloatRect({100, 100, 400, 140});
    }
    Rect window{100, 100, 400, 140};
    std::vector<Rect> placements;
    std::vector<std::pair<bool, TAppBarEdge>> stateChanges;

    using TAppBar::SlideWindow;

protected:
    Rect WindowRect() const override { return window; }
    Rect ClientRect() const override { return window.Inflated(-1, -1); }
    void PlaceWindow(const Rect& rect) override {
        window = rect;
        placements.push_back(rect);
    }
    void RepaintNow() override {}
    void OnAppBarStateChange(bool querying, TAppBarEdge edge) override {
        stateChanges.emplace_back(querying, edge);
        TAppBar::OnAppBarStateChange(querying, edge);
    }
};

class AppBarTest : public ::testing::Test {
protected:
    FakeAppBarShell shell;
    TestBar bar{shell};

    void SetUp() override { bar.BarSettings().SlideEffect = false; }
    void AutoHideAt(TAppBarEdge edge) {
        bar.BarSettings().AutoHide = true;
        bar.SetEdge(edge);
    }
};

TEST_F(AppBarTest, DockingReservesTheStripAtEachEdgeAndClearsOtherBars) {
    shell.otherBars = {5, 20, 7, 30};
    const struct {
        TAppBarEdge edge;
        Rect expected;
    } cases[] = {
        {abeLeft, {5, 0, 37, 768}},
        {abeTop, {0, 20, 1024, 52}},
        {abeRight, {985, 0, 1017, 768}},
        {abeBottom, {0, 706, 1024, 738}},
    };
    for (const auto& c : cases) {
        bar.SetEdge(c.edge);
        EXPECT_EQ(shell.reservedEdge, c.edge);
        EXPECT_EQ(shell.reserved, c.expected) << int(c.edge);
        EXPECT_EQ(bar.window, c.expected) << int(c.edge);
        EXPECT_FALSE(shell.floatingFrame);
        EXPECT_FALSE(shell.taskbarEntry);
    }
}

TEST_F(AppBarTest, FloatingReleasesTheStripAndRestoresTheFloatingRectangleWithCaption) {
    bar.SetEdge(abeTop);
    ASSERT_FALSE(shell.floatingFrame);
    bar.SetEdge(abeFloat);
    EXPECT_EQ(shell.reservedEdge, abeUnknown);
    EXPECT_TRUE(shell.reserved.IsEmpty());
    EXPECT_EQ(bar.window, (Rect{100, 100, 400, 140}));
    EXPECT_TRUE(shell.floatingFrame);
    EXPECT_TRUE(shell.taskbarEntry); // float-dependent entry

    bar.BarSettings().TaskEntry = abtHide;
    bar.UpdateBar();
    EXPECT_FALSE(shell.taskbarEntry);
}

TEST_F(AppBarTest, UnknownEdgeUnregistersAndGivesUpTheAutoHideSlot) {
    shell.Register();
    AutoHideAt(abeTop);
    ASSERT_EQ(shell.autoHideOwner[abeTop], FakeAppBarShell::Us);
    bar.AppBarDestroyed();
    EXPECT_FALSE(shell.registered);
    EXPECT_EQ(shell.autoHideOwner[abeTop], FakeAppBarShell::Nobody);
}

TEST_F(AppBarTest, HiddenAutoHideBarLeavesTwoBorderWidthsOnEachEdge) {
    shell.metrics.borderWidth = shell.metrics.borderHeight = 1;
    const struct {
        TAppBarEdge edge;
        Rect hidden;
        Rect shown;
    } cases[] = {
        {abeLeft, {-30, 0, 2, 768}, {0, 0, 32, 768}},
        {abeTop, {0, -30, 1024, 2}, {0, 0, 1024, 32}},
        {abeRight, {1022, 0, 1054, 768}, {992, 0, 1024, 768}},
        {abeBottom, {0, 766, 1024, 798}, {0, 736, 1024, 768}},
    };
    for (const auto& c : cases) {
        AutoHideAt(c.edge);
        EXPECT_TRUE(shell.reserved.IsEmpty()) << "auto-hide reserves nothing";
        EXPECT_FALSE(bar.AutoHideShown());
        EXPECT_EQ(bar.window, c.hidden) << int(c.edge);
        bar.PointerTouched();
        EXPECT_TRUE(bar.AutoHideShown());
        EXPECT_EQ(bar.window, c.shown) << int(c.edge);
        bar.Activated(false);
        EXPECT_EQ(bar.window, c.hidden) << int(c.edge);
    }
}

TEST_F(AppBarTest, TimerHidesTheBarOnlyWhenItIsInactiveAndThePointerHasLeftItsSurroundings) {
    AutoHideAt(abeTop);
    bar.PointerTouched();
    ASSERT_EQ(bar.window, (Rect{0, 0, 1024, 32}));
    // Twice the double-click size (4) around the window still counts as near.
    bar.TimerTick({500, 39}, false);
    EXPECT_TRUE(bar.AutoHideShown());
    bar.TimerTick({500, 300}, true);
    EXPECT_TRUE(bar.AutoHideShown()) << "the active bar stays out";
    bar.TimerTick({500, 40}, false);
    EXPECT_FALSE(bar.AutoHideShown());
    EXPECT_EQ(bar.window, (Rect{0, -30, 1024, 2}));
}

TEST_F(AppBarTest, RefusedAutoHideTurnsItOffSaysSoAndDocksNormally) {
    test::CapturedMessages messages;
    shell.autoHideOwner[abeBottom] = FakeAppBarShell::Another;
    AutoHideAt(abeBottom);
    EXPECT_FALSE(bar.BarSettings().AutoHide);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].first, MessageKind::Information);
    EXPECT_EQ(messages.messages()[0].second,
              "There is already an auto hidden window on this edge.\n\rOnly one auto hidden "
              "window is allowed on each edge.");
    EXPECT_EQ(shell.reserved, (Rect{0, 736, 1024, 768}));
    EXPECT_EQ(bar.window, shell.reserved);
}

TEST_F(AppBarTest, MovingAnAutoHideBarHandsItsSlotToTheNewEdge) {
    AutoHideAt(abeTop);
    bar.SetEdge(abeBottom);
    EXPECT_EQ(shell.autoHideOwner[abeTop], FakeAppBarShell::Nobody);
    EXPECT_EQ(shell.autoHideOwner[abeBottom], FakeAppBarShell::Us);
    bar.SetEdge(abeFloat);
    EXPECT_EQ(shell.autoHideOwner[abeBottom], FakeAppBarShell::Nobody);
}

TEST_F(AppBarTest, FullScreenApplicationDropsAnAlwaysOnTopBarUntilItCloses) {
    bar.SetEdge(abeTop);
    EXPECT_TRUE(shell.topmost);
    bar.ShellNotification(ShellNotice::FullScreenApp, true);
    EXPECT_FALSE(shell.topmost);
    bar.ShellNotification(ShellNotice::FullScreenApp, false);
    EXPECT_TRUE(shell.topmost);
    bar.BarSettings().AlwaysOnTop = false;
    bar.UpdateBar();
    EXPECT_FALSE(shell.topmost);
}

TEST_F(AppBarTest, PositionChangeReappliesOnlyAReservingDock) {
    bar.SetEdge(abeTop);
    shell.otherBars[abeTop] = 25;
    bar.ShellNotification(ShellNotice::PositionChanged, false);
    EXPECT_EQ(bar.window, (Rect{0, 25, 1024, 57}));

    bar.SetEdge(abeFloat);
    bar.window = {1, 2, 3, 4};
    bar.ShellNotification(ShellNotice::PositionChanged, false);
    EXPECT_EQ(bar.window, (Rect{1, 2, 3, 4})) << "a floating bar stays where it is";
}

TEST_F(AppBarTest, ProposedEdgeFollowsThePointerAndThePermittedFlags) {
    bar.SetEdge(abeTop);
    // Inside the work area less the scroll-bar margin: float.
    EXPECT_EQ(bar.CalcProposedEdge({512, 384}), abeFloat);
    EXPECT_EQ(bar.CalcProposedEdge({17, 300}), abeFloat);
    // In the margin the nearer edge by the screen's diagonals.
    EXPECT_EQ(bar.CalcProposedEdge({500, 5}), abeTop);
    EXPECT_EQ(bar.CalcProposedEdge({500, 760}), abeBottom);
    EXPECT_EQ(bar.CalcProposedEdge({3, 300}), abeLeft);
    EXPECT_EQ(bar.CalcProposedEdge({1020, 500}), abeRight);

    bar.BarSettings().Flags =
        FlagBit(abfAllowTop) | FlagBit(abfAllowBottom) | FlagBit(abfAllowFloat);
    EXPECT_EQ(bar.CalcProposedEdge({3, 300}), abeFloat) << "left is not permitted";

    bar.BarSettings().Flags = FlagBit(abfAllowTop) | FlagBit(abfAllowBottom);
    EXPECT_EQ(bar.CalcProposedEdge({3, 300}), abeTop) << "no float: the edge stays";
    EXPECT_EQ(bar.CalcProposedEdge({512, 384}), abeTop) << "no float: the middle docks";

    bar.BarSettings().Flags = FlagBit(abfAllowFloat);
    EXPECT_EQ(bar.CalcProposedEdge({500, 5}), abeFloat);
}

TEST_F(AppBarTest, DraggingOffADockHangsTheFloatingSizeFromThePointerAndFloatsOnRelease) {
    bar.SetEdge(abeTop);
    bar.EnterSizeMove();
    const Rect moving = bar.Moving({500, 400}, false, bar.window);
    EXPECT_EQ(moving, (Rect{350, 400, 650, 440}));
    EXPECT_EQ(bar.DragEdge(), abeFloat);
    EXPECT_TRUE(shell.floatingFrame) << "the caption shows during the drag";

    // A floating drag keeps the rectangle the window manager moves.
    const Rect dragged = bar.Moving({520, 410}, false, {370, 410, 670, 450});
    EXPECT_EQ(dragged, (Rect{370, 410, 670, 450}));
    bar.window = dragged;
    bar.ExitSizeMove();
    EXPECT_EQ(bar.Edge(), abeFloat);
    EXPECT_EQ(bar.BarSettings().FloatRect(), dragged);
    EXPECT_EQ(bar.DragEdge(), abeUnknown);
    EXPECT_TRUE(shell.reserved.IsEmpty());
}

TEST_F(AppBarTest, DraggingToAnEdgeShowsTheDockRectangleAndCtrlAlwaysFloats) {
    bar.SetEdge(abeFloat);
    bar.EnterSizeMove();
    EXPECT_EQ(bar.Moving({500, 760}, false, bar.window), (Rect{0, 736, 1024, 768}));
    EXPECT_FALSE(shell.floatingFrame);
    EXPECT_EQ(bar.Moving({500, 760}, true, {1, 2, 3, 4}), (Rect{350, 760, 650, 800}));
    EXPECT_EQ(bar.DragEdge(), abeFloat);
    bar.Moving({500, 760}, false, bar.window);
    bar.window = {0, 736, 1024, 768};
    bar.ExitSizeMove();
    EXPECT_EQ(bar.Edge(), abeBottom);
    EXPECT_EQ(shell.reserved, (Rect{0, 736, 1024, 768}));
}

TEST_F(AppBarTest, QueryingDuringOutlineDragsLeavesTheFrameAlone) {
    shell.metrics.dragFullWindows = false;
    bar.SetEdge(abeTop);
    bar.EnterSizeMove();
    bar.Moving({500, 400}, false, bar.window);
    EXPECT_FALSE(shell.floatingFrame);
    bar.ExitSizeMove();
    EXPECT_TRUE(shell.floatingFrame);
}

TEST_F(AppBarTest, EndOfDragRemembersThicknessAndKeepsTheOldFloatSizeForAWorkAreaSizedWindow) {
    bar.SetEdge(abeTop);
    bar.EnterSizeMove();
    bar.window = {0, 0, 1024, 48}; // resized across the bar
    bar.ExitSizeMove();
    EXPECT_EQ(bar.BarSettings().VertDockSize, 48u);
    EXPECT_EQ(bar.window, (Rect{0, 0, 1024, 48}));

    bar.EnterSizeMove();
    bar.Moving({500, 400}, false, bar.window);
    bar.window = {0, 20, 1024, 60}; // as wide as the work area
    bar.ExitSizeMove();
    EXPECT_EQ(bar.BarSettings().FloatRect(), (Rect{0, 20, 300, 60}));
    EXPECT_EQ(bar.window, (Rect{0, 20, 300, 60}));

    bar.ExitSizeMove(); // a stray end changes nothing
    EXPECT_EQ(bar.Edge(), abeFloat);
}

TEST_F(AppBarTest, HitTestDragsByTheBackgroundAndAllowsOnlyPermittedSizing) {
    bar.SetEdge(abeTop); // window (0,0,1024,32), client one pixel inside
    EXPECT_EQ(bar.HitTest(HTCLIENT, {50, 10}, true), HTCAPTION);
    EXPECT_EQ(bar.HitTest(HTCLIENT, {50, 10}, false), HTCLIENT);
    EXPECT_EQ(bar.HitTest(HTBOTTOM, {50, 31}, false), HTBOTTOM) << "the inner edge";
    EXPECT_EQ(bar.HitTest(HTTOP, {50, 0}, false), HTBORDER);
    EXPECT_EQ(bar.HitTest(HTBOTTOMLEFT, {0, 31}, false), HTBOTTOM);
    EXPECT_EQ(bar.HitTest(HTLEFT, {0, 10}, false), HTBORDER);

    bar.BarSettings().VertSizeInc = 0;
    for (int code = HTLEFT; code <= HTBOTTOMRIGHT; ++code)
        EXPECT_EQ(bar.HitTest(code, {50, 31}, false), HTBORDER) << code;

    bar.BarSettings().HorzSizeInc = 1;
    bar.SetEdge(abeFloat);
    EXPECT_EQ(bar.HitTest(HTLEFT, {100, 120}, false), HTLEFT);
    EXPECT_EQ(bar.HitTest(HTTOP, {200, 100}, false), HTBORDER);
    EXPECT_EQ(bar.HitTest(HTBOTTOMLEFT, {100, 139}, false), HTLEFT);
    EXPECT_EQ(bar.HitTest(HTTOPRIGHT, {399, 100}, false), HTRIGHT);

    bar.BarSettings().HorzSizeInc = 0;
    bar.BarSettings().VertSizeInc = 1;
    EXPECT_EQ(bar.HitTest(HTTOPRIGHT, {399, 100}, false), HTTOP);
    EXPECT_EQ(bar.HitTest(HTRIGHT, {399, 120}, false), HTBORDER);
    bar.BarSettings().VertSizeInc = 0;
    EXPECT_EQ(bar.HitTest(HTBOTTOMRIGHT, {399, 139}, false), HTBORDER);
}

TEST_F(AppBarTest, SizingSnapsToWholeStepsAboveTheMinimumOnTheDraggedSide) {
    bar.SetEdge(abeFloat);
    auto& s = bar.BarSettings();
    s.MinWidth = 100;
    s.MinHeight = 20;
    s.HorzSizeInc = 10;
    s.VertSizeInc = 8;
    EXPECT_EQ(bar.Sizing(SizingSide::Right, {0, 0, 134, 36}), (Rect{0, 0, 130, 36}));
    EXPECT_EQ(bar.Sizing(SizingSide::Right, {0, 0, 135, 36}), (Rect{0, 0, 140, 36}));
    EXPECT_EQ(bar.Sizing(SizingSide::Left, {16, 0, 150, 36}), (Rect{20, 0, 150, 36}));
    EXPECT_EQ(bar.Sizing(SizingSide::TopLeft, {16, 0, 150, 37}), (Rect{20, 1, 150, 37}));
    EXPECT_EQ(bar.Sizing(SizingSide::Bottom, {0, 0, 134, 31}), (Rect{0, 0, 134, 28}))
        << "only the dragged dimension follows its side";
    EXPECT_EQ(bar.Sizing(SizingSide::Right, {0, 0, 84, 36}), (Rect{0, 0, 80, 36}))
        << "below the minimum the steps still count from it";
    s.HorzSizeInc = 0;
    EXPECT_EQ(bar.Sizing(SizingSide::Right, {0, 0, 134, 36}), (Rect{0, 0, 134, 36}));

    s.MinVertDockSize = 30;
    s.VertSizeInc = 4;
    bar.SetEdge(abeTop);
    EXPECT_EQ(bar.Sizing(SizingSide::Bottom, {0, 0, 1024, 41}), (Rect{0, 0, 1024, 42}));
}

TEST_F(AppBarTest, SizeLimitsDependOnFloatingOrDockedEdge) {
    auto& s = bar.BarSettings();
    EXPECT_EQ(s.MaxWidth, 1024);
    EXPECT_EQ(s.MaxHorzDockSize, 512);
    EXPECT_EQ(s.MaxVertDockSize, 384);
    s.MinWidth = 200;
    s.MinHeight = 30;
    s.MinHorzDockSize = 20;
    s.MinVertDockSize = 25;
    bar.SetEdge(abeFloat);
    MinMaxInfo info = bar.GetMinMaxInfo();
    EXPECT_EQ(info.minWidth, 200);
    EXPECT_EQ(info.maxHeight, 768);
    bar.SetEdge(abeLeft);
    info = bar.GetMinMaxInfo();
    EXPECT_EQ(info.minWidth, 20);
    EXPECT_EQ(info.maxWidth, 512);
    EXPECT_EQ(info.maxHeight, 768);
    bar.SetEdge(abeBottom);
    info = bar.GetMinMaxInfo();
    EXPECT_EQ(info.minHeight, 25);
    EXPECT_EQ(info.maxWidth, 1024);
    EXPECT_EQ(info.maxHeight, 384);
}

TEST_F(AppBarTest, SlideMovesStepByStepTowardTheTargetAndEndsExactlyThere) {
    EXPECT_EQ(TAppBar::SlideStep({0, -30, 1024, 2}, {0, 0, 1024, 32}, 200, 400),
              (Rect{0, -15, 1024, 17}));
    bar.BarSettings().SlideEffect = true;
    bar.window = {0, -30, 1024, 2};
    bar.SlideWindow({0, 0, 1024, 32});
    ASSERT_GE(bar.placements.size(), 3u);
    for (std::size_t i = 1; i < bar.placements.size(); ++i)
        EXPECT_GE(bar.placements[i].top, bar.placements[i - 1].top);
    EXPECT_EQ(bar.placements.back(), (Rect{0, 0, 1024, 32}));

    bar.placements.clear();
    shell.metrics.dragFullWindows = false;
    bar.SlideWindow({0, -30, 1024, 2});
    EXPECT_EQ(bar.placements.size(), 1u) << "no animation without full-window dragging";
}

TEST_F(AppBarTest, CreationRegistersTakesTheFloatingCornerAndAppliesTheEdge) {
    bar.window = {40, 50, 340, 90};
    bar.AppBarCreated();
    EXPECT_TRUE(shell.registered);
    EXPECT_EQ(bar.BarSettings().FloatLeft, 40);
    EXPECT_EQ(bar.BarSettings().FloatTop, 50);
    ASSERT_FALSE(bar.stateChanges.empty());
    EXPECT_EQ(bar.stateChanges.back(), std::make_pair(false, abeFloat));
}

} // namespace
} // namespace tessarim
