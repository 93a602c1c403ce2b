// render_server.h - the render process: quillview started again in a hidden
// mode, which loads snippets' compiled objects and draws them. Snippet code
// runs only here: whatever it does wrong ends this process alone.
#ifndef QUILLVIEW_CORE_RENDER_SERVER_H
#define QUILLVIEW_CORE_RENDER_SERVER_H

namespace quillview {

// Serves render requests on descriptor `fd` until it closes; never returns.
[[noreturn]] void serve_renders(int fd);

}  // namespace quillview

#endif  // QUILLVIEW_CORE_RENDER_SERVER_H
