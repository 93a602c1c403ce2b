// builder.cpp - generating and compiling a snippet.
#include "builder.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "read_exact.h"
#include "self_path.h"

namespace quillview {

namespace fs = std::filesystem;
using quillkit::fail;
using quillkit::Result;

namespace {

constexpr const char *kFolderPrefix = "quillview-";

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

bool is_executable_file(const fs::path &path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Whether `program` runs: a path as it is, a bare name through PATH.
bool can_run(const std::string &program)
{
    if (program.find('/') != std::string::npos)
        return is_executable_file(program);
    const char *path = std::getenv("PATH");
    for (const std::string &dir : split(path ? path : "/usr/bin:/bin", ':'))
        if (is_executable_file(fs::path(dir) / program))
            return true;
    return false;
}

// Removes the private folders of quillview processes that are gone: named
// quillview-PID-XXXXXX, this user's, and PID no longer running.
void remove_leftovers(const fs::path &tmp)
{
    std::error_code ec;
    for (fs::directory_iterator it(tmp, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(kFolderPrefix, 0) != 0)
            continue;
        char *rest = nullptr;
        const long pid = std::strtol(name.c_str() + std::strlen(kFolderPrefix), &rest, 10);
        struct stat st {};
        if (pid <= 0 || *rest != '-' || lstat(it->path().c_str(), &st) != 0 ||
            !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
            continue;
        if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            std::error_code ignored;
            fs::remove_all(it->path(), ignored);
        }
    }
}

// A file name as an argument that no program takes for an option.
std::string as_operand(const std::string &file)
{
    return file.empty() || file[0] != '-' ? file : "./" + file;
}

// At most `count` messages, errors first: a flood of warnings never hides
// the error that stops the build. They stay in the compiler's order.
std::vector<Diagnostic> keep_markers(std::vector<Diagnostic> all, std::size_t count)
{
    if (all.size() <= count)
        return all;
    std::vector<bool> kept(all.size(), false);
    std::size_t taken = 0;
    for (bool errors : {true, false})
        for (std::size_t i = 0; i < all.size() && taken < count; i++)
            if (!kept[i] && (all[i].severity == "error") == errors)
                kept[i] = true, taken++;
    std::vector<Diagnostic> some;
    for (std::size_t i = 0; i < all.size(); i++)
        if (kept[i])
            some.push_back(std::move(all[i]));
    return some;
}

}  // namespace

std::string cap_log(const std::string &log, std::size_t max_bytes)
{
    if (log.size() <= max_bytes)
        return log;
    std::size_t cut = log.rfind('\n', max_bytes);
    cut = cut == std::string::npos ? max_bytes : cut + 1;
    const auto dropped =
        std::count(log.begin() + static_cast<std::ptrdiff_t>(cut), log.end(), '\n') +
        (log.back() == '\n' ? 0 : 1);
    return log.substr(0, cut) + "[" + std::to_string(dropped) + " more lines not shown]\n";
}

Result<Toolchain> find_toolchain()
{
    Toolchain tools;
    // Installed, quillmake and the headers are next to the program: bin/
    // and include/quillkit/. In the build tree they are where it made them.
    const fs::path exe_dir = fs::path(quillkit::self_path()).parent_path();
    tools.quillmake = is_executable_file(exe_dir / "quillmake") ? (exe_dir / "quillmake").string()
                                                                : QUILLVIEW_BUILD_QUILLMAKE;
    std::error_code ec;
    fs::path include = exe_dir.parent_path() / "include";
    if (!fs::is_regular_file(include / "quillkit" / "snippets.h", ec))
        include = QUILLVIEW_BUILD_INCLUDEDIR;
    if (!fs::is_regular_file(include / "quillkit" / "snippets.h", ec))
        return fail("cannot find quillkit/snippets.h in " +
                    (exe_dir.parent_path() / "include").string() +
                    ": install libquillkit-dev, the kit's headers");
    tools.include_dirs = {include.string(), (include / "quillkit").string()};
    for (const std::string &dir : split(QUILLVIEW_CAIRO_INCLUDEDIRS, ':'))
        tools.include_dirs.push_back(dir);
    const char *cc = std::getenv("CC");
    tools.compiler = split(cc && *cc ? cc : "cc", ' ');
    if (tools.compiler.empty() || !can_run(tools.compiler[0]))
        return fail("cannot run the C compiler '" +
                    (tools.compiler.empty() ? "" : tools.compiler[0]) +
                    "': install gcc and libquillkit-dev, or set CC to a C compiler");
    return tools;
}

Result<std::unique_ptr<Builder>> Builder::create(const Limits &limits)
{
    Result<Toolchain> tools = find_toolchain();
    if (!tools)
        return fail(tools.error());
    const char *tmp = std::getenv("TMPDIR");
    const fs::path tmp_dir = tmp && *tmp ? tmp : "/tmp";
    remove_leftovers(tmp_dir);
    std::string pattern =
        (tmp_dir / (kFolderPrefix + std::to_string(getpid()) + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr)
        return fail("cannot make a private folder in " + tmp_dir.string() + ": " +
                    std::strerror(errno));
    return std::unique_ptr<Builder>(new Builder(pattern, std::move(tools.value()), limits));
}

Builder::~Builder()
{
    std::error_code ec;
    fs::remove_all(work_, ec);
}

void Builder::interrupt()
{
    quillkit::kill_process_group(running_.load(), SIGKILL);
}

Result<quillkit::ChildOutcome> Builder::run(std::vector<std::string> argv, const std::string &cwd,
                                            bool compiler)
{
    quillkit::ChildSpec spec;
    spec.argv = std::move(argv);
    spec.cwd = cwd;
    const rlim_t seconds = static_cast<rlim_t>(limits_.build_seconds);
    spec.limits = {{RLIMIT_CPU, seconds}};
    if (compiler)
        spec.limits.emplace_back(RLIMIT_AS, static_cast<rlim_t>(limits_.compiler_memory));
    Result<quillkit::ChildOutcome> outcome =
        quillkit::run_child(spec, limits_.build_seconds * 1000, &running_);
    if (outcome && (outcome->status == -SIGXCPU || outcome->status == -SIGKILL) &&
        !outcome->timed_out)
        outcome->output += "'" + spec.argv[0] + "' was stopped: it used more than " +
                           std::to_string(limits_.build_seconds) +
                           " s of CPU, or was interrupted\n";
    return outcome;
}

BuildResult Builder::build(int slot, const std::string &name, const std::string &text)
{
    BuildResult result;
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

    double t0 = quillkit::monotonic_ms();
    Result<quillkit::ChildOutcome> gen = run(
        {toolchain_.quillmake, "--line-directives", "--output=" + name + ".c", as_operand(file)},
        dir, false);
    result.generate_ms = quillkit::monotonic_ms() - t0;
    if (!gen || gen->status != 0) {
        result.log = !gen                  ? gen.error()
                     : gen->output.empty() ? "quillmake (" + toolchain_.quillmake + ") failed"
                                           : cap_log(gen->output, limits_.log_bytes);
        return result;
    }

    const std::string object = name + "-" + std::to_string(++serial_) + ".so";
    std::vector<std::string> argv = toolchain_.compiler;
    for (const char *flag : {"-O0", "-shared", "-fPIC", "-fdiagnostics-color=never"})
        argv.emplace_back(flag);
    for (const std::string &inc : toolchain_.include_dirs)
        argv.push_back("-I" + inc);
    for (const std::string &a :
         {std::string("-o"), as_operand(object), as_operand(name + ".c"), std::string("-lm")})
        argv.push_back(a);
    t0 = quillkit::monotonic_ms();
    Result<quillkit::ChildOutcome> cc = run(argv, dir, true);
    result.compile_ms = quillkit::monotonic_ms() - t0;
    if (!cc) {
        result.log = "cannot run the C compiler '" + toolchain_.compiler[0] +
                     "': install gcc and libquillkit-dev, or set CC to a C compiler";
        return result;
    }
    result.log = cap_log(cc->output, limits_.log_bytes);
    result.diagnostics = keep_markers(parse_diagnostics(cc->output, file), limits_.markers);
    if (cc->status != 0)
        return result;

    // The render process loads each object afresh: older ones can go.
    for (const auto &entry : fs::directory_iterator(dir, ec))
        if (entry.path().extension() == ".so" && entry.path().filename() != object)
            fs::remove(entry.path(), ec);
    result.ok = true;
    result.object = (dir / object).string();
    return result;
}

}  // namespace quillview
