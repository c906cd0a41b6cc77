#include "tools/EngineCalls.h"

#include "engine/CodePages.h"
#include "engine/TableConvert.h"
#include "mainwin/ClipCommands.h"
#include "platform/CodePage.h"

namespace tessarim {

std::u16string ConvertForSending(std::u16string_view text, Direction direction, int codePage) {
    if (codePage != CodePageGbk && codePage != CodePageBig5) {
        std::u16string converted(text);
        ConvertUnicodeFace(converted, direction == GbToBig5 ? FaceT : FaceS);
        return converted;
    }
    const int source = direction == GbToBig5 ? CodePageGbk : CodePageBig5;
    const int target = direction == GbToBig5 ? CodePageBig5 : CodePageGbk;
    Bytes bytes = WideToAnsi(text, source);
    StreamConvert(bytes, direction);
    return AnsiToWide(bytes, target);
}

void RunHotKeyCommand(ClipCommands& commands, ClipHotKey key) {
    switch (key) {
    case ClipHotKey::GbToBig5:
        commands.AMHotKeysHotKeys0HotKey();
        break;
    case ClipHotKey::Big5ToGb:
        commands.AMHotKeysHotKeys1HotKey();
        break;
    case ClipHotKey::UnicodeStoT:
        commands.AMHotKeysHotKeys2HotKey();
        break;
    case ClipHotKey::UnicodeTtoS:
        commands.AMHotKeysHotKeys3HotKey();
        break;
    }
}

bool& PasteAfterHotKey(ClipCommands& commands) {
    return commands.PasteAfrHotKey;
}

} // namespace tessarim
