// backdrop.cpp - how the clock's clear parts look.
#include "backdrop.h"

#include <cstdio>

namespace qxclock {

Look Backdrop::look(bool compositor)
{
    if (asked_)
        return {asked_, false};
    if (argb_visual_ && (compositor || shape_))
        return {std::nullopt, !compositor};
    if (!said_)
        std::fputs(argb_visual_ ? "qxclock: no compositing manager is running; "
                                  "the clock gets an opaque background\n"
                                : "qxclock: the screen has no 32-bit visual with alpha; "
                                  "using an opaque window\n",
                   stderr);
    said_ = true;
    return {kLightBackground, false};
}

}  // namespace qxclock
