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

// Sixteen bytes that are eight double-byte characters, with eight more bytes
// readable after them for the heads: which of the eight places are marked (bit
// k for the place 2k), each head (its character and the next) in heads; or
// NotEight when the bytes are no such run.
constexpr unsigned NotEight = 0x100;
constexpr std::size_t EightBytesRead = 24;

#ifdef TESSARIM_HAVE_AVX2_LOOPS
struct EightMarksAvx2 {
    // The bits of a set at eight places. The set as 32-bit words: word w of
    // 64 bits is words 2w and 2w + 1.
    __attribute__((target("avx2"))) static __m256i BitsAt(const std::uint64_t* set, __m256i bit) {
        const __m256i found =
            _mm256_i32gather_epi32(reinterpret_cast<const int*>(set), _mm256_srli_epi32(bit, 5), 4);
        return _mm256_srlv_epi32(found, _mm256_and_si256(bit, _mm256_set1_epi32(31)));
    }

    __attribute__((target("avx2"))) inline unsigned
    operator()(const std::uint8_t* p, const std::uint64_t* attention, const std::uint64_t* bits,
               std::array<std::uint32_t, 8>& heads) const {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // A byte of 0x81 or more at every even place: eight characters.
        const __m128i leads =
            _mm_cmpgt_epi8(_mm_xor_si128(low, _mm_set1_epi8(-128)), _mm_setzero_si128());
        if ((_mm_movemask_epi8(leads) & 0x5555) != 0x5555) return NotEight;
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
        const __m256i multiplier = _mm256_set1_epi32(static_cast<int>(HeadGroups::BitMultiplier));
        const __m256i shortBit =
            _mm256_srli_epi32(_mm256_mullo_epi32(head, multiplier), 32 - HeadGroups::BitCount);
        const __m256i pair = _mm256_xor_si256(
            head, _mm256_mullo_epi32(
                      next, _mm256_set1_epi32(static_cast<int>(HeadGroups::PairMultiplier))));
        const __m256i pairBit =
            _mm256_srli_epi32(_mm256_mullo_epi32(pair, multiplier), 32 - HeadGroups::BitCount);
        const __m256i code = _mm256_srli_epi32(head, 16);
        const __m256i marks =
            _mm256_or_si256(BitsAt(attention, code),
                            _mm256_or_si256(BitsAt(bits + HeadGroups::Words, shortBit),
                                            BitsAt(bits + 2 * HeadGroups::Words, pairBit)));
        const auto found = static_cast<unsigned>(
            _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_slli_epi32(marks, 31))));
        if (found != 0) _mm256_storeu_si256(reinterpret_cast<__m256i*>(heads.data()), head);
        return found;
    }
};
#endif

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
    bitData_ = nullptr;
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
    const std::uint64_t* const bits = bitData_ ? bitData_ : groups_.Bits();
    const auto marked = [&](std::uint32_t code, std::uint32_t head) {
        const std::size_t bit = HeadGroups::BitOf(head);
        return static_cast<unsigned>(
            (attention[code >> 6] >> (code & 63) | bits[bit >> 6] >> (bit & 63)) & 1);
    };
    // At a marked place: the entry whose key matches there, if any.
    const auto lookUp = [&](std::uint32_t code, std::uint32_t head, std::size_t width) -> Match {
        if ((attention[code >> 6] >> (code & 63)) & 1) return Find(code, text.substr(at));
        if (const HeadKey* key = FirstWithHead(head, width, text.substr(at)))
            return {key->keyLength,
                    values_.substr(key->valueBegin, key->valueEnd - key->valueBegin),
                    key->same != 0};
        return {};
    };
    // Where four bytes can be read, a character that needs no look at its
    // slot is passed when the bits know no key with its head; eight or four
    // double-byte characters at a time in runs of Chinese text.
    std::array<std::uint32_t, 8> heads;
    for (const std::size_t end = n > 3 ? n - 3 : 0; at < end;) {
        if (at + EightBytesRead <= n) {
            unsigned found = eightMarks(p + at, attention, bits, heads);
            if (found != NotEight) {
                const std::size_t base = at;
                bool replaced = false;
                for (; found != 0 && !replaced; found &= found - 1) {
                    const unsigned k = static_cast<unsigned>(std::countr_zero(found));
                    at = base + 2 * k;
                    const Match match = lookUp(heads[k] >> 16, heads[k], 2);
                    if (match.keyLength != 0) {
                        replace(match);
                        replaced = true;
                    }
                }
                if (!replaced) at = base + 16;
                continue;
            }
        }
        if (at + 10 <= n) {
            std::uint64_t run = runs::Load64(p + at);
            if (!singleByteKeys_ && runs::AllAscii(run)) {
                at += 8;
                continue;
            }
            if (runs::FourPairs(run)) {
                if constexpr (std::endian::native == std::endian::little)
                    run = __builtin_bswap64(run);
                const std::uint32_t after = std::uint32_t{p[at + 8]} << 8 | p[at + 9];
                const auto headAt = [&](unsigned k) {
                    return static_cast<std::uint32_t>(k == 3 ? run << 16 | after
                                                             : run >> (32 - 16 * k));
                };
                unsigned found = marked(headAt(0) >> 16, headAt(0)) |
                                 marked(headAt(1) >> 16, headAt(1)) << 1 |
                                 marked(headAt(2) >> 16, headAt(2)) << 2 |
                                 marked(headAt(3) >> 16, headAt(3)) << 3;
                const std::size_t base = at;
                bool replaced = false;
                for (; found != 0 && !replaced; found &= found - 1) {
                    const unsigned k = static_cast<unsigned>(std::countr_zero(found));
                    at = base + 2 * k;
                    const Match match = lookUp(headAt(k) >> 16, headAt(k), 2);
                    if (match.keyLength != 0) {
                        replace(match);
                        replaced = true;
                    }
                }
                if (!replaced) at = base + 8;
                continue;
            }
        }
        std::uint32_t word;
        std::memcpy(&word, p + at, 4);
        if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap32(word);
        const bool pair = word >= 0x81000000u;
        const std::uint32_t code = pair ? word >> 16 : word >> 24;
        const std::uint32_t head = pair ? word : word >> 8;
        const std::size_t width = pair ? 2 : 1;
        if (marked(code, head)) {
            const Match match = lookUp(code, head, width);
            if (match.keyLength != 0) {
                replace(match);
                continue;
            }
        }
        at += width;
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
    return RewriteWith(text, output,
                       [](const std::uint8_t*, const std::uint64_t*, const std::uint64_t*,
                          std::array<std::uint32_t, 8>&) { return NotEight; });
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
    BitsSection,
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
    const std::uint64_t* const bits = groups_.Bits();
    const std::array<std::string_view, SectionCount> sections = {
        BytesOf(attention_),
        {reinterpret_cast<const char*>(bits), 3 * HeadGroups::Words * sizeof(std::uint64_t)},
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
           std::uint64_t{HeadGroups::BitCount} << 24;
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
    const std::array<std::size_t, SectionCount> sizes = {
        attention_.size() * sizeof(std::uint64_t),
        3 * HeadGroups::Words * sizeof(std::uint64_t),
        layout.slotCount * sizeof(std::uint16_t),
        word(RecordCountWord) * sizeof(Record),
        word(EntryCountWord) * sizeof(Entry),
        word(ShortKeyCountWord) * sizeof(std::uint32_t),
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
    bitData_ = reinterpret_cast<const std::uint64_t*>(at8(BitsSection));
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
