// editor_pane.h - the selected snippet's source in a C editor, a bar above
// it for what concerns its file, and its compiler messages underlined at
// their lines and listed below it.
#ifndef QUILLVIEW_UI_EDITOR_PANE_H
#define QUILLVIEW_UI_EDITOR_PANE_H

#include <gtk/gtk.h>
#include <gtksourceview/gtksource.h>

#include <functional>
#include <string>

#include "message_bar.h"
#include "snippet_state.h"

namespace quillview {

class EditorPane {
public:
    EditorPane();
    ~EditorPane();
    EditorPane(const EditorPane &) = delete;
    EditorPane &operator=(const EditorPane &) = delete;

    // The bar, the editor and its messages.
    GtkWidget *widget() const { return box_; }
    MessageBar &bar() { return bar_; }
    // The editor itself.
    GtkTextView *view() const { return GTK_TEXT_VIEW(view_); }
    // Called with the editor's text after a pause in typing.
    void set_on_typing_pause(std::function<void(std::string text)> paused)
    {
        paused_ = std::move(paused);
    }
    // Called at once on every change the user makes.
    void set_on_change(std::function<void()> changed) { changed_ = std::move(changed); }
    // Hands typing still waiting for its pause over now.
    void flush();
    // Whether typing waits for its pause.
    bool typing_pending() const { return timer_ != 0; }
    // Shows `text` (which is not typing); the cursor keeps its offset. Text
    // that is not UTF-8 is shown as Latin-1 and cannot be edited (false);
    // UTF-8 text can (true).
    bool load(const std::string &text);
    // Lets the user edit what is shown, or not.
    void set_editable(bool editable);
    std::string text() const;
    // Underlines the messages of `s`'s last build at their lines (when they
    // are about the text shown) and lists them, or the build's log.
    void show_messages(const SnippetState &s);

private:
    static void on_changed(GtkTextBuffer *, gpointer data);
    static gboolean on_pause(gpointer data);

    std::function<void(std::string)> paused_ = [](std::string) {};
    std::function<void()> changed_ = [] {};
    GtkSourceBuffer *buffer_;
    GtkWidget *view_;
    GtkWidget *box_;
    GtkWidget *messages_;      // a read-only text view: laid out as it is seen
    GtkWidget *messages_box_;  // its scrolled window, hidden while it is empty
    MessageBar bar_;
    guint timer_ = 0;
    bool loading_ = false;
    // What show_messages() last did: untouched, the view is not laid out again.
    std::string listed_;
    bool underlined_ = false;
};

}  // namespace quillview

#endif  // QUILLVIEW_UI_EDITOR_PANE_H
