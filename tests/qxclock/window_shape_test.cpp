// window_shape_test.cpp - the qxclock window without a compositing manager:
// shaped like its picture, frame by frame; following a compositing manager
// that starts and stops; opaque where the screen has no alpha visual.
// GoogleTest first: Xlib's macros (None, Bool, Status) would break it.
#include <gtest/gtest.h>

#include "window_fixture.h"

#include <string>

namespace quillkit_test {
namespace {

// The shape is the picture's outline: the corners are out, the pivot (where
// the hands meet) and the quarter ticks are in.
void expect_clock_shape(const Shape &shape, int w, int h)
{
    ASSERT_TRUE(shape.shaped);
    for (const Point &p : outside_face(w, h))
        EXPECT_FALSE(shape.contains(p)) << "(" << p.x << ", " << p.y << ") is in the shape";
    EXPECT_TRUE(shape.contains({w / 2.0, h / 2.0})) << "the centre is not in the shape";
    for (const int minute : {0, 15, 30, 45})
        EXPECT_TRUE(shape.contains(tick_centre(minute, w, h)))
            << "the tick of minute " << minute << " is not in the shape";
}

TEST_F(ClockWindowTest, IsShapedLikeTheClockWithoutACompositor)
{
    ASSERT_NO_FATAL_FAILURE(start({"--size", std::to_string(kWindowSize)}));
    Shape first;
    wait_until(
        [&] {
            first = bounding_shape(dpy_, win_);
            return first.contains({kWindowSize / 2.0, kWindowSize / 2.0});
        },
        kWaitMs, 20);
    expect_clock_shape(first, kWindowSize, kWindowSize);
    // The second hand moves, and the shape with it.
    Shape later;
    wait_until([&] { return !((later = bounding_shape(dpy_, win_)) == first); }, kWaitMs, 20);
    EXPECT_FALSE(later == first) << "the shape did not change";
    expect_clock_shape(later, kWindowSize, kWindowSize);
    send_wm_delete();
    EXPECT_EQ(exit_status(), 0);
    EXPECT_EQ(clock_stderr(), "");
}

TEST_F(ClockWindowTest, TheShapeFollowsThePictureFrameByFrame)
{
    // Frame after frame the shape holds what is drawn opaque and nothing
    // else: no trace of where the second hand was. The server is grabbed
    // while the shape and the pixels are read, so that both are of one frame.
    // At 4 frames a second, 30 frames reach past a move of the minute hand
    // (every 7 s at this size).
    constexpr int kFrames = 30;
    ASSERT_NO_FATAL_FAILURE(start({"--size", std::to_string(kWindowSize)}));
    ASSERT_TRUE(wait_until([&] { return bounding_shape(dpy_, win_).shaped; }, kWaitMs, 20));
    Shape last;
    int frames = 0;
    wait_until(
        [&] {
            XGrabServer(dpy_);
            const Shape shape = bounding_shape(dpy_, win_);
            WindowImage im(dpy_, win_);
            XUngrabServer(dpy_);
            XSync(dpy_, False);
            if (shape == last)
                return false;
            last = shape;
            ++frames;
            std::vector<bool> in_shape(size_t(im.width()) * size_t(im.height()));
            for (const XRectangle &r : shape.rects)
                for (int y = std::max(0, int(r.y)); y < std::min(im.height(), r.y + r.height); ++y)
                    for (int x = std::max(0, int(r.x)); x < std::min(im.width(), r.x + r.width);
                         ++x)
                        in_shape[size_t(y) * size_t(im.width()) + size_t(x)] = true;
            for (int y = 0; y < im.height(); ++y)
                for (int x = 0; x < im.width(); ++x) {
                    const bool opaque = im.at(x, y).a == 255;
                    if (in_shape[size_t(y) * size_t(im.width()) + size_t(x)] != opaque) {
                        ADD_FAILURE() << "frame " << frames << ": (" << x << ", " << y << ") "
                                      << (opaque ? "drawn but not in the shape"
                                                 : "in the shape but not drawn");
                        return true;
                    }
                }
            return frames == kFrames;
        },
        2 * kWaitMs, 5);
    EXPECT_EQ(frames, kFrames) << "the shape did not change often enough";
}

TEST_F(ClockWindowTest, FollowsACompositingManagerThatStartsAndStops)
{
    // Started before the compositing manager (as at a login), the clock is
    // shaped, turns translucent without a shape once it runs, and is shaped
    // again when it stops.
    ASSERT_NO_FATAL_FAILURE(start({"--size", std::to_string(kWindowSize)}));
    const Point centre{kWindowSize / 2.0, kWindowSize / 2.0};
    auto shaped = [&] {
        const Shape shape = bounding_shape(dpy_, win_);
        return shape.shaped && shape.contains(centre);
    };
    ASSERT_TRUE(wait_until(shaped, kWaitMs, 20)) << clock_stderr();
    start_compositor();
    if (IsSkipped() || HasFatalFailure())
        return;
    EXPECT_TRUE(wait_until([&] { return !bounding_shape(dpy_, win_).shaped; }, kWaitMs, 20))
        << "the shape stayed under a compositing manager";
    const Argb clear{0, 0, 0, 0};
    expect_outside(
        *wait_for_image([&](const WindowImage &im) { return near(im.at(0, 0), clear, 1); }), clear);
    compositor_.reset();
    EXPECT_TRUE(wait_until(shaped, kWaitMs, 20)) << "not shaped again";
    expect_clock_shape(bounding_shape(dpy_, win_), kWindowSize, kWindowSize);
    send_wm_delete();
    EXPECT_EQ(exit_status(), 0);
    EXPECT_EQ(count_of(clock_stderr(), kNoCompositorMessage), 0) << clock_stderr();
}

TEST_F(ClockWindowTest, FallsBackToAnOpaqueWindowWithoutAnArgbVisual)
{
    // Without Composite, Xvfb offers no 32-bit visual with alpha.
    ASSERT_NO_FATAL_FAILURE(
        start({"--size", std::to_string(kWindowSize)}, false, {"-extension", "Composite"}));
    auto im = wait_for_clock();
    ASSERT_TRUE(im->ok());
    XWindowAttributes attrs;
    ASSERT_TRUE(XGetWindowAttributes(dpy_, win_, &attrs));
    EXPECT_EQ(attrs.depth, DefaultDepth(dpy_, DefaultScreen(dpy_)));
    expect_ticks(*im);
    expect_outside(*im, opaque(0.96, 0.96, 0.96));
    send_wm_delete();
    EXPECT_EQ(exit_status(), 0);
    const std::string err = clock_stderr();
    EXPECT_EQ(count_of(err, "no 32-bit visual with alpha"), 1) << err;
    EXPECT_EQ(count_of(err, kNoCompositorMessage), 0) << err;
}

}  // namespace
}  // namespace quillkit_test
