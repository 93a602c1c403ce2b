// snippet_draw.h - one picture of a snippet, in the render process: its code
// loaded (a compiled object, or a module compiled in memory) and drawn.
#ifndef QUILLVIEW_CORE_SNIPPET_DRAW_H
#define QUILLVIEW_CORE_SNIPPET_DRAW_H

#include <memory>
#include <string>
#include <vector>

#include "render_protocol.h"

namespace quillview {

// The code of the last picture, kept loaded: the next picture of the same
// code (an animation's next frame) is drawn without compiling or loading it
// again, and its static variables keep their values.
class LoadedCode {
public:
    LoadedCode();
    ~LoadedCode();
    LoadedCode(const LoadedCode &) = delete;
    LoadedCode &operator=(const LoadedCode &) = delete;

    struct Parts;  // (snippet_draw.cpp)
    std::unique_ptr<Parts> parts;
};

// Draws what `request` names into `reply` (its serial and kind already set),
// compiling a module in memory against the headers in `include_dirs`.
// Pixels go into `shared` (room for the largest picture) when given, else
// into the reply. With `loaded`, code loaded for an earlier picture is used
// again when the request names the same, and what it loads is kept there.
void draw_snippet(const RenderRequest &request, const std::vector<std::string> &include_dirs,
                  unsigned char *shared, RenderReply &reply, LoadedCode *loaded = nullptr);

}  // namespace quillview

#endif  // QUILLVIEW_CORE_SNIPPET_DRAW_H
