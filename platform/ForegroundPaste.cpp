#include "platform/ForegroundPaste.h"

#include "platform/X11Keyboard.h"

#include <cstdint>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace tessarim {

namespace {

constexpr xcb_keysym_t ControlKeysym = 0xffe3; // XK_Control_L
constexpr xcb_keysym_t VKeysym = 0x0076;       // XK_v

xcb_keycode_t KeycodeOf(xcb_connection_t* connection, xcb_keysym_t keysym) {
    const auto place = ReadKeyboardMap(connection).Find(keysym);
    return place ? place->keycode : 0;
}

void FakeKey(xcb_connection_t* connection, xcb_keycode_t code, bool press) {
    xcb_test_fake_input(connection, press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, code, XCB_CURRENT_TIME,
                        XCB_NONE, 0, 0, 0);
}

void ReleaseHeldModifiers(xcb_connection_t* connection) {
    const auto keymap =
        OwnedReply(xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr));
    const auto modifiers = OwnedReply(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    if (!keymap || !modifiers) return;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(modifiers.get());
    const int count = xcb_get_modifier_mapping_keycodes_length(modifiers.get());
    for (int i = 0; i < count; ++i) {
        const xcb_keycode_t code = codes[i];
        if (code != 0 && (keymap->keys[code / 8] >> (code % 8) & 1))
            FakeKey(connection, code, false);
    }
}

} // namespace

void X11ForegroundPaste::PasteToForeground() {
    xcb_connection_t* connection = X11Connection();
    if (!connection) return;
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(connection, &xcb_test_id);
    if (!xtest || !xtest->present) return;
    const auto focus =
        OwnedReply(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    if (!focus || focus->focus == XCB_NONE) return;
    const xcb_keycode_t control = KeycodeOf(connection, ControlKeysym);
    const xcb_keycode_t v = KeycodeOf(connection, VKeysym);
    if (control == 0 || v == 0) return;
    ReleaseHeldModifiers(connection);
    FakeKey(connection, control, true);
    FakeKey(connection, v, true);
    FakeKey(connection, v, false);
    FakeKey(connection, control, false);
    xcb_flush(connection);
}

} // namespace tessarim
