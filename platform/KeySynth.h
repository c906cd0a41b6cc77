#pragma once
// Synthetic keyboard input into whatever window has the keyboard, as if the
// user typed it.
#include <cstdint>
#include <string_view>

namespace tessarim {

class KeySynth {
public:
    virtual ~KeySynth() = default;
    // The keyboard layout gives the symbol only with a modifier held (Shift
    // or the third level): the key is then typed with Shift.
    virtual bool NeedsShift(std::uint32_t keysym) = 0;
    // Presses or releases the key that carries the symbol.
    virtual void Key(std::uint32_t keysym, bool press) = 0;
    // Types characters the layout may not have at all (Chinese text).
    virtual void Type(std::u32string_view text) = 0;
};

// The keysym of a character: Latin-1 as itself, anything else as a Unicode keysym.
constexpr std::uint32_t CharacterKeysym(char32_t c) {
    if ((c >= 0x20 && c <= 0x7e) || (c >= 0xa0 && c <= 0xff)) return c;
    return 0x01000000u | static_cast<std::uint32_t>(c);
}

} // namespace tessarim
