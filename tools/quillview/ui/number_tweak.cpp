// number_tweak.cpp - the drag on a number and its steps.
#include "number_tweak.h"

#include <cmath>

namespace quillview {

namespace {

constexpr double kPixelsPerStep = 8;
constexpr long kShiftSteps = 10;

std::string buffer_text(GtkTextBuffer *buffer)
{
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    char *chars = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
    std::string text(chars);
    g_free(chars);
    return text;
}

}  // namespace

NumberTweak::NumberTweak(GtkTextView *view, std::function<void(std::string text)> changed,
                         std::function<void(bool dragging)> dragging)
    : view_(view), changed_(std::move(changed)), dragging_(std::move(dragging)),
      drag_(gtk_gesture_drag_new())
{
    // Before the view's own selecting drag, which it denies once it claims.
    gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(drag_), GTK_PHASE_CAPTURE);
    gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(drag_), GDK_BUTTON_PRIMARY);
    g_signal_connect(drag_, "drag-begin", G_CALLBACK(&NumberTweak::on_begin), this);
    g_signal_connect(drag_, "drag-update", G_CALLBACK(&NumberTweak::on_update), this);
    g_signal_connect(drag_, "drag-end", G_CALLBACK(&NumberTweak::on_end), this);
    g_signal_connect(drag_, "cancel", G_CALLBACK(&NumberTweak::on_cancel), this);
    g_object_ref(drag_);
    gtk_widget_add_controller(GTK_WIDGET(view_), GTK_EVENT_CONTROLLER(drag_));
}

NumberTweak::~NumberTweak()
{
    g_signal_handlers_disconnect_by_data(drag_, this);
    dragging_ = [](bool) {};
    finish();
    g_object_unref(drag_);
}

void NumberTweak::finish()
{
    if (start_ == nullptr)
        return;
    GtkTextBuffer *buffer = gtk_text_view_get_buffer(view_);
    gtk_text_buffer_end_user_action(buffer);
    gtk_text_buffer_delete_mark(buffer, start_);
    gtk_text_buffer_delete_mark(buffer, end_);
    start_ = end_ = nullptr;
    dragging_(false);
}

void NumberTweak::on_begin(GtkGestureDrag *drag, double x, double y, gpointer data)
{
    auto *self = static_cast<NumberTweak *>(data);
    GtkGesture *gesture = GTK_GESTURE(drag);
    const GdkModifierType state =
        gtk_event_controller_get_current_event_state(GTK_EVENT_CONTROLLER(drag));
    std::optional<NumberLiteral> number;
    GtkTextIter line_start, line_end;
    if ((state & GDK_CONTROL_MASK) != 0 && gtk_text_view_get_editable(self->view_)) {
        int bx = 0, by = 0;
        gtk_text_view_window_to_buffer_coords(self->view_, GTK_TEXT_WINDOW_WIDGET,
                                              static_cast<int>(x), static_cast<int>(y), &bx, &by);
        GtkTextIter at;
        if (gtk_text_view_get_iter_at_location(self->view_, &at, bx, by)) {
            line_start = line_end = at;
            gtk_text_iter_set_line_offset(&line_start, 0);
            if (!gtk_text_iter_ends_line(&line_end))
                gtk_text_iter_forward_to_line_end(&line_end);
            char *line = gtk_text_iter_get_text(&line_start, &line_end);
            number = number_at(line, static_cast<std::size_t>(gtk_text_iter_get_line_index(&at)));
            g_free(line);
        }
    }
    if (!number) {
        gtk_gesture_set_state(gesture, GTK_EVENT_SEQUENCE_DENIED);
        return;
    }
    gtk_gesture_set_state(gesture, GTK_EVENT_SEQUENCE_CLAIMED);
    GtkTextBuffer *buffer = gtk_text_view_get_buffer(self->view_);
    self->finish();
    GtkTextIter start = line_start, end = line_start;
    gtk_text_iter_set_line_index(&start, static_cast<int>(number->start));
    gtk_text_iter_set_line_index(&end, static_cast<int>(number->start + number->length));
    self->start_ = gtk_text_buffer_create_mark(buffer, nullptr, &start, TRUE);
    self->end_ = gtk_text_buffer_create_mark(buffer, nullptr, &end, FALSE);
    self->literal_ = number->text;
    self->steps_ = 0;
    gtk_text_buffer_begin_user_action(buffer);
    self->dragging_(true);
}

void NumberTweak::on_update(GtkGestureDrag *drag, double dx, double, gpointer data)
{
    auto *self = static_cast<NumberTweak *>(data);
    if (self->start_ == nullptr)
        return;
    const GdkModifierType state =
        gtk_event_controller_get_current_event_state(GTK_EVENT_CONTROLLER(drag));
    const long steps = static_cast<long>(std::trunc(dx / kPixelsPerStep)) *
                       ((state & GDK_SHIFT_MASK) != 0 ? kShiftSteps : 1);
    if (steps == self->steps_)
        return;
    self->steps_ = steps;
    GtkTextBuffer *buffer = gtk_text_view_get_buffer(self->view_);
    GtkTextIter start, end;
    gtk_text_buffer_get_iter_at_mark(buffer, &start, self->start_);
    gtk_text_buffer_get_iter_at_mark(buffer, &end, self->end_);
    std::string text = stepped(self->literal_, steps);
    // "a - -1", never "a--1".
    GtkTextIter before = start;
    if (text[0] == '-' && gtk_text_iter_backward_char(&before) &&
        (gtk_text_iter_get_char(&before) == '-' || gtk_text_iter_get_char(&before) == '+'))
        text.insert(0, " ");
    gtk_text_buffer_delete(buffer, &start, &end);
    gtk_text_buffer_insert(buffer, &start, text.c_str(), static_cast<int>(text.size()));
    self->changed_(buffer_text(buffer));
}

void NumberTweak::on_end(GtkGestureDrag *, double, double, gpointer data)
{
    static_cast<NumberTweak *>(data)->finish();
}

void NumberTweak::on_cancel(GtkGesture *, GdkEventSequence *, gpointer data)
{
    static_cast<NumberTweak *>(data)->finish();
}

}  // namespace quillview
