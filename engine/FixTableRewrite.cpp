#include "engine/FixTableStore.h"

#include "engine/ByteRuns.h"
#include "engine/Cpu.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#ifdef TESSARIM_HAVE_AVX2_LOOPS
#include <immintrin.h>
#endif

// The search of a text for the keys of a fix table, and the rewrite of its
// matches.
namespace tessarim {

namespace {

// Marks reads eight bytes past the sixteen it marks, for the heads.
constexpr std::size_t EightBytesRead = 24;

// Sixteen places' marks, a bit each.
struct MarksOf16 {
    std::uint16_t any;      // a key may begin there
    std::uint16_t changing; // one that is more than a head kept as it is
};

// Thirty-two places' marks, the same way.
struct MarksOf32 {
    std::uint32_t any;
    std::uint32_t changing;
};

// Where a processor has no vector loop, characters are marked one by one.
struct NoEightMarks {
    static constexpr bool Available = false;
    static constexpr bool Wide = false;
    // Never called: Clang checks the 32-byte branch of the search's marking
    // for every marker, though only a wide one takes it.
    static MarksOf32 Marks32(const std::uint8_t*, const std::uint64_t*, const std::uint32_t*) {
        return {};
    }
    static unsigned Leads(const std::uint8_t*) { return 0; }
    static MarksOf16 Marks(const std::uint8_t*, const std::uint64_t*, const std::uint32_t*) {
        return {};
    }
};

// The bytes of `count` (16 or 32; bit k for byte k) that are the second
// byte of a character, and the byte after them if it is one, byte 0
// beginning one; `leads` has the lead bytes. A lead byte that begins a
// character pairs with the byte after it, so in a run of lead bytes every
// other one begins a character; the run's first does.
constexpr std::uint64_t TrailsOf(std::uint64_t leads, unsigned count) {
    constexpr std::uint64_t even = 0x5555555555555555ull;
    const std::uint64_t follows = leads << 1;
    const std::uint64_t oddRunStarts = leads & ~even & ~follows;
    const std::uint64_t evenRunCarries = (oddRunStarts + leads) << 1;
    return (even ^ evenRunCarries) & follows & ((2ull << count) - 1);
}

#ifdef TESSARIM_HAVE_AVX2_LOOPS
// Calls set with each code of a table's attention set and says true; says
// false without a call when the set has more than `most` codes.
template <typename Set>
bool ForEachAttended(const std::uint64_t* attention, std::size_t most, Set set) {
    std::size_t count = 0;
    for (std::size_t w = 0; w < 0x10000 / 64; ++w)
        count += static_cast<std::size_t>(std::popcount(attention[w]));
    if (count > most) return false;
    for (std::size_t w = 0; w < 0x10000 / 64; ++w)
        for (std::uint64_t bits = attention[w]; bits != 0; bits &= bits - 1)
            set(static_cast<std::uint32_t>(w * 64 + std::countr_zero(bits)));
    return true;
}

struct EightMarksAvx2 {
    // A table's attended characters are few (its keys of a single character),
    // and a gather costs as much as the filter's. So where they are few they
    // are looked for in registers: two tables of 256 bits, a bit in each from
    // one hash of the code. A place they wrongly pass is only looked up for
    // nothing.
    static constexpr std::size_t MostInHalves = 24;
    static constexpr std::uint32_t AttentionMultiplier = 0x9E3779B1u;
    std::array<std::uint32_t, 16> attentionHalves{}; // the two tables' eight words
    bool halvesInRegisters = false;

    static EightMarksAvx2 For(const std::uint64_t* attention) {
        EightMarksAvx2 marks;
        marks.halvesInRegisters = ForEachAttended(attention, MostInHalves, [&](std::uint32_t code) {
            const std::uint32_t hash = code * AttentionMultiplier;
            marks.attentionHalves[hash >> 29] |= 1u << (hash >> 24 & 31);
            marks.attentionHalves[8 + (hash >> 21 & 7)] |= 1u << (hash >> 16 & 31);
        });
        return marks;
    }

