#include "platform/Interrupts.h"

#include <initializer_list>
#include <pthread.h>

namespace tessarim {

namespace {

sigset_t Held() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, SIGTERM);
    return set;
}

// A blocked signal waits even when it is ignored (a run started in the
// background of a script ignores Ctrl-C); unblocked, it is dropped. The run
// goes on as if it had never come.
bool Ignored(int signal) {
    struct sigaction action {};
    return sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN;
}

} // namespace

DeferredInterrupts::DeferredInterrupts() {
    const sigset_t held = Held();
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

DeferredInterrupts::~DeferredInterrupts() {
    // A signal that came meanwhile is delivered here, with its usual effect.
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

bool DeferredInterrupts::Pending() const {
    sigset_t pending;
    if (sigpending(&pending) != 0) return false;
    for (const int signal : {SIGINT, SIGHUP, SIGTERM})
        if (sigismember(&pending, signal) == 1 && sigismember(&previous_, signal) != 1 &&
            !Ignored(signal))
            return true;
    return false;
}

} // namespace tessarim
