#pragma once
// The two mapping tables between GBK and Big5, built from the built-in mapping
// text, and the code validity tests.
#include "engine/ConFunc.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tessarim {

// A double-byte code is lead byte * 256 + trail byte.
using DbcsCode = std::uint16_t;

enum GbKind : std::uint8_t { GB2312 = 0, GBKKind = 1 };

inline constexpr DbcsCode Big5WhiteSquare = 0xA1BC; // "□" in Big5
inline constexpr DbcsCode GbWhiteSquare = 0xA1F5;   // "□" in GBK

bool IsGbCode(unsigned code, GbKind kind);
bool IsBig5Code(unsigned code);

// The two bytes of a code, lead byte first.
inline std::array<std::uint8_t, 2> CodeToBytes(DbcsCode code) {
    return {static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code & 0xFF)};
}

// Lookups for every code whose lead byte is 0x81 or more (index = code - 0x8000):
// codes outside a table's range give its white square, so the hot loops need
// no range test.
inline constexpr std::size_t TableSpan = 0x8000;
struct CodeTableSet {
    std::array<DbcsCode, TableSpan> gbToBig5;
    std::array<DbcsCode, TableSpan> big5ToGb;
};

// Builds both tables from a mapping text: each line a GBK code followed by Big5
// codes. A later line overrides an earlier one. On an invalid code the reading
// stops, keeping what was set, and the result says where ("Invalid GBK code in
// line n", lines counted from 0); empty when the whole text was read.
std::string ParseCodeTables(std::span<const std::uint8_t> mappingText, CodeTableSet& tables);

// The tables of the built-in mapping text, built at their first use.
const std::array<DbcsCode, TableSpan>& GbToBig5Table();
const std::array<DbcsCode, TableSpan>& Big5ToGbTable();

// The same tables as the hot loops read them: indexed by a character's two
// bytes taken as one little-endian number (trail * 256 + lead), each entry the
// target character's two bytes the same way, so that a character goes through
// as one load and one store. Places whose first byte is below 0x80 hold the
// white square too.
inline constexpr std::size_t PairTableSpan = 0x10000;
const std::array<std::uint16_t, PairTableSpan>& GbToBig5Pairs();
const std::array<std::uint16_t, PairTableSpan>& Big5ToGbPairs();

} // namespace tessarim
