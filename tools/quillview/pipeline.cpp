// pipeline.cpp - generating, compiling and drawing a snippet.
#include "pipeline.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "process_run.h"
#include "write_all.h"

extern char **environ;

namespace quillview {

namespace fs = std::filesystem;

namespace {

// How long the pixels of a picture may take to arrive once it is drawn.
constexpr int kTransferTimeoutMs = 10000;

struct RequestHeader {
    std::uint32_t kind, size, object_len, folder_len, out_len;
};

struct ReplyHeader {
    std::uint32_t ok, width, height, message_len;
    double load_ms, draw_ms;
};

std::string exe_path()
{
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

std::vector<std::string> split(const std::string &text, char sep)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, sep))
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

bool write_all(int fd, const void *data, std::size_t len)
{
    return quillkit::write_all(fd, data, len) == 0;
}

// Reads exactly `len` bytes by `deadline` (now_ms); 1 done, 0 the other
// side closed, -1 the deadline passed.
int read_all(int fd, void *data, std::size_t len, double deadline)
{
    char *p = static_cast<char *>(data);
    while (len > 0) {
        const double left = deadline - now_ms();
        if (left <= 0)
            return -1;
        pollfd pfd{fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, static_cast<int>(left) + 1);
        if (ready < 0 && errno != EINTR)
            return 0;
        if (ready <= 0)
            continue;
        const ssize_t n = read(fd, p, len);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return 0;
        p += n;
        len -= static_cast<std::size_t>(n);
    }
    return 1;
}

}  // namespace

std::vector<Diagnostic> parse_diagnostics(const std::string &log, const std::string &snippet_file)
{
    std::vector<Diagnostic> found;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        // file:line:column: severity: text
        const std::size_t c1 = line.find(':');
        if (c1 == std::string::npos || c1 == 0)
            continue;
        char *end = nullptr;
        const long ln = std::strtol(line.c_str() + c1 + 1, &end, 10);
        if (end == line.c_str() + c1 + 1 || *end != ':')
            continue;
        char *end2 = nullptr;
        long col = std::strtol(end + 1, &end2, 10);
        if (end2 == end + 1)
            end2 = end, col = 0;  // file:line: severity: text
        if (*end2 != ':' || end2[1] != ' ')
            continue;
        const std::string rest = end2 + 2;
        const std::size_t c2 = rest.find(": ");
        if (c2 == std::string::npos)
            continue;
        Diagnostic d;
        d.severity = rest.substr(0, c2);
        if (d.severity == "fatal error")
            d.severity = "error";
        if (d.severity != "error" && d.severity != "warning" && d.severity != "note")
            continue;
        d.text = rest.substr(c2 + 2);
        // quillmake names the snippet by its absolute path in the private
        // folder, which holds this one snippet alone.
        const std::string file = line.substr(0, c1);
        const std::string tail = "/" + snippet_file;
        if (file == snippet_file ||
            (file.size() > tail.size() &&
             file.compare(file.size() - tail.size(), tail.size(), tail) == 0)) {
            d.line = static_cast<int>(ln);
            d.column = static_cast<int>(col);
        }
        found.push_back(d);
    }
    return found;
}

Builder::Builder()
{
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillview-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        error_ = "cannot make a private folder in " + fs::path(pattern).parent_path().string() +
                 ": " + std::strerror(errno);
        return;
    }
    work_ = pattern;

    // Installed, quillmake and the headers are next to the program: bin/
    // and include/quillkit/. In the build tree they are where it made them.
    const fs::path exe_dir = fs::path(exe_path()).parent_path();
    std::error_code ec;
    if (fs::is_regular_file(exe_dir / "quillmake", ec) &&
        access((exe_dir / "quillmake").c_str(), X_OK) == 0)
        quillmake_ = (exe_dir / "quillmake").string();
    else
        quillmake_ = QUILLVIEW_BUILD_QUILLMAKE;
    fs::path include = exe_dir.parent_path() / "include";
    if (!fs::is_regular_file(include / "quillkit" / "snippets.h", ec))
        include = QUILLVIEW_BUILD_INCLUDEDIR;
    if (!fs::is_regular_file(include / "quillkit" / "snippets.h", ec)) {
        error_ = "cannot find quillkit/snippets.h in " +
                 (exe_dir.parent_path() / "include").string() + " (the package libquillkit-dev)";
        return;
    }
    include_dirs_ = {include.string(), (include / "quillkit").string()};
    for (const std::string &dir : split(QUILLVIEW_CAIRO_INCLUDEDIRS, ':'))
        include_dirs_.push_back(dir);

    const char *cc = std::getenv("CC");
    compiler_ = split(cc && *cc ? cc : "cc", ' ');
}

Builder::~Builder()
{
    if (!work_.empty()) {
        std::error_code ec;
        fs::remove_all(work_, ec);
    }
}

void Builder::interrupt()
{
    const pid_t pid = running_.load();
    if (pid > 0)
        kill(pid, SIGKILL);
}

