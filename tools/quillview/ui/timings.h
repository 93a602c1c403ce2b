// timings.h - with QUILLVIEW_TIMINGS set, two lines on standard error for
// each build that is drawn:
//
//   quillview: timings NAME: generate G ms, compile C ms, load L ms, draw D ms
//   quillview: moments NAME: wake W start S applied A frame F
//
// the first the builder's and the render process's own durations, the
// second moments of the monotonic clock in milliseconds (CLOCK_MONOTONIC,
// the same in every process): the change seen (a file's event, or the
// pause in typing; 0 when the build had no such cause), the job begun on
// its worker thread, its outcome applied to the window, and the window's
// next frame painted after that.
#ifndef QUILLVIEW_UI_TIMINGS_H
#define QUILLVIEW_UI_TIMINGS_H

#include <gtk/gtk.h>

#include <map>
#include <string>

#include "build_queue.h"

namespace quillview {

class Timings {
public:
    explicit Timings(bool on) : on_(on) {}
    ~Timings();
    Timings(const Timings &) = delete;
    Timings &operator=(const Timings &) = delete;

    // A change of snippet `index` was seen.
    void woke(int index);
    // `job`, begun at `start_ms`, ended with `outcome`, about to be applied.
    void ended(const Job &job, const JobOutcome &outcome, double start_ms);
    // The outcome of the job of snippet `index` was applied and `widget`
    // is to be painted again.
    void applied(int index, GtkWidget *widget);

private:
    struct Moments {
        int index = -1;
        std::string name;
        double wake = 0, start = 0, applied = 0;
    };
    void disconnect();
    static void on_after_paint(GdkFrameClock *clock, gpointer data);

    const bool on_;
    std::map<int, double> woke_;  // by snippet: the change not yet built
    Moments pending_;             // the build ended, not yet on screen
    GdkFrameClock *clock_ = nullptr;
    gulong handler_ = 0;
};

}  // namespace quillview

#endif  // QUILLVIEW_UI_TIMINGS_H
