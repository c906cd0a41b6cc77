#pragma once
// The desktop tools as the main window holds them: the four hotkeys, loaded at
// start and running the clipboard commands; the key sender bar, created on
// first use and kept until the program ends; the hotkey window.
#include "tools/AMHotKey.h"
#include "tools/KeyInput.h"

#include <memory>

class QWidget;

namespace tessarim {

class ClipCommands;
class Dialogs;
class HelpViewer;
class KeySynth;
class TKeySender;
struct ProgramSettings;

struct ToolsDesktop {
    HotKeyGrabber& grabber;
    DesktopWindows& windows;
    KeySynth& synth;
    Dialogs& dialogs;
    HelpViewer& help;
    // Hotkeys and typing need an X11 display (XWayland will do).
    bool x11 = true;
};

class DesktopTools {
public:
    // codePage: the system's, for the key sender's conversion.
    DesktopTools(ToolsDesktop desktop, ClipCommands& commands, ProgramSettings& settings,
                 int codePage, bool unicodeAvailable);
    ~DesktopTools();

    // Reads `PasteAfrHotKey` and the hotkeys and registers the enabled ones;
    // names the combinations another program holds.
    void LoadHotKeys();
    void OpenKeySender();
    void OpenHotKeyWindow(QWidget* parent);
    // After a language change.
    void UpdateLang();

    TAMHotKeys& HotKeys() { return hotKeys_; }
    TKeySender* KeySender() const { return keySender_.get(); }
    SendKeyState& SendState() { return sendState_; }

private:
    // Says once per run that these tools need X11.
    bool Available();

    ToolsDesktop desktop_;
    ClipCommands& commands_;
    ProgramSettings& settings_;
    bool unicodeAvailable_;
    bool toldNoX11_ = false;
    TAMHotKeys hotKeys_;
    SendKeyState sendState_;
    KeySenderLogic sendLogic_;
    std::unique_ptr<TKeySender> keySender_;
};

} // namespace tessarim
