// state_text.cpp - titles and status lines.
#include "state_text.h"

namespace quillview {

bool build_failed(const SnippetState &s)
{
    // A failed drawing is always of a good build; a failed build clears it.
    const SnippetStatus status = s.status();
    return status == SnippetStatus::kStale ||
           (status == SnippetStatus::kFailed && s.failure().empty());
}

std::string window_title(const SnippetState &s, const std::string &note, bool modified)
{
    const std::string summary = s.summary();
    std::string about = note;
    if (!summary.empty())
        about += (about.empty() ? "" : ", ") + summary;
    return (modified ? "\u2022 " : "") + s.file().name + (about.empty() ? "" : ": " + about) +
           " — quillview";
}

std::string status_text(const SnippetState &s)
{
    switch (s.status()) {
    case SnippetStatus::kPending:
        return "building…";
    case SnippetStatus::kDrawn:
        return "drawn at " + std::to_string(s.drawn_size()) + " px";
    case SnippetStatus::kStale:
        return "stale: " + s.summary();
    case SnippetStatus::kFailed:
        break;
    }
    return s.summary();
}

}  // namespace quillview
