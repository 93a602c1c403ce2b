// snippet_state.h - what quillview knows of one snippet: which text is
// current, whether it is built, stale or failed, and its last good picture.
#ifndef QUILLVIEW_CORE_SNIPPET_STATE_H
#define QUILLVIEW_CORE_SNIPPET_STATE_H

#include <cstdint>
#include <string>
#include <vector>

#include "builder.h"
#include "render_protocol.h"
#include "result.h"
#include "snippet_files.h"

namespace quillview {

// A drawn picture: premultiplied ARGB32, row after row, no padding.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint64_t serial = 0;  // changes with every new picture
};

// Whether `text` calls snippet_time (outside comments and strings): its
// picture changes with the time.
bool calls_snippet_time(const std::string &text);

enum class SnippetStatus {
    kPending,  // not built yet
    kDrawn,    // the current text is built and drawn
    kStale,    // the text does not compile; the last good picture stays
    kFailed,   // no picture: the text never compiled, or drawing failed
};

class SnippetState {
public:
    SnippetState(SnippetFile file, std::string disk_text);

    const SnippetFile &file() const { return file_; }
    // The file was renamed (its name, path and folder).
    void set_file(SnippetFile file) { file_ = std::move(file); }
    // The builder's folder for this snippet (-1: its index), kept while
    // snippets before it come and go.
    int slot() const { return slot_; }
    void set_slot(int slot) { slot_ = slot; }
    // The text to build: the editor's, or the file's.
    const std::string &source() const { return source_; }
    // The file's text as last read or saved.
    const std::string &disk_text() const { return disk_text_; }
    // The editor's text changed.
    void set_source(std::string text) { source_ = std::move(text); }
    // The file was read or saved: its text is the one to build.
    void set_disk_text(std::string text);
    // The file changed while the editor's text differs from it: the file's
    // text is noted, the editor's stays the one to build.
    void note_disk_text(std::string text) { disk_text_ = std::move(text); }
    // Whether the text to build is not the file's: unsaved.
    bool modified() const { return source_ != disk_text_; }

    bool needs_build() const { return !attempted_ || source_ != built_source_; }
    // Whether the C compiler has yet to check the built text (in-memory
    // path).
    bool needs_check() const { return attempted_ && !checked_; }
    // Whether a picture at `size` is wanted and not yet drawn (or failed).
    bool needs_render(int size) const;
    // ... or at `time`, when the picture shown was drawn for another time
    // (not again when that drawing failed).
    bool needs_render(int size, double time) const;

    // The outcome of building `source` (possibly older than source()).
    void apply_build(const std::string &source, const BuildResult &built);
    // The C compiler's verdict on `source`: its messages replace those of
    // the build, and an error marks the picture stale.
    void apply_check(const std::string &source, const BuildResult &checked);
    // The outcome of drawing the last good code at `size`.
    void apply_render(int size, const quillkit::Result<RenderReply> &rendered, double time = 0);

    SnippetStatus status() const;
    // The last good picture, or nullptr.
    const Picture *picture() const { return picture_.pixels.empty() ? nullptr : &picture_; }
    // The last good code: a compiled object, or a module for libtcc.
    const SnippetCode &code() const { return code_; }
    const std::vector<Diagnostic> &diagnostics() const { return diagnostics_; }
    const std::string &build_log() const { return build_log_; }
    // Whether the diagnostics are about the current text.
    bool diagnostics_current() const { return attempted_ && built_source_ == source_; }
    // Why the last draw gave no picture; empty when it did.
    const std::string &failure() const { return failure_; }
    int drawn_size() const { return drawn_size_; }
    // The animation's time of the last drawing.
    double drawn_time() const { return drawn_time_; }
    // A short description for the title: "", "error at line N", "does not
    // compile", or the drawing's failure.
    std::string summary() const;

private:
    SnippetFile file_;
    std::string disk_text_;
    std::string source_;
    std::string built_source_;
    bool attempted_ = false;
    bool build_ok_ = false;
    bool checked_ = false;
    SnippetCode code_;
    std::vector<Diagnostic> diagnostics_;
    std::string build_log_;
    Picture picture_;
    std::string failure_;
    int drawn_size_ = 0;
    double drawn_time_ = 0;
    int slot_ = -1;
    std::uint64_t pictures_ = 0;
};

}  // namespace quillview

#endif  // QUILLVIEW_CORE_SNIPPET_STATE_H
