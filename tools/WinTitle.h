#pragma once
// The target dialog's behaviour: which windows it lists and how, the history
// of the "keys after text" field, and what OK accepts.
#include "platform/Windows.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessarim {

class IniFile;

// The captions of this program's own windows, never offered as targets.
inline constexpr const char* EnumWinCaption = "Tessarim - EnumWin";
inline constexpr const char* KeySenderCaption = "Tessarim - KeySender";

struct TargetRow {
    std::string title; // the caption, or the no-caption text
    WindowId id = 0;
};

// The rows of the window list: own windows and captionless panels left out,
// captionless windows under the no-caption text of the language, sorted by
// title without regard to letter case.
std::vector<TargetRow> TargetRows(const std::vector<DesktopWindow>& windows, std::int64_t lang);
// The row of the window, or -1.
int RowOf(const std::vector<TargetRow>& rows, WindowId window);
std::string TotalText(std::size_t count);

// The history, newest first: seeded with "[ENTER]" when never saved.
std::vector<std::string> LoadKeysHistory(const IniFile& ini);
// The text on top, its older copies removed, at most ten entries.
std::vector<std::string> AddToKeysHistory(std::vector<std::string> history,
                                          const std::string& text);
void SaveKeysHistory(IniFile& ini, const std::vector<std::string>& history);

// The keys field takes only what a keyboard types without an input method.
bool KeysTextAllowed(std::string_view text);

struct WinTitleTexts {
    const char* KeysGroup;
    const char* Explanation;
    const char* Note;
    const char* ListLabel;
    const char* Keywords;
    const char* Refresh;
    const char* NoCaption;
    const char* ChineseNotAllowed;
};
const WinTitleTexts* WinTitleTextsFor(std::int64_t lang);

} // namespace tessarim
