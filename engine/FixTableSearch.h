#pragma once
// Finding the entry of a fix table that applies at a position of the text.
// The rule is a scan of the entries that begin with the current character, in
// list order, taking the first whose key the text begins with. A slot of the
// default tables holds up to a few hundred keys and the scan runs at almost
// every character, so large slots are searched in sorted order instead, with
// the same result.
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace tessarim {

class PrefixSearch {
public:
    static constexpr std::int32_t NoMatch = -1;

    // Arranges entries first..last of `keys` (indices into it) as one group and
    // returns the group's number. The keys must stay where they are while the
    // search is used.
    std::uint32_t AddGroup(std::span<const std::string_view> keys, std::int32_t first,
                           std::int32_t last);

    // The lowest entry index of the group whose key `text` begins with, or NoMatch.
    std::int32_t FirstMatch(std::uint32_t group, std::string_view text) const;

    void Clear();

private:
    struct Node {
        std::string_view key;
        std::int32_t parent; // the node of the longest key that is a proper prefix of this one
        std::int32_t best;   // lowest entry index among this key and all its prefixes
    };
    struct Group {
        std::uint32_t begin;
        std::uint32_t end;
    };
    std::vector<Node> nodes_; // each group's distinct keys in ascending byte order
    std::vector<Group> groups_;
    // Working space of AddGroup, kept between groups.
    std::vector<std::pair<std::string_view, std::int32_t>> sorted_;
    std::vector<std::int32_t> prefixes_;
};

} // namespace tessarim
