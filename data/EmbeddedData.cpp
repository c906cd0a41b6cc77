#include "data/EmbeddedData.h"

#include <cstddef>

namespace tessarim::data {

extern const unsigned char strtbl[], testtbl1[], testtbl2[], cp936[], cp950[], b5fix[], gbfix[];
extern const std::size_t strtbl_size, testtbl1_size, testtbl2_size, cp936_size, cp950_size,
    b5fix_size, gbfix_size;

namespace {
std::span<const std::uint8_t> View(const unsigned char* bytes, std::size_t size) {
    return {reinterpret_cast<const std::uint8_t*>(bytes), size};
}
} // namespace

std::span<const std::uint8_t> StrTbl() {
    return View(strtbl, strtbl_size);
}
std::span<const std::uint8_t> TestTbl1() {
    return View(testtbl1, testtbl1_size);
}
std::span<const std::uint8_t> TestTbl2() {
    return View(testtbl2, testtbl2_size);
}
std::span<const std::uint8_t> CodePage936() {
    return View(cp936, cp936_size);
}
std::span<const std::uint8_t> CodePage950() {
    return View(cp950, cp950_size);
}
std::span<const std::uint8_t> DefaultB5Fix() {
    return View(b5fix, b5fix_size);
}
std::span<const std::uint8_t> DefaultGbFix() {
    return View(gbfix, gbfix_size);
}

} // namespace tessarim::data
