// window.cpp - quillview's window: the snippets by name, the selected one's
// picture, and its source in a C editor; every change on disk or in the
// editor regenerates, recompiles and redraws it in the background.
//
// One job at a time runs on a worker thread: build (quillmake and the
// compiler) if the text changed, then draw in the render process. The main
// thread owns all state; a job gets copies of what it needs and hands back
// its results, which the main thread applies before it picks the next job.
#include "window.h"

#include <cairo.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <gtksourceview/gtksource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "export.h"
#include "pipeline.h"
#include "process_run.h"

namespace quillview {

namespace {

namespace fs = std::filesystem;

constexpr int kTypingPauseMs = 300;
constexpr double kZoomStep = 1.25;
constexpr double kMinZoom = 0.25, kMaxZoom = 4.0;
constexpr int kMinPicture = 16, kMaxPicture = 4096;
constexpr int kGridMargin = 4;
constexpr int kCheckerTile = 12;
constexpr int kListWidth = 170;
constexpr int kDefaultWidth = 1280, kDefaultHeight = 820;

struct SurfaceDeleter {
    void operator()(cairo_surface_t *s) const { cairo_surface_destroy(s); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

struct Snippet {
    SnippetFile file;
    std::string abs_path;
    std::string disk_text;     // the file's text as last read or saved
    std::string source;        // the text to build: the file's or the editor's
    std::string built_source;  // the text of the last build
    bool attempted = false;
    bool build_ok = false;
    std::string object;  // the last good shared object
    std::vector<Diagnostic> diagnostics;
    std::string build_log;
    SurfacePtr picture;   // the last good picture
    bool stale = false;   // the text no longer compiles
    std::string failure;  // why the last draw gave no picture
    int render_size = 0;  // the side of the last draw of `object`
};

// What a job needs and what it finds; filled on the worker thread.
struct Job {
    int index = 0;
    std::string name, folder, source, object;
    bool build = false;
    int size = 0;
    Builder *builder = nullptr;
    RenderClient *renderer = nullptr;
    BuildResult built;
    bool drew = false;
    RenderResult rendered;
};

class Viewer;

// A keyboard shortcut's target.
struct Action {
    Viewer *viewer;
    void (Viewer::*run)();
};

class Viewer {
public:
    Viewer(const Options &opts, const std::vector<SnippetFile> &files);
    ~Viewer();
    Viewer(const Viewer &) = delete;
    Viewer &operator=(const Viewer &) = delete;
    int run();

    void save();
    void quit();
    void next() { select(selected_ + 1); }
    void previous() { select(selected_ - 1); }
    void toggle_grid();
    void zoom_in() { set_zoom(zoom_ * kZoomStep); }
    void zoom_out() { set_zoom(zoom_ / kZoomStep); }
    void zoom_reset() { set_zoom(1.0); }
    void toggle_checker();
    void export_all();

private:
    void build_widgets();
    void add_shortcuts();
    void watch_folders();
    void select(int index);
    void set_zoom(double zoom);
    int wanted_size(int index) const;
    int grid_cell() const;
    bool needs_job(int index) const;
    void pump();
    void start_job(int index);
    void finish_job();
    void reload(int index);
    void load_editor();
    void show_state();
    void draw(cairo_t *cr, int width, int height);
    void draw_single(cairo_t *cr, int width, int height);
    void draw_grid(cairo_t *cr, int width, int height);

    static void job_thread(GTask *task, gpointer, gpointer data, GCancellable *);
    static void job_done(GObject *, GAsyncResult *, gpointer data);
    static void on_draw(GtkDrawingArea *, cairo_t *cr, int w, int h, gpointer data);
    static void on_resize(GtkDrawingArea *, int, int, gpointer data);
    static void on_row_selected(GtkListBox *, GtkListBoxRow *row, gpointer data);
    static void on_buffer_changed(GtkTextBuffer *, gpointer data);
    static gboolean on_typing_pause(gpointer data);
    static gboolean on_close(GtkWindow *, gpointer data);
    static gboolean on_stop_signal(gpointer data);
    static gboolean on_shortcut(GtkWidget *, GVariant *, gpointer data);
    static void on_folder_event(GFileMonitor *, GFile *file, GFile *other, GFileMonitorEvent event,
                                gpointer data);
    static void on_export_folder(GtkNativeDialog *dialog, int response, gpointer data);
    static void on_export_done(GObject *process, GAsyncResult *res, gpointer data);

    Options opts_;
    std::vector<Snippet> snippets_;
    Builder builder_;
    RenderClient renderer_;
    std::unique_ptr<Job> job_;
    bool quitting_ = false;
    bool done_ = false;
    bool loading_ = false;  // the editor's text is being set, not typed
    bool grid_ = false;
    bool checker_ = false;
    bool timings_ = std::getenv("QUILLVIEW_TIMINGS") != nullptr;
    double zoom_ = 1.0;
    int selected_ = 0;
    guint typing_timer_ = 0;
    std::vector<guint> signal_sources_;
    std::vector<std::unique_ptr<Action>> actions_;
    std::vector<GFileMonitor *> monitors_;

    GtkWidget *window_ = nullptr;
    GtkWidget *list_ = nullptr;
    GtkWidget *canvas_ = nullptr;
    GtkWidget *status_ = nullptr;
    GtkWidget *errors_ = nullptr;
    GtkSourceBuffer *buffer_ = nullptr;
    GtkNativeDialog *export_dialog_ = nullptr;
};

std::string absolute_path(const std::string &path)
{
    std::error_code ec;
    return fs::absolute(path, ec).lexically_normal().string();
}

Viewer::Viewer(const Options &opts, const std::vector<SnippetFile> &files) : opts_(opts)
{
    for (const SnippetFile &f : files) {
        Snippet s;
        s.file = f;
        s.file.folder = absolute_path(f.folder);
        s.abs_path = absolute_path(f.path);
        if (!read_text(f.path, s.disk_text))
            std::fprintf(stderr, "quillview: cannot read '%s'\n", f.path.c_str());
        s.source = s.disk_text;
        snippets_.push_back(std::move(s));
    }
    build_widgets();
    add_shortcuts();
    watch_folders();
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        signal_sources_.push_back(g_unix_signal_add(sig, &Viewer::on_stop_signal, this));
}

Viewer::~Viewer()
{
    for (guint id : signal_sources_)
        g_source_remove(id);
    if (typing_timer_ != 0)
        g_source_remove(typing_timer_);
    for (GFileMonitor *m : monitors_) {
        g_file_monitor_cancel(m);
        g_object_unref(m);
    }
    if (export_dialog_ != nullptr)
        g_object_unref(export_dialog_);
    if (window_ != nullptr)
        gtk_window_destroy(GTK_WINDOW(window_));
}

void Viewer::build_widgets()
{
    window_ = gtk_window_new();
    gtk_window_set_title(GTK_WINDOW(window_), "quillview");
    int width = kDefaultWidth, height = kDefaultHeight;
    GListModel *monitors = gdk_display_get_monitors(gdk_display_get_default());
    if (g_list_model_get_n_items(monitors) > 0) {
        GdkMonitor *monitor = GDK_MONITOR(g_list_model_get_item(monitors, 0));
        GdkRectangle area;
        gdk_monitor_get_geometry(monitor, &area);
        width = std::min(width, area.width * 9 / 10);
        height = std::min(height, area.height * 9 / 10);
        g_object_unref(monitor);
    }
    gtk_window_set_default_size(GTK_WINDOW(window_), width, height);
    g_signal_connect(window_, "close-request", G_CALLBACK(&Viewer::on_close), this);

    list_ = gtk_list_box_new();
    for (const Snippet &s : snippets_) {
        GtkWidget *label = gtk_label_new(s.file.name.c_str());
        gtk_label_set_xalign(GTK_LABEL(label), 0);
        gtk_widget_set_margin_start(label, 6);
        gtk_widget_set_margin_end(label, 6);
        gtk_list_box_append(GTK_LIST_BOX(list_), label);
    }
    GtkWidget *list_scroll = gtk_scrolled_window_new();
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(list_scroll), list_);
    gtk_widget_set_size_request(list_scroll, kListWidth / 2, -1);

    canvas_ = gtk_drawing_area_new();
    gtk_widget_set_hexpand(canvas_, TRUE);
    gtk_widget_set_vexpand(canvas_, TRUE);
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(canvas_), &Viewer::on_draw, this, nullptr);
    g_signal_connect(canvas_, "resize", G_CALLBACK(&Viewer::on_resize), this);
    status_ = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(status_), 0);
    gtk_label_set_ellipsize(GTK_LABEL(status_), PANGO_ELLIPSIZE_END);
    GtkWidget *canvas_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    gtk_box_append(GTK_BOX(canvas_box), canvas_);
    gtk_box_append(GTK_BOX(canvas_box), status_);

