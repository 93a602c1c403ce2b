// process_run.h - running the generator and the compiler: a child with a
// working folder, its output captured, and a time limit.
#ifndef QUILLVIEW_PROCESS_RUN_H
#define QUILLVIEW_PROCESS_RUN_H

#include <sys/types.h>

#include <atomic>
#include <string>
#include <vector>

namespace quillview {

struct CommandResult {
    bool started = false;
    int status = -1;     // exit status, or -signal
    std::string output;  // standard output and standard error together
};

// Runs argv[0] (looked up in PATH) in `cwd` with standard input from
// /dev/null; kills it after `timeout_ms`. While it runs its process id is in
// `running` (when given), so that another thread can kill it.
CommandResult run_command(const std::vector<std::string> &argv, const std::string &cwd,
                          int timeout_ms, std::atomic<pid_t> *running = nullptr);

// Milliseconds of a monotonic clock.
double now_ms();

}  // namespace quillview

#endif  // QUILLVIEW_PROCESS_RUN_H
