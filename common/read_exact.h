// read_exact.h - reading an exact number of bytes from a descriptor (not
// installed).
#ifndef QUILLKIT_COMMON_READ_EXACT_H
#define QUILLKIT_COMMON_READ_EXACT_H

#include <cstddef>

namespace quillkit {

enum class ReadOutcome { kDone, kClosed, kTimedOut };

// Reads exactly `size` bytes into `data`, going on after interruptions and
// short reads, until the monotonic clock (monotonic_ms) reaches
// `deadline_ms`; a negative deadline waits for ever. kClosed when the other
// side closed first or the read failed.
ReadOutcome read_exact(int fd, void *data, std::size_t size, double deadline_ms = -1);

// Milliseconds of the monotonic clock.
double monotonic_ms();

}  // namespace quillkit

#endif  // QUILLKIT_COMMON_READ_EXACT_H
