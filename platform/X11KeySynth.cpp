#include "platform/X11KeySynth.h"

#include "platform/X11Keyboard.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <xcb/xtest.h>

namespace tessarim {

namespace {

// Time for the clients to fetch a changed keyboard map before keys that need
// it arrive, and before the map changes again.
constexpr auto MapSettle = std::chrono::milliseconds(60);

void Fake(xcb_connection_t* connection, xcb_keycode_t keycode, bool press) {
    xcb_test_fake_input(connection, press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode,
                        XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

void Sync(xcb_connection_t* connection) {
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

} // namespace

X11KeySynth::X11KeySynth() {
    connection_ = X11Connection();
    if (connection_) {
        const xcb_query_extension_reply_t* xtest =
            xcb_get_extension_data(connection_, &xcb_test_id);
        if (!xtest || !xtest->present) connection_ = nullptr;
    }
    unbind_.setSingleShot(true);
    unbind_.setInterval(1000);
    connect(&unbind_, &QTimer::timeout, this, [this] { Unbind(); });
}

X11KeySynth::~X11KeySynth() {
    Unbind();
}

bool X11KeySynth::NeedsShift(std::uint32_t keysym) {
    if (!connection_) return false;
    const auto place = ReadKeyboardMap(connection_).Find(keysym);
    return place && place->level > 0;
}

void X11KeySynth::Tap(xcb_keycode_t keycode) {
    Fake(connection_, keycode, true);
    Fake(connection_, keycode, false);
}

void X11KeySynth::Key(std::uint32_t keysym, bool press) {
    if (!connection_) return;
    if (const auto place = ReadKeyboardMap(connection_).Find(keysym)) {
        Fake(connection_, place->keycode, press);
    } else if (press) {
        // A symbol the layout lacks: a spare key stands in, pressed and released at once.
        const auto codes = Bind({keysym});
        if (!codes.empty()) Tap(codes.front());
    }
    xcb_flush(connection_);
}

std::vector<xcb_keycode_t> X11KeySynth::Bind(const std::vector<xcb_keysym_t>& keysyms) {
    // Keys typed on the spare keycodes just now must be read with the map
    // they were typed with.
    if (!bound_.empty()) std::this_thread::sleep_for(MapSettle);
    Unbind();
    const KeyboardMap map = ReadKeyboardMap(connection_);
    const std::vector<xcb_keycode_t> spare = map.Spare();
    if (spare.size() < keysyms.size() || map.perKeycode == 0) return {};
    perKeycode_ = map.perKeycode;
    for (std::size_t i = 0; i < keysyms.size(); ++i) {
        // Every level carries the symbol, so a held Shift does not matter.
        const std::vector<xcb_keysym_t> levels(static_cast<std::size_t>(perKeycode_), keysyms[i]);
        xcb_change_keyboard_mapping(connection_, 1, spare[i],
                                    static_cast<std::uint8_t>(perKeycode_), levels.data());
        bound_.push_back(spare[i]);
    }
    Sync(connection_);
    std::this_thread::sleep_for(MapSettle);
    unbind_.start();
    return bound_;
}

void X11KeySynth::Unbind() {
    if (!connection_ || bound_.empty()) return;
    const std::vector<xcb_keysym_t> empty(static_cast<std::size_t>(perKeycode_), XCB_NO_SYMBOL);
    for (const xcb_keycode_t code : bound_)
        xcb_change_keyboard_mapping(connection_, 1, code, static_cast<std::uint8_t>(perKeycode_),
                                    empty.data());
    bound_.clear();
    xcb_flush(connection_);
}

void X11KeySynth::Type(std::u32string_view text) {
    if (!connection_ || text.empty()) return;
    const std::size_t spareCount = ReadKeyboardMap(connection_).Spare().size() + bound_.size();
    if (spareCount == 0) return;
    // In batches of as many different characters as there are spare keycodes;
    // a batch's map must stay until its keys have been read.
    std::size_t start = 0;
    while (start < text.size()) {
        std::vector<xcb_keysym_t> keysyms;
        std::size_t end = start;
        for (; end < text.size(); ++end) {
            const xcb_keysym_t keysym = CharacterKeysym(text[end]);
            if (std::find(keysyms.begin(), keysyms.end(), keysym) != keysyms.end()) continue;
            if (keysyms.size() == spareCount) break;
            keysyms.push_back(keysym);
        }
        const std::vector<xcb_keycode_t> codes = Bind(keysyms);
        if (codes.empty()) return;
        for (std::size_t i = start; i < end; ++i) {
            const auto at = std::find(keysyms.begin(), keysyms.end(), CharacterKeysym(text[i]));
            Tap(codes[static_cast<std::size_t>(at - keysyms.begin())]);
        }
        xcb_flush(connection_);
        start = end;
    }
}

} // namespace tessarim