    GtkSourceLanguage *c =
        gtk_source_language_manager_get_language(gtk_source_language_manager_get_default(), "c");
    buffer_ = c ? gtk_source_buffer_new_with_language(c) : gtk_source_buffer_new(nullptr);
    GtkTextBuffer *text = GTK_TEXT_BUFFER(buffer_);
    GtkTextTag *error_tag =
        gtk_text_buffer_create_tag(text, "error", "underline", PANGO_UNDERLINE_ERROR, nullptr);
    GdkRGBA orange{0.9f, 0.5f, 0.0f, 1.0f};
    gtk_text_buffer_create_tag(text, "warning", "underline", PANGO_UNDERLINE_ERROR,
                               "underline-rgba", &orange, nullptr);
    gtk_text_tag_set_priority(error_tag,
                              gtk_text_tag_table_get_size(gtk_text_buffer_get_tag_table(text)) - 1);
    g_signal_connect(buffer_, "changed", G_CALLBACK(&Viewer::on_buffer_changed), this);
    GtkWidget *editor = gtk_source_view_new_with_buffer(buffer_);
    g_object_unref(buffer_);  // the view holds it
    gtk_source_view_set_show_line_numbers(GTK_SOURCE_VIEW(editor), TRUE);
    gtk_source_view_set_auto_indent(GTK_SOURCE_VIEW(editor), TRUE);
    gtk_text_view_set_monospace(GTK_TEXT_VIEW(editor), TRUE);
    GtkWidget *editor_scroll = gtk_scrolled_window_new();
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(editor_scroll), editor);
    gtk_widget_set_vexpand(editor_scroll, TRUE);
    errors_ = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(errors_), 0);
    gtk_label_set_wrap(GTK_LABEL(errors_), TRUE);
    gtk_label_set_selectable(GTK_LABEL(errors_), TRUE);
    GtkWidget *editor_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    gtk_box_append(GTK_BOX(editor_box), editor_scroll);
    gtk_box_append(GTK_BOX(editor_box), errors_);

    GtkWidget *inner = gtk_paned_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_paned_set_start_child(GTK_PANED(inner), canvas_box);
    gtk_paned_set_end_child(GTK_PANED(inner), editor_box);
    gtk_paned_set_position(GTK_PANED(inner), (width - kListWidth) / 2);
    GtkWidget *outer = gtk_paned_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_paned_set_start_child(GTK_PANED(outer), list_scroll);
    gtk_paned_set_end_child(GTK_PANED(outer), inner);
    gtk_paned_set_position(GTK_PANED(outer), kListWidth);
    gtk_window_set_child(GTK_WINDOW(window_), outer);

    g_signal_connect(list_, "row-selected", G_CALLBACK(&Viewer::on_row_selected), this);
}

