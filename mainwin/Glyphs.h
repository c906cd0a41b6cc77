#pragma once
// The pictures of the buttons, menu entries and tray icon, drawn at run time.
#include <QIcon>
#include <QPixmap>

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

QPixmap GlyphPixmap(Glyph glyph);
QIcon GlyphIcon(Glyph glyph);

// The program's icon for the window and the tray: the installed one from the
// icon theme, else the built-in picture.
QIcon ProgramIcon();

} // namespace tessarim
