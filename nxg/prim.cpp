// Drawing primitives of the driver: the only places where Xlib produces
// pixels. Each draws into the window and, when the surface has one, into its
// backing pixmap, with the current surface's GC. Without a current display
// they do nothing.
#include <X11/Xutil.h>

#include <cstddef>
#include <cstdlib>

#include "nxg/nxg_x.h"

namespace naplps {

static_assert(sizeof(NxgSegment) == sizeof(XSegment), "segment layout");
static_assert(offsetof(NxgSegment, x2) == offsetof(XSegment, x2), "segment layout");

namespace {

bool haveSurface() { return nxg.SW1_dpy != nullptr && nxg.SW1_gc != nullptr; }

// The drawables of the surface that `to` names.
int drawables(int to, Drawable out[2]) {
    int n = 0;
    if ((to & NXG_TO_WINDOW) && nxg.SW1_xid != 0) out[n++] = nxg.SW1_xid;
    if ((to & NXG_TO_PIXMAP) && nxg.NXG_pixmap != 0) out[n++] = nxg.NXG_pixmap;
    return n;
}

Drawable drawableOf(int which) {
    return which == NXG_TO_PIXMAP ? nxg.SW1_pixmap : nxg.SW1_xid;
}

}  // namespace

void nxg_fg(int k) {
    if (k == nxg.NXG_color || !haveSurface()) return;
    nxg.NXG_color = k;
    XSetForeground(nxg.SW1_dpy, nxg.SW1_gc, (unsigned long)NXG_ec_to_wc(k));
}

void prim_span(int xa, int xb, int row, int to) {
    if (!haveSurface()) return;
    Drawable d[2];
    int n = drawables(to, d);
    for (int i = 0; i < n; i++) XDrawLine(nxg.SW1_dpy, d[i], nxg.SW1_gc, xa, row, xb, row);
}

void prim_rect(int x, int row, int w, int h, int to) {
    if (!haveSurface() || w <= 0 || h <= 0) return;
    Drawable d[2];
    int n = drawables(to, d);
    for (int i = 0; i < n; i++)
        XFillRectangle(nxg.SW1_dpy, d[i], nxg.SW1_gc, x, row, (unsigned)w, (unsigned)h);
}

void prim_segments(const NxgSegment *s, int n, int to) {
    if (!haveSurface() || n <= 0) return;
    Drawable d[2];
    int nd = drawables(to, d);
    // NxgSegment has XSegment's layout (checked above); Xlib only copies it.
    XSegment *xs = reinterpret_cast<XSegment *>(const_cast<NxgSegment *>(s));
    for (int i = 0; i < nd; i++) XDrawSegments(nxg.SW1_dpy, d[i], nxg.SW1_gc, xs, n);
}

void prim_copy(int from, int to, int sx, int sy, int w, int h, int dx, int dy) {
    if (!haveSurface() || w <= 0 || h <= 0) return;
    Drawable src = drawableOf(from), dst = drawableOf(to);
    if (src == 0 || dst == 0) return;
    XCopyArea(nxg.SW1_dpy, src, dst, nxg.SW1_gc, sx, sy, (unsigned)w, (unsigned)h, dx, dy);
}

void prim_image(const uint8_t *pixels, int w, int h, int x, int y, int to) {
    if (!haveSurface() || pixels == nullptr || w <= 0 || h <= 0) return;
    if (w > NXG_COORD_MAX || h > NXG_COORD_MAX) return;
    Display *dpy = nxg.SW1_dpy;
    int scr = DefaultScreen(dpy);
    XImage *im = XCreateImage(dpy, DefaultVisual(dpy, scr), (unsigned)DefaultDepth(dpy, scr),
                              ZPixmap, 0, nullptr, (unsigned)w, (unsigned)h, 8, 0);
    if (im == nullptr) return;
    im->data = static_cast<char *>(std::calloc((size_t)im->bytes_per_line, (size_t)h));
    if (im->data == nullptr) {
        XDestroyImage(im);
        return;
    }
    for (int r = 0; r < h; r++)
        for (int c = 0; c < w; c++) XPutPixel(im, c, r, pixels[(size_t)r * (size_t)w + (size_t)c]);
    Drawable d[2];
    int n = drawables(to, d);
    for (int i = 0; i < n; i++)
        XPutImage(dpy, d[i], nxg.SW1_gc, im, 0, 0, x, y, (unsigned)w, (unsigned)h);
    XDestroyImage(im);  // frees the pixel buffer too
}

void prim_clear_window() {
    if (!haveSurface() || nxg.SW1_xid == 0) return;
    XClearWindow(nxg.SW1_dpy, nxg.SW1_xid);
}

}  // namespace naplps
