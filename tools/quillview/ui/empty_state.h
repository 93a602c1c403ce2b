// empty_state.h - what a window without snippets shows in place of its
// editor and canvas: that its folder has none, and buttons to open another
// folder or make a new snippet (the window's open and new actions).
#ifndef QUILLVIEW_UI_EMPTY_STATE_H
#define QUILLVIEW_UI_EMPTY_STATE_H

#include <gtk/gtk.h>

#include <string>

namespace quillview {

class EmptyState {
public:
    EmptyState();
    ~EmptyState();
    EmptyState(const EmptyState &) = delete;
    EmptyState &operator=(const EmptyState &) = delete;

    GtkWidget *widget() const { return box_; }
    // The folder looked in.
    void set_folder(const std::string &folder);

private:
    GtkWidget *box_;
    GtkWidget *where_;
};

}  // namespace quillview

#endif  // QUILLVIEW_UI_EMPTY_STATE_H
