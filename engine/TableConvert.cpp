#include "engine/TableConvert.h"

#include "engine/CodeTables.h"

namespace tessarim {

bool ConvertTableInPlace(std::span<std::uint8_t> bytes, Direction direction) {
    const auto& table = direction == GbToBig5 ? GbToBig5Table() : Big5ToGbTable();
    std::uint8_t* p = bytes.data();
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i + 1 < n) {
        const std::uint8_t lead = p[i];
        if (lead < 0x81) {
            ++i;
            continue;
        }
        const DbcsCode to = table[(lead << 8 | p[i + 1]) - 0x8000];
        p[i] = static_cast<std::uint8_t>(to >> 8);
        p[i + 1] = static_cast<std::uint8_t>(to);
        i += 2;
    }
    return i < n && p[i] >= 0x81;
}

int StreamConvert(Bytes& text, Direction direction) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(text.data());
    if (!ConvertTableInPlace({bytes, text.size()}, direction)) return 0;
    text.pop_back();
    return 1;
}

} // namespace tessarim
