#include "tools/EngineCalls.h"

#include "core/TableLoader.h"
#include "engine/CodePages.h"
#include "engine/TableConvert.h"
#include "mainwin/ClipCommands.h"
#include "platform/CodePage.h"

namespace tessarim {

std::u16string ConvertForSending(std::u16string_view text, Direction direction, int codePage) {
    if (codePage != CodePageGbk && codePage != CodePageBig5) {
        std::u16string converted(text);
        ConvertUnicodeFace(converted, direction == GbToBig5 ? FaceT : FaceS, &ProgramFixTables());
        return converted;
    }
    const int source = direction == GbToBig5 ? CodePageGbk : CodePageBig5;
    const int target = direction == GbToBig5 ? CodePageBig5 : CodePageGbk;
    const Bytes bytes = ConvertBytes(WideToAnsi(text, source), direction, &ProgramFixTables());
    return AnsiToWide(bytes, target);
}

void RunHotKeyCommand(ClipCommands& commands, ClipHotKey key) {
    switch (key) {
    case ClipHotKey::GbToBig5:
        commands.RunHotKey(0);
        break;
    case ClipHotKey::Big5ToGb:
        commands.RunHotKey(1);
        break;
    case ClipHotKey::UnicodeStoT:
        commands.RunHotKey(2);
        break;
    case ClipHotKey::UnicodeTtoS:
        commands.RunHotKey(3);
        break;
    }
}

bool& PasteAfterHotKey(ClipCommands& commands) {
    return commands.PasteAfrHotKey;
}

} // namespace tessarim
