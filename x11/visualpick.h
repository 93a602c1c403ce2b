/* visualpick.h - find a visual for translucent X11 windows.
 * Link visualpick, Xlib (x11) and XRender (xrender).
 */
#ifndef QUILLKIT_VISUALPICK_H
#define QUILLKIT_VISUALPICK_H

#include <X11/Xlib.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Returns the first 32-bit TrueColor visual of screen `scr` whose XRender
 * picture format is a direct format with a non-zero alpha mask, or NULL when
 * there is none. The visual belongs to the display connection: do not free it. */
Visual *find_argb_visual(Display *dpy, int scr);

#ifdef __cplusplus
}
#endif

#endif /* QUILLKIT_VISUALPICK_H */
