// editor_pane.cpp - the source editor, its bar and its messages.
#include "editor_pane.h"

#include "state_text.h"

namespace quillview {

namespace {

constexpr guint kTypingPauseMs = 300;
constexpr int kSpacing = 4;
constexpr int kMessagesHeight = 120;  // the most the messages take before they scroll
constexpr GdkRGBA kWarningColour{0.9f, 0.5f, 0.0f, 1.0f};

// Each byte as the Latin-1 character it stands for; a NUL byte, which a
// text buffer cannot hold, as U+2400 (the symbol for NUL).
std::string latin1_to_utf8(const std::string &bytes)
{
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == 0) {
            text += "\xe2\x90\x80";
        } else if (b < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xc0 | (b >> 6));
            text += static_cast<char>(0x80 | (b & 0x3f));
        }
    }
    return text;
}

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

    view_ = gtk_source_view_new_with_buffer(buffer_);
    gtk_source_view_set_show_line_numbers(GTK_SOURCE_VIEW(view_), TRUE);
    gtk_source_view_set_auto_indent(GTK_SOURCE_VIEW(view_), TRUE);
    gtk_text_view_set_monospace(GTK_TEXT_VIEW(view_), TRUE);
    GtkWidget *scroll = gtk_scrolled_window_new();
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scroll), view_);
    gtk_widget_set_vexpand(scroll, TRUE);

    // However long the log, the window's layout never waits for it: a text
    // view lays out only the lines it shows.
    messages_ = gtk_text_view_new();
    gtk_text_view_set_editable(GTK_TEXT_VIEW(messages_), FALSE);
    gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(messages_), FALSE);
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(messages_), GTK_WRAP_WORD_CHAR);
    messages_box_ = gtk_scrolled_window_new();
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(messages_box_), messages_);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(messages_box_), GTK_POLICY_NEVER,
                                   GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_max_content_height(GTK_SCROLLED_WINDOW(messages_box_), kMessagesHeight);
    gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(messages_box_), TRUE);
    gtk_widget_set_visible(messages_box_, FALSE);

    box_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, kSpacing);
    g_object_ref_sink(box_);
    gtk_box_append(GTK_BOX(box_), bar_.widget());
    gtk_box_append(GTK_BOX(box_), scroll);
    gtk_box_append(GTK_BOX(box_), messages_box_);
    bar_.answer_keys_in(box_);
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

bool EditorPane::load(const std::string &source)
{
    GtkTextBuffer *text = GTK_TEXT_BUFFER(buffer_);
    GtkTextIter cursor;
    gtk_text_buffer_get_iter_at_mark(text, &cursor, gtk_text_buffer_get_insert(text));
    const int offset = gtk_text_iter_get_offset(&cursor);
    // GTK refuses text that is not UTF-8 (and would show nothing at all).
    const bool utf8 = g_utf8_validate(source.data(), static_cast<gssize>(source.size()), nullptr);
    const std::string shown = utf8 ? source : latin1_to_utf8(source);
    loading_ = true;
    gtk_text_buffer_set_text(text, shown.c_str(), static_cast<int>(shown.size()));
    loading_ = false;
    gtk_text_buffer_get_iter_at_offset(text, &cursor, offset);
    gtk_text_buffer_place_cursor(text, &cursor);
    set_editable(utf8);
    return utf8;
}

void EditorPane::set_editable(bool editable)
{
    gtk_text_view_set_editable(GTK_TEXT_VIEW(view_), editable);
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
    if (underlined_) {
        gtk_text_buffer_get_bounds(text, &start, &end);
        gtk_text_buffer_remove_tag_by_name(text, "error", &start, &end);
        gtk_text_buffer_remove_tag_by_name(text, "warning", &start, &end);
        underlined_ = false;
    }
    // At most the builder's markers (100) are listed and underlined.
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
        underlined_ = true;
    }
    if (build_failed(s) && s.diagnostics().empty())
        listed = s.build_log();  // capped by the builder (QUILLVIEW_LOG_KIB)
    if (!listed.empty() && listed.back() == '\n')
        listed.pop_back();
    if (listed == listed_)
        return;  // the same list: nothing to lay out again
    listed_ = listed;
    GtkTextBuffer *messages = gtk_text_view_get_buffer(GTK_TEXT_VIEW(messages_));
    // The log is the compiler's bytes: what is not UTF-8 is shown as Latin-1.
    const std::string shown =
        g_utf8_validate(listed.data(), static_cast<gssize>(listed.size()), nullptr)
            ? listed
            : latin1_to_utf8(listed);
    gtk_text_buffer_set_text(messages, shown.c_str(), static_cast<int>(shown.size()));
    gtk_widget_set_visible(messages_box_, !shown.empty());
}

void EditorPane::on_changed(GtkTextBuffer *, gpointer data)
{
    auto *self = static_cast<EditorPane *>(data);
    if (self->loading_)
        return;
    if (self->timer_ != 0)
        g_source_remove(self->timer_);
    self->timer_ = g_timeout_add(kTypingPauseMs, &EditorPane::on_pause, self);
    self->changed_();
}

gboolean EditorPane::on_pause(gpointer data)
{
    auto *self = static_cast<EditorPane *>(data);
    self->timer_ = 0;
    self->paused_(self->text());
    return G_SOURCE_REMOVE;
}

}  // namespace quillview
