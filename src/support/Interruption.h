#pragma once
// Letting a file being written clean up before SIGINT or SIGTERM ends the
// program.
//
// By default these signals end the program at once, so a temporary file
// being written stays behind. After InstallInterruptionHandlers(), a signal
// that arrives while an InterruptionDeferral is alive is only recorded: the
// writer sees InterruptionRequested(), removes what it made, and when the
// last deferral ends the program ends by that same signal, as it would have
// at first (a shell reports 130 or 143). A signal outside any deferral ends
// the program at once, as without handlers. Without the handlers installed
// (tests, tools) nothing changes and InterruptionRequested() stays false.

namespace pelkora {

// Installs the handlers for SIGINT and SIGTERM, and ignores SIGXFSZ so that
// a write past the file size limit fails with EFBIG (and is reported) instead
// of killing the program mid-file.
void InstallInterruptionHandlers();

// True once SIGINT or SIGTERM arrived during a deferral.
bool InterruptionRequested();

// Defers SIGINT and SIGTERM while alive; nests. When several threads write,
// the program may end as soon as no deferral is alive, so a writer checks
// InterruptionRequested() after taking its deferral and before it makes
// anything that would need cleaning up.
class InterruptionDeferral {
public:
    InterruptionDeferral();
    ~InterruptionDeferral();
    InterruptionDeferral(const InterruptionDeferral&) = delete;
    InterruptionDeferral& operator=(const InterruptionDeferral&) = delete;
};

} // namespace pelkora
