// limits.cpp - the bounds, from the environment.
#include "limits.h"

#include <cerrno>
#include <cstdlib>

namespace quillview {

namespace {

// A positive whole number up to `max`, or `fallback`.
template <typename T>
T from_environment(const char *name, T fallback, T max)
{
    const char *text = std::getenv(name);
    if (text == nullptr || *text < '0' || *text > '9')
        return fallback;
    errno = 0;
    char *end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || value == 0 || value > static_cast<unsigned long long>(max))
        return fallback;
    return static_cast<T>(value);
}

}  // namespace

Limits limits_from_environment()
{
    constexpr int kMaxSeconds = 24 * 3600;
    constexpr std::uint64_t kMaxMiB = std::uint64_t{1} << 30;
    Limits limits;
    limits.build_seconds =
        from_environment("QUILLVIEW_BUILD_SECONDS", limits.build_seconds, kMaxSeconds);
    limits.render_seconds =
        from_environment("QUILLVIEW_RENDER_SECONDS", limits.render_seconds, kMaxSeconds);
    limits.compiler_memory =
        from_environment("QUILLVIEW_COMPILER_MEMORY_MIB", limits.compiler_memory / kMiB, kMaxMiB) *
        kMiB;
    limits.render_memory =
        from_environment("QUILLVIEW_RENDER_MEMORY_MIB", limits.render_memory / kMiB, kMaxMiB) *
        kMiB;
    limits.log_bytes =
        from_environment<std::size_t>("QUILLVIEW_LOG_KIB", limits.log_bytes / 1024, 1 << 20) * 1024;
    return limits;
}

}  // namespace quillview
