// snippet_list.cpp - the list of snippet names.
#include "snippet_list.h"

namespace quillview {

namespace {

constexpr int kListMinWidth = 85;
constexpr int kRowMargin = 6;
constexpr const char *kModified = " \u2022";  // a bullet after the name

}  // namespace

SnippetList::SnippetList(std::function<void(int index)> selected)
    : selected_(std::move(selected)), list_(gtk_list_box_new()), scroll_(gtk_scrolled_window_new())
{
    g_object_ref_sink(scroll_);
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scroll_), list_);
    gtk_widget_set_size_request(scroll_, kListMinWidth, -1);
    g_signal_connect(list_, "row-selected", G_CALLBACK(&SnippetList::on_row_selected), this);
}

SnippetList::~SnippetList()
{
    g_signal_handlers_disconnect_by_data(list_, this);
    g_object_unref(scroll_);
}

void SnippetList::append(const std::string &name)
{
    GtkWidget *label = gtk_label_new(name.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_widget_set_margin_start(label, kRowMargin);
    gtk_widget_set_margin_end(label, kRowMargin);
    gtk_list_box_append(GTK_LIST_BOX(list_), label);
    names_.push_back(name);
    labels_.push_back(label);
}

void SnippetList::set_modified(int index, bool modified)
{
    if (index < 0 || index >= static_cast<int>(labels_.size()))
        return;
    const std::size_t i = static_cast<std::size_t>(index);
    const std::string text = names_[i] + (modified ? kModified : "");
    if (text != gtk_label_get_text(GTK_LABEL(labels_[i])))
        gtk_label_set_text(GTK_LABEL(labels_[i]), text.c_str());
}

void SnippetList::rename(int index, const std::string &name)
{
    if (index < 0 || index >= static_cast<int>(labels_.size()))
        return;
    const std::size_t i = static_cast<std::size_t>(index);
    const bool modified = names_[i] != gtk_label_get_text(GTK_LABEL(labels_[i]));
    names_[i] = name;
    set_modified(index, modified);
}

void SnippetList::remove(int index)
{
    if (index < 0 || index >= static_cast<int>(labels_.size()))
        return;
    GtkListBoxRow *row = gtk_list_box_get_row_at_index(GTK_LIST_BOX(list_), index);
    if (row != nullptr)
        gtk_list_box_remove(GTK_LIST_BOX(list_), GTK_WIDGET(row));
    names_.erase(names_.begin() + index);
    labels_.erase(labels_.begin() + index);
}

void SnippetList::select(int index)
{
    GtkListBoxRow *row = gtk_list_box_get_row_at_index(GTK_LIST_BOX(list_), index);
    if (row != nullptr)
        gtk_list_box_select_row(GTK_LIST_BOX(list_), row);
}

void SnippetList::on_row_selected(GtkListBox *, GtkListBoxRow *row, gpointer data)
{
    if (row != nullptr)
        static_cast<SnippetList *>(data)->selected_(gtk_list_box_row_get_index(row));
}

}  // namespace quillview
