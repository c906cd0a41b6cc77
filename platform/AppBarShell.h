#pragma once
// The desktop shell as an application bar sees it: the screen and its work area,
// the strip a docked bar reserves, the one auto-hide bar each edge may have, and
// what the window manager does with the bar's own window (stacking, frame,
// taskbar entry). The bar's logic talks only to this interface; X11AppBarShell
// is the Linux desktop and tests use a fake.
#include <cstdint>
#include <functional>
#include <utility>

namespace tessarim {

// The screen edge a bar is docked at, or its floating and unregistered states.
enum TAppBarEdge : std::uint8_t {
    abeLeft = 0,
    abeTop = 1,
    abeRight = 2,
    abeBottom = 3,
    abeUnknown = 4,
    abeFloat = 5,
};

inline constexpr bool IsDockedEdge(TAppBarEdge edge) {
    return edge <= abeBottom;
}

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// Screen coordinates; left and top lie inside, right and bottom just outside.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    Rect Inflated(int dx, int dy) const { return {left - dx, top - dy, right + dx, bottom + dy}; }
    Rect MovedTo(int x, int y) const { return {x, y, x + Width(), y + Height()}; }
    bool operator==(const Rect&) const = default;
};

// Sizes and habits of the desktop that the bar's geometry depends on.
struct ShellMetrics {
    int borderWidth = 1;       // a thin window border
    int borderHeight = 1;      //
    int doubleClickWidth = 4;  // how far the pointer may stray and still count as near
    int doubleClickHeight = 4; //
    int vScrollWidth = 16;     // the margin inside the work area that still proposes an edge
    int hScrollHeight = 16;    //
    // Whether a window can change its frame while it is being dragged, and so
    // whether movements may be animated.
    bool dragFullWindows = true;
};

// What the shell tells a registered bar.
enum class ShellNotice {
    PositionChanged = 1, // the work area changed; docked bars re-apply their place
    FullScreenApp = 2,   // a full-screen window opened (true) or closed (false)
    WindowArrange = 3,   // windows are being tiled or cascaded
};

class AppBarShell {
public:
    virtual ~AppBarShell() = default;

    // The whole screen, and the part of it other windows may use.
    virtual Rect ScreenRect() const = 0;
    virtual Rect WorkArea() const = 0;
    virtual ShellMetrics Metrics() const = 0;
    // Milliseconds from an arbitrary start; paces animations.
    virtual std::uint64_t TickCount() const = 0;

    // The bar joins and leaves the shell's list of bars.
    virtual void Register() = 0;
    virtual void Remove() = 0;
    // The rectangle the bar could have at the edge, moved clear of other bars.
    virtual Rect QueryPos(TAppBarEdge edge, Rect proposed) = 0;
    // Reserves the rectangle at the edge (an empty one reserves nothing) and
    // returns what was granted.
    virtual Rect SetPos(TAppBarEdge edge, Rect rect) = 0;
    // Each edge has at most one auto-hide bar. Registering fails while another
    // live bar holds the edge.
    virtual bool IsAutoHideBar(TAppBarEdge edge) = 0;
    virtual bool SetAutoHideBar(TAppBarEdge edge, bool on) = 0;

    // Above all ordinary windows, or below them.
    virtual void SetTopmost(bool topmost) = 0;
    // A floating bar is a small framed tool window with a caption; a docked bar
    // has no frame.
    virtual void SetFloatingFrame(bool floating) = 0;
    virtual void SetTaskbarEntry(bool shown) = 0;
    // Gives the bar the keyboard as the user asked for it (another start, the
    // tray icon), in a way a manager that keeps focus from programs obeys.
    virtual void Activate() = 0;

    using NoticeHandler = std::function<void(ShellNotice, bool)>;
    void SetNoticeHandler(NoticeHandler handler) { notice_ = std::move(handler); }

protected:
    void Notify(ShellNotice notice, bool value) {
        if (notice_) notice_(notice, value);
    }

private:
    NoticeHandler notice_;
};

} // namespace tessarim
