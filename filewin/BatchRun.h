#pragma once
// The file window's run (`ConvertBtnClick`): every file of the File List
// converted into the destination folder, a folder tree rebuilt there, with the
// overwrite question, progress, the end sound and the closing message.
//
// The run never loses a file: an existing destination is replaced only with the
// user's consent (or when CfmOverwrite is off), a name given a suffix is checked
// too, and files that were not converted stay in the File List.
#include "core/FileJob.h"
#include "engine/ConFunc.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessarim {

class FileCon;
class Sound;

// Skip: the question was closed without an answer; that file is left alone.
enum class OverwriteAnswer { Yes, No, YesToAll, NoToAll, Skip };

// The settings a run reads beside the file rules.
struct RunSettings {
    bool cfmOverwrite = true;
    bool sound = true;
    std::string waveFile;
    bool msgFinished = true;
    // The correction tables names are converted with (none when null).
    FixTables* nameTables = nullptr;
};

struct RunProgress {
    std::size_t filesDone = 0, filesTotal = 0;
    std::uint64_t bytesDone = 0, bytesTotal = 0;
};

// What the run asks of the window.
class RunUi {
public:
    virtual ~RunUi() = default;
    virtual void ShowError(const std::string& text) = 0;
    virtual void ShowInfo(const std::string& text) = 0;
    virtual OverwriteAnswer AskOverwrite(const std::string& path) = 0;
    // The hint line and the progress bar; the window keeps answering meanwhile.
    virtual void Status(const std::string& hint, const RunProgress& progress) = 0;
    // The user pressed Stop: the run ends before the next file.
    virtual bool StopRequested() = 0;
    // The files are settled and only the sound and the finished box are to
    // come: the window may show itself idle before the box says so.
    virtual void RunOver() {}
};

// One file converted into its destination.
struct FileJob {
    std::string source, destination;
    FileRequest request;
    bool destinationFree = false;      // see ConvertOneFile's outputFree
    std::optional<FileStamp> listed{}; // a file converted in place, as the run began
};

// Hears of each file of ConvertMany in list order; false ends the run.
using JobReport = std::function<bool(const FileResult&)>;

// Converts and copies files.
class FileConverter {
public:
    virtual ~FileConverter() = default;
    // onBytes tells how many bytes of the source are done so far, on the
    // caller's thread.
    virtual FileResult Convert(const FileJob& job,
                               const std::function<void(std::uint64_t)>& onBytes) = 0;
    // Converts the jobs (all with one request) as if one after another: report
    // hears of each in list order on the caller's thread, and once it says
    // false no file is begun any more; those under way are finished and
    // reported too. Here one at a time; a converter with workers converts
    // side by side.
    virtual void ConvertMany(const std::vector<FileJob>& jobs, const JobReport& report);
    // Failures throw with the user's words.
    virtual void Copy(const std::string& source, const std::string& destination) = 0;
};

// The per-file core under the user's rules, on the caller's thread.
class CoreConverter : public FileConverter {
public:
    CoreConverter(const FileRules& rules, FixTables* fixTables)
        : rules_(rules), fixTables_(fixTables) {}
    FileResult Convert(const FileJob& job,
                       const std::function<void(std::uint64_t)>& onBytes) override;
    // A worker per core, each with its own copy of the tables.
    void ConvertMany(const std::vector<FileJob>& jobs, const JobReport& report) override;
    void Copy(const std::string& source, const std::string& destination) override;

private:
    const FileRules& rules_;
    FixTables* fixTables_;
};

// Suffix of a destination kept beside an existing file, by target code.
const char* DupSuffix(Code target);

// path with the suffix before its extension ("a-b5.txt"); when that exists too,
// a counter follows ("a-b5-2.txt", ...) until the name is free.
std::string FreeSuffixedName(const std::string& path, const char* suffix);

struct RunResult {
    bool refusedDestination = false; // the tree's destination lies in its source
    bool converted = false;          // the run went through (an empty list too)
    bool stopped = false;
    std::uint64_t bytes = 0;
    double seconds = 0;
    std::vector<std::string> failures; // "path: why"
    // Converted files with characters written as a replacement mark (how
    // many), and those whose unfinished last character was left out.
    std::vector<std::pair<std::string, std::uint64_t>> replaced;
    std::vector<std::string> leftOut;
};

RunResult RunBatch(FileCon& con, const RunSettings& settings, RunUi& ui, FileConverter& converter,
                   Sound& sound);

} // namespace tessarim
