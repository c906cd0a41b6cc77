#include "engine/Utf8.h"

#include <cstdint>

namespace tessarim {

namespace {

constexpr char16_t Replacement = 0xFFFD;

bool IsContinuation(std::uint8_t b) {
    return (b & 0xC0) == 0x80;
}

// The accepted range of the second byte after a lead byte (the first continuation).
struct SecondByteRange {
    std::uint8_t low, high;
};

SecondByteRange SecondRange(std::uint8_t lead) {
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
std::size_t SequenceLength(std::uint8_t lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// True when p[0..n) could still become a well-formed sequence with more bytes.
bool IsCutOffSequence(const std::uint8_t* p, std::size_t n) {
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
bool CouldStartLowSurrogate(const std::uint8_t* p, std::size_t n) {
    return n < 3 && (n < 1 || p[0] == 0xED) && (n < 2 || (p[1] >= 0xB0 && p[1] <= 0xBF));
}

} // namespace

std::size_t Utf8ToWideAppend(std::string_view bytes, bool final, std::u16string& out) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t n = bytes.size();
    const std::size_t start = out.size();
    out.resize(start + n); // never more units than bytes
    char16_t* o = out.data() + start;
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t b = p[i];
        if (b < 0x80) {
            *o++ = b;
            ++i;
            continue;
        }
        const std::size_t length = SequenceLength(b);
        if (length == 0) {
            *o++ = Replacement;
            ++i;
            continue;
        }
        if (i + length > n) {
            if (!final && IsCutOffSequence(p + i, n - i)) break;
            *o++ = Replacement;
            ++i;
            continue;
        }
        const std::uint8_t b1 = p[i + 1];
        if (length == 2) {
            if (IsContinuation(b1)) {
                *o++ = static_cast<char16_t>((b & 0x1F) << 6 | (b1 & 0x3F));
                i += 2;
            } else {
                *o++ = Replacement;
                ++i;
            }
            continue;
        }
        const std::uint8_t b2 = p[i + 2];
        if (length == 3) {
            const SecondByteRange range = SecondRange(b);
            const bool legacyNull = b == 0xE0 && b1 == 0x80 && b2 == 0x80;
            if (!legacyNull && (b1 < range.low || b1 > range.high || !IsContinuation(b2))) {
                *o++ = Replacement;
                ++i;
                continue;
            }
            const auto unit =
                static_cast<char16_t>((b & 0x0F) << 12 | (b1 & 0x3F) << 6 | (b2 & 0x3F));
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                // A high surrogate written on its own: keep it only with its low half.
                if (i + 6 <= n && p[i + 3] == 0xED && p[i + 4] >= 0xB0 && p[i + 4] <= 0xBF &&
                    IsContinuation(p[i + 5])) {
                    *o++ = unit;
                    *o++ =
                        static_cast<char16_t>(0xDC00 | (p[i + 4] & 0x0F) << 6 | (p[i + 5] & 0x3F));
                    i += 6;
                } else if (!final && CouldStartLowSurrogate(p + i + 3, n - i - 3)) {
                    break; // its low half may come with the next block
                } else {
                    *o++ = Replacement;
                    i += 3;
                }
            } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                *o++ = Replacement;
                i += 3;
            } else {
                *o++ = unit;
                i += 3;
            }
            continue;
        }
        const std::uint8_t b3 = p[i + 3];
        const SecondByteRange range = SecondRange(b);
        if (b1 < range.low || b1 > range.high || !IsContinuation(b2) || !IsContinuation(b3)) {
            *o++ = Replacement;
            ++i;
            continue;
        }
        const std::uint32_t scalar =
            (b & 0x07u) << 18 | (b1 & 0x3Fu) << 12 | (b2 & 0x3Fu) << 6 | (b3 & 0x3Fu);
        *o++ = static_cast<char16_t>(0xD800 + ((scalar - 0x10000) >> 10));
        *o++ = static_cast<char16_t>(0xDC00 + ((scalar - 0x10000) & 0x3FF));
        i += 4;
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return n - i;
}

std::u16string Utf8ToWide(std::string_view bytes, std::size_t& remaining) {
    std::u16string out;
    remaining = Utf8ToWideAppend(bytes, false, out);
    return out;
}

void WideToUtf8Append(std::u16string_view text, Bytes& out) {
    const std::size_t start = out.size();
    out.resize(start + 3 * text.size()); // a pair takes 4 bytes for 2 units
    auto* o = reinterpret_cast<std::uint8_t*>(out.data() + start);
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t c = text[i];
        if (c < 0x80) {
            *o++ = static_cast<std::uint8_t>(c);
        } else if (c < 0x800) {
            *o++ = static_cast<std::uint8_t>(0xC0 | c >> 6);
            *o++ = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            if (c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                const std::uint32_t scalar =
                    0x10000 + ((c - 0xD800u) << 10) + (text[i + 1] - 0xDC00u);
                *o++ = static_cast<std::uint8_t>(0xF0 | scalar >> 18);
                *o++ = static_cast<std::uint8_t>(0x80 | (scalar >> 12 & 0x3F));
                *o++ = static_cast<std::uint8_t>(0x80 | (scalar >> 6 & 0x3F));
                *o++ = static_cast<std::uint8_t>(0x80 | (scalar & 0x3F));
                ++i;
            } else {
                *o++ = 0xEF;
                *o++ = 0xBF;
                *o++ = 0xBD;
            }
        } else {
            *o++ = static_cast<std::uint8_t>(0xE0 | c >> 12);
            *o++ = static_cast<std::uint8_t>(0x80 | (c >> 6 & 0x3F));
            *o++ = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
        }
    }
    out.resize(static_cast<std::size_t>(o - reinterpret_cast<std::uint8_t*>(out.data())));
}

Bytes WideToUtf8(std::u16string_view text) {
    Bytes out;
    WideToUtf8Append(text, out);
    return out;
}

} // namespace tessarim
