// render_guards.h - what the render process does around each picture so
// that a snippet cannot harm it: its CPU time limited, what it writes to
// standard error looked at, and whatever it started killed afterwards.
#ifndef QUILLVIEW_CORE_RENDER_GUARDS_H
#define QUILLVIEW_CORE_RENDER_GUARDS_H

#include <cstddef>
#include <string>

namespace quillview {

// Standard error, into a memory file as well while a snippet draws, so that
// what the runtime says of a background it could not read is seen.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    // Puts standard error back, passes on what was written, and returns its
    // first line from the runtime's file readers ("" when none).
    std::string finish();

private:
    static constexpr std::size_t kScanned = 65536;
    int memory_ = -1, saved_ = -1;
};

// Kills every other process of this process's group: what a snippet forked,
// and what those forked (they come back to this process, a subreaper, as
// orphans).
void kill_strays();

// Allows the next picture `seconds` of CPU time beyond what was used.
void limit_cpu(int seconds);

}  // namespace quillview

#endif  // QUILLVIEW_CORE_RENDER_GUARDS_H
