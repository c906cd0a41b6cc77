#pragma once
// File and folder names converted between GBK and Big5, in place.
//
// On Linux a name is bytes. On a GBK or Big5 system they are exchanged as
// bytes; on any other system a UTF-8 name changes its typeface in Unicode, and
// a name of raw GBK or Big5 bytes (an old archive unpacked as it was) is
// exchanged as bytes. A name valid in neither is left alone and reported.
#include "engine/ConFunc.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessarim {

class FileCon;
class FixTables;
class RunUi;

// The name in the other code, or nothing when the name is not valid in the
// code it should be in. systemCodePage is SystemCodePage().
// fixTables are the correction tables (none when null).
std::optional<std::string> ConvertName(std::string_view name, Direction direction,
                                       int systemCodePage, FixTables* fixTables);

// Each name of a relative path ("a/b.txt") converted; a name that cannot be
// converted, or would become unusable, stays as it is.
std::string ConvertPathNames(std::string_view path, Direction direction, int systemCodePage,
                             FixTables* fixTables);

// True for a name a folder can hold: not empty, ".", "..", and without "/" or NUL.
bool IsUsableName(std::string_view name);

// The rename-failure message ("Fail to rename " + path) in the language.
std::string RenameFailureText(const std::string& path, std::int64_t lang);

// Renames oldPath to newPath, never replacing what is there; a refusal is shown
// with the rename-failure message. True when renamed.
bool RenameWithMessage(const std::string& oldPath, const std::string& newPath, RunUi& ui,
                       std::int64_t lang);

// Why a name is listed as not converted, after its path.
std::string NotConvertedReason(std::int64_t lang);

// The names-only run over the window's lists: a flat list renames each file in
// its folder; a tree renames its files, then its folders parents first, each
// reached through its parent's new name. The Others mode renames nothing. The
// names that could not be converted are shown at the end, returned (path: why)
// and, of a flat list, stay listed.
std::vector<std::string> RunNames(FileCon& con, RunUi& ui, int systemCodePage,
                                  FixTables* fixTables);

} // namespace tessarim
