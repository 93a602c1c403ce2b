// timings.cpp - the builds' durations and moments on standard error.
#include "timings.h"

#include <cstdio>

#include "read_exact.h"

namespace quillview {

Timings::~Timings()
{
    disconnect();
}

void Timings::woke(int index)
{
    if (on_)
        woke_[index] = quillkit::monotonic_ms();
}

void Timings::ended(const Job &job, const JobOutcome &outcome, double start_ms)
{
    if (!on_ || job.kind != Job::Kind::kBuild)
        return;
    const bool drew = outcome.rendered && outcome.rendered->ok();
    std::fprintf(stderr,
                 "quillview: timings %s: generate %.2f ms, compile %.2f ms, load %.2f ms, "
                 "draw %.2f ms\n",
                 job.name.c_str(), outcome.built.generate_ms, outcome.built.compile_ms,
                 drew ? outcome.rendered->value().load_ms : 0.0,
                 drew ? outcome.rendered->value().draw_ms : 0.0);
    pending_ = Moments{job.index, job.name, 0, start_ms, 0};
    // The change this job built came before it began; a later one waits for
    // the next job.
    const auto woke = woke_.find(job.index);
    if (woke != woke_.end() && woke->second <= start_ms) {
        pending_.wake = woke->second;
        woke_.erase(woke);
    }
}

void Timings::applied(int index, GtkWidget *widget)
{
    if (!on_ || pending_.index != index || pending_.applied > 0)
        return;
    pending_.applied = quillkit::monotonic_ms();
    GdkFrameClock *clock = gtk_widget_get_frame_clock(widget);
    if (clock == nullptr || clock == clock_)
        return;
    disconnect();
    clock_ = GDK_FRAME_CLOCK(g_object_ref(clock));
    handler_ = g_signal_connect(clock_, "after-paint", G_CALLBACK(&Timings::on_after_paint), this);
}

void Timings::disconnect()
{
    if (clock_ == nullptr)
        return;
    g_signal_handler_disconnect(clock_, handler_);
    g_object_unref(clock_);
    clock_ = nullptr;
    handler_ = 0;
}

void Timings::on_after_paint(GdkFrameClock *, gpointer data)
{
    auto *self = static_cast<Timings *>(data);
    if (self->pending_.applied <= 0)
        return;
    const double frame = quillkit::monotonic_ms();
    std::fprintf(stderr, "quillview: moments %s: wake %.3f start %.3f applied %.3f frame %.3f\n",
                 self->pending_.name.c_str(), self->pending_.wake, self->pending_.start,
                 self->pending_.applied, frame);
    self->pending_ = Moments{};
}

}  // namespace quillview
