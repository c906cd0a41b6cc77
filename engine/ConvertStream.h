#pragma once
// One block of text from any source code to any target code: the table road
// for plain GBK<->Big5 conversions, the road through UTF-16 for everything else.
#include "engine/ConFunc.h"

#include <string_view>

namespace tessarim {

// The most bytes a block can hand on: a partial reference of UTF-16 units, or a
// cut-off UTF-8 sequence behind a partial reference. The block loop keeps this
// many bytes of each block's tail.
inline constexpr std::size_t MaxCarry = 32;

class FixTables;

// Converts text in place as the options say: from source (0-4) to target (0-6)
// with the typeface, the target's correction table taken from fixTables (none
// when it is null). A byte-order mark is only taken off or written at the first
// block of a text, and only a block before the last hands bytes on.
//
// Returns the carry: the number of bytes at the end of the input that were not
// converted (an unpaired lead byte, a cut-off UTF-8 sequence, a partial numeric
// reference), never more than MaxCarry. The block loop offers them again with
// the next block.
std::size_t ConvertStream(Bytes& text, const ConvertOptions& options,
                          BlockPosition position = WholeText, FixTables* fixTables = nullptr);

// True when the bytes hold "&#" or end in "&".
bool HasRefStart(std::string_view text);
// 1 when, pairing bytes from the start as code pages 936 and 950 do (a byte from
// 0x81 to 0xFE takes the next with it; 0xFF is a character of its own), the text
// ends in an unpaired lead byte; else 0. The bytes it holds back are decoded with
// the code page, so the pairing must be the code page's: a block ending in
// FF B0 hands on the B0.
std::size_t EndsWithLeadByte(std::string_view text);

} // namespace tessarim
