#pragma once
// A private X server (Xvfb) with a small window manager (openbox), and the means
// to start the desktop program in it, look at its windows and drive it:
// window properties, geometry, synthetic pointer and keys, screenshots.
#include "tests/support/TestSupport.h"

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

namespace tessarim::test {

// The first of the programs not found on PATH, or "" when all are there.
std::string MissingProgram(std::initializer_list<const char*> names);

// A child process, ended (and waited for) when the object goes.
class Process {
public:
    Process(const std::vector<std::string>& argv, const std::vector<std::string>& environment);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    // The exit status once the process has ended within the time, else nothing.
    std::optional<int> WaitForExit(int timeoutMs);

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

class XSession {
public:
    // Starts Xvfb on a free display with a screen of the size and openbox on it.
    explicit XSession(int width = 1024, int height = 768);
    ~XSession();

    const std::string& Display() const { return display_; }
    xcb_window_t Root() const { return root_; }
    // Starts the program as a user would: the command-line program without
    // arguments, which hands over to the desktop program. Its own runtime
    // folder keeps the single-instance name to the test.
    // More environment (QT_SCALE_FACTOR=2, LANG=...) may be given.
    std::unique_ptr<Process> StartProgram(const TempFolder& home, const TempFolder& runtime,
                                          const std::vector<std::string>& environment = {});
    // The environment a program of the test needs to reach this server.
    std::vector<std::string> Environment(const TempFolder& home, const TempFolder& runtime) const;
    // The program's bar once it alone is on the screen, else XCB_NONE.
    xcb_window_t WaitForBar();
    std::vector<xcb_window_t> Bars();
    // Every managed window of the program (bar and dialogs alike).
    std::vector<xcb_window_t> ProgramWindows();

    xcb_atom_t Atom(const char* name);
    // A property's bytes (type XCB_ATOM_ANY: whatever its type), or its 32-bit values.
    std::string StringProperty(xcb_window_t window, const char* name, xcb_atom_t type = 0);
    std::vector<std::uint32_t> Property(xcb_window_t window, const char* name, xcb_atom_t type);
    bool IsViewable(xcb_window_t window);

    struct Geometry {
        int x = 0, y = 0, width = 0, height = 0;
        bool operator==(const Geometry&) const = default;
    };
    // Position in root coordinates and size of the window itself (without frame).
    Geometry WindowGeometry(xcb_window_t window);

    // Synthetic input through the XTEST extension: an event type and its
    // button or keycode (of the standard PC keyboard map Xvfb loads).
    void Input(std::uint8_t type, std::uint8_t detail, int x = 0, int y = 0);
    void MovePointer(int x, int y) { Input(XCB_MOTION_NOTIFY, 0, x, y); }
    void Click(int x, int y, std::uint8_t button = 1);
    // Keycodes of the standard map: 9 Escape, 36 Return, 65 space, 116 Down.
    void Key(std::uint8_t keycode);
    // Sends a client message to the root window, as a pager or tray does.
    void SendRootMessage(xcb_window_t window, const char* type,
                         std::initializer_list<std::uint32_t> data);
    // Becomes the tray host (the owner of _NET_SYSTEM_TRAY_S0) and says so.
    void BecomeTrayHost();
    // The screen's rectangle as a PNG file.
    void SavePng(const std::string& path, int x, int y, int width, int height);

private:
    std::string display_;
    std::optional<Process> server_;
    std::optional<Process> windowManager_;
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
};

// Polls the condition every 20 ms until it holds or the time is up.
template <class Condition>
bool WaitFor(Condition condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace tessarim::test