    // Bit 0 set at the eight places whose character's code (the low 16 bits)
    // is attended, or may be when halvesInRegisters.
    __attribute__((target("avx2"))) __m256i Attended8(__m256i code,
                                                      const std::uint64_t* attention) const {
        const __m256i low5 = Splat(31);
        if (halvesInRegisters) {
            const __m256i first =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(attentionHalves.data()));
            const __m256i second =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(attentionHalves.data() + 8));
            const __m256i hash = _mm256_mullo_epi32(code, Splat(AttentionMultiplier));
            // The permute takes a word's number from the low three bits of its lane.
            return _mm256_and_si256(
                _mm256_srlv_epi32(_mm256_permutevar8x32_epi32(first, _mm256_srli_epi32(hash, 29)),
                                  _mm256_and_si256(_mm256_srli_epi32(hash, 24), low5)),
                _mm256_srlv_epi32(_mm256_permutevar8x32_epi32(second, _mm256_srli_epi32(hash, 21)),
                                  _mm256_and_si256(_mm256_srli_epi32(hash, 16), low5)));
        }
        // The attention set as 32-bit words: word w of 64 bits is words 2w
        // and 2w + 1.
        const __m256i found = _mm256_i32gather_epi32(reinterpret_cast<const int*>(attention),
                                                     _mm256_srli_epi32(code, 5), 4);
        return _mm256_srlv_epi32(found, _mm256_and_si256(code, low5));
    }

    // Bit 0 set where the words have both bits TwoBits takes from the hashes.
    __attribute__((target("avx2"))) static __m256i BothBits(__m256i words, __m256i hash) {
        const __m256i first = _mm256_srlv_epi32(words, _mm256_srli_epi32(hash, 27));
        const __m256i second =
            _mm256_srlv_epi32(words, _mm256_and_si256(_mm256_srli_epi32(hash, 22), Splat(31)));
        return _mm256_and_si256(first, second);
    }

    // Bit 0 of each place to all of its bits.
    __attribute__((target("avx2"))) static __m256i Spread(__m256i bits) {
        return _mm256_srai_epi32(_mm256_slli_epi32(bits, 31), 31);
    }

    static __attribute__((target("avx2"))) __m256i Splat(std::uint32_t value) {
        return _mm256_set1_epi32(static_cast<int>(value));
    }

    static constexpr bool Available = true;
    static constexpr bool Wide = false;
    // Never called (see NoEightMarks); EightMarksAvx512 has the real one.
    static MarksOf32 Marks32(const std::uint8_t*, const std::uint64_t*, const std::uint32_t*) {
        return {};
    }

