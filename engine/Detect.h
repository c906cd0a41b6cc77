#pragma once
// Guessing the code of a text whose code was not given: a byte-order mark first,
// then the shape of UTF-8, then hits in two samples of frequent Chinese characters
// to tell GBK from Big5. Every operation only reads its input.
#include "engine/ConFunc.h"

#include <string>
#include <string_view>

namespace tessarim {

// A text's first bytes, this many, are judged for a byte-order mark and the zero
// bytes of UTF-16; its non-ASCII bytes for UTF-8, GBK and Big5, as far as they
// go on.
inline constexpr std::size_t DetectFileSampleSize = 5120;

// What detection found: the code, or Undetermined with asciiOnly when the text
// holds no byte above 0x7F (no conversion changes its characters).
struct TextCode {
    Code code = Undetermined;
    bool asciiOnly = false;
};

// Detection fed block by block: the first bytes are kept as they are, and of the
// rest only the runs of non-ASCII bytes (each with the byte after it, which may
// be a Big5 or GBK trail byte), so a long English start does not hide the
// Chinese text behind it.
class CodeSniffer {
public:
    // Takes the next bytes; false once the sniffer has seen enough.
    bool Feed(std::string_view bytes);
    TextCode Result() const;

private:
    Bytes head_;
    Bytes runs_;
    std::size_t highBytes_ = 0;
    bool inRun_ = false;
};

// ULE for FF FE, UBE for FE FF, UTF8 for EF BB BF at the start; otherwise Undetermined.
Code DetectBom(std::string_view text);

// True when the first 3006 bytes hold at least one multi-byte UTF-8 sequence and no
// ill-formed one; pure ASCII gives false. The test only looks at the shape of each
// sequence (a C0-DF, E0-EF or F0-F4 lead byte followed by 1, 2 or 3 bytes 80-BF), and
// once a sequence ends past byte 3000 the text is taken as UTF-8. A sequence cut off by
// the end of the sample ends the sample.
bool LooksLikeUtf8(std::string_view text);

// The code of a text: the byte-order mark, else UTF-16 by its zero bytes, else
// (judging its non-ASCII runs as CodeSniffer keeps them) UTF8 when it looks like
// UTF-8, else GBK or BIG5 by sample hits among its first 5121 double-byte codes (equal hits: GBK
// unless more than 4 % of the codes lie outside GB2312). Undetermined when the text
// has no mark, does not look like UTF-8 and holds no double-byte code.
Code DetectStream(std::string_view text);

// UTF-16 without a byte-order mark, told by its zero bytes: every zero on one
// side of the code units (the high byte of Latin letters, digits, spaces and line
// ends), and no unit U+0000. Undetermined otherwise.
Code DetectUtf16ByZeros(std::string_view text);

// The file read as far as a CodeSniffer asks. Throws
// ConvertError "Cannot open file <path>" when the file cannot be opened or is no
// regular file (a folder, device or FIFO), and "Stream read error" when reading
// fails.
TextCode DetectFileCode(const std::string& path);
Code DetectFile(const std::string& path);

// True once the text holds 8 double-byte codes (a byte of 0x81 or more taking the
// next byte with it).
bool HasDoubleByteText(std::string_view text);

} // namespace tessarim
