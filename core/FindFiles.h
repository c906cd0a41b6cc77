#pragma once
// Wildcard expansion for the command line, for patterns the shell left alone
// (quoted ones).
#include <string>
#include <string_view>
#include <vector>

namespace tessarim {

// The name holds "?" or "*".
bool HasWildcards(std::string_view name);

// The whole name matches the pattern: "*" any run of characters, "?" exactly one
// character (a whole UTF-8 sequence). Case-sensitive, as the shell expands the same
// pattern unquoted: on a case-sensitive file system "*.TXT" and "*.txt" name
// different files, and quoting a pattern must not change which files it names.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// Full paths of the folder's own entries (no subfolders) whose names match any of
// the ";"-separated patterns. Hidden names, folders, devices, sockets, FIFOs and
// dangling links are left out; each file appears once. Sorted by name ignoring
// ASCII case (names equal but for case in byte order). A folder that cannot be
// read gives an empty list.
std::vector<std::string> ListMatchingFiles(const std::string& folder, std::string_view patterns);

} // namespace tessarim
