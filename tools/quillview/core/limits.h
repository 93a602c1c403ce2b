// limits.h - every bound quillview puts on the programs it runs and on what
// it keeps of them, in one place. Each can be lowered (or raised) through the
// environment, so that a test need not wait out a minute; the manual page
// lists them.
#ifndef QUILLVIEW_CORE_LIMITS_H
#define QUILLVIEW_CORE_LIMITS_H

#include <cstddef>
#include <cstdint>

namespace quillview {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

struct Limits {
    // QUILLVIEW_BUILD_SECONDS: the generator's and the compiler's time (wall
    // clock and CPU) for one snippet.
    int build_seconds = 60;
    // QUILLVIEW_RENDER_SECONDS: a snippet's time to draw one picture.
    int render_seconds = 2;
    // QUILLVIEW_COMPILER_MEMORY_MIB: the address space of each compiler
    // process.
    std::uint64_t compiler_memory = 2048 * kMiB;
    // QUILLVIEW_RENDER_MEMORY_MIB: the render process's address space.
    std::uint64_t render_memory = 4096 * kMiB;
    // QUILLVIEW_LOG_KIB: how much of the compiler's output is kept; the rest
    // is counted in lines.
    std::size_t log_bytes = 64 * 1024;
    // How many of the compiler's messages are marked in the editor.
    std::size_t markers = 100;
};

// The limits, each as the environment sets it (a positive whole number) or
// as above.
Limits limits_from_environment();

}  // namespace quillview

#endif  // QUILLVIEW_CORE_LIMITS_H
