// canvas.cpp - painting the pictures.
#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "state_text.h"

namespace quillview {

namespace {

constexpr double kZoomStep = 1.25;
constexpr double kMinZoom = 0.25, kMaxZoom = 4.0;
constexpr int kMinPicture = 16, kMaxPicture = 4096;
constexpr int kGridMargin = 4;
constexpr int kCheckerTile = 12;
constexpr double kFontSize = 14;

void show_centred_text(cairo_t *cr, double x, double y, const std::string &text)
{
    cairo_text_extents_t ext;
    cairo_set_font_size(cr, kFontSize);
    cairo_text_extents(cr, text.c_str(), &ext);
    cairo_move_to(cr, x - ext.width / 2 - ext.x_bearing, y);
    cairo_show_text(cr, text.c_str());
}

void paint_picture(cairo_t *cr, cairo_surface_t *picture, double x, double y, double side)
{
    const int w = cairo_image_surface_get_width(picture);
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, side / w, side / w);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
}

quillkit::SurfacePtr surface_of(const Picture &picture)
{
    quillkit::SurfacePtr surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture.width, picture.height));
    unsigned char *data = cairo_image_surface_get_data(surface.get());
    if (data == nullptr)
        return surface;  // in an error state: paints nothing
    const int stride = cairo_image_surface_get_stride(surface.get());
    const std::size_t row = static_cast<std::size_t>(picture.width) * sizeof(std::uint32_t);
    for (int y = 0; y < picture.height; y++)
        std::memcpy(data + static_cast<std::size_t>(y) * stride,
                    &picture.pixels[static_cast<std::size_t>(y) * picture.width], row);
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

}  // namespace

Canvas::Canvas(const std::vector<SnippetState> &snippets, int fixed_size)
    : snippets_(snippets), fixed_size_(fixed_size), area_(gtk_drawing_area_new())
{
    g_object_ref_sink(area_);
    gtk_widget_set_hexpand(area_, TRUE);
    gtk_widget_set_vexpand(area_, TRUE);
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(area_), &Canvas::on_draw, this, nullptr);
    g_signal_connect(area_, "resize", G_CALLBACK(&Canvas::on_resize), this);
}

Canvas::~Canvas()
{
    g_signal_handlers_disconnect_by_data(area_, this);
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(area_), nullptr, nullptr, nullptr);
    g_object_unref(area_);
}

void Canvas::set_selected(int index)
{
    selected_ = index;
    redraw();
}

void Canvas::set_grid(bool on)
{
    grid_ = on;
    redraw();
}

void Canvas::set_checker(bool on)
{
    checker_ = on;
    redraw();
}

void Canvas::zoom_in()
{
    set_zoom(zoom_ * kZoomStep);
}

void Canvas::zoom_out()
{
    set_zoom(zoom_ / kZoomStep);
}

void Canvas::zoom_reset()
{
    set_zoom(1.0);
}

void Canvas::set_zoom(double zoom)
{
    zoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
    redraw();
}

void Canvas::redraw()
{
    gtk_widget_queue_draw(area_);
}

int Canvas::grid_cell() const
{
    const int w = gtk_widget_get_width(area_), h = gtk_widget_get_height(area_);
    const int n = static_cast<int>(snippets_.size());
    int cell = std::min(w, h);
    while (cell > kMinPicture && (w / cell) * (h / cell) < n)
        cell--;
    return cell;
}

int Canvas::wanted_size(int index) const
{
    if (grid_)
        return std::max(kMinPicture, grid_cell() - 2 * kGridMargin);
    if (index != selected_)
        return 0;
    const int base = fixed_size_ > 0
                         ? fixed_size_
                         : std::min(gtk_widget_get_width(area_), gtk_widget_get_height(area_));
    if (base <= 0)
        return 0;  // not laid out yet
    return std::clamp(static_cast<int>(std::lround(base * zoom_)), kMinPicture, kMaxPicture);
}

