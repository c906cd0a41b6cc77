#pragma once
// The conversion data compiled into the program from the files of this folder.
#include <cstdint>
#include <span>

namespace tessarim::data {

// GBK to Big5 mapping text: each line a GBK code followed by one or more Big5 codes.
std::span<const std::uint8_t> StrTbl();
// 146 frequent characters in Big5 and the same characters in GBK, for encoding detection.
std::span<const std::uint8_t> TestTbl1();
std::span<const std::uint8_t> TestTbl2();
// Code pages 936 and 950 in the layout that scripts/gen_data.py writes (see engine/CodePages.cpp).
std::span<const std::uint8_t> CodePage936();
std::span<const std::uint8_t> CodePage950();
// The default correction tables, b5fix.dat (Big5) and gbfix.dat (GBK), as the
// program writes them into a settings folder that has none.
std::span<const std::uint8_t> DefaultB5Fix();
std::span<const std::uint8_t> DefaultGbFix();

} // namespace tessarim::data
