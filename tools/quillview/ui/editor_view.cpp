// editor_view.cpp - the editor's wrapping, highlighting and scroll position.
#include "editor_view.h"

#include <gtksourceview/gtksource.h>

namespace quillview {

namespace {

constexpr const char *kTopMark = "quillview-top";
constexpr int kMaxWrappedChars = 100000;

}  // namespace

void set_up_editor_view(GtkTextView *view)
{
    if (GTK_SOURCE_IS_VIEW(view))
        gtk_source_view_set_highlight_current_line(GTK_SOURCE_VIEW(view), TRUE);
    wrap_if_small(view);
}

void wrap_if_small(GtkTextView *view)
{
    const bool small =
        gtk_text_buffer_get_char_count(gtk_text_view_get_buffer(view)) <= kMaxWrappedChars;
    const GtkWrapMode mode = small ? GTK_WRAP_WORD_CHAR : GTK_WRAP_NONE;
    if (gtk_text_view_get_wrap_mode(view) != mode)
        gtk_text_view_set_wrap_mode(view, mode);
}

int top_line(GtkTextView *view)
{
    GdkRectangle visible;
    gtk_text_view_get_visible_rect(view, &visible);
    GtkTextIter top;
    gtk_text_view_get_line_at_y(view, &top, visible.y, nullptr);
    return gtk_text_iter_get_line(&top);
}

void scroll_to_line(GtkTextView *view, int line)
{
    GtkTextBuffer *buffer = gtk_text_view_get_buffer(view);
    GtkTextIter at;
    gtk_text_buffer_get_iter_at_line(buffer, &at, line);
    GtkTextMark *mark = gtk_text_buffer_get_mark(buffer, kTopMark);
    if (mark == nullptr)
        mark = gtk_text_buffer_create_mark(buffer, kTopMark, &at, TRUE);
    else
        gtk_text_buffer_move_mark(buffer, mark, &at);
    // Done once the view has laid the new text out.
    gtk_text_view_scroll_to_mark(view, mark, 0, TRUE, 0, 0);
}

}  // namespace quillview
