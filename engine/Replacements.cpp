#include "engine/Replacements.h"

#include "engine/CodeTables.h"
#include "engine/Cpu.h"

#include <algorithm>
#include <cstdint>

#ifdef TESSARIM_HAVE_AVX2_LOOPS
#include <immintrin.h>
#endif

namespace tessarim {

namespace {

// Every conversion of a file with a count asked for runs this over its input
// and its output, so it must cost little beside the conversion itself: loops
// without branches, which the compiler vectorises, built also for AVX2 (the
// ...Avx2 functions below take them in). Sums kept byte-wide over chunks too
// short to overflow them let it compare sixteen or thirty-two bytes at a time.

constexpr std::size_t Chunk = 224; // seven steps of 32 bytes, below 256

[[gnu::always_inline]] inline std::size_t CountByte(const std::uint8_t* bytes, std::size_t size,
                                                    std::uint8_t byte) {
    std::size_t marks = 0;
    for (std::size_t base = 0; base < size; base += Chunk) {
        const std::size_t end = std::min(base + Chunk, size);
        std::uint8_t found = 0;
        for (std::size_t i = base; i < end; ++i)
            found += bytes[i] == byte;
        marks += found;
    }
    return marks;
}

[[gnu::always_inline]] inline std::size_t CountUtf16(const std::uint8_t* bytes, std::size_t size,
                                                     bool littleEndian) {
    const std::size_t units = size / 2;
    std::size_t marks = 0;
    for (std::size_t base = 0; base < units; base += Chunk) {
        const std::size_t end = std::min(base + Chunk, units);
        std::uint8_t found = 0;
        for (std::size_t i = base; i < end; ++i) {
            const std::uint16_t a = bytes[2 * i];
            const std::uint16_t b = bytes[2 * i + 1];
            const std::uint16_t unit = littleEndian ? static_cast<std::uint16_t>(a | b << 8)
                                                    : static_cast<std::uint16_t>(a << 8 | b);
            found += (unit == u'?') | (unit == 0x25A1) | (unit == 0xFFFD);
        }
        marks += found;
    }
    return marks;
}

// "□" is E2 96 A1 and U+FFFD is EF BF BD; neither can start inside another
// character, so no pairing is needed.
[[gnu::always_inline]] inline std::size_t CountUtf8(const std::uint8_t* bytes, std::size_t size) {
    const std::size_t threes = size < 2 ? 0 : size - 2; // places with two bytes after them
    std::size_t marks = 0;
    for (std::size_t base = 0; base < threes; base += Chunk) {
        const std::size_t end = std::min(base + Chunk, threes);
        std::uint8_t found = 0;
        for (std::size_t i = base; i < end; ++i) {
            const std::uint8_t a = bytes[i];
            const std::uint8_t b = bytes[i + 1];
            const std::uint8_t c = bytes[i + 2];
            found += (a == '?') | ((a == 0xE2) & (b == 0x96) & (c == 0xA1)) |
                     ((a == 0xEF) & (b == 0xBF) & (c == 0xBD));
        }
        marks += found;
    }
    for (std::size_t i = threes; i < size; ++i)
        marks += bytes[i] == '?';
    return marks;
}

bool IsLeadByte(unsigned byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

// Double-byte codes, paired as the code page pairs them: a lead byte takes the
// next byte whatever it is. Right text has no lead byte before a "?" (0x3F is
// below every trail byte), so every 0x3F byte is a question mark, and only the
// few places where a lead byte meets "?" or the white square's two bytes meet
// need the pairing. Whether such a place begins a character is settled from
// the last position known to begin one: a byte that cannot lead (below 0x81,
// or 0xFF) always ends a character, and lead bytes after a start pair up. Each
// settled place moves the known start past it, so the count stays linear.
class Pairing {
public:
    Pairing(const std::uint8_t* bytes, std::uint8_t high, std::uint8_t low)
        : bytes_(bytes), high_(high), low_(low) {}

    // The marks among the places from base to end (each with a byte after it)
    // beyond the "?" bytes counted already.
    long Settle(std::size_t base, std::size_t end) {
        long marks = 0;
        for (std::size_t i = base; i < end; ++i) {
            const unsigned a = bytes_[i];
            const unsigned b = bytes_[i + 1];
            if (a == high_ && b == low_) {
                const bool square = BeginsCharacter(i);
                marks += square;
                start_ = square ? i + 2 : i + 1;
            } else if (IsLeadByte(a) && b == '?') {
                marks -= !BeginsCharacter(i + 1); // a trail byte
                start_ = i + 2;
            }
        }
        return marks;
    }

private:
    bool BeginsCharacter(std::size_t at) const {
        std::size_t from = at;
        while (from > start_ && IsLeadByte(bytes_[from - 1]))
            --from;
        return (at - from) % 2 == 0;
    }

    const std::uint8_t* bytes_;
    std::uint8_t high_;
    std::uint8_t low_;
    std::size_t start_ = 0; // a position known to begin a character
};

std::size_t CountDoubleByte(const std::uint8_t* bytes, std::size_t size, DbcsCode square) {
    if (size == 0) return 0;
    const auto high = static_cast<std::uint8_t>(square >> 8);
    const auto low = static_cast<std::uint8_t>(square & 0xFF);
    Pairing pairing(bytes, high, low);
    std::size_t marks = bytes[size - 1] == '?';
    for (std::size_t base = 0; base + 1 < size; base += Chunk) {
        const std::size_t end = std::min(base + Chunk, size - 1);
        std::uint8_t questions = 0;
        std::uint8_t doubtful = 0;
        for (std::size_t i = base; i < end; ++i) {
            const std::uint8_t a = bytes[i];
            const std::uint8_t b = bytes[i + 1];
            questions += a == '?';
            doubtful |= static_cast<std::uint8_t>(
                ((a == high) & (b == low)) |
                ((static_cast<std::uint8_t>(a - 0x81) < 0x7E) & (b == '?')));
        }
        marks += questions;
        if (doubtful != 0) marks += static_cast<std::size_t>(pairing.Settle(base, end));
    }
    return marks;
}

#ifdef TESSARIM_HAVE_AVX2_LOOPS
// What the vector loops of the double-byte count leave: the places from base
// on, each with a byte after it, one by one.
std::size_t CountRest(const std::uint8_t* bytes, std::size_t base, std::size_t size,
                      Pairing& pairing) {
    std::size_t marks = 0;
    for (std::size_t i = base; i + 1 < size; ++i)
        marks += bytes[i] == '?';
    if (base + 1 < size) marks += static_cast<std::size_t>(pairing.Settle(base, size - 1));
    return marks;
}

// The loops above, vectorised for AVX2.
__attribute__((target("avx2"))) std::size_t CountByteAvx2(const std::uint8_t* bytes,
                                                          std::size_t size, std::uint8_t byte) {
    return CountByte(bytes, size, byte);
}
__attribute__((target("avx2"))) std::size_t CountUtf16Avx2(const std::uint8_t* bytes,
                                                           std::size_t size, bool littleEndian) {
    return CountUtf16(bytes, size, littleEndian);
}
__attribute__((target("avx2"))) std::size_t CountUtf8Avx2(const std::uint8_t* bytes,
                                                          std::size_t size) {
    return CountUtf8(bytes, size);
}

// The double-byte count thirty-two places at a time with AVX2, for processors
// without AVX-512: a window with no mark in it costs a few compares and one
// test, where the vectorised loop above sums every byte.
__attribute__((target("avx2,popcnt"))) std::size_t
CountDoubleByteAvx2(const std::uint8_t* bytes, std::size_t size, DbcsCode square) {
    if (size == 0) return 0;
    const auto high = static_cast<std::uint8_t>(square >> 8);
    const auto low = static_cast<std::uint8_t>(square & 0xFF);
    const __m256i question = _mm256_set1_epi8('?');
    const __m256i highs = _mm256_set1_epi8(static_cast<char>(high));
    const __m256i lows = _mm256_set1_epi8(static_cast<char>(low));
    const __m256i signFlip = _mm256_set1_epi8(static_cast<char>(0x80));
    Pairing pairing(bytes, high, low);
    std::size_t marks = bytes[size - 1] == '?';
    std::size_t base = 0;
    // Places from base to base + 32, each with the byte after it.
    for (; base + 33 <= size; base += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + base));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + base + 1));
        const __m256i questions = _mm256_cmpeq_epi8(a, question);
        const __m256i questionsAfter = _mm256_cmpeq_epi8(b, question);
        const __m256i squares =
            _mm256_and_si256(_mm256_cmpeq_epi8(a, highs), _mm256_cmpeq_epi8(b, lows));
        const __m256i any = _mm256_or_si256(_mm256_or_si256(questions, questionsAfter), squares);
        if (_mm256_testz_si256(any, any)) continue;
        marks += static_cast<std::size_t>(
            __builtin_popcount(static_cast<unsigned>(_mm256_movemask_epi8(questions))));
        // Bytes of 0x81 or more (above zero once the sign bit is turned); the
        // pairing tells a lead byte from 0xFF itself.
        const __m256i leads =
            _mm256_cmpgt_epi8(_mm256_xor_si256(a, signFlip), _mm256_setzero_si256());
        const __m256i doubtful = _mm256_or_si256(squares, _mm256_and_si256(leads, questionsAfter));
        if (!_mm256_testz_si256(doubtful, doubtful))
            marks += static_cast<std::size_t>(pairing.Settle(base, base + 32));
    }
    return marks + CountRest(bytes, base, size, pairing);
}

