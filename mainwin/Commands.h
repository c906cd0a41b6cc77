#pragma once
// The clipboard commands as the main window calls them. Their implementation
// registers with TMainForm::SetClipboardCommands, which enables the buttons and
// menu entries that run them; the tag tells the direction as the senders' tags do.
namespace tessarim {

class ClipboardCommands {
public:
    virtual ~ClipboardCommands() = default;
    virtual void BtnClipGtoBClick() = 0;
    virtual void BtnClipBtoGClick() = 0;
    // 11: Simplified to Traditional; 12: Traditional to Simplified.
    virtual void UClipConStoTClick(int tag) = 0;
    // 13: decimal notation; 14: hexadecimal notation.
    virtual void Uni2DecClick(int tag) = 0;

    // The hotkey variants, in the order of the hotkeys: GBK to Big5, Big5 to
    // GBK, Unicode Simplified to Traditional, Traditional to Simplified.
    virtual void AMHotKeysHotKeys0HotKey() = 0;
    virtual void AMHotKeysHotKeys1HotKey() = 0;
    virtual void AMHotKeysHotKeys2HotKey() = 0;
    virtual void AMHotKeysHotKeys3HotKey() = 0;
    // The clipboard changed (any program, this one included).
    virtual void ClipboardChange() = 0;
};

} // namespace tessarim
