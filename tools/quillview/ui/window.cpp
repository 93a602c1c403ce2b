// window.cpp - the window's layout, its actions, and the selected
// snippet's state shown in its title, status line and editor.
#include "window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "header_bar.h"
#include "state_text.h"

namespace quillview {

namespace {

namespace fs = std::filesystem;

constexpr int kListWidth = 170;
constexpr int kDefaultWidth = 1280, kDefaultHeight = 820;
constexpr int kScreenPercent = 90;  // of the monitor, the most the window takes at first
constexpr int kSpacing = 4;

std::unique_ptr<Builder> builder_or_null(std::string &error)
{
    quillkit::Result<std::unique_ptr<Builder>> made = Builder::create();
    if (!made) {
        error = made.error();
        return nullptr;
    }
    return std::move(*made);
}

std::string absolute_path(const std::string &path)
{
    std::error_code ec;
    return fs::absolute(path, ec).lexically_normal().string();
}

// The default size, or less on a small monitor.
void window_size(int &width, int &height)
{
    width = kDefaultWidth;
    height = kDefaultHeight;
    GListModel *monitors = gdk_display_get_monitors(gdk_display_get_default());
    if (g_list_model_get_n_items(monitors) == 0)
        return;
    auto *monitor = static_cast<GdkMonitor *>(g_list_model_get_item(monitors, 0));
    GdkRectangle area;
    gdk_monitor_get_geometry(monitor, &area);
    width = std::min(width, area.width * kScreenPercent / 100);
    height = std::min(height, area.height * kScreenPercent / 100);
    g_object_unref(monitor);
}

}  // namespace

Window::Window(GtkApplication *app, const Options &opts, const std::vector<SnippetFile> &files,
               Hooks hooks, const std::function<void(const std::string &message)> &warn)
    : hooks_(std::move(hooks)), fixed_size_(opts.size),
      timings_(std::getenv("QUILLVIEW_TIMINGS") != nullptr), builder_(builder_or_null(no_builder_)),
      runner_(builder_.get(), no_builder_, renderer_,
              [this](const JobOutcome &outcome) { on_outcome(outcome); }),
      queue_(snippets_, runner_), canvas_(snippets_, opts.size),
      list_([this](int index) { on_selected(index); }),
      monitor_([this](const std::string &path) { on_file_changed(path); }),
      playback_(canvas_.widget(), [this] { queue_.pump(); }),
      tweak_(
          editor_.view(), [this](std::string text) { on_tweak(std::move(text)); },
          [this](bool dragging) { queue_.hold_checks(dragging); }),
      listing_([this](FolderListing::Change change, const std::string &path,
                      const std::string &to) { on_listing(change, path, to); }),
      cancellable_(g_cancellable_new())
{
    if (!builder_)
        warn(no_builder_);
    queue_.set_wanted_size([this](int index) { return canvas_.wanted_size(index); });
    queue_.set_on_changed([this](int index) { on_snippet_changed(index); });
    canvas_.set_on_resize([this] { queue_.pump(); });
    editor_.set_on_typing_pause([this](std::string text) { on_typing_pause(std::move(text)); });
    editor_.set_on_change([this] { show_file_state(); });
    for (const SnippetFile &f : files) {
        const SnippetFile file{f.name, absolute_path(f.path), absolute_path(f.folder)};
        quillkit::Result<std::string> text = read_text(file.path);
        if (!text)
            warn(text.error());
        add_snippet(file, text ? std::move(*text) : std::string());
        if (quillkit::Status watched = monitor_.watch(file.path); !watched)
            warn(watched.error());
    }
    build_widgets(app);
    guard_unsaved(app);
    set_up_live();
    list_.select(0);
}

Window::~Window()
{
    hooks_.closed = [](Window *) {};  // going already
    stop_work();
    runner_.wait();
    g_cancellable_cancel(cancellable_);
    g_object_unref(cancellable_);
    for (GtkNativeDialog *dialog : {new_dialog_, open_dialog_, export_dialog_})
        if (dialog != nullptr) {
            g_signal_handlers_disconnect_by_data(dialog, this);
            gtk_native_dialog_destroy(dialog);
            g_object_unref(dialog);
        }
    gtk_window_destroy(GTK_WINDOW(window_));
}

void Window::build_widgets(GtkApplication *app)
{
    window_ = gtk_application_window_new(app);
    gtk_window_set_title(GTK_WINDOW(window_), "quillview");
    gtk_window_set_titlebar(GTK_WINDOW(window_), new_header_bar());
    int width = 0, height = 0;
    window_size(width, height);
    gtk_window_set_default_size(GTK_WINDOW(window_), width, height);
    g_signal_connect(window_, "close-request", G_CALLBACK(&Window::on_close_request), this);

    const GActionEntry actions[] = {
        {"save", &Window::on_action, nullptr, nullptr, nullptr, {}},
        {"next", &Window::on_action, nullptr, nullptr, nullptr, {}},
        {"previous", &Window::on_action, nullptr, nullptr, nullptr, {}},
        {"zoom-in", &Window::on_action, nullptr, nullptr, nullptr, {}},
        {"zoom-out", &Window::on_action, nullptr, nullptr, nullptr, {}},
        {"zoom-reset", &Window::on_action, nullptr, nullptr, nullptr, {}},
        {"export", &Window::on_action, nullptr, nullptr, nullptr, {}},
        {"open", &Window::on_action, nullptr, nullptr, nullptr, {}},
        {"new", &Window::on_action, nullptr, nullptr, nullptr, {}},
        {"play", &Window::on_action, nullptr, nullptr, nullptr, {}},
        // On and off: activating one flips its state.
        {"grid", nullptr, nullptr, "false", &Window::on_toggle, {}},
        {"checker", nullptr, nullptr, "false", &Window::on_toggle, {}},
    };
    g_action_map_add_action_entries(G_ACTION_MAP(window_), actions, G_N_ELEMENTS(actions), this);

    status_ = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(status_), 0);
    gtk_label_set_ellipsize(GTK_LABEL(status_), PANGO_ELLIPSIZE_END);
    GtkWidget *canvas_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, kSpacing);
    gtk_box_append(GTK_BOX(canvas_box), canvas_.widget());
    gtk_box_append(GTK_BOX(canvas_box), playback_.widget());
    gtk_box_append(GTK_BOX(canvas_box), canvas_.readout());
    gtk_box_append(GTK_BOX(canvas_box), status_);

    GtkWidget *inner = gtk_paned_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_paned_set_start_child(GTK_PANED(inner), canvas_box);
    gtk_paned_set_end_child(GTK_PANED(inner), editor_.widget());
    gtk_paned_set_position(GTK_PANED(inner), (width - kListWidth) / 2);
    GtkWidget *outer = gtk_paned_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_paned_set_start_child(GTK_PANED(outer), list_.widget());
    gtk_paned_set_end_child(GTK_PANED(outer), inner);
    gtk_paned_set_position(GTK_PANED(outer), kListWidth);
    stack_ = gtk_stack_new();
    gtk_stack_add_named(GTK_STACK(stack_), outer, "snippets");
    gtk_stack_add_named(GTK_STACK(stack_), empty_.widget(), "empty");
    gtk_window_set_child(GTK_WINDOW(window_), stack_);
}

