#pragma once
// Every text of the options window in the three interface languages. UTF-8.
#include <cstdint>
#include <string>

namespace tessarim {

struct OptionTexts {
    const char* LangGroupBox;
    const char* rb_Eng;
    const char* rb_B5;
    const char* rb_GB;
    const char* cb_onTop;
    const char* cb_AutoHide;
    const char* cb_CfmOverwrite;
    const char* cb_RemLastPos;
    const char* cb_MsgFinished;
    const char* cb_MsgClipConFinished;
    const char* SoundGroupBox;
    const char* cb_Sound;
    const char* waveLabel;
    const char* waveNote;
    const char* ignoreLabel;
    const char* reset;
    const char* close;
    const char* ShortCutBox;
    const char* cb_htmlcharset;
    const char* ReplaceBox;
    const char* btnSmartReplace;
    const char* btnShortcut1;
    const char* btnShortcut2;
    const char* btnShortcut3;
    const char* btnShortcut4;
    const char* defaultDirLabel;
    const char* btnHotKey;
    const char* rbGtoB;
    const char* rbBtoG;
    const char* cb_AddBOMtoUTF8;
    const char* cb_CFHTML;
    const char* cb_UNN;
    const char* page1;
    const char* page2;
    const char* gapLabel;
    // Said at closing when a typed value could not be kept; %s is the value.
    const char* waveFileMissing;
    const char* folderMissing;
    // The accessible names of the browse buttons.
    const char* browseWave;
    const char* browseFolder;
};

// The texts of a language, or nullptr for a language the program does not have
// (the window then keeps the texts it shows).
const OptionTexts* OptionTextsFor(std::int64_t lang);

// The window's caption, by the system's code page.
std::string OptionsCaption(int codePage);
// The caption of the folder dialog, by the system's code page.
std::string FolderDialogLabel(int codePage);

// The text with its "%s" replaced.
std::string FormatText(const char* text, const std::string& value);

inline constexpr const char* ShortcutError = "Error occurs during creation of shortcut.";
inline constexpr const char* ShortcutDescription = "Tessarim Chinese GB <> Big5 Converter";

} // namespace tessarim
