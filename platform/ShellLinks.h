#pragma once
// Shortcuts to the program as freedesktop desktop entries: one on the desktop,
// one in the applications menu, and one that file managers offer under "Open
// With" for text files (the program takes the chosen files as arguments).
#include <string>
#include <string_view>

namespace tessarim {

enum class ShortcutPlace { Desktop, StartMenu, ProgramsMenu, SendTo };

struct ShortcutTarget {
    std::string program;     // the executable's path
    std::string workingDir;  // the folder it starts in
    std::string description; // the entry's comment
};

// One argument of an Exec key as freedesktop.org desktop entries want it:
// "%" doubled, the argument in double quotes when it holds a reserved
// character, with '"', '`', '$' and '\' escaped inside the quotes.
std::string ExecArgument(std::string_view argument);
// A value of type string: '\', new line, tab and carriage return escaped, and
// a leading blank written as "\s".
std::string EscapeStringValue(std::string_view value);

// The whole entry for a place.
std::string DesktopEntry(const ShortcutTarget& target, ShortcutPlace place);

// The desktop folder, or the user's applications folder
// ($XDG_DATA_HOME/applications), with the entry's file name.
std::string ShortcutPath(ShortcutPlace place);

// Writes the entry through a temporary file beside it and a rename, creating
// the folder when it is missing; an old entry stays whole when writing fails.
// A desktop entry on the desktop is made executable, as file managers ask of
// entries they are to trust. False on any failure.
bool WriteShortcut(const std::string& path, std::string_view entry, bool executable);

// DesktopEntry written to ShortcutPath.
bool CreateShortcut(ShortcutPlace place, const ShortcutTarget& target);

} // namespace tessarim
