// process_run.cpp - running the generator and the compiler.
#include "process_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

extern char **environ;

namespace quillview {

namespace {

// Closes a descriptor when it goes.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

int wait_status_to_int(int ws)
{
    return WIFEXITED(ws) ? WEXITSTATUS(ws) : -WTERMSIG(ws);
}

}  // namespace

double now_ms()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

CommandResult run_command(const std::vector<std::string> &argv, const std::string &cwd,
                          int timeout_ms, std::atomic<pid_t> *running)
{
    CommandResult result;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        result.output = "cannot make a pipe";
        return result;
    }
    Fd read_end(fds[0]), write_end(fds[1]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, write_end.get(), 1);
    posix_spawn_file_actions_adddup2(&actions, write_end.get(), 2);
    if (!cwd.empty())
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int err = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    write_end.reset();
    if (err != 0) {
        result.output = "cannot run '" + argv[0] + "'";
        return result;
    }
    result.started = true;
    if (running)
        running->store(pid);

    const double deadline = now_ms() + timeout_ms;
    bool timed_out = false;
    char buf[4096];
    for (;;) {
        const double left = deadline - now_ms();
        if (left <= 0) {
            timed_out = true;
            break;
        }
        pollfd pfd{read_end.get(), POLLIN, 0};
        const int ready = poll(&pfd, 1, static_cast<int>(left) + 1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        const ssize_t got = read(read_end.get(), buf, sizeof buf);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        result.output.append(buf, static_cast<std::size_t>(got));
    }
    if (timed_out)
        kill(pid, SIGKILL);
    int ws = 0;
    while (waitpid(pid, &ws, 0) < 0 && errno == EINTR) {
    }
    if (running)
        running->store(0);
    result.status = wait_status_to_int(ws);
    if (timed_out)
        result.output += "'" + argv[0] + "' took more than " + std::to_string(timeout_ms / 1000) +
                         " s and was stopped\n";
    return result;
}

}  // namespace quillview
