// child_process.h - a program started by a test, and always ended with it.
#ifndef QUILLKIT_TESTS_CHILD_PROCESS_H
#define QUILLKIT_TESTS_CHILD_PROCESS_H

#include <csignal>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quillkit_test {

class ChildProcess {
public:
    // Starts `argv[0]` (a path) with `argv`, with the variables in `env`
    // ("NAME=value") added to this process's environment. Its standard input
    // and output are /dev/null, its standard error goes to `stderr_path` (or
    // /dev/null when empty). The child gets `parent_death_signal` should the
    // test process die first; a server that must tidy up after itself (an X
    // server's lock file and socket) wants SIGTERM here.
    ChildProcess(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                 const std::string &stderr_path = "", int parent_death_signal = SIGKILL);
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
    static constexpr int exec_failed = 127;

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
};

// Reads a whole file (empty if it cannot be read).
std::string read_file(const std::string &path);

// Sleeps for `ms` milliseconds.
void sleep_ms(int ms);

}  // namespace quillkit_test

#endif
