// shortcuts_window.cpp - a GtkShortcutsWindow made from the table, through
// GtkBuilder (the only way GTK 4.8 fills one).
#include "shortcuts_window.h"

#include <string>

namespace quillview {

namespace {

constexpr int kMaxHeight = 12;  // rows of a column
constexpr const char *kMouseIcon = "input-mouse-symbolic";

// The shortcut's accelerators, as GtkShortcutsShortcut takes them.
std::string accelerators(const Shortcut &s)
{
    std::string all;
    for (const char *const *a = s.accels; *a != nullptr; a++)
        all += (all.empty() ? "" : " ") + std::string(*a);
    return all;
}

// The builder's id of a mouse entry, to give it its icon.
std::string mouse_id(const Shortcut &s)
{
    return "mouse-" + std::to_string(&s - kShortcuts);
}

std::string escaped(const char *format, const char *a, const char *b = nullptr)
{
    char *text = g_markup_printf_escaped(format, a, b);
    std::string result(text);
    g_free(text);
    return result;
}

std::string interface_text()
{
    std::string xml = "<interface><object class=\"GtkShortcutsWindow\" id=\"window\">"
                      "<property name=\"title\">Shortcuts</property>"
                      "<property name=\"modal\">1</property>"
                      "<child><object class=\"GtkShortcutsSection\">"
                      "<property name=\"section-name\">shortcuts</property>"
                      "<property name=\"max-height\">" +
                      std::to_string(kMaxHeight) + "</property>";
    std::string group;
    for (const Shortcut &s : kShortcuts) {
        if (group != s.group) {
            if (!group.empty())
                xml += "</object></child>";
            group = s.group;
            xml += escaped("<child><object class=\"GtkShortcutsGroup\">"
                           "<property name=\"title\">%s</property>",
                           s.group);
        }
        if (s.where == Where::kMouse)
            xml += escaped("<child><object class=\"GtkShortcutsShortcut\" id=\"%s\">"
                           "<property name=\"title\">%s</property>"
                           "<property name=\"shortcut-type\">gesture</property>"
                           "</object></child>",
                           mouse_id(s).c_str(), s.title);
        else
            xml += escaped("<child><object class=\"GtkShortcutsShortcut\">"
                           "<property name=\"title\">%s</property>"
                           "<property name=\"accelerator\">%s</property></object></child>",
                           s.title, accelerators(s).c_str());
    }
    if (!group.empty())
        xml += "</object></child>";
    return xml + "</object></child></object></interface>";
}

}  // namespace

GtkWindow *new_shortcuts_window(GtkWindow *parent)
{
    GtkBuilder *builder = gtk_builder_new_from_string(interface_text().c_str(), -1);
    GtkWindow *window = GTK_WINDOW(gtk_builder_get_object(builder, "window"));
    gtk_window_set_transient_for(window, parent);
    gtk_window_set_destroy_with_parent(window, TRUE);
    // (GtkBuilder takes no icon by name.)
    GIcon *mouse = g_themed_icon_new(kMouseIcon);
    for (const Shortcut &s : kShortcuts)
        if (s.where == Where::kMouse)
            g_object_set(gtk_builder_get_object(builder, mouse_id(s).c_str()), "icon", mouse,
                         nullptr);
    g_object_unref(mouse);
    g_object_unref(builder);  // GTK keeps its windows
    return window;
}

}  // namespace quillview
