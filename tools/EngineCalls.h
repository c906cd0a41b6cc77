#pragma once
// Every call the desktop tools make into the conversion engine and into the
// clipboard commands, in one place.
#include "engine/ConFunc.h"
#include "tools/AMHotKey.h"

#include <string>
#include <string_view>

namespace tessarim {

class ClipCommands;

// The key sender's conversion of a typed line. On a GBK or Big5 system the
// line's bytes in the direction's source code are exchanged by the code
// tables and read back in the target code; elsewhere the typeface changes.
std::u16string ConvertForSending(std::u16string_view text, Direction direction, int codePage);

// The clipboard command of a hotkey, with its paste into the active window.
void RunHotKeyCommand(ClipCommands& commands, ClipHotKey key);
// Where the commands keep `PasteAfrHotKey`.
bool& PasteAfterHotKey(ClipCommands& commands);

} // namespace tessarim
