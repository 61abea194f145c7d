// Drawing primitives of the driver: the only places where Xlib produces
// pixels. Each draws into the window and, when the surface has one, into its
// backing pixmap, with the current surface's GC. Without a current display
// they do nothing.
//
// On the direct path (a window whose colour cells cannot be written) and on
// the in-memory surface each primitive also writes the pixel byte it draws
// into the slot's picture, limited as X limits the drawing: to the picture
// and to the clip rectangle of the GC. A colour change then repaints the
// pixels of the changed byte from that picture.
#include <X11/Xutil.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "nxg/nxg_x.h"

namespace naplps {

static_assert(sizeof(NxgSegment) == sizeof(XSegment), "segment layout");
static_assert(offsetof(NxgSegment, x2) == offsetof(XSegment, x2), "segment layout");

namespace {

bool haveSurface() { return nxg_x_surface(); }

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

// The picture that a primitive drawing to `to` changes, with the part of it
// that the GC's clip rectangle leaves open (inclusive corners).
struct PicView {
    uint8_t *d = nullptr;
    int w = 0, h = 0;
    int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
};

bool picOf(int to, PicView *v) {
    _NXG_window_info *s = nxg_cur_slot();
    if (s == nullptr || s->pic.empty()) return false;
    if (nxg.SW1_mem) {
        if (!s->mem || !(to & NXG_TO_PIXMAP)) return false;
    } else {
        // The picture mirrors the pixmap, or the window when there is none.
        if (s->mem || !haveSurface()) return false;
        if (nxg.NXG_pixmap != 0 ? !(to & NXG_TO_PIXMAP) : !(to & NXG_TO_WINDOW)) return false;
    }
    v->d = s->pic.data();
    v->w = s->pic_w;
    v->h = s->pic_h;
    int64_t x0 = 0, y0 = 0, x1 = int64_t(s->pic_w) - 1, y1 = int64_t(s->pic_h) - 1;
    if (s->clip_set) {
        x0 = std::max<int64_t>(x0, s->clip_x);
        y0 = std::max<int64_t>(y0, s->clip_y);
        x1 = std::min<int64_t>(x1, int64_t(s->clip_x) + s->clip_w - 1);
        y1 = std::min<int64_t>(y1, int64_t(s->clip_y) + s->clip_h - 1);
    }
    if (x0 > x1 || y0 > y1) return false;
    v->x0 = int(x0);
    v->y0 = int(y0);
    v->x1 = int(x1);
    v->y1 = int(y1);
    return true;
}

// Columns xa..xb and rows ya..yb (inclusive) of the picture take byte b.
void picFill(const PicView &v, int64_t xa, int64_t xb, int64_t ya, int64_t yb, uint8_t b) {
    xa = std::max<int64_t>(xa, v.x0);
    xb = std::min<int64_t>(xb, v.x1);
    ya = std::max<int64_t>(ya, v.y0);
    yb = std::min<int64_t>(yb, v.y1);
    if (xa > xb || ya > yb) return;
    for (int64_t y = ya; y <= yb; y++)
        std::memset(v.d + size_t(y) * size_t(v.w) + size_t(xa), b, size_t(xb - xa + 1));
}

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

// Puts the rectangle x0..x1, y0..y1 of the picture, every pixel with its
// byte's pixel value, into the pixmap and the window. False when no image
// could be made.
bool putRect(_NXG_window_info &s, int x0, int y0, int x1, int y1) {
    Display *dpy = s.dpy;
    unsigned w = unsigned(x1 - x0 + 1), h = unsigned(y1 - y0 + 1);
    XImage *im = XCreateImage(dpy, static_cast<Visual *>(s.visual), unsigned(s.depth), ZPixmap, 0,
                              nullptr, w, h, 32, 0);
    if (im == nullptr) return false;
    im->data = static_cast<char *>(std::malloc(size_t(im->bytes_per_line) * h));
    if (im->data == nullptr) {
        XDestroyImage(im);
        return false;
    }
    unsigned long pix[256];
    bool known[256] = {};
    const uint8_t *pic = s.pic.data();
    for (unsigned r = 0; r < h; r++) {
        const uint8_t *row = pic + size_t(y0 + int(r)) * size_t(s.pic_w) + size_t(x0);
        for (unsigned c = 0; c < w; c++) {
            uint8_t b = row[c];
            if (!known[b]) {
                pix[b] = nxg_pixel(s, b);
                known[b] = true;
            }
            XPutPixel(im, int(c), int(r), pix[b]);
        }
    }
    if (s.pm != 0) XPutImage(dpy, s.pm, s.pal_gc, im, 0, 0, x0, y0, w, h);
    if (s.win != 0) XPutImage(dpy, s.win, s.pal_gc, im, 0, 0, x0, y0, w, h);
    XDestroyImage(im);  // frees the pixel buffer too
    return true;
}

// Paints every pixel of the picture that holds byte p with p's pixel value,
// into the pixmap and the window: as rectangles one row high (the runs of
// p), or, when the runs are so short and many that the rectangles would
// outweigh the pixels, as one image of the smallest rectangle holding them
// all. The repaint GC has no clip: a colour change reaches every pixel of
// its colour, as a stored colour cell does.
void repaint(_NXG_window_info &s, int p) {
    Display *dpy = s.dpy;
    if (s.pal_gc == nullptr) s.pal_gc = XCreateGC(dpy, s.win, 0, nullptr);
    if (s.pal_gc == nullptr) return;
    const uint8_t *pic = s.pic.data();
    const size_t w = size_t(s.pic_w);
    // The runs of p: how many, and the rectangle that holds them.
    size_t runs = 0;
    size_t bx0 = w, bx1 = 0;
    int by0 = -1, by1 = -1;
    for (int y = 0; y < s.pic_h; y++) {
        const uint8_t *row = pic + size_t(y) * w;
        size_t x = 0;
        while (x < w) {
            const void *q = std::memchr(row + x, p, w - x);
            if (q == nullptr) break;
            size_t a = size_t(static_cast<const uint8_t *>(q) - row), b = a;
            while (b < w && row[b] == p) b++;
            runs++;
            bx0 = std::min(bx0, a);
            bx1 = std::max(bx1, b - 1);
            if (by0 < 0) by0 = y;
            by1 = y;
            x = b;
        }
    }
    if (runs == 0) return;
    size_t area = (bx1 - bx0 + 1) * size_t(by1 - by0 + 1);
    // A rectangle costs 8 bytes of request and more of the server's time
    // than a pixel of an image (4 bytes): runs averaging under 8 pixels of
    // the rectangle go as an image.
    if (area <= runs * 8 && s.visual != nullptr &&
        putRect(s, int(bx0), by0, int(bx1), by1))
        return;
    XSetForeground(dpy, s.pal_gc, nxg_pixel(s, p));
    Drawable d[2];
    int nd = 0;
    if (s.pm != 0) d[nd++] = s.pm;
    if (s.win != 0) d[nd++] = s.win;
    constexpr int BATCH = 1024;
    XRectangle rect[BATCH];
    int n = 0;
    auto flush = [&] {
        for (int i = 0; i < nd; i++) XFillRectangles(dpy, d[i], s.pal_gc, rect, n);
        n = 0;
    };
    for (int y = by0; y <= by1; y++) {
        const uint8_t *row = pic + size_t(y) * w;
        size_t x = bx0;
        while (x <= bx1) {
            const void *q = std::memchr(row + x, p, bx1 + 1 - x);
            if (q == nullptr) break;
            size_t a = size_t(static_cast<const uint8_t *>(q) - row), b = a;
            while (b <= bx1 && row[b] == p) b++;
            rect[n++] = XRectangle{short(a), short(y), (unsigned short)(b - a), 1};
            if (n == BATCH) flush();
            x = b;
        }
    }
    if (n > 0) flush();
}

}  // namespace

_NXG_window_info *nxg_cur_slot() {
    if (nxg.SW1_id < 0 || nxg.SW1_id >= NXG_WIN_MAX) return nullptr;
    return &nxg.NXG_win_tbl[nxg.SW1_id];
}

bool nxg_x_surface() { return nxg.SW1_dpy != nullptr && nxg.SW1_gc != nullptr; }

bool nxg_have_surface() { return nxg_x_surface() || nxg.SW1_mem; }

unsigned long nxg_pixel(_NXG_window_info &s, int p) {
    p &= 0xFF;
    if (!s.ro_visual || s.mem) return (unsigned long)p;
    if (s.true_ok[p]) return s.true_pix[p];
    const uint8_t *c = s.cell_rgb[p];
    unsigned long pix = 0;
    if (s.true_rgb) {
        pix = channel(c[0], s.red_mask) | channel(c[1], s.green_mask) | channel(c[2], s.blue_mask);
    } else if (s.dpy != nullptr && s.dpy == nxg.SW1_dpy && s.cms != 0) {
        // Fixed or deep colour cells: the nearest colour the colormap has
        // (read-only visuals) or a shared cell of its own (writable ones,
        // freed when the byte changes colour or the slot ends).
        XColor xc{};
        xc.red = (unsigned short)(c[0] * 256);
        xc.green = (unsigned short)(c[1] * 256);
        xc.blue = (unsigned short)(c[2] * 256);
        xc.flags = DoRed | DoGreen | DoBlue;
        if (XAllocColor(s.dpy, s.cms, &xc)) {
            pix = xc.pixel;
            s.true_alloc[p] = (s.vis_class & 1) ? 1 : 0;
        }
    }
    s.true_pix[p] = pix;
    s.true_ok[p] = 1;
    return pix;
}

bool nxg_recolour(int p, int r, int g, int b) {
    _NXG_window_info *s = nxg_cur_slot();
    if (s == nullptr || !(s->mem || s->ro_visual)) return false;
    if (!s->mem && (s->dpy == nullptr || s->dpy != nxg.SW1_dpy)) return false;
    p &= 0xFF;
    uint8_t *c = s->cell_rgb[p];
    if (c[0] == uint8_t(r) && c[1] == uint8_t(g) && c[2] == uint8_t(b)) return true;
    c[0] = uint8_t(r);
    c[1] = uint8_t(g);
    c[2] = uint8_t(b);
    if (s->mem) return true;
    if (s->true_alloc[p]) {
        XFreeColors(s->dpy, s->cms, &s->true_pix[p], 1, 0);
        s->true_alloc[p] = 0;
    }
    s->true_ok[p] = 0;
    // The GC's foreground may be the old value of this byte.
    nxg.NXG_color = -1;
    if (!s->pic.empty()) repaint(*s, p);
    return true;
}

void nxg_direct_free(_NXG_window_info &s) {
    if (s.dpy != nullptr) {
        for (int p = 0; p < 256; p++)
            if (s.true_alloc[p]) XFreeColors(s.dpy, s.cms, &s.true_pix[p], 1, 0);
        if (s.pal_gc != nullptr) XFreeGC(s.dpy, s.pal_gc);
    }
    s.pal_gc = nullptr;
    std::memset(s.true_alloc, 0, sizeof s.true_alloc);
    std::memset(s.true_ok, 0, sizeof s.true_ok);
    std::vector<uint8_t>().swap(s.pic);
    s.pic_w = s.pic_h = 0;
}

void nxg_fg(int k) {
    if (k == nxg.NXG_color || !nxg_have_surface()) return;
    nxg.NXG_color = k;
    nxg.SW1_fg_byte = uint8_t(NXG_ec_to_wc(k));
    if (!haveSurface()) return;
    _NXG_window_info *s = nxg_cur_slot();
    unsigned long px = s != nullptr ? nxg_pixel(*s, nxg.SW1_fg_byte) : nxg.SW1_fg_byte;
    XSetForeground(nxg.SW1_dpy, nxg.SW1_gc, px);
}

void prim_span(int xa, int xb, int row, int to) {
    PicView v;
    if (picOf(to, &v)) picFill(v, std::min(xa, xb), std::max(xa, xb), row, row, nxg.SW1_fg_byte);
    if (!haveSurface()) return;
    Drawable d[2];
    int n = drawables(to, d);
    for (int i = 0; i < n; i++) XDrawLine(nxg.SW1_dpy, d[i], nxg.SW1_gc, xa, row, xb, row);
}

void prim_rect(int x, int row, int w, int h, int to) {
    if (w <= 0 || h <= 0) return;
    PicView v;
    if (picOf(to, &v))
        picFill(v, x, int64_t(x) + w - 1, row, int64_t(row) + h - 1, nxg.SW1_fg_byte);
    if (!haveSurface()) return;
    Drawable d[2];
    int n = drawables(to, d);
    for (int i = 0; i < n; i++)
        XFillRectangle(nxg.SW1_dpy, d[i], nxg.SW1_gc, x, row, (unsigned)w, (unsigned)h);
}

void prim_segments(const NxgSegment *s, int n, int to) {
    if (n <= 0) return;
    PicView v;
    if (picOf(to, &v)) {
        // The segments of patterned rows are horizontal or vertical runs.
        for (int i = 0; i < n; i++) {
            const NxgSegment &g = s[i];
            if (g.y1 == g.y2)
                picFill(v, std::min(g.x1, g.x2), std::max(g.x1, g.x2), g.y1, g.y1, nxg.SW1_fg_byte);
            else if (g.x1 == g.x2)
                picFill(v, g.x1, g.x1, std::min(g.y1, g.y2), std::max(g.y1, g.y2), nxg.SW1_fg_byte);
        }
    }
    if (!haveSurface()) return;
    Drawable d[2];
    int nd = drawables(to, d);
    // NxgSegment has XSegment's layout (checked above); Xlib only copies it.
    XSegment *xs = reinterpret_cast<XSegment *>(const_cast<NxgSegment *>(s));
    for (int i = 0; i < nd; i++) XDrawSegments(nxg.SW1_dpy, d[i], nxg.SW1_gc, xs, n);
}

void prim_copy(int from, int to, int sx, int sy, int w, int h, int dx, int dy) {
    if (w <= 0 || h <= 0) return;
    // The picture moves with the pixmap's copies into itself; a copy to the
    // window shows what the picture already holds.
    PicView v;
    if (from == NXG_TO_PIXMAP && to == NXG_TO_PIXMAP && picOf(NXG_TO_PIXMAP, &v) &&
        (nxg.SW1_mem || nxg.NXG_pixmap != 0)) {
        // Source pixels outside the picture are not copied; the destination
        // is limited by the picture and the clip.
        int64_t cw = std::min<int64_t>(w, v.w), ch = std::min<int64_t>(h, v.h);
        std::vector<uint8_t> src(size_t(cw * ch));
        std::vector<uint8_t> have(size_t(cw * ch), 0);
        for (int64_t j = 0; j < ch; j++)
            for (int64_t i = 0; i < cw; i++) {
                int64_t x = int64_t(sx) + i, y = int64_t(sy) + j;
                if (x < 0 || y < 0 || x >= v.w || y >= v.h) continue;
                src[size_t(j * cw + i)] = v.d[size_t(y) * size_t(v.w) + size_t(x)];
                have[size_t(j * cw + i)] = 1;
            }
        for (int64_t j = 0; j < ch; j++)
            for (int64_t i = 0; i < cw; i++) {
                int64_t x = int64_t(dx) + i, y = int64_t(dy) + j;
                if (!have[size_t(j * cw + i)] || x < v.x0 || x > v.x1 || y < v.y0 || y > v.y1)
                    continue;
                v.d[size_t(y) * size_t(v.w) + size_t(x)] = src[size_t(j * cw + i)];
            }
    }
    if (!haveSurface()) return;
    Drawable src = drawableOf(from), dst = drawableOf(to);
    if (src == 0 || dst == 0) return;
    XCopyArea(nxg.SW1_dpy, src, dst, nxg.SW1_gc, sx, sy, (unsigned)w, (unsigned)h, dx, dy);
}

void prim_image(const uint8_t *pixels, int w, int h, int x, int y, int to) {
    if (pixels == nullptr || w <= 0 || h <= 0) return;
    if (w > NXG_COORD_MAX || h > NXG_COORD_MAX) return;
    PicView v;
    if (picOf(to, &v)) {
        for (int r = 0; r < h; r++) {
            int64_t py = int64_t(y) + r;
            if (py < v.y0 || py > v.y1) continue;
            for (int c = 0; c < w; c++) {
                int64_t px = int64_t(x) + c;
                if (px < v.x0 || px > v.x1) continue;
                v.d[size_t(py) * size_t(v.w) + size_t(px)] = pixels[size_t(r) * size_t(w) + size_t(c)];
            }
        }
    }
    if (!haveSurface()) return;
    Display *dpy = nxg.SW1_dpy;
    int scr = DefaultScreen(dpy);
    // On the direct path the image has the window's visual and depth and
    // each pixel byte its pixel value there.
    _NXG_window_info *s = nxg_cur_slot();
    bool direct = s != nullptr && s->ro_visual && s->visual != nullptr && s->dpy == dpy;
    Visual *vis = direct ? static_cast<Visual *>(s->visual) : DefaultVisual(dpy, scr);
    unsigned depth = direct ? unsigned(s->depth) : unsigned(DefaultDepth(dpy, scr));
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
            XPutPixel(im, c, r, direct ? nxg_pixel(*s, b) : b);
        }
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
