#include "engine/CodeTables.h"

// The tables of the built-in mapping text, read at build time (see
// GenCodeTables.cpp): a short conversion then touches only the pages of the
// characters it meets, and nothing is parsed at start.
namespace tessarim {

namespace generated {
extern const std::array<DbcsCode, TableSpan> GbToBig5;
extern const std::array<DbcsCode, TableSpan> Big5ToGb;
extern const std::array<std::uint16_t, PairTableSpan> GbToBig5Pairs;
extern const std::array<std::uint16_t, PairTableSpan> Big5ToGbPairs;
} // namespace generated

const std::array<DbcsCode, TableSpan>& GbToBig5Table() {
    return generated::GbToBig5;
}
const std::array<DbcsCode, TableSpan>& Big5ToGbTable() {
    return generated::Big5ToGb;
}
const std::array<std::uint16_t, PairTableSpan>& GbToBig5Pairs() {
    return generated::GbToBig5Pairs;
}
const std::array<std::uint16_t, PairTableSpan>& Big5ToGbPairs() {
    return generated::Big5ToGbPairs;
}

} // namespace tessarim
