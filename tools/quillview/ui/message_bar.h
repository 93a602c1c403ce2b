// message_bar.h - a bar above the editor that says something about the
// snippet's file (changed on disk, not saved, not UTF-8) in full, with the
// buttons that answer it. Hidden while there is nothing to say.
#ifndef QUILLVIEW_UI_MESSAGE_BAR_H
#define QUILLVIEW_UI_MESSAGE_BAR_H

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

namespace quillview {

class MessageBar {
public:
    struct Button {
        std::string label;  // with a mnemonic: "_Reload" answers to Alt+R
        std::function<void()> pressed;
    };

    MessageBar();
    ~MessageBar();
    MessageBar(const MessageBar &) = delete;
    MessageBar &operator=(const MessageBar &) = delete;

    GtkWidget *widget() const { return bar_; }
    // Shows `text` (wrapped, never cut) with `buttons`, in place of what it
    // showed. With `closed`, a close button hides it and then calls that.
    void show(GtkMessageType type, const std::string &text, std::vector<Button> buttons,
              std::function<void()> closed = nullptr);
    void hide();
    // Lets Alt and a button's underlined letter press it while the focus is
    // anywhere in `ancestor` (the editor, which would keep the key).
    void answer_keys_in(GtkWidget *ancestor);
    // What it shows; empty when hidden.
    const std::string &text() const { return text_; }

private:
    static void on_response(GtkInfoBar *, int response, gpointer data);
    static gboolean on_key(GtkEventControllerKey *, guint keyval, guint, GdkModifierType state,
                           gpointer data);

    GtkWidget *bar_;
    GtkWidget *label_;
    std::vector<GtkWidget *> buttons_;
    std::vector<guint> keys_;  // each button's underlined letter
    std::vector<std::function<void()>> pressed_;
    std::function<void()> closed_;
    std::string text_;
};

}  // namespace quillview

#endif  // QUILLVIEW_UI_MESSAGE_BAR_H
