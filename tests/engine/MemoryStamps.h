#pragma once
// Correction-table stamps kept in memory, where the program keeps them in its
// settings file.
#include "engine/FixTableIndex.h"

#include <array>

namespace tessarim::test {

class MemoryStamps : public FixStampStore {
public:
    std::string ReadVersion(FixTableId table) const override {
        return stamps[static_cast<std::size_t>(table)].version;
    }
    void Write(FixTableId table, const FixTableStamp& stamp) override {
        stamps[static_cast<std::size_t>(table)] = stamp;
    }
    std::array<FixTableStamp, 2> stamps;
};

} // namespace tessarim::test
