#pragma once
// Finding the entry of a fix table that applies at a position of the text. The
// rule is a scan of the entries that begin with the current character, in list
// order, taking the first whose key the text begins with. Every key that runs
// two bytes or more past its first character agrees with the text on those
// bytes (the "head": the character and the two bytes after it), so such keys
// are filed by head, in list order, each with the rest of its bytes (its
// "tail") at hand; the few shorter keys are tried one by one. A filter of heads
// hashed into bits tells most places of a text that no key begins there before
// any head is looked up. Internal to the engine.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tessarim {

// The head of a text whose first character takes `width` bytes (1 or 2) and
// that has at least width + 2 bytes: those bytes, first byte highest. A head of
// a double-byte character begins with a byte of 0x81 or more, one of a single
// byte with a zero byte, so the two kinds never meet.
inline std::uint32_t HeadOf(const char* p, std::size_t width) {
    std::uint32_t head = 0;
    for (std::size_t k = 0; k < width + 2; ++k)
        head = head << 8 | static_cast<std::uint8_t>(p[k]);
    return head;
}

// Up to eight bytes from p, the first lowest; missing bytes are zero.
inline std::uint64_t LoadTail(const char* p, std::size_t length) {
    std::uint64_t value = 0;
    if (length >= 8) {
        std::memcpy(&value, p, 8);
        if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap64(value);
        return value;
    }
    for (std::size_t k = length; k-- > 0;)
        value = value << 8 | static_cast<std::uint8_t>(p[k]);
    return value;
}

// A key filed under its head: the bytes after the head, and what its entry
// needs to be applied, at hand without a look at the lists.
struct HeadKey {
    std::uint64_t tail;           // its first eight bytes, as LoadTail gives them
    std::uint32_t length;         // of the whole tail
    std::uint32_t tailAt;         // where the tail begins in the keys' text
    std::uint32_t entry;          // list order
    std::uint32_t keyLength : 31; // of the whole key
    std::uint32_t same : 1;       // the replacement is the key itself
    std::uint32_t valueBegin;     // the replacement in the values' text
    std::uint32_t valueEnd;

    // The text after the head (`rest`, its first eight bytes in `restTail`)
    // begins with this tail.
    bool Fits(std::string_view rest, std::uint64_t restTail, const char* keys) const {
        if (length > rest.size()) return false;
        if (length <= 8) {
            const std::uint64_t mask = length == 8 ? ~0ull : (1ull << (8 * length)) - 1;
            return ((restTail ^ tail) & mask) == 0;
        }
        return restTail == tail && std::memcmp(rest.data() + 8, keys + tailAt + 8, length - 8) == 0;
    }
};

// Kept as they are in an image, which holds them for the processor that wrote it.
static_assert(sizeof(HeadKey) == 32 && std::is_trivially_copyable_v<HeadKey>);

