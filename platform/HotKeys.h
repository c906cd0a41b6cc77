#pragma once
// System-wide key combinations: taken for the whole desktop, reported when
// pressed wherever the keyboard is.
#include <cstdint>
#include <functional>

namespace tessarim {

// The modifier bits of a combination, as the settings store them.
enum HotKeyModifier : std::uint8_t {
    ModShift = 1,
    ModControl = 2,
    ModAlt = 4,
    ModWin = 8,
};

class HotKeyGrabber {
public:
    virtual ~HotKeyGrabber() = default;
    // Takes the combination (a keysym with modifier bits) under the id. False
    // when another program holds it or the keyboard has no such key; nothing
    // is taken then.
    virtual bool Register(int id, std::uint8_t modifiers, std::uint32_t keysym) = 0;
    // Gives the combination back; an id not registered is ignored.
    virtual void Unregister(int id) = 0;

    // A registered combination was pressed (its key's auto-repeat is not).
    std::function<void(int id)> OnHotKey;
};

} // namespace tessarim
