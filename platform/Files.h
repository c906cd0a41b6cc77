#pragma once
// File attributes and path identity, the Linux way. A hidden file is one whose
// name begins with "."; a "system" file is anything that is neither a regular file
// nor a folder (device, socket, FIFO), which a text converter must leave alone.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct stat;

namespace tessarim {

enum class FileKind {
    Missing, // nothing there, a dangling or looping link, or not reachable
    Folder,
    Regular,
    System, // a device, socket or FIFO
};

// What the path names, following links. Never opens the file, so a FIFO cannot
// block the caller.
FileKind QueryFileKind(const std::string& path);

// Which file a path leads to and when it last changed (its status change time:
// written, renamed, its mode or links changed).
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t changeSeconds = 0;
    std::int64_t changeNanoseconds = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file a path leads to; none when it cannot be looked at.
std::optional<FileStamp> StampOf(const std::string& path);
FileStamp StampOfStatus(const struct stat& status);

// What a run needs to know of a file before it begins: its kind (as
// QueryFileKind tells it), its size and stamp, and for a regular file its first
// bytes (up to `head` of them; none when it cannot be read). Only a regular file
// is opened, without waiting, so that a FIFO put in its place cannot block.
struct FileLook {
    FileKind kind = FileKind::Missing;
    std::uint64_t size = 0;
    FileStamp stamp;
    std::string head;
};
FileLook LookAtFile(const std::string& path, std::size_t head);

// The bare name (not a path) begins with ".".
bool IsHiddenName(std::string_view name);

// The owner's write bit is clear, or this user cannot write the file. Both tests
// count: root may write anything, yet a file without write bits is still meant as
// read-only. A missing file is not read-only.
bool IsReadOnly(const std::string& path);

// Someone besides the user running the program (and root) may change what the
// path names: another user owns it, others may write it, or a group the user
// does not lead may. A missing path is nobody's.
bool OthersMayChange(const std::string& path);

// The process's file mode creation mask as the program started: setting it to
// read it, per file, would let a thread creating a file meanwhile see the
// wrong one.
unsigned FileCreationMask();

// Adds the owner's write bit. False when the mode cannot be changed.
bool ClearReadOnly(const std::string& path);

// Removes every write bit. False when the mode cannot be changed.
bool SetReadOnly(const std::string& path);

// The absolute, lexically normalised path ("." and ".." folded), relative to the
// current folder. Links are not resolved. The empty path stays empty.
std::string FullPath(const std::string& path);

// Renames oldPath to newPath, never replacing what is there: 0, or the errno of
// the refusal (EEXIST when newPath is taken). Where the file system cannot
// rename without replacing (FUSE ones such as exFAT's and NTFS's), the name is
// claimed first, as RenameByClaim does.
int RenameNoReplace(const std::string& oldPath, const std::string& newPath);

// The same through a claim of newPath: a hard link to oldPath, then oldPath
// removed; where the file system has no hard links, an empty file (or, for a
// folder, an empty folder) made there, which a plain rename then replaces.
// Something put in its place between the two steps would be replaced.
int RenameByClaim(const std::string& oldPath, const std::string& newPath);

// Both name the same file: the same file system object when both exist (so a
// link and its target, or two hard links, are one file), otherwise the same full
// path. Never throws.
bool SameFile(const std::string& a, const std::string& b);

} // namespace tessarim
