#include "mainwin/AppBarWidget.h"

#include "platform/X11AppBarShell.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <algorithm>

namespace tessarim {

namespace {

Rect ToRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

Point ToPoint(QPoint point) {
    return {point.x(), point.y()};
}

SizingSide SideOf(int code) {
    switch (code) {
    case HTLEFT:
        return SizingSide::Left;
    case HTRIGHT:
        return SizingSide::Right;
    case HTTOP:
        return SizingSide::Top;
    case HTTOPLEFT:
        return SizingSide::TopLeft;
    case HTTOPRIGHT:
        return SizingSide::TopRight;
    case HTBOTTOM:
        return SizingSide::Bottom;
    case HTBOTTOMLEFT:
        return SizingSide::BottomLeft;
    default:
        return SizingSide::BottomRight;
    }
}

Qt::CursorShape SizeCursor(int code) {
    switch (code) {
    case HTLEFT:
    case HTRIGHT:
        return Qt::SizeHorCursor;
    case HTTOP:
    case HTBOTTOM:
        return Qt::SizeVerCursor;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
        return Qt::SizeFDiagCursor;
    default:
        return Qt::SizeBDiagCursor;
    }
}

} // namespace

AppBarWidget::AppBarWidget(AppBarShell& shell, QWidget* parent)
    : QWidget(parent, Qt::Tool), TAppBar(shell) {
    setMouseTracking(true);
    shell.SetNoticeHandler(
        [this](ShellNotice notice, bool value) { ShellNotification(notice, value); });
    connect(&timer_, &QTimer::timeout, this,
            [this] { TimerTick(ToPoint(QCursor::pos()), isActiveWindow()); });
    titleDrag_.setInterval(50);
    connect(&titleDrag_, &QTimer::timeout, this, [this] { FollowTitleDrag(); });
}

void AppBarWidget::CreateBar() {
    winId();
    timer_.start(static_cast<int>(BarSettings().SlideTime));
    AppBarCreated();
    // Once the first layout is done, record the sizes it produced.
    QTimer::singleShot(0, this, [this] {
        EnterSizeMove();
        ExitSizeMove();
    });
}

void AppBarWidget::DestroyBar() {
    timer_.stop();
    AppBarDestroyed();
}

Rect AppBarWidget::WindowRect() const {
    // The window without the window manager's frame: a floating bar's frame is
    // the window manager's to draw and comes and goes with docking.
    return ToRect(geometry());
}

Rect AppBarWidget::KeepOnScreen(Rect rect) const {
    // The frame too: a title bar off the screen could not be taken again.
    const Rect screen = const_cast<AppBarWidget*>(this)->Shell().ScreenRect();
    const QMargins frame = frameMargins_;
    const int width = std::min(rect.Width(), screen.Width() - frame.left() - frame.right());
    const int height = std::min(rect.Height(), screen.Height() - frame.top() - frame.bottom());
    const int left = std::clamp(rect.left, screen.left + frame.left(),
                                std::max(screen.right - frame.right() - width, screen.left));
    const int top = std::clamp(rect.top, screen.top + frame.top(),
                               std::max(screen.bottom - frame.bottom() - height, screen.top));
    return {left, top, left + width, top + height};
}

Rect AppBarWidget::ClientRect() const {
    const QRect client = rect().adjusted(FrameWidth, FrameWidth, -FrameWidth, -FrameWidth);
    return ToRect(client.translated(mapToGlobal(QPoint(0, 0))));
}

void AppBarWidget::PlaceWindow(const Rect& rect) {
    // A floating bar and its frame stay on the screen.
    const Rect kept = Edge() == abeFloat ? KeepOnScreen(rect) : rect;
    const QRect target(kept.left, kept.top, std::max(kept.Width(), 1), std::max(kept.Height(), 1));
    // The auto-hide timer places a hidden bar where it already is.
    if (Edge() != abeFloat && geometry() == target && placed_ == target) return;
    placing_ = true;
    // The bar decides its size; the limits only guide the window manager.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    // The window itself is placed (setGeometry, not move): a floating bar's
    // frame goes around it, and a docked bar has none, whatever the window had
    // a moment ago.
    const bool believedThere = geometry() == target;
    setGeometry(target);
    if (believedThere) RequestNativeGeometry(*this, target);
    if (Edge() == abeFloat) ApplySizeLimits(abeFloat);
    placed_ = target;
    corrections_ = 0;
    placing_ = false;
}

void AppBarWidget::RepaintNow() {
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void AppBarWidget::OnAppBarStateChange(bool querying, TAppBarEdge proposedEdge) {
    TAppBar::OnAppBarStateChange(querying, proposedEdge);
    if (querying) return;
    ApplySizeLimits(proposedEdge);
    // A window that just lost its frame is where its frame left it, and Qt may
    // not know: tell the server too.
    if (IsDockedEdge(proposedEdge)) {
        placing_ = true;
        if (geometry() != placed_) setGeometry(placed_);
        RequestNativeGeometry(*this, placed_);
        placing_ = false;
    }
}

void AppBarWidget::ApplySizeLimits(TAppBarEdge edge) {
    if (edge != abeFloat) {
        // A docked bar is placed by the bar alone.
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setSizeIncrement(0, 0);
        // A window manager keeps a window at least as large as its base size.
        setBaseSize(0, 0);
        return;
    }
    const MinMaxInfo limits = GetMinMaxInfo();
    const TAppBarSettings& settings = BarSettings();
    // A dimension without a step keeps its size.
    const int minWidth = settings.HorzSizeInc == 0 ? width() : limits.minWidth;
    const int maxWidth = settings.HorzSizeInc == 0 ? width() : limits.maxWidth;
    const int minHeight = settings.VertSizeInc == 0 ? height() : limits.minHeight;
    const int maxHeight = settings.VertSizeInc == 0 ? height() : limits.maxHeight;
    setMinimumSize(std::max(minWidth, 1), std::max(minHeight, 1));
    setMaximumSize(std::max(maxWidth, 1), std::max(maxHeight, 1));
    setSizeIncrement(static_cast<int>(settings.HorzSizeInc),
                     static_cast<int>(settings.VertSizeInc));
    // The base is the smallest size the window may have: a window manager
    // counts steps from it, and would grow a window smaller than it.
    setBaseSize(std::max(minWidth, 1), std::max(minHeight, 1));
}

int AppBarWidget::DefaultHitCode(QPoint point) const {
    const bool left = point.x() < FrameWidth;
    const bool right = point.x() >= width() - FrameWidth;
    const bool top = point.y() < FrameWidth;
    const bool bottom = point.y() >= height() - FrameWidth;
    if (top) return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
    if (bottom) return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    return HTCLIENT;
}

void AppBarWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint local = event->position().toPoint();
    const bool onBackground = childAt(local) == nullptr;
    const int code =
        HitTest(DefaultHitCode(local), ToPoint(event->globalPosition().toPoint()), onBackground);
    if (code == HTCAPTION) {
        drag_ = Drag::Move;
    } else if (code >= HTLEFT && code <= HTBOTTOMRIGHT) {
        drag_ = Drag::Size;
    } else {
        return;
    }
    dragCode_ = code;
    dragStart_ = event->globalPosition().toPoint();
    dragRect_ = WindowRect();
    EnterSizeMove();
}

void AppBarWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    if (drag_ != Drag::None) {
        FollowPointer(global, event->modifiers());
        return;
    }
    const int code = HitTest(DefaultHitCode(event->position().toPoint()), ToPoint(global), false);
    if (code >= HTLEFT && code <= HTBOTTOMRIGHT)
        setCursor(SizeCursor(code));
    else
        unsetCursor();
    PointerTouched();
}

