// process.h - programs started by tests: always with a time limit, never
// outliving the test.
#ifndef QUILLKIT_TESTS_PROCESS_H
#define QUILLKIT_TESTS_PROCESS_H

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quillkit_test {

// How a child is started. Paths left empty mean /dev/null.
struct ChildOptions {
    std::vector<std::string> env;       // "NAME=value", added to or replacing ours
    std::filesystem::path cwd;          // working directory; empty: the test's own
    std::filesystem::path stdout_path;  // standard output goes here (truncated)
    std::filesystem::path stderr_path;  // standard error goes here (truncated)
    // Sent to the child should the test process die first. A server that
    // must tidy up after itself (an X server's lock file and socket) wants
    // SIGTERM here.
    int parent_death_signal = SIGKILL;
    // Extra descriptor of the test's to hand down as the same number (-1:
    // none), e.g. the write end of a pipe for Xvfb's -displayfd.
    int inherit_fd = -1;
};

class ChildProcess {
public:
    // Starts `argv[0]` (a path) with `argv`. Its standard input is /dev/null.
    explicit ChildProcess(const std::vector<std::string> &argv, const ChildOptions &options = {});
    // Ends the child if it is still running (SIGTERM, then SIGKILL if it has
    // not gone after a few seconds), and reaps it.
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    pid_t pid() const { return pid_; }
    bool started() const { return pid_ > 0; }

    // Waits up to `timeout_ms` for the child to end. Returns true when it has
    // ended; its raw wait status is then in `wait_status`.
    bool wait_for_exit(int timeout_ms, int &wait_status);
    // Whether it is still running (reaps it if not).
    bool running();
    void send_signal(int sig);

    // The exit status a child reports when it could not run `argv[0]` at all.
    static constexpr int kExecFailed = 127;

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
};

struct RunResult {
    int status = -1;         // exit status, or -signal when ended by a signal
    bool timed_out = false;  // killed at the time limit
    std::string out;         // what it wrote to standard output
    std::string err;         // what it wrote to standard error
};

// Runs `argv` to its end and captures its output. A program still running
// after `timeout_ms` is killed, and the test fails.
RunResult run_program(const std::vector<std::string> &argv, const ChildOptions &options = {},
                      int timeout_ms = 60000);

// Runs `body` in a forked copy of the test process and returns its result as
// the child's exit status (0..255), or -signal when it died of a signal; -1
// when it did not finish within `timeout_ms` (it is then killed). For code
// that may hang or crash: the test itself survives either.
int run_forked(const std::function<int()> &body, int timeout_ms);

// Polls `done` every `step_ms` until it holds or `timeout_ms` have passed;
// returns its last answer. For waiting on another process: never a fixed
// sleep that hopes.
template <typename Predicate>
bool wait_until(Predicate done, int timeout_ms, int step_ms = 10);

// Sleeps for `ms` milliseconds (a poll step; see wait_until).
void sleep_ms(int ms);

// The milliseconds of a monotonic clock, for deadlines.
long long monotonic_ms();

template <typename Predicate>
bool wait_until(Predicate done, int timeout_ms, int step_ms)
{
    const long long deadline = monotonic_ms() + timeout_ms;
    for (;;) {
        if (done())
            return true;
        if (monotonic_ms() >= deadline)
            return false;
        sleep_ms(step_ms);
    }
}

}  // namespace quillkit_test

#endif  // QUILLKIT_TESTS_PROCESS_H
