// state_text.h - what a snippet's state reads as in the window: its title
// and the status line under the canvas.
#ifndef QUILLVIEW_UI_STATE_TEXT_H
#define QUILLVIEW_UI_STATE_TEXT_H

#include <string>

#include "snippet_state.h"

namespace quillview {

// Whether the last build of the snippet's text failed.
bool build_failed(const SnippetState &s);

// "NAME — quillview", or "NAME: SUMMARY — quillview" (an error's line, "does
// not compile", or why the drawing failed). With a note about the file
// ("changed on disk", "not saved"), "NAME: NOTE, SUMMARY — quillview"; with
// unsaved text, "• " in front.
std::string window_title(const SnippetState &s, const std::string &note = "",
                         bool modified = false);

// "building…", "drawn at N px", the summary ("stale: " before it when the
// last good picture stays), or why the drawing failed.
std::string status_text(const SnippetState &s);

}  // namespace quillview

#endif  // QUILLVIEW_UI_STATE_TEXT_H
