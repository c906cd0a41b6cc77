#include "engine/FixTableStore.h"

#include "engine/ByteRuns.h"
#include "engine/Cpu.h"
#include "engine/FixTableLines.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cstring>
#include <type_traits>
#include <utility>

#ifdef TESSARIM_HAVE_AVX2_LOOPS
#include <immintrin.h>
#endif

namespace tessarim {

namespace {

std::uint32_t GetLe32(std::string_view in, std::size_t at) {
    std::uint32_t value;
    std::memcpy(&value, in.data() + at, 4);
    if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap32(value);
    return value;
}

// The line that starts at start: where it ends without its CR LF or LF, and
// where the next one starts. Lines are a few bytes long: a plain loop beats a
// library call per line.
struct Line {
    std::size_t end;
    std::size_t next;
};
Line LineAt(std::string_view text, std::size_t start) {
    std::size_t end = start;
    while (text[end] != '\n')
        ++end;
    return {end > start && text[end - 1] == '\r' ? end - 1 : end, end + 1};
}

// The bytes a character of this code takes: one below 0x81, else two.
std::size_t Width(unsigned code) {
    return code < 0x81 ? 1 : 2;
}

// Marks reads eight bytes past the sixteen it marks, for the heads.
constexpr std::size_t EightBytesRead = 24;

// Where a processor has no vector loop, characters are marked one by one.
struct NoEightMarks {
    static constexpr bool Available = false;
    static unsigned Leads(const std::uint8_t*) { return 0; }
    static unsigned Marks(const std::uint8_t*, const std::uint64_t*, const std::uint32_t*) {
        return 0;
    }
};

// The bytes of sixteen (bit k for byte k) that are the second byte of a
// character, byte 0 beginning one; `leads` has the lead bytes. A lead byte
// that begins a character pairs with the byte after it, so in a run of lead
// bytes every other one begins a character; the run's first does.
constexpr unsigned TrailsOf(unsigned leads) {
    constexpr std::uint32_t even = 0x55555555u;
    const std::uint32_t follows = leads << 1;
    const std::uint32_t oddRunStarts = leads & ~even & ~follows;
    const std::uint32_t evenRunCarries = (oddRunStarts + leads) << 1;
    return (even ^ evenRunCarries) & follows & 0x1FFFF;
}

#ifdef TESSARIM_HAVE_AVX2_LOOPS
struct EightMarksAvx2 {
    // Bit `bit` of the 32-bit word of the table at `word`, at eight places.
    __attribute__((target("avx2"))) static __m256i BitsAt(const std::uint32_t* table, __m256i word,
                                                          __m256i bit) {
        const __m256i found = _mm256_i32gather_epi32(reinterpret_cast<const int*>(table), word, 4);
        return _mm256_srlv_epi32(found, bit);
    }

    // Bit 0 set where the words have both bits TwoBits takes from the hashes.
    __attribute__((target("avx2"))) static __m256i BothBits(__m256i words, __m256i hash) {
        const __m256i first = _mm256_srlv_epi32(words, _mm256_srli_epi32(hash, 27));
        const __m256i second = _mm256_srlv_epi32(
            words, _mm256_and_si256(_mm256_srli_epi32(hash, 22), _mm256_set1_epi32(31)));
        return _mm256_and_si256(first, second);
    }

    __attribute__((target("avx2"))) static __m256i Times(__m256i x, std::uint32_t multiplier) {
        return _mm256_mullo_epi32(x, _mm256_set1_epi32(static_cast<int>(multiplier)));
    }

    static constexpr bool Available = true;

    // Bit k: byte k of sixteen is a lead byte (0x81 or more).
    __attribute__((target("avx2"))) static unsigned Leads(const std::uint8_t* p) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        return static_cast<unsigned>(_mm_movemask_epi8(
            _mm_cmpgt_epi8(_mm_xor_si128(bytes, _mm_set1_epi8(-128)), _mm_setzero_si128())));
    }

