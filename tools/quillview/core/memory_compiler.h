// memory_compiler.h - a snippet module compiled and linked in this process's
// memory with libtcc: no object file, no dlopen. Its undefined symbols
// resolve against what the process has loaded (cairo, the snippet runtime,
// shapekit, the C and maths libraries).
#ifndef QUILLVIEW_CORE_MEMORY_COMPILER_H
#define QUILLVIEW_CORE_MEMORY_COMPILER_H

#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

#include "result.h"

namespace quillview {

// Whether this build can compile in memory (configured with libtcc).
bool memory_compiler_built();

class MemoryModule {
public:
    using SnippetDo = void (*)(cairo_t *, int);

    // Compiles and relocates the module `text`, looking for headers in
    // `include_dirs`. A failure carries the compiler's messages ("<string>:
    // LINE: error: ..."), or the symbols it could not resolve.
    static quillkit::Result<std::unique_ptr<MemoryModule>>
    compile(const std::string &text, const std::vector<std::string> &include_dirs);

    ~MemoryModule();
    MemoryModule(const MemoryModule &) = delete;
    MemoryModule &operator=(const MemoryModule &) = delete;

    // The module's snippet_do; nullptr when it has none.
    SnippetDo snippet_do() const { return snippet_do_; }

private:
    explicit MemoryModule(void *state) : state_(state) {}

    void *state_;  // the TCCState, which owns the code
    SnippetDo snippet_do_ = nullptr;
};

}  // namespace quillview

#endif  // QUILLVIEW_CORE_MEMORY_COMPILER_H
