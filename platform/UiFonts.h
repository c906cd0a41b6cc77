#pragma once
// Fonts for the interface language's character set: 134 (Simplified Chinese),
// 136 (Traditional Chinese) or 0 (Latin), mapped to a family that has glyphs for
// that writing system.
#include <QFont>

namespace tessarim {

inline constexpr int CharsetAnsi = 0;
inline constexpr int CharsetGb2312 = 134;
inline constexpr int CharsetBig5 = 136;

// The base font when it covers the character set's writing system, else the same
// font in the first family that does. Unknown character sets keep the base.
QFont UiFont(int charset, const QFont& base);

} // namespace tessarim
