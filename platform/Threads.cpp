#include "platform/Threads.h"

#include <memory>
#include <sched.h>
#include <system_error>

namespace tessarim {

namespace {

struct Start {
    std::function<void()> work;
    cpu_set_t cores;       // where the creator may run
    bool narrowed = false; // the thread begins on fewer of them
};

void* Run(void* argument) {
    const std::unique_ptr<Start> start(static_cast<Start*>(argument));
    // Begun elsewhere: from now on the scheduler places it as any other.
    if (start->narrowed) ::sched_setaffinity(0, sizeof start->cores, &start->cores);
    start->work();
    return nullptr;
}

} // namespace

Worker::Worker(std::function<void()> work) {
    auto start = std::make_unique<Start>();
    start->work = std::move(work);
    pthread_attr_t attributes;
    ::pthread_attr_init(&attributes);
    if (::sched_getaffinity(0, sizeof start->cores, &start->cores) == 0 &&
        CPU_COUNT(&start->cores) > 1) {
        cpu_set_t others = start->cores;
        const int here = ::sched_getcpu();
        if (here >= 0 && CPU_ISSET(here, &others)) {
            CPU_CLR(here, &others);
            start->narrowed =
                ::pthread_attr_setaffinity_np(&attributes, sizeof others, &others) == 0;
        }
    }
    const int error = ::pthread_create(&thread_, &attributes, Run, start.get());
    ::pthread_attr_destroy(&attributes);
    if (error != 0)
        throw std::system_error(error, std::generic_category(), "Cannot start a thread");
    start.release(); // the thread's now
}

Worker::~Worker() {
    ::pthread_join(thread_, nullptr);
}

} // namespace tessarim
