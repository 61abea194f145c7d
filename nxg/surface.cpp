// The surface: the window table, the current slot, each slot's colours, and
// the primitives. A primitive draws into the current slot's picture (when
// the slot keeps one) and hands the same pixels to the slot's window back
// end (when it has one). A slot opened with no display at all is an
// in-memory surface: its picture and its colours, and nothing else.
#include <algorithm>
#include <cstring>

#include "nxg/backend.h"

namespace naplps {

Nxg nxg;

namespace {

bool validId(int id) { return id >= 0 && id < NXG_WIN_MAX; }

int64_t clamp64(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// The current slot when drawing reaches something, else nullptr.
NxgWindowInfo *target() {
    NxgWindowInfo *w = nxg_cur_slot();
    return w != nullptr && (w->mem || w->be != nullptr) ? w : nullptr;
}

// The colours of a slot without writable cells: pixel byte k shows the k-th
// of the 16 colours, colour index i the byte i / 16.
void setupBytes(NxgWindowInfo &w) {
    for (int i = 0; i < 256; i++) w.NXG_wc_tbl[i] = uint8_t(i / NXG_CELLS);
    w.pal_set = 1;
}

// An in-memory surface for slot id, of the size the caller set in
// NXG_win_wid and NXG_win_hgt: a picture, kept while its size stays, and
// the 16 colours. -3 when there is no memory for the picture.
int initMemory(int id) {
    NxgWindowInfo &w = nxg.NXG_win_tbl[id];
    if (w.be != nullptr) {
        // A window slot becomes a memory one: it keeps nothing of its
        // display, which may be gone.
        w.be->forget(id);
        w.be = nullptr;
        pic_free(w);
    }
    if (!w.mem) {
        w.mem = 1;
        w.pal_set = 0;
        w.clip_set = 0;
    }
    if (!w.pal_set) setupBytes(w);
    int wd = nxg.NXG_win_wid + 1, ht = nxg.NXG_win_hgt + 1;
    if (w.pic.empty() || w.pic_w != wd || w.pic_h != ht) pic_new(w, wd, ht);
    w.wid = wd;
    w.hgt = ht;
    w.backing = 1;
    nxg_make_current(w);
    w.pm_wid = wd - 1;
    w.pm_hgt = ht - 1;
    return w.pic.empty() ? -3 : 0;
}

// Pixel byte p of slot w shows (r, g, b) from now on.
NxgRepaint storeCell(NxgWindowInfo &w, int p, int r, int g, int b, bool repaint) {
    uint8_t *c = w.NEW_color_tbl2[p & 0xFF];
    bool changed = c[0] != uint8_t(r) || c[1] != uint8_t(g) || c[2] != uint8_t(b);
    c[0] = uint8_t(r);
    c[1] = uint8_t(g);
    c[2] = uint8_t(b);
    if (w.be == nullptr) return NxgRepaint{};
    return w.be->store(int(&w - nxg.NXG_win_tbl), p & 0xFF, changed, repaint);
}

}  // namespace

NxgWindowInfo *nxg_cur_slot() {
    return validId(nxg.SW1_id) ? &nxg.NXG_win_tbl[nxg.SW1_id] : nullptr;
}

void nxg_make_current(NxgWindowInfo &w) {
    int id = int(&w - nxg.NXG_win_tbl);
    nxg.SW1_id = validId(id) ? id : -1;
    nxg.SW1_pm_wid = nxg.NXG_win_wid = w.wid - 1;
    nxg.SW1_pm_hgt = nxg.NXG_win_hgt = w.hgt - 1;
}

bool nxg_have_surface() { return target() != nullptr; }

void nxg_load_state() {
    NXG_end();
    nxg_x11_load_state();
    nxg = Nxg{};
}

void NXG_no_surface() { nxg.SW1_id = -1; }

int NXG_init(int id, Colormap cm, Widget widget, Display *dpy) {
    // Refused: a slot under 2 x 2 pixels, one wider or higher than surface
    // coordinates reach, or a window without its display or widget. No
    // surface is current then, so nothing is drawn until one is accepted.
    bool memory = dpy == nullptr && widget == nullptr;
    if (nxg.NXG_win_wid < 1 || nxg.NXG_win_hgt < 1 || nxg.NXG_win_wid >= NXG_COORD_MAX ||
        nxg.NXG_win_hgt >= NXG_COORD_MAX || !validId(id) ||
        (!memory && (dpy == nullptr || widget == nullptr))) {
        NXG_no_surface();
        return -1;
    }
    if (memory) return initMemory(id);
    return nxg_x11_open(id, cm, widget, dpy);
}

void NXG_term(int id) {
    if (!validId(id)) return;
    NxgWindowInfo &w = nxg.NXG_win_tbl[id];
    if (w.be != nullptr) w.be->term(id);
    w.be = nullptr;
    w.mem = 0;
    w.backing = 0;
    w.pal_set = 0;
    w.clip_set = 0;
    w.pm_wid = w.pm_hgt = 0;
    pic_free(w);
}

void NXG_end() { nxg_x11_end(); }

int NXG_ec_to_wc(int color) {
    const NxgWindowInfo *w = nxg_cur_slot();
    return w != nullptr ? w->NXG_wc_tbl[color & 0xFF] : 0;
}

NxgRepaint NXG_set_pal(int color, int r, int g, int b, bool repaint) {
    NxgWindowInfo *w = nxg_cur_slot();
    return w != nullptr ? storeCell(*w, w->NXG_wc_tbl[color & 0xFF], r, g, b, repaint)
                        : NxgRepaint{};
}

NxgRepaint NXG_set_gdfpal(int color, int r, int g, int b, bool repaint) {
    NxgWindowInfo *w = nxg_cur_slot();
    return w != nullptr ? storeCell(*w, color & 0xFF, r, g, b, repaint) : NxgRepaint{};
}

NxgRepaint NXG_repaint_pending() {
    NxgWindowInfo *w = nxg_cur_slot();
    if (w == nullptr || w->be == nullptr) return NxgRepaint{};
    return w->be->repaint_left(nxg.SW1_id);
}

bool nxg_repaint_left() {
    NxgWindowInfo *w = nxg_cur_slot();
    return w != nullptr && w->be != nullptr && w->be->repaint_pending(nxg.SW1_id);
}

int NXG_set_gdf_paltbl(const unsigned long *pix_tbl) {
    NxgWindowInfo *w = nxg_cur_slot();
    if (w == nullptr || pix_tbl == nullptr) return -1;
    for (int i = 0; i < NXG_GDF_CELLS; i++) w->NXG_wc_gdf_tbl[i] = uint8_t(pix_tbl[i] & 0xFF);
    w->NXG_gdf_set = 1;
    return 0;
}

int NXG_gdf_pixel(int k) {
    const NxgWindowInfo *w = nxg_cur_slot();
    return w != nullptr && k >= 0 && k < NXG_GDF_CELLS ? w->NXG_wc_gdf_tbl[k] : 0;
}

int NXG_gdf_cells() {
    NxgWindowInfo *w = nxg_cur_slot();
    if (w == nullptr) return -1;
    if (!w->pic.empty()) {
        // Every pixel byte shows a colour of its own here; the window's 16
        // colours are bytes 0 .. 15, so the upper half can be the images'.
        if (w->NXG_gdf_set == 0) {
            for (int i = 0; i < NXG_GDF_CELLS; i++) w->NXG_wc_gdf_tbl[i] = uint8_t(128 + i);
            w->NXG_gdf_set = 2;
        }
        return 0;
    }
    // Colour cells of a colormap: only cells the host has given.
    return w->NXG_gdf_set == 1 ? 0 : -1;
}

void nxg_span(int xa, int xb, int row, int colour) {
    NxgWindowInfo *w = target();
    if (w == nullptr) return;
    if (xa > xb) std::swap(xa, xb);
    // Limited to the surface.
    if (row < 0 || row > nxg.SW1_pm_hgt || xb < 0 || xa > nxg.SW1_pm_wid) return;
    xa = std::max(xa, 0);
    xb = std::min(xb, nxg.SW1_pm_wid);
    uint8_t p = w->NXG_wc_tbl[colour & 0xFF];
    pic_fill(*w, xa, xb, row, row, p);
    if (w->be != nullptr) w->be->span(nxg.SW1_id, xa, xb, row, p);
}

void nxg_rect(int x, int y, int wd, int ht, int colour) {
    NxgWindowInfo *w = target();
    if (w == nullptr || wd <= 0 || ht <= 0) return;
    // Limited to the surface.
    int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    int64_t x1 = std::min<int64_t>(int64_t(x) + wd - 1, nxg.SW1_pm_wid);
    int64_t y1 = std::min<int64_t>(int64_t(y) + ht - 1, nxg.SW1_pm_hgt);
    if (x0 > x1 || y0 > y1) return;
    uint8_t p = w->NXG_wc_tbl[colour & 0xFF];
    pic_fill(*w, x0, x1, y0, y1, p);
    if (w->be != nullptr)
        w->be->rect(nxg.SW1_id, int(x0), int(y0), int(x1 - x0 + 1), int(y1 - y0 + 1), p);
}

void nxg_segments(const NxgSegment *s, int n, int colour) {
    NxgWindowInfo *w = target();
    if (w == nullptr || s == nullptr || n <= 0) return;
    uint8_t p = w->NXG_wc_tbl[colour & 0xFF];
    pic_segments(*w, s, n, p);
    if (w->be != nullptr) w->be->segments(nxg.SW1_id, s, n, p);
}

void nxg_copy(int sx, int sy, int wd, int ht, int dx, int dy) {
    NxgWindowInfo *w = target();
    if (w == nullptr || wd <= 0 || ht <= 0) return;
    for (int v : {sx, sy, dx, dy, wd, ht})
        if (v < -NXG_COORD_MAX || v > NXG_COORD_MAX) return;
    // The picture moves with the pixmap; a window shows the source first.
    if (w->backing) pic_copy(*w, sx, sy, wd, ht, dx, dy);
    if (w->be != nullptr) w->be->copy(nxg.SW1_id, sx, sy, wd, ht, dx, dy);
}

void nxg_clip(int x, int y, int wd, int ht) {
    NxgWindowInfo *w = target();
    if (w == nullptr) return;
    // Within the surface's coordinates; an empty rectangle clips
    // everything away.
    w->clip_set = 1;
    w->clip_x = int(clamp64(x, -NXG_COORD_MAX - 1, NXG_COORD_MAX));
    w->clip_y = int(clamp64(y, -NXG_COORD_MAX - 1, NXG_COORD_MAX));
    w->clip_w = int(clamp64(wd, 0, 2 * NXG_COORD_MAX + 1));
    w->clip_h = int(clamp64(ht, 0, 2 * NXG_COORD_MAX + 1));
    if (w->be != nullptr) w->be->clip(nxg.SW1_id);
}

void NXG_put_image(const uint8_t *pixels, int wd, int ht, int x, int y) {
    NxgWindowInfo *w = target();
    if (w == nullptr || pixels == nullptr || wd <= 0 || ht <= 0) return;
    if (x < -NXG_COORD_MAX || x > NXG_COORD_MAX || y < -NXG_COORD_MAX || y > NXG_COORD_MAX) return;
    if (wd > NXG_COORD_MAX || ht > NXG_COORD_MAX) return;
    pic_image(*w, pixels, wd, ht, x, y);
    if (w->be != nullptr) w->be->image(nxg.SW1_id, pixels, wd, ht, x, y);
}

void NXG_clear_all() {
    NxgWindowInfo *w = target();
    if (w != nullptr && w->be != nullptr) w->be->clear_window(nxg.SW1_id);
}

void NXG_flush() {
    NxgWindowInfo *w = target();
    if (w != nullptr && w->be != nullptr) w->be->flush(nxg.SW1_id);
}

void NXG_load_canvas(int id, int x1, int y1, int x2, int y2) {
    // Only a taken slot can become the surface.
    if (!validId(id) || !nxg.NXG_win_tbl[id].use_flg) return;
    NxgWindowInfo &w = nxg.NXG_win_tbl[id];
    nxg_make_current(w);
    if (w.be == nullptr) return;
    // (x1, y1) and the size (x2, y2), limited to the pixmap.
    int64_t x = x1, y = y1, cw = x2, ch = y2;
    if (x < 0) {
        cw += x;
        x = 0;
    }
    if (y < 0) {
        ch += y;
        y = 0;
    }
    cw = std::min<int64_t>(cw, int64_t(nxg.SW1_pm_wid) + 1 - x);
    ch = std::min<int64_t>(ch, int64_t(nxg.SW1_pm_hgt) + 1 - y);
    if (cw <= 0 || ch <= 0) cw = ch = 0;
    w.be->show(id, int(x), int(y), int(cw), int(ch));
}

bool NXG_read_rgb(int id, uint8_t *rgb, size_t size) {
    if (!validId(id) || rgb == nullptr) return false;
    const NxgWindowInfo &w = nxg.NXG_win_tbl[id];
    if (w.pic.empty() || size != size_t(w.pic_w) * size_t(w.pic_h) * 3) return false;
    for (size_t i = 0; i < w.pic.size(); i++)
        std::memcpy(rgb + 3 * i, w.NEW_color_tbl2[w.pic[i]], 3);
    return true;
}

}  // namespace naplps
