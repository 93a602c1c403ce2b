// header_bar.h - the window's header bar: opening a folder, a new snippet
// and the export on one side; zooming and the primary menu on the other.
#ifndef QUILLVIEW_UI_HEADER_BAR_H
#define QUILLVIEW_UI_HEADER_BAR_H

#include <gtk/gtk.h>

namespace quillview {

// A new header bar whose buttons and menu items run the app. and win.
// actions (see shortcuts_window.h) of the window it is put in.
GtkWidget *new_header_bar();

}  // namespace quillview

#endif  // QUILLVIEW_UI_HEADER_BAR_H