BuildResult Builder::build(int slot, const std::string &name, const std::string &text)
{
    BuildResult result;
    if (!ok()) {
        result.log = error_;
        return result;
    }
    const fs::path dir = fs::path(work_) / std::to_string(slot);
    std::error_code ec;
    fs::create_directories(dir, ec);
    const std::string file = name + ".cairo";
    {
        std::ofstream out(dir / file, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            result.log = "cannot write " + (dir / file).string();
            return result;
        }
    }

    double t0 = now_ms();
    const std::string module = name + ".c";
    CommandResult gen = run_command({quillmake_, "--line-directives", "--output=" + module, file},
                                    dir.string(), kBuildTimeoutMs, &running_);
    result.generate_ms = now_ms() - t0;
    if (gen.status != 0) {
        result.log = gen.output.empty() ? "quillmake (" + quillmake_ + ") failed" : gen.output;
        return result;
    }

    const std::string object = name + "-" + std::to_string(++serial_) + ".so";
    std::vector<std::string> argv = compiler_;
    for (const char *flag : {"-O0", "-shared", "-fPIC", "-fdiagnostics-color=never"})
        argv.push_back(flag);
    for (const std::string &inc : include_dirs_)
        argv.push_back("-I" + inc);
    for (const std::string &a : {std::string("-o"), object, module, std::string("-lm")})
        argv.push_back(a);
    t0 = now_ms();
    CommandResult cc = run_command(argv, dir.string(), kBuildTimeoutMs, &running_);
    result.compile_ms = now_ms() - t0;
    result.log = cc.started ? cc.output : "cannot run the C compiler '" + compiler_[0] + "'";
    result.diagnostics = parse_diagnostics(cc.output, file);
    if (cc.status != 0)
        return result;

    // The render process loads each object afresh: older ones can go.
    for (const auto &entry : fs::directory_iterator(dir, ec))
        if (entry.path().extension() == ".so" && entry.path().filename() != object)
            fs::remove(entry.path(), ec);
    result.ok = true;
    result.object = (dir / object).string();
    return result;
}

RenderClient::~RenderClient()
{
    stop();
}

void RenderClient::interrupt()
{
    const pid_t pid = pid_.load();
    if (pid > 0)
        kill(pid, SIGKILL);
}

bool RenderClient::start(std::string &error)
{
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        error = std::string("cannot make a socket for the render process: ") + std::strerror(errno);
        return false;
    }
    // Never number 3 itself: dup2 onto the same number would keep close-on-exec.
    const int child_end = fcntl(pair[1], F_DUPFD_CLOEXEC, 10);
    close(pair[1]);
    const std::string exe = exe_path();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // Whatever a snippet prints goes to standard error, away from the replies.
    posix_spawn_file_actions_adddup2(&actions, 2, 1);
    posix_spawn_file_actions_adddup2(&actions, child_end, kRenderServerFd);
    std::string arg0 = "quillview", arg1 = "--render-server";
    char *argv[] = {arg0.data(), arg1.data(), nullptr};
    pid_t pid = -1;
    const int err = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(child_end);
    if (err != 0) {
        close(pair[0]);
        error = "cannot start the render process " + exe + ": " + std::strerror(err);
        return false;
    }
    socket_ = pair[0];
    pid_.store(pid);
    return true;
}

void RenderClient::stop()
{
    if (socket_ >= 0)
        close(socket_);
    socket_ = -1;
    const pid_t pid = pid_.exchange(0);
    if (pid > 0) {
        kill(pid, SIGKILL);
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

RenderResult RenderClient::render(const std::string &object, const std::string &folder, int size,
                                  RenderKind kind, const std::string &out)
{
    RenderResult result;
    if (socket_ < 0 && !start(result.failure))
        return result;

    const RequestHeader request{static_cast<std::uint32_t>(kind), static_cast<std::uint32_t>(size),
                                static_cast<std::uint32_t>(object.size()),
                                static_cast<std::uint32_t>(folder.size()),
                                static_cast<std::uint32_t>(out.size())};
    ReplyHeader reply{};
    const bool sent = write_all(socket_, &request, sizeof request) &&
                      write_all(socket_, object.data(), object.size()) &&
                      write_all(socket_, folder.data(), folder.size()) &&
                      write_all(socket_, out.data(), out.size());
    int got = sent ? read_all(socket_, &reply, sizeof reply, now_ms() + kRenderTimeoutMs) : 0;
    std::string message(got == 1 ? reply.message_len : 0, '\0');
    const bool with_pixels = got == 1 && reply.ok && kind == RenderKind::kPixels;
    if (with_pixels)
        result.pixels.resize(static_cast<std::size_t>(reply.width) * reply.height);
    const double transfer_deadline = now_ms() + kTransferTimeoutMs;
    if (got == 1)
        got = read_all(socket_, message.data(), message.size(), transfer_deadline);
    if (got == 1 && with_pixels)
        got = read_all(socket_, result.pixels.data(), result.pixels.size() * 4, transfer_deadline);

    if (got == 1) {
        result.ok = reply.ok != 0;
        result.failure = message;
        result.width = static_cast<int>(reply.width);
        result.height = static_cast<int>(reply.height);
        result.load_ms = reply.load_ms;
        result.draw_ms = reply.draw_ms;
        return result;
    }
    result.pixels.clear();
    const pid_t pid = pid_.exchange(0);
    if (got < 0) {
        kill(pid, SIGKILL);
        result.failure = "the snippet ran for more than " +
                         std::to_string(kRenderTimeoutMs / 1000) + " s and was stopped";
    }
    int ws = 0;
    while (waitpid(pid, &ws, 0) < 0 && errno == EINTR) {
    }
    close(socket_);
    socket_ = -1;
    if (got < 0)
        return result;
    if (WIFSIGNALED(ws) && WTERMSIG(ws) == SIGKILL && !sent)
        result.failure = "the render process was stopped";
    else if (WIFSIGNALED(ws))
        result.failure = std::string("the snippet crashed (") + strsignal(WTERMSIG(ws)) + ")";
    else
        result.failure = "the snippet ended the render process (exit status " +
                         std::to_string(WEXITSTATUS(ws)) + ")";
    return result;
}

}  // namespace quillview
