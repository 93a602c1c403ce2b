// window.cpp - the clock in an X11 window.
//
// One thread, one loop: poll() waits on the X connection and on the stop
// signals' pipe, with a timeout that ends on the next frame boundary of the
// wall clock. Each frame redraws the hands' old and new places only (see
// ClockFrame) in a PixelBuffer, and just those rectangles go to the window.
// Where nothing composites the window, it takes the outline of what is drawn
// (WindowShape), updated inside the same rectangles.
#include "window.h"

#include <X11/Xlib.h>
#include <malloc.h>
#include <poll.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "backdrop.h"
#include "clock_window.h"
#include "frame.h"
#include "frame_clock.h"
#include "pixel_buffer.h"
#include "stop_signals.h"
#include "visualpick.h"
#include "window_shape.h"
#include "x_connection.h"

namespace qxclock {

namespace {

std::int64_t now_microseconds(timeval &tv)
{
    gettimeofday(&tv, nullptr);
    return static_cast<std::int64_t>(tv.tv_sec) * kMicrosecondsPerSecond + tv.tv_usec;
}

// What the events read in one pass of the loop asked for.
struct EventSummary {
    bool close = false;      // the window manager's WM_DELETE_WINDOW
    bool destroyed = false;  // another client destroyed the window
    bool resized = false;
    bool mapped = false;              // became viewable: draw at once
    bool compositor_changed = false;  // a compositing manager started or stopped
    Rect exposed;                     // in window coordinates
};

class WindowLoop {
public:
    WindowLoop(XConnection &x, ClockWindow &window, WindowShape &shape, const StopSignals &signals,
               Backdrop &backdrop, const Look &look, bool seconds, const Placement &placement)
        : x_(x), window_(window), shape_(shape), signals_(signals), backdrop_(backdrop),
          frame_(look.colour), shaped_(look.shaped), seconds_(seconds), width_(placement.width),
          height_(placement.height), rate_(frame_rate_for(width_, height_, seconds))
    {
    }
    // Runs until the window is closed; fails when the display cannot be
    // used any more or the window is gone.
    quillkit::Result<void> run();

private:
    void pump_events(EventSummary &summary);
    void handle(const XEvent &event, EventSummary &summary);
    // The part of the window the clock is drawn in.
    Rect drawn_area() const;
    quillkit::Result<void> ensure_buffer();
    // Draws the frame for now and shows what changed.
    quillkit::Result<void> draw_frame(std::int64_t now, const timeval &tv);
    // Shows `area` (window coordinates) from the buffer.
    void show(const Rect &area);
    // Lays the clock on the background for whether a compositing manager
    // runs now, drawing it all again.
    void follow_compositor();
    // Waits for X, a signal or the next frame; sets x_quiet_.
    quillkit::Result<void> wait();

    XConnection &x_;
    ClockWindow &window_;
    WindowShape &shape_;
    const StopSignals &signals_;
    Backdrop &backdrop_;
    ClockFrame frame_;
    bool shaped_;
    std::unique_ptr<PixelBuffer> buffer_;
    bool seconds_;
    int width_, height_;
    FrameRate rate_;
    bool mapped_ = false;
    bool drawn_ = false;         // the buffer holds a whole frame
    std::int64_t deadline_ = 0;  // of the next frame; 0: at once
    Rect exposed_;               // waiting to be shown again
    bool give_back_ = false;     // see ensure_buffer()
    // The last wait found nothing queued and the connection silent: there
    // are no events to read (and asking would cost a read that fails).
    bool x_quiet_ = false;
    // The last frame's shape requests: the exposures they made fall in
    // `area`, which the frame put after them.
    struct OwnExposures {
        unsigned long from = 0, before = 0;  // request serials
        Rect area;
        bool cover(const XExposeEvent &e) const
        {
            const Rect r = intersect({e.x, e.y, e.width, e.height}, area);
            return e.serial >= from && e.serial < before && r.width == e.width &&
                   r.height == e.height;
        }
    } own_exposures_;
};

Rect WindowLoop::drawn_area() const
{
    const int w = std::min(width_, kMaxDrawnSide), h = std::min(height_, kMaxDrawnSide);
    return {(width_ - w) / 2, (height_ - h) / 2, w, h};
}

void WindowLoop::handle(const XEvent &event, EventSummary &summary)
{
    if (x_.is_compositor_change(event)) {
        summary.compositor_changed = true;
        return;
    }
    switch (event.type) {
    case Expose:
        if (own_exposures_.cover(event.xexpose))
            break;
        summary.exposed = unite(summary.exposed, {event.xexpose.x, event.xexpose.y,
                                                  event.xexpose.width, event.xexpose.height});
        break;
    case ConfigureNotify:
        if (event.xconfigure.width != width_ || event.xconfigure.height != height_) {
            width_ = event.xconfigure.width;
            height_ = event.xconfigure.height;
            summary.resized = true;
        }
        break;
    case MapNotify:
        mapped_ = true;
        summary.mapped = true;
        break;
    case UnmapNotify:
        mapped_ = false;
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == window_.id())
            summary.destroyed = true;
        break;
    case ClientMessage:
        summary.close = summary.close || window_.is_close_request(event);
        break;
    default:
        break;
    }
}

void WindowLoop::pump_events(EventSummary &summary)
{
    Display *display = x_.get();
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        handle(event, summary);
    }
}

