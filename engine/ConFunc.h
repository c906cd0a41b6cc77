#pragma once
// The engine's shared vocabulary: code identifiers, typefaces and the block size.
// Every engine unit includes this header; callers outside the engine include the
// units they use.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace tessarim {

// Encodings, numbered as everywhere in the program (command line, settings, windows).
enum Code : std::uint8_t {
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
enum Face : std::uint8_t {
    FaceT = 0, // Traditional
    FaceS = 1, // Simplified
    FaceD = 2, // unchanged
};

// Direction of the table conversion between GBK and Big5.
enum Direction : std::uint8_t {
    GbToBig5 = 0,
    Big5ToGb = 1,
};

// Files are converted in blocks of this size so memory stays bounded.
inline constexpr std::size_t BlockSize = 1024000;

// A byte buffer. Text in GBK, Big5 or UTF-8 is held as raw bytes in a std::string;
// bytes are always inspected as unsigned.
using Bytes = std::string;

inline std::uint8_t ByteAt(const Bytes& text, std::size_t i) {
    return static_cast<std::uint8_t>(text[i]);
}

// Engine state shared by every conversion. All conversions run on one thread,
// one at a time, so these are plain variables.
//
// Decode numeric character references ("&#20013;") and hold partial ones back
// at block ends; loaded from the settings by whoever starts conversions.
inline bool Fix_UNN = true;
// True while a block that is not the last of its file is being converted.
inline bool MoreBlocksFollow = false;

// File and stream failures carry the user's words: "Cannot open file %s",
// "Cannot create file %s", "Stream read error", "Stream write error".
class ConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tessarim