    // Bit k: byte k of sixteen is a lead byte (0x81 or more).
    __attribute__((target("avx2"))) static unsigned Leads(const std::uint8_t* p) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        return static_cast<unsigned>(_mm_movemask_epi8(
            _mm_cmpgt_epi8(_mm_xor_si128(bytes, _mm_set1_epi8(-128)), _mm_setzero_si128())));
    }

    // Whether a key may begin at the places 0, 2, ..., 14 of p, each taken as
    // a double-byte character (bit 2k for the place 2k), and whether more
    // than a head kept as it is may; EightBytesRead bytes must be readable.
    __attribute__((target("avx2"))) MarksOf16 Marks(const std::uint8_t* p,
                                                    const std::uint64_t* attention,
                                                    const std::uint32_t* filter) const {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
        const __m256i bytes = _mm256_set_m128i(high, low);
        // Each lane's four places from its bytes 0-11: the head is bytes
        // 2j..2j+3, first byte highest; the next two bytes 2j+4, 2j+5, first
        // lowest.
        const __m256i head = _mm256_shuffle_epi8(
            bytes, _mm256_setr_epi8(3, 2, 1, 0, 5, 4, 3, 2, 7, 6, 5, 4, 9, 8, 7, 6, //
                                    3, 2, 1, 0, 5, 4, 3, 2, 7, 6, 5, 4, 9, 8, 7, 6));
        const __m256i next = _mm256_shuffle_epi8(
            bytes, _mm256_setr_epi8(4, 5, -1, -1, 6, 7, -1, -1, 8, 9, -1, -1, 10, 11, -1, -1, //
                                    4, 5, -1, -1, 6, 7, -1, -1, 8, 9, -1, -1, 10, 11, -1, -1));
        const __m256i word =
            _mm256_srli_epi32(_mm256_mullo_epi32(head, Splat(HeadGroups::WordMultiplier)),
                              32 - HeadGroups::FilterBits);
        const __m256i headHash = _mm256_mullo_epi32(head, Splat(HeadGroups::HeadMultiplier));
        const __m256i pairHash =
            _mm256_xor_si256(headHash, _mm256_mullo_epi32(next, Splat(HeadGroups::NextMultiplier)));
        const __m256i words = _mm256_i32gather_epi32(reinterpret_cast<const int*>(filter), word, 4);
        const __m256i attended = Attended8(_mm256_srli_epi32(head, 16), attention);
        const __m256i changing = _mm256_or_si256(
            attended, _mm256_or_si256(BothBits(words, headHash), BothBits(words, pairHash)));
        const __m256i blocking =
            BothBits(words, _mm256_xor_si256(headHash, Splat(HeadGroups::BlockFlip)));
        // Packed to sixteen bits a place, the marks of the even places (any) and then of the odd
        // ones (changing) alternate in each half of the vector.
        const auto packed = static_cast<std::uint32_t>(_mm256_movemask_epi8(
            _mm256_packs_epi32(Spread(_mm256_or_si256(changing, blocking)), Spread(changing))));
        return {static_cast<std::uint16_t>((packed & 0x55) | (packed >> 8 & 0x5500)),
                static_cast<std::uint16_t>((packed >> 8 & 0x55) | (packed >> 16 & 0x5500))};
    }
};

// Sixteen places at once where the processor has AVX-512, the same marks as
// the eight of EightMarksAvx2.
#define TESSARIM_AVX512 "avx512f,avx512bw,bmi2"
// GCC 12 warns of the undefined vectors its own AVX-512 intrinsics start from.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
struct EightMarksAvx512 : EightMarksAvx2 {
    static constexpr bool Wide = true;

    // A table's attended characters are few (its keys of a single character),
    // and a gather per sixteen places costs as much as the filter's. So where
    // they are few they are looked for in a Bloom filter of 1,024 bits held in
    // registers: two bits a character, one in each half of its hash. A place
    // it wrongly passes is only looked up for nothing.
    static constexpr std::size_t MostInRegisters = 48;
    std::array<std::uint16_t, 64> attentionBits{};
    bool inRegisters = false;

    static void SetAttentionBit(std::array<std::uint16_t, 64>& bits, std::uint32_t place) {
        bits[place >> 4] = static_cast<std::uint16_t>(bits[place >> 4] | 1u << (place & 15));
    }

    // The 16-place marks of a block's last bytes gather the attended
    // characters: the base's tables stay empty.
    static EightMarksAvx512 For(const std::uint64_t* attention) {
        EightMarksAvx512 marks;
        marks.inRegisters = ForEachAttended(attention, MostInRegisters, [&](std::uint32_t code) {
            const std::uint32_t hash = code * AttentionMultiplier;
            SetAttentionBit(marks.attentionBits, hash >> 22);
            SetAttentionBit(marks.attentionBits, hash >> 12 & 1023);
        });
        return marks;
    }