void Viewer::add_shortcuts()
{
    struct Binding {
        const char *trigger;
        void (Viewer::*run)();
    };
    static constexpr Binding kBindings[] = {
        {"<Control>s", &Viewer::save},
        {"<Control>q", &Viewer::quit},
        {"<Control>Page_Down|<Alt>Down", &Viewer::next},
        {"<Control>Page_Up|<Alt>Up", &Viewer::previous},
        {"<Control>g", &Viewer::toggle_grid},
        {"<Control>plus|<Control>equal|<Control>KP_Add", &Viewer::zoom_in},
        {"<Control>minus|<Control>KP_Subtract", &Viewer::zoom_out},
        {"<Control>0|<Control>KP_0", &Viewer::zoom_reset},
        {"<Control>b", &Viewer::toggle_checker},
        {"<Control>e", &Viewer::export_all},
    };
    GtkEventController *controller = gtk_shortcut_controller_new();
    // Before the editor sees the keys.
    gtk_event_controller_set_propagation_phase(controller, GTK_PHASE_CAPTURE);
    for (const Binding &b : kBindings) {
        actions_.push_back(std::make_unique<Action>(Action{this, b.run}));
        GtkShortcutTrigger *trigger = gtk_shortcut_trigger_parse_string(b.trigger);
        GtkShortcutAction *action =
            gtk_callback_action_new(&Viewer::on_shortcut, actions_.back().get(), nullptr);
        gtk_shortcut_controller_add_shortcut(GTK_SHORTCUT_CONTROLLER(controller),
                                             gtk_shortcut_new(trigger, action));
    }
    gtk_widget_add_controller(window_, controller);
}

