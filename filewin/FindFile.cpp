#include "filewin/FindFile.h"

#include "common/AsciiText.h"
#include "core/FindFiles.h"
#include "core/Paths.h"
#include "platform/Files.h"

#include <algorithm>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace tessarim {

namespace {

enum class EntryKind { Other, File, Folder };

// What a directory entry is, without following a link to a folder. The type the
// directory gives saves a stat call for nearly every entry.
EntryKind KindOf(int folderFd, const dirent& entry) {
    switch (entry.d_type) {
    case DT_REG:
        return EntryKind::File;
    case DT_DIR:
        return EntryKind::Folder;
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return EntryKind::Other;
    }
    struct stat info {};
    if (fstatat(folderFd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Other;
    if (S_ISREG(info.st_mode)) return EntryKind::File;
    if (S_ISDIR(info.st_mode)) return EntryKind::Folder;
    if (!S_ISLNK(info.st_mode) || fstatat(folderFd, entry.d_name, &info, 0) != 0)
        return EntryKind::Other;
    return S_ISREG(info.st_mode) ? EntryKind::File : EntryKind::Other;
}

struct Named {
    std::string name;
    EntryKind kind;
};

// Reads the folder's entries other than "." and ".."; false when it cannot be read.
bool ReadFolder(const std::string& folder, std::vector<Named>& entries) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    const int fd = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        entries.push_back({std::string(name), KindOf(fd, *entry)});
    }
    closedir(dir);
    return true;
}

template <class T, class Name>
void SortByName(std::vector<T>& items, Name name) {
    std::vector<std::pair<std::string, std::size_t>> keys;
    keys.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        keys.emplace_back(LowerCaseAscii(name(items[i])), i);
    std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first
                                  : name(items[a.second]) < name(items[b.second]);
    });
    std::vector<T> sorted;
    sorted.reserve(items.size());
    for (const auto& key : keys)
        sorted.push_back(std::move(items[key.second]));
    items = std::move(sorted);
}

} // namespace

void SortNames(std::vector<std::string>& names) {
    SortByName(names, [](const std::string& name) -> const std::string& { return name; });
}

std::vector<std::string> SplitFilterMasks(std::string_view masks) {
    std::vector<std::string> list;
    while (!masks.empty()) {
        const std::size_t end = std::min(masks.find(';'), masks.size());
        std::string_view mask = masks.substr(0, end);
        while (!mask.empty() && mask.front() == ' ')
            mask.remove_prefix(1);
        while (!mask.empty() && mask.back() == ' ')
            mask.remove_suffix(1);
        if (!mask.empty()) list.push_back(LowerCaseAscii(mask));
        masks.remove_prefix(std::min(end + 1, masks.size()));
    }
    return list;
}

bool MatchesFilter(const std::vector<std::string>& masks, std::string_view name) {
    const std::string lower = LowerCaseAscii(name);
    return std::any_of(masks.begin(), masks.end(), [&](const std::string& mask) {
        return mask == "*.*" || mask == "*" || MatchesWildcard(mask, lower);
    });
}

std::vector<std::string> ListFolderFiles(const std::string& folder,
                                         const std::vector<std::string>& masks) {
    std::vector<Named> entries;
    ReadFolder(folder.empty() ? "." : folder, entries);
    std::vector<std::string> names;
    for (Named& entry : entries)
        if (entry.kind == EntryKind::File && !IsHiddenName(entry.name) &&
            MatchesFilter(masks, entry.name))
            names.push_back(std::move(entry.name));
    SortNames(names);
    return names;
}

void TFindFile::Scan(const std::string& folder) {
    files_.clear();
    unreadable_.clear();
    std::deque<std::string> queue{AddTrailingBackslash(folder.empty() ? "." : folder)};
    std::vector<Named> entries;
    while (!queue.empty() && !Abort) {
        const std::string current = std::move(queue.front());
        queue.pop_front();
        entries.clear();
        if (!ReadFolder(current, entries)) {
            unreadable_.push_back(current);
            continue;
        }
        SortByName(entries, [](const Named& entry) -> const std::string& { return entry.name; });
        for (const Named& entry : entries) {
            if (entry.kind == EntryKind::Other) continue;
            std::string path = current + entry.name;
            if (entry.kind == EntryKind::Folder) queue.push_back(path + "/");
            files_.push_back({std::move(path), entry.kind == EntryKind::Folder});
        }
        if (OnFolder) OnFolder(files_.size());
    }
}

} // namespace tessarim
