#pragma once
// Everything between byte text and UTF-16 text that is not a plain code-page
// call: reading a Unicode byte stream, changing the typeface of UTF-16 text by
// way of the GBK/Big5 tables, and Big5 output that keeps Simplified characters
// readable.
#include "engine/ConFunc.h"

#include <string>
#include <string_view>

namespace tessarim {

class FixTables;

// Exchanges the two bytes of every code unit.
void SwapByteOrder(std::u16string& text);

// Decodes a UTF-16LE, UTF-16BE or UTF-8 block (code 0, 1 or 2) into text. A
// byte-order mark is taken off only when the block is the start of its text.
// carry receives the number of bytes at the end that were not decoded: a
// sequence cut off at the block end, a high surrogate whose low half may follow,
// and (when references are decoded, before the last block) a possible numeric
// reference in the making.
void ReadUnicodeStream(std::string_view block, Code code, BlockPosition position,
                       bool decodeReferences, std::u16string& text, std::size_t& carry);

// Changes text to Traditional (FaceT) or Simplified (FaceS) characters through
// the code tables and the fix table of the target encoding (none when
// fixTables is null). Characters the
// tables cannot map stay as they are, except that under FaceS a character
// code page 936 lacks becomes "?".
void ConvertFaceW(std::u16string& text, Face face, FixTables* fixTables);

// A UTF-8 block to UTF-8 in the Traditional typeface: what ReadUnicodeStream,
// ConvertFaceW(FaceT) and WideToUtf8Append give in turn (the BOM written when
// addBom), with the same carry, but without UTF-16 between: the characters go
// straight to Big5 codes, the fix table works on those, and they go straight
// to UTF-8. Numeric references are not decoded, so when decodeReferences is
// set the block must hold no "&#" (they are still held back at the end).
// big5 and saved are working buffers. False, with nothing changed, when the
// tables do not map character by character (then the general way it is).
bool Utf8ToTraditionalUtf8(Bytes& text, BlockPosition position, bool decodeReferences, bool addBom,
                           FixTables* fixTables, Bytes& big5, std::u16string& saved,
                           std::size_t& carry);

// Encodes text as Big5; characters Big5 lacks but GBK holds arrive in their
// Traditional form through the GBK->Big5 table.
Bytes WideToBig5(std::u16string_view text);
void WideToBig5Append(std::u16string_view text, Bytes& out);

} // namespace tessarim
