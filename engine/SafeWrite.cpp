#include "engine/SafeWrite.h"

#include "engine/ConFunc.h"
#include "engine/CopyNames.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace tessarim {

namespace {

std::string FileIdentity(const struct stat& file) {
    return std::to_string(file.st_dev) + ":" + std::to_string(file.st_ino) + "\n";
}

// Which file a saved copy belongs to: "complete" or "partial", a line break,
// the owner's device and inode numbers, a line break, its full path.
constexpr const char* CopyRecord = "user.tessarim.original";
constexpr std::string_view Complete = "complete\n";
constexpr std::string_view Partial = "partial\n";

std::optional<std::string> RecordOf(const std::string& path) {
    std::vector<char> value(4096 + 16);
    const ssize_t size = ::lgetxattr(path.c_str(), CopyRecord, value.data(), value.size());
    if (size < 0) return std::nullopt;
    return std::string(value.data(), static_cast<std::size_t>(size));
}

} // namespace

UniqueFd::UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    Close();
}

bool UniqueFd::Close() {
    const int fd = std::exchange(fd_, -1);
    return fd >= 0 && ::close(fd) == 0;
}

bool IsConversionCopyName(std::string_view name) {
    if (!name.starts_with("~QX") || !name.ends_with(".TMP") || name.size() <= 7) return false;
    for (const char c : name.substr(3, name.size() - 7))
        if (c < '0' || c > '9') return false;
    return true;
}

namespace {

// Offers "~QX1.TMP", "~QX2.TMP", ... in the folder to `take` until it takes
// one (true), or fails otherwise than on a name already there (errno then not
// EEXIST); the name taken, or the one it failed on.
template <typename Take>
std::pair<std::string, bool> FirstFreeTempName(const std::string& folder, Take take) {
    for (unsigned long n = 1;; ++n) {
        std::string name = folder + "~QX" + std::to_string(n) + ".TMP";
        if (take(name)) return {std::move(name), true};
        if (errno != EEXIST) return {std::move(name), false};
    }
}

} // namespace

TempFile CreateTempBeside(const std::string& folder) {
    int fd = -1;
    auto [name, taken] = FirstFreeTempName(folder, [&](const std::string& name) {
        // Exclusive creation fails on anything already there, a planted link too.
        fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        return fd >= 0;
    });
    if (!taken) throw ConvertError("Cannot create file " + name);
    return {std::move(name), UniqueFd(fd)};
}

UniqueFd CreateUnnamedBeside(const std::string& folder) {
    // The name is given through the descriptor's entry in /proc.
    static const bool named = ::access("/proc/self/fd", X_OK) == 0;
    if (!named) return UniqueFd();
    return UniqueFd(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
}

bool NameUnnamed(int fd, const std::string& path) {
    // Linking the descriptor itself spares the walk through /proc. Older
    // kernels allow it only to a process that may read any file and say
    // ENOENT to the others, which take the walk from then on. Either way a
    // link does not replace what is there.
    static std::atomic<bool> direct = true;
    const bool tried = direct.load(std::memory_order_relaxed);
    if (tried) {
        if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return true;
        if (errno != ENOENT && errno != EPERM) return false;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0)
        return false;
    if (tried) direct.store(false, std::memory_order_relaxed);
    return true;
}

bool MarkCopyOf(int copy, const struct stat& owner, const std::string& path, bool complete) {
    std::string record(complete ? Complete : Partial);
    record += FileIdentity(owner);
    record += path;
    return ::fsetxattr(copy, CopyRecord, record.data(), record.size(), 0) == 0;
}

std::optional<std::string> NameUnnamedBeside(const std::string& folder, int fd) {
    auto [name, taken] =
        FirstFreeTempName(folder, [&](const std::string& name) { return NameUnnamed(fd, name); });
    if (!taken) return std::nullopt;
    return std::move(name);
}

std::optional<TempFile> CreateCopyBeside(const std::string& folder, const struct stat& owner,
                                         const std::string& path) {
    if (UniqueFd unnamed = CreateUnnamedBeside(folder)) {
        if (!MarkCopyOf(unnamed.get(), owner, path, false)) return std::nullopt;
        if (std::optional<std::string> name = NameUnnamedBeside(folder, unnamed.get()))
            return TempFile{std::move(*name), std::move(unnamed)};
        // Otherwise made the other way, as where there is no /proc.
    }
    TempFile copy = CreateTempBeside(folder);
    if (MarkCopyOf(copy.fd.get(), owner, path, false)) return copy;
    ::unlink(copy.path.c_str());
    return std::nullopt;
}

std::optional<std::string> LeftoverCopyOf(const std::string& folder, const struct stat& owner) {
    const std::string complete = std::string(Complete) + FileIdentity(owner);
    const std::string partial = std::string(Partial) + FileIdentity(owner);
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + '/';
    std::optional<std::string> found;
    for (const std::string& name : ConversionCopyNames(folder)) {
        const std::string path = prefix + name;
        const std::optional<std::string> record = RecordOf(path);
        if (!record) continue;
        if (record->starts_with(complete)) {
            if (!found || path < *found) found = path;
        } else if (record->starts_with(partial)) {
            ::unlink(path.c_str());
        }
    }
    return found;
}

std::string ResolveForWriting(const std::string& path, std::optional<struct stat>* found) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0) {
        if (found) found->reset();
        return path;
    }
    if (found) *found = link;
    if (!S_ISLNK(link.st_mode)) return path;
    if (link.st_uid != ::geteuid()) throw ConvertError("Cannot create file " + path);
    std::error_code error;
    const fs::path target = fs::weakly_canonical(path, error);
    if (error) throw ConvertError("Cannot create file " + path);
    // The link's target may be a link again; the same rule holds for it.
    return target.string() == path ? path : ResolveForWriting(target.string(), found);
}

void CopyExtendedAttributes(int from, int to) {
    const ssize_t size = ::flistxattr(from, nullptr, 0);
    if (size <= 0) return;
    std::vector<char> names(static_cast<std::size_t>(size));
    const ssize_t got = ::flistxattr(from, names.data(), names.size());
    if (got <= 0) return;
    std::vector<char> value;
    for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
        const std::string name(names.data() + at);
        at += name.size() + 1;
        if (name == "security.capability" || name == CopyRecord) continue;
        const ssize_t length = ::fgetxattr(from, name.c_str(), nullptr, 0);
        if (length < 0) continue;
        value.resize(static_cast<std::size_t>(length));
        if (::fgetxattr(from, name.c_str(), value.data(), value.size()) == length)
            ::fsetxattr(to, name.c_str(), value.data(), value.size(), 0);
    }
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace tessarim
