#pragma once
// Many files converted with a worker per core, seen by the caller as if they
// were converted one after another: results arrive in list order on the
// calling thread, and once the caller stops the run no further file is begun.
#include "core/FileJob.h"

#include <functional>
#include <string>
#include <vector>

namespace tessarim {

class FixTables;

struct FileTask {
    std::string input;
    std::string output; // the same path converts in place
};

// Says what happened to a file; false stops the run.
using FileReport = std::function<bool(const FileResult&)>;
// Loads the correction tables a worker applies into its own FixTables.
using TableLoad = std::function<void(FixTables&)>;

// Files can be converted side by side with the same result as one at a time:
// no two write the same output and no output is another file's input.
bool FilesAreIndependent(const std::vector<FileTask>& tasks);

// Converts the files in order, `tables` (the caller's, loaded) for the first
// worker and tables loaded by `load` for each other one, with up to `workers`
// threads (one for a few files, or files that are not independent). A file's
// exception is thrown here when its turn to be reported comes. Workers run at
// most one file each ahead of the reports: when a report stops the run, the
// files after it are not begun, except up to one per other worker already
// under way, which is finished.
void ConvertFiles(const std::vector<FileTask>& tasks, const FileRequest& request,
                  const FileRules& rules, FixTables& tables, const TableLoad& load,
                  unsigned workers, const FileReport& report);

// The number of workers for a run: one per core.
unsigned WorkersPerCore();

} // namespace tessarim
