#pragma once
// The application-bar shell of an X11 desktop with an EWMH window manager. A
// docked bar is a window of type _NET_WM_WINDOW_TYPE_DOCK whose reserved strip is
// its _NET_WM_STRUT_PARTIAL (counted from the edges of the whole X screen); a
// floating bar is a framed utility window. Each edge's auto-hide bar is recorded
// on the root window in _TESSARIM_AUTOHIDE_<EDGE>; a recorded window that no
// longer exists does not count. The shell watches the root window for changes of
// the work area and for full-screen windows becoming active.
#include "platform/AppBarShell.h"

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <array>
#include <cstdint>
#include <vector>
#include <xcb/xcb.h>

class QRect;
class QWidget;

namespace tessarim {

// Asks the X server (through the window manager) to give the top-level window
// this geometry, frame excluded. Qt drops a request for the geometry it believes
// the window has; when the window manager's reports crossed earlier requests,
// that belief can be wrong and the window would stay where it is. Does nothing
// on other platforms.
void RequestNativeGeometry(QWidget& window, const QRect& rect);

// Whether the primary pointer button is down, also while the window manager has
// the pointer (Qt hears nothing of it then). False on other platforms.
bool PrimaryButtonDown();

class X11AppBarShell : public AppBarShell, public QObject, public QAbstractNativeEventFilter {
public:
    // Needs the xcb platform.
    X11AppBarShell();
    ~X11AppBarShell() override;

    // The bar's top-level widget; given before the bar registers.
    void SetWindow(QWidget* window);

    // The program as a whole shows no taskbar button (its tray icon stands in),
    // whatever a single window asks for.
    void SetApplicationTaskbarButton(bool shown);

    Rect ScreenRect() const override;
    Rect WorkArea() const override;
    ShellMetrics Metrics() const override;
    std::uint64_t TickCount() const override;
    void Register() override;
    void Remove() override;
    Rect QueryPos(TAppBarEdge edge, Rect proposed) override;
    Rect SetPos(TAppBarEdge edge, Rect rect) override;
    bool IsAutoHideBar(TAppBarEdge edge) override;
    bool SetAutoHideBar(TAppBarEdge edge, bool on) override;
    void SetTopmost(bool topmost) override;
    void SetFloatingFrame(bool floating) override;
    void SetTaskbarEntry(bool shown) override;
    void Activate() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum AtomId : std::size_t {
        WindowType,
        WindowTypeDock,
        WindowTypeToolbar,
        WindowTypeUtility,
        Strut,
        StrutPartial,
        WorkAreaAtom,
        CurrentDesktop,
        ClientList,
        State,
        StateAbove,
        StateBelow,
        StateSkipTaskbar,
        StateSkipPager,
        StateFullscreen,
        ActiveWindow,
        Desktop,
        MotifHints,
        AutoHideLeft,
        AutoHideTop,
        AutoHideRight,
        AutoHideBottom,
        AtomCount
    };

    static std::size_t AutoHideAtom(TAppBarEdge edge) { return AutoHideLeft + std::size_t{edge}; }
    xcb_window_t Window() const;
    // The X server counts device pixels; the bar, as Qt, logical ones.
    qreal Ratio() const;
    int ToLogical(int device) const;
    int ToDevice(int logical) const;
    Rect ToLogical(const Rect& device) const;
    bool IsMapped() const;
    bool WindowExists(xcb_window_t window) const;
    std::vector<std::uint32_t> Property(xcb_window_t window, xcb_atom_t property,
                                        xcb_atom_t type) const;
    void SetProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                     const std::vector<std::uint32_t>& values);
    void DeleteProperty(xcb_window_t window, xcb_atom_t property);
    // Reserved thickness of every other window at each edge (left, top, right,
    // bottom), from their struts.
    std::array<int, 4> OtherStruts() const;
    void ApplyStrut();
    void ApplyWindowKind();
    // Keeps the window on every workspace.
    void CheckAllDesktops();
    void ApplyStates();
    bool SkipsTaskbar() const { return !(taskbarEntry_ && applicationTaskbarButton_); }
    // The _NET_WM_STATE atoms of an unmapped window.
    std::vector<std::uint32_t> StateAtoms() const;
    void ChangeState(bool add, xcb_atom_t first, xcb_atom_t second);
    void CheckWorkArea();
    void CheckFullScreen();
    // A top-level window of this program.
    bool IsOwnWindow(xcb_window_t window) const;

    QWidget* window_ = nullptr;
    xcb_connection_t* connection_;
    xcb_window_t root_;
    std::array<xcb_atom_t, AtomCount> atoms_{};
    bool registered_ = false;
    bool floating_ = true;
    bool topmost_ = false;
    bool taskbarEntry_ = false;
    bool applicationTaskbarButton_ = true;
    std::vector<std::uint32_t> strut_; // the twelve values of _NET_WM_STRUT_PARTIAL, or none
    Rect lastWorkArea_;
    xcb_window_t activeWindow_ = XCB_NONE;
    bool fullScreen_ = false;
};

} // namespace tessarim
