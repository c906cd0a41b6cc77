#pragma once
// A fix table in memory, searched in place in the texts of its three list files:
// keys one per line, replacements one per line, and 12-byte slot records. Opening
// a table only counts lines; a slot's entries are taken from the texts the first
// time a character of that slot is looked up, so a short conversion touches a
// small part of a large table. Internal to the engine.
#include "engine/FixTableSearch.h"
#include "platform/MappedFile.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessarim {

// Every character that can begin a key has a slot: double-byte codes from
// codeBase on, then the single bytes 1 to 0x80; the byte 0 shares the last
// double-byte slot, whose code (F9FF, FEFF) is no character.
struct SlotLayout {
    unsigned codeBase;
    std::uint32_t doubleByteSlots;
    std::uint32_t slotCount;

    static constexpr std::uint32_t NoSlot = 0xFFFFFFFF;
    // A character's code is a byte below 0x81, or lead byte * 256 + trail byte.
    std::uint32_t SlotOf(unsigned code) const {
        if (code < 0x81) return code + doubleByteSlots - 1;
        const unsigned offset = code - codeBase; // wraps for codes below the base
        return offset < doubleByteSlots ? offset : NoSlot;
    }
};

// The code of a key's first character; a key of one lead byte reads as if a
// zero byte followed.
inline unsigned FirstCode(std::string_view key) {
    const unsigned lead = static_cast<std::uint8_t>(key[0]);
    if (lead < 0x81) return lead;
    return lead << 8 | (key.size() > 1 ? static_cast<std::uint8_t>(key[1]) : 0u);
}

inline constexpr std::size_t FixIndexRecordSize = 12;

// The checksum FixTableStore::Checksum gives for these three texts.
std::uint64_t FixListsChecksum(std::string_view keys, std::string_view values,
                               std::string_view index);

class FixTableStore {
public:
    struct Match {
        std::size_t keyLength;
        std::string_view value;
    };

    // Maps the three files. False when one cannot be read or they do not fit
    // together (lists of different lengths, a slot range outside the lists).
    bool OpenFiles(const SlotLayout& layout, const std::string& keysPath,
                   const std::string& valuesPath, const std::string& indexPath);
    // The same over texts built in memory, which the store keeps.
    bool OpenTexts(const SlotLayout& layout, std::string keys, std::string values,
                   std::string index);
    void Clear();

    // A checksum of the three texts as opened, which tells an index file
    // changed or swapped after its build from the one the build wrote.
    std::uint64_t Checksum() const;

    bool Empty() const { return lines_ == 0; }
    std::size_t EntryCount() const { return lines_; }
    // A key begins with this character.
    bool Occupied(unsigned code) const { return (occupied_[code >> 6] >> (code & 63)) & 1; }
    // The first entry of the character's slot, in list order, whose key the text
    // begins with; keyLength 0 when there is none.
    Match Find(unsigned code, std::string_view text);

private:
    struct Entry {
        std::uint32_t keyBegin;
        std::uint32_t keyEnd;
        std::uint32_t valueBegin;
        std::uint32_t valueEnd;
    };
    struct Record {
        std::uint32_t first;
        std::uint32_t last;
        std::uint32_t entries = NotBuilt; // where its entries start in entries_
        std::uint32_t count = 0;
        std::uint32_t group = NoGroup;
        bool hasShortKey = false; // a key ends within two bytes after its first character
    };
    static constexpr std::uint32_t NotBuilt = 0xFFFFFFFF;
    static constexpr std::uint32_t NoGroup = 0xFFFFFFFF;
    // Every this many lines the offset of a line is kept, so finding a line
    // means skipping fewer than this many.
    static constexpr std::size_t LineStride = 64;

    bool Open(const SlotLayout& layout);
    void Build(Record& record);
    std::size_t LineStart(std::string_view text, const std::vector<std::uint32_t>& marks,
                          std::size_t line) const;

    SlotLayout layout_{};
    MappedFile mappedKeys_, mappedValues_, mappedIndex_;
    std::string ownedKeys_, ownedValues_, ownedIndex_;
    std::string_view keys_, values_, index_;
    std::size_t lines_ = 0;
    std::vector<std::uint32_t> keyMarks_, valueMarks_;
    // Record number + 1, 0 for an empty slot; an index holds at most one record
    // per slot (at most 32,320), so the numbers fit.
    std::vector<std::uint16_t> recordOfSlot_;
    std::vector<Record> records_;
    std::vector<Entry> entries_;
    std::vector<std::uint64_t> occupied_ = std::vector<std::uint64_t>(0x10000 / 64);
    // For the keys of the slots taken in so far: which first characters are
    // followed by which two bytes, hashed. Most places of a text begin no key,
    // and this tells so before any key is compared.
    // Taken from calloc when the first slot is, so that the pages a short
    // conversion never marks are never touched.
    static constexpr unsigned FollowerBits = 20;
    struct Free {
        void operator()(std::uint64_t* words) const { std::free(words); }
    };
    std::unique_ptr<std::uint64_t[], Free> followers_;
    PrefixSearch search_;
};

} // namespace tessarim
