#pragma once
// The key sender's behaviour: the keyword notation of special keys, how a
// sequence of key codes is played, and a send: the entry's line converted
// and typed into the target window, followed by the keys after text.
#include "engine/ConFunc.h"
#include "platform/Windows.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tessarim {

class KeySynth;

// A row of `KeywordTable`: the keyword, its one-byte code in key-code form,
// the key it plays and its meaning as the keyword help lists it.
struct KeywordRow {
    const char* keyword;
    std::uint8_t code;
    std::uint32_t keysym;
    const char* meaning;
};
inline constexpr int KeywordCount = 32;
const std::array<KeywordRow, KeywordCount>& KeywordTable();

// Every keyword, in any letter case, replaced by its code; all else as typed.
std::string KeywordsToCodes(std::string_view text);

// Plays key-code form: 0x01-0x1F keys by their Windows virtual key, 0x20-0xE3
// characters as the layout types them (with Shift where the layout needs
// it, unless a modifier is held), 0xE4-0xFF the keywords' keys. Each
// modifier pressed by a keyword is tracked, and whatever is still held at the
// end is released, so no key stays down on the desktop.
void SendKeyCodes(std::string_view codes, KeySynth& synth);

// What the key sender and the target dialog share.
struct SendKeyState {
    WindowId TargetWindow = 0;
    std::string KeysAfterText; // key-code form
    Direction SendDirection = GbToBig5;
};

// The conversion of the typed line before it is sent.
using SendConversion = std::function<std::u16string(std::u16string_view text, Direction)>;

class KeySenderLogic {
public:
    KeySenderLogic(SendKeyState& state, DesktopWindows& windows, KeySynth& synth,
                   SendConversion convert)
        : state_(state), windows_(windows), synth_(synth), convert_(std::move(convert)) {}

    enum class SendResult {
        NoTarget,     // no target chosen, or it has closed: choose one
        NotActivated, // the target did not take the keyboard: nothing was sent
        Sent,
    };
    // Activates the target, types the converted line and plays the keys after
    // text. The line is cleared only once it has been typed.
    SendResult Send(std::u16string& line, Direction direction);

private:
    SendKeyState& state_;
    DesktopWindows& windows_;
    KeySynth& synth_;
    SendConversion convert_;
};

// The bar's geometry.
struct BarRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const BarRect&) const = default;
};
// Where the bar first appears: three quarters of the screen wide, an eighth
// in from the left, near the bottom.
BarRect InitialBarRect(int screenWidth, int screenHeight, int windowHeight);
// A proposed place moved back so that the whole bar is on the screen.
BarRect KeepOnScreen(BarRect proposed, int screenWidth, int screenHeight);

// The direction the toggle starts with: B>G on a Big5 system, G>B on a GBK
// one, B>G elsewhere.
Direction DefaultSendDirection(int codePage);

// The help topic of the key sender and its target dialog: 6, 16 or 26.
constexpr int KeySenderHelpContext(std::int64_t lang) {
    return 6 + 10 * static_cast<int>(lang >= 0 && lang <= 2 ? lang : 0);
}

struct KeySenderTexts {
    const char* GetTitle;
    const char* GetTitleHint;
    const char* GtoBHint;
    const char* BtoGHint;
    const char* CloseHint;
    const char* NoWindow;
};
const KeySenderTexts* KeySenderTextsFor(std::int64_t lang);

// Some texts break a line with a lone "\r": made "\r\n" like the others, so
// a message box or label shows the break.
std::string LineBreaks(std::string_view text);

} // namespace tessarim
