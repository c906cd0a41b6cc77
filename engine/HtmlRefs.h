#pragma once
// Re-encoded web pages must name their new charset, and numeric character references
// ("&#20013;", "&#x4E2D;") are turned back into characters before text is encoded.
// Letters are compared without regard to case, ASCII letters only.
#include "engine/ConFunc.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessarim {

// Charset names recognised inside a meta tag, tried in this order: a name that
// contains a shorter one comes before it, so "x-unicode-2-0-utf-8" is replaced whole.
inline constexpr std::array<std::string_view, 31> CharsetNames = {
    "unicode-1-1-utf-8",
    "x-unicode-2-0-utf-8",
    "unicode-2-0-utf-8",
    "utf-8",
    "utf8",
    "UnicodeFEFF",
    "UnicodeFFFE",
    "csUnicode",
    "unicode",
    "utf-16be",
    "utf-16le",
    "utf-16",
    "csISO58GB231280",
    "chinese",
    "CN-GB2312-80",
    "CN-GB",
    "csgb231280",
    "csgb2312",
    "gb2312-80",
    "gb231280",
    "gb_2312-80",
    "gb2312",
    "gbk",
    "cn-big5",
    "csbig5",
    "x-x-big5",
    "iso-ir-58",
    "big5",
    "GB18030-2000",
    "GB18030",
    "iso-8859-1",
};

// The charset name written for a target code: "unicode" (ULE, UBE), "utf-8",
// "gb2312", "big5", "iso-8859-1" (the numeric notations). Empty for Undetermined,
// which is never a target.
std::string_view CharsetNameOf(Code target);

// In every "<meta" tag of GBK or Big5 text, replaces the first name of CharsetNames
// found in the tag by newName; nothing else changes. A tag runs to the first ">" after
// "<meta", or to the end of the text when there is none.
void RewriteMetaCharset(Bytes& text, std::string_view newName);

// The same for UTF-16 text, except that a "<meta" with no ">" after it is left alone.
// A "<meta" inside an earlier tag starts a tag of its own.
void RewriteMetaCharsetW(std::u16string& text, std::u16string_view newName);

// The longest reference DecodeNumericRefs decodes, written without leading zeros
// or sign, has this many units before its ";" ("&#1114111", "&#x10FFFF"). A block
// that may end inside one holds back its last "&" within this many units.
inline constexpr std::size_t LongestOpenReference = 9;

// Replaces each "&#<decimal>;" and "&#x<hex>;" (or "&#X") by the code unit it names,
// in place, when the value is below 128 or from 256 to 65534; a value from 0x10000 to
// 0x10FFFF becomes its surrogate pair. Other values (0x80-0xFF, which GBK and Big5
// cannot hold, 65535 and anything beyond Unicode) and malformed references stay as text. A decimal
// value may carry a "+" sign; a "-" sign leaves the reference as text; no spaces are allowed. A
// malformed reference ends at the next "&", so it never swallows a valid one that follows. A "&#"
// without a later ";" stays as text.
void DecodeNumericRefs(std::u16string& text);

// Appends "&#20013;" or, with hex, "&#x4E2D;" (capital digits) for the value.
void AppendNumericReference(std::string& out, std::uint32_t value, bool hex);

} // namespace tessarim
