// stop_signals.h - SIGINT and SIGTERM end the window promptly.
#ifndef QXCLOCK_STOP_SIGNALS_H
#define QXCLOCK_STOP_SIGNALS_H

#include <memory>

#include "result.h"

namespace qxclock {

// While it lives, SIGINT and SIGTERM make fd() readable, so that the main
// loop wakes up and closes the window as usual. Should the loop not get
// there within kStopGraceSeconds (Xlib blocked on a server that stalled or
// never answers), the process ends at once with a message on stderr and
// status 1. A stop signal that whoever started the clock set to be ignored
// (nohup, a background job) is left ignored.
class StopSignals {
public:
    // Starts watching; fails with "cannot watch for signals: REASON".
    static quillkit::Result<std::unique_ptr<StopSignals>> start();
    // Puts back the default actions (ignored signals stay ignored) and
    // cancels a pending watchdog.
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // Readable once a stop signal has come.
    int fd() const { return read_fd_; }
    bool stop_requested() const;

private:
    StopSignals(int read_fd, int write_fd);

    int read_fd_;
    int write_fd_;
};

constexpr unsigned kStopGraceSeconds = 2;

}  // namespace qxclock

#endif  // QXCLOCK_STOP_SIGNALS_H
