#include "engine/FixTableStore.h"

#include <cstring>
#include <initializer_list>
#include <limits>
#include <new>
#include <utility>

namespace tessarim {

namespace {

constexpr std::size_t NotLines = std::numeric_limits<std::size_t>::max();

// Counts the lines of a list file, keeping the start of every stride-th line.
// The files are written with a line break after every line; a text that does
// not end in one did not come from a finished build.
std::size_t CountLines(std::string_view text, std::size_t stride,
                       std::vector<std::uint32_t>& marks) {
    marks.clear();
    if (text.empty()) return 0;
    if (text.back() != '\n' || text.size() > std::numeric_limits<std::uint32_t>::max())
        return NotLines;
    std::size_t lines = 0;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    for (const char* p = begin; p != end; ++lines) {
        if (lines % stride == 0) marks.push_back(static_cast<std::uint32_t>(p - begin));
        p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))) + 1;
    }
    return lines;
}

std::uint32_t GetLe32(std::string_view in, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(in[at + static_cast<std::size_t>(i)]);
    return value;
}

// The end of the line that starts at start, without its CR LF or LF.
std::size_t LineEnd(std::string_view text, std::size_t start) {
    std::size_t end = text.find('\n', start);
    if (end > start && text[end - 1] == '\r') --end;
    return end;
}

std::size_t NextLine(std::string_view text, std::size_t start) {
    return text.find('\n', start) + 1;
}

// The bytes a character of this code takes: one below 0x81, else two.
std::size_t Width(unsigned code) {
    return code < 0x81 ? 1 : 2;
}

// A character's code and the two bytes after it, as one bit of the follower set.
std::size_t FollowerBit(unsigned code, std::string_view text, unsigned bits) {
    const std::size_t at = Width(code);
    const std::uint64_t next =
        static_cast<std::uint8_t>(text[at]) << 8 | static_cast<std::uint8_t>(text[at + 1]);
    return static_cast<std::size_t>(
        (static_cast<std::uint64_t>(code) << 16 | next) * 0x9E3779B97F4A7C15ull >> (64 - bits));
}

} // namespace

std::uint64_t FixListsChecksum(std::string_view keys, std::string_view values,
                               std::string_view index) {
    // FNV-1a over each text and its length, eight bytes a step.
    std::uint64_t hash = 0xCBF29CE484222325ull;
    const auto mix = [&hash](std::uint64_t word) {
        hash ^= word;
        hash *= 0x100000001B3ull;
        hash ^= hash >> 29;
    };
    for (const std::string_view text : {keys, values, index}) {
        mix(text.size());
        std::size_t at = 0;
        for (; at + 8 <= text.size(); at += 8) {
            std::uint64_t word;
            std::memcpy(&word, text.data() + at, 8);
            mix(word);
        }
        std::uint64_t rest = 0;
        if (at < text.size()) std::memcpy(&rest, text.data() + at, text.size() - at);
        mix(rest);
    }
    return hash;
}

std::uint64_t FixTableStore::Checksum() const {
    return FixListsChecksum(keys_, values_, index_);
}

bool FixTableStore::OpenFiles(const SlotLayout& layout, const std::string& keysPath,
                              const std::string& valuesPath, const std::string& indexPath) {
    Clear();
    mappedKeys_ = MappedFile(keysPath);
    mappedValues_ = MappedFile(valuesPath);
    mappedIndex_ = MappedFile(indexPath);
    if (!mappedKeys_.Valid() || !mappedValues_.Valid() || !mappedIndex_.Valid()) return false;
    keys_ = mappedKeys_.Text();
    values_ = mappedValues_.Text();
    index_ = mappedIndex_.Text();
    return Open(layout);
}

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
    std::fill(occupied_.begin(), occupied_.end(), 0);
    followers_.reset();
    search_.Clear();
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
        recordOfSlot_[slot] = static_cast<std::uint16_t>(records_.size());
        const unsigned code = slot < layout.doubleByteSlots ? layout.codeBase + slot
                                                            : slot - layout.doubleByteSlots + 1;
        occupied_[code >> 6] |= 1ull << (code & 63);
        if (slot == layout.doubleByteSlots - 1) occupied_[0] |= 1; // the byte 0 shares it
    }
    return true;
}