void Viewer::watch_folders()
{
    std::vector<std::string> folders;
    for (const Snippet &s : snippets_)
        if (std::find(folders.begin(), folders.end(), s.file.folder) == folders.end())
            folders.push_back(s.file.folder);
    for (const std::string &folder : folders) {
        GFile *dir = g_file_new_for_path(folder.c_str());
        GError *error = nullptr;
        GFileMonitor *monitor =
            g_file_monitor_directory(dir, G_FILE_MONITOR_WATCH_MOVES, nullptr, &error);
        g_object_unref(dir);
        if (monitor == nullptr) {
            std::fprintf(stderr, "quillview: cannot watch '%s': %s\n", folder.c_str(),
                         error->message);
            g_error_free(error);
            continue;
        }
        g_signal_connect(monitor, "changed", G_CALLBACK(&Viewer::on_folder_event), this);
        monitors_.push_back(monitor);
    }
}

int Viewer::run()
{
    if (!builder_.ok())
        std::fprintf(stderr, "quillview: %s\n", builder_.error().c_str());
    gtk_list_box_select_row(GTK_LIST_BOX(list_),
                            gtk_list_box_get_row_at_index(GTK_LIST_BOX(list_), 0));
    load_editor();
    show_state();
    gtk_window_present(GTK_WINDOW(window_));
    while (!done_)
        g_main_context_iteration(nullptr, TRUE);
    // A job still running ends soon: its children have been stopped.
    while (job_)
        g_main_context_iteration(nullptr, TRUE);
    return 0;
}

void Viewer::quit()
{
    quitting_ = true;
    done_ = true;
    builder_.interrupt();
    renderer_.interrupt();
    g_main_context_wakeup(nullptr);
}

void Viewer::select(int index)
{
    if (index < 0 || index >= static_cast<int>(snippets_.size()))
        return;
    // Selecting the row calls back into on_row_selected, which does the rest.
    gtk_list_box_select_row(GTK_LIST_BOX(list_),
                            gtk_list_box_get_row_at_index(GTK_LIST_BOX(list_), index));
}

void Viewer::set_zoom(double zoom)
{
    zoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
    gtk_widget_queue_draw(canvas_);
    pump();
}

void Viewer::toggle_grid()
{
    grid_ = !grid_;
    gtk_widget_queue_draw(canvas_);
    pump();
}

void Viewer::toggle_checker()
{
    checker_ = !checker_;
    gtk_widget_queue_draw(canvas_);
}

int Viewer::grid_cell() const
{
    const int w = gtk_widget_get_width(canvas_), h = gtk_widget_get_height(canvas_);
    const int n = static_cast<int>(snippets_.size());
    int cell = std::min(w, h);
    while (cell > kMinPicture && (w / cell) * (h / cell) < n)
        cell--;
    return cell;
}

int Viewer::wanted_size(int index) const
{
    if (grid_)
        return std::max(kMinPicture, grid_cell() - 2 * kGridMargin);
    if (index != selected_)
        return 0;
    const int base = opts_.size > 0
                         ? opts_.size
                         : std::min(gtk_widget_get_width(canvas_), gtk_widget_get_height(canvas_));
    if (base <= 0)
        return 0;  // not laid out yet
    return std::clamp(static_cast<int>(std::lround(base * zoom_)), kMinPicture, kMaxPicture);
}

bool Viewer::needs_job(int index) const
{
    const Snippet &s = snippets_[index];
    const int size = wanted_size(index);
    if (size <= 0)
        return false;
    if (!s.attempted || s.source != s.built_source)
        return true;
    return s.build_ok && s.render_size != size;
}

void Viewer::pump()
{
    if (job_ || quitting_ || snippets_.empty())
        return;
    if (needs_job(selected_)) {
        start_job(selected_);
        return;
    }
    for (int i = 0; grid_ && i < static_cast<int>(snippets_.size()); i++) {
        if (needs_job(i)) {
            start_job(i);
            return;
        }
    }
}

