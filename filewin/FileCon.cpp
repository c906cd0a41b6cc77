#include "filewin/FileCon.h"

#include "core/Paths.h"
#include "engine/Detect.h"
#include "filewin/FileConTexts.h"
#include "filewin/FindFile.h"
#include "platform/Files.h"
#include "settings/Settings.h"

#include <algorithm>
#include <exception>

namespace tessarim {

ContentMode ContentModeOf(bool content, bool names) {
    if (content) return names ? ContentMode::ContentAndNames : ContentMode::Content;
    return names ? ContentMode::NamesOnly : ContentMode::Nothing;
}

std::string ShortenPath(std::string_view path, int width, const TextWidth& measure) {
    const std::size_t slash = path.rfind('/');
    std::string folder(slash == std::string_view::npos ? std::string_view()
                                                       : path.substr(0, slash + 1));
    const std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    while (!folder.empty() && measure(folder + name) > width) {
        if (folder == "/.../") {
            folder = ".../";
        } else if (folder == "/") {
            folder.clear();
        } else {
            const bool rooted = folder.front() == '/';
            std::string rest = folder.substr(rooted ? 1 : 0);
            if (rest.starts_with(".../")) rest.erase(0, 4);
            const std::size_t next = rest.find('/');
            folder = next == std::string::npos ? "" : ".../" + rest.substr(next + 1);
            if (rooted && !folder.empty()) folder = "/" + folder;
        }
    }
    return folder + name;
}

std::string GroupDigits(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

std::string CountLabel(std::size_t count, bool tree, std::int64_t lang) {
    const FileConTexts& texts = FileConTextsFor(lang);
    return (tree ? "*** " : "") + GroupDigits(count) +
           (count < 2 ? texts.CountSuffixOne : texts.CountSuffixMany);
}

FileCon::FileCon(const Environment& environment)
    : DefaultFolder(AddTrailingBackslash(environment.defaultFolder)), Lang(environment.lang),
      Mode(environment.defaultTarget, environment.defaultFace, environment.unicodeAvailable),
      namesAvailable_(environment.namesAvailable) {
    SourceFolder = DestFolder = DefaultFolder;
    FilterText = std::string(keys::Filter.def);
    masks_ = SplitFilterMasks("*.*");
}

void FileCon::SetContent(bool content, bool names) {
    names = names && namesAvailable_;
    contentChecked_ = content;
    namesChecked_ = names;
    content_ = ContentModeOf(content, names);
    Mode.SetNamesOnly(content_ == ContentMode::NamesOnly);
    // Names are converted in place: there is no destination and no Others mode.
    if (content_ == ContentMode::NamesOnly) {
        if (Mode.AdvancedShown()) Mode.HideAdvanced();
        if (Mode.Simple() == SimpleMode::Other) Mode.ClickSimple(SimpleMode::GbToBig5);
    }
}

void FileCon::ShowSource(const std::string& folder) {
    SourceFolder = AddTrailingBackslash(folder);
    RereadSource();
}

void FileCon::RereadSource() {
    // Keep the selection of names that are still there.
    std::unordered_set<std::string> chosen;
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (selected_[i]) chosen.insert(items_[i]);
    items_ = ListFolderFiles(SourceFolder, masks_);
    selected_.assign(items_.size(), false);
    for (std::size_t i = 0; i < items_.size() && !chosen.empty(); ++i)
        selected_[i] = chosen.contains(items_[i]);
}

void FileCon::SetFilterMasks(std::string_view masks) {
    masks_ = SplitFilterMasks(masks);
    RereadSource();
}

std::vector<std::string> FileCon::DisplayPaths() const {
    std::vector<std::string> paths = JobFiles;
    if (IncludesSubfolders && content_ == ContentMode::NamesOnly) {
        paths.insert(paths.end(), PassFiles.begin(), PassFiles.end());
        for (const std::string& folder : JobFolders)
            paths.push_back(folder + " <dir>");
    }
    return paths;
}

std::size_t FileCon::DisplayCount() const {
    const bool all = IncludesSubfolders && content_ == ContentMode::NamesOnly;
    return JobFiles.size() + (all ? PassFiles.size() + JobFolders.size() : 0);
}

std::string FileCon::ListHint(int selected) const {
    const FileConTexts& texts = FileConTextsFor(Lang);
    if (selected < 0) return texts.ConListHint;
    auto k = static_cast<std::size_t>(selected);
    if (k < JobFiles.size()) return texts.FileNamePrefix + JobFiles[k];
    if (!IncludesSubfolders || content_ != ContentMode::NamesOnly) return texts.ConListHint;
    k -= JobFiles.size();
    if (k < PassFiles.size()) return texts.FileNamePrefix + PassFiles[k];
    k -= PassFiles.size();
    return k < JobFolders.size() ? texts.FolderNamePrefix + JobFolders[k] : texts.ConListHint;
}

bool FileCon::Excluded(const std::string& path, std::vector<std::string>& unreadable) const {
    if (IsIgnoredFile(Rules.ignore, ExtractFileName(path))) return true;
    try {
        return IsCompoundDocument(path);
    } catch (const std::exception&) {
        // An unreadable file is left out and reported; the rest is still added.
        unreadable.push_back(path);
        return true;
    }
}

bool FileCon::Append(const std::string& path, std::vector<std::string>& unreadable) {
    if (listed_.contains(path) || QueryFileKind(path) != FileKind::Regular) return false;
    if (content_ != ContentMode::NamesOnly && Excluded(path, unreadable)) return false;
    JobFiles.push_back(path);
    listed_.insert(path);
    return true;
}

std::vector<std::string> FileCon::AddSelected() {
    std::vector<std::string> unreadable;
    if (IncludesSubfolders) return unreadable;
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (selected_[i]) Append(SourceFolder + items_[i], unreadable);
    return unreadable;
}

std::vector<std::string> FileCon::AddAll() {
    std::vector<std::string> unreadable;
    if (IncludesSubfolders) return unreadable;
    for (const std::string& item : items_)
        Append(SourceFolder + item, unreadable);
    DetectFirst();
    return unreadable;
}

void FileCon::ClearTree() {
    IncludesSubfolders = false;
    JobFolders.clear();
    PassFiles.clear();
}

FileCon::TreeResult FileCon::AddAllSub(const std::function<bool(std::size_t)>& onFolder) {
    TreeResult result;
    if (IncludesSubfolders) return result;
    if (IsDriveRoot(SourceFolder)) {
        result.refused = FileConTextsFor(Lang).RootRefused;
        return result;
    }
    ClearTree();
    JobFiles.clear();
    listed_.clear();
    TFindFile finder;
    finder.OnFolder = [&](std::size_t found) {
        if (onFolder && !onFolder(found)) finder.Abort = true;
    };
    finder.Scan(SourceFolder);
    result.unreadable = finder.Unreadable();
    if (finder.Abort) return result; // a part of a tree would be mistaken for all of it
    for (const TFindFile::Entry& entry : finder.Files()) {
        if (entry.folder) {
            JobFolders.push_back(entry.path);
        } else if (IsHiddenName(ExtractFileName(entry.path)) ||
                   IsIgnoredFile(Rules.ignore, ExtractFileName(entry.path))) {
            // Copied unchanged, as every file the tree holds but does not convert.
            PassFiles.push_back(entry.path);
        } else {
            std::vector<std::string> failed;
            const bool compound = Excluded(entry.path, failed);
            if (!failed.empty())
                result.unreadable.push_back(entry.path);
            else
                (compound ? PassFiles : JobFiles).push_back(entry.path);
        }
    }
    listed_.insert(JobFiles.begin(), JobFiles.end());
    if (JobFiles.empty()) {
        ClearTree();
    } else {
        IncludesSubfolders = true;
        DetectFirst();
    }
    return result;
}

void FileCon::Remove(const std::vector<int>& entries) {
    std::vector<bool> removed(JobFiles.size(), false);
    for (int k : entries)
        if (k >= 0 && static_cast<std::size_t>(k) < JobFiles.size()) removed[k] = true;
    std::vector<std::string> kept;
    kept.reserve(JobFiles.size());
    for (std::size_t k = 0; k < JobFiles.size(); ++k) {
        if (!removed[k]) {
            kept.push_back(std::move(JobFiles[k]));
            continue;
        }
        listed_.erase(JobFiles[k]);
        // A file taken out of a tree is still copied unchanged.
        if (IncludesSubfolders) PassFiles.push_back(std::move(JobFiles[k]));
    }
    JobFiles = std::move(kept);
    if (IncludesSubfolders && JobFiles.empty()) ClearTree();
}

void FileCon::RemoveAll() {
    JobFiles.clear();
    listed_.clear();
    ClearTree();
}

std::vector<std::string> FileCon::AddPaths(const std::vector<std::string>& paths) {
    std::vector<std::string> unreadable;
    if (paths.empty() || IncludesSubfolders) return unreadable;
    const std::string first = FullPath(paths.front());
    if (DirExists(first)) {
        ShowSource(first);
        return AddAll();
    }
    ShowSource(ExtractFilePath(first));
    std::vector<std::string> added;
    for (const std::string& path : paths) {
        const std::string full = FullPath(path);
        if (listed_.contains(full) || QueryFileKind(full) != FileKind::Regular ||
            Excluded(full, unreadable))
            continue;
        listed_.insert(full);
        added.push_back(full);
    }
    SortNames(added);
    JobFiles.insert(JobFiles.end(), added.begin(), added.end());
    if (!added.empty()) {
        const std::string name = ExtractFileName(added.front());
        for (std::size_t i = 0; i < items_.size(); ++i)
            selected_[i] = items_[i] == name;
        DetectFirst();
    }
    return unreadable;
}

void FileCon::KeepAfterRun(std::vector<std::string> files, std::vector<std::string> passFiles) {
    JobFiles = std::move(files);
    listed_ = std::unordered_set<std::string>(JobFiles.begin(), JobFiles.end());
    if (JobFiles.empty())
        ClearTree();
    else if (IncludesSubfolders)
        PassFiles = std::move(passFiles);
}

std::string FileCon::CanChangeSource() const {
    return IncludesSubfolders ? FileConTextsFor(Lang).M5 : "";
}

void FileCon::ChooseSource(const std::string& folder) {
    ShowSource(folder);
}

void FileCon::ChooseDest(const std::string& folder) {
    DestFolder = AddTrailingBackslash(folder);
}

std::string FileCon::SyncDest() {
    if (!DirExists(SourceFolder)) return SourceMissingText;
    DestFolder = SourceFolder;
    return "";
}

ControlStates FileCon::Controls(bool running) const {
    ControlStates states;
    states.treeMark = IncludesSubfolders;
    states.countLabel = CountLabel(DisplayCount(), IncludesSubfolders, Lang);
    if (running) {
        // Nothing may change the lists, the folders or the mode mid-run.
        states.folders = states.destination = states.otherMode = states.modes = false;
        states.names = false;
        states.close = false;
        states.stop = true;
        return states;
    }
    const bool anySelected = std::find(selected_.begin(), selected_.end(), true) != selected_.end();
    states.names = namesAvailable_;
    states.addAllSub = !IncludesSubfolders;
    states.addAll = !IncludesSubfolders && !items_.empty();
    states.addSelect = !IncludesSubfolders && anySelected;
    const bool jobs = !JobFiles.empty();
    states.convert = states.removeAll = jobs;
    states.remove = jobs && !(IncludesSubfolders && content_ == ContentMode::NamesOnly);
    states.destination = content_ != ContentMode::NamesOnly;
    states.otherMode = content_ != ContentMode::NamesOnly && Mode.UnicodeAvailable();
    if (content_ == ContentMode::Nothing) states.convert = false;
    return states;
}

void FileCon::DetectFirst() {
    if (JobFiles.empty()) return;
    Code detected = Undetermined;
    try {
        detected = DetectFile(JobFiles.front());
    } catch (const std::exception&) {
        return; // gone meanwhile: the run will skip it
    }
    Mode.ApplyDetectedCode(detected);
}

void FileCon::Load(const IniFile& ini) {
    const auto folder = [&](const CallerKey<keys::Text>& key) {
        std::string value = AddTrailingBackslash(Read(ini, key, DefaultFolder));
        return DirExists(value) ? value : DefaultFolder;
    };
    SourceFolder = folder(keys::SrcDir);
    DestFolder = folder(keys::DestDir);
    FilterText = Read(ini, keys::Filter);
    Rules = ReadFileRules(ini, UTF8);
    switch (Read(ini, keys::FileConType)) {
    case 0: // names only; content until names can be converted
        SetContent(!namesAvailable_, true);
        break;
    case 1:
        SetContent(true, false);
        break;
    case 3:
        SetContent(false, false);
        break;
    default: // both boxes checked, as designed
        SetContent(true, true);
        break;
    }
}

void FileCon::Save(IniFile& ini) const {
    Write(ini, keys::SrcDir, SourceFolder);
    Write(ini, keys::DestDir, DestFolder);
    Write(ini, keys::Filter, FilterText);
    Write(ini, keys::FileConType, static_cast<std::int64_t>(content_));
}

} // namespace tessarim
