// window_files.cpp - the window's files: saving the editor's text, a new
// snippet, another folder in a new window, and the export of all snippets
// (by this same program, started again with --export).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "output_file.h"
#include "owned_fd.h"
#include "self_path.h"
#include "snippet_template.h"
#include "window.h"
#include "write_all.h"

namespace quillview {

namespace {

namespace fs = std::filesystem;
using quillkit::fail;
using quillkit::Status;

constexpr const char *kSuffix = ".cairo";

constexpr const char *kNewSnippet = kSnippetTemplate;

// Writes `text` over the file at `path` by the kit's output rules: a new
// file renamed over it with its permissions (complete or unchanged), a
// link's target replaced and the link kept, a file the user may not write
// refused; a device written in place. Fails with the whole reason.
Status write_snippet(const std::string &path, const std::string &text)
{
    quillkit::OutputFile out(path);
    if (Status opened = out.open(); !opened)
        return opened;
    out.write(text);
    return out.commit();
}

// Writes `text` into a file made at `path`, which must not exist yet.
Status create_file(const std::string &path, const std::string &text)
{
    quillkit::OwnedFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.get() < 0)
        return fail(std::strerror(errno));
    if (const int error = quillkit::write_all(fd.get(), text.data(), text.size()); error != 0) {
        unlink(path.c_str());
        return fail(std::strerror(error));
    }
    if (close(fd.release()) != 0) {
        const int error = errno;
        unlink(path.c_str());
        return fail(std::strerror(error));
    }
    return {};
}

// The path the file chooser's dialog chose, or empty.
std::string chosen_path(GtkNativeDialog *dialog)
{
    GFile *file = gtk_file_chooser_get_file(GTK_FILE_CHOOSER(dialog));
    if (file == nullptr)
        return {};
    char *path = g_file_get_path(file);
    g_object_unref(file);
    std::string result = path != nullptr ? path : "";
    g_free(path);
    return result;
}

}  // namespace

void Window::save()
{
    if (snippets_.empty())
        return;
    const int index = selected_;
    const bool unsaved = modified(index);
    const Status saved = save_snippet(index);
    show_state();
    if (!saved)
        set_status("not saved: the reason is above the editor");
    else
        set_status((unsaved ? "saved " : "no changes to save in ") + snippets_[index].file().path);
}

Status Window::save_snippet(int index)
{
    if (index == selected_)
        editor_.flush();  // typing waiting for its pause is part of the text
    SnippetState &s = snippets_[index];
    // The file holds the text already: nothing is written (a file that is
    // not UTF-8 stays byte for byte as it is until the user edits it).
    if (!s.modified())
        return {};
    const std::string path = s.file().path;
    // The snippet's whole text: the editor's own, handed over by flush().
    const std::string text = s.source();
    const Status saved = monitor_.write_own(path, [&] { return write_snippet(path, text); });
    if (!saved) {
        notes(index).not_saved = saved.error();
        std::fprintf(stderr, "quillview: %s\n", saved.error().c_str());
        return saved;
    }
    notes(index) = FileNotes{};
    queue_.load(index, text);
    list_.set_modified(index, false);
    return {};
}

GtkNativeDialog *Window::chooser(GtkNativeDialog *&dialog, const char *title,
                                 GtkFileChooserAction action, const char *accept,
                                 GCallback response)
{
    if (dialog == nullptr) {
        dialog = GTK_NATIVE_DIALOG(
            gtk_file_chooser_native_new(title, GTK_WINDOW(window_), action, accept, "_Cancel"));
        gtk_native_dialog_set_modal(dialog, TRUE);
        g_signal_connect(dialog, "response", response, this);
    }
    return dialog;
}

void Window::choose_new_snippet()
{
    GtkNativeDialog *dialog = chooser(new_dialog_, "New snippet", GTK_FILE_CHOOSER_ACTION_SAVE,
                                      "_Create", G_CALLBACK(&Window::on_new_response));
    if (const std::string where = new_snippet_folder(); !where.empty()) {
        GFile *folder = g_file_new_for_path(where.c_str());
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), folder, nullptr);
        g_object_unref(folder);
    }
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), "untitled.cairo");
    gtk_native_dialog_show(dialog);
}

