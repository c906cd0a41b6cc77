#include "engine/FixTableSearch.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace tessarim {

std::uint32_t PrefixSearch::AddGroup(std::span<const std::string_view> keys, std::int32_t first,
                                     std::int32_t last) {
    auto& sorted = sorted_;
    sorted.clear();
    for (std::int32_t k = first; k <= last; ++k)
        sorted.emplace_back(keys[static_cast<std::size_t>(k)], k);
    std::sort(sorted.begin(), sorted.end());

    const auto begin = static_cast<std::uint32_t>(nodes_.size());
    // Keys that are prefixes of the current one, shortest at the bottom: in
    // sorted order every prefix of a key comes before it, and keys in between
    // that are not prefixes are popped on the way.
    auto& prefixes = prefixes_;
    prefixes.clear();
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const auto& [key, index] = sorted[i];
        if (i > 0 && sorted[i - 1].first == key) continue; // the lower index came first
        while (!prefixes.empty() &&
               !key.starts_with(nodes_[static_cast<std::size_t>(prefixes.back())].key))
            prefixes.pop_back();
        const std::int32_t parent = prefixes.empty() ? -1 : prefixes.back();
        const std::int32_t inherited = parent < 0 ? std::numeric_limits<std::int32_t>::max()
                                                  : nodes_[static_cast<std::size_t>(parent)].best;
        prefixes.push_back(static_cast<std::int32_t>(nodes_.size()));
        nodes_.push_back({key, parent, std::min(index, inherited)});
    }
    groups_.push_back({begin, static_cast<std::uint32_t>(nodes_.size())});
    return static_cast<std::uint32_t>(groups_.size() - 1);
}

std::int32_t PrefixSearch::FirstMatch(std::uint32_t group, std::string_view text) const {
    const Group& g = groups_[group];
    const auto first = nodes_.begin() + g.begin;
    const auto last = nodes_.begin() + g.end;
    // The greatest key not above the text. Every key the text begins with is a
    // prefix of that key too, so they are all on its chain of parents.
    const auto above = std::upper_bound(
        first, last, text, [](std::string_view t, const Node& n) { return t.compare(n.key) < 0; });
    if (above == first) return NoMatch;
    const Node* node = &*(above - 1);
    const std::size_t limit = std::min(node->key.size(), text.size());
    const std::size_t common = static_cast<std::size_t>(
        std::mismatch(node->key.begin(), node->key.begin() + limit, text.begin()).first -
        node->key.begin());
    while (node->key.size() > common) {
        if (node->parent < 0) return NoMatch;
        node = &nodes_[static_cast<std::size_t>(node->parent)];
    }
    return node->best;
}

void PrefixSearch::Clear() {
    nodes_.clear();
    groups_.clear();
    sorted_ = {};
    prefixes_ = {};
}

} // namespace tessarim
