#include "filewin/NameConvert.h"

#include "core/Paths.h"
#include "engine/FixTables.h"
#include "engine/TableConvert.h"
#include "engine/UnicodeBridge.h"
#include "engine/Utf8.h"
#include "filewin/BatchRun.h"
#include "filewin/FileCon.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

#include <sys/stat.h>

namespace tessarim {

namespace {

// Double-byte pairs of the code, with the trail ranges the code pages define;
// bytes below 0x80 stand for themselves.
bool ValidDoubleByte(std::string_view name, Direction direction) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto lead = static_cast<unsigned char>(name[i]);
        if (lead < 0x80) continue;
        if (lead == 0x80 || lead == 0xFF || i + 1 == name.size()) return false;
        const auto trail = static_cast<unsigned char>(name[++i]);
        const bool ok = direction == GbToBig5
                            ? trail >= 0x40 && trail <= 0xFE && trail != 0x7F
                            : (trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail <= 0xFE);
        if (!ok) return false;
    }
    return true;
}

bool ValidUtf8(std::string_view name) {
    std::size_t cut = 0;
    const std::u16string wide = Utf8ToWide(name, cut);
    return cut == 0 && WideToUtf8(wide) == name;
}

// The typeface change keeps what the code pages lack rather than writing "?".
std::string ConvertUnicode(std::string_view name, Direction direction, FixTables* fixTables) {
    std::size_t cut = 0;
    const std::u16string before = Utf8ToWide(name, cut);
    std::u16string after = before;
    ConvertFaceW(after, direction == GbToBig5 ? FaceT : FaceS, fixTables);
    if (after.size() == before.size())
        for (std::size_t i = 0; i < after.size(); ++i)
            if (after[i] == u'?' && before[i] != u'?') after[i] = before[i];
    return WideToUtf8(after);
}

} // namespace

std::optional<std::string> ConvertName(std::string_view name, Direction direction,
                                       int systemCodePage, FixTables* fixTables) {
    const bool byteSystem = systemCodePage == CodePageGbk || systemCodePage == CodePageBig5;
    if (!byteSystem && ValidUtf8(name)) return ConvertUnicode(name, direction, fixTables);
    if (ValidDoubleByte(name, direction)) return ConvertBytes(name, direction, fixTables);
    return std::nullopt;
}

std::string ConvertPathNames(std::string_view path, Direction direction, int systemCodePage,
                             FixTables* fixTables) {
    std::string result;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view name = path.substr(start, end - start);
        const std::optional<std::string> converted =
            ConvertName(name, direction, systemCodePage, fixTables);
        result += converted && IsUsableName(*converted) ? *converted : std::string(name);
        if (end < path.size()) result += '/';
        start = end + 1;
    }
    return result;
}

bool IsUsableName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

std::string RenameFailureText(const std::string& path, std::int64_t lang) {
    switch (lang) {
    case 1:
        return "無法重新命名 " + path + "\r\n\r\n" + "指定的檔名已經存在！";
    case 2:
        return "无法重新命名 " + path + "\r\n\r\n" + "指定的档名已经存在！";
    default:
        return "Fail to rename " + path;
    }
}

bool RenameWithMessage(const std::string& oldPath, const std::string& newPath, RunUi& ui,
                       std::int64_t lang) {
    if (RenameNoReplace(oldPath, newPath) == 0) return true;
    ui.ShowError(RenameFailureText(oldPath, lang));
    return false;
}

namespace {

struct NameRun {
    Direction direction;
    int codePage;
    FixTables* fixTables;
    RunUi& ui;
    std::int64_t lang;
    std::vector<std::string> notConverted;

    // Renames folder + name to its converted name; the path it has afterwards.
    std::string Rename(const std::string& folder, const std::string& name) {
        const std::string oldPath = folder + name;
        const std::optional<std::string> converted =
            ConvertName(name, direction, codePage, fixTables);
        if (!converted) {
            notConverted.push_back(oldPath + NotConvertedReason(lang));
            return oldPath;
        }
        if (*converted == name) return oldPath;
        // A fix table may write a name no folder can hold.
        if (!IsUsableName(*converted)) {
            ui.ShowError(RenameFailureText(oldPath, lang));
            return oldPath;
        }
        const std::string newPath = folder + *converted;
        return RenameWithMessage(oldPath, newPath, ui, lang) ? newPath : oldPath;
    }
};

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

std::vector<std::string> Report(NameRun& run) {
    if (!run.notConverted.empty()) {
        std::string text = run.lang == 1   ? "下列名稱沒有轉換："
                           : run.lang == 2 ? "下列名称没有转换："
                                           : "These names were not converted:";
        for (const std::string& line : run.notConverted)
            text += "\r\n" + line;
        run.ui.ShowInfo(text);
    }
    return std::move(run.notConverted);
}

} // namespace

std::string NotConvertedReason(std::int64_t lang) {
    switch (lang) {
    case 1:
        return ": 名稱不是有效的來源編碼";
    case 2:
        return ": 名称不是有效的来源编码";
    default:
        return ": the name is not valid in the source code";
    }
}

std::vector<std::string> RunNames(FileCon& con, RunUi& ui, int systemCodePage,
                                  FixTables* fixTables) {
    const SimpleMode mode = con.Mode.Simple();
    if (mode == SimpleMode::Other) return {};
    NameRun run{.direction = mode == SimpleMode::GbToBig5 ? GbToBig5 : Big5ToGb,
                .codePage = systemCodePage,
                .fixTables = fixTables,
                .ui = ui,
                .lang = con.Lang,
                .notConverted = {}};
    std::vector<std::string> kept;
    const auto renameFile = [&](const std::string& path) {
        const std::size_t before = run.notConverted.size();
        run.Rename(ExtractFilePath(path), ExtractFileName(path));
        if (run.notConverted.size() != before) kept.push_back(path);
    };
    if (!con.IncludesSubfolders) {
        for (const std::string& path : con.JobFiles)
            renameFile(path);
        con.KeepAfterRun(std::move(kept), {});
        return Report(run);
    }
    // Files while their folders still carry the old names.
    for (const std::string& path : con.PassFiles)
        if (Exists(path)) renameFile(path);
    for (const std::string& path : con.JobFiles)
        if (Exists(path)) renameFile(path);
    // Folders parent first, each reached through its parent's new path; a
    // component renamed before no longer exists under its old name.
    const std::string root = AddTrailingBackslash(con.SourceFolder);
    for (const std::string& folder : con.JobFolders) {
        if (folder.size() <= root.size() || folder.compare(0, root.size(), root) != 0) continue;
        const std::string relative = RemoveTrailingBackslash(folder.substr(root.size()));
        std::string base = root;
        for (std::size_t start = 0; start <= relative.size();) {
            std::size_t end = relative.find('/', start);
            if (end == std::string::npos) end = relative.size();
            const std::string component = relative.substr(start, end - start);
            start = end + 1;
            const std::string oldPath = base + component;
            const std::optional<std::string> converted =
                ConvertName(component, run.direction, systemCodePage, fixTables);
            const std::string newPath =
                base + (converted && IsUsableName(*converted) ? *converted : component);
            if (DirExists(oldPath) && end == relative.size())
                base = AddTrailingBackslash(run.Rename(base, component));
            else
                base = AddTrailingBackslash(DirExists(oldPath) ? oldPath : newPath);
        }
    }
    con.KeepAfterRun({}, {});
    return Report(run);
}

} // namespace tessarim
