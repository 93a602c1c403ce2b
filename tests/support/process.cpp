// process.cpp - programs started by tests: always with a time limit, never
// outliving the test.
#include "process.h"

#include "files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char **environ;

namespace quillkit_test {

namespace {

constexpr int kTerminateWaitMs = 3000;
constexpr int kPollMs = 5;

// Whether the environment entry `entry` sets the same variable as `mine`.
bool same_variable(const std::string &entry, const std::string &mine)
{
    const std::string::size_type eq = mine.find('=');
    return eq != std::string::npos && entry.compare(0, eq + 1, mine, 0, eq + 1) == 0;
}

// Opens `path` (or /dev/null) onto `fd` in the child. Only async-signal-safe
// calls: this runs between fork and exec.
void redirect(const char *path, int flags, int fd)
{
    const int opened = open(path, flags, 0644);
    if (opened >= 0 && opened != fd) {
        dup2(opened, fd);
        close(opened);
    }
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string> &argv, const ChildOptions &options)
{
    if (argv.empty())
        return;
    // Everything the child needs is built before fork: after it, only
    // async-signal-safe calls.
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> env_strings;
    for (char **e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const std::string &mine : options.env)
            replaced = replaced || same_variable(entry, mine);
        if (!replaced)
            env_strings.push_back(entry);
    }
    env_strings.insert(env_strings.end(), options.env.begin(), options.env.end());
    std::vector<char *> envp;
    for (const std::string &e : env_strings)
        envp.push_back(const_cast<char *>(e.c_str()));
    envp.push_back(nullptr);
    const std::string out_path =
        options.stdout_path.empty() ? "/dev/null" : options.stdout_path.string();
    const std::string err_path =
        options.stderr_path.empty() ? "/dev/null" : options.stderr_path.string();
    const std::string cwd = options.cwd.string();
    const pid_t parent = getpid();

    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, options.parent_death_signal);
        if (getppid() != parent)
            _exit(kExecFailed);  // the parent died before prctl
        // Start with the default signal mask, whatever the test had.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        redirect("/dev/null", O_RDONLY, STDIN_FILENO);
        redirect(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, STDOUT_FILENO);
        redirect(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, STDERR_FILENO);
        if (options.inherit_fd >= 0)
            fcntl(options.inherit_fd, F_SETFD, 0);  // keep it across exec
        if (!cwd.empty() && chdir(cwd.c_str()) != 0)
            _exit(kExecFailed);
        execve(args[0], args.data(), envp.data());
        _exit(kExecFailed);
    }
}

ChildProcess::~ChildProcess()
{
    if (!running())
        return;
    // Ask first, so that it can clean up (an X server removes its lock file
    // and socket); insist if it does not go.
    kill(pid_, SIGTERM);
    int status = 0;
    if (!wait_for_exit(kTerminateWaitMs, status)) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
    }
}

bool ChildProcess::wait_for_exit(int timeout_ms, int &wait_status)
{
    if (!wait_until([this] { return !running(); }, timeout_ms, kPollMs))
        return false;
    wait_status = status_;
    return true;
}

bool ChildProcess::running()
{
    if (pid_ <= 0 || reaped_)
        return false;
    if (waitpid(pid_, &status_, WNOHANG) == pid_)
        reaped_ = true;
    return !reaped_;
}

void ChildProcess::send_signal(int sig)
{
    if (running())
        kill(pid_, sig);
}

RunResult run_program(const std::vector<std::string> &argv, const ChildOptions &options,
                      int timeout_ms)
{
    RunResult result;
    char dir_template[] = "/tmp/quillkit-run-XXXXXX";
    if (mkdtemp(dir_template) == nullptr) {
        ADD_FAILURE() << "mkdtemp failed";
        return result;
    }
    const std::filesystem::path dir = dir_template;
    ChildOptions captured = options;
    captured.stdout_path = dir / "out";
    captured.stderr_path = dir / "err";
    {
        ChildProcess child(argv, captured);
        int status = 0;
        if (!child.started()) {
            ADD_FAILURE() << "cannot start " << argv.at(0);
        } else if (!child.wait_for_exit(timeout_ms, status)) {
            result.timed_out = true;
            child.send_signal(SIGKILL);
            child.wait_for_exit(kTerminateWaitMs, status);
            ADD_FAILURE() << argv.at(0) << " still ran after " << timeout_ms << " ms: killed";
            result.status = -SIGKILL;
        } else if (WIFEXITED(status)) {
            result.status = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            result.status = -WTERMSIG(status);
        }
    }
    result.out = read_file(captured.stdout_path);
    result.err = read_file(captured.stderr_path);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return result;
}

int run_forked(const std::function<int()> &body, int timeout_ms)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        _exit(body() & 0xff);  // no exit handlers: the parent owns them
    }
    if (pid < 0) {
        ADD_FAILURE() << "fork failed";
        return -1;
    }
    int status = 0;
    const bool ended =
        wait_until([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeout_ms, kPollMs);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

void sleep_ms(int ms)
{
    timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

long long monotonic_ms()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace quillkit_test
