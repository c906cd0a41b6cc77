#pragma once
// The user's correction tables in memory: b5fix.dat (applied to Big5 results)
// and gbfix.dat (applied to GBK results), each a list of byte strings to find
// and the byte strings to write in their place. FixTableIndex.h brings them in
// from their files.
#include "engine/ConFunc.h"
#include "engine/FixTableStore.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace tessarim {

// The table of each target encoding; the numbers match Direction (GbToBig5
// produces Big5 text, so it takes the Big5 table).
enum class FixTableId : std::uint8_t { Big5 = 0, Gbk = 1 };

inline FixTableId FixTableOf(Direction direction) {
    return direction == GbToBig5 ? FixTableId::Big5 : FixTableId::Gbk;
}

// Both tables of one user of the engine. A table takes in the entries of a
// character the first time it meets one, so one object serves one conversion
// at a time; conversions on other threads bring their own.
class FixTables {
public:
    FixTableStore& Store(FixTableId table) { return stores_[static_cast<std::size_t>(table)]; }
    const FixTableStore& Store(FixTableId table) const {
        return stores_[static_cast<std::size_t>(table)];
    }
    // Empties a table; nothing is applied until it is loaded again.
    void Clear(FixTableId table) { Store(table).Clear(); }
    std::size_t EntryCount(FixTableId table) const { return Store(table).EntryCount(); }

    // Rewrites the text with the table of the direction's target encoding. At
    // each character (one byte below 0x81, else two) the entries whose key
    // begins with that character are tried in list order and the first whose
    // key matches is replaced; so a key never matches from the middle of a
    // double-byte character.
    void Apply(Bytes& text, Direction direction);

private:
    std::array<FixTableStore, 2> stores_;
    // Kept from one block to the next, so converting block after block
    // allocates once.
    Bytes output_;
};

// The same with no tables at all, for callers that have none.
inline void ApplyFixTable(FixTables* tables, Bytes& text, Direction direction) {
    if (tables) tables->Apply(text, direction);
}

} // namespace tessarim
