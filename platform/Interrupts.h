#pragma once
// Ctrl-C, a terminal closed, a polite kill: SIGINT, SIGHUP and SIGTERM are held
// back on the calling thread while a file is half written, so the writer can
// put things right first. They take effect when the guard ends.
#include <signal.h>

namespace tessarim {

class DeferredInterrupts {
public:
    DeferredInterrupts();
    ~DeferredInterrupts();
    DeferredInterrupts(const DeferredInterrupts&) = delete;
    DeferredInterrupts& operator=(const DeferredInterrupts&) = delete;

    // One of the three signals arrived since the guard began.
    bool Pending() const;

private:
    sigset_t previous_;
};

} // namespace tessarim