void Window::present()
{
    gtk_window_present(GTK_WINDOW(window_));
}

void Window::add_snippet(const SnippetFile &file, std::string text)
{
    snippets_.emplace_back(file, std::move(text));
    snippets_.back().set_slot(next_slot_++);
    list_.append(file.name);
}

void Window::on_selected(int index)
{
    if (index < 0 || index >= static_cast<int>(snippets_.size()))
        return;
    editor_.flush();  // typing not yet handed over belongs to the snippet being left
    selected_ = index;
    queue_.select(index);
    canvas_.set_selected(index);
    show_editor(index);
    keep_editor_place(index);
    show_state();
    queue_.pump();
}

void Window::on_outcome(const JobOutcome &outcome)
{
    if (const std::optional<Job> &job = queue_.running())
        timings_.ended(*job, outcome, runner_.last_start_ms());
    queue_.finish(outcome);
    if (closing_ && !runner_.running())
        hooks_.closed(this);
}

void Window::on_snippet_changed(int index)
{
    canvas_.redraw();  // once for each outcome
    timings_.applied(index, canvas_.widget());
    if (index == selected_)
        show_state();
}

void Window::show_state()
{
    if (snippets_.empty())
        return;
    const SnippetState &s = snippets_[selected_];
    show_file_state();  // the title, the list's mark and the bar
    set_status(status_text(s));
    editor_.show_messages(s);
    show_live_state();
}

void Window::set_status(const std::string &text)
{
    gtk_label_set_text(GTK_LABEL(status_), text.c_str());
}

void Window::stop_work()
{
    closing_ = true;
    queue_.stop();   // starts nothing more
    runner_.stop();  // kills a build or a drawing at once, for good
}

gboolean Window::on_close_request(GtkWindow *, gpointer data)
{
    auto *self = static_cast<Window *>(data);
    if (self->closing_ || self->ask_before_closing())
        return TRUE;
    self->stop_work();
    gtk_widget_set_visible(self->window_, FALSE);
    // The window goes when its job has ended (see on_outcome).
    if (!self->runner_.running())
        self->hooks_.closed(self);
    return TRUE;
}

void Window::on_action(GSimpleAction *action, GVariant *, gpointer data)
{
    struct Run {
        const char *name;
        void (*run)(Window &w);
    };
    static constexpr Run kRuns[] = {
        {"save", [](Window &w) { w.save(); }},
        {"next", [](Window &w) { w.list_.select(w.selected_ + 1); }},
        {"previous", [](Window &w) { w.list_.select(w.selected_ - 1); }},
        {"zoom-in", [](Window &w) { w.canvas_.zoom_in(); }},
        {"zoom-out", [](Window &w) { w.canvas_.zoom_out(); }},
        {"zoom-reset", [](Window &w) { w.canvas_.zoom_reset(); }},
        {"export", [](Window &w) { w.choose_export_folder(); }},
        {"open", [](Window &w) { w.choose_folder_to_open(); }},
        {"new", [](Window &w) { w.choose_new_snippet(); }},
        {"play", [](Window &w) { w.playback_.toggle(); }},
    };
    auto &self = *static_cast<Window *>(data);
    const char *name = g_action_get_name(G_ACTION(action));
    for (const Run &r : kRuns)
        if (std::strcmp(r.name, name) == 0)
            r.run(self);
    // The picture's size may have changed.
    self.queue_.pump();
}

void Window::on_toggle(GSimpleAction *action, GVariant *state, gpointer data)
{
    auto &self = *static_cast<Window *>(data);
    g_simple_action_set_state(action, state);
    const bool on = g_variant_get_boolean(state);
    if (std::strcmp(g_action_get_name(G_ACTION(action)), "grid") == 0)
        self.canvas_.set_grid(on);
    else
        self.canvas_.set_checker(on);
    self.show_live_state();
    self.queue_.pump();
}

}  // namespace quillview
