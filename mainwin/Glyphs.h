#pragma once
// The pictures of the buttons, menu entries and tray icon, drawn at run time as
// vectors, at any size and pixel density.
#include <QIcon>
#include <QSize>

namespace tessarim {

enum class Glyph {
    BMPFT,     // Simplified to Traditional
    BMPST,     // Traditional to Simplified
    BMPDEC,    // decimal notation
    BMPHEX,    // hexadecimal notation
    File,      //
    Clipboard, // clipboard viewer
    Keys,      // key sender
    Options,   //
    About,     //
    Close,     //
    Program,   // the tray icon and the windows' icon
};

// The size the picture is designed for, in logical pixels.
QSize GlyphSize(Glyph glyph);
// The four wide pictures of the Unicode commands take a compact square form
// when asked for a square (a menu's icon).
QIcon GlyphIcon(Glyph glyph);

// The program's icon for the window and the tray: the installed one from the
// icon theme, else the built-in picture.
QIcon ProgramIcon();

} // namespace tessarim
