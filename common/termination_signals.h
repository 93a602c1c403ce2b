// termination_signals.h - holding SIGTERM, SIGINT and SIGHUP back while a
// program has something to clean up (not installed).
#ifndef QUILLKIT_COMMON_TERMINATION_SIGNALS_H
#define QUILLKIT_COMMON_TERMINATION_SIGNALS_H

#include <signal.h>

namespace quillkit {

// While it lives, SIGTERM, SIGINT and SIGHUP are blocked, so that they wait
// until the program looks for them (arrived()) between two steps of work,
// cleans up and dies of them (die_of()), as if they had never been held back.
// Signals the caller had set to be ignored stay ignored and are never
// reported.
class TerminationSignals {
public:
    TerminationSignals();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals &) = delete;
    TerminationSignals &operator=(const TerminationSignals &) = delete;

    // The signal that has arrived, or 0.
    int arrived() const;

    // Ends the process by `sig`, with its default action.
    [[noreturn]] void die_of(int sig) const;

private:
    sigset_t held_;
    sigset_t previous_;
};

}  // namespace quillkit

#endif  // QUILLKIT_COMMON_TERMINATION_SIGNALS_H
