#include "core/FileRun.h"

#include "engine/FixTables.h"
#include "platform/Interrupts.h"
#include "platform/Threads.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <sched.h>
#include <string_view>
#include <thread>
#include <unordered_set>

namespace tessarim {

bool FilesAreIndependent(const std::vector<FileTask>& tasks) {
    std::unordered_set<std::string_view> outputs, inputs;
    outputs.reserve(tasks.size());
    inputs.reserve(tasks.size());
    for (const FileTask& task : tasks) {
        if (!outputs.insert(task.output).second) return false;
        inputs.insert(task.input);
    }
    for (const FileTask& task : tasks)
        if (task.output != task.input && inputs.count(task.output)) return false;
    return true;
}

unsigned WorkersPerCore() {
    // The cores this process may run on (taskset, a container's cpuset), not
    // the machine's: two workers on one core only take turns.
    cpu_set_t cores;
    if (::sched_getaffinity(0, sizeof cores, &cores) == 0)
        return static_cast<unsigned>(std::max(1, CPU_COUNT(&cores)));
    return std::max(1u, std::thread::hardware_concurrency());
}

namespace {

struct Outcome {
    std::optional<FileResult> result;
    std::exception_ptr error;
    bool done = false;
};

FileResult ConvertTask(const FileTask& task, const FileRequest& request, const FileRules& rules,
                       FixTables& tables) {
    return ConvertOneFile(task.input, task.output, request, rules, &tables, task.outputFree,
                          task.listed);
}

// The same side by side: an exception is kept, to be thrown when the file's
// report is due.
Outcome Convert(const FileTask& task, const FileRequest& request, const FileRules& rules,
                FixTables& tables) {
    Outcome outcome;
    try {
        outcome.result = ConvertTask(task, request, rules, tables);
    } catch (...) {
        outcome.error = std::current_exception();
    }
    outcome.done = true;
    return outcome;
}

} // namespace

void ConvertFiles(const std::vector<FileTask>& tasks, const FileRequest& request,
                  const FileRules& rules, FixTables& tables, const TableLoad& load,
                  unsigned workers, const FileReport& report) {
    if (tasks.size() < FilesForWorkers) workers = 1;
    workers = static_cast<unsigned>(std::min<std::size_t>(workers, tasks.size()));
    if (workers <= 1) {
        for (const FileTask& task : tasks)
            if (!report(ConvertTask(task, request, rules, tables))) return;
        return;
    }

    // Ctrl-C, SIGTERM and SIGHUP wait in every thread (the helpers take this
    // thread's mask) until the files under way are done: delivered to an idle
    // thread, one would end the process while another is half written.
    const DeferredInterrupts held;
    const std::size_t window = FilesAheadPerWorker * workers;
    std::vector<Outcome> outcomes(tasks.size());
    std::mutex mutex;
    // reportable: the file whose report is due is done; opened: the reports
    // went on, so the files they let begin may be.
    std::condition_variable reportable, opened;
    std::size_t next = 0;     // the first file not begun
    std::size_t accepted = 0; // the files whose reports went through
    bool stopped = false;
    bool waiting = false; // this thread waits for the file whose report is due
    // Whether the files may go side by side, once a helper has looked: this
    // thread begins with the first files meanwhile, as one at a time would.
    std::optional<bool> independent;
    // This thread converts files too, between reports: with a thread per other
    // core, no thread waits for a core, and none is woken for each file. A
    // helper takes the next file not begun, as far as the window allows, and
    // files what came of it; it wakes this thread only when this one waits.
    const auto help = [&](FixTables& own, bool looks) {
        if (looks) {
            bool apart = false;
            try {
                apart = FilesAreIndependent(tasks);
            } catch (...) {
                // Not known: one at a time is always right.
            }
            {
                std::lock_guard lock(mutex);
                independent = apart;
            }
            opened.notify_all();
        }
        // A helper loads its own tables while this thread converts its first
        // files. One whose tables cannot be loaded leaves its files to the others.
        try {
            load(own);
        } catch (...) {
            return;
        }
        for (;;) {
            std::size_t index;
            {
                std::unique_lock lock(mutex);
                opened.wait(lock, [&] {
                    return stopped || next == tasks.size() ||
                           (independent && (!*independent || next < accepted + window));
                });
                // After Ctrl-C the files under way fail at once; no more are begun.
                if (stopped || next == tasks.size() || !*independent || held.Pending()) return;
                index = next++;
            }
            Outcome outcome = Convert(tasks[index], request, rules, own);
            bool wake;
            {
                std::lock_guard lock(mutex);
                outcomes[index] = std::move(outcome);
                wake = waiting;
            }
            if (wake) reportable.notify_one();
        }
    };

    std::vector<std::unique_ptr<FixTables>> ownTables;
    std::vector<std::unique_ptr<Worker>> helpers;
    const auto stop = [&] {
        {
            std::lock_guard lock(mutex);
            stopped = true;
        }
        opened.notify_all();
        helpers.clear(); // joins: a file under way is finished
    };
    try {
        for (unsigned w = 1; w < workers; ++w) {
            ownTables.push_back(std::make_unique<FixTables>());
            FixTables& own = *ownTables.back();
            helpers.push_back(std::make_unique<Worker>([&help, &own, w] { help(own, w == 1); }));
        }
        for (std::size_t due = 0;;) {
            std::optional<std::size_t> mine;
            Outcome outcome;
            // After Ctrl-C no file is begun or reported any more.
            if (held.Pending()) break;
            {
                std::unique_lock lock(mutex);
                // Once a report stops the run, the files begun before it are
                // finished and reported all the same: they are converted, and a
                // caller that lists what is left must not list them. Their
                // reports stop nothing more.
                if (due == (stopped ? next : tasks.size())) break;
                if (!stopped && !outcomes[due].done && next < tasks.size() && next < due + window) {
                    mine = next++;
                } else {
                    waiting = true;
                    reportable.wait(lock, [&] { return outcomes[due].done; });
                    waiting = false;
                    outcome = std::move(outcomes[due]);
                }
            }
            if (mine) {
                Outcome done = Convert(tasks[*mine], request, rules, tables);
                std::lock_guard lock(mutex);
                outcomes[*mine] = std::move(done);
                continue;
            }
            if (outcome.error) std::rethrow_exception(outcome.error);
            const bool goOn = report(*outcome.result);
            {
                std::lock_guard lock(mutex);
                accepted = ++due;
                if (!goOn) stopped = true;
            }
            opened.notify_all();
        }
    } catch (...) {
        stop();
        throw;
    }
    stop();
}

} // namespace tessarim
