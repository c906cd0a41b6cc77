#pragma once
// The user's correction tables: b5fix.dat (applied to Big5 results) and
// gbfix.dat (applied to GBK results), each a list of byte strings to find and
// the byte strings to write in their place. A table is compiled into three
// index files beside it and recompiled only when the table file has changed.
#include "engine/ConFunc.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessarim {

// The table of each target encoding; the numbers match Direction (GbToBig5
// produces Big5 text, so it takes the Big5 table).
enum class FixTableId : std::uint8_t { Big5 = 0, Gbk = 1 };

// Brings the table into memory from the program folder, rebuilding its index
// files first when they are missing or older than the table file. A table that
// cannot be rebuilt is reported ("Cannot open "b5fix.dat".") and stays as far
// as it got. Whatever the table held before is replaced.
void LoadB5Fix();
void LoadGbFix();
// The same with the folder given (it ends in '/').
void LoadFixTable(FixTableId table, const std::string& folder);

// Puts the built-in default table into the folder (creating the folder) unless
// it holds a table file of that name in any letter case already: a file that is
// there, readable or not, is the user's own and is never replaced. True when
// the folder holds the table file afterwards.
bool WriteDefaultFixTable(FixTableId table, const std::string& folder);

// Loads the table from the program folder (or the folder given) as LoadB5Fix
// and LoadGbFix do, after writing the built-in default there when the folder
// has none, so that conversions are phrase-aware from the first run. Where the
// folder cannot take the default, the built-in table is used from memory.
void LoadFixTableWithDefault(FixTableId table);
void LoadFixTableWithDefault(FixTableId table, const std::string& folder);

// True when the three index files exist and were built from the table file as
// it is now (its modification time is the one recorded in Tessarim.ini).
bool FixIndexIsCurrent(FixTableId table);
bool FixIndexIsCurrent(FixTableId table, const std::string& folder);

// Empties a table in memory; nothing is applied until it is loaded again.
void ClearFixTable(FixTableId table);
std::size_t FixTableEntryCount(FixTableId table);

// Rewrites the text with the table of the direction's target encoding. At each
// character (one byte below 0x81, else two) the entries whose key begins with
// that character are tried in list order and the first whose key matches is
// replaced; so a key never matches from the middle of a double-byte character.
void ApplyFixTable(Bytes& text, Direction direction);

// One line of a table file split into fields: fields are separated by commas
// and by blanks (bytes up to 0x20) outside quotes; a field may be enclosed in
// double quotes with inner quotes doubled. A quote that is never closed runs to
// the end of the line; a comma at the very end adds an empty field.
std::vector<std::string> SplitCommaText(std::string_view line);

} // namespace tessarim
