#include "platform/X11Keyboard.h"

#include <QGuiApplication>

namespace tessarim {

xcb_connection_t* X11Connection() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t X11Root() {
    xcb_connection_t* connection = X11Connection();
    if (!connection) return XCB_NONE;
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

std::optional<KeyboardMap::Place> KeyboardMap::Find(xcb_keysym_t keysym) const {
    if (perKeycode == 0) return std::nullopt;
    std::optional<Place> best;
    for (std::size_t i = 0; i < syms.size(); ++i) {
        if (syms[i] != keysym) continue;
        const Place place{static_cast<xcb_keycode_t>(minKeycode + i / perKeycode),
                          static_cast<int>(i % perKeycode)};
        if (!best || place.level < best->level) best = place;
        if (place.level == 0) break;
    }
    return best;
}

std::vector<xcb_keycode_t> KeyboardMap::Spare() const {
    std::vector<xcb_keycode_t> spare;
    if (perKeycode == 0) return spare;
    for (std::size_t code = 0; code * perKeycode < syms.size(); ++code) {
        bool empty = true;
        for (int level = 0; level < perKeycode; ++level)
            if (syms[code * perKeycode + level] != XCB_NO_SYMBOL) empty = false;
        if (empty) spare.push_back(static_cast<xcb_keycode_t>(minKeycode + code));
    }
    return spare;
}

KeyboardMap ReadKeyboardMap(xcb_connection_t* connection) {
    KeyboardMap map;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const auto reply = OwnedReply(xcb_get_keyboard_mapping_reply(
        connection,
        xcb_get_keyboard_mapping(
            connection, setup->min_keycode,
            static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1)),
        nullptr));
    if (!reply) return map;
    map.minKeycode = setup->min_keycode;
    map.perKeycode = reply->keysyms_per_keycode;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.get());
    map.syms.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(reply.get()));
    return map;
}

std::uint16_t ModifierMaskOf(xcb_connection_t* connection, const KeyboardMap& map,
                             xcb_keysym_t keysym) {
    const auto place = map.Find(keysym);
    if (!place) return 0;
    const auto modifiers = OwnedReply(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    if (!modifiers) return 0;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(modifiers.get());
    const int perModifier = modifiers->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier)
        for (int i = 0; i < perModifier; ++i)
            if (codes[modifier * perModifier + i] == place->keycode)
                return static_cast<std::uint16_t>(1u << modifier);
    return 0;
}

} // namespace tessarim
