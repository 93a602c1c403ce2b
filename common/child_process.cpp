// child_process.cpp - running another program in a process group of its own.
#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "read_exact.h"

extern char **environ;

namespace quillkit {

namespace {

// posix_spawn's file actions, destroyed when they go.
class FileActions {
public:
    FileActions() { posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
    FileActions(const FileActions &) = delete;
    FileActions &operator=(const FileActions &) = delete;
    posix_spawn_file_actions_t *get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

class SpawnAttributes {
public:
    SpawnAttributes()
    {
        posix_spawnattr_init(&attr_);
        // A group of its own, so that stopping it stops what it started
        // (the compiler driver's cc1, a snippet's forks).
        posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                             POSIX_SPAWN_SETSIGDEF);
        posix_spawnattr_setpgroup(&attr_, 0);
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attr_, &none);
        // Signals this process ignores (SIGPIPE) are the default again.
        posix_spawnattr_setsigdefault(&attr_, &all);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attr_); }
    SpawnAttributes(const SpawnAttributes &) = delete;
    SpawnAttributes &operator=(const SpawnAttributes &) = delete;
    posix_spawnattr_t *get() { return &attr_; }

private:
    posix_spawnattr_t attr_;
};

int decode_wait_status(int ws)
{
    return WIFEXITED(ws) ? WEXITSTATUS(ws) : -WTERMSIG(ws);
}

}  // namespace

void kill_process_group(pid_t pid, int signal)
{
    if (pid > 0)
        ::kill(-pid, signal);
}

Result<ChildProcess> ChildProcess::start(const ChildSpec &plan)
{
    if (plan.argv.empty())
        return fail("no program to run");
    OwnedFd read_end, write_end;
    if (plan.capture_output) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return fail(std::string("cannot make a pipe: ") + std::strerror(errno));
        read_end = OwnedFd(fds[0]);
        write_end = OwnedFd(fds[1]);
    }
    FileActions actions;
    posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
    if (plan.capture_output) {
        posix_spawn_file_actions_adddup2(actions.get(), write_end.get(), 1);
        posix_spawn_file_actions_adddup2(actions.get(), write_end.get(), 2);
    } else {
        posix_spawn_file_actions_adddup2(actions.get(), 2, 1);
    }
    for (const auto &[from, to] : plan.descriptors)
        posix_spawn_file_actions_adddup2(actions.get(), from, to);
    if (!plan.cwd.empty())
        posix_spawn_file_actions_addchdir_np(actions.get(), plan.cwd.c_str());
    SpawnAttributes attributes;
    std::vector<char *> args;
    for (const std::string &a : plan.argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int err = plan.program.empty() ? posix_spawnp(&pid, args[0], actions.get(),
                                                        attributes.get(), args.data(), environ)
                                         : posix_spawn(&pid, plan.program.c_str(), actions.get(),
                                                       attributes.get(), args.data(), environ);
    if (err != 0) {
        const std::string &name = plan.program.empty() ? plan.argv[0] : plan.program;
        return fail("cannot run '" + name + "': " + std::strerror(err));
    }
    ChildProcess child(pid, std::move(read_end));
    // posix_spawn returns once the child has called exec, so the limits
    // are set while the new program is still being loaded: before a
    // compiler driver can start its passes, which inherit them.
    for (const auto &[resource, value] : plan.limits) {
        const rlimit limit{value, value};
        if (prlimit(pid, static_cast<__rlimit_resource>(resource), &limit, nullptr) != 0)
            return fail("cannot limit '" + plan.argv[0] + "': " + std::strerror(errno));
    }
    return child;
}

ChildProcess::ChildProcess(ChildProcess &&other) noexcept
    : pid_(std::exchange(other.pid_, 0)), output_(std::move(other.output_))
{
}

ChildProcess &ChildProcess::operator=(ChildProcess &&other) noexcept
{
    if (this != &other) {
        if (pid_ > 0) {
            kill_group(SIGKILL);
            wait();
        }
        pid_ = std::exchange(other.pid_, 0);
        output_ = std::move(other.output_);
    }
    return *this;
}

ChildProcess::~ChildProcess()
{
    if (pid_ > 0) {
        kill_group(SIGKILL);
        wait();
    }
}

void ChildProcess::kill_group(int signal) const
{
    kill_process_group(pid_, signal);
}

int ChildProcess::wait()
{
    if (pid_ <= 0)
        return -1;
    int ws = 0;
    while (waitpid(pid_, &ws, 0) < 0 && errno == EINTR) {
    }
    // Whatever the child left running in its group goes with it.
    kill_group(SIGKILL);
    pid_ = 0;
    return decode_wait_status(ws);
}

bool ChildProcess::ended()
{
    if (pid_ <= 0)
        return true;
    int ws = 0;
    pid_t got;
    while ((got = waitpid(pid_, &ws, WNOHANG)) < 0 && errno == EINTR) {
    }
    if (got == 0)
        return false;
    kill_group(SIGKILL);
    pid_ = 0;
    return true;
}

Result<ChildOutcome> run_child(const ChildSpec &plan, int timeout_ms, std::atomic<pid_t> *running)
{
    Result<ChildProcess> started = ChildProcess::start(plan);
    if (!started)
        return fail(started.error());
    ChildProcess &child = started.value();
    if (running)
        running->store(child.pid());
    ChildOutcome outcome;
    const double deadline = monotonic_ms() + timeout_ms;
    char buf[4096];
    while (child.output_fd() >= 0) {
        const double left = deadline - monotonic_ms();
        if (left <= 0) {
            outcome.timed_out = true;
            break;
        }
        pollfd pfd{child.output_fd(), POLLIN, 0};
        const int ready = poll(&pfd, 1, static_cast<int>(left) + 1);
        if (ready <= 0)
            continue;
        const ssize_t got = ::read(child.output_fd(), buf, sizeof buf);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        outcome.output.append(buf, static_cast<std::size_t>(got));
    }
    if (outcome.timed_out)
        child.kill_group(SIGKILL);
    if (running)
        running->store(0);
    outcome.status = child.wait();
    if (outcome.timed_out)
        outcome.output += "'" + plan.argv[0] + "' took more than " +
                          std::to_string(timeout_ms / 1000) + " s and was stopped\n";
    return outcome;
}

}  // namespace quillkit
