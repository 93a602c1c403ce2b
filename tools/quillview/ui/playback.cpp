// playback.cpp - the frame clock's ticks as the animation's time.
#include "playback.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quillview {

namespace {

constexpr double kSpan = 60;  // seconds the scale shows, and grows by
constexpr double kMicroseconds = 1e6;
constexpr int kLabelChars = 9;
constexpr int kSpacing = 4;
constexpr const char *kPlayIcon = "media-playback-start-symbolic";
constexpr const char *kPauseIcon = "media-playback-pause-symbolic";

}  // namespace

Playback::Playback(GtkWidget *canvas, std::function<void()> changed)
    : canvas_(canvas), changed_(std::move(changed)),
      box_(gtk_box_new(GTK_ORIENTATION_HORIZONTAL, kSpacing)),
      button_(gtk_button_new_from_icon_name(kPauseIcon)),
      scale_(gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, kSpan, 0.01)),
      label_(gtk_label_new("")), keys_(gtk_event_controller_key_new())
{
    g_object_ref_sink(box_);
    gtk_widget_set_tooltip_text(button_, "Play or pause (Ctrl+Space)");
    gtk_widget_set_focus_on_click(button_, FALSE);
    gtk_scale_set_draw_value(GTK_SCALE(scale_), FALSE);
    gtk_widget_set_hexpand(scale_, TRUE);
    gtk_widget_set_focus_on_click(scale_, FALSE);
    gtk_label_set_width_chars(GTK_LABEL(label_), kLabelChars);
    gtk_label_set_xalign(GTK_LABEL(label_), 1);
    for (GtkWidget *w : {button_, scale_, label_})
        gtk_box_append(GTK_BOX(box_), w);
    g_signal_connect(button_, "clicked", G_CALLBACK(&Playback::on_clicked), this);
    g_signal_connect(scale_, "change-value", G_CALLBACK(&Playback::on_change_value), this);
    g_signal_connect(keys_, "key-pressed", G_CALLBACK(&Playback::on_key), this);
    gtk_widget_add_controller(canvas_, keys_);  // the canvas owns it
    show_time();
    set_animated(false);
}

Playback::~Playback()
{
    if (tick_ != 0)
        gtk_widget_remove_tick_callback(canvas_, tick_);
    g_signal_handlers_disconnect_by_data(keys_, this);
    g_signal_handlers_disconnect_by_data(button_, this);
    g_signal_handlers_disconnect_by_data(scale_, this);
    g_object_unref(box_);
}

void Playback::set_animated(bool animated)
{
    animated_ = animated;
    gtk_widget_set_sensitive(box_, animated);
    run_clock();
}

void Playback::set_playing(bool playing)
{
    playing_ = playing;
    gtk_button_set_icon_name(GTK_BUTTON(button_), playing ? kPauseIcon : kPlayIcon);
    run_clock();
}

void Playback::seek(double seconds)
{
    time_ = std::max(0.0, seconds);
    origin_us_ = -1;  // playing on from here at the next frame
    show_time();
    changed_();
}

void Playback::run_clock()
{
    const bool run = playing_ && animated_;
    if (run && tick_ == 0) {
        origin_us_ = -1;
        tick_ = gtk_widget_add_tick_callback(canvas_, &Playback::on_tick, this, nullptr);
    } else if (!run && tick_ != 0) {
        gtk_widget_remove_tick_callback(canvas_, tick_);
        tick_ = 0;
    }
}

void Playback::show_time()
{
    GtkAdjustment *range = gtk_range_get_adjustment(GTK_RANGE(scale_));
    const double end = std::max(kSpan, std::ceil(time_ / kSpan) * kSpan);
    if (gtk_adjustment_get_upper(range) != end)
        gtk_adjustment_set_upper(range, end);
    gtk_adjustment_set_value(range, time_);
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", time_);
    gtk_label_set_text(GTK_LABEL(label_), text);
}

gboolean Playback::on_tick(GtkWidget *, GdkFrameClock *clock, gpointer data)
{
    auto *self = static_cast<Playback *>(data);
    const gint64 now = gdk_frame_clock_get_frame_time(clock);
    if (self->origin_us_ < 0) {
        self->origin_us_ = now;
        self->origin_time_ = self->time_;
    }
    self->time_ = self->origin_time_ + static_cast<double>(now - self->origin_us_) / kMicroseconds;
    self->show_time();
    self->changed_();
    return G_SOURCE_CONTINUE;
}

gboolean Playback::on_change_value(GtkRange *, GtkScrollType, double value, gpointer data)
{
    static_cast<Playback *>(data)->seek(value);
    return TRUE;  // seek() has set it
}

void Playback::on_clicked(GtkButton *, gpointer data)
{
    static_cast<Playback *>(data)->toggle();
}

gboolean Playback::on_key(GtkEventControllerKey *, guint keyval, guint, GdkModifierType state,
                          gpointer data)
{
    auto *self = static_cast<Playback *>(data);
    if ((state & (GDK_CONTROL_MASK | GDK_ALT_MASK | GDK_SHIFT_MASK)) != 0)
        return FALSE;
    if (keyval == GDK_KEY_space || keyval == GDK_KEY_KP_Space) {
        self->toggle();
        return TRUE;
    }
    if (keyval == GDK_KEY_Home || keyval == GDK_KEY_KP_Home) {
        self->seek(0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace quillview
