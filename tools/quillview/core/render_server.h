// render_server.h - the render process: quillview started again in a hidden
// mode, which loads snippets' compiled objects and draws them. Snippet code
// runs only here: whatever it does wrong ends this process alone.
#ifndef QUILLVIEW_CORE_RENDER_SERVER_H
#define QUILLVIEW_CORE_RENDER_SERVER_H

#include <sys/types.h>

#include "limits.h"

namespace quillview {

// Serves render requests on descriptor `fd` until it closes, for the process
// `parent` (it ends at once should that be gone); never returns. Whatever a
// snippet starts is killed after each picture.
[[noreturn]] void serve_renders(int fd, pid_t parent, const Limits &limits);

}  // namespace quillview

#endif  // QUILLVIEW_CORE_RENDER_SERVER_H