class HeadGroups {
public:
    // Files keys under a head that has none so far; `keys` are in list order.
    void Add(std::uint32_t head, std::span<const HeadKey> keys);
    // The keys filed under the head, in list order; none when the text after
    // the head (its first eight bytes in `restTail`, `rest` bytes in all) can
    // begin none of their tails.
    std::span<const HeadKey> Keys(std::uint32_t head, std::uint64_t restTail,
                                  std::size_t rest) const {
        if (slotCount_ == 0) return {};
        for (std::size_t at = Home(head);; at = (at + 1) & (slotCount_ - 1)) {
            const Slot& slot = slotData_[at];
            if (slot.count == 0) return {};
            if (slot.head != head) continue;
            if (rest >= 2 && !slot.shortTail && !((slot.nextBits >> NextBit(restTail)) & 1))
                return {};
            return {keyData_ + slot.begin, slot.count};
        }
    }
    // The filed groups as bytes an image keeps: the hash table, then the keys.
    std::string_view SlotBytes() const;
    std::string_view KeyBytes() const;
    // Searches the groups an image keeps (as SlotBytes and KeyBytes gave them)
    // in place; the bytes must stay while they are searched. False, and
    // nothing changed, when they cannot be such groups.
    bool View(std::string_view slots, std::string_view keys);
    // The filter: a word of 32 bits for every head's hash (WordOf), with two
    // bits (PairBits) for each head together with the first two bytes of a
    // tail of two bytes or more, and two for each head filed with a shorter
    // tail: BlockBits when its only such key is the head itself kept as it
    // is, ShortBits otherwise. A text can begin a key at a place only where
    // the word of its head has both bits of one of those pairs; all are in
    // one word, so a place costs one read.
    //
    // Where only BlockBits speak for a place, the look-up there finds either
    // no key or a key that changes nothing and ends with the head: it
    // matters only to a place within the head where a key may begin too.
    const std::uint32_t* Filter();
    static std::size_t WordOf(std::uint32_t head) {
        return (head * WordMultiplier) >> (32 - FilterBits);
    }
    // Two bit numbers from the top ten bits of a hash.
    static std::uint32_t TwoBits(std::uint32_t hash) {
        return 1u << (hash >> 27) | 1u << (hash >> 22 & 31);
    }
    // Both of a head's pairs from one hash: the second is the first with
    // each bit number moved by 16.
    static std::uint32_t HeadHash(std::uint32_t head) { return head * HeadMultiplier; }
    static constexpr std::uint32_t BlockFlip = 0x84000000u;
    static std::uint32_t ShortBits(std::uint32_t head) { return TwoBits(HeadHash(head)); }
    static std::uint32_t BlockBits(std::uint32_t head) {
        return TwoBits(HeadHash(head) ^ BlockFlip);
    }
    // next: the first two bytes after the head, the first lowest.
    static std::uint32_t PairBits(std::uint32_t head, std::uint32_t next) {
        return TwoBits(HeadHash(head) ^ next * NextMultiplier);
    }
    static bool Marked(const std::uint32_t* filter, std::uint32_t head, std::uint32_t next) {
        const std::uint32_t word = filter[WordOf(head)];
        const auto has = [word](std::uint32_t bits) { return (word & bits) == bits; };
        return has(ShortBits(head)) || has(PairBits(head, next)) || has(BlockBits(head));
    }
    static constexpr std::uint32_t WordMultiplier = 0x9E3779B1u;
    static constexpr std::uint32_t HeadMultiplier = 0x85EBCA6Bu;
    static constexpr std::uint32_t NextMultiplier = 0xC2B2AE35u;
    // 256 KiB: a table of tens of thousands of keys sets about one bit in 35,
    // so about one place in 400 of a text no key begins at is looked up for
    // nothing.
    static constexpr unsigned FilterBits = 16;
    static constexpr std::size_t Words = std::size_t{1} << FilterBits;
    // Changes whenever the filter's hashes do, so that no image keeps bits
    // another version set.
    static constexpr unsigned FilterVersion = 5;
    void Clear();

private:
    // Sixteen bytes, so that the table of a large fix table stays in a
    // processor's cache.
    struct Slot {
        std::uint32_t head = 0;
        std::uint32_t begin = 0;
        std::uint32_t count : 31 = 0;    // 0: empty
        std::uint32_t shortTail : 1 = 0; // a tail of fewer than two bytes
        std::uint32_t nextBits = 0;      // NextBit of every longer tail
    };
    // One of 32 bits for the first two bytes of a tail.
    static unsigned NextBit(std::uint64_t tail) {
        return static_cast<unsigned>((tail & 0xFFFF) * 0x9E37u >> 10) & 31;
    }
    std::size_t Home(std::uint32_t head) const {
        return static_cast<std::size_t>(head * 0xC2B2AE3D27D4EB4Full >> 40) & (slotCount_ - 1);
    }
    void Grow();
    // Points the search at the groups filed here.
    void ViewOwn();

    std::vector<Slot> slots_; // open addressing; a power of two, at most half full
    std::size_t used_ = 0;
    std::vector<HeadKey> keys_;
    // What Keys searches: the vectors above, or an image's bytes.
    const Slot* slotData_ = nullptr;
    std::size_t slotCount_ = 0;
    const HeadKey* keyData_ = nullptr;
    // Taken from calloc when first asked for, so that the pages a short
    // conversion never marks are never touched.
    struct Free {
        void operator()(std::uint32_t* words) const { std::free(words); }
    };
    std::unique_ptr<std::uint32_t[], Free> filter_;
    // Whether Add marks the filter; a table whose filter comes from an image
    // leaves it untouched.
    bool markBits_ = true;
};

} // namespace tessarim
