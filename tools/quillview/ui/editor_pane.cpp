// editor_pane.cpp - the source editor and its messages.
#include "editor_pane.h"

#include "state_text.h"

namespace quillview {

namespace {

constexpr guint kTypingPauseMs = 300;
constexpr int kSpacing = 4;
constexpr GdkRGBA kWarningColour{0.9f, 0.5f, 0.0f, 1.0f};

}  // namespace

EditorPane::EditorPane()
{
    GtkSourceLanguage *c =
        gtk_source_language_manager_get_language(gtk_source_language_manager_get_default(), "c");
    buffer_ = c ? gtk_source_buffer_new_with_language(c) : gtk_source_buffer_new(nullptr);
    GtkTextBuffer *text = GTK_TEXT_BUFFER(buffer_);
    GtkTextTag *error_tag =
        gtk_text_buffer_create_tag(text, "error", "underline", PANGO_UNDERLINE_ERROR, nullptr);
    gtk_text_buffer_create_tag(text, "warning", "underline", PANGO_UNDERLINE_ERROR,
                               "underline-rgba", &kWarningColour, nullptr);
    // An error over a warning, and both over the highlighting.
    gtk_text_tag_set_priority(error_tag,
                              gtk_text_tag_table_get_size(gtk_text_buffer_get_tag_table(text)) - 1);
    g_signal_connect(buffer_, "changed", G_CALLBACK(&EditorPane::on_changed), this);

    GtkWidget *view = gtk_source_view_new_with_buffer(buffer_);
    gtk_source_view_set_show_line_numbers(GTK_SOURCE_VIEW(view), TRUE);
    gtk_source_view_set_auto_indent(GTK_SOURCE_VIEW(view), TRUE);
    gtk_text_view_set_monospace(GTK_TEXT_VIEW(view), TRUE);
    GtkWidget *scroll = gtk_scrolled_window_new();
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scroll), view);
    gtk_widget_set_vexpand(scroll, TRUE);

    messages_ = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(messages_), 0);
    gtk_label_set_wrap(GTK_LABEL(messages_), TRUE);
    gtk_label_set_selectable(GTK_LABEL(messages_), TRUE);

    box_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, kSpacing);
    g_object_ref_sink(box_);
    gtk_box_append(GTK_BOX(box_), scroll);
    gtk_box_append(GTK_BOX(box_), messages_);
}

EditorPane::~EditorPane()
{
    if (timer_ != 0)
        g_source_remove(timer_);
    g_signal_handlers_disconnect_by_data(buffer_, this);
    g_object_unref(buffer_);
    g_object_unref(box_);
}

void EditorPane::flush()
{
    if (timer_ == 0)
        return;
    g_source_remove(timer_);
    on_pause(this);
}

void EditorPane::load(const std::string &source)
{
    GtkTextBuffer *text = GTK_TEXT_BUFFER(buffer_);
    GtkTextIter cursor;
    gtk_text_buffer_get_iter_at_mark(text, &cursor, gtk_text_buffer_get_insert(text));
    const int offset = gtk_text_iter_get_offset(&cursor);
    loading_ = true;
    gtk_text_buffer_set_text(text, source.c_str(), static_cast<int>(source.size()));
    loading_ = false;
    gtk_text_buffer_get_iter_at_offset(text, &cursor, offset);
    gtk_text_buffer_place_cursor(text, &cursor);
}

std::string EditorPane::text() const
{
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(GTK_TEXT_BUFFER(buffer_), &start, &end);
    char *chars = gtk_text_buffer_get_text(GTK_TEXT_BUFFER(buffer_), &start, &end, FALSE);
    std::string result(chars);
    g_free(chars);
    return result;
}

void EditorPane::show_messages(const SnippetState &s)
{
    GtkTextBuffer *text = GTK_TEXT_BUFFER(buffer_);
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(text, &start, &end);
    gtk_text_buffer_remove_tag_by_name(text, "error", &start, &end);
    gtk_text_buffer_remove_tag_by_name(text, "warning", &start, &end);
    std::string listed;
    for (const Diagnostic &d : s.diagnostics()) {
        if (d.severity == "note")
            continue;
        listed += (d.line > 0 ? "line " + std::to_string(d.line) + ": " : std::string()) +
                  d.severity + ": " + d.text + "\n";
        if (!s.diagnostics_current() || d.line <= 0 ||
            d.line > gtk_text_buffer_get_line_count(text))
            continue;
        gtk_text_buffer_get_iter_at_line(text, &start, d.line - 1);
        end = start;
        if (!gtk_text_iter_ends_line(&end))
            gtk_text_iter_forward_to_line_end(&end);
        gtk_text_buffer_apply_tag_by_name(text, d.severity.c_str(), &start, &end);
    }
    if (build_failed(s) && s.diagnostics().empty())
        listed = s.build_log();
    if (!listed.empty() && listed.back() == '\n')
        listed.pop_back();
    gtk_label_set_text(GTK_LABEL(messages_), listed.c_str());
}

void EditorPane::on_changed(GtkTextBuffer *, gpointer data)
{
    auto *self = static_cast<EditorPane *>(data);
    if (self->loading_)
        return;
    if (self->timer_ != 0)
        g_source_remove(self->timer_);
    self->timer_ = g_timeout_add(kTypingPauseMs, &EditorPane::on_pause, self);
}

gboolean EditorPane::on_pause(gpointer data)
{
    auto *self = static_cast<EditorPane *>(data);
    self->timer_ = 0;
    self->paused_(self->text());
    return G_SOURCE_REMOVE;
}

}  // namespace quillview
