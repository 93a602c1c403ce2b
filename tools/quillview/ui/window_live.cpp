// window_live.cpp - the window's live parts: the animation's time for the
// snippets that call snippet_time, numbers tweaked with the mouse, the
// editor's place kept for each snippet, snippet files that come, go and are
// renamed in the window's folders, and the page of a window without any.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "editor_view.h"
#include "snippet_template.h"
#include "window.h"

namespace quillview {

namespace {

namespace fs = std::filesystem;

constexpr const char *kSnippetsPage = "snippets";
constexpr const char *kEmptyPage = "empty";

// An absolute path without "." or ".." and without a slash at its end.
std::string folder_path(const std::string &folder)
{
    std::error_code ec;
    std::string path = fs::absolute(folder, ec).lexically_normal().string();
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool is_regular_file(const std::string &path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The snippet file at `path`: its name less ".cairo", in its folder.
SnippetFile snippet_at(const std::string &path)
{
    const fs::path file(path);
    const std::string base = file.filename().string();
    return {base.substr(0, base.size() - fs::path(".cairo").string().size()), path,
            folder_path(file.parent_path().string())};
}

}  // namespace

void Window::add_new_snippet(const SnippetFile &file)
{
    const SnippetFile made = snippet_at(folder_path(file.path));
    if (index_of(made.path) >= 0)
        return;
    add_snippet(made, "");  // nothing on disk yet: the template is unsaved text
    snippets_.back().set_source(kSnippetTemplate);
    watch_snippet(made);
    if (snippets_.size() == 1)
        list_.select(0);
    show_state();
}

void Window::list_folder(const std::string &folder)
{
    const std::string path = folder_path(folder);
    if (std::find(listed_.begin(), listed_.end(), path) == listed_.end())
        listed_.push_back(path);
    if (quillkit::Status watched = listing_.watch(path); !watched)
        set_status(watched.error());
    empty_.set_folder(path);
}

void Window::set_up_live()
{
    set_up_editor_view(editor_.view());
    queue_.set_wanted_time([this](int index) { return wanted_time(index); });
    for (const SnippetState &s : snippets_)
        if (quillkit::Status watched = listing_.watch(s.file().folder); !watched)
            set_status(watched.error());
    show_live_state();
}

double Window::wanted_time(int index) const
{
    return calls_snippet_time(snippets_[index].source()) ? playback_.time() : 0.0;
}

void Window::show_live_state()
{
    bool animated = false;
    if (canvas_.grid())
        for (const SnippetState &s : snippets_)
            animated = animated || calls_snippet_time(s.source());
    else if (!snippets_.empty())
        animated = calls_snippet_time(snippets_[selected_].source());
    playback_.set_animated(animated);
    wrap_if_small(editor_.view());
    gtk_stack_set_visible_child_name(GTK_STACK(stack_),
                                     snippets_.empty() ? kEmptyPage : kSnippetsPage);
    if (snippets_.empty())
        gtk_window_set_title(GTK_WINDOW(window_), "quillview");
}

void Window::on_tweak(std::string text)
{
    if (snippets_.empty())
        return;
    timings_.woke(selected_);
    queue_.edit(selected_, std::move(text));
    show_file_state();
}

void Window::keep_editor_place(int index)
{
    if (!shown_path_.empty())
        top_lines_[shown_path_] = top_line(editor_.view());
    shown_path_ = snippets_[index].file().path;
    const auto kept = top_lines_.find(shown_path_);
    scroll_to_line(editor_.view(), kept != top_lines_.end() ? kept->second : 0);
}

std::string Window::new_snippet_folder() const
{
    if (!snippets_.empty())
        return snippets_[selected_].file().folder;
    return listed_.empty() ? std::string() : listed_.front();
}

int Window::index_of(const std::string &path) const
{
    for (int i = 0; i < static_cast<int>(snippets_.size()); i++)
        if (snippets_[i].file().path == path)
            return i;
    return -1;
}

void Window::watch_snippet(const SnippetFile &file)
{
    for (quillkit::Status watched : {monitor_.watch(file.path), listing_.watch(file.folder)})
        if (!watched)
            set_status(watched.error());
}

void Window::on_listing(FolderListing::Change change, const std::string &path,
                        const std::string &to)
{
    if (closing_)
        return;
    if (change == FolderListing::Change::kCame) {
        snippet_came(path);
    } else if (change == FolderListing::Change::kWent) {
        snippet_went(path);
    } else if (const int from = index_of(path); from < 0) {
        snippet_came(to);  // (as editors save a new file)
    } else if (index_of(to) >= 0 || !is_snippet_path(to)) {
        snippet_went(path);
    } else {
        rename_snippet(from, to);
    }
}

void Window::snippet_came(const std::string &path)
{
    if (const int i = index_of(path); i >= 0) {
        // Back on disk (saved, or put back): no longer deleted.
        notes(i).deleted_on_disk = false;
        watch_snippet(snippets_[i].file());
        show_file_state();
        return;
    }
    const SnippetFile file = snippet_at(path);
    if (std::find(listed_.begin(), listed_.end(), file.folder) == listed_.end() ||
        !is_regular_file(path))
        return;
    quillkit::Result<std::string> text = read_text(path);
    if (!text)
        return;
    add_snippet(file, std::move(*text));
    watch_snippet(file);
    if (snippets_.size() == 1)
        list_.select(0);
    queue_.pump();  // the grid shows it
    canvas_.redraw();
}

void Window::snippet_went(const std::string &path)
{
    const int i = index_of(path);
    if (i < 0 || is_regular_file(path))
        return;
    if (modified(i)) {
        // The unsaved text stays; Ctrl+S writes the file again.
        notes(i).deleted_on_disk = true;
        show_file_state();
        return;
    }
    remove_snippet(i);
}

void Window::rename_snippet(int index, const std::string &to)
{
    const std::string from = snippets_[index].file().path;
    const SnippetFile file = snippet_at(to);
    snippets_[index].set_file(file);
    notes_[to] = notes_[from];
    notes_.erase(from);
    if (shown_path_ == from)
        shown_path_ = to;
    list_.rename(index, file.name);
    watch_snippet(file);
    show_state();
}

void Window::remove_snippet(int index)
{
    const std::string path = snippets_[index].file().path;
    queue_.remove(index);
    canvas_.remove(index);
    list_.remove(index);
    notes_.erase(path);
    top_lines_.erase(path);
    if (selected_ > index)
        selected_--;
    if (snippets_.empty()) {
        selected_ = 0;
        shown_path_.clear();
        show_live_state();
    } else if (selected_ == index || selected_ >= static_cast<int>(snippets_.size())) {
        list_.select(std::min(index, static_cast<int>(snippets_.size()) - 1));
    } else {
        list_.select(selected_);
    }
    queue_.pump();
}

}  // namespace quillview