void AppBarWidget::FollowPointer(QPoint global, Qt::KeyboardModifiers modifiers) {
    const QPoint delta = global - dragStart_;
    Rect rect = dragRect_;
    if (drag_ == Drag::Move) {
        rect = rect.MovedTo(rect.left + delta.x(), rect.top + delta.y());
        rect = Moving(ToPoint(global), modifiers.testFlag(Qt::ControlModifier), rect);
        // The pointer goes on from wherever the bar put the window.
        dragRect_ = rect;
        dragStart_ = global;
    } else {
        const SizingSide side = SideOf(dragCode_);
        if (side == SizingSide::Left || side == SizingSide::TopLeft ||
            side == SizingSide::BottomLeft)
            rect.left += delta.x();
        if (side == SizingSide::Right || side == SizingSide::TopRight ||
            side == SizingSide::BottomRight)
            rect.right += delta.x();
        if (side == SizingSide::Top || side == SizingSide::TopLeft || side == SizingSide::TopRight)
            rect.top += delta.y();
        if (side == SizingSide::Bottom || side == SizingSide::BottomLeft ||
            side == SizingSide::BottomRight)
            rect.bottom += delta.y();
        rect = Sizing(side, rect);
        const MinMaxInfo limits = GetMinMaxInfo();
        if (rect.Width() < limits.minWidth || rect.Width() > limits.maxWidth ||
            rect.Height() < limits.minHeight || rect.Height() > limits.maxHeight)
            return;
    }
    PlaceWindow(rect);
}

void AppBarWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (drag_ == Drag::None || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    drag_ = Drag::None;
    ExitSizeMove();
}

void AppBarWidget::enterEvent(QEnterEvent* event) {
    PointerTouched();
    QWidget::enterEvent(event);
}

void AppBarWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) Activated(isActiveWindow());
    QWidget::changeEvent(event);
}

void AppBarWidget::RememberFloatingPlace() {
    if (Edge() != abeFloat || drag_ != Drag::None || placing_ || !isVisible()) return;
    const QMargins frame(geometry().left() - frameGeometry().left(),
                         geometry().top() - frameGeometry().top(),
                         frameGeometry().right() - geometry().right(),
                         frameGeometry().bottom() - geometry().bottom());
    if (!frame.isNull()) frameMargins_ = frame;
    // The window manager moved or sized the floating bar by its frame.
    BarSettings().SetFloatRect(WindowRect());
    // Moved by its title bar: where the button comes up decides, as for the
    // grip. Some window managers tell of the move only once the button is up,
    // the pointer still on the title bar.
    if (titleDrag_.isActive()) return;
    const QPoint cursor = QCursor::pos();
    const bool onFrame = frameGeometry().contains(cursor) && !geometry().contains(cursor);
    if (!PrimaryButtonDown() && !onFrame) return;
    EnterSizeMove();
    titleDrag_.start();
}

void AppBarWidget::FollowTitleDrag() {
    if (PrimaryButtonDown()) return;
    titleDrag_.stop();
    const QPoint cursor = QCursor::pos();
    const Rect window = Moving(ToPoint(cursor), false, WindowRect());
    if (IsDockedEdge(DragEdge())) {
        ExitSizeMove();
        return;
    }
    // Still floating: where the window manager left it, on the screen.
    ExitSizeMove();
    PlaceWindow(window);
}

void AppBarWidget::KeepDockedPlace() {
    // A docked bar is placed by the bar alone. A request that crossed the frame
    // change may have been applied to the framed window, with its size hints,
    // and the window manager keeps that size when it takes the window on again.
    if (!IsDockedEdge(Edge()) || placing_ || drag_ != Drag::None || geometry() == placed_ ||
        corrections_ >= MaxCorrections)
        return;
    ++corrections_;
    QTimer::singleShot(0, this, [this] {
        if (!IsDockedEdge(Edge()) || geometry() == placed_) return;
        placing_ = true;
        setGeometry(placed_);
        RequestNativeGeometry(*this, placed_);
        placing_ = false;
    });
}

void AppBarWidget::moveEvent(QMoveEvent* event) {
    RememberFloatingPlace();
    KeepDockedPlace();
    QWidget::moveEvent(event);
}

void AppBarWidget::resizeEvent(QResizeEvent* event) {
    RememberFloatingPlace();
    KeepDockedPlace();
    QWidget::resizeEvent(event);
}

} // namespace tessarim
