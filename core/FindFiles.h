#pragma once
// Wildcard expansion for the command line, for patterns the shell left alone
// (quoted ones).
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tessarim {

// The name holds "?" or "*".
bool HasWildcards(std::string_view name);

// The whole name matches the pattern: "*" any run of characters, "?" exactly one
// character (a whole UTF-8 sequence). ASCII letters match without regard to case,
// as the Ignore and HtmlType masks do: "*.txt" finds "Zeta.TXT".
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// Full paths of the folder's entries whose names match any of the ";"-separated
// patterns; with recursive, those of its subfolders too (hidden folders and
// links to folders are not entered). Hidden names, folders, devices, sockets,
// FIFOs and dangling links are left out; each file appears once. Sorted by name
// ignoring ASCII case (names equal but for case in byte order), a folder's own
// files before its subfolders'. A folder that cannot be read gives no files.
std::vector<std::string> ListMatchingFiles(const std::string& folder, std::string_view patterns,
                                           bool recursive = false);

// The names of every entry of the folder, whatever its kind; nothing when the
// folder cannot be read.
std::optional<std::unordered_set<std::string>> FolderEntryNames(const std::string& folder);

// Folders listed once each: a run writes thousands of files into a folder that
// mostly holds none of them, and a look at each name would take longer than
// the listing (and, beside other workers, wait for the folder).
class FolderListings {
public:
    // The path's folder could be listed and holds no entry of its name.
    bool IsFree(const std::string& path);

private:
    std::unordered_map<std::string, std::optional<std::unordered_set<std::string>>> listed_;
};

} // namespace tessarim
