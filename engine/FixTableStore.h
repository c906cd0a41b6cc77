#pragma once
// A fix table in memory, searched in place in the texts of its three list files:
// keys one per line, replacements one per line, and 12-byte slot records. Built
// from texts, a slot's entries are taken from them the first time a character
// of that slot is looked up; opened from files, the table's image (every slot
// filed, as the build left it) is searched as it is mapped, so a short
// conversion reads only what it meets. Internal to the engine.
#include "engine/Cpu.h"
#include "engine/FixTableSearch.h"
#include "platform/MappedFile.h"

#include <algorithm>
#include <cstdint>
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

class FixTableStore {
public:
    struct Match {
        std::size_t keyLength;
        std::string_view value;
        // The value is the key itself: many entries keep a word as it is, so
        // that no shorter key splits it, and such a match changes nothing.
        bool same = false;
    };

    // Takes the lists as texts built in memory, which the store keeps. False
    // when they do not fit together (lists of different lengths, a slot range
    // outside the lists).
    bool OpenTexts(const SlotLayout& layout, std::string keys, std::string values,
                   std::string index);
    // Maps the three list files and the table's image a build wrote beside
    // them, and searches them as they are: nothing is counted or filed at
    // start. The lists must show listsChecksum and the image the checksum it
    // was written with, unless the four files are still as `trusted` says
    // (SettledIdentities of a load that verified them). False, and the store
    // empty, when a file cannot be read or they do not fit together or the
    // layout.
    bool OpenImage(const SlotLayout& layout, const std::string& keysPath,
                   const std::string& valuesPath, const std::string& indexPath,
                   const std::string& imagePath, std::uint64_t listsChecksum,
                   std::string_view trusted);
    // The four files OpenImage mapped, as text: device, inode, size and times of
    // each. Empty when there are none, or when one was changed within the last
    // seconds: a change within the same tick of the file system's clock would
    // leave its times as they are, so only files that have stood still longer
    // may be trusted by these alone.
    std::string SettledIdentities() const;
    void Clear();

    // Files every slot, then gives the table's image as pieces to be written
    // one after another: everything a search needs, filed, tied to the lists
    // by listsChecksum. The pieces stay valid while the store is unchanged.
    std::vector<std::string_view> Image(std::uint64_t listsChecksum);

    bool Empty() const { return lines_ == 0; }
    std::size_t EntryCount() const { return lines_; }
    // Replaces every match: in the text itself while each replacement is as
    // long as its key, and says false; once one is not, writes the whole
    // result into output and says true (the text then holds a part of it).
    // Matches are looked for at character boundaries from the start, and the
    // search goes on after each replaced key.
    bool Rewrite(std::string& text, std::string& output);
    // The first entry of the character's slot, in list order, whose key the text
    // begins with; keyLength 0 when there is none.
    Match Find(unsigned code, std::string_view text);

private:
    // Entries and records are kept in an image as they are in memory.
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
        // Its keys too short to have a head, in list order, in shortKeys_.
        std::uint32_t shortBegin = 0;
        std::uint32_t shortCount = 0;
        std::uint32_t scans = 0; // lookups answered from the lists before it was built
    };
    // A slot met this many times is looked up in its lines; filing its keys
    // pays off only for a slot met again and again, and a short text meets
    // most of its slots once or twice.
    static constexpr std::uint32_t ScansBeforeBuild = 2;
    static constexpr std::uint32_t NotBuilt = 0xFFFFFFFF;
    // Every this many lines the offset of a line is kept, so finding a line
    // means skipping fewer than this many (at most a few hundred bytes, only
    // when a slot is scanned or filed), and opening a table keeps few.
    static constexpr std::size_t LineStride = 64;

    bool Open(const SlotLayout& layout);
    // Points the searches at what the store holds now (after filing, which
    // may move it), unless an image is in use.
    void ViewOwn();
    // The sizes of the arrays an image keeps and of its bit sets: an image of
    // another shape is not used.
    static std::uint64_t ImageShape();
    // Rewrite's loop; eightMarks marks sixteen bytes at a time where the
    // processor can.
    template <typename EightMarks>
    bool RewriteWith(std::string& text, std::string& output, EightMarks eightMarks);
#ifdef TESSARIM_HAVE_AVX2_LOOPS
    bool RewriteAvx2(std::string& text, std::string& output);
    bool RewriteAvx512(std::string& text, std::string& output);
#endif
    void Build(std::uint32_t number, unsigned code, bool shared);
    // Files the slot of the record unless done, as Find does when it gives up
    // scanning.
    void BuildRecord(std::uint32_t number, std::uint32_t slot);
    // The first key filed under the text's head that the text begins with.
    [[gnu::always_inline]] const HeadKey* FirstWithHead(std::uint32_t head, std::size_t width,
                                                        std::string_view text) const;
    Match MatchOf(std::uint32_t entry) const;
    Match ScanLines(const Record& record, std::string_view text) const;
    bool Matches(std::uint32_t entry, std::string_view text) const;
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
    std::vector<std::uint32_t> shortKeys_;
    // Some slot of a single byte has keys (the byte 0 shares the last
    // double-byte slot); without, runs of ASCII are passed a word at a time.
    bool singleByteKeys_ = false;
    // The characters whose slot must be looked at (or scanned or filed) at
    // every place they stand.
    std::vector<std::uint64_t> attention_ = std::vector<std::uint64_t>(0x10000 / 64);
    HeadGroups groups_;
    // What the searches read: the vectors above, or the image's bytes once
    // an image is in use (with every slot filed; nothing is written then).
    MappedFile mappedImage_;
    const std::uint16_t* slotRecords_ = nullptr;
    const Record* recordData_ = nullptr;
    const Entry* entryData_ = nullptr;
    const std::uint32_t* shortKeyData_ = nullptr;
    const std::uint64_t* attentionData_ = nullptr;
    const std::uint32_t* filterData_ = nullptr; // the heads' filter; null: groups_ keeps it
    std::string imageHeader_;                   // the first piece Image gave
    // Working space of Build, kept from one slot to the next.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> buildHeads_; // head, entry
    std::vector<HeadKey> buildGroup_;
};

inline const HeadKey* FixTableStore::FirstWithHead(std::uint32_t head, std::size_t width,
                                                   std::string_view text) const {
    const std::string_view rest = text.substr(width + 2);
    const std::uint64_t restTail = LoadTail(rest.data(), std::min<std::size_t>(rest.size(), 8));
    const std::span<const HeadKey> keys = groups_.Keys(head, restTail, rest.size());
    for (const HeadKey& key : keys)
        if (key.Fits(rest, restTail, keys_.data())) return &key;
    return nullptr;
}

} // namespace tessarim