// GCC 12 warns of the undefined vectors its own AVX-512 intrinsics start from.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
// The same count sixty-four places at a time with mask registers: no byte-wide
// sums to gather up, and a place count is one population count.
__attribute__((target("avx512f,avx512bw,popcnt"))) std::size_t
CountDoubleByteAvx512(const std::uint8_t* bytes, std::size_t size, DbcsCode square) {
    if (size == 0) return 0;
    const auto high = static_cast<std::uint8_t>(square >> 8);
    const auto low = static_cast<std::uint8_t>(square & 0xFF);
    const __m512i question = _mm512_set1_epi8('?');
    const __m512i highs = _mm512_set1_epi8(static_cast<char>(high));
    const __m512i lows = _mm512_set1_epi8(static_cast<char>(low));
    const __m512i lowestLead = _mm512_set1_epi8(static_cast<char>(0x81));
    const __m512i highestLead = _mm512_set1_epi8(static_cast<char>(0xFE));
    Pairing pairing(bytes, high, low);
    std::size_t marks = bytes[size - 1] == '?';
    std::size_t base = 0;
    // Places from base to base + 64, each with the byte after it.
    for (; base + 65 <= size; base += 64) {
        const __m512i a = _mm512_loadu_si512(bytes + base);
        const __m512i b = _mm512_loadu_si512(bytes + base + 1);
        const std::uint64_t questions = _mm512_cmpeq_epi8_mask(a, question);
        const std::uint64_t squares =
            _mm512_cmpeq_epi8_mask(a, highs) & _mm512_cmpeq_epi8_mask(b, lows);
        // Most text has neither mark: then no place here counts.
        if ((questions | squares | _mm512_cmpeq_epi8_mask(b, question)) == 0) continue;
        marks += static_cast<std::size_t>(__builtin_popcountll(questions));
        const std::uint64_t trailQuestions = _mm512_cmpge_epu8_mask(a, lowestLead) &
                                             _mm512_cmple_epu8_mask(a, highestLead) &
                                             _mm512_cmpeq_epi8_mask(b, question);
        if ((squares | trailQuestions) != 0)
            marks += static_cast<std::size_t>(pairing.Settle(base, base + 64));
    }
    return marks + CountRest(bytes, base, size, pairing);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

} // namespace

