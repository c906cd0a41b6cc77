#include "engine/TableConvert.h"

#include "engine/ByteRuns.h"
#include "engine/CodeTables.h"
#include "engine/FixTables.h"

#include <bit>
#include <cstring>

namespace tessarim {

namespace {

std::uint16_t SwapBytes(std::uint16_t v) {
    return static_cast<std::uint16_t>(v << 8 | v >> 8);
}

// One character through the table, as a 16-bit load and store: the bytes stand
// lead first in memory, codes are lead * 256 + trail, hence the swaps.
void ConvertPair(std::uint8_t* p, const std::array<DbcsCode, TableSpan>& table) {
    std::uint16_t raw;
    std::memcpy(&raw, p, 2);
    if constexpr (std::endian::native == std::endian::little) raw = SwapBytes(raw);
    std::uint16_t to = table[raw - 0x8000u];
    if constexpr (std::endian::native == std::endian::little) to = SwapBytes(to);
    std::memcpy(p, &to, 2);
}

// Four characters read and written as one word: bytes lead first, so the word
// taken in memory order holds the codes from its highest sixteen bits down.
void ConvertFourPairs(std::uint8_t* p, std::uint64_t word,
                      const std::array<DbcsCode, TableSpan>& table) {
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    const std::uint64_t to = std::uint64_t{table[(word >> 48) - 0x8000u]} << 48 |
                             std::uint64_t{table[(word >> 32 & 0xFFFF) - 0x8000u]} << 32 |
                             std::uint64_t{table[(word >> 16 & 0xFFFF) - 0x8000u]} << 16 |
                             table[(word & 0xFFFF) - 0x8000u];
    const std::uint64_t out =
        std::endian::native == std::endian::little ? __builtin_bswap64(to) : to;
    std::memcpy(p, &out, 8);
}

} // namespace

bool ConvertTableInPlace(std::span<std::uint8_t> bytes, Direction direction) {
    const auto& table = direction == GbToBig5 ? GbToBig5Table() : Big5ToGbTable();
    std::uint8_t* p = bytes.data();
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    // Runs of Chinese text and runs of ASCII go eight bytes at a time; the four
    // lookups of a run do not wait on each other.
    while (i + 8 <= n) {
        const std::uint64_t v = runs::Load64(p + i);
        if (runs::FourPairs(v)) {
            ConvertFourPairs(p + i, v, table);
            i += 8;
        } else if (runs::AllAscii(v)) {
            i += 8;
        } else if (p[i] < 0x81) {
            ++i;
        } else {
            ConvertPair(p + i, table);
            i += 2;
        }
    }
    while (i + 1 < n) {
        if (p[i] < 0x81) {
            ++i;
        } else {
            ConvertPair(p + i, table);
            i += 2;
        }
    }
    return i < n && p[i] >= 0x81;
}

int StreamConvert(Bytes& text, Direction direction) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(text.data());
    if (!ConvertTableInPlace({bytes, text.size()}, direction)) return 0;
    text.pop_back();
    return 1;
}

Bytes ConvertBytes(std::string_view text, Direction direction, FixTables* fixTables) {
    Bytes bytes(text);
    StreamConvert(bytes, direction);
    ApplyFixTable(fixTables, bytes, direction);
    return bytes;
}

} // namespace tessarim
