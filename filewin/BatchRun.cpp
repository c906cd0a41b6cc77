#include "filewin/BatchRun.h"

#include "core/Paths.h"
#include "engine/Detect.h"
#include "engine/FileConvert.h"
#include "filewin/FileCon.h"
#include "filewin/FileConTexts.h"
#include "filewin/NameConvert.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Sound.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <unordered_set>

namespace fs = std::filesystem;

namespace tessarim {

namespace {

bool Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

std::uint64_t SizeOf(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    return error ? 0 : size;
}

// The byte-order mark the file starts with, or Undetermined for none or a file
// that cannot be read.
Code MarkOf(const std::string& path) {
    if (QueryFileKind(path) != FileKind::Regular) return Undetermined;
    std::ifstream file(path, std::ios::binary);
    char head[3] = {};
    file.read(head, sizeof head);
    return DetectBom(std::string_view(head, static_cast<std::size_t>(file.gcount())));
}

std::string WrongModeText(const FileConTexts& texts, const std::string& path, Code found,
                          Code source, Code target) {
    return texts.M2[0] + ExtractFileName(path) + texts.M2[1] + CodeName(found) + texts.M2[2] +
           "\r\n\r\n" + texts.M2[3] + CodeName(source) + " > " + CodeName(target);
}

std::string FinishedText(const FileConTexts& texts, std::uint64_t bytes, double seconds) {
    char time[64];
    std::snprintf(time, sizeof time, texts.M4[3].c_str(), seconds);
    return texts.M4[0] + GroupDigits(bytes) + texts.M4[1] + "\r\n\r\n" + texts.M4[2] + time;
}

// The overwrite rule, shared by converted and copied files.
class Destinations {
public:
    Destinations(bool confirm, Code target, RunUi& ui)
        : confirm_(confirm), suffix_(DupSuffix(target)), ui_(ui) {}

