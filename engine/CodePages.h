#pragma once
// Code-page conversions between bytes and UTF-16, over our own compiled-in
// tables of code pages 936 (GBK) and 950 (Big5). One character in, one
// character out: a character the code page lacks becomes "?", and so does a
// byte sequence it cannot decode. The bridge between the table conversion and
// Unicode relies on that.
#include "engine/ConFunc.h"
#include "platform/CodePage.h" // the code page numbers

#include <string>
#include <string_view>

namespace tessarim {

// Decodes bytes of a code page. 936 and 950 use the built-in tables; 65001 is
// UTF-8; any other code page is read as Windows-1252.
std::u16string AnsiToWide(std::string_view bytes, int codePage);
// Appends the decoded text to out (the hot path reuses the caller's buffer).
void AnsiToWideAppend(std::string_view bytes, int codePage, std::u16string& out);

// Encodes UTF-16 text into a code page; a unit the code page lacks becomes "?".
Bytes WideToAnsi(std::u16string_view text, int codePage);
void WideToAnsiAppend(std::u16string_view text, int codePage, Bytes& out);

// Decodes bytes of a code page straight into UTF-8, as WideToUtf8 of AnsiToWide
// would, in one pass.
void AnsiToUtf8Append(std::string_view bytes, int codePage, Bytes& out);

// The same written over out from offset at on (what out held there is
// dropped, not cleared first), with each byte 0x1F standing for the next unit
// of marked while any is left (characters of the BMP, no surrogates; none
// when marked is empty). out ends where the result ends.
void AnsiToUtf8Marked(std::string_view bytes, int codePage, std::u16string_view marked, Bytes& out,
                      std::size_t at);

// The code of a character in 936 or 950, 0 when the code page lacks it: a
// double-byte code, or the single byte of characters below 0x80 and of the euro
// sign in 936 (0x80).
unsigned EncodeUnit(char16_t unit, int codePage);

} // namespace tessarim
