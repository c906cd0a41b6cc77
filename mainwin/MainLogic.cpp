#include "mainwin/MainLogic.h"

#include "settings/Settings.h"

namespace tessarim {

bool IsUnicodeCommand(MainCommand command) {
    return command == MainCommand::UnicodeStoT || command == MainCommand::UnicodeTtoS ||
           command == MainCommand::DecimalNotation || command == MainCommand::HexNotation;
}

RightHandLayout LayOutRightHand(int windowWidth, int gap) {
    RightHandLayout layout{design::BtnKey, design::BtnOption, design::BtnAbout, design::BtnClose,
                           design::Panel1};
    layout.BtnClose.left = windowWidth - layout.BtnClose.width - gap - 12;
    layout.BtnAbout.left = layout.BtnClose.left - 4 - layout.BtnAbout.width;
    layout.BtnOption.left = layout.BtnAbout.left - 4 - layout.BtnOption.width;
    layout.BtnKey.left = layout.BtnOption.left - 4 - layout.BtnKey.width;
    layout.Panel1.left = design::ClipBtn.Right() + 4;
    layout.Panel1.width = layout.BtnKey.left - 4 - layout.Panel1.left;
    return layout;
}

int GapFor(TAppBarEdge edge, bool autoHide, std::int64_t gapWidth) {
    if (!IsDockedEdge(edge) || !autoHide || gapWidth <= 0) return 0;
    return static_cast<int>(gapWidth);
}

void ApplyBarGeometry(TAppBarSettings& bar, int frame, int buttonHeight, Point windowPos,
                      int screenWidth) {
    bar.Flags = MainBarFlags;
    bar.VertDockSize = static_cast<std::uint32_t>(frame + buttonHeight);
    bar.FloatLeft = windowPos.x;
    bar.FloatTop = windowPos.y;
    bar.FloatRight = bar.FloatLeft + screenWidth - 40;
    bar.FloatBottom = bar.FloatTop + frame + buttonHeight + 2;
    bar.SlideEffect = false;
    bar.HorzSizeInc = 1;
    bar.VertSizeInc = 0; // the bar is one row of buttons
    bar.MinWidth = design::Panel1.left + design::BtnKey.width + design::BtnOption.width +
                   design::BtnAbout.width + design::BtnClose.width + 24;
    bar.MinHeight = frame + buttonHeight + 4;
    bar.MaxWidth = screenWidth;
}

TAppBarEdge SavedEdge(std::int64_t lastEdge) {
    if (lastEdge == abeTop || lastEdge == abeBottom || lastEdge == abeFloat)
        return static_cast<TAppBarEdge>(lastEdge);
    return abeTop;
}

StartPosition InitialPosition(bool remLastPos, bool hideMain, std::int64_t lastEdge,
                              std::int64_t floatLeft, std::int64_t floatTop) {
    StartPosition start;
    if (!remLastPos) return start;
    start.edge = hideMain ? abeFloat : SavedEdge(lastEdge);
    if (start.edge == abeFloat)
        start.floatPos = Point{static_cast<int>(floatLeft), static_cast<int>(floatTop)};
    return start;
}

SavedPosition PositionToSave(bool visible, TAppBarEdge edge, TAppBarEdge hiddenEdge,
                             Point windowPos) {
    SavedPosition position;
    position.lastEdge = visible ? edge : hiddenEdge;
    if (position.lastEdge == abeFloat) position.floatPos = windowPos;
    position.hideMain = !visible;
    return position;
}

void WritePosition(IniFile& ini, const SavedPosition& position) {
    Write(ini, keys::LastEdge, std::int64_t{position.lastEdge});
    if (position.floatPos) {
        Write(ini, keys::FloatLeft, std::int64_t{position.floatPos->x});
        Write(ini, keys::FloatTop, std::int64_t{position.floatPos->y});
    }
    Write(ini, keys::HideMain, position.hideMain);
}

void MainFormLogic::SetHandler(MainCommand command, std::function<void()> handler) {
    handlers_[static_cast<std::size_t>(command)] = std::move(handler);
}

bool MainFormLogic::HasHandler(MainCommand command) const {
    return static_cast<bool>(handlers_[static_cast<std::size_t>(command)]);
}

void MainFormLogic::Run(MainCommand command) const {
    if (const auto& handler = handlers_[static_cast<std::size_t>(command)]) handler();
}

bool MainFormLogic::ButtonEnabled(MainCommand command) const {
    if (IsUnicodeCommand(command) && !unicodeAvailable) return false;
    return HasHandler(command);
}

void MainFormLogic::Hide(TAppBarEdge edgeBefore) {
    hiddenEdge_ = edgeBefore;
    showEnabled_ = true;
    hideEnabled_ = false;
}

TAppBarEdge MainFormLogic::Show() {
    showEnabled_ = false;
    hideEnabled_ = true;
    return hiddenEdge_;
}

void MainFormLogic::StartHidden(TAppBarEdge lastEdge) {
    Hide(lastEdge);
}

int MainFormLogic::HelpContext(int base) const {
    const std::int64_t lang = settings_.Lang;
    return lang >= 0 && lang <= 2 ? base + 10 * static_cast<int>(lang) : base;
}

} // namespace tessarim
