#pragma once
// The engine's shared vocabulary: code identifiers, typefaces, the options of a
// conversion, a block's place in its text and the block size.
// Every engine unit includes this header; callers outside the engine include the
// units they use.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace tessarim {

// Encodings, numbered as everywhere in the program (command line, settings, windows).
enum class Code : std::uint8_t {
    ULE = 0,          // UTF-16 little-endian
    UBE = 1,          // UTF-16 big-endian
    UTF8 = 2,         //
    GBK = 3,          // code page 936
    BIG5 = 4,         // code page 950
    DecNotation = 5,  // ASCII with "&#...;" references (output only)
    HexNotation = 6,  // ASCII with "&#x...;" references (output only)
    Undetermined = 7, // result of detection only
};

// Typeface of the converted text.
enum class Face : std::uint8_t {
    FaceT = 0, // Traditional
    FaceS = 1, // Simplified
    FaceD = 2, // unchanged
};

// Direction of the table conversion between GBK and Big5.
enum class Direction : std::uint8_t {
    GbToBig5 = 0,
    Big5ToGb = 1,
};

// The enumerators read as plain names (GBK, FaceT, GbToBig5) everywhere in the
// program; the types still keep numbers and codes from mixing silently.
using enum Code;
using enum Face;
using enum Direction;

struct FileStamp; // platform/Files.h

// Everything a conversion is asked to do. Each conversion carries its own, so
// conversions with different options can run side by side.
struct ConvertOptions {
    Code source = GBK;
    Code target = BIG5;
    Face face = FaceD;
    // Rewrite the charset declaration of an HTML text for the target.
    bool fixHtmlCharset = false;
    // Write a byte-order mark at the start of the text.
    bool addBom = false;
    // Decode numeric character references ("&#20013;"), holding partial ones
    // back at block ends.
    bool decodeReferences = true;
    // When set, the file routines add the number of characters written as a
    // replacement mark ("?", a white square, U+FFFD) that the input did not hold.
    std::uint64_t* replaced = nullptr;
    // When set, the file routines add the number of bytes at the very end of
    // the input that begin a character the input does not finish and that
    // the block rules leave out of the output (the table road's unpaired last
    // lead byte, the odd last byte of UTF-16), so that the user can be told.
    std::uint64_t* leftOut = nullptr;
    // A block that would write a replacement mark the input did not hold fails
    // with LossyConversion before it is written.
    bool failOnReplacement = false;
    // A file converted in place as it was when the run listed it: one changed
    // since (converted by another run meanwhile, say) is left as it is, not
    // converted a second time.
    const FileStamp* listed = nullptr;
};

// Where a block stands in its text: a byte-order mark is only taken off or
// written at the first block, and only a block before the last hands on bytes
// it could not finish.
struct BlockPosition {
    bool first = true;
    bool last = true;
};
inline constexpr BlockPosition WholeText{true, true};

// Files are converted in blocks of this size so memory stays bounded.
inline constexpr std::size_t BlockSize = 1024000;

// A byte buffer. Text in GBK, Big5 or UTF-8 is held as raw bytes in a std::string;
// bytes are always inspected as unsigned.
using Bytes = std::string;

inline std::uint8_t ByteAt(const Bytes& text, std::size_t i) {
    return static_cast<std::uint8_t>(text[i]);
}

// File and stream failures carry the user's words: "Cannot open file %s",
// "Cannot create file %s", "Stream read error", "Stream write error".
class ConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tessarim
