#pragma once
// The correction-table file of a mode in the program folder: found in any
// letter case, read into entries, and replaced whole.
#include "tools/FixTableEditor.h"

#include <optional>
#include <string>
#include <vector>

namespace tessarim {

// The table file in the folder (ending in '/'): the file there whose name is
// "b5fix.dat" or "gbfix.dat" in any letter case, else the name in lower case.
std::string FixTablePath(FixTableMode mode, const std::string& folder);

// The entries of the file; nothing when it cannot be read.
std::optional<std::vector<FixEntry>> ReadFixTableFile(const std::string& path);

// Writes the text beside the file and puts it in the file's place, keeping the
// file's permissions; the file is unchanged when anything fails.
bool ReplaceFixTableFile(const std::string& path, std::string_view text);

} // namespace tessarim
