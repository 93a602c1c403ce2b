// write_all.h - writing a whole buffer to a descriptor (not installed).
#ifndef QUILLKIT_COMMON_WRITE_ALL_H
#define QUILLKIT_COMMON_WRITE_ALL_H

#include <cstddef>

namespace quillkit {

// Writes all `size` bytes of `data` to `fd`, going on after interruptions
// (EINTR) and short writes. Returns 0, or the errno of the failure (ENOSPC
// when the descriptor takes no more bytes without saying why).
int write_all(int fd, const void *data, std::size_t size);

}  // namespace quillkit

#endif  // QUILLKIT_COMMON_WRITE_ALL_H
