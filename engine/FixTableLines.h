#pragma once
// The list files of a fix table read as they are mapped: their lines counted
// with every stride-th line's start kept, and the checksum that ties the
// index files to the build that wrote them. Internal to the engine.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string_view>
#include <vector>

namespace tessarim {

// CountLines' answer for a text that did not come from a finished build.
inline constexpr std::size_t NotLines = std::numeric_limits<std::size_t>::max();

// The number of lines of a list file (every line ends with a line break),
// keeping in marks the start of every stride-th line; NotLines when the text
// does not end with a line break or is too long for 32-bit offsets.
std::size_t CountLines(std::string_view text, std::size_t stride,
                       std::vector<std::uint32_t>& marks);

// A checksum of texts taken one after another, each with its length, as a
// build writes them: the three list files, or the pieces of a table's image.
std::uint64_t FixChecksum(std::span<const std::string_view> texts);
inline std::uint64_t FixListsChecksum(std::string_view keys, std::string_view values,
                                      std::string_view index) {
    const std::string_view lists[] = {keys, values, index};
    return FixChecksum(lists);
}

} // namespace tessarim
