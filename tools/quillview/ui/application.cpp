// application.cpp - quillview's GtkApplication: one process for all of its
// windows. A quillview started while one runs hands its command line over
// (through D-Bus) and ends with the exit status it is given back; its
// window opens in the first process.
#include "application.h"

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <gtksourceview/gtksource.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "options.h"
#include "quillkit_version.h"
#include "shortcuts_window.h"
#include "snippet_files.h"
#include "window.h"
#include "window_operands.h"

namespace quillview {

namespace {

namespace fs = std::filesystem;

constexpr const char *kApplicationId = "org.quillkit.Quillview";
constexpr int kExitNoDisplay = 1;
constexpr int kExitBadUsage = 2;

// The operands as find_snippets takes them in the folder `cwd` (that of the
// quillview which was started), and back.
struct Operands {
    std::vector<std::string> given, resolved;

    Operands(const std::vector<std::string> &operands, const char *cwd)
        : given(operands.empty() ? std::vector<std::string>{"."} : operands)
    {
        for (const std::string &op : given)
            resolved.push_back(cwd == nullptr || op.empty() ? op : (fs::path(cwd) / op).string());
    }

    // A message about a resolved operand, naming it as it was given.
    std::string as_given(std::string message) const
    {
        for (std::size_t i = 0; i < given.size(); i++) {
            const std::string quoted = "'" + resolved[i] + "'";
            const std::size_t at = message.find(quoted);
            if (at != std::string::npos)
                message.replace(at, quoted.size(), "'" + given[i] + "'");
        }
        return message;
    }
};

class Application {
public:
    Application();
    ~Application();
    Application(const Application &) = delete;
    Application &operator=(const Application &) = delete;

    int run(int argc, char **argv);

private:
    void open_window(const Options &opts, const WindowSnippets &snippets,
                     const std::function<void(const std::string &)> &warn);
    void window_closed(Window *window);
    void show_shortcuts();
    void show_about();

    static void on_startup(GApplication *, gpointer data);
    static void on_activate(GApplication *, gpointer data);
    static int on_command_line(GApplication *, GApplicationCommandLine *line, gpointer data);
    static void on_shutdown(GApplication *, gpointer data);
    static void on_action(GSimpleAction *action, GVariant *, gpointer data);
    static gboolean on_stop_signal(gpointer data);
    static gboolean on_drop_closed(gpointer data);

