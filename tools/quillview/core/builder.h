// builder.h - from a snippet's text to a compiled object, the way a user's
// build makes it: quillmake --line-directives, then the C compiler into a
// shared object.
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
    std::string object;  // the shared object, when ok
    std::string log;     // what the generator and compiler printed (capped)
    std::vector<Diagnostic> diagnostics;
    double generate_ms = 0, compile_ms = 0;
};

// Where the generator, the headers and the compiler are.
struct Toolchain {
    std::string quillmake;
    std::vector<std::string> compiler;  // $CC split at blanks, or "cc"
    std::vector<std::string> include_dirs;
};

// Finds the toolchain: quillmake and include/quillkit/snippets.h next to the
// installed program, else where the build tree made them, and the compiler
// in PATH. Fails with the fix when the compiler or the headers are missing.
quillkit::Result<Toolchain> find_toolchain();

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

    BuildResult build(int slot, const std::string &name, const std::string &text);
    // Kills a generator or compiler (and all it started) that build() runs
    // on another thread.
    void interrupt();

private:
    Builder(std::string work, Toolchain toolchain, const Limits &limits)
        : work_(std::move(work)), toolchain_(std::move(toolchain)), limits_(limits)
    {
    }
    quillkit::Result<quillkit::ChildOutcome> run(std::vector<std::string> argv,
                                                 const std::string &cwd, bool compiler);

    std::string work_;
    Toolchain toolchain_;
    Limits limits_;
    unsigned long serial_ = 0;
    std::atomic<pid_t> running_{0};
};

}  // namespace quillview

#endif  // QUILLVIEW_CORE_BUILDER_H
