// snippet_draw.h - one picture of a snippet, in the render process: its code
// loaded (a compiled object, or a module compiled in memory) and drawn.
#ifndef QUILLVIEW_CORE_SNIPPET_DRAW_H
#define QUILLVIEW_CORE_SNIPPET_DRAW_H

#include <string>
#include <vector>

#include "render_protocol.h"

namespace quillview {

// Draws what `request` names into `reply` (its serial and kind already set),
// compiling a module in memory against the headers in `include_dirs`.
// Pixels go into `shared` (room for the largest picture) when given, else
// into the reply.
void draw_snippet(const RenderRequest &request, const std::vector<std::string> &include_dirs,
                  unsigned char *shared, RenderReply &reply);

}  // namespace quillview

#endif  // QUILLVIEW_CORE_SNIPPET_DRAW_H
