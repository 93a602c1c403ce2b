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
#include "empty_state.h"
#include "file_notes.h"
#include "folder_listing.h"
#include "folder_monitor.h"
#include "job_runner.h"
#include "number_tweak.h"
#include "options.h"
#include "playback.h"
#include "render_client.h"
#include "snippet_files.h"
#include "snippet_list.h"
#include "snippet_state.h"
#include "timings.h"

namespace quillview {

class Window {
public:
    struct Hooks {
        // Opens the snippets of `folder` (the user chose it) in a new window.
        std::function<void(const std::string &folder)> open;
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
    // window_live.cpp: a snippet named that does not exist yet, shown with
    // a new snippet's text, unsaved (saving makes the file); and a folder
    // whose new snippet files join the window, as its empty page says.
    void add_new_snippet(const SnippetFile &file);
    void list_folder(const std::string &folder);

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

    // window_live.cpp: the animation's time, tweaked numbers, the editor's
    // place per snippet, snippet files that come and go, the empty page
    void set_up_live();
    double wanted_time(int index) const;
    void show_live_state();
    void on_tweak(std::string text);
    void keep_editor_place(int index);
    std::string new_snippet_folder() const;
    int index_of(const std::string &path) const;
    void watch_snippet(const SnippetFile &file);
    void on_listing(FolderListing::Change change, const std::string &path, const std::string &to);
    void snippet_came(const std::string &path);
    void snippet_went(const std::string &path);
    void rename_snippet(int index, const std::string &to);
    void remove_snippet(int index);

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
    Playback playback_;
    NumberTweak tweak_;
    FolderListing listing_;
    EmptyState empty_;
    GtkWidget *stack_ = nullptr;  // the snippets' page, or the empty one
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
    std::vector<std::string> listed_;         // folders whose new snippets join the window
    std::map<std::string, int> top_lines_;    // the editor's top line, by the file's path
    std::string shown_path_;                  // the file of the snippet in the editor
    std::string export_note_;                 // the snippets the export left out
    int next_slot_ = 0;                       // the builder's folder of the next snippet
};

}  // namespace quillview

#endif  // QUILLVIEW_UI_WINDOW_H
