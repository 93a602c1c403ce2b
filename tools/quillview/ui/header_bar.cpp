// header_bar.cpp - buttons and the primary menu.
#include "header_bar.h"

namespace quillview {

namespace {

struct Button {
    const char *icon;
    const char *action;
    const char *tooltip;
};

constexpr Button kStartButtons[] = {
    {"folder-open-symbolic", "win.open", "Open a folder (Ctrl+O)"},
    {"document-new-symbolic", "win.new", "New snippet (Ctrl+N)"},
    {"document-save-as-symbolic", "win.export", "Export the snippets (Ctrl+E)"},
};

// Packed from the end: the menu outermost.
constexpr Button kEndButtons[] = {
    {"zoom-in-symbolic", "win.zoom-in", "Zoom in (Ctrl++)"},
    {"zoom-out-symbolic", "win.zoom-out", "Zoom out (Ctrl+−)"},
};

struct MenuItem {
    const char *label;
    const char *action;
};

constexpr MenuItem kViewItems[] = {{"_Grid", "win.grid"}, {"_Checkerboard", "win.checker"}};
constexpr MenuItem kHelpItems[] = {{"_Keyboard Shortcuts", "app.shortcuts"},
                                   {"_About Quillview", "app.about"}};
constexpr MenuItem kQuitItems[] = {{"_Quit", "app.quit"}};

GtkWidget *new_button(const Button &b)
{
    GtkWidget *button = gtk_button_new_from_icon_name(b.icon);
    gtk_actionable_set_action_name(GTK_ACTIONABLE(button), b.action);
    gtk_widget_set_tooltip_text(button, b.tooltip);
    return button;
}

template <std::size_t N>
void add_section(GMenu *menu, const MenuItem (&items)[N])
{
    GMenu *section = g_menu_new();
    for (const MenuItem &item : items)
        g_menu_append(section, item.label, item.action);
    g_menu_append_section(menu, nullptr, G_MENU_MODEL(section));
    g_object_unref(section);
}

GtkWidget *new_primary_menu()
{
    GMenu *menu = g_menu_new();
    add_section(menu, kViewItems);
    add_section(menu, kHelpItems);
    add_section(menu, kQuitItems);
    GtkWidget *button = gtk_menu_button_new();
    gtk_menu_button_set_icon_name(GTK_MENU_BUTTON(button), "open-menu-symbolic");
    gtk_menu_button_set_menu_model(GTK_MENU_BUTTON(button), G_MENU_MODEL(menu));
    gtk_menu_button_set_primary(GTK_MENU_BUTTON(button), TRUE);  // F10 opens it
    gtk_widget_set_tooltip_text(button, "Main menu");
    g_object_unref(menu);
    return button;
}

}  // namespace

GtkWidget *new_header_bar()
{
    GtkWidget *bar = gtk_header_bar_new();
    for (const Button &b : kStartButtons)
        gtk_header_bar_pack_start(GTK_HEADER_BAR(bar), new_button(b));
    gtk_header_bar_pack_end(GTK_HEADER_BAR(bar), new_primary_menu());
    for (const Button &b : kEndButtons)
        gtk_header_bar_pack_end(GTK_HEADER_BAR(bar), new_button(b));
    return bar;
}

}  // namespace quillview
