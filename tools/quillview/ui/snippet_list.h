// snippet_list.h - the snippets by name, one row each, marked while they
// hold unsaved text; the selected row is the snippet shown.
#ifndef QUILLVIEW_UI_SNIPPET_LIST_H
#define QUILLVIEW_UI_SNIPPET_LIST_H

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

namespace quillview {

class SnippetList {
public:
    // `selected` gets the index of each row selected, by the user or by
    // select().
    explicit SnippetList(std::function<void(int index)> selected);
    ~SnippetList();
    SnippetList(const SnippetList &) = delete;
    SnippetList &operator=(const SnippetList &) = delete;

    // The list in its scrolled window.
    GtkWidget *widget() const { return scroll_; }
    void append(const std::string &name);
    // Marks row `index` as holding unsaved text ("name •"), or not.
    void set_modified(int index, bool modified);
    // Names row `index` anew (its file was renamed).
    void rename(int index, const std::string &name);
    // Takes row `index` out; the rows after it move up.
    void remove(int index);
    // Selects row `index`, when there is one.
    void select(int index);

private:
    static void on_row_selected(GtkListBox *, GtkListBoxRow *row, gpointer data);

    std::function<void(int)> selected_;
    std::vector<std::string> names_;
    std::vector<GtkWidget *> labels_;  // owned by the list
    GtkWidget *list_;
    GtkWidget *scroll_;
};

}  // namespace quillview

#endif  // QUILLVIEW_UI_SNIPPET_LIST_H
