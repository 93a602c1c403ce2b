// child_process.cpp - a program started by a test, and always ended with it.
#include "child_process.h"

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char **environ;

namespace quillkit_test {

namespace {

constexpr int terminate_wait_ms = 3000;
constexpr int poll_ms = 10;

// Whether the environment entry `entry` sets the same variable as `mine`.
bool same_variable(const std::string &entry, const std::string &mine)
{
    const std::string::size_type eq = mine.find('=');
    return eq != std::string::npos && entry.compare(0, eq + 1, mine, 0, eq + 1) == 0;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string> &argv,
                           const std::vector<std::string> &env, const std::string &stderr_path,
                           int parent_death_signal)
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
        for (const std::string &mine : env)
            replaced = replaced || same_variable(entry, mine);
        if (!replaced)
            env_strings.push_back(entry);
    }
    env_strings.insert(env_strings.end(), env.begin(), env.end());
    std::vector<char *> envp;
    for (const std::string &e : env_strings)
        envp.push_back(const_cast<char *>(e.c_str()));
    envp.push_back(nullptr);
    const char *err_path = stderr_path.empty() ? "/dev/null" : stderr_path.c_str();
    const pid_t parent = getpid();

    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, parent_death_signal);
        if (getppid() != parent)
            _exit(exec_failed);  // the parent died before prctl
        // Start with the default signal mask, whatever the test had.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        const int null_fd = open("/dev/null", O_RDWR);
        const int err_fd = open(err_path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (null_fd >= 0) {
            dup2(null_fd, STDIN_FILENO);
            dup2(null_fd, STDOUT_FILENO);
        }
        if (err_fd >= 0)
            dup2(err_fd, STDERR_FILENO);
        execve(args[0], args.data(), envp.data());
        _exit(exec_failed);
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
    if (!wait_for_exit(terminate_wait_ms, status)) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
    }
}

bool ChildProcess::wait_for_exit(int timeout_ms, int &wait_status)
{
    for (int waited = 0;; waited += poll_ms) {
        if (!running()) {
            wait_status = status_;
            return true;
        }
        if (waited >= timeout_ms)
            return false;
        sleep_ms(poll_ms);
    }
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

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void sleep_ms(int ms)
{
    timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

}  // namespace quillkit_test
