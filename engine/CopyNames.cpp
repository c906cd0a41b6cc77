#include "engine/CopyNames.h"

#include "engine/SafeWrite.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <map>
#include <mutex>
#include <set>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace tessarim {

namespace {

std::set<std::string> ListCopyNames(const std::string& folder) {
    std::set<std::string> names;
    DIR* const dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* const entry = ::readdir(dir))
        if (IsConversionCopyName(entry->d_name)) names.insert(entry->d_name);
    ::closedir(dir);
    return names;
}

// What is known of a watched folder: the folder itself (a path may come to lead
// elsewhere) and its copy names.
struct Watched {
    dev_t device = 0;
    ino_t inode = 0;
    std::set<std::string> names;
    bool stale = false;
    unsigned long lastUse = 0;
};

// The kernel's notices tell of every change only on a disk of this machine's
// own: a network or FUSE file system changed from elsewhere sends none, so
// such folders are listed on every call. By the file systems' magic numbers.
bool NoticesSeeEveryChange(const std::string& folder) {
    struct statfs status {};
    if (::statfs(folder.c_str(), &status) != 0) return false;
    switch (static_cast<unsigned long>(status.f_type)) {
    case 0xEF53:     // ext2, ext3, ext4
    case 0x58465342: // XFS
    case 0x9123683E: // Btrfs
    case 0x01021994: // tmpfs
    case 0xF2F52010: // F2FS
    case 0x2FC12FC1: // ZFS
    case 0xCA451A4E: // bcachefs
    case 0x52654973: // ReiserFS
    case 0x3153464A: // JFS
    case 0x3434:     // NILFS
    case 0x794C7630: // overlayfs, as containers have it
        return true;
    default:
        return false;
    }
}

// Folders watched at once; the one used least recently gives way.
constexpr std::size_t MostWatched = 16;

constexpr std::uint32_t NameEvents = IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM;

class CopyWatch {
public:
    std::vector<std::string> NamesIn(const std::string& folder) {
        const std::lock_guard lock(mutex_);
        struct stat status {};
        if (!Ready() || ::stat(folder.c_str(), &status) != 0) return Listed(folder);
        Drain();
        Watched* watched = Find(status);
        if (watched == nullptr) watched = Watch(folder, status);
        if (watched == nullptr) return Listed(folder);
        if (watched->stale) {
            watched->names = ListCopyNames(folder);
            watched->stale = false;
        }
        watched->lastUse = ++uses_;
        return {watched->names.begin(), watched->names.end()};
    }

private:
    static std::vector<std::string> Listed(const std::string& folder) {
        const std::set<std::string> names = ListCopyNames(folder);
        return {names.begin(), names.end()};
    }

    // An instance of our own: a child made by fork shares its parent's, and
    // reading it would take the parent's notices.
    bool Ready() {
        if (fd_ >= 0 && owner_ == ::getpid()) return true;
        if (fd_ >= 0) ::close(fd_);
        folders_.clear();
        owner_ = ::getpid();
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        return fd_ >= 0;
    }

    Watched* Find(const struct stat& folder) {
        for (auto& [descriptor, watched] : folders_)
            if (watched.device == folder.st_dev && watched.inode == folder.st_ino) return &watched;
        return nullptr;
    }

    Watched* Watch(const std::string& folder, const struct stat& status) {
        if (!NoticesSeeEveryChange(folder)) return nullptr;
        if (folders_.size() >= MostWatched) {
            const auto oldest = std::min_element(
                folders_.begin(), folders_.end(),
                [](const auto& a, const auto& b) { return a.second.lastUse < b.second.lastUse; });
            ::inotify_rm_watch(fd_, oldest->first);
            folders_.erase(oldest);
        }
        const int descriptor = ::inotify_add_watch(fd_, folder.c_str(), NameEvents | IN_ONLYDIR);
        if (descriptor < 0) return nullptr;
        // The path may have been given another folder between the look and the
        // watch; then this call lists, and the next one watches afresh.
        struct stat now {};
        if (::stat(folder.c_str(), &now) != 0 || now.st_dev != status.st_dev ||
            now.st_ino != status.st_ino) {
            ::inotify_rm_watch(fd_, descriptor);
            return nullptr;
        }
        // Listed after the watch begins, so no name made in between is missed.
        Watched& watched = folders_[descriptor];
        watched = {status.st_dev, status.st_ino, ListCopyNames(folder), false, 0};
        return &watched;
    }

    void Drain() {
        alignas(inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            if (got <= 0) return;
            for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
                inotify_event event;
                std::memcpy(&event, buffer + at, sizeof event);
                const char* const name = buffer + at + sizeof event;
                at += sizeof event + event.len;
                Take(event, event.len > 0 ? name : "");
            }
        }
    }

    void Take(const inotify_event& event, const char* name) {
        if (event.mask & IN_Q_OVERFLOW) {
            for (auto& [descriptor, watched] : folders_)
                watched.stale = true;
            return;
        }
        const auto found = folders_.find(event.wd);
        if (found == folders_.end()) return;
        if (event.mask & IN_IGNORED) {
            folders_.erase(found);
        } else if (IsConversionCopyName(name)) {
            if (event.mask & (IN_CREATE | IN_MOVED_TO))
                found->second.names.insert(name);
            else
                found->second.names.erase(name);
        }
    }

    std::mutex mutex_;
    int fd_ = -1;
    pid_t owner_ = 0;
    std::map<int, Watched> folders_;
    unsigned long uses_ = 0;
};

} // namespace

std::vector<std::string> ConversionCopyNames(const std::string& folder) {
    static CopyWatch watch;
    return watch.NamesIn(folder);
}

} // namespace tessarim