quillkit::Result<void> WindowLoop::ensure_buffer()
{
    const Rect area = drawn_area();
    if (buffer_ && buffer_->width() == area.width && buffer_->height() == area.height)
        return {};
    // Smaller than before: once the next frame has let the large buffers go
    // (this one and the frame's own), their memory goes back to the system.
    give_back_ = buffer_ && static_cast<long>(area.width) * area.height <
                                static_cast<long>(buffer_->width()) * buffer_->height();
    buffer_.reset();
    drawn_ = false;
    frame_.invalidate();
    quillkit::Result<std::unique_ptr<PixelBuffer>> buffer =
        PixelBuffer::create(x_.get(), window_.visual(), window_.depth(), area.width, area.height);
    if (!buffer)
        return quillkit::fail(buffer.error());
    buffer_ = std::move(*buffer);
    return {};
}

void WindowLoop::show(const Rect &area)
{
    const Rect drawn = drawn_area();
    const Rect part = intersect(area, drawn);
    if (part.empty())
        return;
    buffer_->put(window_.id(), window_.gc(),
                 {part.x - drawn.x, part.y - drawn.y, part.width, part.height}, part.x, part.y);
}

quillkit::Result<void> WindowLoop::draw_frame(std::int64_t now, const timeval &tv)
{
    if (quillkit::Result<void> ready = ensure_buffer(); !ready)
        return ready;
    const Rect drawn = drawn_area();
    if (quillkit::Result<void> done =
            frame_.draw(buffer_->surface(), drawn.width, drawn.height, tv, seconds_);
        !done)
        return done;
    if (give_back_) {
        // Freed blocks of a few MB stay in the heap otherwise: malloc keeps
        // them for the next large allocation once it has freed one of its
        // own mappings.
        malloc_trim(0);
        give_back_ = false;
    }
    const Damage &changed = frame_.changed();
    const bool whole = !drawn_ || (changed.size() == 1 && changed.front().width == drawn.width &&
                                   changed.front().height == drawn.height);
    drawn_ = true;
    // The shape first: the parts it adds are exposed, and the puts after it
    // fill them. Those exposures need no answer (see handle()).
    if (shaped_) {
        Rect bounds;
        for (const Rect &r : changed)
            bounds = unite(bounds, {r.x + drawn.x, r.y + drawn.y, r.width, r.height});
        own_exposures_ = {NextRequest(x_.get()), 0, bounds};
        shape_.follow(buffer_->surface(), changed, drawn.x, drawn.y, whole);
        own_exposures_.before = NextRequest(x_.get());
    }
    for (const Rect &r : changed)
        show({r.x + drawn.x, r.y + drawn.y, r.width, r.height});
    show(exposed_);
    exposed_ = {};
    deadline_ = now + microseconds_to_next_frame(now, rate_);
    return {};
}

void WindowLoop::follow_compositor()
{
    const Look look = backdrop_.look(x_.compositor_running(DefaultScreen(x_.get())));
    shaped_ = look.shaped;
    if (shaped_) {
        window_.set_no_background();
    } else {
        shape_.clear();
        window_.set_background(look.colour);
    }
    // All of it again: a shaped picture's pixels are made opaque.
    frame_.set_background(look.colour);
    drawn_ = false;
    deadline_ = 0;
}

