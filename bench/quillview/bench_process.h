// bench_process.h - what the live benchmark needs of processes: the
// programs it starts, killed and reaped when they go, and the CPU time and
// children of quillview from /proc.
#ifndef QUILLKIT_BENCH_QUILLVIEW_BENCH_PROCESS_H
#define QUILLKIT_BENCH_QUILLVIEW_BENCH_PROCESS_H

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char **environ;

namespace quillkit_bench {

inline double wall_ms()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

// A child process, killed and reaped when it goes (every wait of the
// benchmark has a deadline).
class Child {
public:
    Child(const std::vector<std::string> &argv, const std::vector<std::string> &env,
          const std::string &cwd, const std::string &err_path, int keep_fd = -1)
    {
        std::vector<std::string> envs(env);
        for (char **e = environ; *e != nullptr; ++e)
            envs.push_back(*e);  // ours after: the first of a name wins
        std::vector<char *> args, envp;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        for (const std::string &e : envs)
            envp.push_back(const_cast<char *>(e.c_str()));
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (keep_fd >= 0)
            posix_spawn_file_actions_adddup2(&actions, keep_fd, keep_fd);
        if (!cwd.empty())
            posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
        if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        const double deadline = wall_ms() + 5000;
        while (waitpid(pid_, nullptr, WNOHANG) == 0) {
            if (wall_ms() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                break;
            }
            usleep(10000);
        }
    }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

// Nanoseconds process `pid` has run on a CPU (0 when it is gone).
inline double cpu_ns(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
    double ns = 0;
    in >> ns;
    return ns;
}

// The render process quillview `parent` started (its command line names it).
inline pid_t render_process(pid_t parent)
{
    const std::string wanted = "--render-server=" + std::to_string(parent);
    for (const auto &entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream in(entry.path() / "cmdline");
        std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (cmdline.find(wanted) != std::string::npos)
            return static_cast<pid_t>(std::atol(entry.path().filename().c_str()));
    }
    return 0;
}

}  // namespace quillkit_bench

#endif  // QUILLKIT_BENCH_QUILLVIEW_BENCH_PROCESS_H
