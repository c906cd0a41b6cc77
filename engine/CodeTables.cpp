#include "engine/CodeTables.h"

#include "data/EmbeddedData.h"
#include "platform/Message.h"

#include <string>

namespace tessarim {

namespace {

struct Tables {
    std::array<DbcsCode, TableSpan> gbToBig5;
    std::array<DbcsCode, TableSpan> big5ToGb;
};

Tables& TheTables() {
    static Tables tables = [] {
        Tables t;
        t.gbToBig5.fill(Big5WhiteSquare);
        t.big5ToGb.fill(GbWhiteSquare);
        return t;
    }();
    return tables;
}

} // namespace

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

bool LoadCodeTables(std::span<const std::uint8_t> text) {
    Tables& t = TheTables();
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
            ShowMessage(MessageKind::Warning,
                        "Invalid GBK code in line " + std::to_string(lineIndex));
            return false;
        }
        for (std::size_t k = 1; k < pairs; ++k) {
            const unsigned big5 = line[2 * k] * 256u + line[2 * k + 1];
            if (!IsBig5Code(big5)) {
                ShowMessage(MessageKind::Warning,
                            "Invalid Big5 code in line " + std::to_string(lineIndex));
                return false;
            }
            t.big5ToGb[big5 - 0x8000] = static_cast<DbcsCode>(gb);
        }
        if (pairs > 1) t.gbToBig5[gb - 0x8000] = static_cast<DbcsCode>(line[2] * 256u + line[3]);
        ++lineIndex;
    }
    return true;
}

bool LoadCodeTables() {
    return LoadCodeTables(data::StrTbl());
}

const std::array<DbcsCode, TableSpan>& GbToBig5Table() {
    return TheTables().gbToBig5;
}
const std::array<DbcsCode, TableSpan>& Big5ToGbTable() {
    return TheTables().big5ToGb;
}

} // namespace tessarim
