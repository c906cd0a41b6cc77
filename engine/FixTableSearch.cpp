#include "engine/FixTableSearch.h"

#include <bit>
#include <cstdint>
#include <new>

namespace tessarim {

void HeadGroups::Add(std::uint32_t head, std::span<const HeadKey> keys) {
    if (keys.empty()) return;
    if (markBits_) {
        Filter();
        std::uint32_t& word = filter_[WordOf(head)];
        std::size_t shortKeys = 0;
        const HeadKey* shortKey = nullptr;
        for (const HeadKey& key : keys) {
            if (key.length < 2) {
                ++shortKeys;
                shortKey = &key;
            } else {
                word |= PairBits(head, static_cast<std::uint32_t>(key.tail & 0xFFFF));
            }
        }
        // Longer keys before the head itself in list order have their pair
        // bits; those after it never match.
        if (shortKeys == 1 && shortKey->length == 0 && shortKey->same)
            word |= BlockBits(head);
        else if (shortKeys > 0)
            word |= ShortBits(head);
    }
    if (2 * (used_ + 1) > slots_.size()) Grow();
    std::size_t at = Home(head);
    while (slots_[at].count != 0)
        at = (at + 1) & (slots_.size() - 1);
    Slot& slot = slots_[at];
    slot = {head, static_cast<std::uint32_t>(keys_.size()),
            static_cast<std::uint32_t>(keys.size())};
    for (const HeadKey& key : keys) {
        if (key.length < 2)
            slot.shortTail = 1;
        else
            slot.nextBits |= 1u << NextBit(key.tail);
    }
    ++used_;
    keys_.insert(keys_.end(), keys.begin(), keys.end());
    ViewOwn();
}

void HeadGroups::ViewOwn() {
    slotData_ = slots_.data();
    slotCount_ = slots_.size();
    keyData_ = keys_.data();
}

std::string_view HeadGroups::SlotBytes() const {
    return {reinterpret_cast<const char*>(slotData_), slotCount_ * sizeof(Slot)};
}

std::string_view HeadGroups::KeyBytes() const {
    return {reinterpret_cast<const char*>(keys_.data()), keys_.size() * sizeof(HeadKey)};
}

bool HeadGroups::View(std::string_view slots, std::string_view keys) {
    static_assert(sizeof(Slot) == 16 && std::is_trivially_copyable_v<Slot>);
    const std::size_t count = slots.size() / sizeof(Slot);
    if (slots.size() % sizeof(Slot) != 0 || !std::has_single_bit(count | (count == 0)) ||
        keys.size() % sizeof(HeadKey) != 0 ||
        reinterpret_cast<std::uintptr_t>(slots.data()) % alignof(Slot) != 0 ||
        reinterpret_cast<std::uintptr_t>(keys.data()) % alignof(HeadKey) != 0)
        return false;
    Clear();
    slotData_ = reinterpret_cast<const Slot*>(slots.data());
    slotCount_ = count;
    keyData_ = reinterpret_cast<const HeadKey*>(keys.data());
    markBits_ = false;
    return true;
}

const std::uint32_t* HeadGroups::Filter() {
    if (!filter_) {
        filter_.reset(static_cast<std::uint32_t*>(std::calloc(Words, sizeof(std::uint32_t))));
        if (!filter_) throw std::bad_alloc();
    }
    return filter_.get();
}

void HeadGroups::Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : 2 * old.size(), Slot{});
    ViewOwn(); // Home() reads the new size
    for (const Slot& slot : old) {
        if (slot.count == 0) continue;
        std::size_t at = Home(slot.head);
        while (slots_[at].count != 0)
            at = (at + 1) & (slots_.size() - 1);
        slots_[at] = slot;
    }
}

void HeadGroups::Clear() {
    slots_ = {};
    used_ = 0;
    keys_ = {};
    ViewOwn();
    filter_.reset();
    markBits_ = true;
}

} // namespace tessarim
