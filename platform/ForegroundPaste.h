#pragma once
// Pasting into whatever control has the keyboard in another program's window,
// as if the user pressed Ctrl+V there.
namespace tessarim {

class ForegroundPaste {
public:
    virtual ~ForegroundPaste() = default;
    // Does nothing when no window has the keyboard.
    virtual void PasteToForeground() = 0;
};

// Ctrl+V synthesized with XTest. Modifiers the user still holds (from the
// hotkey that asked for the paste) are released first, or the keys would
// arrive as another combination.
class X11ForegroundPaste : public ForegroundPaste {
public:
    void PasteToForeground() override;
};

} // namespace tessarim
