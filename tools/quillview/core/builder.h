// builder.h - from a snippet's text to code the render process can draw.
//
// The module is generated in this process by the generator's own module
// writer (what quillmake --line-directives writes). Then one of two paths:
//   - in memory: the module's text goes to the render process, which
//     compiles it with libtcc; the user's C compiler checks the same module
//     afterwards (check()), and its messages are the ones shown;
//   - the C compiler: $CC (default cc) builds a shared object, which the
//     render process loads.
// The first is taken when quillview was built with libtcc and CC is not set.
#ifndef QUILLVIEW_CORE_BUILDER_H
#define QUILLVIEW_CORE_BUILDER_H

#include <sys/types.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "diagnostics.h"
#include "limits.h"
#include "result.h"

namespace quillview {

struct BuildResult {
    bool ok = false;
    std::string object;  // the shared object, when ok on the compiler's path
    std::string module;  // the module's text, when ok on the in-memory path
    // Whether the C compiler has seen this text: its diagnostics are final.
    bool checked = false;
    std::string log;  // what the generator and compiler printed (capped)
    std::vector<Diagnostic> diagnostics;
    double generate_ms = 0, compile_ms = 0;
};

// Where the headers and the compiler are, and which path builds.
struct Toolchain {
    std::vector<std::string> compiler;  // $CC split at blanks, or "cc"
    std::vector<std::string> include_dirs;
    bool in_memory = false;  // libtcc built in, and CC not set
};

// The folders a snippet module's #include lines are looked up in: the kit's
// (next to the installed program, else the build tree's) and cairo's.
quillkit::Result<std::vector<std::string>> find_include_dirs();

// Finds the toolchain: include/quillkit/snippets.h next to the installed
// program, else where the build tree made it, and the compiler in PATH.
// Fails with the fix when the compiler or the headers are missing.
quillkit::Result<Toolchain> find_toolchain();

// Which path builds, in a line for --version: "snippets are compiled in
// memory by libtcc and checked by cc", or "snippets are compiled by cc".
std::string build_path_description();

// The first `max_bytes` of `log`, cut at a line's end, and a count of the
// lines left out.
std::string cap_log(const std::string &log, std::size_t max_bytes);

// Generates and compiles snippets in a private folder of its own, removed
// with it (and by the next Builder, should this process be killed). Each
// build works in the folder `slot` (one per snippet), so several snippets'
// objects live side by side. The generator and the compiler run in a
// process group of their own, within the limits' time and memory.
class Builder {
public:
    static quillkit::Result<std::unique_ptr<Builder>>
    create(const Limits &limits = limits_from_environment());
    ~Builder();
    Builder(const Builder &) = delete;
    Builder &operator=(const Builder &) = delete;

    // Generates the module for `text` and, on the compiler's path, compiles
    // it. On the in-memory path the result holds the module, unchecked.
    BuildResult build(int slot, const std::string &name, const std::string &text);
    // The C compiler's verdict on the module of `text` (-fsyntax-only): its
    // diagnostics, and ok when it has no error.
    BuildResult check(int slot, const std::string &name, const std::string &text);
    bool in_memory() const { return toolchain_.in_memory; }
    // Kills a generator or compiler (and all it started) that build() runs
    // on another thread.
    void interrupt();
    // Kills it as interrupt() does, and for good: no program starts after
    // this returns, whatever thread was about to start one.
    void stop();

private:
    Builder(std::string work, Toolchain toolchain, const Limits &limits)
        : work_(std::move(work)), toolchain_(std::move(toolchain)), limits_(limits)
    {
    }
    quillkit::Result<quillkit::ChildOutcome> run(std::vector<std::string> argv,
                                                 const std::string &cwd);
    // Writes the snippet into its slot and generates its module there as
    // `module_file`; false (with the log) when the files cannot be written.
    bool generate(int slot, const std::string &name, const std::string &text,
                  const std::string &module_file, BuildResult &result);
    // Runs the compiler with `flags` on the module in `slot`.
    void compile(int slot, const std::string &name, const std::string &module_file,
                 const std::vector<std::string> &flags, BuildResult &result);

    std::string work_;
    Toolchain toolchain_;
    Limits limits_;
    unsigned long serial_ = 0;
    std::atomic<pid_t> running_{0};
    std::atomic<bool> starting_{false};  // run() is between its check and the child's pid
    std::atomic<bool> stopped_{false};
};

}  // namespace quillview

#endif  // QUILLVIEW_CORE_BUILDER_H
