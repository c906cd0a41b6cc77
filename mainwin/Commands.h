#pragma once
// The clipboard commands as the main window calls them. Their implementation
// registers with TMainForm::SetClipboardCommands, which enables the buttons and
// menu entries that run them.
#include "engine/ConFunc.h"

namespace tessarim {

class ClipboardCommands {
public:
    virtual ~ClipboardCommands() = default;
    // The G > B and B > G buttons (BtnClipGtoBClick, BtnClipBtoGClick).
    virtual void ConvertGbkToBig5() = 0;
    virtual void ConvertBig5ToGbk() = 0;
    // The Unicode text to Traditional (FaceT) or Simplified (FaceS) characters
    // (UClipConStoTClick with tags 11 and 12).
    virtual void ConvertUnicodeTypeface(Face face) = 0;
    // The Unicode text as decimal or hexadecimal references (Uni2DecClick with
    // tags 13 and 14).
    virtual void WriteNumericNotation(bool hex) = 0;

    // The hotkey variants by index (AMHotKeysHotKeys0HotKey to 3): 0 GBK to
    // Big5, 1 Big5 to GBK, 2 Unicode Simplified to Traditional, 3 Traditional to
    // Simplified; other indexes do nothing.
    virtual void RunHotKey(int index) = 0;
    // The clipboard changed (any program, this one included).
    virtual void ClipboardChange() = 0;
};

} // namespace tessarim
