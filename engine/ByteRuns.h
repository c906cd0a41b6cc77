#pragma once
// Eight-byte tests the hot loops use to take runs of ASCII or of double-byte
// characters a word at a time. Internal to the engine.
#include <bit>
#include <cstdint>
#include <cstring>

namespace tessarim::runs {

inline constexpr std::uint64_t HighBits = 0x8080808080808080ull;
inline constexpr std::uint64_t LowBits = 0x0101010101010101ull;

inline std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline bool AllAscii(std::uint64_t v) {
    return (v & HighBits) == 0;
}

// Some byte of v is zero.
inline bool HasZeroByte(std::uint64_t v) {
    return ((v - LowBits) & ~v & HighBits) != 0;
}

// Every byte is 0x81..0xFE: four double-byte characters whose trail bytes a code
// page accepts as well (most GBK text), told by one word test.
inline bool AllPairBytes(std::uint64_t v) {
    return (v & HighBits) == HighBits && !HasZeroByte(v ^ HighBits) && !HasZeroByte(~v);
}

// Bytes 0, 2, 4 and 6 (in memory order) are 0x81 or more: from a character
// boundary, the eight bytes are four double-byte characters, whatever their
// trail bytes are (a Big5 trail byte is often below 0x80).
inline bool FourPairs(std::uint64_t v) {
    if constexpr (std::endian::native == std::endian::big) v >>= 8;
    constexpr std::uint64_t carries = 0x0100010001000100ull;
    return (((v & 0x00FF00FF00FF00FFull) + 0x007F007F007F007Full) & carries) == carries;
}

} // namespace tessarim::runs
