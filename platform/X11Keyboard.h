#pragma once
// The X keyboard map as the hotkeys and the key sender read it.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>
#include <xcb/xcb.h>

namespace tessarim {

template <class T>
std::unique_ptr<T, decltype(&std::free)> OwnedReply(T* reply) {
    return {reply, &std::free};
}

// The application's X connection, or nullptr off X11 (Wayland, offscreen).
xcb_connection_t* X11Connection();
xcb_window_t X11Root();

struct KeyboardMap {
    xcb_keycode_t minKeycode = 0;
    int perKeycode = 0;
    std::vector<xcb_keysym_t> syms;

    // The keycode carrying the keysym and the level it sits at (0 plain,
    // 1 with Shift, ...), preferring the lowest level.
    struct Place {
        xcb_keycode_t keycode = 0;
        int level = 0;
    };
    std::optional<Place> Find(xcb_keysym_t keysym) const;
    // Keycodes that carry no symbol at all, free to be bound for a moment.
    std::vector<xcb_keycode_t> Spare() const;
};

KeyboardMap ReadKeyboardMap(xcb_connection_t* connection);

// The modifier mask a key sets (Num_Lock's is usually Mod2), or 0.
std::uint16_t ModifierMaskOf(xcb_connection_t* connection, const KeyboardMap& map,
                             xcb_keysym_t keysym);

} // namespace tessarim
