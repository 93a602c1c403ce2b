// empty_state.cpp - the page of a window without snippets.
#include "empty_state.h"

namespace quillview {

namespace {

constexpr int kSpacing = 12;

struct Button {
    const char *label;
    const char *action;
    const char *tooltip;
};

constexpr Button kButtons[] = {
    {"_Open Folder…", "win.open", "Open a folder of snippets (Ctrl+O)"},
    {"_New Snippet…", "win.new", "Make a new snippet here (Ctrl+N)"},
};

}  // namespace

EmptyState::EmptyState()
    : box_(gtk_box_new(GTK_ORIENTATION_VERTICAL, kSpacing)), where_(gtk_label_new(""))
{
    g_object_ref_sink(box_);
    gtk_widget_set_valign(box_, GTK_ALIGN_CENTER);
    gtk_widget_set_halign(box_, GTK_ALIGN_CENTER);
    GtkWidget *title = gtk_label_new(nullptr);
    gtk_label_set_markup(GTK_LABEL(title), "<big><b>No snippets here</b></big>");
    gtk_label_set_wrap(GTK_LABEL(where_), TRUE);
    gtk_label_set_justify(GTK_LABEL(where_), GTK_JUSTIFY_CENTER);
    GtkWidget *buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, kSpacing);
    gtk_widget_set_halign(buttons, GTK_ALIGN_CENTER);
    for (const Button &b : kButtons) {
        GtkWidget *button = gtk_button_new_with_mnemonic(b.label);
        gtk_actionable_set_action_name(GTK_ACTIONABLE(button), b.action);
        gtk_widget_set_tooltip_text(button, b.tooltip);
        gtk_box_append(GTK_BOX(buttons), button);
    }
    for (GtkWidget *w : {title, where_, buttons})
        gtk_box_append(GTK_BOX(box_), w);
}

EmptyState::~EmptyState()
{
    g_object_unref(box_);
}

void EmptyState::set_folder(const std::string &folder)
{
    const std::string text = "There are no snippets (*.cairo files) in " + folder + ".";
    gtk_label_set_text(GTK_LABEL(where_), text.c_str());
}

}  // namespace quillview
