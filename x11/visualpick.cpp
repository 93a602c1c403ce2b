// visualpick.cpp - the visual for a window with per-pixel alpha.
//
// A translucent window needs a 32-bit TrueColor visual whose XRender picture
// format is a direct format carrying alpha. Xlib lists the candidates; the
// first one XRender describes with a non-zero alpha mask wins.

#include "visualpick.h"

#include <X11/Xutil.h>
#include <X11/extensions/Xrender.h>

namespace {

constexpr int kArgbDepth = 32;
constexpr long kQueryMask = VisualScreenMask | VisualDepthMask | VisualClassMask;

// Owns the list XGetVisualInfo returns and hands it back to XFree exactly once.
class VisualInfoList {
public:
    explicit VisualInfoList(XVisualInfo *items) : items_(items) {}
    ~VisualInfoList()
    {
        if (items_ != nullptr)
            XFree(items_);
    }
    VisualInfoList(const VisualInfoList &) = delete;
    VisualInfoList &operator=(const VisualInfoList &) = delete;

    const XVisualInfo &operator[](int i) const { return items_[i]; }

private:
    XVisualInfo *items_;
};

// The type is tested first; a visual XRender has no format for does not match.
bool has_alpha_channel(const XRenderPictFormat *format)
{
    return format != nullptr && format->type == PictTypeDirect && format->direct.alphaMask != 0;
}

}  // namespace

extern "C" Visual *find_argb_visual(Display *dpy, int scr)
{
    // Only screen, depth and class are consulted, as the mask says.
    XVisualInfo templ{};
    templ.screen = scr;
    templ.depth = kArgbDepth;
    templ.c_class = TrueColor;

    int nvi = 0;
    XVisualInfo *const xvi = XGetVisualInfo(dpy, kQueryMask, &templ, &nvi);
    if (xvi == nullptr)
        return nullptr;
    const VisualInfoList list(xvi);

    for (int i = 0; i < nvi; ++i) {
        if (has_alpha_channel(XRenderFindVisualFormat(dpy, list[i].visual)))
            return list[i].visual;  // copied out before the list is freed
    }
    return nullptr;
}
