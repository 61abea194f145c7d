// Window table, backing pixmaps, colour cells and palette, and the X error
// handler. On an 8-bit PseudoColor display the 16 colours of a window are 16
// writable colour cells, and a palette change is a store into one of them.
// On any other visual (TrueColor and the rest) the window takes the direct
// path: its colours are the pixel bytes 0 .. 15 of a picture the driver
// keeps, shown as pixel values of the window's own visual, and a palette
// change repaints the pixels of the changed byte. A slot opened with no
// display at all is an in-memory surface: the picture and its colours.
#include <X11/Intrinsic.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "nxg/nxg_x.h"

namespace naplps {

Nxg nxg;

namespace {

constexpr int DO_RGB = DoRed | DoGreen | DoBlue;

// Cells of the private colormap that show the plug-in's 16 colours.
constexpr unsigned long PRIVATE_BASE = 128;

bool validId(int id) { return id >= 0 && id < NXG_WIN_MAX; }

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

// The direct path's colours: byte k for the k-th of the 16 colours, each
// byte showing the colour the shadow table holds for it until the palette
// is stored.
void setupDirect(_NXG_window_info &w) {
    w.ro_visual = 1;
    w.user_cmap = 0;
    for (int k = 0; k < NXG_CELLS; k++) w.pix_tbl[k] = (unsigned long)k;
    std::memcpy(w.cell_rgb, nxg.NEW_color_tbl2, sizeof w.cell_rgb);
    std::memset(w.true_ok, 0, sizeof w.true_ok);
    std::memset(w.true_alloc, 0, sizeof w.true_alloc);
    w.pal_set = 1;
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

// Colour index i shows in reserved cell i / 16 of the window.
void loadTranslation(const _NXG_window_info &w) {
    for (int i = 0; i < 256; i++) nxg.NXG_wc_tbl[i] = uint8_t(w.pix_tbl[i / 16] & 0xFF);
}

// Reserves the window's 16 colour cells: in the default colormap when it
// has 16 free cells, else in a private colormap that starts as a copy of
// the default one. Returns the result of the last XAllocColorCells.
int setupColormap(_NXG_window_info &w, Display *dpy, const WinVisual &wv) {
    int scr = DefaultScreen(dpy);
    Colormap def = DefaultColormap(dpy, scr);
    if (!writableVisual(dpy, wv.vis, wv.depth)) {
        // Direct path: no cell is reserved, no colormap made or installed;
        // pixel values of the window's own visual and colormap.
        setupDirect(w);
        w.cms = wv.cmap;
        w.visual = wv.vis;
        w.vis_class = wv.vis->c_class;
        w.true_rgb = w.vis_class == TrueColor;
        w.red_mask = wv.vis->red_mask;
        w.green_mask = wv.vis->green_mask;
        w.blue_mask = wv.vis->blue_mask;
        return 0;
    }
    w.ro_visual = 0;
    w.visual = wv.vis;
    int n = mapEntries(dpy);
    XColor cols[256];
    queryDefault(dpy, def, cols, n);
    unsigned long pixels[NXG_CELLS] = {};
    int status = XAllocColorCells(dpy, def, True, nullptr, 0, pixels, NXG_CELLS);
    if (status != 0 && nxg.NXG_win_err == 0) {
        for (int k = 0; k < NXG_CELLS; k++) w.pix_tbl[k] = pixels[k];
        w.cms = def;
        w.user_cmap = 0;
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
    for (int k = 0; k < NXG_CELLS; k++) w.pix_tbl[k] = PRIVATE_BASE + (unsigned long)k;
    w.cms = priv;
    w.user_cmap = 1;
    w.pal_set = priv != 0;
    return status;
}

void storeCell(unsigned long pixel, int r, int g, int b) {
    nxg.NEW_color_tbl2[pixel & 0xFF][0] = uint8_t(r);
    nxg.NEW_color_tbl2[pixel & 0xFF][1] = uint8_t(g);
    nxg.NEW_color_tbl2[pixel & 0xFF][2] = uint8_t(b);
    // The direct path and the in-memory surface repaint instead.
    if (nxg_recolour(int(pixel & 0xFF), r, g, b)) return;
    if (nxg.SW1_dpy == nullptr || nxg.NEW_cms == 0 || nxg.SW1_ro) return;
    XColor c;
    c.pixel = pixel & 0xFF;
    c.red = (unsigned short)((r & 0xFF) * 256);
    c.green = (unsigned short)((g & 0xFF) * 256);
    c.blue = (unsigned short)((b & 0xFF) * 256);
    c.flags = DO_RGB;
    c.pad = 0;
    XStoreColors(nxg.SW1_dpy, nxg.NEW_cms, &c, 1);
}

// Whether pixel p is a cell the driver may store into: any cell of a private
// colormap, else one of the window's 16 cells or of the image cells.
bool ownedCell(int p) {
    if (nxg.SW1_user_cmap) return true;
    for (int i = 0; i < 256; i += 16)
        if (nxg.NXG_wc_tbl[i] == p) return true;
    if (nxg.NXG_gdf_set == 1)
        for (uint8_t g : nxg.NXG_wc_gdf_tbl)
            if (g == p) return true;
    return false;
}

}  // namespace

void nxg_make_current(const _NXG_window_info &w) {
    nxg.SW1_xid = w.win;
    nxg.SW1_dpy = w.dpy;
    nxg.SW1_gc = w.gc;
    nxg.SW1_pixmap = nxg.NXG_pixmap = w.pm;
    nxg.NXG_lib_cms = nxg.NEW_cms = w.cms;
    nxg.SW1_ro = w.ro_visual;
    nxg.SW1_user_cmap = w.user_cmap;
    nxg.SW1_id = int(&w - nxg.NXG_win_tbl);
    if (nxg.SW1_id < 0 || nxg.SW1_id >= NXG_WIN_MAX) nxg.SW1_id = -1;
    nxg.SW1_mem = w.mem;
    nxg.SW1_pm_wid = nxg.NXG_win_wid = w.wid - 1;
    nxg.SW1_pm_hgt = nxg.NXG_win_hgt = w.hgt - 1;
    nxg.NXG_color = -1;
    if (w.cms != 0 || w.mem) loadTranslation(w);
}

namespace {

// A picture of w x h pixel bytes, all byte 0 (the colour a new pixmap is
// cleared to). Without the memory for it the slot has no picture.
void newPicture(_NXG_window_info &w, int wd, int ht) {
    std::vector<uint8_t>().swap(w.pic);
    w.pic_w = w.pic_h = 0;
    try {
        w.pic.assign(size_t(wd) * size_t(ht), 0);
        w.pic_w = wd;
        w.pic_h = ht;
    } catch (const std::bad_alloc &) {
        std::vector<uint8_t>().swap(w.pic);
    }
}

// An in-memory surface for slot id, of the size the caller set in
// NXG_win_wid and NXG_win_hgt: a picture, kept while its size stays, and
// the 16 colours. -3 when there is no memory for the picture.
int initMemory(int id) {
    _NXG_window_info &w = nxg.NXG_win_tbl[id];
    if (!w.mem && w.dpy != nullptr) {
        // A window slot becomes a memory one: it keeps nothing of its
        // display, which may be gone.
        w.dpy = nullptr;
        w.gc = nullptr;
        w.pm = 0;
        w.cms = 0;
        w.pal_gc = nullptr;
        std::memset(w.true_alloc, 0, sizeof w.true_alloc);
        nxg_direct_free(w);
    }
    if (!w.mem) {
        w.mem = 1;
        w.pal_set = 0;
        w.clip_set = 0;
    }
    w.win = 0;
    w.dpy = nullptr;
    w.depth = 8;
    w.visual = nullptr;
    if (!w.pal_set) setupDirect(w);
    int wd = nxg.NXG_win_wid + 1, ht = nxg.NXG_win_hgt + 1;
    bool fresh = w.pic.empty() || w.pic_w != wd || w.pic_h != ht;
    if (fresh) newPicture(w, wd, ht);
    nxg.SW1_dpy = nullptr;
    nxg.SW1_xid = 0;
    nxg.SW1_gc = nullptr;
    w.wid = wd;
    w.hgt = ht;
    nxg_make_current(w);
    if (fresh) {
        nxg.NXG_color = -1;
        nxg_fg(0);
    }
    w.pm_wid = wd - 1;
    w.pm_hgt = ht - 1;
    tmset();
    return w.pic.empty() ? -3 : 0;
}

}  // namespace

void nxg_load_state() {
    NXG_end();
    nxg = Nxg{};
}

void NXG_no_surface() {
    nxg.SW1_dpy = nullptr;
    nxg.SW1_xid = 0;
    nxg.SW1_gc = nullptr;
    nxg.SW1_pixmap = nxg.NXG_pixmap = 0;
    nxg.SW1_id = -1;
    nxg.SW1_mem = 0;
}

int NXG_init(int id, XtAppContext, Colormap, Window xid, Display *dpy, GC) {
    // Refused: a window under 2 x 2 pixels, one wider or higher than X
    // coordinates reach, or no window at all. No surface is current then,
    // so nothing is drawn until a window is accepted.
    bool memory = dpy == nullptr && xid == 0;
    if (nxg.NXG_win_wid < 1 || nxg.NXG_win_hgt < 1 || nxg.NXG_win_wid >= NXG_COORD_MAX ||
        nxg.NXG_win_hgt >= NXG_COORD_MAX || !validId(id) ||
        (!memory && (dpy == nullptr || xid == 0))) {
        NXG_no_surface();
        return -1;
    }
    if (memory) return initMemory(id);
    XErrorHandler prev = XSetErrorHandler(NXG_WinErrorHandler);
    if (!nxg.NXG_handler_set) {
        nxg.NXG_old_handler = reinterpret_cast<void (*)()>(prev);
        nxg.NXG_handler_set = 1;
    }
    nxg.NXG_win_err = 0;
    int status = 0;
    _NXG_window_info &w = nxg.NXG_win_tbl[id];

    // The window's visual is asked of the server once per window, not at
    // every new block of a stream.
    WinVisual wv{nullptr, 0, 0};
    if (w.pal_set && !w.mem && w.dpy == dpy && w.win == xid && w.visual != nullptr)
        wv = WinVisual{static_cast<Visual *>(w.visual), w.depth, w.cms};
    else
        wv = windowVisual(dpy, xid);
    // A slot that moves to another display (or from memory, or to a window
    // of another depth) keeps nothing of the old one.
    if (!w.mem && w.dpy == dpy && w.gc != nullptr && w.depth != wv.depth) NXG_term(id);
    if ((w.dpy != nullptr && w.dpy != dpy) || w.mem) {
        // Nothing is asked of the old display, which may be gone.
        w.dpy = nullptr;
        w.pal_gc = nullptr;
        std::memset(w.true_alloc, 0, sizeof w.true_alloc);
        nxg_direct_free(w);
        w.gc = nullptr;
        w.pm = 0;
        w.cms = 0;
        w.pal_set = 0;
        w.mem = 0;
        w.clip_set = 0;
    }
    w.dpy = dpy;
    w.win = xid;
    w.depth = wv.depth;
    // The driver draws with a GC of its own, never the host's, of the
    // window's depth.
    if (w.gc == nullptr) {
        w.gc = XCreateGC(dpy, xid, 0, nullptr);
        w.clip_set = 0;
    }

    if (!w.pal_set) status = setupColormap(w, dpy, wv);
    // The window's size is what the caller set in NXG_win_wid and NXG_win_hgt.
    int ww = nxg.NXG_win_wid, wh = nxg.NXG_win_hgt;
    nxg_make_current(w);
    nxg.NXG_win_wid = ww;
    nxg.NXG_win_hgt = wh;
    if (!w.ro_visual) {
        XInstallColormap(dpy, w.cms);
        XSetWindowColormap(dpy, xid, w.cms);
    }

    // The backing pixmap is kept while its own size matches the window.
    bool create = w.pm == 0;
    if (w.pm != 0 && (w.pm_wid != nxg.NXG_win_wid || w.pm_hgt != nxg.NXG_win_hgt)) {
        XFreePixmap(dpy, w.pm);
        w.pm = 0;
        create = true;
    }
    if (create) {
        w.pm = XCreatePixmap(dpy, xid, (unsigned)(nxg.NXG_win_wid + 1),
                             (unsigned)(nxg.NXG_win_hgt + 1), (unsigned)w.depth);
        nxg.SW1_pixmap = nxg.NXG_pixmap = w.pm;
        // The direct path's picture has the pixmap's size.
        if (w.ro_visual) newPicture(w, nxg.NXG_win_wid + 1, nxg.NXG_win_hgt + 1);
        if (w.pm != 0) {
            nxg.NXG_color = -1;
            nxg_fg(0);
            XSetFunction(dpy, w.gc, GXcopy);
            // The whole new pixmap is cleared, whatever clip the GC kept
            // from the window's old size; the clip holds again afterwards.
            XSetClipMask(dpy, w.gc, None);
            int clipSet = w.clip_set;
            w.clip_set = 0;
            prim_rect(0, 0, nxg.NXG_win_wid + 1, nxg.NXG_win_hgt + 1, NXG_TO_PIXMAP);
            w.clip_set = clipSet;
            if (clipSet) {
                XRectangle r{short(w.clip_x), short(w.clip_y), (unsigned short)w.clip_w,
                             (unsigned short)w.clip_h};
                XSetClipRectangles(dpy, w.gc, 0, 0, &r, 1, Unsorted);
            }
        }
    }
    // The pixmap (or, without one, the window) bounds all drawing.
    w.pm_wid = nxg.SW1_pm_wid = nxg.NXG_win_wid;
    w.pm_hgt = nxg.SW1_pm_hgt = nxg.NXG_win_hgt;
    w.wid = nxg.NXG_win_wid + 1;
    w.hgt = nxg.NXG_win_hgt + 1;
    nxg.SW1_pixmap = nxg.NXG_pixmap = w.pm;
    tmset();
    if (w.pm == 0) return -3;
    if (w.cms == 0) return -4;
    return status;
}

void NXG_term(int id) {
    tmrset();
    if (!validId(id)) return;
    _NXG_window_info &w = nxg.NXG_win_tbl[id];
    w.pal_set = 0;
    w.clip_set = 0;
    if (w.mem) {
        nxg_direct_free(w);
        w.mem = 0;
        w.pm_wid = w.pm_hgt = 0;
        return;
    }
    if (w.dpy == nullptr) return;
    nxg_direct_free(w);
    if (w.cms != 0) {
        if (!w.ro_visual) {
            if (!w.user_cmap) XFreeColors(w.dpy, w.cms, w.pix_tbl, NXG_CELLS, 0);
            XUninstallColormap(w.dpy, w.cms);
            if (w.user_cmap) XFreeColormap(w.dpy, w.cms);
        }
        w.cms = 0;
    }
    if (w.pm != 0) {
        XFreePixmap(w.dpy, w.pm);
        w.pm = 0;
    }
    if (w.gc != nullptr) {
        XFreeGC(w.dpy, w.gc);
        w.gc = nullptr;
    }
    w.pm_wid = w.pm_hgt = 0;
    // Errors of this window's requests reach the driver's handler while it
    // is still installed.
    XSync(w.dpy, False);
}

void NXG_end() {
    if (!nxg.NXG_handler_set) return;
    XSetErrorHandler(reinterpret_cast<XErrorHandler>(nxg.NXG_old_handler));
    nxg.NXG_old_handler = nullptr;
    nxg.NXG_handler_set = 0;
}

int NXG_WinErrorHandler(Display *dpy, XErrorEvent *err) {
    nxg.NXG_win_err = 1;
    char msg[128] = {};
    XGetErrorText(dpy, err->error_code, msg, 80);
    std::printf("%s\n", msg);
    std::fflush(stdout);
    if (nxg.NXG_log_path != nullptr) {
        if (FILE *f = std::fopen(nxg.NXG_log_path, "a")) {
            std::fprintf(f, "%s\n", msg);
            std::fclose(f);
        }
    }
    return 0;
}

int NXG_ec_to_wc(int color) { return nxg.NXG_wc_tbl[color & 0xFF]; }

void NXG_set_pal(int color, int r, int g, int b) {
    storeCell((unsigned long)NXG_ec_to_wc(color), r, g, b);
}

void NXG_set_gdfpal(int color, int r, int g, int b) {
    storeCell((unsigned long)(color & 0xFF), r, g, b);
}

int NXG_set_gdf_paltbl(Colormap cm, const unsigned long *pix_tbl) {
    if (cm == 0 || pix_tbl == nullptr) return -1;
    for (int i = 0; i < NXG_GDF_CELLS; i++) nxg.NXG_wc_gdf_tbl[i] = uint8_t(pix_tbl[i] & 0xFF);
    nxg.NEW_cms = cm;
    nxg.NXG_gdf_set = 1;
    return 0;
}

int NXG_gdf_cells() {
    _NXG_window_info *s = nxg_cur_slot();
    if (s == nullptr) return -1;
    if (s->mem || s->ro_visual) {
        // Every pixel byte shows a colour of its own here; the window's 16
        // colours are bytes 0 .. 15, so the upper half can be the images'.
        if (nxg.NXG_gdf_set == 0) {
            for (int i = 0; i < NXG_GDF_CELLS; i++) nxg.NXG_wc_gdf_tbl[i] = uint8_t(128 + i);
            nxg.NXG_gdf_set = 2;
        }
        return 0;
    }
    // Colour cells of a colormap: only cells the host has given.
    return nxg.NXG_gdf_set == 1 ? 0 : -1;
}

void NXG_set_bg(int) {}

void NXG_sel_color(int color) {
    nxg.NXG_color = color;
    nxg.SW1_fg_byte = uint8_t(NXG_ec_to_wc(color));
    if (nxg.SW1_dpy != nullptr && nxg.SW1_gc != nullptr) {
        _NXG_window_info *s = nxg_cur_slot();
        unsigned long px = s != nullptr ? nxg_pixel(*s, nxg.SW1_fg_byte) : nxg.SW1_fg_byte;
        XSetForeground(nxg.SW1_dpy, nxg.SW1_gc, px);
    }
}

bool NXG_read_rgb(int id, uint8_t *rgb, size_t size) {
    if (!validId(id) || rgb == nullptr) return false;
    const _NXG_window_info &w = nxg.NXG_win_tbl[id];
    if (w.pic.empty() || size != size_t(w.pic_w) * size_t(w.pic_h) * 3) return false;
    for (size_t i = 0; i < w.pic.size(); i++) std::memcpy(rgb + 3 * i, w.cell_rgb[w.pic[i]], 3);
    return true;
}

void NXG_save_pal() { std::memcpy(nxg.NEW_color_tbl_save, nxg.NEW_color_tbl2, sizeof nxg.NEW_color_tbl2); }

void NXG_load_pal() {
    for (int p = 32; p < 256; p++) {
        const uint8_t *c = nxg.NEW_color_tbl_save[p];
        if (ownedCell(p)) {
            storeCell((unsigned long)p, c[0], c[1], c[2]);
        } else {
            // Someone else's cell: only the shadow takes the colour back.
            nxg.NEW_color_tbl2[p][0] = c[0];
            nxg.NEW_color_tbl2[p][1] = c[1];
            nxg.NEW_color_tbl2[p][2] = c[2];
        }
    }
}

char *NXG_set_path(char *pathname, const char *envname) {
    // pathname holds NXG_PATH_MAX bytes; the result is cut to fit.
    char keep[80] = {};
    std::snprintf(keep, sizeof keep, "%s", pathname);
    const char *env = envname ? std::getenv(envname) : nullptr;
    char work[128] = {};
    std::snprintf(work, sizeof work, "%s", env ? env : "");
    if (char *semi = std::strchr(work, ';')) *semi = '\0';
    char dir[130] = {};
    size_t n = 0;
    for (const char *p = work; *p; p++)
        if (*p != ' ') dir[n++] = *p;  // leading, trailing and inner blanks go
    if (n > 0 && dir[n - 1] != '/') dir[n++] = '/';
    dir[n] = '\0';
    std::snprintf(pathname, NXG_PATH_MAX, "%s%s", dir, keep);
    return pathname;
}

Window NXG_widget_window(Widget widget) { return widget ? XtWindow(widget) : 0; }

GC NXG_default_gc(Display *dpy) { return dpy ? DefaultGC(dpy, DefaultScreen(dpy)) : nullptr; }

}  // namespace naplps