void Viewer::start_job(int index)
{
    const Snippet &s = snippets_[index];
    job_ = std::make_unique<Job>();
    job_->index = index;
    job_->name = s.file.name;
    job_->folder = s.file.folder;
    job_->source = s.source;
    job_->object = s.object;
    job_->build = !s.attempted || s.source != s.built_source;
    job_->size = wanted_size(index);
    job_->builder = &builder_;
    job_->renderer = &renderer_;
    GTask *task = g_task_new(nullptr, nullptr, &Viewer::job_done, this);
    g_task_set_task_data(task, job_.get(), nullptr);
    g_task_run_in_thread(task, &Viewer::job_thread);
    g_object_unref(task);
}

void Viewer::job_thread(GTask *task, gpointer, gpointer data, GCancellable *)
{
    Job &job = *static_cast<Job *>(data);
    bool drawable = !job.build;
    if (job.build) {
        job.built = job.builder->build(job.index, job.name, job.source);
        drawable = job.built.ok;
        if (job.built.ok)
            job.object = job.built.object;
    }
    if (drawable && !job.object.empty()) {
        job.rendered = job.renderer->render(job.object, job.folder, job.size, RenderKind::kPixels);
        job.drew = true;
    }
    g_task_return_boolean(task, TRUE);
}

void Viewer::job_done(GObject *, GAsyncResult *, gpointer data)
{
    static_cast<Viewer *>(data)->finish_job();
}

void Viewer::finish_job()
{
    std::unique_ptr<Job> job = std::move(job_);
    Snippet &s = snippets_[job->index];
    if (job->build) {
        s.attempted = true;
        s.built_source = job->source;
        s.build_ok = job->built.ok;
        s.diagnostics = job->built.diagnostics;
        s.build_log = job->built.log;
        if (job->built.ok) {
            s.object = job->built.object;
            s.render_size = 0;
            s.stale = false;
        } else {
            s.stale = s.picture != nullptr;
            s.failure.clear();
        }
    }
    if (job->drew) {
        const RenderResult &r = job->rendered;
        s.render_size = job->size;
        if (r.ok) {
            cairo_surface_t *image =
                cairo_image_surface_create(CAIRO_FORMAT_ARGB32, r.width, r.height);
            unsigned char *data = cairo_image_surface_get_data(image);
            const int stride = cairo_image_surface_get_stride(image);
            for (int y = 0; y < r.height; y++)
                std::memcpy(data + y * stride, &r.pixels[static_cast<std::size_t>(y) * r.width],
                            static_cast<std::size_t>(r.width) * 4);
            cairo_surface_mark_dirty(image);
            s.picture.reset(image);
            s.failure.clear();
            s.stale = false;
        } else {
            s.failure = r.failure;
        }
    }
    if (timings_ && job->build)
        std::fprintf(stderr,
                     "quillview: timings %s: generate %.2f ms, compile %.2f ms, load %.2f ms, "
                     "draw %.2f ms\n",
                     s.file.name.c_str(), job->built.generate_ms, job->built.compile_ms,
                     job->rendered.load_ms, job->rendered.draw_ms);
    if (job->index == selected_)
        show_state();
    gtk_widget_queue_draw(canvas_);
    if (quitting_)
        return;
    pump();
}

void Viewer::reload(int index)
{
    Snippet &s = snippets_[index];
    std::string text;
    if (!read_text(s.file.path, text) || text == s.disk_text)
        return;  // gone for a moment, or our own save
    s.disk_text = text;
    s.source = text;
    if (index == selected_)
        load_editor();
    pump();
}

void Viewer::load_editor()
{
    if (snippets_.empty())
        return;
    const Snippet &s = snippets_[selected_];
    GtkTextBuffer *text = GTK_TEXT_BUFFER(buffer_);
    GtkTextIter cursor;
    gtk_text_buffer_get_iter_at_mark(text, &cursor, gtk_text_buffer_get_insert(text));
    const int offset = gtk_text_iter_get_offset(&cursor);
    loading_ = true;
    gtk_text_buffer_set_text(text, s.source.c_str(), static_cast<int>(s.source.size()));
    loading_ = false;
    gtk_text_buffer_get_iter_at_offset(text, &cursor, offset);
    gtk_text_buffer_place_cursor(text, &cursor);
    show_state();
}

