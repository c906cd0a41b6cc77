#include "engine/FixTableLines.h"

#include "engine/ByteRuns.h"
#include "engine/Cpu.h"

#include <array>
#include <bit>
#include <cstring>
#include <initializer_list>
#include <limits>

#ifdef TESSARIM_HAVE_AVX2_LOOPS
#include <immintrin.h>
#endif

namespace tessarim {

namespace {

// The line breaks among 64 bytes as bits, the first byte lowest, and how many
// there are: eight bytes at a time without vector instructions...
struct Breaks64Plain {
    static std::uint64_t Breaks(const std::uint8_t* p) {
        std::uint64_t mask = 0;
        for (unsigned word = 0; word < 8; ++word) {
            // The high bit of each byte that is a line break, and of no other.
            const std::uint64_t x = runs::Load64(p + 8 * word) ^ (runs::LowBits * '\n');
            constexpr std::uint64_t low7 = ~runs::HighBits;
            std::uint64_t found = ~(((x & low7) + low7) | x | low7);
            if constexpr (std::endian::native == std::endian::big) found = __builtin_bswap64(found);
            // Each byte's high bit gathered into one byte, the first lowest.
            mask |= ((found >> 7) * 0x0102040810204080ull >> 56) << (8 * word);
        }
        return mask;
    }
    static unsigned Count(std::uint64_t mask) { return static_cast<unsigned>(std::popcount(mask)); }
};

#ifdef TESSARIM_HAVE_AVX2_LOOPS
// ... and 32 at a time with AVX2.
struct Breaks64Avx2 {
    __attribute__((target("avx2,popcnt"))) static std::uint64_t Breaks(const std::uint8_t* p) {
        const __m256i breaks = _mm256_set1_epi8('\n');
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        return std::uint64_t{static_cast<std::uint32_t>(
                   _mm256_movemask_epi8(_mm256_cmpeq_epi8(low, breaks)))} |
               std::uint64_t{static_cast<std::uint32_t>(
                   _mm256_movemask_epi8(_mm256_cmpeq_epi8(high, breaks)))}
                   << 32;
    }
    __attribute__((target("avx2,popcnt"))) static unsigned Count(std::uint64_t mask) {
        return static_cast<unsigned>(__builtin_popcountll(mask));
    }
};
#endif

// Counts the lines of a list file, keeping the start of every stride-th line.
// The files are written with a line break after every line; a text that does
// not end in one did not come from a finished build. Lines are a few bytes
// long, so line breaks are counted 64 bytes at a time rather than looked for
// one by one; only a stretch in which a kept line starts is looked at closer.
template <typename Breaks64>
[[gnu::always_inline]] inline std::size_t CountLinesWith(std::string_view text, std::size_t stride,
                                                         std::vector<std::uint32_t>& marks) {
    marks.clear();
    if (text.empty()) return 0;
    if (text.back() != '\n' || text.size() > std::numeric_limits<std::uint32_t>::max())
        return NotLines;
    const auto* const p = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t n = text.size();
    std::size_t lines = 0; // line breaks before `at`
    marks.push_back(0);
    std::size_t at = 0;
    for (; at + 64 <= n; at += 64) {
        std::uint64_t found = Breaks64::Breaks(p + at);
        const std::size_t count = Breaks64::Count(found);
        if ((lines % stride) + count < stride) {
            lines += count;
            continue;
        }
        for (; found != 0; found &= found - 1) {
            ++lines;
            if (lines % stride == 0)
                marks.push_back(static_cast<std::uint32_t>(at + std::countr_zero(found) + 1));
        }
    }
    for (; at < n; ++at) {
        if (p[at] != '\n') continue;
        ++lines;
        if (lines % stride == 0) marks.push_back(static_cast<std::uint32_t>(at + 1));
    }
    // The text ends in a break, after which no line starts.
    if (lines % stride == 0) marks.pop_back();
    return lines;
}

#ifdef TESSARIM_HAVE_AVX2_LOOPS
__attribute__((target("avx2,popcnt"))) std::size_t
CountLinesAvx2(std::string_view text, std::size_t stride, std::vector<std::uint32_t>& marks) {
    return CountLinesWith<Breaks64Avx2>(text, stride, marks);
}
#endif

} // namespace

std::size_t CountLines(std::string_view text, std::size_t stride,
                       std::vector<std::uint32_t>& marks) {
#ifdef TESSARIM_HAVE_AVX2_LOOPS
    if (UseAvx2()) return CountLinesAvx2(text, stride, marks);
#endif
    return CountLinesWith<Breaks64Plain>(text, stride, marks);
}

namespace {

// Every start reads the lists whole, so the sums must keep up with memory:
// Fletcher's two sums over 64-bit words (the second weighs each word by its
// place, so moved words show), in four lanes the compiler runs side by side,
// each text's length mixed in, and the lanes mixed at the end. Built twice
// (see ChecksumAvx2), the same sums either way.
[[gnu::always_inline]] inline std::uint64_t Checksum(std::span<const std::string_view> texts) {
    // Four 64-bit lanes as one vector (GCC and Clang), added by the widest
    // instructions the processor has.
    using Lanes = std::uint64_t __attribute__((vector_size(32)));
    Lanes sums{}, weighted{};
    std::uint64_t hash = 0xCBF29CE484222325ull;
    const auto mix = [&hash](std::uint64_t word) {
        hash ^= word;
        hash *= 0x100000001B3ull;
        hash ^= hash >> 29;
    };
    for (const std::string_view text : texts) {
        mix(text.size());
        std::size_t at = 0;
        for (; at + 32 <= text.size(); at += 32) {
            Lanes words;
            std::memcpy(&words, text.data() + at, 32);
            sums += words;
            weighted += sums;
        }
        Lanes rest{};
        if (at < text.size()) std::memcpy(&rest, text.data() + at, text.size() - at);
        sums += rest;
        weighted += sums;
    }
    for (std::size_t lane = 0; lane < 4; ++lane) {
        mix(sums[lane]);
        mix(weighted[lane]);
    }
    return hash;
}

#ifdef TESSARIM_HAVE_AVX2_LOOPS
// The same sums with AVX2, a vector of four lanes added by one instruction.
__attribute__((target("avx2"))) std::uint64_t
ChecksumAvx2(std::span<const std::string_view> texts) {
    return Checksum(texts);
}
#endif

} // namespace

std::uint64_t FixChecksum(std::span<const std::string_view> texts) {
#ifdef TESSARIM_HAVE_AVX2_LOOPS
    if (UseAvx2()) return ChecksumAvx2(texts);
#endif
    return Checksum(texts);
}

} // namespace tessarim