cairo_surface_t *Canvas::picture_of(int index)
{
    const Picture *picture = snippets_[index].picture();
    if (picture == nullptr)
        return nullptr;
    if (cache_.size() < snippets_.size())
        cache_.resize(snippets_.size());
    Cached &cached = cache_[index];
    if (!cached.surface || cached.serial != picture->serial) {
        cached.surface = surface_of(*picture);
        cached.serial = picture->serial;
    }
    return cached.surface.get();
}

void Canvas::draw(cairo_t *cr, int width, int height)
{
    if (checker_) {
        for (int y = 0; y < height; y += kCheckerTile)
            for (int x = 0; x < width; x += kCheckerTile) {
                const double grey = ((x + y) / kCheckerTile) % 2 != 0 ? 0.8 : 1;
                cairo_set_source_rgb(cr, grey, grey, grey);
                cairo_rectangle(cr, x, y, kCheckerTile, kCheckerTile);
                cairo_fill(cr);
            }
    } else {
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
    }
    if (snippets_.empty())
        return;
    if (grid_)
        draw_grid(cr, width);
    else
        draw_single(cr, width, height);
}

void Canvas::draw_single(cairo_t *cr, int width, int height)
{
    if (selected_ < 0 || selected_ >= static_cast<int>(snippets_.size()))
        return;
    const SnippetState &s = snippets_[selected_];
    const int side = wanted_size(selected_);
    if (side <= 0)
        return;
    const double x = (width - side) / 2.0, y = (height - side) / 2.0;
    if (!s.failure().empty()) {
        cairo_set_source_rgb(cr, 0.7, 0, 0);
        show_centred_text(cr, width / 2.0, height / 2.0, s.failure());
        return;
    }
    if (cairo_surface_t *picture = picture_of(selected_)) {
        paint_picture(cr, picture, x, y, side);
        if (s.status() == SnippetStatus::kStale) {
            cairo_rectangle(cr, x, y, side, side);
            cairo_set_source_rgba(cr, 0.5, 0.5, 0.5, 0.55);
            cairo_fill(cr);
            cairo_set_source_rgb(cr, 0.6, 0, 0);
            show_centred_text(cr, width / 2.0, y + 24, "stale: the snippet does not compile");
        }
    } else if (build_failed(s)) {
        cairo_set_source_rgb(cr, 0.6, 0, 0);
        show_centred_text(cr, width / 2.0, height / 2.0, "the snippet does not compile");
    }
}

void Canvas::draw_grid(cairo_t *cr, int width)
{
    const int cell = grid_cell();
    const int cols = std::max(1, width / std::max(cell, 1));
    for (int i = 0; i < static_cast<int>(snippets_.size()); i++) {
        const SnippetState &s = snippets_[i];
        const double x = (i % cols) * cell + kGridMargin, y = (i / cols) * cell + kGridMargin;
        const double side = cell - 2 * kGridMargin;
        cairo_surface_t *picture = s.failure().empty() ? picture_of(i) : nullptr;
        if (picture != nullptr)
            paint_picture(cr, picture, x, y, side);
        if (!s.failure().empty() || build_failed(s)) {
            cairo_rectangle(cr, x, y, side, side);
            cairo_set_source_rgba(cr, 0.7, 0, 0, 0.25);
            cairo_fill(cr);
        }
        const bool selected = i == selected_;
        cairo_rectangle(cr, x - 0.5, y - 0.5, side + 1, side + 1);
        cairo_set_source_rgb(cr, selected ? 0.2 : 0.8, selected ? 0.4 : 0.8, selected ? 0.9 : 0.8);
        cairo_set_line_width(cr, selected ? 2 : 1);
        cairo_stroke(cr);
    }
}

void Canvas::on_draw(GtkDrawingArea *, cairo_t *cr, int width, int height, gpointer data)
{
    static_cast<Canvas *>(data)->draw(cr, width, height);
}

void Canvas::on_resize(GtkDrawingArea *, int, int, gpointer data)
{
    static_cast<Canvas *>(data)->resized_();
}

}  // namespace quillview
