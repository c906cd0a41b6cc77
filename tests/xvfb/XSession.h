#pragma once
// A private X server (Xvfb) with a small window manager (openbox), and the means
// to look at and drive the desktop program in it: window properties, geometry,
// synthetic pointer and keys, screenshots.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

namespace tessarim::test {

// Whether a program can be found on PATH.
bool ProgramInstalled(const std::string& name);

// A child process, ended (and waited for) when the object goes.
class Process {
public:
    Process(const std::vector<std::string>& argv, const std::vector<std::string>& environment);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    // The exit status once the process has ended within the time, else nothing.
    std::optional<int> WaitForExit(int timeoutMs);
    pid_t Id() const { return pid_; }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

class XSession {
public:
    // Starts Xvfb on a free display with a 1024 x 768 screen and openbox on it.
    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    const std::string& Display() const { return display_; }
    xcb_connection_t* Connection() const { return connection_; }
    xcb_window_t Root() const { return root_; }

    xcb_atom_t Atom(const char* name);
    std::vector<std::uint32_t> Property(xcb_window_t window, const char* name, xcb_atom_t type);
    std::vector<std::uint32_t> AtomProperty(xcb_window_t window, const char* name);
    std::string StringProperty(xcb_window_t window, const char* name);
    std::vector<xcb_window_t> ClientList();
    bool IsViewable(xcb_window_t window);

    struct Geometry {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };
    // Position in root coordinates and size of the window itself (without frame).
    Geometry WindowGeometry(xcb_window_t window);

    void MovePointer(int x, int y);
    void Button(int button, bool press);
    void Key(std::uint32_t keysym, bool press);
    // Processes this connection's events and lets the server settle.
    void Sync();

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
