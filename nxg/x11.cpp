// The X11 back end: window slots with their GC, backing pixmap and colour
// cells, the drawing of every primitive into the window and its pixmap, the
// direct path for windows whose cells cannot be written, and the X error
// handler. The only source of the surface that calls Xlib.
#include <X11/Intrinsic.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "nxg/backend.h"
#include "nxg/nxg_x.h"

namespace naplps {

NxgX nxgx;

static_assert(sizeof(NxgSegment) == sizeof(XSegment), "segment layout");
static_assert(offsetof(NxgSegment, x2) == offsetof(XSegment, x2), "segment layout");

namespace {

constexpr int DO_RGB = DoRed | DoGreen | DoBlue;

// Cells of the private colormap that show the plug-in's 16 colours.
constexpr unsigned long PRIVATE_BASE = 128;

// --- Colours ------------------------------------------------------------

// One colour channel of an RGB pixel value: the 8-bit component scaled to
// the bits of the mask and shifted into place.
unsigned long channel(int c, unsigned long mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) shift++;
    int bits = 0;
    while (bits + shift < int(sizeof mask * 8) && ((mask >> (shift + bits)) & 1)) bits++;
    unsigned long v = (unsigned long)(c & 0xFF);
    if (bits < 8)
        v >>= 8 - bits;
    else if (bits > 8)
        v = (v << (bits - 8)) | (v >> (16 - std::min(bits, 16)));
    return (v << shift) & mask;
}

// The X pixel value that shows pixel byte p of slot id: p itself on a
// writable 8-bit visual, else made from the visual's masks or allocated in
// the window's colormap.
unsigned long pixelOf(int id, int p) {
    NxgXSlot &x = nxgx.slot[id];
    p &= 0xFF;
    if (!x.ro_visual) return (unsigned long)p;
    if (x.true_ok[p]) return x.true_pix[p];
    const uint8_t *c = nxg.NXG_win_tbl[id].NEW_color_tbl2[p];
    unsigned long pix = 0;
    if (x.true_rgb) {
        pix = channel(c[0], x.red_mask) | channel(c[1], x.green_mask) | channel(c[2], x.blue_mask);
    } else if (x.dpy != nullptr && x.cms != 0) {
        // Fixed or deep colour cells: the nearest colour the colormap has
        // (read-only visuals) or a shared cell of its own (writable ones,
        // freed when the byte changes colour or the slot ends).
        XColor xc{};
        xc.red = (unsigned short)(c[0] * 256);
        xc.green = (unsigned short)(c[1] * 256);
        xc.blue = (unsigned short)(c[2] * 256);
        xc.flags = DO_RGB;
        if (XAllocColor(x.dpy, x.cms, &xc)) {
            pix = xc.pixel;
            x.true_alloc[p] = (x.vis_class & 1) ? 1 : 0;
        }
    }
    x.true_pix[p] = pix;
    x.true_ok[p] = 1;
    return pix;
}

// Makes pixel byte p the GC foreground unless it already is.
void setFg(int id, uint8_t p) {
    NxgXSlot &x = nxgx.slot[id];
    if (x.fg == p) return;
    x.fg = p;
    XSetForeground(x.dpy, x.gc, pixelOf(id, p));
}

// Whether a window of this visual and depth has writable colour cells whose
// pixel values fit the byte-wide colour translation and that the default
// colormap can give: the default visual, PseudoColor or GrayScale of at most
// 8 bits. Every other window takes the direct path.
bool writableVisual(Display *dpy, Visual *vis, int depth) {
    int scr = DefaultScreen(dpy);
    int c = vis->c_class;
    return vis == DefaultVisual(dpy, scr) && (c == PseudoColor || c == GrayScale) && depth <= 8;
}

// The window's visual, depth and colormap; the default screen's when its
// attributes cannot be read.
struct WinVisual {
    Visual *vis;
    int depth;
    Colormap cmap;
};

WinVisual windowVisual(Display *dpy, Window xid) {
    int scr = DefaultScreen(dpy);
    WinVisual v{DefaultVisual(dpy, scr), DefaultDepth(dpy, scr), DefaultColormap(dpy, scr)};
    XWindowAttributes a;
    if (XGetWindowAttributes(dpy, xid, &a) != 0 && a.visual != nullptr && a.depth > 0) {
        v.vis = a.visual;
        v.depth = a.depth;
        if (a.colormap != None) v.cmap = a.colormap;
    }
    return v;
}

// Entries of the default colormap that can be queried (at most 256).
int mapEntries(Display *dpy) {
    int n = DefaultVisual(dpy, DefaultScreen(dpy))->map_entries;
    return n < 1 ? 1 : (n > 256 ? 256 : n);
}

void queryDefault(Display *dpy, Colormap def, XColor *cols, int n) {
    for (int i = 0; i < n; i++) {
        cols[i].pixel = (unsigned long)i;
        cols[i].flags = DO_RGB;
    }
    XQueryColors(dpy, def, cols, n);
}

// Colour index i shows in cell i / 16 of the window.
void loadTranslation(NxgWindowInfo &w, const NxgXSlot &x) {
    for (int i = 0; i < 256; i++) w.NXG_wc_tbl[i] = uint8_t(x.pix_tbl[i / NXG_CELLS] & 0xFF);
}

// Reserves the window's 16 colour cells: in the default colormap when it
// has 16 free cells, else in a private colormap that starts as a copy of
// the default one. On the direct path no cell is reserved. Returns the
// result of the last XAllocColorCells.
int setupColormap(NxgWindowInfo &w, NxgXSlot &x, Display *dpy, const WinVisual &wv) {
    int scr = DefaultScreen(dpy);
    Colormap def = DefaultColormap(dpy, scr);
    if (!writableVisual(dpy, wv.vis, wv.depth)) {
        // Direct path: no colormap made or installed; pixel values of the
        // window's own visual and colormap, byte k for the k-th colour.
        x.ro_visual = 1;
        x.user_cmap = 0;
        for (int k = 0; k < NXG_CELLS; k++) x.pix_tbl[k] = (unsigned long)k;
        std::memset(x.true_ok, 0, sizeof x.true_ok);
        std::memset(x.true_alloc, 0, sizeof x.true_alloc);
        x.cms = wv.cmap;
        x.visual = wv.vis;
        x.vis_class = wv.vis->c_class;
        x.true_rgb = x.vis_class == TrueColor;
        x.red_mask = wv.vis->red_mask;
        x.green_mask = wv.vis->green_mask;
        x.blue_mask = wv.vis->blue_mask;
        loadTranslation(w, x);
        w.pal_set = 1;
        return 0;
    }
    x.ro_visual = 0;
    x.visual = wv.vis;
    int n = mapEntries(dpy);
    XColor cols[256];
    queryDefault(dpy, def, cols, n);
    unsigned long pixels[NXG_CELLS] = {};
    int status = XAllocColorCells(dpy, def, True, nullptr, 0, pixels, NXG_CELLS);
    if (status != 0 && nxgx.NXG_win_err == 0) {
        for (int k = 0; k < NXG_CELLS; k++) x.pix_tbl[k] = pixels[k];
        x.cms = def;
        x.user_cmap = 0;
        loadTranslation(w, x);
        w.pal_set = 1;
        return status;
    }
    if (status != 0) XFreeColors(dpy, def, pixels, NXG_CELLS, 0);
    queryDefault(dpy, def, cols, n);
    Colormap priv = XCreateColormap(dpy, RootWindow(dpy, scr), DefaultVisual(dpy, scr), AllocAll);
    XStoreColors(dpy, priv, cols, n);
    // Every cell of an AllocAll colormap already belongs to us, so this
    // finds none; the plug-in's colours are cells 128 .. 143, and they go
    // with the colormap when it is freed.
    status = XAllocColorCells(dpy, priv, True, nullptr, 0, pixels, NXG_CELLS);
    for (int k = 0; k < NXG_CELLS; k++) x.pix_tbl[k] = PRIVATE_BASE + (unsigned long)k;
    x.cms = priv;
    x.user_cmap = 1;
    loadTranslation(w, x);
    w.pal_set = priv != 0;
    return status;
}

// --- Drawing ------------------------------------------------------------

// The drawables of a slot: its window and, when it has one, its pixmap;
// none before the slot has its display and GC.
int drawables(const NxgXSlot &x, Drawable out[2]) {
    int n = 0;
    if (x.dpy == nullptr || x.gc == nullptr) return 0;
    if (x.win != 0) out[n++] = x.win;
    if (x.pm != 0) out[n++] = x.pm;
    return n;
}

void span(int id, int xa, int xb, int row, uint8_t p) {
    NxgXSlot &x = nxgx.slot[id];
    Drawable d[2];
    int n = drawables(x, d);
    if (n > 0) setFg(id, p);
    for (int i = 0; i < n; i++) XDrawLine(x.dpy, d[i], x.gc, xa, row, xb, row);
}

void fillRect(Display *dpy, Drawable d, GC gc, int x, int y, int w, int h) {
    XFillRectangle(dpy, d, gc, x, y, (unsigned)w, (unsigned)h);
}

void rect(int id, int x0, int y0, int w, int h, uint8_t p) {
    NxgXSlot &x = nxgx.slot[id];
    Drawable d[2];
    int n = drawables(x, d);
    if (n > 0) setFg(id, p);
    for (int i = 0; i < n; i++) fillRect(x.dpy, d[i], x.gc, x0, y0, w, h);
}

void segments(int id, const NxgSegment *s, int n, uint8_t p) {
    NxgXSlot &x = nxgx.slot[id];
    Drawable d[2];
    int nd = drawables(x, d);
    if (nd > 0) setFg(id, p);
    // NxgSegment has XSegment's layout (checked above); Xlib only copies it.
    XSegment *xs = reinterpret_cast<XSegment *>(const_cast<NxgSegment *>(s));
    for (int i = 0; i < nd; i++) XDrawSegments(x.dpy, d[i], x.gc, xs, n);
}

void copy(int id, int sx, int sy, int w, int h, int dx, int dy) {
    NxgXSlot &x = nxgx.slot[id];
    if (x.dpy == nullptr || x.gc == nullptr || x.pm == 0) return;
    // The window is refreshed from the pixmap before the pixmap moves.
    if (x.win != 0) XCopyArea(x.dpy, x.pm, x.win, x.gc, sx, sy, (unsigned)w, (unsigned)h, dx, dy);
    XCopyArea(x.dpy, x.pm, x.pm, x.gc, sx, sy, (unsigned)w, (unsigned)h, dx, dy);
}

void image(int id, const uint8_t *pixels, int w, int h, int x0, int y0) {
    NxgXSlot &x = nxgx.slot[id];
    Display *dpy = x.dpy;
    if (dpy == nullptr || x.gc == nullptr) return;
    int scr = DefaultScreen(dpy);
    // On the direct path the image has the window's visual and depth and
    // each pixel byte its pixel value there.
    bool direct = x.ro_visual && x.visual != nullptr;
    Visual *vis = direct ? x.visual : DefaultVisual(dpy, scr);
    unsigned depth = direct ? unsigned(x.depth) : unsigned(DefaultDepth(dpy, scr));
    XImage *im = XCreateImage(dpy, vis, depth, ZPixmap, 0, nullptr, (unsigned)w, (unsigned)h,
                              direct ? 32 : 8, 0);
    if (im == nullptr) return;
    im->data = static_cast<char *>(std::calloc((size_t)im->bytes_per_line, (size_t)h));
    if (im->data == nullptr) {
        XDestroyImage(im);
        return;
    }
    for (int r = 0; r < h; r++)
        for (int c = 0; c < w; c++) {
            uint8_t b = pixels[(size_t)r * (size_t)w + (size_t)c];
            XPutPixel(im, c, r, direct ? pixelOf(id, b) : b);
        }
    Drawable d[2];
    int n = drawables(x, d);
    for (int i = 0; i < n; i++)
        XPutImage(dpy, d[i], x.gc, im, 0, 0, x0, y0, (unsigned)w, (unsigned)h);
    XDestroyImage(im);  // frees the pixel buffer too
}

void setClip(const NxgWindowInfo &w, const NxgXSlot &x) {
    XRectangle r{short(w.clip_x), short(w.clip_y), (unsigned short)w.clip_w,
                 (unsigned short)w.clip_h};
    XSetClipRectangles(x.dpy, x.gc, 0, 0, &r, 1, Unsorted);
}

void clip(int id) {
    if (nxgx.slot[id].gc != nullptr) setClip(nxg.NXG_win_tbl[id], nxgx.slot[id]);
}

// Puts the rectangle x0..x1, y0..y1 of the picture, every pixel with its
// byte's pixel value, into the pixmap and the window. False when no image
// could be made.
bool putRect(int id, int x0, int y0, int x1, int y1) {
    const NxgWindowInfo &w = nxg.NXG_win_tbl[id];
    NxgXSlot &x = nxgx.slot[id];
    Display *dpy = x.dpy;
    unsigned iw = unsigned(x1 - x0 + 1), ih = unsigned(y1 - y0 + 1);
    XImage *im = XCreateImage(dpy, x.visual, unsigned(x.depth), ZPixmap, 0, nullptr, iw, ih, 32, 0);
    if (im == nullptr) return false;
    im->data = static_cast<char *>(std::malloc(size_t(im->bytes_per_line) * ih));
    if (im->data == nullptr) {
        XDestroyImage(im);
        return false;
    }
    unsigned long pix[256];
    bool known[256] = {};
    const uint8_t *pic = w.pic.data();
    for (unsigned r = 0; r < ih; r++) {
        const uint8_t *row = pic + size_t(y0 + int(r)) * size_t(w.pic_w) + size_t(x0);
        for (unsigned c = 0; c < iw; c++) {
            uint8_t b = row[c];
            if (!known[b]) {
                pix[b] = pixelOf(id, b);
                known[b] = true;
            }
            XPutPixel(im, int(c), int(r), pix[b]);
        }
    }
    if (x.pm != 0) XPutImage(dpy, x.pm, x.pal_gc, im, 0, 0, x0, y0, iw, ih);
    if (x.win != 0) XPutImage(dpy, x.win, x.pal_gc, im, 0, 0, x0, y0, iw, ih);
    XDestroyImage(im);  // frees the pixel buffer too
    return true;
}

// Paints every pixel of the picture that holds byte p with p's pixel value,
// into the pixmap and the window: as rectangles one row high (the runs of
// p), or, when the runs are so short and many that the rectangles would
// outweigh the pixels, as one image of the smallest rectangle holding them
// all. The repaint GC has no clip: a colour change reaches every pixel of
// its colour, as a stored colour cell does. Returns what it cost.
NxgRepaint repaint(int id, int p) {
    const NxgWindowInfo &w = nxg.NXG_win_tbl[id];
    NxgXSlot &x = nxgx.slot[id];
    Display *dpy = x.dpy;
    x.repaint_left[p] = 0;
    if (x.pal_gc == nullptr) x.pal_gc = XCreateGC(dpy, x.win, 0, nullptr);
    if (x.pal_gc == nullptr) return NxgRepaint{};
    NxgRepaint cost;
    cost.scanned = int64_t(w.pic.size());
    const uint8_t *pic = w.pic.data();
    const size_t pw = size_t(w.pic_w);
    // The runs of p: how many, and the rectangle that holds them.
    size_t runs = 0;
    size_t bx0 = pw, bx1 = 0;
    int by0 = -1, by1 = -1;
    for (int y = 0; y < w.pic_h; y++) {
        const uint8_t *row = pic + size_t(y) * pw;
        size_t c = 0;
        while (c < pw) {
            const void *q = std::memchr(row + c, p, pw - c);
            if (q == nullptr) break;
            size_t a = size_t(static_cast<const uint8_t *>(q) - row), b = a;
            while (b < pw && row[b] == p) b++;
            runs++;
            bx0 = std::min(bx0, a);
            bx1 = std::max(bx1, b - 1);
            if (by0 < 0) by0 = y;
            by1 = y;
            c = b;
        }
    }
    if (runs == 0) return cost;
    size_t area = (bx1 - bx0 + 1) * size_t(by1 - by0 + 1);
    // A rectangle costs 8 bytes of request and more of the server's time
    // than a pixel of an image (4 bytes): runs averaging under 8 pixels of
    // the rectangle go as an image.
    if (area <= runs * 8 && x.visual != nullptr && putRect(id, int(bx0), by0, int(bx1), by1)) {
        cost.imaged = int64_t(area);
        return cost;
    }
    cost.runs = int64_t(runs);
    XSetForeground(dpy, x.pal_gc, pixelOf(id, p));
    Drawable d[2];
    int nd = 0;
    if (x.pm != 0) d[nd++] = x.pm;
    if (x.win != 0) d[nd++] = x.win;
    constexpr int BATCH = 1024;
    XRectangle rects[BATCH];
    int n = 0;
    auto flush = [&] {
        for (int i = 0; i < nd; i++) XFillRectangles(dpy, d[i], x.pal_gc, rects, n);
        n = 0;
    };
    for (int y = by0; y <= by1; y++) {
        const uint8_t *row = pic + size_t(y) * pw;
        size_t c = bx0;
        while (c <= bx1) {
            const void *q = std::memchr(row + c, p, bx1 + 1 - c);
            if (q == nullptr) break;
            size_t a = size_t(static_cast<const uint8_t *>(q) - row), b = a;
            while (b <= bx1 && row[b] == p) b++;
            rects[n++] = XRectangle{short(a), short(y), (unsigned short)(b - a), 1};
            if (n == BATCH) flush();
            c = b;
        }
    }
    if (n > 0) flush();
    return cost;
}

NxgRepaint store(int id, int p, bool changed, bool now) {
    const NxgWindowInfo &w = nxg.NXG_win_tbl[id];
    NxgXSlot &x = nxgx.slot[id];
    if (x.dpy == nullptr) return NxgRepaint{};
    if (x.ro_visual) {
        // The direct path repaints the pixels of the byte in its new colour,
        // now or when the repaints left are made.
        if (!changed && !(now && x.repaint_left[p])) return NxgRepaint{};
        if (changed) {
            if (x.true_alloc[p]) {
                XFreeColors(x.dpy, x.cms, &x.true_pix[p], 1, 0);
                x.true_alloc[p] = 0;
            }
            x.true_ok[p] = 0;
            // The GC's foreground may be the old value of this byte.
            x.fg = -1;
        }
        if (w.pic.empty()) return NxgRepaint{};
        if (!now) {
            x.repaint_left[p] = 1;
            return NxgRepaint{};
        }
        return repaint(id, p);
    }
    if (x.cms == 0) return NxgRepaint{};
    const uint8_t *rgb = w.NEW_color_tbl2[p];
    XColor c;
    c.pixel = (unsigned long)p;
    c.red = (unsigned short)(rgb[0] * 256);
    c.green = (unsigned short)(rgb[1] * 256);
    c.blue = (unsigned short)(rgb[2] * 256);
    c.flags = DO_RGB;
    c.pad = 0;
    XStoreColors(x.dpy, x.cms, &c, 1);
    return NxgRepaint{};
}

NxgRepaint repaintLeft(int id) {
    NxgRepaint sum;
    NxgXSlot &x = nxgx.slot[id];
    if (x.dpy == nullptr || !x.ro_visual || nxg.NXG_win_tbl[id].pic.empty()) return sum;
    for (int p = 0; p < 256; p++) {
        if (!x.repaint_left[p]) continue;
        NxgRepaint c = repaint(id, p);
        sum.scanned += c.scanned;
        sum.runs += c.runs;
        sum.imaged += c.imaged;
    }
    return sum;
}

bool repaintPending(int id) {
    const NxgXSlot &x = nxgx.slot[id];
    for (uint8_t b : x.repaint_left)
        if (b) return true;
    return false;
}

void clearWindow(int id) {
    NxgXSlot &x = nxgx.slot[id];
    if (x.dpy != nullptr && x.gc != nullptr && x.win != 0) XClearWindow(x.dpy, x.win);
}

void flush(int id) {
    if (nxgx.slot[id].dpy != nullptr) XFlush(nxgx.slot[id].dpy);
}

NxgRepaint repaintLeft(int id);

void show(int id, int x0, int y0, int w, int h) {
    NxgXSlot &x = nxgx.slot[id];
    if (x.dpy == nullptr || x.gc == nullptr || x.pm == 0) return;
    // A window shown shows every colour as it is now.
    repaintLeft(id);
    if (!x.ro_visual && x.cms != 0) XInstallColormap(x.dpy, x.cms);
    if (w <= 0 || h <= 0 || x.win == 0) return;
    XCopyArea(x.dpy, x.pm, x.win, x.gc, x0, y0, (unsigned)w, (unsigned)h, x0, y0);
}

// Releases what the direct path holds for slot id on its display: the
// repaint GC and allocated colour cells.
void directFree(NxgXSlot &x) {
    if (x.dpy != nullptr) {
        for (int p = 0; p < 256; p++)
            if (x.true_alloc[p]) XFreeColors(x.dpy, x.cms, &x.true_pix[p], 1, 0);
        if (x.pal_gc != nullptr) XFreeGC(x.dpy, x.pal_gc);
    }
    x.pal_gc = nullptr;
    std::memset(x.true_alloc, 0, sizeof x.true_alloc);
    std::memset(x.true_ok, 0, sizeof x.true_ok);
    std::memset(x.repaint_left, 0, sizeof x.repaint_left);
}

void term(int id) {
    NxgXSlot &x = nxgx.slot[id];
    if (x.dpy == nullptr) return;
    directFree(x);
    if (x.cms != 0) {
        if (!x.ro_visual) {
            if (!x.user_cmap) XFreeColors(x.dpy, x.cms, x.pix_tbl, NXG_CELLS, 0);
            XUninstallColormap(x.dpy, x.cms);
            if (x.user_cmap) XFreeColormap(x.dpy, x.cms);
        }
        x.cms = 0;
    }
    if (x.pm != 0) {
        XFreePixmap(x.dpy, x.pm);
        x.pm = 0;
    }
    if (x.gc != nullptr) {
        XFreeGC(x.dpy, x.gc);
        x.gc = nullptr;
    }
    x.fg = -1;
    // Errors of this window's requests reach the back end's handler while
    // it is still installed.
    XSync(x.dpy, False);
}

void forget(int id) { nxgx.slot[id] = NxgXSlot{}; }

const NxgBackend x11Backend = {span,  rect,  segments,    copy,           image,
                               clip,  store, repaintLeft, repaintPending, clearWindow,
                               flush, show,  term,        forget};

}  // namespace

