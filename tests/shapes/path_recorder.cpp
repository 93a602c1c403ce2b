// path_recorder.cpp - the recording stand-ins for cairo's path calls.
#include "path_recorder.h"

#include <cmath>

namespace quillkit_test {

namespace {
// The recording in progress; the stand-ins have no other way to reach it.
PathRecording *active = nullptr;

void record(cairo_t *cr, const PathCall &call)
{
    if (active != nullptr)
        active->add(cr, call);
}

const char *op_name(Op op)
{
    switch (op) {
    case Op::kMoveTo:
        return "move_to";
    case Op::kLineTo:
        return "line_to";
    case Op::kCurveTo:
        return "curve_to";
    case Op::kClosePath:
        return "close_path";
    }
    return "?";
}

int value_count(Op op)
{
    switch (op) {
    case Op::kMoveTo:
    case Op::kLineTo:
        return 2;
    case Op::kCurveTo:
        return 6;
    case Op::kClosePath:
        return 0;
    }
    return 0;
}
}  // namespace

PathCall move(double x, double y)
{
    return {Op::kMoveTo, {x, y, 0, 0, 0, 0}};
}
PathCall line(double x, double y)
{
    return {Op::kLineTo, {x, y, 0, 0, 0, 0}};
}
PathCall curve(double c1x, double c1y, double c2x, double c2y, double x, double y)
{
    return {Op::kCurveTo, {c1x, c1y, c2x, c2y, x, y}};
}
PathCall close()
{
    return {Op::kClosePath, {0, 0, 0, 0, 0, 0}};
}

bool operator==(const PathCall &a, const PathCall &b)
{
    if (a.op != b.op)
        return false;
    for (std::size_t i = 0; i < a.v.size(); ++i) {
        const bool both_nan = std::isnan(a.v[i]) && std::isnan(b.v[i]);
        if (!both_nan && !(a.v[i] == b.v[i]))
            return false;
    }
    return true;
}

void PrintTo(const PathCall &call, std::ostream *os)
{
    *os << op_name(call.op) << "(";
    const int n = value_count(call.op);
    for (int i = 0; i < n; ++i)
        *os << (i ? ", " : "") << call.v[static_cast<std::size_t>(i)];
    *os << ")";
}

PathRecording::PathRecording(cairo_t *cr) : cr_(cr)
{
    active = this;
}
PathRecording::~PathRecording()
{
    active = nullptr;
}

void PathRecording::add(cairo_t *cr, const PathCall &call)
{
    if (cr != cr_)
        ++foreign_calls_;
    calls_.push_back(call);
}

}  // namespace quillkit_test

// The stand-ins, under cairo's own names.
extern "C" {
void cairo_move_to(cairo_t *cr, double x, double y)
{
    quillkit_test::record(cr, quillkit_test::move(x, y));
}
void cairo_line_to(cairo_t *cr, double x, double y)
{
    quillkit_test::record(cr, quillkit_test::line(x, y));
}
void cairo_curve_to(cairo_t *cr, double x1, double y1, double x2, double y2, double x3, double y3)
{
    quillkit_test::record(cr, quillkit_test::curve(x1, y1, x2, y2, x3, y3));
}
void cairo_close_path(cairo_t *cr)
{
    quillkit_test::record(cr, quillkit_test::close());
}
}
