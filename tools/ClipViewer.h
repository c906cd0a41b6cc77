#pragma once
// What the clipboard viewer does, apart from showing it: which text it shows
// (re-decoded through the other Chinese code page when its font is set to that
// character set), where it opens, what it saves, and its texts.
#include "settings/IniFile.h"
#include "settings/Settings.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessarim {

// The text to show from the clipboard's Unicode text (or, when that is empty,
// its 8-bit text in the system code page); nothing when both are empty. On a
// Big5 system with a GB2312 font (and a GBK system with a Big5 font) the text
// goes back to the bytes it was decoded from and is read through the other
// code page, which is how 8-bit text copied from the other Chinese system
// becomes readable.
std::optional<std::u16string> ViewerText(std::u16string_view unicode, std::string_view ansi,
                                         int systemCodePage, int fontCharset);

struct ViewerRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ViewerRect&) const = default;
};

// A window that does not lie wholly on one of the screens (the places the
// desktop leaves to windows) moves onto the screen it overlaps most, or the
// first screen when it overlaps none, and shrinks to fit there.
ViewerRect BringOnScreen(ViewerRect window, const std::vector<ViewerRect>& screens);

// Where the viewer opens when positions are remembered: the saved rectangle,
// defaulting to the designed size centred on the screen.
ViewerRect SavedViewerRect(const IniFile& ini, int designedWidth, int designedHeight,
                           const ViewerRect& screen);
// What closing writes when positions are remembered.
void SaveViewer(IniFile& ini, const ViewerRect& normal, const FontSetting& font);

struct ViewerTexts {
    const char* caption;
    const char* wordWrap;
    const char* fontHint;
    const char* close;
    // Names a screen reader gives the text and the status bar.
    const char* textName;
    const char* statusName;
};
// By the system's code page, not the interface language.
const ViewerTexts& ViewerTextsFor(int codePage);
// The character set of the viewer's own controls, by the system's code page.
int ViewerCharset(int codePage);
// 3, 13 or 23 by interface language.
int ViewerHelpContext(std::int64_t lang);

} // namespace tessarim
