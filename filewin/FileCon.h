#pragma once
// `FileCon`: what the file conversion window (`TForm1`) does, without the window.
// It holds the source folder's file list, the File List of files to convert, the
// folders, the conversion mode and the state of every control; the widget shows
// it and forwards the user's clicks. The run itself is BatchRun.
//
// Paths are compared exactly: on Linux a.txt and A.txt are two files.
#include "core/FileJob.h"
#include "filewin/ModeSelect.h"
#include "settings/IniFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tessarim {

// What a run converts: set by the two check boxes "Convert filename" (names)
// and "Convert file content" (content).
enum class ContentMode : std::uint8_t {
    NamesOnly = 0,
    Content = 1,
    ContentAndNames = 2,
    Nothing = 3
};
ContentMode ContentModeOf(bool content, bool names);

// Everything the window shows besides the lists.
struct ControlStates {
    bool addSelect = false, addAll = false, addAllSub = false;
    bool remove = false, removeAll = false, convert = false;
    bool folders = true;     // SrcDirBtn; the source list and its filter
    bool destination = true; // DestDirBtn, SynDirBtn
    bool otherMode = true;   // rb_Other, btn_ShowOption
    bool modes = true;       // the check boxes and mode radios
    bool names = false;      // cb_FNonly
    bool close = true;
    bool stop = false;      // only during a run
    bool treeMark = false;  // Label1, "***"
    std::string countLabel; // LblCnt
};

// Measures a text in the control's font, in pixels.
using TextWidth = std::function<int(std::string_view)>;

// `ShortenPath`: fits a path into width pixels (the control's width less 32) by
// replacing its first folders with "...", then dropping its folder part; a bare
// file name is kept even when too wide.
std::string ShortenPath(std::string_view path, int width, const TextWidth& measure);

// The count label: "1 file", "1,234 files", with "*** " in front for a tree.
std::string CountLabel(std::size_t count, bool tree, std::int64_t lang);

// "1,234,567": digit groups of three.
std::string GroupDigits(std::uint64_t value);

class FileCon {
public:
    struct Environment {
        std::string defaultFolder; // DefaultDir, or the program folder
        Code defaultTarget = GBK;  // from the system's code page
        Face defaultFace = FaceD;
        bool unicodeAvailable = true; // both Chinese code pages
        std::int64_t lang = 0;
        // File names can be converted; until then "Convert filename" stays off.
        bool namesAvailable = false;
    };
    explicit FileCon(const Environment& environment);

    // Window state (see the controls' descriptions in FileConTexts).
    std::string SourceFolder, DestFolder, DefaultFolder;
    std::vector<std::string> JobFiles, JobFolders, PassFiles;
    bool IncludesSubfolders = false;
    std::int64_t Lang = 0;
    // Which files are never converted, which are HTML, and how files are written.
    FileRules Rules;
    ModeSelect Mode;

    ContentMode Content() const { return content_; }
    // cb_FNonlyClick.
    void SetContent(bool content, bool names);
    bool ContentChecked() const { return contentChecked_; }
    bool NamesChecked() const { return namesChecked_; }

    // The source list: the files of SourceFolder that match the filter.
    const std::vector<std::string>& SourceItems() const { return items_; }
    std::vector<bool>& Selected() { return selected_; }
    // Shows the folder (with or without its trailing "/") and re-reads it.
    void ShowSource(const std::string& folder);
    void RereadSource();
    // The masks of the chosen filter entry ("*.htm;*.html").
    void SetFilterMasks(std::string_view masks);
    std::string FilterText; // "All files (*.*)|*.*|..."

    // What the File List shows, in order, and how many entries that is.
    std::vector<std::string> DisplayPaths() const;
    std::size_t DisplayCount() const;
    // The hint of the File List for a selected entry (or none: -1).
    std::string ListHint(int selected) const;

    // Adding and removing. The add operations return the paths that could not be
    // read (left out), for the window to report.
    std::vector<std::string> AddSelected();
    std::vector<std::string> AddAll();
    // The whole tree of SourceFolder. Returns false with the message to show when
    // it is refused. onFolder is called after each folder with the entries so far;
    // returning false from it aborts the scan.
    struct TreeResult {
        std::string refused;
        std::vector<std::string> unreadable;
    };
    TreeResult AddAllSub(const std::function<bool(std::size_t)>& onFolder = {});
    void Remove(const std::vector<int>& entries);
    void RemoveAll();
    // Files and folders dropped on the window or named on the command line. A
    // folder becomes the source and its files are added (Add All); files are
    // added as Add Selected adds them, sorted, their folder shown as the source.
    std::vector<std::string> AddPaths(const std::vector<std::string>& paths);

    // The folder buttons: each returns the error to show, or "".
    std::string CanChangeSource() const;
    void ChooseSource(const std::string& folder);
    void ChooseDest(const std::string& folder);
    std::string SyncDest();

    // After a run: only the files not converted stay listed, and of a tree the
    // files it could not copy; the tree stays while any file of it is left.
    void KeepAfterRun(std::vector<std::string> files, std::vector<std::string> passFiles);

    // The controls' states; `running` during a run.
    ControlStates Controls(bool running) const;

    // `DetectFile` of the first File List entry, given to the mode.
    void DetectFirst();

    // The window's settings (section Data of Tessarim.ini) and the file rules.
    void Load(const IniFile& ini);
    void Save(IniFile& ini) const;

private:
    bool Excluded(const std::string& path, std::vector<std::string>& unreadable) const;
    bool Append(const std::string& path, std::vector<std::string>& unreadable);
    void ClearTree();

    bool namesAvailable_;
    ContentMode content_ = ContentMode::Content;
    bool contentChecked_ = true;
    bool namesChecked_ = false;
    std::vector<std::string> items_;
    std::vector<bool> selected_;
    std::vector<std::string> masks_;
    std::unordered_set<std::string> listed_; // JobFiles, for exact comparison
};

} // namespace tessarim