std::size_t FixTableStore::LineStart(std::string_view text, const std::vector<std::uint32_t>& marks,
                                     std::size_t line) const {
    std::size_t start = marks[line / LineStride];
    for (std::size_t k = 0; k < line % LineStride; ++k)
        start = NextLine(text, start);
    return start;
}

void FixTableStore::Build(Record& record) {
    if (!followers_) {
        followers_.reset(static_cast<std::uint64_t*>(
            std::calloc((std::size_t{1} << FollowerBits) / 64, sizeof(std::uint64_t))));
        if (!followers_) throw std::bad_alloc();
    }
    record.entries = static_cast<std::uint32_t>(entries_.size());
    std::size_t key = LineStart(keys_, keyMarks_, record.first);
    std::size_t value = LineStart(values_, valueMarks_, record.first);
    for (std::uint32_t line = record.first; line <= record.last; ++line) {
        const std::size_t keyEnd = LineEnd(keys_, key);
        const std::size_t valueEnd = LineEnd(values_, value);
        // An empty key would match everywhere without moving on; it never
        // comes from a build, so it is left out.
        if (keyEnd > key) {
            entries_.push_back({static_cast<std::uint32_t>(key), static_cast<std::uint32_t>(keyEnd),
                                static_cast<std::uint32_t>(value),
                                static_cast<std::uint32_t>(valueEnd)});
            const std::string_view text = keys_.substr(key, keyEnd - key);
            const unsigned code = FirstCode(text);
            if (text.size() < Width(code) + 2) {
                record.hasShortKey = true;
            } else {
                const std::size_t bit = FollowerBit(code, text, FollowerBits);
                followers_[bit >> 6] |= 1ull << (bit & 63);
            }
        }
        key = NextLine(keys_, key);
        value = NextLine(values_, value);
    }
    record.count = static_cast<std::uint32_t>(entries_.size()) - record.entries;
    // Many keys are searched in sorted order; a few are compared one after another.
    constexpr std::uint32_t LinearSlotSize = 8;
    if (record.count > LinearSlotSize) {
        std::vector<std::string_view> keys;
        keys.reserve(record.count);
        for (std::uint32_t k = 0; k < record.count; ++k) {
            const Entry& e = entries_[record.entries + k];
            keys.push_back(keys_.substr(e.keyBegin, e.keyEnd - e.keyBegin));
        }
        record.group = search_.AddGroup(keys, 0, static_cast<std::int32_t>(record.count) - 1);
    }
}

FixTableStore::Match FixTableStore::Find(unsigned code, std::string_view text) {
    const std::uint32_t slot = layout_.SlotOf(code);
    if (slot == SlotLayout::NoSlot || recordOfSlot_[slot] == 0) return {};
    Record& record = records_[recordOfSlot_[slot] - 1u];
    if (record.entries == NotBuilt) Build(record);
    if (!record.hasShortKey) {
        if (text.size() < Width(code) + 2) return {};
        const std::size_t bit = FollowerBit(code, text, FollowerBits);
        if (!((followers_[bit >> 6] >> (bit & 63)) & 1)) return {};
    }
    const auto match = [&](const Entry& e) {
        return Match{e.keyEnd - e.keyBegin,
                     values_.substr(e.valueBegin, e.valueEnd - e.valueBegin)};
    };
    if (record.group != NoGroup) {
        const std::int32_t k = search_.FirstMatch(record.group, text);
        if (k == PrefixSearch::NoMatch) return {};
        return match(entries_[record.entries + static_cast<std::uint32_t>(k)]);
    }
    for (std::uint32_t k = 0; k < record.count; ++k) {
        const Entry& e = entries_[record.entries + k];
        if (text.starts_with(keys_.substr(e.keyBegin, e.keyEnd - e.keyBegin))) return match(e);
    }
    return {};
}

} // namespace tessarim
