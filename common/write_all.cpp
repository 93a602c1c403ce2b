// write_all.cpp - writing a whole buffer to a descriptor.
#include "write_all.h"

#include <unistd.h>

#include <cerrno>

namespace quillkit {

int write_all(int fd, const void *data, std::size_t size)
{
    const char *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t wrote = ::write(fd, bytes, size);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0)
            return errno;
        if (wrote == 0)
            return ENOSPC;
        bytes += wrote;
        size -= static_cast<std::size_t>(wrote);
    }
    return 0;
}

}  // namespace quillkit
