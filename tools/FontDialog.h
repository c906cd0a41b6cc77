#pragma once
// A small font dialog: face, size, colour and character set (script), the four
// fields a font string keeps.
#include "settings/Settings.h"

#include <QFont>
#include <QWidget>
#include <optional>

namespace tessarim {

// The chosen font, or nothing when the dialog was cancelled.
std::optional<FontSpec> ChooseFont(QWidget* parent, const FontSpec& current);

// The font a spec gives on top of a base font; the character set picks a
// family with glyphs for its script.
QFont FontOf(const FontSpec& spec, const QFont& base);
// The colour of a spec, when it is an ordinary 0xBBGGRR value.
std::optional<QColor> ColorOf(const FontSpec& spec);

} // namespace tessarim
