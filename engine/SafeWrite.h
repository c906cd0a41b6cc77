#pragma once
// The files a conversion writes beside the user's: the saved original of a file
// converted in place, and a new destination before it takes its name. Both are
// created exclusively, never through a link, and readable by no one but the
// owner until they are complete.
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace tessarim {

// An open file descriptor, closed on every path.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept;
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes now; false when the close reported a failed write.
    bool Close();

private:
    int fd_ = -1;
};

// "~QX<n>.TMP": the name of the files this routine writes beside the user's.
bool IsConversionCopyName(std::string_view name);

// A new, empty "~QX<n>.TMP" in the folder (ending in '/') with the smallest n
// free, open for reading and writing, mode 0600.
struct TempFile {
    std::string path;
    UniqueFd fd;
};
TempFile CreateTempBeside(const std::string& folder);

// A new file without a name in the folder (ending in '/'), open for reading and
// writing, mode 0600; none where the file system cannot make one. It vanishes
// when closed, unless NameUnnamed gave it a name.
UniqueFd CreateUnnamedBeside(const std::string& folder);

// Gives the file made by CreateUnnamedBeside the path, where nothing is yet:
// false when something is there, a link included, or the name cannot be given.
bool NameUnnamed(int fd, const std::string& path);

// Gives a file made by CreateUnnamedBeside the first free "~QX<n>.TMP" of the
// folder; none when it cannot be named.
std::optional<std::string> NameUnnamedBeside(const std::string& folder, int fd);

// Records on the saved copy which file it holds the original of (the file
// itself, whatever path leads to it, and the path for the user), and whether
// it is all there yet. False when the file system keeps no such record.
bool MarkCopyOf(int copy, const struct stat& owner, const std::string& path, bool complete);

// A new "~QX<n>.TMP" as CreateTempBeside makes it, already marked (MarkCopyOf)
// as a partial copy of the owner at path. Where the file system allows, it is
// made without a name and named once marked: a run killed in between leaves no
// unmarked file that no later run would take for its own. None, and nothing
// left, where it cannot be marked (FAT and exFAT keep no extended attributes).
std::optional<TempFile> CreateCopyBeside(const std::string& folder, const struct stat& owner,
                                         const std::string& path);

// A complete saved original of the owner left in the folder by a run that was
// killed, if there is one. Copies of it that were never completed (the file
// itself was not touched yet then) are removed. Call it only while holding the
// owner's lock, so no living run is still writing one.
std::optional<std::string> LeftoverCopyOf(const std::string& folder, const struct stat& owner);

// What to write for a path given as a destination: the path itself, or what a
// link there leads to when the link belongs to the user running the program.
// A link of anyone else is never written through (another user may have planted
// it in a shared folder); that throws ConvertError "Cannot create file <path>".
// found, when given, receives what is at the path returned (not following a
// link there), or nothing when nothing is.
std::string ResolveForWriting(const std::string& path, std::optional<struct stat>* found = nullptr);

// Gives the new file the old one's extended attributes (ACLs and labels among
// them), leaving out file capabilities, which like set-ID bits belong to the
// old contents only.
void CopyExtendedAttributes(int from, int to);

// Syncs the folder's entry list, so a rename or removal in it lasts.
void SyncFolder(const std::string& folder);

} // namespace tessarim