    // Bit 0 set where the character's code (the low 16 bits) is attended, or
    // may be when inRegisters.
    __attribute__((target(TESSARIM_AVX512))) __m512i
    Attended(__m512i code, const std::uint64_t* attention) const {
        const __m512i low4 = _mm512_set1_epi32(15);
        if (inRegisters) {
            const __m512i low = _mm512_loadu_si512(attentionBits.data());
            const __m512i high = _mm512_loadu_si512(attentionBits.data() + 32);
            const __m512i hash = Times512(code, AttentionMultiplier);
            // Each lane's word number sits in its low 16 bits, the high ones
            // zero; so the word looked up is the lane's low half.
            const __m512i first = _mm512_permutex2var_epi16(low, _mm512_srli_epi32(hash, 26), high);
            const __m512i second = _mm512_permutex2var_epi16(
                low, _mm512_and_si512(_mm512_srli_epi32(hash, 16), _mm512_set1_epi32(63)), high);
            return _mm512_and_si512(
                _mm512_srlv_epi32(first, _mm512_and_si512(_mm512_srli_epi32(hash, 22), low4)),
                _mm512_srlv_epi32(second, _mm512_and_si512(_mm512_srli_epi32(hash, 12), low4)));
        }
        return _mm512_srlv_epi32(_mm512_i32gather_epi32(_mm512_srli_epi32(code, 5), attention, 4),
                                 _mm512_and_si512(code, _mm512_set1_epi32(31)));
    }

    // Bit k: byte k of 32 is a lead byte.
    __attribute__((target("avx2"))) static std::uint32_t Leads32(const std::uint8_t* p) {
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpgt_epi8(
            _mm256_xor_si256(bytes, _mm256_set1_epi8(-128)), _mm256_setzero_si256())));
    }

    __attribute__((target(TESSARIM_AVX512))) static __m512i Times512(__m512i x,
                                                                     std::uint32_t multiplier) {
        return _mm512_mullo_epi32(x, _mm512_set1_epi32(static_cast<int>(multiplier)));
    }

    __attribute__((target(TESSARIM_AVX512))) static __m512i BothBits512(__m512i words,
                                                                        __m512i hash) {
        const __m512i low5 = _mm512_set1_epi32(31);
        return _mm512_and_si512(
            _mm512_srlv_epi32(words, _mm512_srli_epi32(hash, 27)),
            _mm512_srlv_epi32(words, _mm512_and_si512(_mm512_srli_epi32(hash, 22), low5)));
    }

    // Bit k of sixteen to bit 2k.
    __attribute__((target(TESSARIM_AVX512))) static std::uint32_t EvenPlaces(__mmask16 marks) {
        return static_cast<std::uint32_t>(_pdep_u32(marks, 0x55555555u));
    }

    // The places 0, 2, ..., 30 of p as Marks marks sixteen; 40 bytes must be
    // readable.
    __attribute__((target(TESSARIM_AVX512))) MarksOf32 Marks32(const std::uint8_t* p,
                                                               const std::uint64_t* attention,
                                                               const std::uint32_t* filter) const {
        const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 8));
        const __m512i both = _mm512_inserti64x4(_mm512_castsi256_si512(first), second, 1);
        // Lane k of four holds bytes 8k to 8k + 15, as a lane of Marks holds
        // them for its four places.
        const __m512i bytes = _mm512_shuffle_i64x2(both, both, _MM_SHUFFLE(3, 1, 2, 0));
        const __m512i head = _mm512_shuffle_epi8(
            bytes,
            _mm512_broadcast_i32x4(_mm_setr_epi8(3, 2, 1, 0, 5, 4, 3, 2, 7, 6, 5, 4, 9, 8, 7, 6)));
        const __m512i next = _mm512_shuffle_epi8(
            bytes, _mm512_broadcast_i32x4(
                       _mm_setr_epi8(4, 5, -1, -1, 6, 7, -1, -1, 8, 9, -1, -1, 10, 11, -1, -1)));
        const __m512i word = _mm512_srli_epi32(Times512(head, HeadGroups::WordMultiplier),
                                               32 - HeadGroups::FilterBits);
        const __m512i headHash = Times512(head, HeadGroups::HeadMultiplier);
        const __m512i pairHash =
            _mm512_xor_si512(headHash, Times512(next, HeadGroups::NextMultiplier));
        const __m512i words = _mm512_i32gather_epi32(word, filter, 4);
        const __m512i attended = Attended(_mm512_srli_epi32(head, 16), attention);
        const __m512i changing = _mm512_or_si512(
            attended, _mm512_or_si512(BothBits512(words, headHash), BothBits512(words, pairHash)));
        const __m512i blocking = BothBits512(
            words,
            _mm512_xor_si512(headHash, _mm512_set1_epi32(static_cast<int>(HeadGroups::BlockFlip))));
        const __m512i one = _mm512_set1_epi32(1);
        return {EvenPlaces(_mm512_test_epi32_mask(_mm512_or_si512(changing, blocking), one)),
                EvenPlaces(_mm512_test_epi32_mask(changing, one))};
    }
};
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

