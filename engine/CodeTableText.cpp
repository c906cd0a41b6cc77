#include "engine/CodeTables.h"

#include <string>

namespace tessarim {

bool IsGbCode(unsigned code, GbKind kind) {
    const unsigned trail = code & 0xFF;
    switch (kind) {
    case GB2312:
        return code >= 0xA1A1 && code <= 0xF7FE && trail >= 0xA1;
    case GBKKind:
        return code >= 0x8140 && code <= 0xFEFE && trail >= 0x40;
    }
    return false;
}

bool IsBig5Code(unsigned code) {
    return code >= 0xA140 && code <= 0xF9FE && (code & 0xFF) >= 0x40;
}

std::string ParseCodeTables(std::span<const std::uint8_t> text, CodeTableSet& t) {
    t.gbToBig5.fill(Big5WhiteSquare);
    t.big5ToGb.fill(GbWhiteSquare);

    std::size_t lineIndex = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        // A line ends at LF, CR LF or a lone CR.
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        const auto line = text.subspan(pos, end - pos);
        pos = end;
        if (pos < text.size()) {
            const bool crlf = text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n';
            pos += crlf ? 2 : 1;
        }

        const std::size_t pairs = line.size() / 2;
        const unsigned gb = pairs ? line[0] * 256u + line[1] : 0;
        if (!IsGbCode(gb, GBKKind)) {
            return "Invalid GBK code in line " + std::to_string(lineIndex);
        }
        for (std::size_t k = 1; k < pairs; ++k) {
            const unsigned big5 = line[2 * k] * 256u + line[2 * k + 1];
            if (!IsBig5Code(big5)) {
                return "Invalid Big5 code in line " + std::to_string(lineIndex);
            }
            t.big5ToGb[big5 - 0x8000] = static_cast<DbcsCode>(gb);
        }
        if (pairs > 1) t.gbToBig5[gb - 0x8000] = static_cast<DbcsCode>(line[2] * 256u + line[3]);
        ++lineIndex;
    }
    return {};
}

} // namespace tessarim
