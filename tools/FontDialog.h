#pragma once
// A small font dialog: face, size, colour and character set (script), the four
// fields a font string keeps.
#include "settings/Settings.h"

#include <QFont>
#include <QWidget>
#include <optional>

namespace tessarim {

// The chosen font, or nothing when the dialog was cancelled.
std::optional<FontSetting> ChooseFont(QWidget* parent, const FontSetting& current);

// The font a setting gives on top of a base font; the character set picks a
// family with glyphs for its script.
QFont FontOf(const FontSetting& setting, const QFont& base);
// The colour of a setting, when it is an ordinary 0xBBGGRR value.
std::optional<QColor> ColorOf(const FontSetting& setting);

} // namespace tessarim
