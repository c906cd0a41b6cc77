#pragma once
// Characters a conversion could not carry over show as replacement marks: "?"
// for a character the target code lacks, a white square where the GBK and Big5
// tables have no counterpart, U+FFFD for bytes that are no UTF-8. Counting the
// marks on both sides of a conversion tells how many it wrote.
#include "engine/ConFunc.h"

#include <string_view>

namespace tessarim {

// The number of "?", "□" and U+FFFD in text written in the code (the two
// numeric notations are ASCII). A double-byte code is paired as its code page
// pairs it, so a "?" can never be taken for half of a character.
std::size_t CountReplacementMarks(std::string_view text, Code code);

// How many times the byte occurs in text, as quickly as the marks are counted.
std::size_t CountByteIn(std::string_view text, char byte);

// A conversion asked to fail rather than replace a character met one.
class LossyConversion : public ConvertError {
public:
    using ConvertError::ConvertError;
};

} // namespace tessarim
