#pragma once
// Every text of the file conversion window in the three interface languages:
// captions, hints and messages. UTF-8. Texts with only an English wording are
// constants below the structure.
#include "engine/ConFunc.h"

#include <array>
#include <cstdint>
#include <string>

namespace tessarim {

struct FileConTexts {
    std::string Caption; // the window's title, for a system whose code page is neither
    // Captions.
    std::string SrcLabel, DocConLabel, DestLabel;
    std::string AddSelectBtn, AddAllBtn, AddAllSubBtn, RemoveBtn, RemoveAllBtn;
    std::string cb_FNonly, cb_content, ConvertBtn, CloseBtn, StopBtn, FEbtn;
    std::string rb_GBtoB5, rb_B5toGB, btn_ShowOption, btn_hideOption;
    std::string rb_SimpChn, rb_TradChn, LblOutput, LblFrom, LblTo;
    std::array<std::string, 3> FaceNames; // "  ( Trad. )" by typeface T, S, D
    std::string CountSuffixOne, CountSuffixMany;
    // Hints, shown in the hint line and given to screen readers.
    std::string SrcFileListHint, SrcFilterHint, ConListHint, SrcDirBtnHint, DestDirBtnHint,
        SynDirBtnHint, AddSelectBtnHint, AddAllBtnHint, AddAllSubBtnHint, RemoveBtnHint,
        RemoveAllBtnHint, cb_FNonlyHint, cb_contentHint, ConvertBtnHint, CloseBtnHint, StopBtnHint,
        FEbtnHint, btn_OptionHint, ShowOptionHint, HideOptionHint, SimpleModeHint, FromHint, ToHint,
        FaceHint, ProgressHint;
    std::string FileNamePrefix, FolderNamePrefix; // "File Name: ", "Folder Name: "
    // Messages; pieces of a composed message are separate fields.
    std::string M1;
    std::array<std::string, 4> M2;
    std::string M3;
    std::array<std::string, 4> M4;
    std::string M5, M6, M7, M8, M9;
    std::string RootRefused;
    // The filter editor.
    std::string FilterType, FilterMasks, Help, Cancel, OK, FilterBarReserved, FilterHelp;
    // What the run reports beyond the finished message.
    std::string RunStopped, RunFailures, NotListed;
    // Files converted with characters changed: headings, and the line after
    // the first ones listed ("... and 12 more", the number between the pieces).
    std::string RunReplaced, RunLeftOut;
    std::array<std::string, 2> RunMore;
};

// The texts of an interface language; English for a language the program lacks.
const FileConTexts& FileConTextsFor(std::int64_t lang);

// Display names of the codes 0 to 6, the same in every language.
inline constexpr std::array<const char*, 7> CodeDisplayNames = {
    "Unicode-LE", "Unicode-BE", "UTF-8", "GBK", "Big5", "Dec. Notation", "Hex Notation"};

inline const char* CodeName(Code code) {
    return CodeDisplayNames[static_cast<std::size_t>(code)];
}
inline const std::string& FaceName(const FileConTexts& texts, Face face) {
    return texts.FaceNames[static_cast<std::size_t>(face)];
}

inline constexpr const char* SourceMissingText = "Source directory does not exist!";
inline constexpr const char* ReadOnlyPrefix = "Cannot replace ";
inline constexpr const char* ReadOnlySuffix = "\r\n\r\nThe file is *ReadOnly.";

// The captions of the window on systems whose code page is 936 or 950.
inline constexpr const char* CaptionGbk = "Tessarim - 档案转换";
inline constexpr const char* CaptionBig5 = "Tessarim - 檔案轉換";

// Help topics of the window: 2, 12 or 22 by language.
inline constexpr int FileWindowHelpContext = 2;

} // namespace tessarim
