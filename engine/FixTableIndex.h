#pragma once
// The index cache of a correction table: the three list files beside the table
// file (keys, replacements, slot records), built from the table file and used
// as they are while the table file has not changed since.
#include "engine/FixTables.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessarim {

// What the table file was when its index was built. version (size, file and
// nanosecond modification time) changes with every write, even one within the
// same second as the build, and alone decides whether the index is current;
// seconds is the whole-second modification time, kept for older versions of
// the program.
struct FixTableStamp {
    std::int64_t seconds = 0;
    std::string version;
    bool operator==(const FixTableStamp&) const = default;
};

// Where the stamps are kept; the program keeps them in its settings file.
class FixStampStore {
public:
    virtual ~FixStampStore() = default;
    // The version recorded with the index; empty when there is none.
    virtual std::string ReadVersion(FixTableId table) const = 0;
    virtual void Write(FixTableId table, const FixTableStamp& stamp) = 0;
};

// "b5fix.dat" or "gbfix.dat".
std::string_view FixTableFileName(FixTableId table);

// The table file's stamp as it is now; none when it cannot be read.
std::optional<FixTableStamp> StampOfFile(const std::string& path);

// True when the three index files exist in the folder (ending in '/') and were
// built from the table file as it is now.
bool FixIndexIsCurrent(FixTableId table, const std::string& folder, const FixStampStore& stamps);

// Brings the table into tables from the folder, rebuilding its index files
// first when they are not current. False when the table could not be built;
// the table then holds what was built so far. Whatever it held before is
// replaced.
bool LoadFixTable(FixTables& tables, FixTableId table, const std::string& folder,
                  FixStampStore& stamps);

// Puts the built-in default table into the folder (creating the folder) unless
// it holds a table file of that name in any letter case already: a file that is
// there, readable or not, is the user's own and is never replaced. True when
// the folder holds the table file afterwards.
bool WriteDefaultFixTable(FixTableId table, const std::string& folder);

// LoadFixTable after writing the built-in default into the folder when it has
// none, so that conversions are phrase-aware from the first run. Where the
// folder cannot take the default, the built-in table is used from memory.
bool LoadFixTableWithDefault(FixTables& tables, FixTableId table, const std::string& folder,
                             FixStampStore& stamps);

} // namespace tessarim
