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
constexpr double kMinZoom = 0.25, kMaxZoom = 16.0;
constexpr int kMaxPicture = 4096;
constexpr int kCheckerTile = 12;
constexpr double kFontSize = 14;
constexpr double kNameFontSize = 12;
constexpr double kOutlineGrey = 0.55;
constexpr int kFocusLine = 2;
constexpr double kFocusRgb[] = {0.21, 0.52, 0.89};

// Restores the context's state when it goes.
class SavedState {
public:
    explicit SavedState(cairo_t *cr) : cr_(cr) { cairo_save(cr_); }
    ~SavedState() { cairo_restore(cr_); }
    SavedState(const SavedState &) = delete;
    SavedState &operator=(const SavedState &) = delete;

private:
    cairo_t *cr_;
};

void show_centred_text(cairo_t *cr, double x, double y, const std::string &text,
                       double size = kFontSize)
{
    cairo_text_extents_t ext;
    cairo_set_font_size(cr, size);
    cairo_text_extents(cr, text.c_str(), &ext);
    cairo_move_to(cr, x - ext.width / 2 - ext.x_bearing, y);
    cairo_show_text(cr, text.c_str());
}

// `text`, cut short with an ellipsis to fit `width` at the name's size.
std::string fitted(cairo_t *cr, std::string text, double width)
{
    cairo_set_font_size(cr, kNameFontSize);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, text.c_str(), &ext);
    bool cut = false;
    while (ext.x_advance > width && !text.empty()) {
        do
            text.pop_back();  // whole UTF-8 characters
        while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xc0) == 0x80);
        text.pop_back();
        cut = true;
        cairo_text_extents(cr, (text + "…").c_str(), &ext);
    }
    return cut ? text + "…" : text;
}

void paint_picture(cairo_t *cr, cairo_surface_t *picture, const Square &at)
{
    const int w = cairo_image_surface_get_width(picture);
    SavedState saved(cr);
    cairo_translate(cr, at.x, at.y);
    cairo_scale(cr, at.side / w, at.side / w);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_paint(cr);
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
    : snippets_(snippets), fixed_size_(fixed_size), area_(gtk_drawing_area_new()),
      readout_(gtk_label_new(""))
{
    g_object_ref_sink(area_);
    g_object_ref_sink(readout_);
    gtk_widget_set_hexpand(area_, TRUE);
    gtk_widget_set_vexpand(area_, TRUE);
    gtk_label_set_xalign(GTK_LABEL(readout_), 0);
    gtk_label_set_ellipsize(GTK_LABEL(readout_), PANGO_ELLIPSIZE_END);
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(area_), &Canvas::on_draw, this, nullptr);
    g_signal_connect(area_, "resize", G_CALLBACK(&Canvas::on_resize), this);
    add_controllers();
}

Canvas::~Canvas()
{
    g_signal_handlers_disconnect_by_data(area_, this);
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(area_), nullptr, nullptr, nullptr);
    g_object_unref(readout_);
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
    zoom_at(kZoomStep, gtk_widget_get_width(area_) / 2.0, gtk_widget_get_height(area_) / 2.0);
}

void Canvas::zoom_out()
{
    zoom_at(1 / kZoomStep, gtk_widget_get_width(area_) / 2.0, gtk_widget_get_height(area_) / 2.0);
}

void Canvas::zoom_reset()
{
    pan_x_ = pan_y_ = 0;
    set_zoom(1.0);
}

void Canvas::set_zoom(double zoom)
{
    zoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
    redraw();
}

void Canvas::zoom_at(double factor, double x, double y)
{
    const std::optional<Square> before = grid_ ? std::nullopt : square_of(selected_);
    set_zoom(zoom_ * factor);
    if (!before)
        return;
    // The unit-square point under (x, y) stays there.
    const double u = (x - before->x) / before->side, v = (y - before->y) / before->side;
    const int side = wanted_size(selected_);
    pan_x_ = std::round(x - u * side - (gtk_widget_get_width(area_) - side) / 2.0);
    pan_y_ = std::round(y - v * side - (gtk_widget_get_height(area_) - side) / 2.0);
}

void Canvas::redraw()
{
    gtk_widget_queue_draw(area_);
    show_readout();
}

void Canvas::remove(int index)
{
    if (index < static_cast<int>(cache_.size()))
        cache_.erase(cache_.begin() + index);
    if (selected_ > index)
        selected_--;
    redraw();
}

int Canvas::base_side() const
{
    return fixed_size_ > 0 ? fixed_size_
                           : std::min(gtk_widget_get_width(area_), gtk_widget_get_height(area_));
}

