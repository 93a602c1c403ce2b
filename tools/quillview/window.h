// window.h - quillview's GTK window.
#ifndef QUILLVIEW_WINDOW_H
#define QUILLVIEW_WINDOW_H

#include <vector>

#include "options.h"

namespace quillview {

// Opens the window on `snippets` and runs until it is closed; returns the
// exit status.
int run_window(const Options &opts, const std::vector<SnippetFile> &snippets);

}  // namespace quillview

#endif  // QUILLVIEW_WINDOW_H
