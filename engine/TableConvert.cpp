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
// The same on processors with AVX2 (built for them, though it needs only
// their 128-bit instructions): sixteen bytes that are eight double-byte
// characters are tested at once and their codes swapped into place at once;
// the eight look-ups are plain loads, which on AMD Zen 5 take less time than
// one gather of eight (other processors unmeasured).
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
        __m128i codes = _mm_cvtsi32_si128(table[_mm_extract_epi16(index, 0)]);
        codes = _mm_insert_epi16(codes, table[_mm_extract_epi16(index, 1)], 1);
        codes = _mm_insert_epi16(codes, table[_mm_extract_epi16(index, 2)], 2);
        codes = _mm_insert_epi16(codes, table[_mm_extract_epi16(index, 3)], 3);
        codes = _mm_insert_epi16(codes, table[_mm_extract_epi16(index, 4)], 4);
        codes = _mm_insert_epi16(codes, table[_mm_extract_epi16(index, 5)], 5);
        codes = _mm_insert_epi16(codes, table[_mm_extract_epi16(index, 6)], 6);
        codes = _mm_insert_epi16(codes, table[_mm_extract_epi16(index, 7)], 7);
        // Lead byte first again.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), _mm_shuffle_epi8(codes, swap));
        i += 16;
    }
    return ConvertFrom(p, i, n, table);
}
#endif

} // namespace

bool ConvertTableInPlace(std::span<std::uint8_t> bytes, Direction direction) {
    const auto& table = direction == GbToBig5 ? GbToBig5Table() : Big5ToGbTable();
#ifdef TESSARIM_HAVE_AVX2_LOOPS
    if (UseAvx2()) return ConvertAvx2(bytes.data(), bytes.size(), table);
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