quillkit::Result<void> WindowLoop::wait()
{
    // Sending can make Xlib read what the server sent meanwhile: then it is
    // queued in Xlib and the socket stays quiet. XPending flushes our
    // requests and says whether anything is queued; then there is no waiting.
    if (XPending(x_.get()) > 0)
        return {};
    int timeout_ms = -1;  // unmapped: events only
    if (mapped_) {
        timeval tv;
        const std::int64_t left = deadline_ - now_microseconds(tv);
        // Rounded up to a whole millisecond, so never early.
        timeout_ms = left > 0 ? static_cast<int>((left + 999) / 1000) : 0;
    }
    pollfd fds[2] = {{ConnectionNumber(x_.get()), POLLIN, 0}, {signals_.fd(), POLLIN, 0}};
    const int ready = poll(fds, 2, timeout_ms);
    if (ready < 0 && errno != EINTR)
        return quillkit::fail(std::string("poll: ") + std::strerror(errno));
    x_quiet_ = ready >= 0 && fds[0].revents == 0;
    return {};
}

quillkit::Result<void> WindowLoop::run()
{
    for (;;) {
        EventSummary events;
        if (!x_quiet_)
            pump_events(events);
        x_quiet_ = false;
        if (signals_.stop_requested() || events.close)
            return {};
        if (events.destroyed) {
            window_.forget();
            return quillkit::fail("the window was destroyed by another client");
        }
        if (quillkit::Result<void> fine = x_.take_error(); !fine)
            return fine;
        if (events.resized) {
            rate_ = frame_rate_for(width_, height_, seconds_);
            deadline_ = 0;
        }
        if (events.mapped)
            deadline_ = 0;
        if (events.compositor_changed)
            follow_compositor();
        exposed_ = unite(exposed_, events.exposed);

        if (mapped_) {
            timeval tv;
            const std::int64_t now = now_microseconds(tv);
            // A wall clock set back leaves the deadline far ahead: start again.
            if (deadline_ - now > kMaxSecondsBetweenFrames * kMicrosecondsPerSecond)
                deadline_ = 0;
            if (now >= deadline_ || !drawn_ || events.resized) {
                if (quillkit::Result<void> drawn = draw_frame(now, tv); !drawn)
                    return drawn;
            } else if (!exposed_.empty()) {
                show(exposed_);
                exposed_ = {};
            }
        }
        if (quillkit::Result<void> waited = wait(); !waited)
            return waited;
    }
}

// Says what went wrong on stderr; returns `status`.
int say(const std::string &message, int status)
{
    std::fprintf(stderr, "qxclock: %s\n", message.c_str());
    return status;
}

}  // namespace

int run_window(const Options &opts, int argc, char **argv)
{
    // Before anything else, so that a stop signal during start-up is seen.
    const quillkit::Result<std::unique_ptr<StopSignals>> signals = StopSignals::start();
    if (!signals)
        return say(signals.error(), 1);
    const quillkit::Result<std::unique_ptr<XConnection>> connection =
        XConnection::open(opts.display);
    if (!connection)
        return say(connection.error(), 1);
    XConnection &x = **connection;
    Display *display = x.get();
    const int screen = DefaultScreen(display);
    std::optional<Rgb> asked = opts.background_rgb;
    if (!opts.background_name.empty()) {
        const quillkit::Result<Rgb> colour =
            x.lookup_colour(DefaultColormap(display, screen), opts.background_name);
        if (!colour)
            return say(colour.error() + "\nTry 'qxclock --help'.", 2);
        asked = *colour;
    }
    const Placement placement =
        place_window(opts, DisplayWidth(display, screen), DisplayHeight(display, screen));
    ClockWindow window(display, screen, placement, std::nullopt);
    WindowShape shape(display, window.id());
    Backdrop backdrop(asked, find_argb_visual(display, screen) != nullptr, shape.available());
    // Watched from before the first look, so that no change is missed.
    if (backdrop.follows_compositor())
        x.watch_compositor(screen);
    const Look look = backdrop.look(x.compositor_running(screen));
    if (look.shaped) {
        // Nothing shows until the first frame gives the outline.
        shape.set({});
        window.set_no_background();
    } else {
        window.set_background(look.colour);
    }
    window.set_properties(placement, argc, argv);
    XMapWindow(display, window.id());
    WindowLoop loop(x, window, shape, **signals, backdrop, look, opts.show_seconds(), placement);
    const quillkit::Result<void> ran = loop.run();
    return ran ? 0 : say(ran.error(), 1);
}

}  // namespace qxclock
