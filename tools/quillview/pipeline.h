// pipeline.h - from a snippet's text to its picture, the way a user's build
// would make it: quillmake --line-directives, the C compiler into a shared
// object, and a separate render process that loads and draws it.
//
// Snippet code runs only in the render process. Should it crash, loop past
// the time limit or leave cairo in an error state, the caller gets that as a
// message, and the next request starts a fresh render process.
#ifndef QUILLVIEW_PIPELINE_H
#define QUILLVIEW_PIPELINE_H

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace quillview {

// The longest a snippet may draw.
constexpr int kRenderTimeoutMs = 2000;
// The largest picture side the render process draws.
constexpr int kMaxRenderSize = 8192;
// The longest the generator or the compiler may take.
constexpr int kBuildTimeoutMs = 60000;

// One message of the compiler about a line of the snippet (line 0: about
// the rest of the module).
struct Diagnostic {
    int line = 0;
    int column = 0;
    std::string severity;  // "error", "warning", "note"
    std::string text;
};

struct BuildResult {
    bool ok = false;
    std::string object;  // the shared object, when ok
    std::string log;     // what the generator and compiler printed
    std::vector<Diagnostic> diagnostics;
    double generate_ms = 0, compile_ms = 0;
};

// What a render request asks for: pixels back, or a file written.
enum class RenderKind : std::uint32_t { kPixels = 0, kPng = 1, kSvg = 2, kPdf = 3 };

struct RenderResult {
    bool ok = false;
    std::string failure;  // why there is no picture
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // premultiplied ARGB32, when kPixels
    double load_ms = 0, draw_ms = 0;
};

// Reads the compiler's `file:line:column: severity: text` lines about
// `snippet_file` (other files' lines come back with line 0).
std::vector<Diagnostic> parse_diagnostics(const std::string &log, const std::string &snippet_file);

// Generates and compiles snippets in a private folder of its own, removed
// with it. Each call to build() works in the folder `slot` (one per
// snippet), so several snippets' objects live side by side.
class Builder {
public:
    Builder();
    ~Builder();
    Builder(const Builder &) = delete;
    Builder &operator=(const Builder &) = delete;

    // Whether the private folder and the tools were found; error() says why not.
    bool ok() const { return error_.empty(); }
    const std::string &error() const { return error_; }

    BuildResult build(int slot, const std::string &name, const std::string &text);
    // Kills a generator or compiler that build() runs on another thread.
    void interrupt();

private:
    std::string work_;
    std::string quillmake_;
    std::vector<std::string> compiler_;
    std::vector<std::string> include_dirs_;
    std::string error_;
    unsigned long serial_ = 0;
    std::atomic<pid_t> running_{0};
};

// The render process, started on first use and again after it dies.
class RenderClient {
public:
    RenderClient() = default;
    ~RenderClient();
    RenderClient(const RenderClient &) = delete;
    RenderClient &operator=(const RenderClient &) = delete;

    // Draws snippet 0 of `object` in the unit square scaled to size x size,
    // in `folder` (where its background files are), into pixels or `out`.
    RenderResult render(const std::string &object, const std::string &folder, int size,
                        RenderKind kind, const std::string &out = "");
    // Stops the render process (from any thread); the next request starts one.
    void interrupt();

private:
    bool start(std::string &error);
    void stop();

    int socket_ = -1;
    std::atomic<pid_t> pid_{0};
};

// The render process's side: serves requests on descriptor `fd` until it is
// closed. Returns the exit status.
int serve_renders(int fd);

// The descriptor the render process gets its requests on.
constexpr int kRenderServerFd = 3;

}  // namespace quillview

#endif  // QUILLVIEW_PIPELINE_H