void Viewer::show_state()
{
    if (snippets_.empty())
        return;
    const Snippet &s = snippets_[selected_];
    std::string state, status, errors;
    if (!s.attempted) {
        status = "building…";
    } else if (!s.build_ok) {
        state = "does not compile";
        for (const Diagnostic &d : s.diagnostics) {
            if (d.severity == "error" && d.line > 0) {
                state = "error at line " + std::to_string(d.line);
                break;
            }
        }
        status = s.picture ? "stale: " + state : state;
    } else if (!s.failure.empty()) {
        state = s.failure;
        status = s.failure;
    } else {
        status = "drawn at " + std::to_string(s.render_size) + " px";
    }
    const std::string title = s.file.name + (state.empty() ? "" : ": " + state) + " — quillview";
    gtk_window_set_title(GTK_WINDOW(window_), title.c_str());
    gtk_label_set_text(GTK_LABEL(status_), status.c_str());

    // Each message underlined at its line, and listed under the editor.
    GtkTextBuffer *text = GTK_TEXT_BUFFER(buffer_);
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(text, &start, &end);
    gtk_text_buffer_remove_tag_by_name(text, "error", &start, &end);
    gtk_text_buffer_remove_tag_by_name(text, "warning", &start, &end);
    const bool current = s.attempted && s.built_source == s.source;
    for (const Diagnostic &d : s.diagnostics) {
        if (d.severity == "note")
            continue;
        errors += (d.line > 0 ? "line " + std::to_string(d.line) + ": " : std::string()) +
                  d.severity + ": " + d.text + "\n";
        if (!current || d.line <= 0 || d.line > gtk_text_buffer_get_line_count(text))
            continue;
        gtk_text_buffer_get_iter_at_line(text, &start, d.line - 1);
        end = start;
        if (!gtk_text_iter_ends_line(&end))
            gtk_text_iter_forward_to_line_end(&end);
        gtk_text_buffer_apply_tag_by_name(text, d.severity.c_str(), &start, &end);
    }
    if (s.attempted && !s.build_ok && s.diagnostics.empty())
        errors = s.build_log;
    if (!errors.empty() && errors.back() == '\n')
        errors.pop_back();
    gtk_label_set_text(GTK_LABEL(errors_), errors.c_str());
}

void Viewer::draw(cairo_t *cr, int width, int height)
{
    if (checker_) {
        for (int y = 0; y < height; y += kCheckerTile)
            for (int x = 0; x < width; x += kCheckerTile) {
                const bool dark = ((x + y) / kCheckerTile) % 2 != 0;
                cairo_set_source_rgb(cr, dark ? 0.8 : 1, dark ? 0.8 : 1, dark ? 0.8 : 1);
                cairo_rectangle(cr, x, y, kCheckerTile, kCheckerTile);
                cairo_fill(cr);
            }
    } else {
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
    }
    if (snippets_.empty())
        return;
    if (grid_)
        draw_grid(cr, width, height);
    else
        draw_single(cr, width, height);
}

void show_centred_text(cairo_t *cr, double x, double y, const std::string &text)
{
    cairo_text_extents_t ext;
    cairo_set_font_size(cr, 14);
    cairo_text_extents(cr, text.c_str(), &ext);
    cairo_move_to(cr, x - ext.width / 2 - ext.x_bearing, y);
    cairo_show_text(cr, text.c_str());
}

void paint_picture(cairo_t *cr, cairo_surface_t *picture, double x, double y, double side)
{
    const int w = cairo_image_surface_get_width(picture);
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, side / w, side / w);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
}

void Viewer::draw_single(cairo_t *cr, int width, int height)
{
    const Snippet &s = snippets_[selected_];
    int side = wanted_size(selected_);
    if (side <= 0)
        return;
    const double x = (width - side) / 2.0, y = (height - side) / 2.0;
    if (s.build_ok && !s.failure.empty()) {
        cairo_set_source_rgb(cr, 0.7, 0, 0);
        show_centred_text(cr, width / 2.0, height / 2.0, s.failure);
        return;
    }
    if (s.picture) {
        paint_picture(cr, s.picture.get(), x, y, side);
        if (s.stale) {
            cairo_rectangle(cr, x, y, side, side);
            cairo_set_source_rgba(cr, 0.5, 0.5, 0.5, 0.55);
            cairo_fill(cr);
            cairo_set_source_rgb(cr, 0.6, 0, 0);
            show_centred_text(cr, width / 2.0, y + 24, "stale: the snippet does not compile");
        }
    } else if (s.attempted && !s.build_ok) {
        cairo_set_source_rgb(cr, 0.6, 0, 0);
        show_centred_text(cr, width / 2.0, height / 2.0, "the snippet does not compile");
    }
}

