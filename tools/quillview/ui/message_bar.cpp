// message_bar.cpp - a GtkInfoBar with a wrapped label and its buttons.
#include "message_bar.h"

namespace quillview {

MessageBar::MessageBar() : bar_(gtk_info_bar_new()), label_(gtk_label_new(""))
{
    g_object_ref_sink(bar_);
    gtk_label_set_wrap(GTK_LABEL(label_), TRUE);
    gtk_label_set_wrap_mode(GTK_LABEL(label_), PANGO_WRAP_WORD_CHAR);
    gtk_label_set_selectable(GTK_LABEL(label_), TRUE);
    gtk_label_set_xalign(GTK_LABEL(label_), 0);
    gtk_widget_set_hexpand(label_, TRUE);
    gtk_info_bar_add_child(GTK_INFO_BAR(bar_), label_);
    gtk_info_bar_set_revealed(GTK_INFO_BAR(bar_), FALSE);
    g_signal_connect(bar_, "response", G_CALLBACK(&MessageBar::on_response), this);
}

MessageBar::~MessageBar()
{
    g_signal_handlers_disconnect_by_data(bar_, this);
    g_object_unref(bar_);
}

void MessageBar::show(GtkMessageType type, const std::string &text, std::vector<Button> buttons,
                      std::function<void()> closed)
{
    for (GtkWidget *b : buttons_)
        gtk_info_bar_remove_action_widget(GTK_INFO_BAR(bar_), b);
    buttons_.clear();
    keys_.clear();
    pressed_.clear();
    for (Button &b : buttons) {
        const std::size_t mark = b.label.find('_');
        keys_.push_back(mark != std::string::npos && mark + 1 < b.label.size()
                            ? gdk_keyval_to_lower(gdk_unicode_to_keyval(
                                  static_cast<unsigned char>(b.label[mark + 1])))
                            : 0);
        buttons_.push_back(gtk_info_bar_add_button(GTK_INFO_BAR(bar_), b.label.c_str(),
                                                   static_cast<int>(pressed_.size())));
        pressed_.push_back(std::move(b.pressed));
    }
    text_ = text;
    gtk_label_set_text(GTK_LABEL(label_), text.c_str());
    gtk_info_bar_set_message_type(GTK_INFO_BAR(bar_), type);
    closed_ = std::move(closed);
    gtk_info_bar_set_show_close_button(GTK_INFO_BAR(bar_), closed_ != nullptr);
    gtk_info_bar_set_revealed(GTK_INFO_BAR(bar_), TRUE);
}

void MessageBar::hide()
{
    text_.clear();
    gtk_info_bar_set_revealed(GTK_INFO_BAR(bar_), FALSE);
}

void MessageBar::answer_keys_in(GtkWidget *ancestor)
{
    GtkEventController *keys = gtk_event_controller_key_new();
    gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
    g_signal_connect(keys, "key-pressed", G_CALLBACK(&MessageBar::on_key), this);
    gtk_widget_add_controller(ancestor, keys);
}

gboolean MessageBar::on_key(GtkEventControllerKey *, guint keyval, guint, GdkModifierType state,
                            gpointer data)
{
    auto *self = static_cast<MessageBar *>(data);
    const GdkModifierType mods = static_cast<GdkModifierType>(
        state & (GDK_ALT_MASK | GDK_CONTROL_MASK | GDK_SUPER_MASK | GDK_SHIFT_MASK));
    if (self->text_.empty() || mods != GDK_ALT_MASK)
        return FALSE;
    for (std::size_t i = 0; i < self->keys_.size(); i++)
        if (self->keys_[i] != 0 && self->keys_[i] == gdk_keyval_to_lower(keyval)) {
            // At once, as a click: a button's own activation waits a moment.
            on_response(GTK_INFO_BAR(self->bar_), static_cast<int>(i), self);
            return TRUE;
        }
    return FALSE;
}

void MessageBar::on_response(GtkInfoBar *, int response, gpointer data)
{
    auto *self = static_cast<MessageBar *>(data);
    if (response >= 0 && response < static_cast<int>(self->pressed_.size())) {
        // The answer may show the bar anew, and so replace its buttons.
        const std::function<void()> pressed = self->pressed_[static_cast<std::size_t>(response)];
        pressed();
    } else if (response == GTK_RESPONSE_CLOSE) {
        const std::function<void()> closed = self->closed_;
        self->hide();
        if (closed)
            closed();
    }
}

}  // namespace quillview
