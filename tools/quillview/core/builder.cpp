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
#include <thread>

#include "memory_compiler.h"
#include "module_writer.h"
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

Result<std::vector<std::string>> find_include_dirs()
{
    // Installed, the headers are next to the program (include/quillkit/);
    // in the build tree they are where it put them.
    const fs::path exe_dir = fs::path(quillkit::self_path()).parent_path();
    std::error_code ec;
    fs::path include = exe_dir.parent_path() / "include";
    if (!fs::is_regular_file(include / "quillkit" / "snippets.h", ec))
        include = QUILLVIEW_BUILD_INCLUDEDIR;
    if (!fs::is_regular_file(include / "quillkit" / "snippets.h", ec))
        return fail("cannot find quillkit/snippets.h in " +
                    (exe_dir.parent_path() / "include").string() +
                    ": install libquillkit-dev, the kit's headers");
    std::vector<std::string> dirs = {include.string(), (include / "quillkit").string()};
    for (const std::string &dir : split(QUILLVIEW_CAIRO_INCLUDEDIRS, ':'))
        dirs.push_back(dir);
    return dirs;
}

Result<Toolchain> find_toolchain()
{
    Toolchain tools;
    Result<std::vector<std::string>> dirs = find_include_dirs();
    if (!dirs)
        return fail(dirs.error());
    tools.include_dirs = std::move(dirs.value());
    const char *cc = std::getenv("CC");
    tools.compiler = split(cc && *cc ? cc : "cc", ' ');
    // CC set means the user's compiler for everything.
    tools.in_memory = memory_compiler_built() && !(cc && *cc);
    if (tools.compiler.empty() || !can_run(tools.compiler[0]))
        return fail("cannot run the C compiler '" +
                    (tools.compiler.empty() ? "" : tools.compiler[0]) +
                    "': install gcc and libquillkit-dev, or set CC to a C compiler");
    return tools;
}

std::string build_path_description()
{
    const char *cc = std::getenv("CC");
    const std::string compiler = cc && *cc ? cc : "cc";
    if (memory_compiler_built() && !(cc && *cc))
        return "snippets are compiled in memory by libtcc and checked by " + compiler;
    return "snippets are compiled by " + compiler +
           (memory_compiler_built() ? " (CC is set)" : " (built without libtcc)");
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

void Builder::stop()
{
    stopped_.store(true);
    // A run() that did not see the flag has a child starting: wait for its
    // pid (a fork's time), then kill it with the rest.
    while (starting_.load() && running_.load() == 0)
        std::this_thread::yield();
    interrupt();
}

Result<quillkit::ChildOutcome> Builder::run(std::vector<std::string> argv, const std::string &cwd)
{
    quillkit::ChildSpec plan;
    plan.argv = std::move(argv);
    plan.cwd = cwd;
    plan.limits = {{RLIMIT_CPU, static_cast<rlim_t>(limits_.build_seconds)},
                   {RLIMIT_AS, static_cast<rlim_t>(limits_.compiler_memory)}};
    starting_.store(true);
    if (stopped_.load()) {
        starting_.store(false);
        return fail("'" + plan.argv[0] + "' was not started: quillview is stopping");
    }
    Result<quillkit::ChildOutcome> outcome =
        quillkit::run_child(plan, limits_.build_seconds * 1000, &running_);
    starting_.store(false);
    if (outcome && (outcome->status == -SIGXCPU || outcome->status == -SIGKILL) &&
        !outcome->timed_out)
        outcome->output += "'" + plan.argv[0] + "' was stopped: it used more than " +
                           std::to_string(limits_.build_seconds) +
                           " s of CPU, or was interrupted\n";
    return outcome;
}

bool Builder::generate(int slot, const std::string &name, const std::string &text,
                       const std::string &module_file, BuildResult &result)
{
    const fs::path dir = fs::path(work_) / std::to_string(slot);
    std::error_code ec;
    fs::create_directories(dir, ec);
    const fs::path snippet = dir / (name + ".cairo");
    const double t0 = quillkit::monotonic_ms();
    quillkit::ModuleOptions options;
    options.line_directives = true;
    options.module_file = module_file;
    options.snippet_files = {snippet.string()};
    result.module = quillkit::render_module({name}, {text}, options);
    for (const auto &[path, bytes] :
         {std::pair{snippet, &text},
          std::pair{dir / module_file, static_cast<const std::string *>(&result.module)}}) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << *bytes;
        if (!out.flush()) {
            result.log = "cannot write " + path.string();
            result.module.clear();
            return false;
        }
    }
    result.generate_ms = quillkit::monotonic_ms() - t0;
    return true;
}

void Builder::compile(int slot, const std::string &name, const std::string &module_file,
                      const std::vector<std::string> &flags, BuildResult &result)
{
    std::vector<std::string> argv = toolchain_.compiler;
    // An undeclared function is an error at its line, never a failure to load.
    for (const char *flag : {"-fdiagnostics-color=never", "-Werror=implicit-function-declaration"})
        argv.emplace_back(flag);
    argv.insert(argv.end(), flags.begin(), flags.end());
    for (const std::string &inc : toolchain_.include_dirs)
        argv.push_back("-I" + inc);
    argv.push_back(as_operand(module_file));
    if (!result.object.empty())
        argv.insert(argv.end(), {"-o", as_operand(result.object), "-lm"});
    const double t0 = quillkit::monotonic_ms();
    Result<quillkit::ChildOutcome> cc =
        run(argv, (fs::path(work_) / std::to_string(slot)).string());
    result.compile_ms = quillkit::monotonic_ms() - t0;
    result.checked = true;
    if (!cc) {
        result.log = "cannot run the C compiler '" + toolchain_.compiler[0] +
                     "': install gcc and libquillkit-dev, or set CC to a C compiler";
        return;
    }
    result.log = cap_log(cc->output, limits_.log_bytes);
    result.diagnostics =
        keep_markers(parse_diagnostics(cc->output, name + ".cairo"), limits_.markers);
    result.ok = cc->status == 0;
}

BuildResult Builder::build(int slot, const std::string &name, const std::string &text)
{
    BuildResult result;
    if (!generate(slot, name, text, name + ".c", result))
        return result;
    if (toolchain_.in_memory) {
        result.ok = true;
        return result;
    }
    const fs::path dir = fs::path(work_) / std::to_string(slot);
    const std::string object = name + "-" + std::to_string(++serial_) + ".so";
    result.object = object;
    result.module.clear();
    compile(slot, name, name + ".c", {"-O0", "-shared", "-fPIC"}, result);
    if (!result.ok) {
        result.object.clear();
        return result;
    }
    // The render process loads each object afresh: older ones can go.
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(dir, ec))
        if (entry.path().extension() == ".so" && entry.path().filename() != object)
            fs::remove(entry.path(), ec);
    result.object = (dir / object).string();
    return result;
}

BuildResult Builder::check(int slot, const std::string &name, const std::string &text)
{
    BuildResult result;
    if (!generate(slot, name, text, name + ".c", result))
        return result;
    result.module.clear();
    compile(slot, name, name + ".c", {"-fsyntax-only"}, result);
    return result;
}

}  // namespace quillview