std::size_t CountByteIn(std::string_view text, char byte) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto value = static_cast<std::uint8_t>(byte);
#ifdef TESSARIM_HAVE_AVX2_LOOPS
    if (UseAvx2()) return CountByteAvx2(bytes, text.size(), value);
#endif
    return CountByte(bytes, text.size(), value);
}

std::size_t CountReplacementMarks(std::string_view text, Code code) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const DbcsCode square = code == GBK ? GbWhiteSquare : Big5WhiteSquare;
#ifdef TESSARIM_HAVE_AVX2_LOOPS
    if (UseAvx2()) {
        switch (code) {
        case ULE:
        case UBE:
            return CountUtf16Avx2(bytes, text.size(), code == ULE);
        case UTF8:
            return CountUtf8Avx2(bytes, text.size());
        case GBK:
        case BIG5:
            return UseAvx512() ? CountDoubleByteAvx512(bytes, text.size(), square)
                               : CountDoubleByteAvx2(bytes, text.size(), square);
        default:
            return CountByteIn(text, '?');
        }
    }
#endif
    switch (code) {
    case ULE:
    case UBE:
        return CountUtf16(bytes, text.size(), code == ULE);
    case UTF8:
        return CountUtf8(bytes, text.size());
    case GBK:
    case BIG5:
        return CountDoubleByte(bytes, text.size(), square);
    default:
        return CountByteIn(text, '?');
    }
}

} // namespace tessarim