// How many places a step marks.
template <unsigned Count>
struct Places {};

// Places of a window of text, a bit each.
template <std::size_t Bits>
struct PlaceBits {
    // Bits past the window's end: the last run of characters read at once
    // may reach 16 bytes past it; a word more of zeros after those.
    std::array<std::uint64_t, Bits / 64 + 2> words;

    void Clear() { words.fill(0); }
    void Set(std::size_t place) { words[place >> 6] |= 1ull << (place & 63); }
    bool Test(std::size_t place) const { return (words[place >> 6] >> (place & 63)) & 1; }
    // Count bits (at most 32) from `place` on.
    template <unsigned Count>
    void Put(std::size_t place, std::uint64_t bits) {
        const unsigned shift = place & 63;
        words[place >> 6] |= bits << shift;
        if (shift > 64 - Count) words[(place >> 6) + 1] |= bits >> (64 - shift);
    }
    // The set bits at `place` or after and before `end`, in order, as many
    // as `out` takes; how many.
    template <std::size_t Room>
    std::size_t Collect(std::size_t place, std::size_t end,
                        std::array<std::uint16_t, Room>& out) const {
        std::size_t count = 0;
        std::uint64_t bits = words[place >> 6] & (~0ull << (place & 63));
        for (std::size_t w = place >> 6;;) {
            for (; bits != 0; bits &= bits - 1) {
                const std::size_t at = (w << 6) + static_cast<std::size_t>(std::countr_zero(bits));
                if (at >= end) return count;
                out[count] = static_cast<std::uint16_t>(at);
                if (++count == Room) return count;
            }
            if (++w > (end - 1) >> 6) return count;
            bits = words[w];
        }
    }
};

} // namespace

