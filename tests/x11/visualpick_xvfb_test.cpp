// find_argb_visual on a real X server: a private Xvfb per test.
// GoogleTest first: Xlib defines None as a macro.
#include <gtest/gtest.h>

#include "visualpick.h"
#include "xvfb_server.h"

#include <X11/Xutil.h>
#include <X11/extensions/Xrender.h>

namespace {

using quillkit_test::XvfbServer;

// How many visuals match the template.
int count_entries(Display *dpy, long mask, XVisualInfo *templ)
{
    int n = 0;
    XVisualInfo *list = XGetVisualInfo(dpy, mask, templ, &n);
    if (list == nullptr)
        return 0;
    XFree(list);
    return n;
}

int last_error_code = 0;
int record_error(Display *, XErrorEvent *e)
{
    last_error_code = e->error_code;
    return 0;
}

TEST(FindArgbVisualXvfb, DefaultServerHasATranslucentVisual)
{
    XvfbServer server;
    ASSERT_NE(server.display(), nullptr) << server.error();
    Display *dpy = server.display();
    const int scr = DefaultScreen(dpy);

    Visual *visual = find_argb_visual(dpy, scr);
    ASSERT_NE(visual, nullptr);

    // What the server says about that visual, asked independently.
    XVisualInfo templ{};
    templ.visualid = XVisualIDFromVisual(visual);
    templ.screen = scr;
    int n = 0;
    XVisualInfo *info = XGetVisualInfo(dpy, VisualIDMask | VisualScreenMask, &templ, &n);
    ASSERT_NE(info, nullptr);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(info->depth, 32);
    EXPECT_EQ(info->c_class, TrueColor);
    EXPECT_EQ(info->visual, visual) << "not the connection's own visual";
    XFree(info);

    const XRenderPictFormat *format = XRenderFindVisualFormat(dpy, visual);
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->type, PictTypeDirect);
    EXPECT_NE(format->direct.alphaMask, 0);

    // The server accepts a window of that visual, given its own colormap and
    // a border pixel.
    XSetWindowAttributes attrs{};
    attrs.colormap = XCreateColormap(dpy, RootWindow(dpy, scr), visual, AllocNone);
    attrs.border_pixel = 0;
    attrs.background_pixel = 0;
    last_error_code = 0;
    XErrorHandler previous = XSetErrorHandler(record_error);
    const Window win = XCreateWindow(dpy, RootWindow(dpy, scr), 0, 0, 32, 32, 0, 32, InputOutput,
                                     visual, CWColormap | CWBorderPixel | CWBackPixel, &attrs);
    XSync(dpy, False);
    XSetErrorHandler(previous);
    EXPECT_EQ(last_error_code, 0);
    XDestroyWindow(dpy, win);
    XFreeColormap(dpy, attrs.colormap);
    XSync(dpy, False);
}

TEST(FindArgbVisualXvfb, ScreenWithoutSuchVisualsGivesNull)
{
    XvfbServer server;
    ASSERT_NE(server.display(), nullptr) << server.error();
    Display *dpy = server.display();
    // A screen number the server does not have lists no visual at all.
    EXPECT_EQ(find_argb_visual(dpy, ScreenCount(dpy)), nullptr);
}

TEST(FindArgbVisualXvfb, WithoutCompositeNoneIsFound)
{
    // Without the Composite extension Xvfb offers no 32-bit visuals.
    XvfbServer server({"-extension", "Composite"});
    ASSERT_NE(server.display(), nullptr) << server.error();
    Display *dpy = server.display();
    const int scr = DefaultScreen(dpy);

    XVisualInfo templ{};
    templ.screen = scr;
    templ.depth = 32;
    ASSERT_EQ(count_entries(dpy, VisualScreenMask | VisualDepthMask, &templ), 0)
        << "this Xvfb offers 32-bit visuals even without Composite";
    int event_base = 0, error_base = 0;
    ASSERT_TRUE(XRenderQueryExtension(dpy, &event_base, &error_base));

    EXPECT_EQ(find_argb_visual(dpy, scr), nullptr);
}

}  // namespace