    GtkApplication *app_;
    std::vector<std::unique_ptr<Window>> windows_;
    std::vector<Window *> closed_;  // to be dropped when idle
    guint drop_source_ = 0;
    GtkWindow *shortcuts_ = nullptr;  // weak: the shortcuts window shown
};

Application::Application()
    : app_(gtk_application_new(kApplicationId, G_APPLICATION_HANDLES_COMMAND_LINE))
{
    g_signal_connect(app_, "startup", G_CALLBACK(&Application::on_startup), this);
    g_signal_connect(app_, "activate", G_CALLBACK(&Application::on_activate), this);
    g_signal_connect(app_, "command-line", G_CALLBACK(&Application::on_command_line), this);
    g_signal_connect(app_, "shutdown", G_CALLBACK(&Application::on_shutdown), this);
}

Application::~Application()
{
    on_shutdown(G_APPLICATION(app_), this);
    if (drop_source_ != 0)
        g_source_remove(drop_source_);
    if (shortcuts_ != nullptr)
        g_object_remove_weak_pointer(G_OBJECT(shortcuts_),
                                     reinterpret_cast<gpointer *>(&shortcuts_));
    g_signal_handlers_disconnect_by_data(app_, this);
    g_object_unref(app_);
}

int Application::run(int argc, char **argv)
{
    std::vector<guint> signal_sources;
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        signal_sources.push_back(g_unix_signal_add(sig, &Application::on_stop_signal, app_));
    const int status = g_application_run(G_APPLICATION(app_), argc, argv);
    for (guint id : signal_sources)
        g_source_remove(id);
    return status;
}

void Application::open_window(const Options &opts, const WindowSnippets &snippets,
                              const std::function<void(const std::string &)> &warn)
{
    Window::Hooks hooks;
    hooks.open = [this, opts](const std::string &folder) {
        const auto print = [](const std::string &message) {
            std::fprintf(stderr, "quillview: %s\n", message.c_str());
        };
        std::vector<std::string> warnings;
        const quillkit::Result<WindowSnippets> found = find_window_snippets({folder}, &warnings);
        for (const std::string &w : warnings)
            print(w);
        if (found)
            open_window(opts, *found, print);
        else
            print(found.error());
    };
    hooks.closed = [this](Window *window) { window_closed(window); };
    windows_.push_back(
        std::make_unique<Window>(app_, opts, snippets.files, std::move(hooks), warn));
    Window &window = *windows_.back();
    for (const std::string &folder : snippets.folders)
        window.list_folder(folder);
    for (const SnippetFile &file : snippets.missing)
        window.add_new_snippet(file);
    window.present();
}

void Application::window_closed(Window *window)
{
    // Not now: the window is still in one of its own handlers.
    closed_.push_back(window);
    if (drop_source_ == 0)
        drop_source_ = g_idle_add(&Application::on_drop_closed, this);
}

gboolean Application::on_drop_closed(gpointer data)
{
    auto *self = static_cast<Application *>(data);
    self->drop_source_ = 0;
    std::vector<Window *> closed;
    closed.swap(self->closed_);
    for (Window *window : closed)
        for (auto it = self->windows_.begin(); it != self->windows_.end(); ++it)
            if (it->get() == window) {
                self->windows_.erase(it);
                break;
            }
    return G_SOURCE_REMOVE;
}

void Application::show_shortcuts()
{
    if (shortcuts_ == nullptr) {
        shortcuts_ = new_shortcuts_window(gtk_application_get_active_window(app_));
        g_object_add_weak_pointer(G_OBJECT(shortcuts_), reinterpret_cast<gpointer *>(&shortcuts_));
    }
    gtk_window_present(shortcuts_);
}

void Application::show_about()
{
    gtk_show_about_dialog(gtk_application_get_active_window(app_), "program-name", "quillview",
                          "title", "About Quillview", "version", QUILLKIT_VERSION, "comments",
                          "A live playground for cairo snippets", "license-type",
                          GTK_LICENSE_MIT_X11, "logo-icon-name", "applications-graphics", nullptr);
}

void Application::on_startup(GApplication *, gpointer data)
{
    auto *self = static_cast<Application *>(data);
    const GActionEntry actions[] = {
        {"quit", &Application::on_action, nullptr, nullptr, nullptr, {}},
        {"shortcuts", &Application::on_action, nullptr, nullptr, nullptr, {}},
        {"about", &Application::on_action, nullptr, nullptr, nullptr, {}},
    };
    g_action_map_add_action_entries(G_ACTION_MAP(self->app_), actions, G_N_ELEMENTS(actions), self);
    for (const Shortcut &s : kShortcuts)
        if (s.where == Where::kAnywhere)
            gtk_application_set_accels_for_action(self->app_, s.action, s.accels);
}

void Application::on_activate(GApplication *, gpointer data)
{
    // Started without a command line (by D-Bus activation): the window
    // there is, if any.
    GtkWindow *window = gtk_application_get_active_window(static_cast<Application *>(data)->app_);
    if (window != nullptr)
        gtk_window_present(window);
}

int Application::on_command_line(GApplication *, GApplicationCommandLine *line, gpointer data)
{
    auto *self = static_cast<Application *>(data);
    const auto bad_usage = [line](const std::string &error) {
        g_application_command_line_printerr(line, "quillview: %s\nTry 'quillview --help'.\n",
                                            error.c_str());
        return kExitBadUsage;
    };
    int argc = 0;
    char **argv = g_application_command_line_get_arguments(line, &argc);
    const quillkit::Result<Options> opts = parse_options(argc, argv);
    g_strfreev(argv);
    if (!opts)
        return bad_usage(opts.error());
    if (opts->mode != Mode::kWindow)
        return bad_usage("a running quillview opens windows only");
    const auto warn = [line](const std::string &message) {
        g_application_command_line_printerr(line, "quillview: %s\n", message.c_str());
    };
    const Operands operands(opts->operands, g_application_command_line_get_cwd(line));
    std::vector<std::string> warnings;
    const quillkit::Result<WindowSnippets> snippets =
        find_window_snippets(operands.resolved, &warnings);
    for (const std::string &w : warnings)
        warn(operands.as_given(w));
    if (!snippets)
        return bad_usage(operands.as_given(snippets.error()));
    self->open_window(*opts, *snippets, warn);
    return 0;
}

void Application::on_shutdown(GApplication *, gpointer data)
{
    // Each window stops its job and removes its builder's private folder.
    // Waiting for a job runs the main loop, and with it on_drop_closed: the
    // windows are out of windows_ by then.
    auto *self = static_cast<Application *>(data);
    std::vector<std::unique_ptr<Window>> windows = std::move(self->windows_);
    self->windows_.clear();
    self->closed_.clear();
    windows.clear();
}

void Application::on_action(GSimpleAction *action, GVariant *, gpointer data)
{
    auto *self = static_cast<Application *>(data);
    const std::string name = g_action_get_name(G_ACTION(action));
    if (name == "quit")
        g_application_quit(G_APPLICATION(self->app_));
    else if (name == "shortcuts")
        self->show_shortcuts();
    else
        self->show_about();
}

gboolean Application::on_stop_signal(gpointer data)
{
    g_application_quit(G_APPLICATION(data));
    return G_SOURCE_CONTINUE;
}

}  // namespace

int run_application(int argc, char **argv)
{
    // A bad operand is a bad command line with or without a display. The
    // warnings about the operands come from the window's command line.
    const quillkit::Result<Options> opts = parse_options(argc, argv);
    std::vector<std::string> warnings;
    const quillkit::Result<WindowSnippets> snippets =
        opts ? find_window_snippets(opts->operands, &warnings) : quillkit::fail(opts.error());
    if (!snippets) {
        for (const std::string &w : warnings)
            std::fprintf(stderr, "quillview: %s\n", w.c_str());
        std::fprintf(stderr, "quillview: %s\nTry 'quillview --help'.\n", snippets.error().c_str());
        return kExitBadUsage;
    }
    if (!gtk_init_check()) {
        std::fprintf(stderr, "quillview: cannot open a display (use --export without one)\n");
        return kExitNoDisplay;
    }
    // The human name; GTK names the X client leader window after it too,
    // which leaves the windows of snippets ("NAME — quillview") the only
    // ones named in lower case.
    g_set_application_name("Quillview");
    gtk_source_init();
    int status = 0;
    {
        Application app;
        status = app.run(argc, argv);
    }
    gtk_source_finalize();
    return status;
}

}  // namespace quillview
