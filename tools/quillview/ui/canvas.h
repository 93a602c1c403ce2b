// canvas.h - the window's picture area: the selected snippet's picture at
// the canvas's size (or the fixed --size) times the zoom, moved by the pan,
// a line around its unit square; or a grid of all snippets with their
// names. White or a checkerboard behind. Under it, a label reads out the
// point under the pointer and the picture's pixel there.
#ifndef QUILLVIEW_UI_CANVAS_H
#define QUILLVIEW_UI_CANVAS_H

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "cairo_ptr.h"
#include "canvas_layout.h"
#include "snippet_state.h"

namespace quillview {

class Canvas {
public:
    // Shows `snippets` (which outlive it); `fixed_size` > 0 is the picture's
    // side before zooming, else the canvas's shorter side.
    Canvas(const std::vector<SnippetState> &snippets, int fixed_size);
    ~Canvas();
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    GtkWidget *widget() const { return area_; }
    // The label of the point under the pointer ("x 0.250 y 0.750  rgba 255
    // 0 0 255"), to go under the canvas.
    GtkWidget *readout() const { return readout_; }
    // Called when the canvas's size changed (and the wanted sizes with it).
    void set_on_resize(std::function<void()> resized) { resized_ = std::move(resized); }

    void set_selected(int index);
    void set_grid(bool on);
    bool grid() const { return grid_; }
    void set_checker(bool on);
    void zoom_in();
    void zoom_out();
    // Back to the canvas's size, centred.
    void zoom_reset();
    // The picture side snippet `index` is shown at now; 0 when it is not
    // shown, or the canvas has no size yet.
    int wanted_size(int index) const;
    // Paints again (a snippet's state changed).
    void redraw();
    // Snippet `index` is gone: those after it move up one.
    void remove(int index);

private:
    struct Cached {
        std::uint64_t serial = 0;
        quillkit::SurfacePtr surface;
    };

    void set_zoom(double zoom);
    // Zooms by `factor` keeping the point (x, y) of the canvas in place.
    void zoom_at(double factor, double x, double y);
    // Where snippet `index`'s picture is painted now, if it is.
    std::optional<Square> square_of(int index) const;
    int base_side() const;
    cairo_surface_t *picture_of(int index);
    void draw(cairo_t *cr, int width, int height);
    void draw_single(cairo_t *cr, int width, int height);
    void draw_grid(cairo_t *cr, int width, int height);
    static void on_draw(GtkDrawingArea *, cairo_t *cr, int width, int height, gpointer data);
    static void on_resize(GtkDrawingArea *, int, int, gpointer data);

    // canvas_input.cpp: the pointer's zoom, pan and readout, and the focus
    void add_controllers();
    void show_readout();
    static gboolean on_scroll(GtkEventControllerScroll *scroll, double, double dy, gpointer data);
    static void on_drag_begin(GtkGestureDrag *drag, double, double, gpointer data);
    static void on_drag_update(GtkGestureDrag *drag, double dx, double dy, gpointer data);
    static void on_motion(GtkEventControllerMotion *, double x, double y, gpointer data);
    static void on_leave(GtkEventControllerMotion *, gpointer data);
    static void on_pressed(GtkGestureClick *, int, double, double, gpointer data);
    static void on_focus_changed(GtkEventControllerFocus *, gpointer data);

    const std::vector<SnippetState> &snippets_;
    const int fixed_size_;
    GtkWidget *area_;
    GtkWidget *readout_;
    std::function<void()> resized_ = [] {};
    std::vector<Cached> cache_;  // each snippet's picture as a cairo surface
    int selected_ = 0;
    bool grid_ = false;
    bool checker_ = false;
    double zoom_ = 1.0;
    double pan_x_ = 0, pan_y_ = 0;                      // the picture's offset from the centre
    double drag_pan_x_ = 0, drag_pan_y_ = 0;            // the pan when a drag began
    std::optional<std::pair<double, double>> pointer_;  // over the canvas
};

}  // namespace quillview

#endif  // QUILLVIEW_UI_CANVAS_H
