// canvas_input.cpp - the canvas under the pointer: Ctrl+wheel zooms
// around it, the middle button (or Shift and the first) pans, and the
// label under the canvas reads out the point and its pixel. A click gives
// the canvas the keyboard's focus.
#include <algorithm>
#include <cmath>

#include "canvas.h"
#include "pointer_readout.h"

namespace quillview {

namespace {

constexpr double kWheelZoom = 1.1;  // a wheel's notch
constexpr int kKeepVisible = 24;    // pixels of the picture a pan leaves on the canvas

}  // namespace

void Canvas::add_controllers()
{
    gtk_widget_set_focusable(area_, TRUE);
    GtkEventController *scroll =
        gtk_event_controller_scroll_new(GTK_EVENT_CONTROLLER_SCROLL_VERTICAL);
    g_signal_connect(scroll, "scroll", G_CALLBACK(&Canvas::on_scroll), this);
    gtk_widget_add_controller(area_, scroll);

    GtkGesture *drag = gtk_gesture_drag_new();
    gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(drag), 0);  // any: chosen on begin
    g_signal_connect(drag, "drag-begin", G_CALLBACK(&Canvas::on_drag_begin), this);
    g_signal_connect(drag, "drag-update", G_CALLBACK(&Canvas::on_drag_update), this);
    gtk_widget_add_controller(area_, GTK_EVENT_CONTROLLER(drag));

    GtkEventController *motion = gtk_event_controller_motion_new();
    g_signal_connect(motion, "enter", G_CALLBACK(&Canvas::on_motion), this);
    g_signal_connect(motion, "motion", G_CALLBACK(&Canvas::on_motion), this);
    g_signal_connect(motion, "leave", G_CALLBACK(&Canvas::on_leave), this);
    gtk_widget_add_controller(area_, motion);

    GtkGesture *click = gtk_gesture_click_new();
    g_signal_connect(click, "pressed", G_CALLBACK(&Canvas::on_pressed), this);
    gtk_widget_add_controller(area_, GTK_EVENT_CONTROLLER(click));

    GtkEventController *focus = gtk_event_controller_focus_new();
    g_signal_connect(focus, "enter", G_CALLBACK(&Canvas::on_focus_changed), this);
    g_signal_connect(focus, "leave", G_CALLBACK(&Canvas::on_focus_changed), this);
    gtk_widget_add_controller(area_, focus);
}

void Canvas::show_readout()
{
    std::string text;
    if (pointer_) {
        const auto [x, y] = *pointer_;
        for (int i = 0; i < static_cast<int>(snippets_.size()) && text.empty(); i++) {
            const std::optional<Square> at = square_of(i);
            // The selected picture's point anywhere; a grid's inside its tile.
            if (!at || (grid_ && !at->contains(x, y)))
                continue;
            const double u = (x - at->x) / at->side, v = (y - at->y) / at->side;
            const Picture *picture = snippets_[i].picture();
            text = readout_text(u, v, picture ? pixel_under(*picture, u, v) : std::nullopt);
        }
    }
    gtk_label_set_text(GTK_LABEL(readout_), text.c_str());
}

gboolean Canvas::on_scroll(GtkEventControllerScroll *scroll, double, double dy, gpointer data)
{
    auto *self = static_cast<Canvas *>(data);
    const GdkModifierType state =
        gtk_event_controller_get_current_event_state(GTK_EVENT_CONTROLLER(scroll));
    if ((state & GDK_CONTROL_MASK) == 0 || !self->pointer_ || dy == 0)
        return FALSE;
    self->zoom_at(std::pow(kWheelZoom, -dy), self->pointer_->first, self->pointer_->second);
    self->resized_();  // a new picture side is wanted
    return TRUE;
}

void Canvas::on_drag_begin(GtkGestureDrag *drag, double, double, gpointer data)
{
    auto *self = static_cast<Canvas *>(data);
    GtkGesture *gesture = GTK_GESTURE(drag);
    const guint button = gtk_gesture_single_get_current_button(GTK_GESTURE_SINGLE(drag));
    const GdkModifierType state =
        gtk_event_controller_get_current_event_state(GTK_EVENT_CONTROLLER(drag));
    const bool pans = button == GDK_BUTTON_MIDDLE ||
                      (button == GDK_BUTTON_PRIMARY && (state & GDK_SHIFT_MASK) != 0);
    if (!pans || self->grid_) {
        gtk_gesture_set_state(gesture, GTK_EVENT_SEQUENCE_DENIED);
        return;
    }
    gtk_gesture_set_state(gesture, GTK_EVENT_SEQUENCE_CLAIMED);
    self->drag_pan_x_ = self->pan_x_;
    self->drag_pan_y_ = self->pan_y_;
}

void Canvas::on_drag_update(GtkGestureDrag *, double dx, double dy, gpointer data)
{
    auto *self = static_cast<Canvas *>(data);
    const int side = self->wanted_size(self->selected_);
    const double reach_x = (gtk_widget_get_width(self->area_) + side) / 2.0 - kKeepVisible;
    const double reach_y = (gtk_widget_get_height(self->area_) + side) / 2.0 - kKeepVisible;
    self->pan_x_ = std::clamp(std::round(self->drag_pan_x_ + dx), -reach_x, reach_x);
    self->pan_y_ = std::clamp(std::round(self->drag_pan_y_ + dy), -reach_y, reach_y);
    self->redraw();
}

void Canvas::on_motion(GtkEventControllerMotion *, double x, double y, gpointer data)
{
    auto *self = static_cast<Canvas *>(data);
    self->pointer_ = std::pair{x, y};
    self->show_readout();
}

void Canvas::on_leave(GtkEventControllerMotion *, gpointer data)
{
    auto *self = static_cast<Canvas *>(data);
    self->pointer_.reset();
    self->show_readout();
}

void Canvas::on_pressed(GtkGestureClick *, int, double, double, gpointer data)
{
    gtk_widget_grab_focus(static_cast<Canvas *>(data)->area_);
}

void Canvas::on_focus_changed(GtkEventControllerFocus *, gpointer data)
{
    gtk_widget_queue_draw(static_cast<Canvas *>(data)->area_);
}

}  // namespace quillview
