// shortcuts_window.h - the keys of quillview's actions, one table for the
// application's accelerators and for the window that lists them (Ctrl+?),
// with the keys of the canvas and what the mouse does.
#ifndef QUILLVIEW_UI_SHORTCUTS_WINDOW_H
#define QUILLVIEW_UI_SHORTCUTS_WINDOW_H

#include <gtk/gtk.h>

namespace quillview {

// Where a shortcut works.
enum class Where {
    kAnywhere,  // an accelerator of the application, the editor focused or not
    kCanvas,    // a key of the focused canvas (typing never runs it)
    kMouse,     // the mouse, described by its title alone
};

struct Shortcut {
    const char *group;      // the heading it is listed under (a group's entries together)
    const char *action;     // "app.NAME" or "win.NAME" (kAnywhere)
    const char *title;      // what it does
    const char *accels[4];  // GTK accelerators, null-terminated
    Where where = Where::kAnywhere;
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
    {"View", "win.zoom-reset", "Zoom to fit the canvas", {"<Control>0", "<Control>KP_0", nullptr}},
    {"View", "win.checker", "Checkerboard behind the picture", {"<Control>b", nullptr}},
    {"Animation", "win.play", "Play or pause", {"<Control>space", nullptr}},
    {"Animation", nullptr, "Play or pause (canvas)", {"space", nullptr}, Where::kCanvas},
    {"Animation", nullptr, "Back to 0 s (canvas)", {"Home", nullptr}, Where::kCanvas},
    {"Mouse", nullptr, "Ctrl+wheel: zoom around the pointer", {nullptr}, Where::kMouse},
    {"Mouse", nullptr, "Middle button, or Shift+drag: move the picture", {nullptr}, Where::kMouse},
    {"Mouse",
     nullptr,
     "Ctrl+drag sideways on a number: change it (Shift: ten times as far)",
     {nullptr},
     Where::kMouse},
    {"Application", "app.shortcuts", "Keyboard shortcuts", {"<Control>question", nullptr}},
    {"Application", "app.quit", "Quit", {"<Control>q", nullptr}},
};

// A new shortcuts window for `parent`, listing every kShortcuts entry under
// its group; shown with gtk_window_present.
GtkWindow *new_shortcuts_window(GtkWindow *parent);

}  // namespace quillview

#endif  // QUILLVIEW_UI_SHORTCUTS_WINDOW_H
