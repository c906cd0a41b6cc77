#pragma once
// Every text of the main window in the three interface languages: captions of
// the buttons and menu entries, and the hints the hint panel shows. UTF-8.
#include <cstdint>
#include <string>

namespace tessarim {

struct MainTexts {
    std::string BtnFileCaption;
    std::string BtnFileHint; // also the menu entry Fileconversion1
    std::string BtnClipGtoBHint;
    std::string BtnClipBtoGHint;
    std::string ClipBtnHint;
    std::string BtnOptionHint; // also the menu entry Options1
    std::string BtnAboutHint;
    std::string About1;
    std::string BtnCloseHint;
    std::string Exit1;
    std::string BtnKeyHint;
    std::string SendKey1;
    std::string ClipboardGBB51;
    std::string ClipboardB5GB1;
    std::string Clipboardviewer1;
    std::string S1;
    std::string Hide1;
    std::string UClipConStoTHint;
    std::string UClipConTtoSHint;
    std::string ClipU_StoT;
    std::string ClipU_TtoS;
    std::string Uni2DecHint;
    std::string Uni2HexHint;
    std::string DecNot;
    std::string HexNot;
};

// The texts of an interface language, or nullptr for a language the program does
// not have (the windows then keep the texts they show).
const MainTexts* MainTextsFor(std::int64_t lang);

// The tray icon's hint, the same in every language.
inline constexpr const char* TrayHint = "Tessarim - Right click to activate pop-up menu";

// A hint as the hint panel shows it: "&&" is one ampersand and a single "&"
// marks nothing.
std::string PanelText(const std::string& hint);

} // namespace tessarim
