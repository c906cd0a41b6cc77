#include "filewin/BatchRun.h"

#include "core/FileRun.h"
#include "core/FindFiles.h"
#include "core/Paths.h"
#include "core/TableLoader.h"
#include "engine/Detect.h"
#include "engine/FileConvert.h"
#include "engine/FixTables.h"
#include "filewin/FileCon.h"
#include "filewin/FileConTexts.h"
#include "filewin/NameConvert.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Sound.h"
#include "platform/Threads.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <unordered_set>

namespace fs = std::filesystem;

namespace tessarim {

namespace {

bool Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// Each file looked at once before the run (kind, size, byte-order mark),
// on as many threads as the run has workers: a run over thousands of small
// files would otherwise spend a good part of its time here on one core.
std::vector<FileLook> LookAtFiles(const std::vector<std::string>& files) {
    std::vector<FileLook> looks(files.size());
    const auto lookAt = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            looks[i] = LookAtFile(files[i], 3);
    };
    const std::size_t threads =
        files.size() < FilesForWorkers ? 1 : std::min<std::size_t>(WorkersPerCore(), 8);
    std::vector<std::unique_ptr<Worker>> helpers;
    for (std::size_t t = 1; t < threads; ++t)
        helpers.push_back(std::make_unique<Worker>([&lookAt, &files, t, threads] {
            lookAt(files.size() * t / threads, files.size() * (t + 1) / threads);
        }));
    lookAt(0, files.size() / threads);
    return looks;
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

// A heading and its lines, the first Shown of them: a run over thousands of
// files would otherwise give a box taller than the screen.
template <typename Lines, typename Line>
std::string ListText(const FileConTexts& texts, const std::string& heading, const Lines& lines,
                     Line line) {
    constexpr std::size_t Shown = 10;
    std::string text = "\r\n\r\n" + heading;
    for (std::size_t i = 0; i < lines.size() && i < Shown; ++i)
        text += "\r\n" + line(lines[i]);
    if (lines.size() > Shown)
        text += "\r\n" + texts.RunMore[0] + std::to_string(lines.size() - Shown) + texts.RunMore[1];
    return text;
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

    // Every destination from now on is written without a question.
    bool AsksNoMore() const { return !confirm_ || answer_ == OverwriteAnswer::YesToAll; }

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
    return ConvertOneFile(job.source, job.destination, job.request, rules_, fixTables_,
                          job.destinationFree, job.listed);
}

void FileConverter::ConvertMany(const std::vector<FileJob>& jobs, const JobReport& report) {
    for (const FileJob& job : jobs)
        if (!report(Convert(job, {}))) return;
}

void CoreConverter::ConvertMany(const std::vector<FileJob>& jobs, const JobReport& report) {
    if (jobs.empty()) return;
    std::vector<FileTask> tasks;
    tasks.reserve(jobs.size());
    for (const FileJob& job : jobs)
        tasks.push_back({job.source, job.destination, job.destinationFree, job.listed});
    FixTables none;
    FixTables& tables = fixTables_ ? *fixTables_ : none;
    ConvertFiles(
        tasks, jobs.front().request, rules_, tables,
        [&](FixTables& own) { LoadTablesLike(own, tables); }, WorkersPerCore(), report);
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
    const std::vector<FileLook> looks = LookAtFiles(con.JobFiles);
    for (std::size_t i = 0; i < looks.size(); ++i) {
        const Code mark =
            looks[i].kind == FileKind::Regular ? DetectBom(looks[i].head) : Undetermined;
        if (mark <= UTF8 && mark != source) {
            ui.ShowError(WrongModeText(texts, con.JobFiles[i], mark, source, target));
            return result;
        }
    }

    RunProgress progress;
    progress.filesTotal = con.JobFiles.size();
    std::vector<std::uint64_t> sizes; // as the run begins, for its progress
    sizes.reserve(con.JobFiles.size());
    for (const FileLook& look : looks)
        progress.bytesTotal += sizes.emplace_back(look.size);
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

    const std::vector<std::string> files = con.JobFiles;
    std::vector<bool> keep(files.size()); // not converted: stays in the File List
    const auto keepFrom = [&](std::size_t i) { std::fill(keep.begin() + i, keep.end(), true); };
    const FileRequest request{.source = source, .target = target, .face = face};
    // Each file's destination before any question, made once: converting
    // names is not free, and the check for questions and the run both need it.
    std::vector<std::string> names(files.size());
    const auto nameOf = [&](std::size_t i) -> const std::string& {
        if (names[i].empty())
            names[i] =
                con.DestFolder +
                (con.IncludesSubfolders ? relative(files[i]) : outName(ExtractFileName(files[i])));
        return names[i];
    };
    // A file converted in place as the run found it when it began, before any
    // question: should another run convert it first, this one leaves it.
    std::vector<std::optional<FileStamp>> stamps(files.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        if (looks[i].kind == FileKind::Regular && nameOf(i) == files[i]) stamps[i] = looks[i].stamp;
    // Listed when the run is about to put files side by side.
    FolderListings listings;
    const auto statusOf = [&](std::size_t i) {
        return texts.M3 + "(" + std::to_string(i + 1) + "/" + std::to_string(files.size()) + ")  " +
               files[i];
    };
    bool failed = false; // a failure ended the run
    // What a converted file lost, for the finished message.
    const auto noteChanges = [&](std::size_t i, const FileResult& done) {
        if (done.replaced != 0) result.replaced.emplace_back(files[i], done.replaced);
        if (done.leftOut != 0) result.leftOut.push_back(files[i]);
    };
    // What came of file i; false when it ends the run.
    const auto take = [&](std::size_t i, const std::string& destination, std::uint64_t size,
                          const FileResult& done) {
        if (done.outcome == FileOutcome::Skipped) return true;
        if (done.failure == FailureKind::ReadOnlyTarget) {
            // Reported, kept in the list, and the run goes on.
            ui.ShowError(ReadOnlyText(destination));
            keep[i] = true;
            return true;
        }
        if (done.outcome == FileOutcome::Failed) {
            // Any other failure ends the run; what is left stays listed.
            ui.ShowError(done.message);
            result.failures.push_back(files[i] + ": " + done.message);
            keepFrom(i);
            failed = true;
            return false;
        }
        result.bytes += size;
        noteChanges(i, done);
        return true;
    };
    // Files side by side, from `first` on: none of them is asked about, so the
    // run reads as one file after another.
    const auto sideBySide = [&](std::size_t first) {
        std::vector<FileJob> jobs;
        std::vector<std::size_t> at;
        for (std::size_t i = first; i < files.size(); ++i) {
            if (looks[i].kind != FileKind::Regular) continue; // gone before the run
            jobs.push_back({.source = files[i],
                            .destination = nameOf(i),
                            .request = request,
                            .destinationFree = listings.IsFree(nameOf(i)),
                            .listed = stamps[i]});
            at.push_back(i);
        }
        std::size_t reported = 0;
        bool ended = false; // by Stop or a failure; the files still reported were under way
        converter.ConvertMany(jobs, [&](const FileResult& done) {
            const std::size_t k = reported++, i = at[k];
            if (ended && done.outcome == FileOutcome::Failed) {
                // Listed still, as if never begun: a failure leaves the file as it was.
                return false;
            }
            progress.filesDone = i + 1;
            progress.bytesDone += sizes[i];
            ui.Status(statusOf(i), progress);
            if (ended) {
                // Converted, a file leaves the list: a run from it again would
                // convert a file converted in place twice.
                keep[i] = false;
                if (done.outcome == FileOutcome::Converted) {
                    result.bytes += sizes[i];
                    noteChanges(i, done);
                }
                return false;
            }
            if (!take(i, jobs[k].destination, sizes[i], done)) {
                ended = true;
                return false;
            }
            if (!ui.StopRequested()) return true;
            result.stopped = true;
            keepFrom(i + 1);
            ended = true;
            return false;
        });
    };
    // Nothing is asked when no destination exists yet and no two files share one.
    const auto noneAsked = [&] {
        if (!settings.cfmOverwrite) return true;
        std::unordered_set<std::string_view> seen;
        for (std::size_t i = 0; i < files.size(); ++i)
            if ((!listings.IsFree(nameOf(i)) && Exists(nameOf(i))) ||
                !seen.insert(nameOf(i)).second)
                return false;
        return true;
    };

    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& path = files[i];
        if (ui.StopRequested()) {
            result.stopped = true;
            keepFrom(i);
            break;
        }
        // The rest side by side once no question can come any more: the run
        // would wait for an answer while files under way got ahead of it.
        if (files.size() - i >= FilesForWorkers &&
            (destinations.AsksNoMore() || (i == 0 && noneAsked()))) {
            sideBySide(i);
            break;
        }
        progress.filesDone = i;
        if (QueryFileKind(path) != FileKind::Regular) continue; // vanished: nothing to keep
        const std::uint64_t size = sizes[i];
        FileJob job{.source = path,
                    .destination = destinations.Resolve(nameOf(i)),
                    .request = request,
                    .listed = stamps[i]};
        if (job.destination.empty()) {
            keep[i] = true;
            progress.bytesDone += size;
            continue;
        }
        const std::string status = statusOf(i);
        ui.Status(status, progress);
        const std::uint64_t before = progress.bytesDone;
        const FileResult done = converter.Convert(job, [&](std::uint64_t bytes) {
            progress.bytesDone = before + std::min(bytes, size);
            ui.Status(status, progress);
        });
        progress.bytesDone = before + size;
        if (!take(i, job.destination, size, done)) break;
    }
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < files.size(); ++i)
        if (keep[i]) kept.push_back(files[i]);
    if (failed) {
        finish(std::move(kept));
        return result;
    }
    progress.filesDone = files.size();
    // The window shows the run complete before the box says it is.
    if (!files.empty() && !result.stopped) {
        progress.bytesDone = progress.bytesTotal;
        ui.Status(statusOf(files.size() - 1), progress);
    }
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.converted = !result.stopped;
    finish(std::move(kept));

    if (result.stopped) return result; // the user knows; the window says what is left
    ui.RunOver();
    PlayDoneSound(sound, settings.sound, settings.waveFile);
    const std::string finished = FinishedText(texts, result.bytes, result.seconds);
    std::string report = finished;
    const auto asItIs = [](const std::string& line) { return line; };
    if (!result.failures.empty())
        report += ListText(texts, texts.RunFailures, result.failures, asItIs);
    if (!result.replaced.empty())
        report += ListText(texts, texts.RunReplaced, result.replaced, [](const auto& file) {
            return file.first + " (" + std::to_string(file.second) + ")";
        });
    if (!result.leftOut.empty())
        report += ListText(texts, texts.RunLeftOut, result.leftOut, asItIs);
    // Changed characters are told even to a user who turned the message off,
    // as failures are: the files are not quite what was asked for.
    if (settings.msgFinished || report != finished) ui.ShowInfo(report);
    return result;
}

} // namespace tessarim
