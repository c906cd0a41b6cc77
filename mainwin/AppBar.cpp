#include "mainwin/AppBar.h"

#include "platform/Message.h"

#include <cstdlib>

namespace tessarim {

namespace {

constexpr TAppBarEdge DockedEdges[] = {abeLeft, abeTop, abeRight, abeBottom};

// Rounds numerator / denominator to the nearest whole number, halves away from
// minus infinity; the denominator is positive.
std::int64_t RoundedQuotient(std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t twice = 2 * numerator + denominator;
    const std::int64_t divisor = 2 * denominator;
    std::int64_t quotient = twice / divisor;
    if (twice % divisor != 0 && twice < 0) --quotient;
    return quotient;
}

// A size moved to the minimum plus a whole number of steps.
int SnapSize(int size, int minimum, std::uint32_t step) {
    if (step == 0) return size;
    return static_cast<int>(minimum +
                            RoundedQuotient(static_cast<std::int64_t>(size) - minimum, step) *
                                static_cast<std::int64_t>(step));
}

int SlideValue(int start, int target, std::uint64_t elapsed, std::uint32_t slideTime) {
    const std::int64_t distance = static_cast<std::int64_t>(start) - target;
    return static_cast<int>(start - distance * static_cast<std::int64_t>(elapsed) / slideTime);
}

} // namespace

void TAppBarSettings::SetFloatRect(const Rect& rect) {
    FloatLeft = rect.left;
    FloatTop = rect.top;
    FloatRight = rect.right;
    FloatBottom = rect.bottom;
}

TAppBar::TAppBar(AppBarShell& shell) : shell_(shell) {
    const Rect screen = shell_.ScreenRect();
    settings_.MaxWidth = screen.Width();
    settings_.MaxHeight = screen.Height();
    settings_.MaxHorzDockSize = screen.Width() / 2;
    settings_.MaxVertDockSize = screen.Height() / 2;
}

void TAppBar::SetEdge(TAppBarEdge edge) {
    for (const TAppBarEdge docked : DockedEdges)
        if (shell_.IsAutoHideBar(docked)) shell_.SetAutoHideBar(docked, false);
    edge_ = edge;
    if (edge == abeUnknown) {
        // Unregistered: there is nothing left to place or stack.
        shell_.Remove();
        return;
    }
    if (edge == abeFloat) {
        shell_.SetPos(abeFloat, Rect{});
        PlaceWindow(settings_.FloatRect());
    } else {
        if (settings_.AutoHide && !shell_.SetAutoHideBar(edge, true)) {
            settings_.AutoHide = false;
            AutoHideFailed();
        }
        Rect rect = GetDockRect(edge);
        const Rect granted = shell_.SetPos(edge, settings_.AutoHide ? Rect{} : rect);
        if (!settings_.AutoHide) rect = granted;
        GetAutoHideRect(autoHideShown_, rect);
        SlideWindow(rect);
    }
    shell_.SetTopmost(settings_.AlwaysOnTop && !fullScreenApp_);
    OnAppBarStateChange(false, edge);
    switch (settings_.TaskEntry) {
    case abtShow:
        shell_.SetTaskbarEntry(true);
        break;
    case abtHide:
        shell_.SetTaskbarEntry(false);
        break;
    case abtFloatDependent:
        shell_.SetTaskbarEntry(edge == abeFloat);
        break;
    }
}

void TAppBar::UpdateBar() {
    SetEdge(edge_);
}

Rect TAppBar::GetDockRect(TAppBarEdge edge) {
    Rect rect = shell_.ScreenRect();
    if (!settings_.AutoHide) rect = shell_.QueryPos(edge, rect);
    const int horz = static_cast<int>(settings_.HorzDockSize);
    const int vert = static_cast<int>(settings_.VertDockSize);
    switch (edge) {
    case abeLeft:
        rect.right = rect.left + horz;
        break;
    case abeTop:
        rect.bottom = rect.top + vert;
        break;
    case abeRight:
        rect.left = rect.right - horz;
        break;
    case abeBottom:
        rect.top = rect.bottom - vert;
        break;
    default:
        break;
    }
    return rect;
}

bool TAppBar::GetAutoHideRect(bool shown, Rect& rect) const {
    if (!IsDockedEdge(edge_) || !settings_.AutoHide) return false;
    const Rect screen = shell_.ScreenRect();
    const ShellMetrics metrics = shell_.Metrics();
    // Hidden, two border widths stay on the screen for the pointer to find.
    const int lineX = 2 * metrics.borderWidth;
    const int lineY = 2 * metrics.borderHeight;
    int x = rect.left;
    int y = rect.top;
    switch (edge_) {
    case abeLeft:
        x = shown ? 0 : lineX - rect.Width();
        break;
    case abeTop:
        y = shown ? 0 : lineY - rect.Height();
        break;
    case abeRight:
        x = shown ? screen.Width() - rect.Width() : screen.Width() - lineX;
        break;
    default:
        y = shown ? screen.Height() - rect.Height() : screen.Height() - lineY;
        break;
    }
    rect = rect.MovedTo(x, y);
    return true;
}

TAppBarEdge TAppBar::CalcProposedEdge(Point cursor) const {
    const bool mayFloat = Allows(abfAllowFloat);
    if (mayFloat) {
        const ShellMetrics metrics = shell_.Metrics();
        const Rect inner =
            shell_.WorkArea().Inflated(-metrics.vScrollWidth, -metrics.hScrollHeight);
        if (inner.Contains(cursor)) return abeFloat;
        if ((settings_.Flags & 0x0F) == 0) return abeFloat;
    }
    const Rect screen = shell_.ScreenRect();
    const std::int64_t dx = cursor.x - screen.Width() / 2;
    const std::int64_t dy = cursor.y - screen.Height() / 2;
    TAppBarEdge edge;
    if (std::llabs(dy) * screen.Width() > std::llabs(dx) * screen.Height())
        edge = dy < 0 ? abeTop : abeBottom;
    else
        edge = dx < 0 ? abeLeft : abeRight;
    if (!Allows(static_cast<TAppBarFlag>(edge))) return mayFloat ? abeFloat : edge_;
    return edge;
}

Rect TAppBar::SlideStep(const Rect& start, const Rect& target, std::uint64_t elapsed,
                        std::uint32_t slideTime) {
    const int left = SlideValue(start.left, target.left, elapsed, slideTime);
    const int top = SlideValue(start.top, target.top, elapsed, slideTime);
    const int width = SlideValue(start.Width(), target.Width(), elapsed, slideTime);
    const int height = SlideValue(start.Height(), target.Height(), elapsed, slideTime);
    return {left, top, left + width, top + height};
}

void TAppBar::SlideWindow(const Rect& target) {
    const Rect start = WindowRect();
    const std::uint32_t slideTime = settings_.SlideTime;
    if (settings_.SlideEffect && slideTime > 0 && shell_.Metrics().dragFullWindows &&
        !(target == start)) {
        const std::uint64_t begin = shell_.TickCount();
        for (std::uint64_t elapsed = 0; elapsed < slideTime; elapsed = shell_.TickCount() - begin) {
            PlaceWindow(SlideStep(start, target, elapsed, slideTime));
            RepaintNow();
        }
    }
    PlaceWindow(target);
}

void TAppBar::ShowAutoHideBar(bool show) {
    Rect rect = WindowRect();
    autoHideShown_ = true;
    if (GetAutoHideRect(show, rect)) {
        autoHideShown_ = show;
        SlideWindow(rect);
    }
}

void TAppBar::AppBarCreated() {
    const Rect window = WindowRect();
    settings_.FloatLeft = window.left;
    settings_.FloatTop = window.top;
    shell_.Register();
    UpdateBar();
}

void TAppBar::AppBarDestroyed() {
    SetEdge(abeUnknown);
}

void TAppBar::RevealOnRequest() {
    heldOut_ = true;
    ShowAutoHideBar(true);
    shell_.Activate();
}

void TAppBar::Activated(bool active) {
    heldOut_ = false;
    if (!active) ShowAutoHideBar(false);
}

void TAppBar::PointerTouched() {
    heldOut_ = false;
    ShowAutoHideBar(true);
}

void TAppBar::TimerTick(Point cursor, bool active) {
    if (active || heldOut_) return;
    const ShellMetrics metrics = shell_.Metrics();
    const Rect near =
        WindowRect().Inflated(2 * metrics.doubleClickWidth, 2 * metrics.doubleClickHeight);
    if (near.Contains(cursor)) return;
    ShowAutoHideBar(false);
}

void TAppBar::EnterSizeMove() {
    dragEdge_ = edge_;
}

Rect TAppBar::Moving(Point cursor, bool ctrlHeld, Rect moving) {
    const TAppBarEdge proposed =
        ctrlHeld && Allows(abfAllowFloat) ? abeFloat : CalcProposedEdge(cursor);
    if (dragEdge_ != abeFloat && proposed == abeFloat) {
        // Torn off a dock: the floating size hangs from the pointer.
        const Rect floating = settings_.FloatRect();
        moving = floating.MovedTo(cursor.x - floating.Width() / 2, cursor.y);
    }
    dragEdge_ = proposed;
    if (IsDockedEdge(proposed)) moving = GetDockRect(proposed);
    OnAppBarStateChange(true, proposed);
    return moving;
}

void TAppBar::ExitSizeMove() {
    const TAppBarEdge edge = dragEdge_;
    dragEdge_ = abeUnknown;
    if (edge == abeUnknown) return; // an end without a start changes nothing
    const Rect window = WindowRect();
    if (edge == edge_) {
        if (edge == abeLeft || edge == abeRight)
            settings_.HorzDockSize = static_cast<std::uint32_t>(window.Width());
        else if (edge == abeTop || edge == abeBottom)
            settings_.VertDockSize = static_cast<std::uint32_t>(window.Height());
    }
    if (edge == abeFloat) {
        const Rect work = shell_.WorkArea();
        if (edge_ != abeFloat &&
            (window.Width() >= work.Width() || window.Height() >= work.Height()))
            settings_.SetFloatRect(settings_.FloatRect().MovedTo(window.left, window.top));
        else
            settings_.SetFloatRect(window);
    }
    SetEdge(edge);
}

int TAppBar::HitTest(int defaultCode, Point cursor, bool pressOnBackground) const {
    if (pressOnBackground && defaultCode == HTCLIENT) return HTCAPTION;
    if (defaultCode < HTLEFT || defaultCode > HTBOTTOMRIGHT) return defaultCode;
    const bool fixedWidth = settings_.HorzSizeInc == 0;
    const bool fixedHeight = settings_.VertSizeInc == 0;
    if (!IsDockedEdge(edge_)) {
        switch (defaultCode) {
        case HTLEFT:
        case HTRIGHT:
            return fixedWidth ? HTBORDER : defaultCode;
        case HTTOP:
        case HTBOTTOM:
            return fixedHeight ? HTBORDER : defaultCode;
        default: {
            if (fixedWidth && fixedHeight) return HTBORDER;
            const bool leftCorner = defaultCode == HTTOPLEFT || defaultCode == HTBOTTOMLEFT;
            const bool topCorner = defaultCode == HTTOPLEFT || defaultCode == HTTOPRIGHT;
            if (fixedHeight) return leftCorner ? HTLEFT : HTRIGHT;
            if (fixedWidth) return topCorner ? HTTOP : HTBOTTOM;
            return defaultCode;
        }
        }
    }
    // Docked, only the inner edge resizes, and only across the bar.
    const Rect client = ClientRect();
    switch (edge_) {
    case abeLeft:
        if (!fixedWidth && cursor.x >= client.right) return HTRIGHT;
        break;
    case abeTop:
        if (!fixedHeight && cursor.y >= client.bottom) return HTBOTTOM;
        break;
    case abeRight:
        if (!fixedWidth && cursor.x < client.left) return HTLEFT;
        break;
    default:
        if (!fixedHeight && cursor.y < client.top) return HTTOP;
        break;
    }
    return HTBORDER;
}

Rect TAppBar::Sizing(SizingSide side, Rect proposed) const {
    const bool docked = IsDockedEdge(edge_);
    const int minWidth = docked ? settings_.MinHorzDockSize : settings_.MinWidth;
    const int minHeight = docked ? settings_.MinVertDockSize : settings_.MinHeight;
    const int width = SnapSize(proposed.Width(), minWidth, settings_.HorzSizeInc);
    const int height = SnapSize(proposed.Height(), minHeight, settings_.VertSizeInc);
    switch (side) {
    case SizingSide::Left:
    case SizingSide::TopLeft:
    case SizingSide::BottomLeft:
        proposed.left = proposed.right - width;
        break;
    case SizingSide::Right:
    case SizingSide::TopRight:
    case SizingSide::BottomRight:
        proposed.right = proposed.left + width;
        break;
    default:
        break;
    }
    switch (side) {
    case SizingSide::Top:
    case SizingSide::TopLeft:
    case SizingSide::TopRight:
        proposed.top = proposed.bottom - height;
        break;
    case SizingSide::Bottom:
    case SizingSide::BottomLeft:
    case SizingSide::BottomRight:
        proposed.bottom = proposed.top + height;
        break;
    default:
        break;
    }
    return proposed;
}

MinMaxInfo TAppBar::GetMinMaxInfo() const {
    if (!IsDockedEdge(edge_))
        return {settings_.MinWidth, settings_.MinHeight, settings_.MaxWidth, settings_.MaxHeight};
    const Rect screen = shell_.ScreenRect();
    MinMaxInfo info{settings_.MinHorzDockSize, settings_.MinVertDockSize, screen.Width(),
                    screen.Height()};
    if (edge_ == abeLeft || edge_ == abeRight)
        info.maxWidth = settings_.MaxHorzDockSize;
    else
        info.maxHeight = settings_.MaxVertDockSize;
    return info;
}

void TAppBar::ShellNotification(ShellNotice notice, bool value) {
    switch (notice) {
    case ShellNotice::PositionChanged:
        PositionChanged();
        break;
    case ShellNotice::FullScreenApp:
        FullScreenAppChanged(value);
        break;
    case ShellNotice::WindowArrange:
        WindowArrange(value);
        break;
    }
}

void TAppBar::OnAppBarStateChange(bool querying, TAppBarEdge proposedEdge) {
    if (querying && !shell_.Metrics().dragFullWindows) return;
    const bool caption = proposedEdge == abeFloat;
    if (caption == hasCaption_) return;
    hasCaption_ = caption;
    shell_.SetFloatingFrame(caption);
}

void TAppBar::AutoHideFailed() {
    ShowMessage(MessageKind::Information,
                "There is already an auto hidden window on this edge.\n\rOnly one auto hidden "
                "window is allowed on each edge.");
}

void TAppBar::FullScreenAppChanged(bool open) {
    fullScreenApp_ = open;
    SetEdge(edge_);
}

void TAppBar::PositionChanged() {
    if (IsDockedEdge(edge_) && !settings_.AutoHide) SetEdge(edge_);
}

void TAppBar::WindowArrange(bool) {}

} // namespace tessarim