void Window::on_new_response(GtkNativeDialog *dialog, int response, gpointer data)
{
    gtk_native_dialog_hide(dialog);
    const std::string path = chosen_path(dialog);
    if (response == GTK_RESPONSE_ACCEPT && !path.empty())
        static_cast<Window *>(data)->create_snippet(path);
}

void Window::create_snippet(std::string path)
{
    if (fs::path(path).extension() != kSuffix)
        path += kSuffix;
    const fs::path file(path);
    const std::string base = file.filename().string();
    const SnippetFile snippet{base.substr(0, base.size() - std::strlen(kSuffix)), path,
                              file.parent_path().string()};
    if (snippet.name.empty()) {
        set_status("cannot create '" + path + "': the name is empty");
        return;
    }
    if (quillkit::Status watched = monitor_.watch(snippet.path); !watched) {
        set_status(watched.error());
        return;
    }
    // Never over an existing file, whatever the dialog asked.
    const Status made = monitor_.write_own(path, [&] { return create_file(path, kNewSnippet); });
    if (!made) {
        set_status("cannot create '" + path + "': " + made.error());
        return;
    }
    add_snippet(snippet, kNewSnippet);
    list_.select(static_cast<int>(snippets_.size()) - 1);
}

void Window::choose_folder_to_open()
{
    gtk_native_dialog_show(chooser(open_dialog_, "Open a folder of snippets",
                                   GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Open",
                                   G_CALLBACK(&Window::on_open_response)));
}

void Window::on_open_response(GtkNativeDialog *dialog, int response, gpointer data)
{
    auto *self = static_cast<Window *>(data);
    gtk_native_dialog_hide(dialog);
    const std::string folder = chosen_path(dialog);
    if (response != GTK_RESPONSE_ACCEPT || folder.empty())
        return;
    self->hooks_.open(folder);
}

void Window::choose_export_folder()
{
    gtk_native_dialog_show(chooser(export_dialog_, "Export the snippets into",
                                   GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Export",
                                   G_CALLBACK(&Window::on_export_response)));
}

void Window::on_export_response(GtkNativeDialog *dialog, int response, gpointer data)
{
    gtk_native_dialog_hide(dialog);
    const std::string folder = chosen_path(dialog);
    if (response == GTK_RESPONSE_ACCEPT && !folder.empty())
        static_cast<Window *>(data)->start_export(folder);
}

void Window::start_export(const std::string &folder)
{
    // The files as they are on disk; the child's messages go to our
    // standard error.
    std::vector<std::string> args = {quillkit::self_path(), "--export=" + folder};
    if (fixed_size_ > 0)
        args.push_back("--size=" + std::to_string(fixed_size_));
    // Files gone from disk are left out, and named.
    export_note_.clear();
    for (const SnippetState &s : snippets_) {
        struct stat st {};
        if (stat(s.file().path.c_str(), &st) == 0)
            args.push_back(s.file().path);
        else
            export_note_ +=
                (export_note_.empty() ? "; not on disk, left out: " : ", ") + s.file().name;
    }
    if (args.size() == (fixed_size_ > 0 ? 3u : 2u)) {
        set_status("nothing to export" + export_note_);
        return;
    }
    std::vector<const char *> argv;
    for (const std::string &a : args)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);
    GError *error = nullptr;
    GSubprocess *process = g_subprocess_newv(argv.data(), G_SUBPROCESS_FLAGS_NONE, &error);
    if (process == nullptr) {
        set_status(std::string("export failed: ") + error->message);
        g_error_free(error);
        return;
    }
    set_status("exporting to " + folder + export_note_);
    g_subprocess_wait_async(process, cancellable_, &Window::on_export_done, this);
    g_object_unref(process);
}

void Window::on_export_done(GObject *process, GAsyncResult *result, gpointer data)
{
    GSubprocess *p = G_SUBPROCESS(process);
    GError *error = nullptr;
    const bool waited = g_subprocess_wait_finish(p, result, &error);
    if (!waited && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
        g_error_free(error);
        return;  // the window has gone
    }
    if (error != nullptr)
        g_error_free(error);
    const bool ok = waited && g_subprocess_get_if_exited(p) && g_subprocess_get_exit_status(p) == 0;
    auto *self = static_cast<Window *>(data);
    self->set_status((ok ? "exported" : "export failed (see standard error)") + self->export_note_);
}

}  // namespace quillview