void Viewer::draw_grid(cairo_t *cr, int width, int)
{
    const int cell = grid_cell();
    const int cols = std::max(1, width / std::max(cell, 1));
    for (int i = 0; i < static_cast<int>(snippets_.size()); i++) {
        const Snippet &s = snippets_[i];
        const double x = (i % cols) * cell + kGridMargin, y = (i / cols) * cell + kGridMargin;
        const double side = cell - 2 * kGridMargin;
        if (s.picture && (s.failure.empty() || !s.build_ok))
            paint_picture(cr, s.picture.get(), x, y, side);
        if (!s.failure.empty() || s.stale || (s.attempted && !s.build_ok)) {
            cairo_rectangle(cr, x, y, side, side);
            cairo_set_source_rgba(cr, 0.7, 0, 0, 0.25);
            cairo_fill(cr);
        }
        cairo_rectangle(cr, x - 0.5, y - 0.5, side + 1, side + 1);
        cairo_set_source_rgb(cr, i == selected_ ? 0.2 : 0.8, i == selected_ ? 0.4 : 0.8,
                             i == selected_ ? 0.9 : 0.8);
        cairo_set_line_width(cr, i == selected_ ? 2 : 1);
        cairo_stroke(cr);
    }
}

void Viewer::save()
{
    if (snippets_.empty())
        return;
    Snippet &s = snippets_[selected_];
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(GTK_TEXT_BUFFER(buffer_), &start, &end);
    char *text = gtk_text_buffer_get_text(GTK_TEXT_BUFFER(buffer_), &start, &end, FALSE);
    struct stat st {};
    const int mode =
        stat(s.file.path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : 0666;
    GError *error = nullptr;
    // Written to a new file and renamed over the old one: complete or not at all.
    if (g_file_set_contents_full(s.file.path.c_str(), text, -1, G_FILE_SET_CONTENTS_CONSISTENT,
                                 mode, &error)) {
        s.disk_text = text;
        s.source = text;
        gtk_label_set_text(GTK_LABEL(status_), ("saved " + s.file.path).c_str());
    } else {
        gtk_label_set_text(GTK_LABEL(status_),
                           (std::string("cannot save: ") + error->message).c_str());
        g_error_free(error);
    }
    g_free(text);
    pump();
}

void Viewer::export_all()
{
    if (export_dialog_ == nullptr) {
        GtkFileChooserNative *chooser = gtk_file_chooser_native_new(
            "Export the snippets into", GTK_WINDOW(window_), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER,
            "_Export", "_Cancel");
        export_dialog_ = GTK_NATIVE_DIALOG(chooser);
        g_signal_connect(export_dialog_, "response", G_CALLBACK(&Viewer::on_export_folder), this);
    }
    gtk_native_dialog_show(export_dialog_);
}

void Viewer::on_export_folder(GtkNativeDialog *dialog, int response, gpointer data)
{
    auto *self = static_cast<Viewer *>(data);
    gtk_native_dialog_hide(dialog);
    if (response != GTK_RESPONSE_ACCEPT)
        return;
    GFile *folder = gtk_file_chooser_get_file(GTK_FILE_CHOOSER(dialog));
    if (folder == nullptr)
        return;
    char *path = g_file_get_path(folder);
    g_object_unref(folder);
    // The files as they are on disk, by this same program's export.
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    exe[n > 0 ? n : 0] = '\0';
    std::vector<std::string> args = {exe, std::string("--export=") + (path ? path : ".")};
    if (self->opts_.size > 0)
        args.push_back("--size=" + std::to_string(self->opts_.size));
    for (const Snippet &s : self->snippets_)
        args.push_back(s.abs_path);
    std::vector<const char *> argv;
    for (const std::string &a : args)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);
    GError *error = nullptr;
    GSubprocess *process = g_subprocess_newv(argv.data(), G_SUBPROCESS_FLAGS_NONE, &error);
    if (process == nullptr) {
        gtk_label_set_text(GTK_LABEL(self->status_), error->message);
        g_error_free(error);
    } else {
        gtk_label_set_text(GTK_LABEL(self->status_), (std::string("exporting to ") + path).c_str());
        g_subprocess_wait_async(process, nullptr, &Viewer::on_export_done, self);
    }
    g_free(path);
}

