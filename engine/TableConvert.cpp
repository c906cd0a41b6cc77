#include "engine/TableConvert.h"

#include "engine/ByteRuns.h"
#include "engine/CodeTables.h"
#include "engine/Cpu.h"
#include "engine/FixTables.h"

#include <bit>
#include <cstring>

#ifdef TESSARIM_HAVE_AVX2_LOOPS
#include <immintrin.h>
#endif

namespace tessarim {

namespace {

using Pairs = std::array<std::uint16_t, PairTableSpan>;

// A character's two bytes as the pair tables index them, and back; each a
// plain 16-bit load or store where the processor is little-endian.
std::uint16_t LoadPair(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
void StorePair(std::uint8_t* p, std::uint16_t pair) {
    p[0] = static_cast<std::uint8_t>(pair);
    p[1] = static_cast<std::uint8_t>(pair >> 8);
}

void ConvertPair(std::uint8_t* p, const Pairs& table) {
    StorePair(p, table[LoadPair(p)]);
}

// Four characters read and written as one word, whose sixteen-bit parts from
// the lowest up are then the characters in order.
void ConvertFourPairs(std::uint8_t* p, std::uint64_t word, const Pairs& table) {
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    const std::uint64_t to = std::uint64_t{table[word >> 48]} << 48 |
                             std::uint64_t{table[word >> 32 & 0xFFFF]} << 32 |
                             std::uint64_t{table[word >> 16 & 0xFFFF]} << 16 | table[word & 0xFFFF];
    const std::uint64_t out = std::endian::native == std::endian::big ? __builtin_bswap64(to) : to;
    std::memcpy(p, &out, 8);
}

// One step through text that has eight more bytes: runs of Chinese text and
// of ASCII go eight bytes at a time, the four lookups of a run not waiting on
// each other. The next place to go on from.
std::size_t Step(std::uint8_t* p, std::size_t i, const Pairs& table) {
    const std::uint64_t v = runs::Load64(p + i);
    if (runs::FourPairs(v)) {
        ConvertFourPairs(p + i, v, table);
        return i + 8;
    }
    if (runs::AllAscii(v)) return i + 8;
    if (p[i] < 0x81) return i + 1;
    ConvertPair(p + i, table);
    return i + 2;
}

// The text from i on; true when it ends in an unpaired lead byte.
bool ConvertFrom(std::uint8_t* p, std::size_t i, std::size_t n, const Pairs& table) {
    while (i + 8 <= n)
        i = Step(p, i, table);
    while (i + 1 < n) {
        if (p[i] < 0x81) {
            ++i;
        } else {
            ConvertPair(p + i, table);
            i += 2;
        }
    }
    return i < n && p[i] >= 0x81;
}

#ifdef TESSARIM_HAVE_AVX2_LOOPS
// The same on processors with AVX2: sixteen bytes that are eight double-byte
// characters are tested at once, then looked up by one gather or by eight
// plain loads and stores, whichever the processor does sooner
// (GathersAreQuick).
template <bool Gather>
__attribute__((target("avx2"))) bool ConvertAvx2(std::uint8_t* p, std::size_t n,
                                                 const Pairs& table) {
    std::size_t i = 0;
    while (i + 16 <= n) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        // A byte of 0x81 or more at every even place.
        const __m128i leads =
            _mm_cmpgt_epi8(_mm_xor_si128(bytes, _mm_set1_epi8(-128)), _mm_setzero_si128());
        if ((_mm_movemask_epi8(leads) & 0x5555) != 0x5555) {
            i = Step(p, i, table);
            continue;
        }
        if constexpr (Gather) {
            // The table read as 32-bit words, so that no lane reads past its
            // end: an even index takes the word's low half, an odd one its high.
            const __m256i index = _mm256_cvtepu16_epi32(bytes);
            const __m256i words = _mm256_i32gather_epi32(reinterpret_cast<const int*>(table.data()),
                                                         _mm256_srli_epi32(index, 1), 4);
            const __m256i pairs = _mm256_and_si256(
                _mm256_srlv_epi32(
                    words, _mm256_slli_epi32(_mm256_and_si256(index, _mm256_set1_epi32(1)), 4)),
                _mm256_set1_epi32(0xFFFF));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i),
                             _mm256_castsi256_si128(_mm256_permute4x64_epi64(
                                 _mm256_packus_epi32(pairs, pairs), 0x08)));
        } else {
            // Each character one load and one store, none waiting on another.
            for (std::size_t k = i; k < i + 16; k += 2)
                ConvertPair(p + k, table);
        }
        i += 16;
    }
    return ConvertFrom(p, i, n, table);
}
#endif

} // namespace

bool ConvertTableInPlace(std::span<std::uint8_t> bytes, Direction direction) {
    const auto& table = direction == GbToBig5 ? GbToBig5Pairs() : Big5ToGbPairs();
#ifdef TESSARIM_HAVE_AVX2_LOOPS
    if (UseAvx2())
        return GathersAreQuick() ? ConvertAvx2<true>(bytes.data(), bytes.size(), table)
                                 : ConvertAvx2<false>(bytes.data(), bytes.size(), table);
#endif
    return ConvertFrom(bytes.data(), 0, bytes.size(), table);
}

int StreamConvert(Bytes& text, Direction direction) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(text.data());
    if (!ConvertTableInPlace({bytes, text.size()}, direction)) return 0;
    text.pop_back();
    return 1;
}

Bytes ConvertBytes(std::string_view text, Direction direction, FixTables* fixTables) {
    Bytes bytes(text);
    StreamConvert(bytes, direction);
    ApplyFixTable(fixTables, bytes, direction);
    return bytes;
}

} // namespace tessarim