template <typename EightMarks>
[[gnu::always_inline]] inline bool
FixTableStore::RewriteWith(std::string& bytes, std::string& output, EightMarks eightMarks) {
    const std::string_view text = bytes;
    const auto* const p = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t n = text.size();
    std::size_t at = 0;
    std::size_t copied = 0; // bytes before this are in output already
    bool inOutput = false;
    // Takes in a match at `at`; the search goes on after its key, so the
    // bytes before it are read no more and a replacement as long as its key
    // is written over it. The first of another length moves the text
    // written so far to output, which takes the rest.
    const auto replace = [&](const Match& match) {
        if (match.same) {
            at += match.keyLength;
            return;
        }
        if (!inOutput && match.value.size() == match.keyLength) {
            std::memcpy(bytes.data() + at, match.value.data(), match.keyLength);
            at += match.keyLength;
            return;
        }
        if (!inOutput) {
            output.clear();
            output.reserve(n + n / 8);
            inOutput = true;
        }
        output.append(text, copied, at - copied);
        output.append(match.value);
        at = copied = at + match.keyLength;
    };
    const std::uint64_t* const attention = attentionData_;
    const std::uint32_t* const filter = filterData_ ? filterData_ : groups_.Filter();
    const auto attends = [attention](unsigned code) {
        return ((attention[code >> 6] >> (code & 63)) & 1) != 0;
    };
    // Whether a key may begin at the character at q (not among the last
    // three bytes).
    const auto marked = [&](std::size_t q, unsigned code, std::size_t width) {
        if (attends(code)) return true;
        // Too near the end for the filter: looked up.
        if (q + width + 4 > n) return true;
        return HeadGroups::Marked(filter, HeadOf(text.data() + q, width),
                                  std::uint32_t{p[q + width + 2]} | std::uint32_t{p[q + width + 3]}
                                                                        << 8);
    };
    // The entry whose key matches at the character at q, if any.
    const auto lookUp = [&](std::size_t q) -> Match {
        const unsigned lead = p[q];
        const std::size_t width = lead >= 0x81 ? 2 : 1;
        const unsigned code = width == 2 ? lead << 8 | p[q + 1] : lead;
        if (attends(code)) return Find(code, text.substr(q));
        if (const HeadKey* key =
                FirstWithHead(HeadOf(text.data() + q, width), width, text.substr(q)))
            return {key->keyLength,
                    values_.substr(key->valueBegin, key->valueEnd - key->valueBegin),
                    key->same != 0};
        return {};
    };
    // The text goes in windows. First the characters of a window are found
    // and those where a key may begin marked, which needs no look at any key
    // and so runs without waiting on one; then the marked places are looked
    // up in order. A match moves on by its key, so the characters found stay
    // those of the search unless a key ended within a character: the window
    // then starts again there.
    constexpr std::size_t Window = 4096;
    PlaceBits<Window> marks, changing, starts;
    std::array<std::uint16_t, 32> places;
    std::array<Match, places.size()> matches;
    std::size_t base = 0; // of the window
    std::size_t q = 0;    // the character being marked
    // Marks `count` bytes at q at once (leads: which are lead bytes), and
    // says true; false when none of them begins a double-byte character, or
    // when some are single bytes and keys may begin with one.
    const auto markRun = [&]<unsigned count>(Places<count>, std::uint64_t leads) {
        constexpr std::uint64_t all = (1ull << count) - 1;
        constexpr std::uint64_t evens = 0x5555555555555555ull & all;
        const auto marksAt = [&](std::size_t at) {
            if constexpr (count == 32)
                return eightMarks.Marks32(p + at, attention, filter);
            else
                return eightMarks.Marks(p + at, attention, filter);
        };
        if ((leads & evens) == evens) {
            const auto found = marksAt(q);
            marks.template Put<count>(q - base, found.any);
            changing.template Put<count>(q - base, found.changing);
            starts.template Put<count>(q - base, evens);
            q += count;
            return true;
        }
        // Single bytes among them: the marks at even and at odd places, of
        // the places that begin a double-byte character.
        if (singleByteKeys_ || leads == 0) return false;
        const std::uint64_t trails = TrailsOf(leads, count);
        const std::uint64_t begins = ~trails & all;
        const std::uint64_t leadBegins = begins & leads;
        std::uint64_t any = 0;
        std::uint64_t changes = 0;
        for (unsigned odd = 0; odd < 2; ++odd) {
            if ((leadBegins & evens << odd) == 0) continue;
            const auto found = marksAt(q + odd);
            any |= std::uint64_t{found.any} << odd;
            changes |= std::uint64_t{found.changing} << odd;
        }
        marks.template Put<count>(q - base, any & leadBegins);
        changing.template Put<count>(q - base, changes & leadBegins);
        starts.template Put<count>(q - base, begins);
        q += count + (trails >> count); // the last may take a byte of the next ones
        return true;
    };
    for (const std::size_t end = n > 3 ? n - 3 : 0; at < end;) {
        base = at;
        const std::size_t limit = std::min(end, base + Window);
        marks.Clear();
        changing.Clear();
        starts.Clear();
        q = base;
        while (q < limit) {
            // Sixteen bytes at once; those with a character of a single byte
            // among them take two sets of marks, at even and at odd places,
            // where keys are known to begin with double-byte ones only.
            if constexpr (EightMarks::Wide) {
                if (q + 41 <= n && markRun(Places<32>{}, eightMarks.Leads32(p + q))) continue;
            }
            if (eightMarks.Available && q + EightBytesRead + 1 <= n &&
                markRun(Places<16>{}, eightMarks.Leads(p + q)))
                continue;
            // Without keys that begin with a single byte, runs of them are
            // passed a word at a time.
            if (!singleByteKeys_ && q + 8 <= n && runs::AllAscii(runs::Load64(p + q))) {
                starts.Put<8>(q - base, 0xFF);
                q += 8;
                continue;
            }
            const unsigned lead = p[q];
            const std::size_t width = lead >= 0x81 ? 2 : 1;
            starts.Set(q - base);
            if ((width == 2 || singleByteKeys_) &&
                marked(q, width == 2 ? lead << 8 | p[q + 1] : lead, width)) {
                marks.Set(q - base);
                changing.Set(q - base);
            }
            q += width;
        }
        const std::size_t found = q - base; // the window's characters, and a part of one
        // A place where only a double-byte head kept as it is may begin is
        // looked up only when a key may begin within that head too; within
        // a head of the window's end, where the marks of what follows are
        // not known, always.
        const std::size_t lastHead = found > 3 ? found - 3 : 0;
        for (std::size_t w = 0; w <= (found - 1) >> 6; ++w) {
            const std::uint64_t here = marks.words[w];
            const std::uint64_t after = marks.words[w + 1];
            const std::uint64_t nearEnd = lastHead <= (w << 6) ? ~0ull
                                          : lastHead < (w << 6) + 64
                                              ? ~0ull << (lastHead - (w << 6))
                                              : 0;
            const std::uint64_t within = here >> 1 | here >> 2 | here >> 3 | after << 63 |
                                         after << 62 | after << 61 | nearEnd;
            marks.words[w] = changing.words[w] | (here & within);
        }
        std::size_t from = 0; // places before it are passed or matched
        bool realign = false;
        while (!realign && from < found) {
            const std::size_t count = marks.Collect(from, found, places);
            if (count == 0) break;
            // Looked up apart from each other, so that one look-up need not
            // wait for the one before; a place within a key that matched
            // before it is looked up for nothing.
            for (std::size_t k = 0; k < count; ++k)
                matches[k] = lookUp(base + places[k]);
            for (std::size_t k = 0; k < count; ++k) {
                if (places[k] < from || matches[k].keyLength == 0) continue;
                at = base + places[k];
                replace(matches[k]);
                from = at - base;
                if (from < found && !starts.Test(from)) {
                    realign = true;
                    break;
                }
            }
            from = std::max<std::size_t>(from, places[count - 1] + 1u);
        }
        if (!realign) at = std::max(at, q);
    }
    while (at < n) {
        const unsigned lead = p[at];
        unsigned code = lead;
        std::size_t width = 1;
        if (lead >= 0x81 && at + 1 < n) {
            code = lead << 8 | p[at + 1];
            width = 2;
        } else if (lead >= 0x81) {
            code = lead << 8; // an unpaired lead byte at the end
        }
        const Match match = Find(code, text.substr(at));
        if (match.keyLength != 0) {
            replace(match);
            continue;
        }
        at += width;
    }
    if (inOutput) output.append(text, copied, n - copied);
    return inOutput;
}

bool FixTableStore::Rewrite(std::string& text, std::string& output) {
#ifdef TESSARIM_HAVE_AVX2_LOOPS
    if (UseAvx512()) return RewriteAvx512(text, output);
    if (UseAvx2()) return RewriteAvx2(text, output);
#endif
    return RewriteWith(text, output, NoEightMarks{});
}

#ifdef TESSARIM_HAVE_AVX2_LOOPS
__attribute__((target("avx2"))) bool FixTableStore::RewriteAvx2(std::string& text,
                                                                std::string& output) {
    return RewriteWith(text, output, EightMarksAvx2::For(attentionData_));
}

__attribute__((target(TESSARIM_AVX512))) bool FixTableStore::RewriteAvx512(std::string& text,
                                                                           std::string& output) {
    return RewriteWith(text, output, EightMarksAvx512::For(attentionData_));
}
#endif

} // namespace tessarim
