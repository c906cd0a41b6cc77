#pragma once
// GBK <-> Big5 conversion through the code tables, in place, without Unicode.
#include "engine/ConFunc.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace tessarim {

class FixTables;

// Converts the bytes in place. A byte of 0x81 or more is a lead byte and takes the
// next byte with it, whatever it is; smaller bytes stay as they are. Codes outside
// the source table's range become the target's white square. Returns true when the
// last byte is an unpaired lead byte, which is left as it was.
bool ConvertTableInPlace(std::span<std::uint8_t> bytes, Direction direction);

// Converts the whole text in place. An unpaired lead byte at the very end is
// removed; the result is 1 then, else 0.
int StreamConvert(Bytes& text, Direction direction);

// A short byte string (a name, a key press, the clipboard's text) converted
// through the code tables and then the target's correction table from
// fixTables (none when null). An unpaired lead byte at the end is dropped.
Bytes ConvertBytes(std::string_view text, Direction direction, FixTables* fixTables);

} // namespace tessarim
