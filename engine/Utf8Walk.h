#pragma once
// The UTF-8 reader behind Utf8ToWideAppend, handing what it reads to a sink, so
// a road that does not want UTF-16 reads UTF-8 by the very same rules (see
// Utf8.h). Internal to the engine.
//
// A sink has Ascii8(p) for eight ASCII bytes at p, Unit(u) for one code unit
// (an ASCII byte, a character of the BMP or U+FFFD), Units(u, v) for two
// characters of the BMP in a row (no surrogates) and Pair(high, low) for a
// surrogate pair.
#include "engine/ByteRuns.h"

#include <bit>
#include <cstddef>
#include <cstdint>

namespace tessarim::utf8 {

inline constexpr char16_t Replacement = 0xFFFD;

inline bool IsContinuation(std::uint8_t b) {
    return (b & 0xC0) == 0x80;
}

// The accepted range of the second byte after a lead byte (the first continuation).
struct SecondByteRange {
    std::uint8_t low, high;
};

inline SecondByteRange SecondRange(std::uint8_t lead) {
    switch (lead) {
    case 0xE0:
        return {0xA0, 0xBF};
    case 0xED:
        return {0x80, 0xBF}; // A0..BF are surrogates, checked by the caller
    case 0xF0:
        return {0x90, 0xBF};
    case 0xF4:
        return {0x80, 0x8F};
    default:
        return {0x80, 0xBF};
    }
}

// Length of the sequence a lead byte starts, 0 when it starts none.
inline std::size_t SequenceLength(std::uint8_t lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// True when p[0..n) could still become a well-formed sequence with more bytes.
inline bool IsCutOffSequence(const std::uint8_t* p, std::size_t n) {
    const std::size_t length = SequenceLength(p[0]);
    if (length == 0 || n >= length) return false;
    if (n >= 2) {
        const SecondByteRange range = SecondRange(p[0]);
        if (p[1] < range.low || p[1] > range.high) return p[0] == 0xE0 && p[1] == 0x80;
    }
    for (std::size_t k = 2; k < n; ++k)
        if (!IsContinuation(p[k])) return false;
    return true;
}

// True when the n bytes at p (fewer than three) could begin the three-byte form
// of a low surrogate, ED B0..BF xx.
inline bool CouldStartLowSurrogate(const std::uint8_t* p, std::size_t n) {
    return n < 3 && (n < 1 || p[0] == 0xED) && (n < 2 || (p[1] >= 0xB0 && p[1] <= 0xBF));
}

// A three-byte sequence at p (n bytes left) whose lead byte is neither E0
// nor ED, so any continuation bytes make a character.
inline bool IsPlainThree(const std::uint8_t* p, std::size_t n) {
    return n >= 3 && p[0] >= 0xE1 && p[0] <= 0xEF && p[0] != 0xED && IsContinuation(p[1]) &&
           IsContinuation(p[2]);
}

// The first six bytes of v (in memory order) are two such sequences.
inline bool TwoPlainThrees(std::uint64_t v) {
    constexpr bool little = std::endian::native == std::endian::little;
    constexpr std::uint64_t mask = little ? 0x0000C0C0F0C0C0F0ull : 0xF0C0C0F0C0C00000ull;
    constexpr std::uint64_t shape = little ? 0x00008080E08080E0ull : 0xE08080E080800000ull;
    if ((v & mask) != shape) return false;
    const auto lead = [&](int k) {
        return static_cast<std::uint8_t>(little ? v >> (8 * k) : v >> (56 - 8 * k));
    };
    return lead(0) != 0xE0 && lead(0) != 0xED && lead(3) != 0xE0 && lead(3) != 0xED;
}

inline char16_t ThreeByteUnit(const std::uint8_t* p) {
    return static_cast<char16_t>((p[0] & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F));
}

// Reads the run of such sequences from p[i] on (there is one) into the sink;
// returns where it ends. A loop of its own, so the sink's write position and
// tables stay in registers.
template <class Sink>
[[gnu::noinline]] std::size_t PlainThrees(const std::uint8_t* p, std::size_t i, std::size_t n,
                                          Sink& into) {
    Sink sink = into;
    while (i + 14 <= n && TwoPlainThrees(runs::Load64(p + i)) &&
           TwoPlainThrees(runs::Load64(p + i + 6))) {
        sink.Units(ThreeByteUnit(p + i), ThreeByteUnit(p + i + 3));
        sink.Units(ThreeByteUnit(p + i + 6), ThreeByteUnit(p + i + 9));
        i += 12;
    }
    while (i + 8 <= n && TwoPlainThrees(runs::Load64(p + i))) {
        sink.Units(ThreeByteUnit(p + i), ThreeByteUnit(p + i + 3));
        i += 6;
    }
    if (IsPlainThree(p + i, n - i)) {
        sink.Unit(ThreeByteUnit(p + i));
        i += 3;
    }
    into = sink;
    return i;
}

// Reads p[0..n) into the sink; returns how many bytes were read (the rest is a
// cut-off sequence left for the next block, never when final is set). The
// sink is worked on as a local copy: a sink that writes bytes would otherwise
// have its write position read back from memory after every byte it writes.
template <class Sink>
std::size_t Walk(const std::uint8_t* p, std::size_t n, bool final, Sink& into) {
    Sink sink = into;
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t b = p[i];
        if (b < 0x80) {
            while (i + 8 <= n && runs::AllAscii(runs::Load64(p + i))) {
                sink.Ascii8(p + i);
                i += 8;
            }
            if (i < n && p[i] < 0x80) sink.Unit(p[i++]);
            continue;
        }
        // Most of Chinese text: three bytes whose lead byte accepts any
        // continuation byte second (E0 and ED narrow it), taken two at a time
        // while they run.
        if (IsPlainThree(p + i, n - i)) {
            i = PlainThrees(p, i, n, sink);
            continue;
        }
        const std::size_t length = SequenceLength(b);
        if (length == 0) {
            sink.Unit(Replacement);
            ++i;
            continue;
        }
        if (i + length > n) {
            if (!final && IsCutOffSequence(p + i, n - i)) break;
            sink.Unit(Replacement);
            ++i;
            continue;
        }
        const std::uint8_t b1 = p[i + 1];
        if (length == 2) {
            if (IsContinuation(b1)) {
                sink.Unit(static_cast<char16_t>((b & 0x1F) << 6 | (b1 & 0x3F)));
                i += 2;
            } else {
                sink.Unit(Replacement);
                ++i;
            }
            continue;
        }
        const std::uint8_t b2 = p[i + 2];
        if (length == 3) {
            const SecondByteRange range = SecondRange(b);
            const bool legacyNull = b == 0xE0 && b1 == 0x80 && b2 == 0x80;
            if (!legacyNull && (b1 < range.low || b1 > range.high || !IsContinuation(b2))) {
                sink.Unit(Replacement);
                ++i;
                continue;
            }
            const auto unit =
                static_cast<char16_t>((b & 0x0F) << 12 | (b1 & 0x3F) << 6 | (b2 & 0x3F));
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                // A high surrogate written on its own: keep it only with its low half.
                if (i + 6 <= n && p[i + 3] == 0xED && p[i + 4] >= 0xB0 && p[i + 4] <= 0xBF &&
                    IsContinuation(p[i + 5])) {
                    sink.Pair(unit, static_cast<char16_t>(0xDC00 | (p[i + 4] & 0x0F) << 6 |
                                                          (p[i + 5] & 0x3F)));
                    i += 6;
                } else if (!final && CouldStartLowSurrogate(p + i + 3, n - i - 3)) {
                    break; // its low half may come with the next block
                } else {
                    sink.Unit(Replacement);
                    i += 3;
                }
            } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                sink.Unit(Replacement);
                i += 3;
            } else {
                sink.Unit(unit);
                i += 3;
            }
            continue;
        }
        const std::uint8_t b3 = p[i + 3];
        const SecondByteRange range = SecondRange(b);
        if (b1 < range.low || b1 > range.high || !IsContinuation(b2) || !IsContinuation(b3)) {
            sink.Unit(Replacement);
            ++i;
            continue;
        }
        const std::uint32_t scalar =
            (b & 0x07u) << 18 | (b1 & 0x3Fu) << 12 | (b2 & 0x3Fu) << 6 | (b3 & 0x3Fu);
        sink.Pair(static_cast<char16_t>(0xD800 + ((scalar - 0x10000) >> 10)),
                  static_cast<char16_t>(0xDC00 + ((scalar - 0x10000) & 0x3FF)));
        i += 4;
    }
    into = sink;
    return i;
}

} // namespace tessarim::utf8
