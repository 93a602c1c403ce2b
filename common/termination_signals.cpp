// termination_signals.cpp - holding SIGTERM, SIGINT and SIGHUP back.
#include "termination_signals.h"

#include <time.h>
#include <unistd.h>

namespace quillkit {

namespace {

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

}  // namespace

TerminationSignals::TerminationSignals()
{
    sigemptyset(&held_);
    for (const int sig : kTerminationSignals) {
        struct sigaction current {};
        if (::sigaction(sig, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
            sigaddset(&held_, sig);
    }
    ::sigprocmask(SIG_BLOCK, &held_, &previous_);
}

TerminationSignals::~TerminationSignals()
{
    ::sigprocmask(SIG_SETMASK, &previous_, nullptr);
}

int TerminationSignals::arrived() const
{
    const struct timespec now {
    };
    const int sig = ::sigtimedwait(&held_, nullptr, &now);
    return sig > 0 ? sig : 0;
}

void TerminationSignals::die_of(int sig) const
{
    ::signal(sig, SIG_DFL);
    ::sigprocmask(SIG_SETMASK, &previous_, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(sig);
    ::_exit(128 + sig);  // not reached: the default action ends the process
}

}  // namespace quillkit
