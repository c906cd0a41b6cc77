#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tessarim {

namespace {
constexpr mode_t AllWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

bool ChangeMode(const std::string& path, mode_t add, mode_t remove) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    const mode_t mode = (info.st_mode & 07777 & ~remove) | add;
    return ::chmod(path.c_str(), mode) == 0;
}
} // namespace

FileKind QueryFileKind(const std::string& path) {
    // stat() only reads the inode; it follows links and reports a dangling one as
    // not found.
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return FileKind::Missing;
    if (S_ISDIR(info.st_mode)) return FileKind::Folder;
    if (S_ISREG(info.st_mode)) return FileKind::Regular;
    return FileKind::System;
}

FileStamp StampOfStatus(const struct stat& status) {
    return {status.st_dev, status.st_ino, status.st_ctim.tv_sec, status.st_ctim.tv_nsec};
}

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return StampOfStatus(status);
}

FileLook LookAtFile(const std::string& path, std::size_t head) {
    FileLook look;
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return look;
    look.kind = S_ISDIR(info.st_mode)   ? FileKind::Folder
                : S_ISREG(info.st_mode) ? FileKind::Regular
                                        : FileKind::System;
    if (look.kind != FileKind::Regular) return look;
    look.size = static_cast<std::uint64_t>(info.st_size);
    look.stamp = StampOfStatus(info);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return look;
    look.head.resize(head);
    const ssize_t got = ::pread(fd, look.head.data(), head, 0);
    look.head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    ::close(fd);
    return look;
}

bool IsHiddenName(std::string_view name) {
    return !name.empty() && name.front() == '.';
}

bool IsReadOnly(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return false;
    if ((info.st_mode & S_IWUSR) == 0) return true;
    return ::access(path.c_str(), W_OK) != 0;
}

bool OthersMayChange(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return false;
    if (info.st_uid != ::geteuid() && info.st_uid != 0) return true;
    if (info.st_mode & S_IWOTH) return true;
    return (info.st_mode & S_IWGRP) && info.st_gid != ::getegid();
}

unsigned FileCreationMask() {
    static const unsigned mask = [] {
        const mode_t current = ::umask(0);
        ::umask(current);
        return static_cast<unsigned>(current) & 0777;
    }();
    return mask;
}

namespace {
// Setting the mask to read it is safe only while no other thread may create a
// file, so it is read as the program starts; this costs two system calls where
// the kernel's status text takes a file opened and written out.
[[maybe_unused]] const unsigned maskAtStart = FileCreationMask();
} // namespace

bool ClearReadOnly(const std::string& path) {
    return ChangeMode(path, S_IWUSR, 0);
}

bool SetReadOnly(const std::string& path) {
    return ChangeMode(path, 0, AllWriteBits);
}

namespace {

// Absolute, without an empty, "." or ".." part (a trailing "/" is kept by
// normalising too): what normalising would give back unchanged.
bool IsNormalAbsolute(std::string_view path) {
    if (path.empty() || path.front() != '/') return false;
    for (std::size_t at = 1; at < path.size();) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string_view part = path.substr(at, end - at);
        if (part.empty() || part == "." || part == "..") return false;
        at = end + 1;
    }
    return true;
}

} // namespace

std::string FullPath(const std::string& path) {
    if (path.empty()) return {};
    // Most paths a run meets are full already; taking them apart costs more than
    // the rest of a look at the file.
    if (IsNormalAbsolute(path)) return path;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    // Without a current folder the path can only be tidied as it stands.
    return (error ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

int RenameNoReplace(const std::string& oldPath, const std::string& newPath) {
    if (::renameat2(AT_FDCWD, oldPath.c_str(), AT_FDCWD, newPath.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    return RenameByClaim(oldPath, newPath);
}

int RenameByClaim(const std::string& oldPath, const std::string& newPath) {
    struct stat info {};
    if (::lstat(oldPath.c_str(), &info) != 0) return errno;
    const bool folder = S_ISDIR(info.st_mode);
    if (!folder) {
        if (::link(oldPath.c_str(), newPath.c_str()) == 0)
            return ::unlink(oldPath.c_str()) == 0 ? 0 : errno;
        if (errno == EEXIST) return EEXIST;
        // No hard links here (FAT, exFAT): an empty file holds the name.
        const int claim =
            ::open(newPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (claim < 0) return errno;
        ::close(claim);
    } else if (::mkdir(newPath.c_str(), 0700) != 0) {
        return errno;
    }
    if (::rename(oldPath.c_str(), newPath.c_str()) == 0) return 0;
    const int error = errno;
    if (folder)
        ::rmdir(newPath.c_str());
    else
        ::unlink(newPath.c_str());
    return error;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    const bool same = std::filesystem::equivalent(a, b, error);
    if (!error) return same;
    return FullPath(a) == FullPath(b);
}

} // namespace tessarim
