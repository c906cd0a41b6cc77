#pragma once
// Other programs' top-level windows: listed, tested and brought forward.
#include <cstdint>
#include <string>
#include <vector>

namespace tessarim {

// A window's id plays the part of its handle.
using WindowId = std::uint32_t;

struct DesktopWindow {
    WindowId id = 0;
    std::string caption;   // UTF-8
    std::string className; // the class part of WM_CLASS
};

class DesktopWindows {
public:
    virtual ~DesktopWindows() = default;
    // The application windows of the desktop in the window manager's order,
    // minimized ones included; docks, the desktop and this program's own
    // windows are left out.
    virtual std::vector<DesktopWindow> List() = 0;
    // The window still exists.
    virtual bool Exists(WindowId window) = 0;
    // Restores the window if it is minimized, raises it and gives it the
    // keyboard. True once the window (or a window inside it) has the keyboard;
    // false when it does not get it within a moment.
    virtual bool Activate(WindowId window) = 0;
};

} // namespace tessarim
