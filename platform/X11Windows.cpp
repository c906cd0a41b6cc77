#include "platform/X11Windows.h"

#include "platform/X11Keyboard.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <unistd.h>

namespace tessarim {

namespace {

constexpr std::uint32_t WmStateIconic = 3;
// _NET_ACTIVE_WINDOW's source: a pager, which the manager obeys without
// second-guessing focus stealing.
constexpr std::uint32_t SourcePager = 2;

} // namespace

X11DesktopWindows::X11DesktopWindows() {
    connection_ = X11Connection();
    root_ = X11Root();
}

xcb_atom_t X11DesktopWindows::Atom(const char* name) {
    if (const auto known = atoms_.find(name); known != atoms_.end()) return known->second;
    const auto reply = OwnedReply(xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr));
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    if (atom != XCB_ATOM_NONE) atoms_[name] = atom;
    return atom;
}

std::vector<std::uint32_t> X11DesktopWindows::Cardinals(xcb_window_t window, xcb_atom_t property,
                                                        xcb_atom_t type) {
    const auto reply = OwnedReply(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, property, type, 0, 4096), nullptr));
    if (!reply || reply->format != 32) return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

std::string X11DesktopWindows::Text(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
    const auto reply = OwnedReply(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, property, type, 0, 1024), nullptr));
    if (!reply || reply->format != 8) return {};
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return {bytes, static_cast<std::size_t>(xcb_get_property_value_length(reply.get()))};
}

std::vector<xcb_window_t> X11DesktopWindows::Clients() {
    const std::vector<std::uint32_t> list =
        Cardinals(root_, Atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
    if (!list.empty()) return list;
    // No EWMH manager: the managed windows are those with WM_STATE, among the
    // root's children or, under a reparenting manager, their children.
    const xcb_atom_t wmState = Atom("WM_STATE");
    std::vector<xcb_window_t> found;
    const auto children = [this](xcb_window_t parent) {
        const auto tree = OwnedReply(
            xcb_query_tree_reply(connection_, xcb_query_tree(connection_, parent), nullptr));
        if (!tree) return std::vector<xcb_window_t>{};
        const xcb_window_t* kids = xcb_query_tree_children(tree.get());
        return std::vector<xcb_window_t>(kids, kids + xcb_query_tree_children_length(tree.get()));
    };
    for (const xcb_window_t top : children(root_)) {
        if (!Cardinals(top, wmState, wmState).empty()) {
            found.push_back(top);
            continue;
        }
        for (const xcb_window_t inner : children(top))
            if (!Cardinals(inner, wmState, wmState).empty()) found.push_back(inner);
    }
    return found;
}

bool X11DesktopWindows::Wanted(xcb_window_t window) {
    const std::vector<std::uint32_t> types =
        Cardinals(window, Atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM);
    const xcb_atom_t dock = Atom("_NET_WM_WINDOW_TYPE_DOCK");
    const xcb_atom_t desktop = Atom("_NET_WM_WINDOW_TYPE_DESKTOP");
    for (const std::uint32_t type : types)
        if (type == dock || type == desktop) return false;
    const std::vector<std::uint32_t> pid =
        Cardinals(window, Atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
    return pid.empty() || pid.front() != static_cast<std::uint32_t>(::getpid());
}

std::vector<DesktopWindow> X11DesktopWindows::List() {
    std::vector<DesktopWindow> windows;
    if (!connection_) return windows;
    const xcb_atom_t netName = Atom("_NET_WM_NAME");
    const xcb_atom_t utf8 = Atom("UTF8_STRING");
    for (const xcb_window_t window : Clients()) {
        if (!Exists(window) || !Wanted(window)) continue;
        DesktopWindow entry;
        entry.id = window;
        entry.caption = Text(window, netName, utf8);
        if (entry.caption.empty()) entry.caption = Text(window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY);
        // WM_CLASS: instance name, NUL, class name, NUL.
        const std::string wmClass = Text(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
        const std::size_t nul = wmClass.find('\0');
        if (nul != std::string::npos) entry.className = wmClass.substr(nul + 1);
        if (!entry.className.empty() && entry.className.back() == '\0') entry.className.pop_back();
        windows.push_back(std::move(entry));
    }
    return windows;
}

bool X11DesktopWindows::Exists(WindowId window) {
    if (!connection_ || window == 0) return false;
    const auto attributes = OwnedReply(xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr));
    return attributes != nullptr;
}

void X11DesktopWindows::SendClientMessage(xcb_window_t window, xcb_atom_t type, std::uint32_t d0,
                                          std::uint32_t d1, std::uint32_t d2) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    message.data.data32[0] = d0;
    message.data.data32[1] = d1;
    message.data.data32[2] = d2;
    xcb_send_event(connection_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
}

bool X11DesktopWindows::HasFocus(xcb_window_t window) {
    const auto focus = OwnedReply(
        xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    if (!focus) return false;
    // The focus may sit on a window inside the client (or the client inside a frame).
    for (xcb_window_t at = focus->focus; at != XCB_NONE && at != root_;) {
        if (at == window) return true;
        const auto tree =
            OwnedReply(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, at), nullptr));
        if (!tree) return false;
        at = tree->parent;
    }
    return false;
}

bool X11DesktopWindows::Activate(WindowId window) {
    if (!Exists(window)) return false;
    if (HasFocus(window)) return true;
    const xcb_atom_t wmState = Atom("WM_STATE");
    const std::vector<std::uint32_t> state = Cardinals(window, wmState, wmState);
    if (!state.empty() && state.front() == WmStateIconic) xcb_map_window(connection_, window);
    if (!Cardinals(root_, Atom("_NET_SUPPORTED"), XCB_ATOM_ATOM).empty()) {
        SendClientMessage(window, Atom("_NET_ACTIVE_WINDOW"), SourcePager, XCB_CURRENT_TIME, 0);
    } else {
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(connection_, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    }
    xcb_flush(connection_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < deadline) {
        if (HasFocus(window)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

} // namespace tessarim
