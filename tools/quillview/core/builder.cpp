// builder.cpp - generating and compiling a snippet.
#include "builder.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "child_process.h"
#include "read_exact.h"
#include "self_path.h"

namespace quillview {

namespace fs = std::filesystem;
using quillkit::fail;
using quillkit::Result;

namespace {

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

}  // namespace

Result<Toolchain> find_toolchain()
{
    Toolchain tools;
    // Installed, quillmake and the headers are next to the program: bin/
    // and include/quillkit/. In the build tree they are where it made them.
    const fs::path exe_dir = fs::path(quillkit::self_path()).parent_path();
    std::error_code ec;
    if (fs::is_regular_file(exe_dir / "quillmake", ec) &&
        access((exe_dir / "quillmake").c_str(), X_OK) == 0)
        tools.quillmake = (exe_dir / "quillmake").string();
    else
        tools.quillmake = QUILLVIEW_BUILD_QUILLMAKE;
    fs::path include = exe_dir.parent_path() / "include";
    if (!fs::is_regular_file(include / "quillkit" / "snippets.h", ec))
        include = QUILLVIEW_BUILD_INCLUDEDIR;
    if (!fs::is_regular_file(include / "quillkit" / "snippets.h", ec))
        return fail("cannot find quillkit/snippets.h in " +
                    (exe_dir.parent_path() / "include").string() +
                    " (the package libquillkit-dev)");
    tools.include_dirs = {include.string(), (include / "quillkit").string()};
    for (const std::string &dir : split(QUILLVIEW_CAIRO_INCLUDEDIRS, ':'))
        tools.include_dirs.push_back(dir);
    const char *cc = std::getenv("CC");
    tools.compiler = split(cc && *cc ? cc : "cc", ' ');
    return tools;
}

Result<std::unique_ptr<Builder>> Builder::create()
{
    Result<Toolchain> tools = find_toolchain();
    if (!tools)
        return fail(tools.error());
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillview-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        return fail("cannot make a private folder in " + fs::path(pattern).parent_path().string() +
                    ": " + std::strerror(errno));
    return std::unique_ptr<Builder>(new Builder(pattern, std::move(tools.value())));
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

    quillkit::ChildSpec generate;
    generate.argv = {toolchain_.quillmake, "--line-directives", "--output=" + name + ".c", file};
    generate.cwd = dir.string();
    double t0 = quillkit::monotonic_ms();
    Result<quillkit::ChildOutcome> gen = quillkit::run_child(generate, kBuildTimeoutMs, &running_);
    result.generate_ms = quillkit::monotonic_ms() - t0;
    if (!gen || gen->status != 0) {
        result.log = !gen                  ? gen.error()
                     : gen->output.empty() ? "quillmake (" + toolchain_.quillmake + ") failed"
                                           : gen->output;
        return result;
    }

    const std::string object = name + "-" + std::to_string(++serial_) + ".so";
    quillkit::ChildSpec compile;
    compile.argv = toolchain_.compiler;
    for (const char *flag : {"-O0", "-shared", "-fPIC", "-fdiagnostics-color=never"})
        compile.argv.emplace_back(flag);
    for (const std::string &inc : toolchain_.include_dirs)
        compile.argv.push_back("-I" + inc);
    for (const std::string &a : {std::string("-o"), object, name + ".c", std::string("-lm")})
        compile.argv.push_back(a);
    compile.cwd = dir.string();
    t0 = quillkit::monotonic_ms();
    Result<quillkit::ChildOutcome> cc = quillkit::run_child(compile, kBuildTimeoutMs, &running_);
    result.compile_ms = quillkit::monotonic_ms() - t0;
    if (!cc) {
        result.log = "cannot run the C compiler '" + toolchain_.compiler[0] + "'";
        return result;
    }
    result.log = cc->output;
    result.diagnostics = parse_diagnostics(cc->output, file);
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