    // Whether a key may begin at the places 0, 2, ..., 14 of p, each taken as
    // a double-byte character (bit k for the place 2k); EightBytesRead bytes
    // must be readable.
    __attribute__((target("avx2"))) static unsigned
    Marks(const std::uint8_t* p, const std::uint64_t* attention, const std::uint32_t* filter) {
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
            _mm256_srli_epi32(Times(head, HeadGroups::WordMultiplier), 32 - HeadGroups::FilterBits);
        const __m256i shortHash = Times(head, HeadGroups::ShortMultiplier);
        const __m256i pairHash =
            Times(_mm256_xor_si256(head, Times(next, HeadGroups::PairMultiplier)),
                  HeadGroups::ShortMultiplier);
        const __m256i words = _mm256_i32gather_epi32(reinterpret_cast<const int*>(filter), word, 4);
        // The attention set as 32-bit words: word w of 64 bits is words 2w
        // and 2w + 1.
        const __m256i code = _mm256_srli_epi32(head, 16);
        const __m256i attended =
            BitsAt(reinterpret_cast<const std::uint32_t*>(attention), _mm256_srli_epi32(code, 5),
                   _mm256_and_si256(code, _mm256_set1_epi32(31)));
        const __m256i marks = _mm256_or_si256(
            attended, _mm256_or_si256(BothBits(words, shortHash), BothBits(words, pairHash)));
        return static_cast<unsigned>(
            _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_slli_epi32(marks, 31))));
    }
};
#endif

// Places of a window of text, a bit each.
template <std::size_t Bits>
struct PlaceBits {
    // Bits past the window's end: the last run of characters read at once
    // may reach 16 bytes past it.
    std::array<std::uint64_t, Bits / 64 + 1> words;