void Viewer::on_export_done(GObject *process, GAsyncResult *res, gpointer data)
{
    auto *self = static_cast<Viewer *>(data);
    GSubprocess *p = G_SUBPROCESS(process);
    const bool ok = g_subprocess_wait(p, nullptr, nullptr) && g_subprocess_get_if_exited(p) &&
                    g_subprocess_get_exit_status(p) == 0;
    (void)res;
    if (!self->quitting_)
        gtk_label_set_text(GTK_LABEL(self->status_),
                           ok ? "exported" : "export failed (see standard error)");
    g_object_unref(p);
}

void Viewer::on_draw(GtkDrawingArea *, cairo_t *cr, int w, int h, gpointer data)
{
    static_cast<Viewer *>(data)->draw(cr, w, h);
}

void Viewer::on_resize(GtkDrawingArea *, int, int, gpointer data)
{
    static_cast<Viewer *>(data)->pump();
}

void Viewer::on_row_selected(GtkListBox *, GtkListBoxRow *row, gpointer data)
{
    auto *self = static_cast<Viewer *>(data);
    if (row == nullptr)
        return;
    const int index = gtk_list_box_row_get_index(row);
    if (index == self->selected_ && self->snippets_[index].attempted)
        return;
    // Typing not yet built belongs to the snippet being left.
    if (self->typing_timer_ != 0) {
        g_source_remove(self->typing_timer_);
        self->typing_timer_ = 0;
        on_typing_pause(self);
    }
    self->selected_ = index;
    self->load_editor();
    gtk_widget_queue_draw(self->canvas_);
    self->pump();
}

void Viewer::on_buffer_changed(GtkTextBuffer *, gpointer data)
{
    auto *self = static_cast<Viewer *>(data);
    if (self->loading_)
        return;
    if (self->typing_timer_ != 0)
        g_source_remove(self->typing_timer_);
    self->typing_timer_ = g_timeout_add(kTypingPauseMs, &Viewer::on_typing_pause, self);
}

gboolean Viewer::on_typing_pause(gpointer data)
{
    auto *self = static_cast<Viewer *>(data);
    self->typing_timer_ = 0;
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(GTK_TEXT_BUFFER(self->buffer_), &start, &end);
    char *text = gtk_text_buffer_get_text(GTK_TEXT_BUFFER(self->buffer_), &start, &end, FALSE);
    self->snippets_[self->selected_].source = text;
    g_free(text);
    self->pump();
    return G_SOURCE_REMOVE;
}

gboolean Viewer::on_close(GtkWindow *, gpointer data)
{
    static_cast<Viewer *>(data)->quit();
    return TRUE;  // the window goes with the viewer
}

gboolean Viewer::on_stop_signal(gpointer data)
{
    static_cast<Viewer *>(data)->quit();
    return G_SOURCE_CONTINUE;
}

gboolean Viewer::on_shortcut(GtkWidget *, GVariant *, gpointer data)
{
    const Action *action = static_cast<const Action *>(data);
    (action->viewer->*action->run)();
    return TRUE;
}

void Viewer::on_folder_event(GFileMonitor *, GFile *file, GFile *other, GFileMonitorEvent event,
                             gpointer data)
{
    auto *self = static_cast<Viewer *>(data);
    GFile *target = nullptr;
    switch (event) {
    case G_FILE_MONITOR_EVENT_CHANGES_DONE_HINT:
    case G_FILE_MONITOR_EVENT_MOVED_IN:
        target = file;
        break;
    case G_FILE_MONITOR_EVENT_RENAMED:
        target = other;  // an editor's new file renamed over the snippet
        break;
    default:
        return;
    }
    if (target == nullptr)
        return;
    char *path = g_file_get_path(target);
    if (path == nullptr)
        return;
    for (int i = 0; i < static_cast<int>(self->snippets_.size()); i++)
        if (self->snippets_[i].abs_path == path)
            self->reload(i);
    g_free(path);
}

}  // namespace

int run_window(const Options &opts, const std::vector<SnippetFile> &snippets)
{
    if (!gtk_init_check()) {
        std::fprintf(stderr, "quillview: cannot open a display (use --export without one)\n");
        return 1;
    }
    gtk_source_init();
    int status = 0;
    {
        Viewer viewer(opts, snippets);
        status = viewer.run();
    }
    gtk_source_finalize();
    return status;
}

}  // namespace quillview
