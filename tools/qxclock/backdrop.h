// backdrop.h - how the clock's clear parts look, following the compositing
// manager.
#ifndef QXCLOCK_BACKDROP_H
#define QXCLOCK_BACKDROP_H

#include <optional>

#include "colour.h"

namespace qxclock {

// The background of a window that cannot be translucent: a near-white that
// keeps the grey ticks and the black hands visible.
constexpr quillkit::Rgb kLightBackground{0.96, 0.96, 0.96};

// How the clock's clear parts look.
struct Look {
    std::optional<quillkit::Rgb> colour;  // opaque in this colour; none: transparent
    bool shaped = false;                  // left out of the window's shape
};

// The look of the clock's clear parts: the colour asked for; else, with a
// 32-bit visual, transparent under a compositing manager and left out of the
// window's shape without one (where the server has the Shape extension);
// else light. Says once on stderr why it chose an opaque one itself.
class Backdrop {
public:
    Backdrop(const std::optional<quillkit::Rgb> &asked, bool argb_visual, bool shape)
        : asked_(asked), argb_visual_(argb_visual), shape_(shape)
    {
    }
    // Whether the look depends on the compositing manager.
    bool follows_compositor() const { return !asked_ && argb_visual_; }
    // The look while a compositing manager runs, or while none does.
    Look look(bool compositor);

private:
    std::optional<quillkit::Rgb> asked_;
    bool argb_visual_;
    bool shape_;
    bool said_ = false;
};

}  // namespace qxclock

#endif  // QXCLOCK_BACKDROP_H
