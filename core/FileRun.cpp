#include "core/FileRun.h"

#include "engine/FixTables.h"
#include "platform/Interrupts.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

namespace tessarim {

bool FilesAreIndependent(const std::vector<FileTask>& tasks) {
    std::set<std::string> outputs, inputs;
    for (const FileTask& task : tasks) {
        if (!outputs.insert(task.output).second) return false;
        inputs.insert(task.input);
    }
    for (const FileTask& task : tasks)
        if (task.output != task.input && inputs.count(task.output)) return false;
    return true;
}

unsigned WorkersPerCore() {
    return std::max(1u, std::thread::hardware_concurrency());
}

namespace {

struct Outcome {
    std::optional<FileResult> result;
    std::exception_ptr error;
    bool done = false;
};

} // namespace

void ConvertFiles(const std::vector<FileTask>& tasks, const FileRequest& request,
                  const FileRules& rules, FixTables& tables, const TableLoad& load,
                  unsigned workers, const FileReport& report) {
    // Threads and their own tables pay off over many files, not a few.
    constexpr std::size_t FewFiles = 16;
    if (tasks.size() < FewFiles || !FilesAreIndependent(tasks)) workers = 1;
    workers = static_cast<unsigned>(std::min<std::size_t>(workers, tasks.size()));
    if (workers <= 1) {
        for (const FileTask& task : tasks)
            if (!report(ConvertOneFile(task.input, task.output, request, rules, &tables))) return;
        return;
    }

    // Ctrl-C, SIGTERM and SIGHUP wait in every thread (the workers take this
    // thread's mask) until the files under way are done: delivered to an idle
    // thread, one would end the process while another is half written.
    const DeferredInterrupts held;
    std::vector<Outcome> outcomes(tasks.size());
    std::mutex mutex;
    std::condition_variable finished, reportedMore;
    std::size_t next = 0;
    std::size_t reported = 0;
    bool stopped = false;
    // A worker takes the next file not begun, converts it and files what came of
    // it. It keeps at most one file per worker ahead of the reports, so that a
    // stop leaves few files converted that one at a time would not reach.
    const auto work = [&](FixTables& own) {
        for (;;) {
            std::size_t index;
            {
                std::unique_lock lock(mutex);
                reportedMore.wait(lock, [&] { return stopped || next < reported + workers; });
                if (stopped || next == tasks.size()) return;
                index = next++;
            }
            Outcome outcome;
            try {
                outcome.result =
                    ConvertOneFile(tasks[index].input, tasks[index].output, request, rules, &own);
            } catch (...) {
                outcome.error = std::current_exception();
            }
            outcome.done = true;
            {
                std::lock_guard lock(mutex);
                outcomes[index] = std::move(outcome);
            }
            finished.notify_all();
        }
    };

    std::vector<std::unique_ptr<FixTables>> ownTables;
    std::vector<std::jthread> threads;
    const auto stop = [&] {
        {
            std::lock_guard lock(mutex);
            stopped = true;
        }
        reportedMore.notify_all();
        threads.clear(); // joins: a file under way is finished
    };
    try {
        threads.emplace_back(work, std::ref(tables));
        for (unsigned w = 1; w < workers; ++w) {
            ownTables.push_back(std::make_unique<FixTables>());
            load(*ownTables.back());
            threads.emplace_back(work, std::ref(*ownTables.back()));
        }
        for (std::size_t index = 0; index < tasks.size(); ++index) {
            Outcome outcome;
            {
                std::unique_lock lock(mutex);
                finished.wait(lock, [&] { return outcomes[index].done; });
                outcome = std::move(outcomes[index]);
                reported = index + 1;
            }
            reportedMore.notify_all();
            if (outcome.error) std::rethrow_exception(outcome.error);
            if (!report(*outcome.result) || held.Pending()) break;
        }
    } catch (...) {
        stop();
        throw;
    }
    stop();
}

} // namespace tessarim
