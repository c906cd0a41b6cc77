#pragma once
// Typing through the XTEST extension. Keys the layout has are pressed by
// their keycode. Characters it lacks are typed on spare keycodes (keycodes
// without symbols) bound to the characters' keysyms for the time of the
// typing: every client reads the new map before the keys that follow, and the
// spare keycodes are cleared again a moment later.
#include "platform/KeySynth.h"

#include <QObject>
#include <QTimer>
#include <vector>
#include <xcb/xcb.h>

namespace tessarim {

class X11KeySynth final : public QObject, public KeySynth {
public:
    X11KeySynth();
    ~X11KeySynth() override;

    bool NeedsShift(std::uint32_t keysym) override;
    void Key(std::uint32_t keysym, bool press) override;
    void Type(std::u32string_view text) override;

private:
    // Binds the keysyms to spare keycodes, one each; empty when there are too few.
    std::vector<xcb_keycode_t> Bind(const std::vector<xcb_keysym_t>& keysyms);
    void Unbind();
    void Tap(xcb_keycode_t keycode);

    xcb_connection_t* connection_ = nullptr;
    std::vector<xcb_keycode_t> bound_;
    int perKeycode_ = 0;
    QTimer unbind_;
};

} // namespace tessarim
