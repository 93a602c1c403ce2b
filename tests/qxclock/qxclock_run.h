// qxclock_run.h - qxclock run by the PNG tests, and the pictures it writes
// read back.
#ifndef QUILLKIT_TESTS_QXCLOCK_RUN_H
#define QUILLKIT_TESTS_QXCLOCK_RUN_H

#include <cairo.h>

#include <string>
#include <vector>

#include "clock_geometry.h"
#include "image.h"
#include "process.h"

namespace quillkit_test {

// How long one run may take.
constexpr int kQxclockRunMs = 20000;

// Runs qxclock with `args` and `env` added to its environment.
inline RunResult run_qxclock(const std::vector<std::string> &args,
                             const std::vector<std::string> &env)
{
    std::vector<std::string> argv = {QXCLOCK_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildOptions options;
    options.env = env;
    return run_program(argv, options, kQxclockRunMs);
}

// A PNG read back; not ok() when it cannot be read.
class Png {
public:
    explicit Png(const std::string &path)
        : surface_(cairo_image_surface_create_from_png(path.c_str()))
    {
    }
    bool ok() const { return cairo_surface_status(surface_.get()) == CAIRO_STATUS_SUCCESS; }
    int width() const { return cairo_image_surface_get_width(surface_.get()); }
    int height() const { return cairo_image_surface_get_height(surface_.get()); }
    Argb at(int x, int y) const { return argb_at(surface_.get(), x, y); }
    Argb at(const Point &p) const { return argb_under(surface_.get(), p.x, p.y); }

private:
    SurfacePtr surface_;
};

}  // namespace quillkit_test

#endif  // QUILLKIT_TESTS_QXCLOCK_RUN_H
