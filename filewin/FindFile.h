#pragma once
// Finding files for the file window: the files of one folder that match a
// filter, and the breadth-first scan of a whole folder tree.
#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessarim {

// Sorts names as the lists show them: ignoring ASCII letter case, names equal but
// for case in byte order.
void SortNames(std::vector<std::string>& names);

// The filter masks of a ";"-separated text ("*.htm;*.html"), lower-cased.
std::vector<std::string> SplitFilterMasks(std::string_view masks);

// The name matches one of the lower-cased masks, ignoring letter case, with "*"
// and "?" as a shell has them; "*.*" matches every name, with or without a dot.
bool MatchesFilter(const std::vector<std::string>& masks, std::string_view name);

// The sorted names of the folder's regular files (links to them included) that
// match the masks. Hidden names, folders, devices, FIFOs and sockets are left out.
// A folder that cannot be read gives an empty list.
std::vector<std::string> ListFolderFiles(const std::string& folder,
                                         const std::vector<std::string>& masks);

// `TFindFile`: the tree below a folder, breadth-first: the folder's own entries
// (files and folders mixed, sorted), then those of each sub-folder in the order
// found, so every folder comes before the folders inside it.
//
// Only folders and regular files are taken. Links to folders are never followed
// (no loops, nothing outside the tree); links to files are taken as files.
// Folders that cannot be read are listed in Unreadable and the scan goes on.
class TFindFile {
public:
    struct Entry {
        std::string path;
        bool folder = false;
    };

    // Set from any thread; the scan ends after the folder it is reading.
    std::atomic<bool> Abort{false};
    // Called after each folder with the number of entries found so far.
    std::function<void(std::size_t found)> OnFolder;

    // Clears the results and scans; folder may lack its trailing "/".
    void Scan(const std::string& folder);

    const std::vector<Entry>& Files() const { return files_; }
    const std::vector<std::string>& Unreadable() const { return unreadable_; }

private:
    std::vector<Entry> files_;
    std::vector<std::string> unreadable_;
};

} // namespace tessarim