    // The destination to write, or "" to leave the file alone.
    std::string Resolve(const std::string& path) {
        if (!confirm_ || answer_ == OverwriteAnswer::YesToAll || !Exists(path)) return path;
        if (answer_ != OverwriteAnswer::NoToAll) answer_ = ui_.AskOverwrite(path);
        if (answer_ == OverwriteAnswer::Yes || answer_ == OverwriteAnswer::YesToAll) return path;
        if (answer_ == OverwriteAnswer::Skip) return {};
        return FreeSuffixedName(path, suffix_);
    }

private:
    bool confirm_;
    const char* suffix_;
    RunUi& ui_;
    OverwriteAnswer answer_ = OverwriteAnswer::No;
};

std::string ReadOnlyText(const std::string& path) {
    return ReadOnlyPrefix + path + ReadOnlySuffix;
}

} // namespace

FileResult CoreConverter::Convert(const FileJob& job,
                                  const std::function<void(std::uint64_t)>& onBytes) {
    SetFileProgressHook(onBytes);
    struct Reset {
        ~Reset() { SetFileProgressHook({}); }
    } reset;
    return ConvertOneFile(job.source, job.destination, job.request, rules_, fixTables_);
}

void CoreConverter::Copy(const std::string& source, const std::string& destination) {
    CopyFileWithDate(source, destination, false);
}

const char* DupSuffix(Code target) {
    static constexpr const char* suffixes[] = {"-ule", "-ube", "-utf", "-gb",
                                               "-b5",  "-dec", "-hex"};
    return target <= HexNotation ? suffixes[static_cast<std::size_t>(target)] : "-out";
}

std::string FreeSuffixedName(const std::string& path, const char* suffix) {
    const std::string stem = StripExtension(path) + suffix;
    const std::string extension = ExtractFileExt(path);
    std::string name = stem + extension;
    for (int n = 2; Exists(name); ++n)
        name = stem + "-" + std::to_string(n) + extension;
    return name;
}

RunResult RunBatch(FileCon& con, const RunSettings& settings, RunUi& ui, FileConverter& converter,
                   Sound& sound) {
    RunResult result;
    const FileConTexts& texts = FileConTextsFor(con.Lang);
    const ContentMode mode = con.Content();
    if (mode == ContentMode::Nothing) return result;
    if (mode == ContentMode::NamesOnly) {
        result.failures = RunNames(con, ui, SystemCodePage(), settings.nameTables);
        result.converted = true;
        return result;
    }
    if (con.IncludesSubfolders &&
        (con.DestFolder == con.SourceFolder || IsInsideFolder(con.DestFolder, con.SourceFolder))) {
        ui.ShowError(texts.M1);
        result.refusedDestination = true;
        return result;
    }
    const auto start = std::chrono::steady_clock::now();
    const Code source = con.Mode.SourceCode();
    const Code target = con.Mode.TargetCode();
    const Face face = con.Mode.OutputFace();

    // A Unicode-marked file that contradicts the mode refuses the whole run; a
    // file that vanished or cannot be read is left to the run, which skips it.
    for (const std::string& path : con.JobFiles) {
        const Code mark = MarkOf(path);
        if (mark <= UTF8 && mark != source) {
            ui.ShowError(WrongModeText(texts, path, mark, source, target));
            return result;
        }
    }

    RunProgress progress;
    progress.filesTotal = con.JobFiles.size();
    for (const std::string& path : con.JobFiles)
        progress.bytesTotal += SizeOf(path);
    Destinations destinations(settings.cfmOverwrite, target, ui);
    std::vector<std::string> keptPass;

    // Output names follow the names mode when names are converted too.
    const auto outName = [&](const std::string& name) {
        if (mode != ContentMode::ContentAndNames || con.Mode.Simple() == SimpleMode::Other)
            return name;
        return ConvertPathNames(name,
                                con.Mode.Simple() == SimpleMode::GbToBig5 ? GbToBig5 : Big5ToGb,
                                SystemCodePage(), settings.nameTables);
    };
    const auto relative = [&](const std::string& path) {
        return outName(path.substr(con.SourceFolder.size()));
    };
    const auto finish = [&](std::vector<std::string> keptFiles) {
        con.KeepAfterRun(std::move(keptFiles), std::move(keptPass));
    };

    // The tree first: every folder, then the files that are copied unchanged.
    const std::vector<std::string> folders =
        con.IncludesSubfolders ? con.JobFolders : std::vector<std::string>{};
    try {
        for (const std::string& folder : folders) {
            const std::string made = con.DestFolder + relative(folder);
            if (!DirExists(made) && !ForceDirectories(made))
                throw ConvertError("Cannot create dir: " + made);
        }
    } catch (const std::exception& error) {
        ui.ShowError(error.what());
        result.failures.push_back(error.what());
        finish(con.JobFiles);
        return result;
    }
    for (const std::string& path :
         con.IncludesSubfolders ? con.PassFiles : std::vector<std::string>{}) {
        if (ui.StopRequested()) {
            keptPass.push_back(path);
            continue;
        }
        const std::string destination = destinations.Resolve(con.DestFolder + relative(path));
        if (destination.empty()) {
            keptPass.push_back(path);
            continue;
        }
        try {
            if (Exists(destination) && IsReadOnly(destination))
                throw ConvertError(ReadOnlyText(destination));
            converter.Copy(path, destination);
        } catch (const std::exception& error) {
            result.failures.push_back(path + ": " + error.what());
            keptPass.push_back(path);
        }
    }

    std::vector<std::string> kept;
    const std::vector<std::string> files = con.JobFiles;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& path = files[i];
        if (ui.StopRequested()) {
            result.stopped = true;
            kept.insert(kept.end(), files.begin() + static_cast<std::ptrdiff_t>(i), files.end());
            break;
        }
        progress.filesDone = i;
        if (QueryFileKind(path) != FileKind::Regular) continue; // vanished: nothing to keep
        const std::uint64_t size = SizeOf(path);
        const std::string name =
            con.IncludesSubfolders ? relative(path) : outName(ExtractFileName(path));
        FileJob job{.source = path,
                    .destination = destinations.Resolve(con.DestFolder + name),
                    .request = {.source = source, .target = target, .face = face}};
        if (job.destination.empty()) {
            kept.push_back(path);
            progress.bytesDone += size;
            continue;
        }
        const std::string status = texts.M3 + "(" + std::to_string(i + 1) + "/" +
                                   std::to_string(files.size()) + ")  " + path;
        ui.Status(status, progress);
        const std::uint64_t before = progress.bytesDone;
        const FileResult done = converter.Convert(job, [&](std::uint64_t bytes) {
            progress.bytesDone = before + std::min(bytes, size);
            ui.Status(status, progress);
        });
        progress.bytesDone = before + size;
        if (done.outcome == FileOutcome::Skipped) continue;
        if (done.failure == FailureKind::ReadOnlyTarget) {
            // Reported, kept in the list, and the run goes on.
            ui.ShowError(ReadOnlyText(job.destination));
            kept.push_back(path);
            continue;
        }
        if (done.outcome == FileOutcome::Failed) {
            // Any other failure ends the run; what is left stays listed.
            ui.ShowError(done.message);
            result.failures.push_back(path + ": " + done.message);
            kept.insert(kept.end(), files.begin() + static_cast<std::ptrdiff_t>(i), files.end());
            finish(std::move(kept));
            return result;
        }
        result.bytes += size;
    }
    progress.filesDone = files.size();
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.converted = !result.stopped;
    finish(std::move(kept));

    if (result.stopped) return result; // the user knows; the window says what is left
    PlayDoneSound(sound, settings.sound, settings.waveFile);
    std::string report = FinishedText(texts, result.bytes, result.seconds);
    if (!result.failures.empty()) {
        report += "\r\n\r\n" + texts.RunFailures;
        for (const std::string& failure : result.failures)
            report += "\r\n" + failure;
    }
    if (settings.msgFinished || !result.failures.empty()) ui.ShowInfo(report);
    return result;
}

} // namespace tessarim
