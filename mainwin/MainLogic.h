#pragma once
// What the main window does, apart from showing it: the commands and when they
// may run, the layout numbers of the bar, where the bar starts, how hiding and
// showing remember the edge, and what is saved when the program ends.
#include "mainwin/AppBar.h"
#include "settings/IniFile.h"
#include "settings/ProgramSettings.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace tessarim {

// The commands of the buttons and menu entries.
enum class MainCommand {
    FileConversion,
    ClipGtoB,
    ClipBtoG,
    UnicodeStoT,
    UnicodeTtoS,
    DecimalNotation,
    HexNotation,
    ClipboardViewer,
    SendKey,
    Options,
    About,
    Close,
    Count
};

// The four commands that convert through the code pages 936 and 950.
bool IsUnicodeCommand(MainCommand command);

// A control's place in the client area.
struct ControlBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int Right() const { return left + width; }
    bool operator==(const ControlBox&) const = default;
};

namespace design {
inline constexpr int Width = 804;
inline constexpr int Height = 62;
inline constexpr ControlBox BtnFile{20, 1, 70, 30};
inline constexpr ControlBox BtnClipGtoB{94, 1, 66, 30};
inline constexpr ControlBox BtnClipBtoG{164, 1, 66, 30};
inline constexpr ControlBox UClipConStoT{234, 1, 54, 30};
inline constexpr ControlBox UClipConTtoS{292, 1, 54, 30};
inline constexpr ControlBox Uni2Dec{350, 1, 36, 15};
inline constexpr ControlBox Uni2Hex{350, 16, 36, 15};
inline constexpr ControlBox ClipBtn{390, 1, 40, 30};
inline constexpr ControlBox Panel1{440, 2, 145, 26};
inline constexpr ControlBox BtnKey{617, 1, 40, 30};
inline constexpr ControlBox BtnOption{661, 1, 40, 30};
inline constexpr ControlBox BtnAbout{704, 1, 40, 30};
inline constexpr ControlBox BtnClose{748, 1, 40, 30};
// The grip at the left end, where the pointer shows the move cursor.
inline constexpr int GripWidth = 13;
} // namespace design

// The controls that follow the bar's right end.
struct RightHandLayout {
    ControlBox BtnKey;
    ControlBox BtnOption;
    ControlBox BtnAbout;
    ControlBox BtnClose;
    ControlBox Panel1;
};

// gap: the pixels left uncovered at the right end.
RightHandLayout LayOutRightHand(int windowWidth, int gap);

// The gap applies to a docked bar that hides itself; elsewhere it is 0.
int GapFor(TAppBarEdge edge, bool autoHide, std::int64_t gapWidth);

// The bar's sizes from its frame (window height less client height), the button
// height, the window's position and the screen width.
void ApplyBarGeometry(TAppBarSettings& bar, int frame, int buttonHeight, Point windowPos,
                      int screenWidth);

// The edges the main bar may take.
inline constexpr TAppBarFlags MainBarFlags =
    FlagBit(abfAllowTop) | FlagBit(abfAllowBottom) | FlagBit(abfAllowFloat);

// Where the bar starts: the saved edge (floating when it was hidden), or the top
// when positions are not remembered. A saved edge the bar may not take starts it
// at the top.
struct StartPosition {
    TAppBarEdge edge = abeTop;
    std::optional<Point> floatPos;
};
StartPosition InitialPosition(bool remLastPos, bool hideMain, std::int64_t lastEdge,
                              std::int64_t floatLeft, std::int64_t floatTop);
// The saved edge as an edge of the main bar.
TAppBarEdge SavedEdge(std::int64_t lastEdge);

// What closing the program writes.
struct SavedPosition {
    TAppBarEdge lastEdge = abeTop;
    std::optional<Point> floatPos;
    bool hideMain = false;
};
SavedPosition PositionToSave(bool visible, TAppBarEdge edge, TAppBarEdge hiddenEdge,
                             Point windowPos);
void WritePosition(IniFile& ini, const SavedPosition& position);

class MainFormLogic {
public:
    explicit MainFormLogic(ProgramSettings& settings) : settings_(settings) {}

    ProgramSettings& Settings() { return settings_; }
    const ProgramSettings& Settings() const { return settings_; }

    // A command without a handler is shown but cannot be chosen.
    void SetHandler(MainCommand command, std::function<void()> handler);
    bool HasHandler(MainCommand command) const;
    void Run(MainCommand command) const;

    // Buttons of the Unicode commands need both Chinese code pages; their menu
    // entries do not.
    bool ButtonEnabled(MainCommand command) const;
    bool MenuEntryEnabled(MainCommand command) const { return HasHandler(command); }

    // Hiding: the bar floats invisibly and remembers the edge it had.
    void Hide(TAppBarEdge edgeBefore);
    // Showing: the edge to take again.
    TAppBarEdge Show();
    void StartHidden(TAppBarEdge lastEdge);
    TAppBarEdge HiddenEdge() const { return hiddenEdge_; }
    bool ShowEntryEnabled() const { return showEnabled_; }
    // Without a tray icon a hidden bar could not come back.
    bool HideEntryEnabled() const { return hideEnabled_ && trayAvailable; }

    // The help context of a window's base topic in the current language.
    int HelpContext(int base) const;

    bool unicodeAvailable = true;
    bool trayAvailable = true;

private:
    ProgramSettings& settings_;
    std::array<std::function<void()>, static_cast<std::size_t>(MainCommand::Count)> handlers_;
    TAppBarEdge hiddenEdge_ = abeTop;
    bool showEnabled_ = false;
    bool hideEnabled_ = true;
};

} // namespace tessarim
