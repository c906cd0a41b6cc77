#include "core/FindFiles.h"

#include "engine/SafeWrite.h"

#include "common/AsciiText.h"
#include "core/Paths.h"
#include "platform/Files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tessarim {

namespace {

std::vector<std::string_view> SplitPatterns(std::string_view patterns) {
    std::vector<std::string_view> pieces;
    while (!patterns.empty()) {
        const std::size_t semicolon = std::min(patterns.find(';'), patterns.size());
        if (semicolon > 0) pieces.push_back(patterns.substr(0, semicolon));
        patterns.remove_prefix(std::min(semicolon + 1, patterns.size()));
    }
    return pieces;
}

// Letters compared without case first, then exactly; bytes as unsigned. No
// copies: a sort of thousands of names makes tens of thousands of comparisons.
bool NameBefore(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(LowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(LowerAscii(b[i]));
        if (x != y) return x < y;
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

} // namespace

bool HasWildcards(std::string_view name) {
    return name.find_first_of("?*") != std::string_view::npos;
}

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
    const auto same = [](char a, char b) { return LowerAscii(a) == LowerAscii(b); };
    // Greedy walk that returns to the last "*" on a mismatch and lets it take one
    // more character: linear for one star, never exponential for many.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t afterStar = std::string_view::npos;
    std::size_t starTaken = 0; // where the text resumes after the last "*"
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            afterStar = ++p;
            starTaken = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += CharLengthAt(name, n);
        } else if (p < pattern.size() && same(pattern[p], name[n])) {
            ++p;
            ++n;
        } else if (afterStar != std::string_view::npos) {
            p = afterStar;
            starTaken += CharLengthAt(name, starTaken);
            n = starTaken;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::vector<std::string> ListMatchingFiles(const std::string& folder, std::string_view patterns,
                                           bool recursive) {
    const std::vector<std::string_view> pieces = SplitPatterns(patterns);
    std::vector<std::string> names;
    std::vector<std::string> folders;
    std::error_code error;
    std::filesystem::directory_iterator entries(folder.empty() ? "." : folder, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        std::string name = entries->path().filename().string();
        // A conversion's saved original is no input, even when a pattern names it.
        if (IsHiddenName(name) || IsConversionCopyName(name)) continue;
        std::error_code kindError;
        if (recursive && entries->is_directory(kindError) && !entries->is_symlink(kindError)) {
            folders.push_back(std::move(name));
            continue;
        }
        if (std::none_of(pieces.begin(), pieces.end(),
                         [&](std::string_view piece) { return MatchesWildcard(piece, name); }))
            continue;
        // The kind the folder listing gives spares a look at each file; a link
        // is followed.
        if (!entries->is_regular_file(kindError)) continue;
        names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), NameBefore);
    std::sort(folders.begin(), folders.end(), NameBefore);
    const std::string prefix = AddTrailingBackslash(folder);
    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const std::string& name : names)
        paths.push_back(prefix + name);
    for (const std::string& sub : folders)
        for (std::string& path : ListMatchingFiles(prefix + sub, patterns, true))
            paths.push_back(std::move(path));
    return paths;
}

} // namespace tessarim
