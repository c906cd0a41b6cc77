#include "engine/FixTableStore.h"

#include "engine/ByteRuns.h"
#include "engine/FixTableLines.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cstring>
#include <type_traits>
#include <utility>

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
