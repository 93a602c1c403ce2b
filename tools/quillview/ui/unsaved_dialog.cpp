// unsaved_dialog.cpp - the question about unsaved snippets, and app.quit
// that asks it.
#include "unsaved_dialog.h"

namespace quillview {

namespace {

constexpr const char *kTitle = "Unsaved snippets";
constexpr const char *kWorkKey = "quillview-unsaved-work";
constexpr const char *kGuardKey = "quillview-quit-guard";
constexpr int kMargin = 18;
constexpr int kSpacing = 12;

// A question going unanswered (its parent window went) is Cancel.
struct Question {
    GtkWidget *dialog;
    std::function<void(UnsavedAnswer)> answered;

    ~Question()
    {
        if (answered)
            answered(UnsavedAnswer::kCancel);
    }
};

// Answers once: the question goes, then its answer is given.
void answer(Question *q, UnsavedAnswer a)
{
    const std::function<void(UnsavedAnswer)> answered = std::move(q->answered);
    gtk_window_destroy(GTK_WINDOW(q->dialog));  // frees q
    if (answered)
        answered(a);
}

struct Choice {
    const char *label;
    UnsavedAnswer answer;
};

constexpr Choice kChoices[] = {{"_Cancel", UnsavedAnswer::kCancel},
                               {"_Discard", UnsavedAnswer::kDiscard},
                               {"_Save all", UnsavedAnswer::kSaveAll}};

void on_choice(GtkButton *button, gpointer data)
{
    const auto *choice = static_cast<const Choice *>(g_object_get_data(G_OBJECT(button), "choice"));
    answer(static_cast<Question *>(data), choice->answer);
}

gboolean on_cancel(GtkWidget *, GVariant *, gpointer data)
{
    answer(static_cast<Question *>(data), UnsavedAnswer::kCancel);
    return TRUE;
}

gboolean on_close_request(GtkWindow *, gpointer data)
{
    answer(static_cast<Question *>(data), UnsavedAnswer::kCancel);
    return TRUE;  // already destroyed
}

std::string question_text(const std::vector<std::string> &names)
{
    std::string list;
    for (const std::string &n : names)
        list += (list.empty() ? "" : ", ") + n;
    return (names.size() == 1 ? "The snippet " + list + " has" : "The snippets " + list + " have") +
           " unsaved changes. Save them before closing?";
}

struct Guard {
    bool asking = false;
};

std::vector<UnsavedWork *> all_work(GtkApplication *app)
{
    std::vector<UnsavedWork *> found;
    for (GList *w = gtk_application_get_windows(app); w != nullptr; w = w->next)
        if (auto *work = static_cast<UnsavedWork *>(g_object_get_data(G_OBJECT(w->data), kWorkKey)))
            found.push_back(work);
    return found;
}

void on_quit(GSimpleAction *, GVariant *, gpointer data)
{
    auto *app = static_cast<GtkApplication *>(data);
    auto *guard = static_cast<Guard *>(g_object_get_data(G_OBJECT(app), kGuardKey));
    if (guard->asking)
        return;
    std::vector<std::string> names;
    for (UnsavedWork *work : all_work(app))
        for (const std::string &n : work->names())
            names.push_back(n);
    if (names.empty()) {
        g_application_quit(G_APPLICATION(app));
        return;
    }
    guard->asking = true;
    ask_about_unsaved(gtk_application_get_active_window(app), names, [app](UnsavedAnswer a) {
        auto *g = static_cast<Guard *>(g_object_get_data(G_OBJECT(app), kGuardKey));
        g->asking = false;
        if (a == UnsavedAnswer::kCancel)
            return;
        bool saved = true;
        if (a == UnsavedAnswer::kSaveAll)
            for (UnsavedWork *work : all_work(app))
                saved = work->save_all() && saved;
        if (saved)
            g_application_quit(G_APPLICATION(app));
    });
}

}  // namespace

void ask_about_unsaved(GtkWindow *parent, const std::vector<std::string> &names,
                       std::function<void(UnsavedAnswer answer)> answered)
{
    GtkWidget *dialog = gtk_window_new();
    gtk_window_set_title(GTK_WINDOW(dialog), kTitle);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    if (parent != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(dialog), parent);
        gtk_window_set_destroy_with_parent(GTK_WINDOW(dialog), TRUE);
    }
    auto *q = new Question{dialog, std::move(answered)};
    g_object_set_data_full(G_OBJECT(dialog), "question", q,
                           [](gpointer p) { delete static_cast<Question *>(p); });

    GtkWidget *box = gtk_box_new(GTK_ORIENTATION_VERTICAL, kSpacing);
    for (auto edge : {&gtk_widget_set_margin_top, &gtk_widget_set_margin_bottom,
                      &gtk_widget_set_margin_start, &gtk_widget_set_margin_end})
        edge(box, kMargin);
    GtkWidget *label = gtk_label_new(question_text(names).c_str());
    gtk_label_set_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 50);
    gtk_box_append(GTK_BOX(box), label);
    GtkWidget *buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, kSpacing);
    gtk_widget_set_halign(buttons, GTK_ALIGN_END);
    for (const Choice &c : kChoices) {
        GtkWidget *button = gtk_button_new_with_mnemonic(c.label);
        g_object_set_data(G_OBJECT(button), "choice", const_cast<Choice *>(&c));
        g_signal_connect(button, "clicked", G_CALLBACK(&on_choice), q);
        gtk_box_append(GTK_BOX(buttons), button);
        if (c.answer == UnsavedAnswer::kSaveAll) {
            gtk_window_set_default_widget(GTK_WINDOW(dialog), button);
            gtk_window_set_focus(GTK_WINDOW(dialog), button);  // Enter saves
        }
    }
    gtk_box_append(GTK_BOX(box), buttons);
    gtk_window_set_child(GTK_WINDOW(dialog), box);

    GtkEventController *keys = gtk_shortcut_controller_new();
    gtk_shortcut_controller_add_shortcut(
        GTK_SHORTCUT_CONTROLLER(keys),
        gtk_shortcut_new(gtk_keyval_trigger_new(GDK_KEY_Escape, GdkModifierType(0)),
                         gtk_callback_action_new(&on_cancel, q, nullptr)));
    gtk_widget_add_controller(dialog, keys);
    g_signal_connect(dialog, "close-request", G_CALLBACK(&on_close_request), q);
    gtk_window_present(GTK_WINDOW(dialog));
}

void guard_quit(GtkApplication *app, GtkWindow *window, UnsavedWork work)
{
    g_object_set_data_full(G_OBJECT(window), kWorkKey, new UnsavedWork(std::move(work)),
                           [](gpointer p) { delete static_cast<UnsavedWork *>(p); });
    if (g_object_get_data(G_OBJECT(app), kGuardKey) != nullptr)
        return;
    g_object_set_data_full(G_OBJECT(app), kGuardKey, new Guard,
                           [](gpointer p) { delete static_cast<Guard *>(p); });
    g_action_map_remove_action(G_ACTION_MAP(app), "quit");
    GSimpleAction *quit = g_simple_action_new("quit", nullptr);
    g_signal_connect(quit, "activate", G_CALLBACK(&on_quit), app);
    g_action_map_add_action(G_ACTION_MAP(app), G_ACTION(quit));
    g_object_unref(quit);
}

}  // namespace quillview
