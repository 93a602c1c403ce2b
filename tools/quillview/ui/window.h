// window.h - one quillview window: the snippets by name, the selected one's
// picture and its source in an editor; every change on disk or in the
// editor builds and draws it again in the background.
//
// The window owns its snippets' state, a builder (with its private folder),
// a render client and the build queue: windows share nothing but the
// application.
#ifndef QUILLVIEW_UI_WINDOW_H
#define QUILLVIEW_UI_WINDOW_H

#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "build_queue.h"
#include "canvas.h"
#include "editor_pane.h"
#include "file_notes.h"
#include "folder_monitor.h"
#include "job_runner.h"
#include "options.h"
#include "render_client.h"
#include "snippet_files.h"
#include "snippet_list.h"
#include "snippet_state.h"
#include "timings.h"

namespace quillview {

class Window {
public:
    struct Hooks {
        // Opens `snippets` (of a folder the user chose) in a new window.
        std::function<void(const std::vector<SnippetFile> &snippets)> open;
        // The window was closed and its work has stopped: it may go.
        std::function<void(Window *window)> closed;
    };

    // A window of `app` for `files`; `warn` gets each message for standard
    // error (without "quillview: ") of setting it up: a file that cannot be
    // read, a folder that cannot be watched, no builder.
    Window(GtkApplication *app, const Options &opts, const std::vector<SnippetFile> &files,
           Hooks hooks, const std::function<void(const std::string &message)> &warn);
    // Stops the running job and waits for it; the builder's private folder
    // goes with the window.
    ~Window();
    Window(const Window &) = delete;
    Window &operator=(const Window &) = delete;

    void present();

private:
    // window.cpp: layout, actions, state
    void build_widgets(GtkApplication *app);
    void add_snippet(const SnippetFile &file, std::string text);
    void on_selected(int index);
    void on_outcome(const JobOutcome &outcome);
    void on_snippet_changed(int index);
    void on_file_changed(const std::string &path);
    void show_state();
    void set_status(const std::string &text);
    void stop_work();
    static gboolean on_close_request(GtkWindow *, gpointer data);
    static void on_action(GSimpleAction *action, GVariant *, gpointer data);
    static void on_toggle(GSimpleAction *action, GVariant *state, gpointer data);

    // window_files.cpp: save, new snippet, open folder, export
    void save();
    void choose_new_snippet();
    void create_snippet(std::string path);
    void choose_folder_to_open();
    void choose_export_folder();
    void start_export(const std::string &folder);
    GtkNativeDialog *chooser(GtkNativeDialog *&dialog, const char *title,
                             GtkFileChooserAction action, const char *accept, GCallback response);
    static void on_new_response(GtkNativeDialog *dialog, int response, gpointer data);
    static void on_open_response(GtkNativeDialog *dialog, int response, gpointer data);
    static void on_export_response(GtkNativeDialog *dialog, int response, gpointer data);
    static void on_export_done(GObject *process, GAsyncResult *result, gpointer data);
    quillkit::Status save_snippet(int index);

    // window_trust.cpp: unsaved text kept and marked, changes on disk,
    // files that are not UTF-8, asking before unsaved text would go
    FileNotes &notes(int index);
    bool modified(int index) const;
    std::vector<std::string> unsaved_names() const;
    bool save_all();
    void guard_unsaved(GtkApplication *app);
    bool ask_before_closing();
    void show_editor(int index);
    void show_file_state();
    void reload(const std::string &path);
    void on_typing_pause(std::string text);

    Hooks hooks_;
    const int fixed_size_;
    Timings timings_;
    std::vector<SnippetState> snippets_;
    std::string no_builder_;  // why there is no builder
    std::unique_ptr<Builder> builder_;
    RenderClient renderer_;
    TaskJobRunner runner_;
    BuildQueue queue_;
    Canvas canvas_;
    SnippetList list_;
    EditorPane editor_;
    FolderMonitor monitor_;
    GtkWidget *window_ = nullptr;
    GtkWidget *status_ = nullptr;
    GtkNativeDialog *new_dialog_ = nullptr;
    GtkNativeDialog *open_dialog_ = nullptr;
    GtkNativeDialog *export_dialog_ = nullptr;
    GCancellable *cancellable_;  // the export's wait
    int selected_ = 0;
    bool closing_ = false;
    std::map<std::string, FileNotes> notes_;  // by the file's path
    bool close_confirmed_ = false;            // closing with unsaved text was answered
};

}  // namespace quillview

#endif  // QUILLVIEW_UI_WINDOW_H