int nxg_x11_open(int id, Colormap, Widget widget, Display *dpy) {
    Window xid = widget != nullptr ? XtWindow(widget) : 0;
    if (dpy == nullptr || xid == 0) {
        NXG_no_surface();
        return -1;
    }
    XErrorHandler prev = XSetErrorHandler(NXG_WinErrorHandler);
    if (!nxgx.NXG_handler_set) {
        nxgx.NXG_old_handler = reinterpret_cast<void (*)()>(prev);
        nxgx.NXG_handler_set = 1;
    }
    nxgx.NXG_win_err = 0;
    int status = 0;
    NxgWindowInfo &w = nxg.NXG_win_tbl[id];
    NxgXSlot &x = nxgx.slot[id];

    // The window's visual is asked of the server once per window, not at
    // every new block of a stream.
    WinVisual wv{nullptr, 0, 0};
    if (w.pal_set && w.be == &x11Backend && x.dpy == dpy && x.win == xid && x.visual != nullptr)
        wv = WinVisual{x.visual, x.depth, x.cms};
    else
        wv = windowVisual(dpy, xid);
    // A slot that moves to another display (or from memory, or to a window
    // of another depth) keeps nothing of the old one.
    if (w.be == &x11Backend && x.dpy == dpy && x.gc != nullptr && x.depth != wv.depth) NXG_term(id);
    if ((x.dpy != nullptr && x.dpy != dpy) || w.mem) {
        // Nothing is asked of the old display, which may be gone.
        forget(id);
        pic_free(w);
        w.pal_set = 0;
        w.mem = 0;
        w.clip_set = 0;
    }
    x.dpy = dpy;
    x.win = xid;
    x.depth = wv.depth;
    // The back end draws with a GC of its own, never the host's, of the
    // window's depth.
    if (x.gc == nullptr) {
        x.gc = XCreateGC(dpy, xid, 0, nullptr);
        w.clip_set = 0;
    }
    x.fg = -1;
    w.be = &x11Backend;

    if (!w.pal_set) status = setupColormap(w, x, dpy, wv);
    // The window's size is what the caller set in NXG_win_wid and NXG_win_hgt.
    int ww = nxg.NXG_win_wid, wh = nxg.NXG_win_hgt;
    nxg_make_current(w);
    nxg.NXG_win_wid = ww;
    nxg.NXG_win_hgt = wh;
    if (!x.ro_visual) {
        XInstallColormap(dpy, x.cms);
        XSetWindowColormap(dpy, xid, x.cms);
    }

    // The backing pixmap is kept while its own size matches the window.
    bool create = x.pm == 0;
    if (x.pm != 0 && (w.pm_wid != ww || w.pm_hgt != wh)) {
        XFreePixmap(dpy, x.pm);
        x.pm = 0;
        create = true;
    }
    if (create) {
        x.pm = XCreatePixmap(dpy, xid, (unsigned)(ww + 1), (unsigned)(wh + 1), (unsigned)x.depth);
        // The direct path's picture has the pixmap's size.
        if (x.ro_visual) pic_new(w, ww + 1, wh + 1);
        if (x.pm != 0) {
            setFg(id, w.NXG_wc_tbl[0]);
            XSetFunction(dpy, x.gc, GXcopy);
            // The whole new pixmap is cleared, whatever clip the GC kept
            // from the window's old size; the clip holds again afterwards.
            XSetClipMask(dpy, x.gc, None);
            fillRect(dpy, x.pm, x.gc, 0, 0, ww + 1, wh + 1);
            if (w.clip_set) setClip(w, x);
        }
    }
    // The pixmap (or, without one, the window) bounds all drawing.
    w.pm_wid = nxg.SW1_pm_wid = ww;
    w.pm_hgt = nxg.SW1_pm_hgt = wh;
    w.wid = ww + 1;
    w.hgt = wh + 1;
    w.backing = x.pm != 0;
    if (x.pm == 0) return -3;
    if (x.cms == 0) return -4;
    return status;
}

void nxg_x11_end() {
    if (!nxgx.NXG_handler_set) return;
    XSetErrorHandler(reinterpret_cast<XErrorHandler>(nxgx.NXG_old_handler));
    nxgx.NXG_old_handler = nullptr;
    nxgx.NXG_handler_set = 0;
}

void nxg_x11_load_state() { nxgx = NxgX{}; }

int NXG_WinErrorHandler(Display *dpy, XErrorEvent *err) {
    nxgx.NXG_win_err = 1;
    char msg[128] = {};
    XGetErrorText(dpy, err->error_code, msg, 80);
    std::printf("%s\n", msg);
    std::fflush(stdout);
    if (nxgx.NXG_log_path != nullptr) {
        if (FILE *f = std::fopen(nxgx.NXG_log_path, "a")) {
            std::fprintf(f, "%s\n", msg);
            std::fclose(f);
        }
    }
    return 0;
}

}  // namespace naplps
