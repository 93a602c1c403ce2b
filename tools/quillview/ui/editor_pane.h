// editor_pane.h - the selected snippet's source in a C editor, its
// compiler messages underlined at their lines and listed below it.
#ifndef QUILLVIEW_UI_EDITOR_PANE_H
#define QUILLVIEW_UI_EDITOR_PANE_H

#include <gtk/gtk.h>
#include <gtksourceview/gtksource.h>

#include <functional>
#include <string>

#include "snippet_state.h"

namespace quillview {

class EditorPane {
public:
    EditorPane();
    ~EditorPane();
    EditorPane(const EditorPane &) = delete;
    EditorPane &operator=(const EditorPane &) = delete;

    // The editor above its messages.
    GtkWidget *widget() const { return box_; }
    // Called with the editor's text after a pause in typing.
    void set_on_typing_pause(std::function<void(std::string text)> paused)
    {
        paused_ = std::move(paused);
    }
    // Hands typing still waiting for its pause over now.
    void flush();
    // Shows `text` (which is not typing); the cursor keeps its offset.
    void load(const std::string &text);
    std::string text() const;
    // Underlines the messages of `s`'s last build at their lines (when they
    // are about the text shown) and lists them, or the build's log.
    void show_messages(const SnippetState &s);

private:
    static void on_changed(GtkTextBuffer *, gpointer data);
    static gboolean on_pause(gpointer data);

    std::function<void(std::string)> paused_ = [](std::string) {};
    GtkSourceBuffer *buffer_;
    GtkWidget *box_;
    GtkWidget *messages_;
    guint timer_ = 0;
    bool loading_ = false;
};

}  // namespace quillview

#endif  // QUILLVIEW_UI_EDITOR_PANE_H
