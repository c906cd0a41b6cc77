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
        if (sigismember(&pending, signal) == 1 && sigismember(&previous_, signal) != 1) return true;
    return false;
}

} // namespace tessarim
