// editor_view.h - how quillview sets up the snippet editor's view: long
// lines wrapped (in texts of a snippet's size), the cursor's line
// highlighted; and its scroll position as the line at its top, to keep for
// each snippet.
#ifndef QUILLVIEW_UI_EDITOR_VIEW_H
#define QUILLVIEW_UI_EDITOR_VIEW_H

#include <gtk/gtk.h>

namespace quillview {

// Highlights the current line of a GtkSourceView.
void set_up_editor_view(GtkTextView *view);
// Wraps long lines between words (or anywhere in a long word) while the
// text is small enough: wrapped, megabytes of text would keep the window
// busy for seconds laying them out.
void wrap_if_small(GtkTextView *view);
// The first line shown at the top of `view`.
int top_line(GtkTextView *view);
// Scrolls `view` so that `line` is at its top, once it is laid out.
void scroll_to_line(GtkTextView *view, int line);

}  // namespace quillview

#endif  // QUILLVIEW_UI_EDITOR_VIEW_H
