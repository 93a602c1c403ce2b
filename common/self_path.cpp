// self_path.cpp - the running program's own file.
#include "self_path.h"

#include <unistd.h>

#include <climits>

namespace quillkit {

std::string self_path()
{
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf);
    // A path as long as the buffer may have been cut: treat it as unknown.
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf)
        return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

}  // namespace quillkit
