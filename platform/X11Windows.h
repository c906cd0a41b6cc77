#pragma once
// Other programs' windows on an X11 desktop: the window manager's client list
// (_NET_CLIENT_LIST), or without an EWMH manager the top-level windows that
// carry WM_STATE; captions from _NET_WM_NAME or WM_NAME. Windows can vanish
// while they are looked at: such a window is simply not listed.
#include "platform/Windows.h"

#include <map>
#include <string>
#include <xcb/xcb.h>

namespace tessarim {

class X11DesktopWindows final : public DesktopWindows {
public:
    X11DesktopWindows();

    std::vector<DesktopWindow> List() override;
    bool Exists(WindowId window) override;
    bool Activate(WindowId window) override;

private:
    xcb_atom_t Atom(const char* name);
    std::vector<std::uint32_t> Cardinals(xcb_window_t window, xcb_atom_t property, xcb_atom_t type);
    std::string Text(xcb_window_t window, xcb_atom_t property, xcb_atom_t type);
    std::vector<xcb_window_t> Clients();
    bool Wanted(xcb_window_t window);
    bool HasFocus(xcb_window_t window);
    void SendClientMessage(xcb_window_t window, xcb_atom_t type, std::uint32_t d0, std::uint32_t d1,
                           std::uint32_t d2);

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
    std::map<std::string, xcb_atom_t> atoms_;
};

} // namespace tessarim
