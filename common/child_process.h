// child_process.h - running another program (not installed): its argv, a
// working folder, its output through a pipe, its own process group, a
// deadline, and the whole group killed when it is stopped.
#ifndef QUILLKIT_COMMON_CHILD_PROCESS_H
#define QUILLKIT_COMMON_CHILD_PROCESS_H

#include <sys/resource.h>
#include <sys/types.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "owned_fd.h"
#include "result.h"

namespace quillkit {

struct ChildSpec {
    std::vector<std::string> argv;  // argv[0] is looked up in PATH unless `program` is set
    std::string program;            // the file to run; empty: argv[0] through PATH
    std::string cwd;                // empty: this process's
    // true: standard output and standard error come back through a pipe
    // (output_fd); false: both go to this process's standard error.
    bool capture_output = true;
    // More descriptors to hand over: {this process's, the child's number}.
    std::vector<std::pair<int, int>> descriptors;
    // Resource limits of the child, {RLIMIT_..., value}; what it starts
    // inherits them.
    std::vector<std::pair<int, rlim_t>> limits;
};

// A running child, leader of its own process group, with standard input
// from /dev/null. Killed with its group and reaped when it goes unwaited.
class ChildProcess {
public:
    static Result<ChildProcess> start(const ChildSpec &plan);

    ChildProcess(ChildProcess &&other) noexcept;
    ChildProcess &operator=(ChildProcess &&other) noexcept;
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;
    ~ChildProcess();

    pid_t pid() const { return pid_; }
    // The read end of the captured output; -1 without capture.
    int output_fd() const { return output_.get(); }
    // Sends `signal` to the child and everything it started in its group.
    void kill_group(int signal) const;
    // Waits for the child to end: its exit status, or minus the signal that
    // ended it. The rest of its group is killed then too.
    int wait();
    // Whether the child has ended (then reaped as by wait()).
    bool ended();

private:
    ChildProcess(pid_t pid, OwnedFd output) : pid_(pid), output_(std::move(output)) {}

    pid_t pid_ = 0;
    OwnedFd output_;
};

struct ChildOutcome {
    int status = -1;  // exit status, or minus the signal
    bool timed_out = false;
    std::string output;  // standard output and standard error together
};

// Runs a child to its end, reading its output, and kills its group at the
// deadline. While it runs its process id is in `running` (when given), so
// that another thread can stop it with kill_process_group. Fails only when
// the child could not be started.
Result<ChildOutcome> run_child(const ChildSpec &plan, int timeout_ms,
                               std::atomic<pid_t> *running = nullptr);

// Kills the process group led by `pid` (a no-op for 0).
void kill_process_group(pid_t pid, int signal);

}  // namespace quillkit

#endif  // QUILLKIT_COMMON_CHILD_PROCESS_H
