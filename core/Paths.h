#pragma once
// Path and file-name operations shared by the command line and the file window:
// path parts, folders, the user's mask lists, compound documents and output names
// built from wildcard patterns.
//
// Paths are byte strings in UTF-8 with "/" as the only separator; the colon is an
// ordinary character and there are no drives, so the only root is "/". Scanning
// bytes for "/" or "." is safe: every byte of a multi-byte UTF-8 character is 0x80
// or more, so it can never be taken for one of them. Paths are compared exactly,
// as the file system does; file-type masks stay case-insensitive.
#include "core/MasksEx.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessarim {

// Path parts. File-name part: everything after the last "/" (the whole text if
// there is none). Folder part: everything up to and including it (empty if none).
// Folder: the folder part without its trailing "/", except that the root keeps it.
// Extension: from the last "." to the end, the "." included, when that "." comes
// after the last "/"; otherwise empty.
std::string ExtractFileName(std::string_view path);
std::string ExtractFilePath(std::string_view path);
std::string ExtractFileDir(std::string_view path);
std::string ExtractFileExt(std::string_view path);

// The name up to (not including) its last ".", when that "." comes after the last
// "/"; otherwise the whole name.
std::string StripExtension(std::string_view name);

// Empty stays empty; a path ending in "/" is unchanged; anything else gets "/".
std::string AddTrailingBackslash(std::string_view path);
// Drops one trailing "/".
std::string RemoveTrailingBackslash(std::string_view path);
// Exactly "/".
bool IsDriveRoot(std::string_view path);

// The path lies below the folder (a path is never inside itself). One trailing "/"
// of each is ignored; the comparison is exact.
bool IsInsideFolder(std::string_view path, std::string_view folder);

// The path exists and is a folder (links followed).
bool DirExists(const std::string& path);

// Creates the folder and every missing parent, from the root downward. Throws
// ConvertError "Cannot create dir: %s" for an empty name; false when a folder cannot
// be created (the caller words that message).
bool ForceDirectories(const std::string& folder);

// The output path for an input path and a wildcard pattern path, in the manner of
// a shell's copy command: in the pattern's base name and extension, "*" takes the
// rest of the input's from that position and "?" the input's character at that
// position. Positions count UTF-8 characters, so a character is never cut in half.
std::string BuildOutputName(std::string_view inputPath, std::string_view patternPath);

// Fills the list with the text's pieces between separators, lower-cased (ASCII
// letters only; other bytes are left alone). An empty piece between two separators
// is kept; an empty last piece is not. Spaces are kept: matching trims them.
void SplitMaskList(std::vector<std::string>& list, std::string_view text, char separator);

// A mask list of the settings (the files never converted, the files treated as
// HTML), each mask compiled once. Matching lower-cases the subject and tries the
// masks in order, each trimmed of spaces and control characters; a faulty mask
// throws EMaskError when it is reached, not before.
class MaskList {
public:
    MaskList() = default;
    // The masks of a comma-separated text, as SplitMaskList divides it.
    explicit MaskList(std::string_view text);
    bool Matches(std::string_view subject) const;

private:
    std::vector<std::optional<TMaskEx>> masks_; // none for a faulty mask
};

// The bare file name matches a mask of the Ignore list, ignoring case.
bool IsIgnoredFile(const MaskList& ignore, std::string_view name);

// The path names an existing file (not a folder) and its name matches a mask of
// the HtmlType list, ignoring case.
bool IsHtmlTypeFile(const MaskList& htmlTypes, const std::string& path);

// The file begins with the 8-byte header of OLE2 structured storage (older office
// documents). Throws ConvertError "Cannot open file %s" when the file cannot be
// opened, a folder included. A device, socket or FIFO is never opened and is no
// compound document.
bool IsCompoundDocument(const std::string& path);
// The same for a regular file open for reading; its offset is left as it is.
bool HasCompoundSignature(int fd);

// The length in bytes of the character at pos: a whole UTF-8 sequence, or one byte
// where the bytes are not valid UTF-8. Zero at the end of the text.
std::size_t CharLengthAt(std::string_view text, std::size_t pos);

} // namespace tessarim
