#pragma once
// `TAppBar`: a window that docks at a screen edge and reserves a strip of the
// work area, hides itself to a thin line when asked to, or floats as a small tool
// window. This is the bar's logic only: it decides edges, rectangles and
// hit-test answers, and speaks to the desktop through an AppBarShell. The window
// that carries it supplies its geometry and forwards its events.
#include "platform/AppBarShell.h"

#include <cstdint>

namespace tessarim {

enum TAppBarFlag : std::uint8_t {
    abfAllowLeft = 0,
    abfAllowTop = 1,
    abfAllowRight = 2,
    abfAllowBottom = 3,
    abfAllowFloat = 4,
};
// A set of TAppBarFlag: bit n stands for flag n.
using TAppBarFlags = std::uint8_t;
inline constexpr TAppBarFlags FlagBit(TAppBarFlag flag) {
    return static_cast<TAppBarFlags>(1u << flag);
}
inline constexpr TAppBarFlags AllAppBarFlags = 0x1F;

enum TAppBarTaskEntry : std::uint8_t { abtShow, abtHide, abtFloatDependent };

// What a point of the window does for the pointer, numbered as the desktop's
// non-client hit codes.
enum HitCode : int {
    HTNOWHERE = 0,
    HTCLIENT = 1,
    HTCAPTION = 2,
    HTLEFT = 10,
    HTRIGHT = 11,
    HTTOP = 12,
    HTTOPLEFT = 13,
    HTTOPRIGHT = 14,
    HTBOTTOM = 15,
    HTBOTTOMLEFT = 16,
    HTBOTTOMRIGHT = 17,
    HTBORDER = 18,
};

// The border or corner being dragged while the window is resized.
enum class SizingSide { Left, Right, Top, TopLeft, TopRight, Bottom, BottomLeft, BottomRight };

struct MinMaxInfo {
    int minWidth = 0;
    int minHeight = 0;
    int maxWidth = 0;
    int maxHeight = 0;
};

struct TAppBarSettings {
    TAppBarFlags Flags = AllAppBarFlags;
    bool AutoHide = false;
    bool AlwaysOnTop = true;
    bool SlideEffect = true;
    std::uint32_t SlideTime = 400; // ms; also the auto-hide timer's interval
    std::uint32_t HorzSizeInc = 1; // width step; 0: the width cannot change
    std::uint32_t VertSizeInc = 1; // height step; 0: the height cannot change
    std::uint32_t HorzDockSize = 32;
    std::uint32_t VertDockSize = 32;
    int FloatLeft = 0;
    int FloatTop = 0;
    int FloatRight = 0;
    int FloatBottom = 0;
    int MinWidth = 0;
    int MinHeight = 0;
    int MaxWidth = 0;  // the constructor sets the screen's size
    int MaxHeight = 0; //
    int MinHorzDockSize = 0;
    int MinVertDockSize = 0;
    int MaxHorzDockSize = 0; // the constructor sets half the screen
    int MaxVertDockSize = 0; //
    TAppBarTaskEntry TaskEntry = abtFloatDependent;

    Rect FloatRect() const { return {FloatLeft, FloatTop, FloatRight, FloatBottom}; }
    void SetFloatRect(const Rect& rect);
};

class TAppBar {
public:
    explicit TAppBar(AppBarShell& shell);
    virtual ~TAppBar() = default;
    TAppBar(const TAppBar&) = delete;
    TAppBar& operator=(const TAppBar&) = delete;

    TAppBarSettings& BarSettings() { return settings_; }
    const TAppBarSettings& BarSettings() const { return settings_; }
    bool Allows(TAppBarFlag flag) const { return (settings_.Flags & FlagBit(flag)) != 0; }

    TAppBarEdge Edge() const { return edge_; }
    // Moves the bar to the edge (or floats it, or unregisters it with abeUnknown)
    // and brings the shell, the stacking and the window's frame in line.
    void SetEdge(TAppBarEdge edge);
    // Re-applies the current edge after AutoHide or AlwaysOnTop changed.
    virtual void UpdateBar();

    bool AutoHideShown() const { return autoHideShown_; }
    bool FullScreenApp() const { return fullScreenApp_; }
    TAppBarEdge DragEdge() const { return dragEdge_; }

    // Geometry rules.
    Rect GetDockRect(TAppBarEdge edge);
    // Places rect (keeping its size) where a docked auto-hide bar lies when shown
    // or hidden; false, and rect unchanged, for any other bar.
    bool GetAutoHideRect(bool shown, Rect& rect) const;
    TAppBarEdge CalcProposedEdge(Point cursor) const;
    // The rectangle of a slide from start to target after elapsed of slideTime ms.
    static Rect SlideStep(const Rect& start, const Rect& target, std::uint64_t elapsed,
                          std::uint32_t slideTime);

    // Events the window forwards.
    void AppBarCreated();        // the window exists and has its first place
    void AppBarDestroyed();      // the window is going
    void Activated(bool active); // it became the active window or stopped being it
    void PointerTouched();       // the pointer is over the window
    void TimerTick(Point cursor, bool active);
    void EnterSizeMove(); // a drag or resize begins
    Rect Moving(Point cursor, bool ctrlHeld, Rect moving);
    void ExitSizeMove(); // the drag or resize ended
    // Refines the window's own answer for the pointer at cursor; pressOnBackground
    // is a primary-button press on the client area where no control lies.
    int HitTest(int defaultCode, Point cursor, bool pressOnBackground) const;
    Rect Sizing(SizingSide side, Rect proposed) const;
    MinMaxInfo GetMinMaxInfo() const;
    void ShellNotification(ShellNotice notice, bool value);

    void ShowAutoHideBar(bool show);
    // The user called the bar (another start, the tray icon): an auto-hide bar
    // comes out and stays until the user has been with it, since the window
    // manager may not hand it the keyboard at once.
    void RevealOnRequest();

protected:
    // Called when the bar's state changed (querying false) or, during a drag,
    // when an edge is proposed (querying true). The base gives a floating bar its
    // caption and takes it from a docked one.
    virtual void OnAppBarStateChange(bool querying, TAppBarEdge proposedEdge);
    virtual void AutoHideFailed();
    virtual void FullScreenAppChanged(bool open);
    virtual void PositionChanged();
    virtual void WindowArrange(bool beginning);

    // The carrying window.
    virtual Rect WindowRect() const = 0;
    virtual Rect ClientRect() const = 0; // in screen coordinates
    // Moves and sizes the window without changing its stacking or activating it.
    virtual void PlaceWindow(const Rect& rect) = 0;
    // Paints the window at once, during an animation.
    virtual void RepaintNow() = 0;

    AppBarShell& Shell() { return shell_; }
    void SlideWindow(const Rect& target);

private:
    AppBarShell& shell_;
    TAppBarSettings settings_;
    TAppBarEdge edge_ = abeFloat;
    TAppBarEdge dragEdge_ = abeUnknown;
    bool fullScreenApp_ = false;
    bool autoHideShown_ = false;
    bool heldOut_ = false;   // revealed on request, neither active nor touched since
    bool hasCaption_ = true; // a new window has its designed frame
};

} // namespace tessarim
