// canvas.h - the window's picture area: the selected snippet's picture at
// the canvas's size (or the fixed --size) times the zoom, or a grid of all
// snippets; white or a checkerboard behind.
#ifndef QUILLVIEW_UI_CANVAS_H
#define QUILLVIEW_UI_CANVAS_H

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "cairo_ptr.h"
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
    // Called when the canvas's size changed (and the wanted sizes with it).
    void set_on_resize(std::function<void()> resized) { resized_ = std::move(resized); }

    void set_selected(int index);
    void set_grid(bool on);
    void set_checker(bool on);
    void zoom_in();
    void zoom_out();
    void zoom_reset();
    // The picture side snippet `index` is shown at now; 0 when it is not
    // shown, or the canvas has no size yet.
    int wanted_size(int index) const;
    // Paints again (a snippet's state changed).
    void redraw();

private:
    struct Cached {
        std::uint64_t serial = 0;
        quillkit::SurfacePtr surface;
    };

    void set_zoom(double zoom);
    int grid_cell() const;
    cairo_surface_t *picture_of(int index);
    void draw(cairo_t *cr, int width, int height);
    void draw_single(cairo_t *cr, int width, int height);
    void draw_grid(cairo_t *cr, int width);
    static void on_draw(GtkDrawingArea *, cairo_t *cr, int width, int height, gpointer data);
    static void on_resize(GtkDrawingArea *, int, int, gpointer data);

    const std::vector<SnippetState> &snippets_;
    const int fixed_size_;
    GtkWidget *area_;
    std::function<void()> resized_ = [] {};
    std::vector<Cached> cache_;  // each snippet's picture as a cairo surface
    int selected_ = 0;
    bool grid_ = false;
    bool checker_ = false;
    double zoom_ = 1.0;
};

}  // namespace quillview

#endif  // QUILLVIEW_UI_CANVAS_H
