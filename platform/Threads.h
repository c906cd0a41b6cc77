#pragma once
// Threads for work shared among the cores.
#include <functional>
#include <pthread.h>

namespace tessarim {

// A thread running `work`, joined when the Worker goes; `work` must not throw.
// Linux starts a new thread on its creator's core and moves it to an idle one
// only when a balancing tick finds it there: for up to a few milliseconds the
// two take turns on one core while another idles. A Worker begins on another
// core the creator may use, where there is one, and may then run on any.
class Worker {
public:
    explicit Worker(std::function<void()> work);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

private:
    pthread_t thread_;
};

} // namespace tessarim
