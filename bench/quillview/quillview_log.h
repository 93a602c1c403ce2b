// quillview_log.h - what quillview prints with QUILLVIEW_TIMINGS set: per
// build, its durations (timings) and its moments on the monotonic clock.
#ifndef QUILLKIT_BENCH_QUILLVIEW_LOG_H
#define QUILLKIT_BENCH_QUILLVIEW_LOG_H

#include <filesystem>

namespace quillview_bench {

struct BuildReport {
    double generate = 0, compile = 0, load = 0, draw = 0;  // ms
    double wake = 0, start = 0, applied = 0, frame = 0;    // monotonic ms
};

// How many moments lines the log holds: one per build that reached the
// screen.
int moments_count(const std::filesystem::path &log);

// The last build's timings and moments; false when the log has not both.
bool last_build(const std::filesystem::path &log, BuildReport &report);

}  // namespace quillview_bench

#endif  // QUILLKIT_BENCH_QUILLVIEW_LOG_H