    void Clear() { words.fill(0); }
    void Set(std::size_t place) { words[place >> 6] |= 1ull << (place & 63); }
    bool Test(std::size_t place) const { return (words[place >> 6] >> (place & 63)) & 1; }
    // Sixteen bits from `place` on.
    void Put16(std::size_t place, std::uint64_t bits) {
        const unsigned shift = place & 63;
        words[place >> 6] |= bits << shift;
        if (shift > 48) words[(place >> 6) + 1] |= bits >> (64 - shift);
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

// Bit k of eight to bit 2k.
constexpr std::uint64_t EvenPlaces(unsigned eight) {
    std::uint64_t x = eight;
    x = (x | x << 4) & 0x0F0F;
    x = (x | x << 2) & 0x3333;
    return (x | x << 1) & 0x5555;
}

} // namespace

bool FixTableStore::OpenTexts(const SlotLayout& layout, std::string keys, std::string values,
                              std::string index) {
    Clear();
    ownedKeys_ = std::move(keys);
    ownedValues_ = std::move(values);
    ownedIndex_ = std::move(index);
    keys_ = ownedKeys_;
    values_ = ownedValues_;
    index_ = ownedIndex_;
    return Open(layout);
}

void FixTableStore::Clear() {
    mappedKeys_ = MappedFile();
    mappedValues_ = MappedFile();
    mappedIndex_ = MappedFile();
    ownedKeys_.clear();
    ownedValues_.clear();
    ownedIndex_.clear();
    keys_ = values_ = index_ = {};
    lines_ = 0;
    keyMarks_.clear();
    valueMarks_.clear();
    recordOfSlot_.clear();
    records_.clear();
    entries_.clear();
    shortKeys_.clear();
    singleByteKeys_ = false;
    std::fill(attention_.begin(), attention_.end(), 0);
    groups_.Clear();
    mappedImage_ = MappedFile();
    ViewOwn();
}

void FixTableStore::ViewOwn() {
    if (mappedImage_.Valid()) return;
    slotRecords_ = recordOfSlot_.data();
    recordData_ = records_.data();
    entryData_ = entries_.data();
    shortKeyData_ = shortKeys_.data();
    attentionData_ = attention_.data();
    filterData_ = nullptr;
}

bool FixTableStore::Open(const SlotLayout& layout) {
    layout_ = layout;
    const std::size_t keyLines = CountLines(keys_, LineStride, keyMarks_);
    const std::size_t valueLines = CountLines(values_, LineStride, valueMarks_);
    if (keyLines == NotLines || keyLines != valueLines) {
        Clear();
        return false;
    }
    lines_ = keyLines;
    recordOfSlot_.assign(layout.slotCount, 0);
    // A build writes whole records, one per slot in rising slot order, within
    // the lists; anything else did not come from one.
    if (index_.size() % FixIndexRecordSize != 0) {
        Clear();
        return false;
    }
    records_.reserve(index_.size() / FixIndexRecordSize);
    std::uint32_t nextSlot = 0;
    for (std::size_t at = 0; at < index_.size(); at += FixIndexRecordSize) {
        const std::uint32_t slot = GetLe32(index_, at);
        const std::uint32_t first = GetLe32(index_, at + 4);
        const std::uint32_t last = GetLe32(index_, at + 8);
        if (slot < nextSlot || slot >= layout.slotCount || first > last || last >= lines_) {
            Clear();
            return false;
        }
        nextSlot = slot + 1;
        records_.push_back({first, last});
        if (slot >= layout.doubleByteSlots - 1) singleByteKeys_ = true;
        recordOfSlot_[slot] = static_cast<std::uint16_t>(records_.size());
        const unsigned code = slot < layout.doubleByteSlots ? layout.codeBase + slot
                                                            : slot - layout.doubleByteSlots + 1;
        attention_[code >> 6] |= 1ull << (code & 63);
        if (slot == layout.doubleByteSlots - 1) attention_[0] |= 1; // the byte 0 shares it
    }
    ViewOwn();
    return true;
}

std::size_t FixTableStore::LineStart(std::string_view text, const std::vector<std::uint32_t>& marks,
                                     std::size_t line) const {
    std::size_t start = marks[line / LineStride];
    for (std::size_t k = 0; k < line % LineStride; ++k)
        start = LineAt(text, start).next;
    return start;
}

// Takes in the entries of a slot. A key that runs two bytes or more past the
// slot's character is filed under its head when it begins with that
// character, and left out otherwise: the text at the slot's places begins with
// that character, so such a key can never match there.
void FixTableStore::Build(std::uint32_t number, unsigned code, bool shared) {
    Record& record = records_[number];
    const std::size_t width = Width(code);
    record.entries = static_cast<std::uint32_t>(entries_.size());
    record.shortBegin = static_cast<std::uint32_t>(shortKeys_.size());
    std::size_t key = LineStart(keys_, keyMarks_, record.first);
    std::size_t value = LineStart(values_, valueMarks_, record.first);
    auto& heads = buildHeads_;
    heads.clear();
    for (std::uint32_t line = record.first; line <= record.last; ++line) {
        const auto [keyEnd, keyNext] = LineAt(keys_, key);
        const auto [valueEnd, valueNext] = LineAt(values_, value);
        // An empty key would match everywhere without moving on; it never
        // comes from a build, so it is left out.
        if (keyEnd > key) {
            const auto entry = static_cast<std::uint32_t>(entries_.size());
            entries_.push_back({static_cast<std::uint32_t>(key), static_cast<std::uint32_t>(keyEnd),
                                static_cast<std::uint32_t>(value),
                                static_cast<std::uint32_t>(valueEnd)});
            // The slot the byte 0 shares is met with either width, so its keys
            // have no head and are all tried one by one.
            if (shared || keyEnd - key < width + 2) {
                shortKeys_.push_back(entry);
            } else {
                const std::uint32_t head = HeadOf(keys_.data() + key, width);
                if (head >> 16 == code) heads.emplace_back(head, entry);
            }
        }
        key = keyNext;
        value = valueNext;
    }
    record.count = static_cast<std::uint32_t>(entries_.size()) - record.entries;
    record.shortCount = static_cast<std::uint32_t>(shortKeys_.size()) - record.shortBegin;
    std::sort(heads.begin(), heads.end());
    auto& group = buildGroup_;
    for (std::size_t i = 0; i < heads.size();) {
        group.clear();
        const std::uint32_t head = heads[i].first;
        for (; i < heads.size() && heads[i].first == head; ++i) {
            const Entry& e = entries_[heads[i].second];
            const std::size_t tail = e.keyBegin + width + 2;
            const std::size_t length = e.keyEnd - tail;
            const std::string_view key = keys_.substr(e.keyBegin, e.keyEnd - e.keyBegin);
            const bool same = key == values_.substr(e.valueBegin, e.valueEnd - e.valueBegin);
            group.push_back({LoadTail(keys_.data() + tail, std::min<std::size_t>(length, 8)),
                             static_cast<std::uint32_t>(length), static_cast<std::uint32_t>(tail),
                             heads[i].second, static_cast<std::uint32_t>(key.size()), same,
                             e.valueBegin, e.valueEnd});
        }
        groups_.Add(head, group);
    }
    ViewOwn();
}

inline const HeadKey* FixTableStore::FirstWithHead(std::uint32_t head, std::size_t width,
                                                   std::string_view text) const {
    const std::string_view rest = text.substr(width + 2);
    const std::uint64_t restTail = LoadTail(rest.data(), std::min<std::size_t>(rest.size(), 8));
    const std::span<const HeadKey> keys = groups_.Keys(head, restTail, rest.size());
    for (const HeadKey& key : keys)
        if (key.Fits(rest, restTail, keys_.data())) return &key;
    return nullptr;
}

FixTableStore::Match FixTableStore::ScanLines(const Record& record, std::string_view text) const {
    std::size_t key = LineStart(keys_, keyMarks_, record.first);
    // Most keys are short lines: with eight bytes of the text and of the line
    // at hand, the line's end and a mismatch are found without a walk or a
    // library call.
    std::uint64_t textWord = 0;
    if (text.size() >= 8) std::memcpy(&textWord, text.data(), 8);
    for (std::uint32_t line = record.first; line <= record.last; ++line) {
        if (text.size() >= 8 && key + 8 <= keys_.size()) {
            const std::uint64_t lineWord =
                runs::Load64(reinterpret_cast<const std::uint8_t*>(keys_.data()) + key);
            const std::uint64_t x = lineWord ^ (runs::LowBits * '\n');
            constexpr std::uint64_t low7 = ~runs::HighBits;
            std::uint64_t breaks = ~(((x & low7) + low7) | x | low7);
            if constexpr (std::endian::native == std::endian::big)
                breaks = __builtin_bswap64(breaks);
            if (breaks != 0) {
                // The key's bytes before the line end (and its CR) must be the
                // text's first bytes.
                std::size_t length = static_cast<std::size_t>(std::countr_zero(breaks)) / 8;
                const std::size_t next = key + length + 1;
                if (length > 0 && keys_[key + length - 1] == '\r') --length;
                const std::uint64_t mask = length == 0 ? 0 : ~0ull >> (64 - 8 * length);
                if (length == 0 || ((lineWord ^ textWord) & mask) != 0) {
                    key = next;
                    continue;
                }
            }
        }
        const auto [keyEnd, keyNext] = LineAt(keys_, key);
        // Empty keys are left out, as Build leaves them out.
        if (keyEnd > key && text.starts_with(keys_.substr(key, keyEnd - key))) {
            const std::size_t value = LineStart(values_, valueMarks_, line);
            const std::string_view replacement =
                values_.substr(value, LineAt(values_, value).end - value);
            return {keyEnd - key, replacement, replacement == keys_.substr(key, keyEnd - key)};
        }
        key = keyNext;
    }
    return {};
}

FixTableStore::Match FixTableStore::MatchOf(std::uint32_t entry) const {
    const Entry& e = entryData_[entry];
    const std::string_view value = values_.substr(e.valueBegin, e.valueEnd - e.valueBegin);
    return {e.keyEnd - e.keyBegin, value, value == keys_.substr(e.keyBegin, e.keyEnd - e.keyBegin)};
}

bool FixTableStore::Matches(std::uint32_t entry, std::string_view text) const {
    const Entry& e = entryData_[entry];
    return text.starts_with(keys_.substr(e.keyBegin, e.keyEnd - e.keyBegin));
}

template <typename EightMarks>
[[gnu::always_inline]] inline bool
FixTableStore::RewriteWith(std::string_view text, std::string& output, EightMarks eightMarks) {
    const auto* const p = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t n = text.size();
    std::size_t at = 0;
    std::size_t copied = 0; // bytes before this are in output already
    bool changed = false;
    // Takes in a match at `at`; the search goes on after its key.
    const auto replace = [&](const Match& match) {
        if (match.same) {
            at += match.keyLength;
            return;
        }
        if (!changed) {
            output.clear();
            output.reserve(n);
            changed = true;
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
    PlaceBits<Window> marks, starts;
    std::array<std::uint16_t, 32> places;
    std::array<Match, places.size()> matches;
    for (const std::size_t end = n > 3 ? n - 3 : 0; at < end;) {
        const std::size_t base = at;
        const std::size_t limit = std::min(end, base + Window);
        marks.Clear();
        starts.Clear();
        std::size_t q = base;
        while (q < limit) {
            // Sixteen bytes at once; those with a character of a single byte
            // among them take two sets of marks, at even and at odd places,
            // where keys are known to begin with double-byte ones only.
            if (eightMarks.Available && q + EightBytesRead + 1 <= n) {
                const unsigned leads = eightMarks.Leads(p + q);
                if ((leads & 0x5555) == 0x5555) {
                    marks.Put16(q - base, EvenPlaces(eightMarks.Marks(p + q, attention, filter)));
                    starts.Put16(q - base, 0x5555);
                    q += 16;
                    continue;
                }
                if (!singleByteKeys_ && leads != 0) {
                    const unsigned trails = TrailsOf(leads);
                    const unsigned begins = ~trails & 0xFFFF;
                    const unsigned leadBegins = begins & leads;
                    std::uint64_t found = 0;
                    if (leadBegins & 0x5555)
                        found |= EvenPlaces(eightMarks.Marks(p + q, attention, filter));
                    if (leadBegins & 0xAAAA)
                        found |= EvenPlaces(eightMarks.Marks(p + q + 1, attention, filter)) << 1;
                    marks.Put16(q - base, found & leadBegins);
                    starts.Put16(q - base, begins);
                    q += 16 + (trails >> 16); // the last may take a byte of the next sixteen
                    continue;
                }
            }
            // Without keys that begin with a single byte, runs of them are
            // passed a word at a time.
            if (!singleByteKeys_ && q + 8 <= n && runs::AllAscii(runs::Load64(p + q))) {
                starts.Put16(q - base, 0xFF);
                q += 8;
                continue;
            }
            const unsigned lead = p[q];
            const std::size_t width = lead >= 0x81 ? 2 : 1;
            starts.Set(q - base);
            if ((width == 2 || singleByteKeys_) &&
                marked(q, width == 2 ? lead << 8 | p[q + 1] : lead, width))
                marks.Set(q - base);
            q += width;
        }
        const std::size_t found = q - base; // the window's characters, and a part of one
        std::size_t from = 0;               // places before it are passed or matched
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
    if (changed) output.append(text, copied, n - copied);
    return changed;
}

bool FixTableStore::Rewrite(std::string_view text, std::string& output) {
#ifdef TESSARIM_HAVE_AVX2_LOOPS
    if (UseAvx2()) return RewriteAvx2(text, output);
#endif
    return RewriteWith(text, output, NoEightMarks{});
}

#ifdef TESSARIM_HAVE_AVX2_LOOPS
__attribute__((target("avx2"))) bool FixTableStore::RewriteAvx2(std::string_view text,
                                                                std::string& output) {
    return RewriteWith(text, output, EightMarksAvx2{});
}
#endif

void FixTableStore::BuildRecord(std::uint32_t number, std::uint32_t slot) {
    if (records_[number].entries != NotBuilt) return;
    const unsigned code = slot < layout_.doubleByteSlots ? layout_.codeBase + slot
                                                         : slot - layout_.doubleByteSlots + 1;
    Build(number, code, slot == layout_.doubleByteSlots - 1);
    // Its keys all have heads now: the bits speak for the character.
    if (records_[number].shortCount == 0) attention_[code >> 6] &= ~(1ull << (code & 63));
}

namespace {

// The table's image: a header of little-endian 64-bit words, then the
// sections, each padded with zeros to a multiple of eight bytes so that every
// section is aligned as it is mapped. The sections hold the store's arrays as
// this processor lays them out; the header's shape word tells another layout.
constexpr char ImageMagic[8] = {'T', 'S', 'M', 'F', 'I', 'L', 'T', '2'};
enum HeaderWord : std::size_t {
    MagicWord,
    ListsChecksumWord,
    BodyChecksumWord,
    ShapeWord,
    CodeBaseWord,
    SlotCountWord,
    LinesWord,
    SingleByteKeysWord,
    RecordCountWord,
    EntryCountWord,
    ShortKeyCountWord,
    GroupSlotBytesWord,
    GroupKeyBytesWord,
    HeaderWords
};
constexpr std::size_t HeaderSize = 8 * HeaderWords;
enum Section : std::size_t {
    AttentionSection,
    FilterSection,
    SlotRecordsSection,
    RecordsSection,
    EntriesSection,
    ShortKeysSection,
    GroupSlotsSection,
    GroupKeysSection,
    SectionCount
};
constexpr char Zeros[8] = {};

std::size_t Padding(std::size_t size) {
    return (8 - size % 8) % 8;
}

std::uint64_t GetLe64(const char* p) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(p[i]);
    return value;
}

void PutLe64(std::string& out, std::uint64_t value) {
    for (int shift = 0; shift < 64; shift += 8)
        out += static_cast<char>(value >> shift & 0xFF);
}

template <typename T>
std::string_view BytesOf(const std::vector<T>& items) {
    return {reinterpret_cast<const char*>(items.data()), items.size() * sizeof(T)};
}

} // namespace

std::vector<std::string_view> FixTableStore::Image(std::uint64_t listsChecksum) {
    for (std::uint32_t slot = 0; slot < recordOfSlot_.size(); ++slot)
        if (recordOfSlot_[slot] != 0) BuildRecord(recordOfSlot_[slot] - 1u, slot);
    const std::uint32_t* const filter = groups_.Filter();
    const std::array<std::string_view, SectionCount> sections = {
        BytesOf(attention_),
        {reinterpret_cast<const char*>(filter), HeadGroups::Words * sizeof(std::uint32_t)},
        BytesOf(recordOfSlot_),
        BytesOf(records_),
        BytesOf(entries_),
        BytesOf(shortKeys_),
        groups_.SlotBytes(),
        groups_.KeyBytes()};
    std::vector<std::string_view> body;
    for (const std::string_view section : sections) {
        body.push_back(section);
        body.emplace_back(Zeros, Padding(section.size()));
    }
    imageHeader_.assign(ImageMagic, sizeof ImageMagic);
    PutLe64(imageHeader_, listsChecksum);
    PutLe64(imageHeader_, FixChecksum(body));
    PutLe64(imageHeader_, ImageShape());
    PutLe64(imageHeader_, layout_.codeBase);
    PutLe64(imageHeader_, layout_.slotCount);
    PutLe64(imageHeader_, lines_);
    PutLe64(imageHeader_, singleByteKeys_);
    PutLe64(imageHeader_, records_.size());
    PutLe64(imageHeader_, entries_.size());
    PutLe64(imageHeader_, shortKeys_.size());
    PutLe64(imageHeader_, sections[GroupSlotsSection].size());
    PutLe64(imageHeader_, sections[GroupKeysSection].size());
    body.insert(body.begin(), imageHeader_);
    return body;
}

std::uint64_t FixTableStore::ImageShape() {
    static_assert(std::is_trivially_copyable_v<Record> && std::is_trivially_copyable_v<Entry>);
    return sizeof(Record) | sizeof(Entry) << 8 | sizeof(HeadKey) << 16 |
           std::uint64_t{HeadGroups::FilterBits} << 24 |
           std::uint64_t{HeadGroups::FilterVersion} << 32;
}

namespace {

std::string IdentitiesOf(std::initializer_list<const MappedFile*> files) {
    std::string text;
    for (const MappedFile* file : files) {
        const MappedFile::Identity& id = file->Stamp();
        if (!text.empty()) text += '/';
        text += std::to_string(id.device) + '.' + std::to_string(id.inode) + '.' +
                std::to_string(id.size) + '.' + std::to_string(id.modified) + '.' +
                std::to_string(id.changed);
    }
    return text;
}

} // namespace

std::string FixTableStore::SettledIdentities() const {
    if (!mappedImage_.Valid()) return {};
    // Longer than any file system's clock tick.
    constexpr std::int64_t Settled = 2'000'000'000;
    const std::int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    for (const MappedFile* file : {&mappedKeys_, &mappedValues_, &mappedIndex_, &mappedImage_})
        if (now - file->Stamp().changed < Settled || now - file->Stamp().modified < Settled)
            return {};
    return IdentitiesOf({&mappedKeys_, &mappedValues_, &mappedIndex_, &mappedImage_});
}

bool FixTableStore::OpenImage(const SlotLayout& layout, const std::string& keysPath,
                              const std::string& valuesPath, const std::string& indexPath,
                              const std::string& imagePath, std::uint64_t listsChecksum,
                              std::string_view trusted) {
    // The image holds the arrays as a little-endian processor lays them out.
    if constexpr (std::endian::native != std::endian::little) return false;
    Clear();
    MappedFile image(imagePath);
    mappedKeys_ = MappedFile(keysPath);
    mappedValues_ = MappedFile(valuesPath);
    mappedIndex_ = MappedFile(indexPath);
    const std::string_view bytes = image.Valid() ? image.Text() : std::string_view();
    const auto word = [&](HeaderWord w) { return GetLe64(bytes.data() + 8 * w); };
    // The image tells where to read in the lists: only files no one else may
    // write are searched as they are (a build writes them anew, read-only).
    if (!mappedKeys_.Valid() || !mappedValues_.Valid() || !mappedIndex_.Valid() ||
        image.OthersMayWrite() || mappedKeys_.OthersMayWrite() || mappedValues_.OthersMayWrite() ||
        mappedIndex_.OthersMayWrite() || bytes.size() < HeaderSize ||
        bytes.substr(0, sizeof ImageMagic) != std::string_view(ImageMagic, sizeof ImageMagic) ||
        word(ListsChecksumWord) != listsChecksum || word(ShapeWord) != ImageShape() ||
        word(CodeBaseWord) != layout.codeBase || word(SlotCountWord) != layout.slotCount ||
        word(RecordCountWord) > layout.slotCount || word(LinesWord) > 0xFFFFFFFFu ||
        word(EntryCountWord) > 0xFFFFFFFFu || word(ShortKeyCountWord) > word(EntryCountWord)) {
        Clear();
        return false;
    }
    keys_ = mappedKeys_.Text();
    values_ = mappedValues_.Text();
    index_ = mappedIndex_.Text();
    const std::array<std::size_t, SectionCount> sizes = {attention_.size() * sizeof(std::uint64_t),
                                                         HeadGroups::Words * sizeof(std::uint32_t),
                                                         layout.slotCount * sizeof(std::uint16_t),
                                                         word(RecordCountWord) * sizeof(Record),
                                                         word(EntryCountWord) * sizeof(Entry),
                                                         word(ShortKeyCountWord) *
                                                             sizeof(std::uint32_t),
                                                         word(GroupSlotBytesWord),
                                                         word(GroupKeyBytesWord)};
    std::array<std::string_view, SectionCount> sections;
    std::vector<std::string_view> body;
    std::size_t at = HeaderSize;
    for (std::size_t k = 0; k < SectionCount; ++k) {
        const std::size_t padded = sizes[k] + Padding(sizes[k]);
        if (sizes[k] > bytes.size() || padded > bytes.size() - at) {
            Clear();
            return false;
        }
        sections[k] = bytes.substr(at, sizes[k]);
        body.push_back(sections[k]);
        body.push_back(bytes.substr(at + sizes[k], padded - sizes[k]));
        at += padded;
    }
    const bool verify = trusted.empty() || trusted != IdentitiesOf({&mappedKeys_, &mappedValues_,
                                                                    &mappedIndex_, &image});
    if (at != bytes.size() ||
        (verify && (FixListsChecksum(keys_, values_, index_) != listsChecksum ||
                    FixChecksum(body) != word(BodyChecksumWord))) ||
        !groups_.View(sections[GroupSlotsSection], sections[GroupKeysSection])) {
        Clear();
        return false;
    }
    layout_ = layout;
    lines_ = word(LinesWord);
    singleByteKeys_ = word(SingleByteKeysWord) != 0;
    const auto at8 = [&](Section k) { return sections[k].data(); };
    mappedImage_ = std::move(image);
    attentionData_ = reinterpret_cast<const std::uint64_t*>(at8(AttentionSection));
    filterData_ = reinterpret_cast<const std::uint32_t*>(at8(FilterSection));
    slotRecords_ = reinterpret_cast<const std::uint16_t*>(at8(SlotRecordsSection));
    recordData_ = reinterpret_cast<const Record*>(at8(RecordsSection));
    entryData_ = reinterpret_cast<const Entry*>(at8(EntriesSection));
    shortKeyData_ = reinterpret_cast<const std::uint32_t*>(at8(ShortKeysSection));
    return true;
}

FixTableStore::Match FixTableStore::Find(unsigned code, std::string_view text) {
    const std::uint32_t slot = layout_.SlotOf(code);
    if (slot == SlotLayout::NoSlot || slotRecords_[slot] == 0) return {};
    const std::uint32_t number = slotRecords_[slot] - 1u;
    const bool shared = slot == layout_.doubleByteSlots - 1;
    if (recordData_[number].entries == NotBuilt) {
        if (mappedImage_.Valid()) return {}; // an image has every slot filed
        Record& record = records_[number];
        if (record.scans < ScansBeforeBuild) {
            ++record.scans;
            return ScanLines(record, text);
        }
        BuildRecord(number, slot);
    }
    const Record& record = recordData_[number];
    std::uint32_t best = NotBuilt;
    for (std::uint32_t s = 0; s < record.shortCount; ++s) {
        if (Matches(shortKeyData_[record.shortBegin + s], text)) {
            best = shortKeyData_[record.shortBegin + s];
            break;
        }
    }
    const std::size_t width = Width(code);
    if (!shared && text.size() >= width + 2) {
        const HeadKey* key = FirstWithHead(HeadOf(text.data(), width), width, text);
        if (key && key->entry < best) best = key->entry;
    }
    return best == NotBuilt ? Match{} : MatchOf(best);
}

} // namespace tessarim
