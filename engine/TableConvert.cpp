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

std::uint16_t SwapBytes(std::uint16_t v) {
    return static_cast<std::uint16_t>(v << 8 | v >> 8);
}

// One character through the table, as a 16-bit load and store: the bytes stand
// lead first in memory, codes are lead * 256 + trail, hence the swaps.
void ConvertPair(std::uint8_t* p, const std::array<DbcsCode, TableSpan>& table) {
    std::uint16_t raw;
    std::memcpy(&raw, p, 2);
    if constexpr (std::endian::native == std::endian::little) raw = SwapBytes(raw);
    std::uint16_t to = table[raw - 0x8000u];
    if constexpr (std::endian::native == std::endian::little) to = SwapBytes(to);
    std::memcpy(p, &to, 2);
}

// Four characters read and written as one word: bytes lead first, so the word
// taken in memory order holds the codes from its highest sixteen bits down.
void ConvertFourPairs(std::uint8_t* p, std::uint64_t word,
                      const std::array<DbcsCode, TableSpan>& table) {
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    const std::uint64_t to = std::uint64_t{table[(word >> 48) - 0x8000u]} << 48 |
                             std::uint64_t{table[(word >> 32 & 0xFFFF) - 0x8000u]} << 32 |
                             std::uint64_t{table[(word >> 16 & 0xFFFF) - 0x8000u]} << 16 |
                             table[(word & 0xFFFF) - 0x8000u];
    const std::uint64_t out =
        std::endian::native == std::endian::little ? __builtin_bswap64(to) : to;
    std::memcpy(p, &out, 8);
}

using Table = std::array<DbcsCode, TableSpan>;

// One step through text that has eight more bytes: runs of Chinese text and
// of ASCII go eight bytes at a time, the four lookups of a run not waiting on
// each other. The next place to go on from.
std::size_t Step(std::uint8_t* p, std::size_t i, const Table& table) {
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
bool ConvertFrom(std::uint8_t* p, std::size_t i, std::size_t n, const Table& table) {
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
// Eight codes through the table, their indexes in the eight 16-bit lanes.
template <bool Gather>
__attribute__((target("avx2"))) __m128i LookUpEight(__m128i index, const Table& table) {
    if constexpr (Gather) {
        // The table read as 32-bit words, so that no lane reads past its end:
        // an even index takes the word's low half, an odd one its high half.
        const __m256i wide = _mm256_cvtepu16_epi32(index);
        const __m256i words = _mm256_i32gather_epi32(reinterpret_cast<const int*>(table.data()),
                                                     _mm256_srli_epi32(wide, 1), 4);
        const __m256i codes = _mm256_and_si256(
            _mm256_srlv_epi32(words,
                              _mm256_slli_epi32(_mm256_and_si256(wide, _mm256_set1_epi32(1)), 4)),
            _mm256_set1_epi32(0xFFFF));
        return _mm256_castsi256_si128(
            _mm256_permute4x64_epi64(_mm256_packus_epi32(codes, codes), 0x08));
    } else {
        __m128i codes = _mm_cvtsi32_si128(table[_mm_extract_epi16(index, 0)]);
        codes = _mm_insert_epi16(codes, table[_mm_extract_epi16(index, 1)], 1);
        codes = _mm_insert_epi16(codes, table[_mm_extract_epi16(index, 2)], 2);
        codes = _mm_insert_epi16(codes, table[_mm_extract_epi16(index, 3)], 3);
        codes = _mm_insert_epi16(codes, table[_mm_extract_epi16(index, 4)], 4);
        codes = _mm_insert_epi16(codes, table[_mm_extract_epi16(index, 5)], 5);
        codes = _mm_insert_epi16(codes, table[_mm_extract_epi16(index, 6)], 6);
        return _mm_insert_epi16(codes, table[_mm_extract_epi16(index, 7)], 7);
    }
}

// The same on processors with AVX2: sixteen bytes that are eight double-byte
// characters are tested at once and their codes swapped into place at once;
// the look-ups are one gather or eight plain loads, whichever the processor
// does sooner (GathersAreQuick).
template <bool Gather>
__attribute__((target("avx2"))) bool ConvertAvx2(std::uint8_t* p, std::size_t n,
                                                 const Table& table) {
    const __m128i swap = _mm_setr_epi8(1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14);
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
        // Each character's code (lead * 256 + trail) less 0x8000: its lead
        // byte has the top bit set, so the subtraction is a flip of that bit.
        const __m128i index = _mm_xor_si128(_mm_shuffle_epi8(bytes, swap), _mm_set1_epi16(-0x8000));
        // Lead byte first again.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i),
                         _mm_shuffle_epi8(LookUpEight<Gather>(index, table), swap));
        i += 16;
    }
    return ConvertFrom(p, i, n, table);
}
#endif

} // namespace

bool ConvertTableInPlace(std::span<std::uint8_t> bytes, Direction direction) {
    const auto& table = direction == GbToBig5 ? GbToBig5Table() : Big5ToGbTable();
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
