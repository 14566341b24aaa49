#include "support/Interruption.h"

#include <atomic>
#include <csignal>

namespace pelkora {
namespace {

// What the handler and the deferrals share. Lock-free atomics are safe to
// touch from a signal handler; constant initialisation needs no guard.
struct InterruptionState {
    std::atomic<int> deferrals{0};
    std::atomic<int> pending{0}; // the signal that arrived, or 0
};

InterruptionState& state()
{
    static InterruptionState s;
    return s;
}

[[noreturn]] void endBy(int signalNumber)
{
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
    std::_Exit(128 + signalNumber); // only if the signal is blocked
}

extern "C" void onInterruption(int signalNumber)
{
    InterruptionState& s = state();
    // Recorded before the count is read: a deferral another thread takes
    // after that read sees it and starts nothing (see the constructor).
    s.pending.store(signalNumber);
    if (s.deferrals.load() > 0)
        return;
    endBy(signalNumber);
}

} // namespace

void InstallInterruptionHandlers()
{
    static_assert(std::atomic<int>::is_always_lock_free);
    state(); // made before any handler can run
    struct sigaction action { };
    action.sa_handler = onInterruption;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        // A signal the parent set to be ignored (a background job) stays so.
        struct sigaction old { };
        if (sigaction(signalNumber, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        sigaction(signalNumber, &action, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

bool InterruptionRequested()
{
    return state().pending.load() != 0;
}

InterruptionDeferral::InterruptionDeferral()
{
    state().deferrals.fetch_add(1);
}

InterruptionDeferral::~InterruptionDeferral()
{
    InterruptionState& s = state();
    if (s.deferrals.fetch_sub(1) == 1) {
        if (const int pending = s.pending.load(); pending != 0)
            endBy(pending);
    }
}

} // namespace pelkora
