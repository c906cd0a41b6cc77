#include "engine/Replacements.h"

#include "engine/CodeTables.h"

namespace tessarim {

std::size_t CountReplacementMarks(std::string_view text, Code code) {
    const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    std::size_t marks = 0;
    switch (code) {
    case ULE:
    case UBE:
        for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
            const unsigned unit = code == ULE ? at(i) | at(i + 1) << 8 : at(i) << 8 | at(i + 1);
            marks += unit == u'?' || unit == 0x25A1 || unit == 0xFFFD;
        }
        break;
    case UTF8:
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '?') {
                ++marks;
            } else if (at(i) == 0xE2 || at(i) == 0xEF) {
                const std::string_view rest = text.substr(i);
                marks += rest.starts_with("\xE2\x96\xA1") || rest.starts_with("\xEF\xBF\xBD");
            }
        }
        break;
    case GBK:
    case BIG5: {
        const unsigned square = code == GBK ? GbWhiteSquare : Big5WhiteSquare;
        for (std::size_t i = 0; i < text.size();) {
            if (at(i) >= 0x81 && at(i) <= 0xFE && i + 1 < text.size()) {
                marks += static_cast<unsigned>(at(i) << 8 | at(i + 1)) == square;
                i += 2;
            } else {
                marks += text[i] == '?';
                ++i;
            }
        }
        break;
    }
    default:
        for (const char c : text)
            marks += c == '?';
        break;
    }
    return marks;
}

} // namespace tessarim
