// window_trust.cpp - the window never loses the user's text: unsaved text
// marked in the title and the list, kept per snippet; a change on disk
// under unsaved text asked about, never taken over it; a file that is not
// UTF-8 shown read-only and left as it is; closing and quitting ask first.
#include <sys/stat.h>

#include <cstdio>

#include "state_text.h"
#include "unsaved_dialog.h"
#include "window.h"

namespace quillview {

namespace {

constexpr const char *kChangedOnDisk = "changed on disk";
constexpr const char *kNotSaved = "not saved";
constexpr const char *kReadOnly = "not UTF-8, read-only";
constexpr const char *kDeletedOnDisk = "deleted on disk";

bool is_utf8(const std::string &text)
{
    return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr);
}

bool is_regular_file(const std::string &path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

FileNotes &Window::notes(int index)
{
    return notes_[snippets_[index].file().path];
}

bool Window::modified(int index) const
{
    return snippets_[index].modified() || (index == selected_ && editor_.typing_pending());
}

std::vector<std::string> Window::unsaved_names() const
{
    std::vector<std::string> names;
    if (closing_)
        return names;
    for (int i = 0; i < static_cast<int>(snippets_.size()); i++)
        if (modified(i))
            names.push_back(snippets_[i].file().name);
    return names;
}

bool Window::save_all()
{
    bool saved = true;
    for (int i = 0; i < static_cast<int>(snippets_.size()); i++)
        saved = static_cast<bool>(save_snippet(i)) && saved;
    show_state();
    return saved;
}

void Window::guard_unsaved(GtkApplication *app)
{
    guard_quit(app, GTK_WINDOW(window_),
               UnsavedWork{[this] { return unsaved_names(); }, [this] { return save_all(); }});
}

bool Window::ask_before_closing()
{
    if (close_confirmed_)
        return false;
    const std::vector<std::string> names = unsaved_names();
    if (names.empty())
        return false;
    ask_about_unsaved(GTK_WINDOW(window_), names, [this](UnsavedAnswer answer) {
        if (answer == UnsavedAnswer::kCancel)
            return;
        if (answer == UnsavedAnswer::kSaveAll && !save_all())
            return;  // the bar says why
        close_confirmed_ = true;
        gtk_window_close(GTK_WINDOW(window_));
    });
    return true;
}

void Window::show_editor(int index)
{
    // Text that is not UTF-8 is shown as Latin-1, read-only unless the user
    // chose to edit it; as long as it is not edited it is never written.
    if (!editor_.load(snippets_[index].source()) && notes(index).unlocked)
        editor_.set_editable(true);
}

void Window::show_file_state()
{
    if (snippets_.empty())
        return;
    const int index = selected_;
    const SnippetState &s = snippets_[index];
    FileNotes &n = notes(index);
    const bool locked = !n.unlocked && !is_utf8(s.source());
    const std::string note = !n.not_saved.empty() ? kNotSaved
                             : n.deleted_on_disk  ? kDeletedOnDisk
                             : n.changed_on_disk  ? kChangedOnDisk
                             : locked             ? kReadOnly
                                                  : "";
    const bool unsaved = modified(index);
    const std::string title = window_title(s, note, unsaved);
    const char *shown = gtk_window_get_title(GTK_WINDOW(window_));
    if (shown == nullptr || title != shown)
        gtk_window_set_title(GTK_WINDOW(window_), title.c_str());
    list_.set_modified(index, unsaved);

    MessageBar &bar = editor_.bar();
    const std::string path = s.file().path;
    if (note.empty()) {
        bar.hide();
    } else if (note == kNotSaved) {
        if (bar.text() != n.not_saved)
            bar.show(GTK_MESSAGE_ERROR, n.not_saved, {}, [this, path] {
                notes_[path].not_saved.clear();
                show_file_state();
            });
    } else if (note == kDeletedOnDisk) {
        const std::string text = "'" + path + "' was deleted on disk; Ctrl+S writes it again.";
        if (bar.text() != text)
            bar.show(GTK_MESSAGE_WARNING, text, {});
    } else if (note == kChangedOnDisk) {
        if (bar.text() != kChangedOnDisk)
            bar.show(GTK_MESSAGE_WARNING, kChangedOnDisk,
                     {{"_Reload", [this, path] { reload(path); }},
                      {"_Keep mine", [this, path] {
                           notes_[path].changed_on_disk = false;
                           show_file_state();
                       }}});
    } else {
        const std::string text = "'" + path +
                                 "' is not UTF-8 text: it is shown as Latin-1, read-only, and "
                                 "left as it is. Edited, it is saved as UTF-8.";
        if (bar.text() != text)
            bar.show(GTK_MESSAGE_INFO, text, {{"_Edit", [this, path] {
                                                   notes_[path].unlocked = true;
                                                   editor_.set_editable(true);
                                                   show_file_state();
                                               }}});
    }
}

void Window::reload(const std::string &path)
{
    for (int i = 0; i < static_cast<int>(snippets_.size()); i++) {
        if (snippets_[i].file().path != path)
            continue;
        notes_[path] = FileNotes{};
        if (i == selected_)
            editor_.flush();  // typing waiting for its pause goes too
        queue_.load(i, snippets_[i].disk_text());
        if (i == selected_)
            show_editor(i);
        list_.set_modified(i, false);
    }
    show_state();
}

void Window::on_typing_pause(std::string text)
{
    timings_.woke(selected_);
    queue_.edit(selected_, std::move(text));
    show_file_state();
}

void Window::on_file_changed(const std::string &path)
{
    for (int i = 0; i < static_cast<int>(snippets_.size()); i++) {
        if (snippets_[i].file().path != path)
            continue;
        // Only a file is read: a folder or a device in its place (a FIFO
        // would never end) is no text.
        if (!is_regular_file(path))
            continue;
        quillkit::Result<std::string> text = read_text(path);
        // Gone for a moment (being replaced), or touched without a change:
        // nothing to build.
        if (!text || *text == snippets_[i].disk_text())
            continue;
        timings_.woke(i);
        if (i == selected_)
            editor_.flush();
        SnippetState &s = snippets_[i];
        FileNotes &n = notes(i);
        if (s.modified() && s.source() != *text) {
            // Unsaved text stays; the user decides.
            s.note_disk_text(std::move(*text));
            n.changed_on_disk = true;
        } else {
            n = FileNotes{};
            queue_.load(i, std::move(*text));
            if (i == selected_)
                show_editor(i);
        }
        list_.set_modified(i, modified(i));
        if (i == selected_)
            show_state();
    }
}

}  // namespace quillview
