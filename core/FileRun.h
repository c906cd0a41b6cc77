#pragma once
// Many files converted with a worker per core, seen by the caller as if they
// were converted one after another: results arrive in list order on the
// calling thread, and once the caller stops the run no further file is begun.
#include "core/FileJob.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessarim {

class FixTables;

struct FileTask {
    std::string input;
    std::string output;                // the same path converts in place
    bool outputFree = false;           // see ConvertOneFile
    std::optional<FileStamp> listed{}; // a file converted in place, as the run listed it
};

// Says what happened to a file; false stops the run.
using FileReport = std::function<bool(const FileResult&)>;
// Loads the correction tables a worker applies into its own FixTables.
using TableLoad = std::function<void(FixTables&)>;

// Files can be converted side by side with the same result as one at a time:
// no two write the same output and no output is another file's input.
bool FilesAreIndependent(const std::vector<FileTask>& tasks);

// Fewer files than this are converted one at a time: threads and their own
// tables pay off over many files, not a few.
constexpr std::size_t FilesForWorkers = 16;

// How far the workers may get ahead of the reports: at most this many files per
// worker are begun after the last file whose report went through. Enough that a
// worker seldom waits for the report of a file another one is still on; few,
// so that a run stopped by a report converts few files after it.
constexpr std::size_t FilesAheadPerWorker = 4;

// Converts the files in order, with up to `workers` workers (one for a few
// files, or files that are not independent): the calling thread with `tables`
// (the caller's, loaded), and a thread for each other one with tables that
// `load` loads on that thread (it must show nothing). A file's exception is
// thrown here when its turn to be reported comes. When a report stops the run,
// no file is begun any more; files already under way (see FilesAheadPerWorker)
// are finished and reported in order, and their reports stop nothing more.
void ConvertFiles(const std::vector<FileTask>& tasks, const FileRequest& request,
                  const FileRules& rules, FixTables& tables, const TableLoad& load,
                  unsigned workers, const FileReport& report);

// The number of workers for a run: one per core the process may run on.
unsigned WorkersPerCore();

} // namespace tessarim
