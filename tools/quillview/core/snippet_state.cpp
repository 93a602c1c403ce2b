// snippet_state.cpp - a snippet's text, build and picture.
#include "snippet_state.h"

#include <cctype>
#include <string_view>

namespace quillview {

SnippetState::SnippetState(SnippetFile file, std::string disk_text)
    : file_(std::move(file)), disk_text_(std::move(disk_text)), source_(disk_text_)
{
}

void SnippetState::set_disk_text(std::string text)
{
    disk_text_ = std::move(text);
    source_ = disk_text_;
}

namespace {

// `text` with its comments, strings and character constants blanked out.
std::string code_only(const std::string &text)
{
    std::string code = text;
    enum { kCode, kBlock, kLine, kQuoted } in = kCode;
    char quote = 0;
    for (std::size_t i = 0; i < code.size(); i++) {
        const char c = text[i], next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (in == kCode) {
            if (c == '/' && (next == '*' || next == '/'))
                in = next == '*' ? kBlock : kLine;
            else if (c == '"' || c == '\'')
                in = kQuoted, quote = c;
            if (in == kCode)
                continue;
        } else if (in == kBlock && c == '*' && next == '/') {
            code[i] = code[i + 1] = ' ';
            i++;
            in = kCode;
            continue;
        } else if ((in == kLine && c == '\n') || (in == kQuoted && c == quote)) {
            in = kCode;
        } else if (in == kQuoted && c == '\\' && next != '\0') {
            code[i + 1] = ' ';
            i++;
        }
        if (code[i] != '\n')
            code[i] = ' ';
    }
    return code;
}

}  // namespace

bool calls_snippet_time(const std::string &source)
{
    constexpr std::string_view kName = "snippet_time";
    if (source.find(kName) == std::string::npos)
        return false;  // (most texts: no copy made)
    const std::string text = code_only(source);
    for (std::size_t at = text.find(kName); at != std::string::npos;
         at = text.find(kName, at + 1)) {
        const auto word = [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
        };
        if (at > 0 && word(text[at - 1]))
            continue;
        std::size_t next = at + kName.size();
        while (next < text.size() && std::isspace(static_cast<unsigned char>(text[next])) != 0)
            next++;
        if (next < text.size() && text[next] == '(')
            return true;
    }
    return false;
}

bool SnippetState::needs_render(int size) const
{
    return size > 0 && attempted_ && build_ok_ && drawn_size_ != size;
}

bool SnippetState::needs_render(int size, double time) const
{
    // A drawing that failed is not tried again for every frame.
    return needs_render(size) ||
           (size > 0 && attempted_ && build_ok_ && failure_.empty() && drawn_time_ != time);
}

void SnippetState::apply_build(const std::string &source, const BuildResult &built)
{
    attempted_ = true;
    built_source_ = source;
    build_ok_ = built.ok;
    checked_ = built.checked;
    diagnostics_ = built.diagnostics;
    build_log_ = built.log;
    if (built.ok) {
        code_ = SnippetCode{built.object, built.module};
        drawn_size_ = 0;  // the new code is not drawn yet
    } else {
        failure_.clear();
    }
}

void SnippetState::apply_check(const std::string &source, const BuildResult &checked)
{
    if (!attempted_ || source != built_source_)
        return;  // about a text that is gone
    checked_ = true;
    diagnostics_ = checked.diagnostics;
    if (!checked.ok) {
        build_ok_ = false;
        build_log_ = checked.log;
        failure_.clear();
    } else if (!build_ok_) {
        // The C compiler takes what libtcc did not: say what libtcc said.
        build_log_ = "libtcc cannot compile this snippet, the C compiler can:\n" + build_log_;
    }
}

void SnippetState::apply_render(int size, const quillkit::Result<RenderReply> &rendered,
                                double time)
{
    drawn_size_ = size;
    drawn_time_ = time;
    if (!rendered) {
        failure_ = rendered.error();
        return;
    }
    failure_.clear();
    picture_.width = rendered->width;
    picture_.height = rendered->height;
    picture_.pixels = rendered->pixels;
    picture_.serial = ++pictures_;
}

SnippetStatus SnippetState::status() const
{
    if (!attempted_)
        return SnippetStatus::kPending;
    if (!build_ok_)
        return picture() ? SnippetStatus::kStale : SnippetStatus::kFailed;
    if (!failure_.empty())
        return SnippetStatus::kFailed;
    return drawn_size_ > 0 ? SnippetStatus::kDrawn : SnippetStatus::kPending;
}

std::string SnippetState::summary() const
{
    if (!attempted_)
        return "";
    if (!build_ok_) {
        for (const Diagnostic &d : diagnostics_)
            if (d.severity == "error" && d.line > 0)
                return "error at line " + std::to_string(d.line);
        return "does not compile";
    }
    return failure_;
}

}  // namespace quillview
