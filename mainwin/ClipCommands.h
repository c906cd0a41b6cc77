#pragma once
// The clipboard commands: the clipboard's text converted in place between GBK
// and Big5, between Simplified and Traditional Unicode (with its HTML form), or
// into numeric notation, reported by a sound and a statistics message; and the
// hotkey variants, which neither ask nor report.
//
// On a GBK or Big5 system the GBK/Big5 commands exchange the bytes of the
// clipboard's 8-bit text. Elsewhere (a UTF-8 desktop) the clipboard's text is
// Unicode and they change its typeface instead, keeping what the code pages
// cannot hold.
#include "engine/ConFunc.h"
#include "mainwin/Commands.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tessarim {

class Clipboard;
class FixTables;
class Dialogs;
class ForegroundPaste;
class Sound;
struct ProgramSettings;

// What the commands use of the desktop.
struct ClipDesktop {
    Clipboard& clipboard;
    Dialogs& dialogs;
    Sound& sound;
    ForegroundPaste& paste;
};

class ClipCommands : public ClipboardCommands {
public:
    ClipCommands(ClipDesktop desktop, ProgramSettings& settings, int systemCodePage);

    void ConvertGbkToBig5() override;
    void ConvertBig5ToGbk() override;
    void ConvertUnicodeTypeface(Face face) override;
    void WriteNumericNotation(bool hex) override;
    void RunHotKey(int index) override;
    void ClipboardChange() override { ClipboardChanged = true; }

    void PlayDoneSound();
    void PasteToForeground();

    // Whether the clipboard changed since the last hotkey conversion, and which
    // one that was (0 none, 1 GBK to Big5, 2 Big5 to GBK): a hotkey pressed
    // twice converts the same text once.
    bool ClipboardChanged = true;
    std::uint8_t LastHotKeyCommand = 0;
    // Set with the hotkeys.
    bool PasteAfrHotKey = false;
    // Both Chinese code pages are there; the Unicode hotkeys need them.
    bool UnicodeAvailable = true;

    // The separator between groups of three digits in the messages.
    std::string groupSeparator;
    // Milliseconds of a steady clock, for the time a command took.
    std::function<std::uint64_t()> GetTickCount;

private:
    void GbBig5Command(Direction direction);
    void GbBig5UnicodeCommand(Direction direction, bool hasUnicode, std::uint64_t start);
    void GbBig5HotKey(Direction direction);
    void UnicodeHotKey(Face face);
    bool UnicodeDesktop() const;
    // Asks the question; the time spent waiting for the answer is taken off
    // the command's time.
    bool Confirm(const std::string& question, std::uint64_t& start);
    std::u16string ReadUnicodeText(bool hasUnicode);
    std::string Elapsed(std::uint64_t start) const;
    std::string Count(std::uint64_t count) const;
    void Report(const std::string& text);

    ClipDesktop desktop_;
    ProgramSettings& settings_;
    int codePage_;
    FixTables& fixTables_;
};

// The typeface change of the GBK/Big5 commands on a Unicode desktop:
// ConvertFaceW, except that characters neither code page holds stay as they
// are (under FaceS the engine would write "?" for them).
void ConvertUnicodeFace(std::u16string& text, Face face, FixTables* fixTables);

// Whether Unicode text is already in the typeface: among its first 5120 units
// at least 8 Chinese characters, and changing them to the face would change
// nothing while changing them to the other face would. The Unicode desktop's stand-in for the
// question whether 8-bit text is already in the target code.
bool LooksLikeFace(const std::u16string& text, Face face, FixTables* fixTables);

} // namespace tessarim
