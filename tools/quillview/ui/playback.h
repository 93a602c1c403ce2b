// playback.h - the animation's time. While it plays it runs with the
// display's frames (the canvas's frame clock), and only while the snippets
// shown call snippet_time. Under the canvas: a play/pause button, a scale
// that shows the time and moves it (0 to 60 s, growing by a minute as the
// time passes its end), and the time as "12.34 s". With the canvas focused,
// Space plays and pauses and Home goes back to 0.
#ifndef QUILLVIEW_UI_PLAYBACK_H
#define QUILLVIEW_UI_PLAYBACK_H

#include <gtk/gtk.h>

#include <functional>

namespace quillview {

class Playback {
public:
    // Runs on `canvas`'s frame clock and takes its keys; `changed` is told
    // each new time. Starts playing.
    Playback(GtkWidget *canvas, std::function<void()> changed);
    ~Playback();
    Playback(const Playback &) = delete;
    Playback &operator=(const Playback &) = delete;

    // The button, the scale and the time.
    GtkWidget *widget() const { return box_; }
    double time() const { return time_; }
    bool playing() const { return playing_; }
    // Whether what is shown animates: the clock runs only then.
    void set_animated(bool animated);
    void set_playing(bool playing);
    void toggle() { set_playing(!playing_); }
    // Goes to `seconds` (0 and up), playing on from there if it plays.
    void seek(double seconds);

private:
    void run_clock();
    void show_time();
    static gboolean on_tick(GtkWidget *, GdkFrameClock *clock, gpointer data);
    static gboolean on_change_value(GtkRange *, GtkScrollType, double value, gpointer data);
    static void on_clicked(GtkButton *, gpointer data);
    static gboolean on_key(GtkEventControllerKey *, guint keyval, guint, GdkModifierType state,
                           gpointer data);

    GtkWidget *canvas_;
    std::function<void()> changed_;
    GtkWidget *box_;
    GtkWidget *button_;
    GtkWidget *scale_;
    GtkWidget *label_;
    GtkEventController *keys_;
    guint tick_ = 0;
    bool playing_ = true;
    bool animated_ = false;
    double time_ = 0;
    gint64 origin_us_ = -1;  // the frame time at which the time was origin_time_
    double origin_time_ = 0;
};

}  // namespace quillview

#endif  // QUILLVIEW_UI_PLAYBACK_H
