// shortcuts_window.h - the keys of quillview's actions, one table for the
// application's accelerators and for the window that lists them (Ctrl+?).
#ifndef QUILLVIEW_UI_SHORTCUTS_WINDOW_H
#define QUILLVIEW_UI_SHORTCUTS_WINDOW_H

#include <gtk/gtk.h>

namespace quillview {

struct Shortcut {
    const char *group;      // the heading it is listed under (a group's entries together)
    const char *action;     // "app.NAME" or "win.NAME"
    const char *title;      // what it does
    const char *accels[4];  // GTK accelerators, null-terminated
};

inline constexpr Shortcut kShortcuts[] = {
    {"Snippets", "win.next", "Next snippet", {"<Control>Page_Down", "<Alt>Down", nullptr}},
    {"Snippets", "win.previous", "Previous snippet", {"<Control>Page_Up", "<Alt>Up", nullptr}},
    {"Snippets", "win.save", "Save the snippet", {"<Control>s", nullptr}},
    {"Snippets", "win.new", "New snippet", {"<Control>n", nullptr}},
    {"Snippets", "win.open", "Open a folder", {"<Control>o", nullptr}},
    {"Snippets", "win.export", "Export the snippets", {"<Control>e", nullptr}},
    {"View", "win.grid", "All snippets in a grid", {"<Control>g", nullptr}},
    {"View",
     "win.zoom-in",
     "Zoom in",
     {"<Control>plus", "<Control>equal", "<Control>KP_Add", nullptr}},
    {"View", "win.zoom-out", "Zoom out", {"<Control>minus", "<Control>KP_Subtract", nullptr}},
    {"View",
     "win.zoom-reset",
     "Zoom to the canvas's size",
     {"<Control>0", "<Control>KP_0", nullptr}},
    {"View", "win.checker", "Checkerboard behind the picture", {"<Control>b", nullptr}},
    {"Application", "app.shortcuts", "Keyboard shortcuts", {"<Control>question", nullptr}},
    {"Application", "app.quit", "Quit", {"<Control>q", nullptr}},
};

// A new shortcuts window for `parent`, listing every kShortcuts entry under
// its group; shown with gtk_window_present.
GtkWindow *new_shortcuts_window(GtkWindow *parent);

}  // namespace quillview

#endif  // QUILLVIEW_UI_SHORTCUTS_WINDOW_H
