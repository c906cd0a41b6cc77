#include "core/FindFiles.h"

#include "engine/SafeWrite.h"

#include "common/AsciiText.h"
#include "core/Paths.h"
#include "platform/Files.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

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
    const std::string prefix = AddTrailingBackslash(folder);
    std::vector<std::string> names;
    std::vector<std::string> folders;
    // The listing itself, as the kernel gives it: a listing of thousands of
    // files is read before the first is converted, and the kind each entry
    // comes with spares a look at each file.
    DIR* const listing = ::opendir(folder.empty() ? "." : folder.c_str());
    while (const dirent* entry = listing ? ::readdir(listing) : nullptr) {
        const std::string_view name = entry->d_name;
        // A conversion's saved original is no input, even when a pattern names it.
        if (IsHiddenName(name) || IsConversionCopyName(name)) continue;
        unsigned char type = entry->d_type;
        struct stat status {};
        if (type == DT_UNKNOWN && ::lstat((prefix + entry->d_name).c_str(), &status) == 0)
            type = S_ISDIR(status.st_mode)   ? DT_DIR
                   : S_ISLNK(status.st_mode) ? DT_LNK
                   : S_ISREG(status.st_mode) ? DT_REG
                                             : DT_UNKNOWN;
        if (recursive && type == DT_DIR) {
            folders.emplace_back(name);
            continue;
        }
        if (std::none_of(pieces.begin(), pieces.end(),
                         [&](std::string_view piece) { return MatchesWildcard(piece, name); }))
            continue;
        // A link is followed.
        if (type == DT_LNK)
            type = ::stat((prefix + entry->d_name).c_str(), &status) == 0 && S_ISREG(status.st_mode)
                       ? DT_REG
                       : DT_UNKNOWN;
        if (type == DT_REG) names.emplace_back(name);
    }
    if (listing) ::closedir(listing);
    std::sort(names.begin(), names.end(), NameBefore);
    std::sort(folders.begin(), folders.end(), NameBefore);
    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const std::string& name : names)
        paths.push_back(prefix + name);
    for (const std::string& sub : folders)
        for (std::string& path : ListMatchingFiles(prefix + sub, patterns, true))
            paths.push_back(std::move(path));
    return paths;
}

std::optional<std::unordered_set<std::string>> FolderEntryNames(const std::string& folder) {
    DIR* const listing = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!listing) return std::nullopt;
    std::unordered_set<std::string> names;
    while (const dirent* entry = ::readdir(listing))
        names.emplace(entry->d_name);
    ::closedir(listing);
    return names;
}

bool FolderListings::IsFree(const std::string& path) {
    const std::string folder = ExtractFilePath(path);
    auto at = listed_.find(folder);
    if (at == listed_.end()) at = listed_.emplace(folder, FolderEntryNames(folder)).first;
    return at->second && at->second->count(ExtractFileName(path)) == 0;
}

} // namespace tessarim
