// path_recorder.h - stand-ins for cairo's four path calls that record them.
//
// Linked into a test binary without cairo itself, so shapekit's calls land
// here and can be compared call by call with the expected path.
#ifndef QUILLKIT_TESTS_PATH_RECORDER_H
#define QUILLKIT_TESTS_PATH_RECORDER_H

#include <array>
#include <cairo.h>
#include <ostream>
#include <vector>

namespace quillkit_test {

enum class Op { kMoveTo, kLineTo, kCurveTo, kClosePath };

// One recorded call and the context it was made on. Unused values stay 0.
struct PathCall {
    Op op;
    std::array<double, 6> v;
};

PathCall move(double x, double y);
PathCall line(double x, double y);
PathCall curve(double c1x, double c1y, double c2x, double c2y, double x, double y);
PathCall close();

// Exact comparison of the op and every value; two NaNs count as equal.
bool operator==(const PathCall &a, const PathCall &b);
void PrintTo(const PathCall &call, std::ostream *os);

// Starts a fresh record for calls on `cr`; a call on any other context is
// recorded as a failure.
class PathRecording {
public:
    explicit PathRecording(cairo_t *cr);
    ~PathRecording();
    PathRecording(const PathRecording &) = delete;
    PathRecording &operator=(const PathRecording &) = delete;

    const std::vector<PathCall> &calls() const { return calls_; }
    int foreign_calls() const { return foreign_calls_; }

    void add(cairo_t *cr, const PathCall &call);

private:
    cairo_t *cr_;
    std::vector<PathCall> calls_;
    int foreign_calls_ = 0;
};

}  // namespace quillkit_test

#endif