int Canvas::wanted_size(int index) const
{
    const int width = gtk_widget_get_width(area_), height = gtk_widget_get_height(area_);
    if (width <= 0 || height <= 0)
        return 0;  // not laid out yet
    if (grid_)
        return grid_layout(static_cast<int>(snippets_.size()), width, height).side;
    if (index != selected_)
        return 0;
    return std::clamp(static_cast<int>(std::lround(base_side() * zoom_)), kMinPicture, kMaxPicture);
}

std::optional<Square> Canvas::square_of(int index) const
{
    const int width = gtk_widget_get_width(area_), height = gtk_widget_get_height(area_);
    const int side = wanted_size(index);
    if (side <= 0 || index < 0 || index >= static_cast<int>(snippets_.size()))
        return std::nullopt;
    if (grid_)
        return grid_tile(grid_layout(static_cast<int>(snippets_.size()), width, height), index);
    return single_square(side, width, height, pan_x_, pan_y_);
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
    if (!snippets_.empty()) {
        if (grid_)
            draw_grid(cr, width, height);
        else
            draw_single(cr, width, height);
    }
    if (gtk_widget_has_focus(area_)) {
        cairo_set_source_rgb(cr, kFocusRgb[0], kFocusRgb[1], kFocusRgb[2]);
        cairo_set_line_width(cr, kFocusLine);
        cairo_rectangle(cr, kFocusLine / 2.0, kFocusLine / 2.0, width - kFocusLine,
                        height - kFocusLine);
        cairo_stroke(cr);
    }
}

void Canvas::draw_single(cairo_t *cr, int width, int height)
{
    const std::optional<Square> at = square_of(selected_);
    if (!at)
        return;
    const SnippetState &s = snippets_[selected_];
    if (!s.failure().empty()) {
        cairo_set_source_rgb(cr, 0.7, 0, 0);
        show_centred_text(cr, width / 2.0, height / 2.0, s.failure());
        return;
    }
    if (cairo_surface_t *picture = picture_of(selected_)) {
        paint_picture(cr, picture, *at);
        if (s.status() == SnippetStatus::kStale) {
            cairo_rectangle(cr, at->x, at->y, at->side, at->side);
            cairo_set_source_rgba(cr, 0.5, 0.5, 0.5, 0.55);
            cairo_fill(cr);
            cairo_set_source_rgb(cr, 0.6, 0, 0);
            show_centred_text(cr, width / 2.0, at->y + 24, "stale: the snippet does not compile");
        }
    } else if (build_failed(s)) {
        cairo_set_source_rgb(cr, 0.6, 0, 0);
        show_centred_text(cr, width / 2.0, height / 2.0, "the snippet does not compile");
    }
    // The unit square's edge, one pixel outside the picture.
    cairo_rectangle(cr, at->x - 0.5, at->y - 0.5, at->side + 1, at->side + 1);
    cairo_set_source_rgb(cr, kOutlineGrey, kOutlineGrey, kOutlineGrey);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

void Canvas::draw_grid(cairo_t *cr, int width, int height)
{
    const GridLayout grid = grid_layout(static_cast<int>(snippets_.size()), width, height);
    for (int i = 0; i < static_cast<int>(snippets_.size()); i++) {
        const SnippetState &s = snippets_[i];
        const Square at = grid_tile(grid, i);
        cairo_surface_t *picture = s.failure().empty() ? picture_of(i) : nullptr;
        if (picture != nullptr)
            paint_picture(cr, picture, at);
        if (!s.failure().empty() || build_failed(s)) {
            cairo_rectangle(cr, at.x, at.y, at.side, at.side);
            cairo_set_source_rgba(cr, 0.7, 0, 0, 0.25);
            cairo_fill(cr);
        }
        const bool selected = i == selected_;
        cairo_rectangle(cr, at.x - 0.5, at.y - 0.5, at.side + 1, at.side + 1);
        cairo_set_source_rgb(cr, selected ? 0.2 : 0.8, selected ? 0.4 : 0.8, selected ? 0.9 : 0.8);
        cairo_set_line_width(cr, selected ? 2 : 1);
        cairo_stroke(cr);
        const double grey = selected ? 0.1 : 0.3;
        cairo_set_source_rgb(cr, grey, grey, grey);
        show_centred_text(cr, at.x + at.side / 2, at.y + at.side + kNameBand - kTileMargin,
                          fitted(cr, s.file().name, grid.column_width - 2 * kTileMargin),
                          kNameFontSize);
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
