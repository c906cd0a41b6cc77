#pragma once
// UTF-8 <-> UTF-16 codecs.
//
// Reading is lenient where older files need it and strict elsewhere: a
// well-formed sequence of up to four bytes becomes its code unit or surrogate
// pair; every ill-formed byte becomes U+FFFD and consumes only itself, so the
// characters after it survive. Two forms older writers produced still read:
// E0 80 80 as U+0000, and a surrogate pair written as two three-byte sequences.
// Writing is standard UTF-8.
#include "engine/ConFunc.h"

#include <string>
#include <string_view>

namespace tessarim {

// Appends the units decoded from bytes to out. When final is false, a sequence
// cut off at the end is left unread and its length returned (the caller offers
// those bytes again with the next block); when final is true it decodes as
// U+FFFD and 0 is returned.
std::size_t Utf8ToWideAppend(std::string_view bytes, bool final, std::u16string& out);

// The units of bytes; remaining receives the length of a sequence cut off at the end.
std::u16string Utf8ToWide(std::string_view bytes, std::size_t& remaining);

// Appends the UTF-8 form of text to out: a surrogate pair becomes one four-byte
// sequence, a lone surrogate EF BF BD, U+0000 the byte 00.
void WideToUtf8Append(std::u16string_view text, Bytes& out);
Bytes WideToUtf8(std::u16string_view text);

} // namespace tessarim
