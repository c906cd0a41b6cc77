#pragma once
// Re-encoded web pages must name their new charset, and numeric character references
// ("&#20013;", "&#x4E2D;") are turned back into characters before text is encoded.
// Letters are compared without regard to case, ASCII letters only.
#include "engine/ConFunc.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tessarim {

// The charset name written for a target code: "unicode" (ULE, UBE), "utf-8",
// "gb2312", "big5", "iso-8859-1" (the numeric notations). Empty for Undetermined,
// which is never a target.
std::string_view CharsetNameOf(Code target);

// The encoding name an XML declaration gets: "UTF-16", "UTF-8", "GBK", "Big5",
// "US-ASCII". XML parsers take "gb2312" for the smaller GB 2312 and would refuse
// GBK's other characters.
std::string_view XmlEncodingNameOf(Code target);

// The label names one of the codes the program reads or writes: one of the
// common names of UTF-8, UTF-16, GBK (GB 2312 and GB 18030 included), Big5
// (HKSCS included), or ISO-8859-1 and US-ASCII, compared whole and without
// regard to case.
bool IsConvertibleCharsetLabel(std::string_view label);

// Names the target code in the text's charset declarations: the value of a
// "<meta charset=...>", the charset inside the content of a
// "<meta http-equiv=Content-Type content=...>", and the encoding of an
// "<?xml ... ?>" declaration. A label is replaced whole and only when it names
// a code the program converts; other text, a "<meta>" without ">" and labels
// of other codes stay as they are. The byte form is for GBK, Big5 and UTF-8
// text (ASCII markup), the other for UTF-16.
void RewriteCharsetDeclarations(Bytes& text, Code target);
void RewriteCharsetDeclarationsW(std::u16string& text, Code target);

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
