#pragma once
// The top-level widget that carries a TAppBar: it gives the bar its geometry,
// forwards the pointer, activation and timer to it, and does the dragging and
// sizing the bar decides on. It has no frame of its own while docked; floating,
// the window manager frames it.
#include "mainwin/AppBar.h"

#include <QMargins>
#include <QPoint>
#include <QTimer>
#include <QWidget>

namespace tessarim {

class AppBarWidget : public QWidget, public TAppBar {
    Q_OBJECT
public:
    explicit AppBarWidget(AppBarShell& shell, QWidget* parent = nullptr);

    // Joins the shell and takes the first place; the native window is created
    // here if it does not exist yet.
    void CreateBar();
    // Leaves the shell (releasing the reserved strip).
    void DestroyBar();

    // Frame thickness drawn around the client area.
    static constexpr int FrameWidth = 1;

protected:
    Rect WindowRect() const override;
    Rect ClientRect() const override;
    void PlaceWindow(const Rect& rect) override;
    void RepaintNow() override;
    void OnAppBarStateChange(bool querying, TAppBarEdge proposedEdge) override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // What the point (in widget coordinates) is before the bar refines it.
    int DefaultHitCode(QPoint point) const;
    // A floating window's rectangle moved (and if need be narrowed) so that it
    // and its frame lie on the screen.
    Rect KeepOnScreen(Rect rect) const;

private:
    void FollowPointer(QPoint global, Qt::KeyboardModifiers modifiers);
    void ApplySizeLimits(TAppBarEdge edge);
    void RememberFloatingPlace();
    void FollowTitleDrag();
    void KeepDockedPlace();

    enum class Drag { None, Move, Size };
    QTimer timer_;
    QTimer titleDrag_;      // watches a move by the window manager's title bar
    QMargins frameMargins_; // of the window manager's frame, when it last had one
    Drag drag_ = Drag::None;
    int dragCode_ = HTNOWHERE;
    QPoint dragStart_;
    Rect dragRect_;
    QRect placed_; // where the bar last put the window
    bool placing_ = false;
    // Times the docked window was put back where the bar placed it since then;
    // a window manager that insists is not argued with for ever.
    int corrections_ = 0;
    static constexpr int MaxCorrections = 3;
};

} // namespace tessarim
