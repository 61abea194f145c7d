// Pixel and span output: solid and textured rectangles and spans, patterned
// rows batched into segments, the clip rectangle, block copies for scrolling
// and the repaint of a window from its backing pixmap. Coordinates are
// clipped here to the pixmap, so that nothing outside it reaches the 16-bit
// coordinates of the X protocol.
#include <algorithm>
#include <cstdlib>

#include "interp/state.h"
#include "nxg/nxg_x.h"
#include "raster/raster.h"

namespace naplps {

namespace {

constexpr int PAT_WIDTH = NXG_PAT_BYTES * 8;  // pixels of a prepared pattern row

bool haveSurface() { return nxg.SW1_dpy != nullptr && nxg.SW1_gc != nullptr; }

int64_t clamp64(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Column of the prepared pattern row that gives the pixel at window x. The
// rows cover x 0 .. 639; beyond that the pattern repeats with its own
// period (the hatch pair of pel widths, or the mask width) from the last
// whole period inside the row, or, without a usable period, every 640.
int patternColumn(int x) {
    if (x >= 0 && x < PAT_WIDTH) return x;
    if (x < 0) return 0;
    int64_t period = 0;
    int code = ras.TEXTURE_CODE;
    if (code == 1 || code == 3)
        period = 2 * std::abs(int64_t(ras.pen.PhyPelX));
    else if (code >= 4)
        period = std::abs(int64_t(ras.pen.PhyMaskX));
    int64_t origin = std::max<int64_t>(ras.pen.OriginX, 0);
    if (period >= 1 && PAT_WIDTH - period >= origin) {
        int64_t k = (int64_t(x) - PAT_WIDTH) / period + 1;
        return int(int64_t(x) - k * period);
    }
    return x % PAT_WIDTH;
}

// The pattern bit at window x of the row at byte offset base.
bool patternBit(int base, int x) {
    const uint8_t *pat = &ras.TexturePat[0][0];
    int col = patternColumn(x);
    return (pat[base + col / 8] >> (7 - col % 8)) & 1;
}

// One pass of dot_draw_t: runs of on pixels (or of off pixels when invert)
// become segments, drawn one row at a time. A row with more runs than the
// segment buffer holds is drawn in several batches.
void patternPass(int x1, int y1, int x2, int y2, bool invert) {
    constexpr int lastBase = (NXG_PAT_ROWS - 1) * NXG_PAT_BYTES;
    int base = int(clamp64(nxg.dot_texture_y, 0, lastBase));
    for (int y = y1; y <= y2; y++) {
        int n = 0;
        int start = -1;
        for (int x = x1; x <= x2; x++) {
            bool on = patternBit(base, x) != invert;
            if (on && start < 0) start = x;
            if ((!on || x == x2) && start >= 0) {
                int end = on ? x : x - 1;
                nxg.seg[n++] = NxgSegment{int16_t(start), int16_t(y), int16_t(end), int16_t(y)};
                start = -1;
                if (n == NXG_SEG_MAX) {
                    prim_segments(nxg.seg, n);
                    n = 0;
                }
            }
        }
        if (n > 0) prim_segments(nxg.seg, n);
    }
}

// The row action of fill and dot_t for texture code `code` on window row r.
void rowAction(int code, int xa, int xb, int r) {
    switch (code) {
    case 1:  // vertical hatching
        nxg.dot_texture_y = 0;
        dot_draw_t(nullptr, xa, r, xb, r, 1);
        break;
    case 2:  // horizontal hatching: on bands in the foreground
        if (ras.TEXTURE_H_ON >= 0) {
            nxg_fg(ras.DRAW_COLOR_fg);
            prim_span(xa, xb, r);
        } else if (ras.DRAW_COLOR_bg >= 0) {
            nxg_fg(ras.DRAW_COLOR_bg);
            prim_span(xa, xb, r);
        }
        break;
    case 3:  // cross-hatching
        if (ras.TEXTURE_H_ON >= 0) {
            nxg_fg(ras.DRAW_COLOR_fg);
            prim_span(xa, xb, r);
        } else {
            nxg.dot_texture_y = 0;
            dot_draw_t(nullptr, xa, r, xb, r, 1);
        }
        break;
    default:
        if (code >= 4) {  // programmable pattern: the writer's pattern row
            nxg.dot_texture_y = ras.TEXTURE_yy;
            dot_draw_t(nullptr, xa, r, xb, r, 1);
        } else {  // solid
            nxg_fg(ras.DRAW_COLOR_fg);
            prim_span(xa, xb, r);
        }
        break;
    }
}

}  // namespace

int dot_check(int *xs, int *xe, int *ys, int *ye) {
    int64_t x = *xs, w = *xe, y = *ys, h = *ye;
    if (w < 0) {
        x = x + w + 1;
        w = -w;
    }
    if (h < 0) {
        y = y + h + 1;
        h = -h;
    }
    if (ras.TEXTURE_DEF_FLAG) {
        // h rows are captured; rows beyond X's coordinates hold nothing.
        ras.TEXTURE_XT = sat32(x);
        ras.TEXTURE_XB = sat32(x + w - 1);
        int64_t y0 = std::max<int64_t>(y, -NXG_COORD_MAX - 1);
        int64_t y1 = std::min<int64_t>(y + h, NXG_COORD_MAX + 1);
        ras.TEXTURE_Y = sat32(y0);
        for (int64_t r = y0; r < y1; r++) {
            def_texture();
            ras.TEXTURE_Y = sat32(r + 1);
        }
        return -1;
    }
    // Columns x .. x+w-1 and rows y .. y+h are clipped to the pixmap; what
    // lies wholly outside is nothing.
    if (w == 0) return -1;
    if (x < 0) {
        w += x;
        x = 0;
    }
    if (x + w > int64_t(nxg.SW1_pm_wid) + 1) w = int64_t(nxg.SW1_pm_wid) + 1 - x;
    if (w <= 0) return -1;
    if (y < 0) {
        h += y;
        y = 0;
    }
    if (y + h > nxg.SW1_pm_hgt) h = int64_t(nxg.SW1_pm_hgt) - y;
    if (h < 0) return -1;
    *xs = int(x);
    *xe = int(w);
    *ys = int(y);
    *ye = int(h);
    return 0;
}

int draw_check(int *xs, int *xe, int *ys, int *ye) {
    if (ras.TEXTURE_DEF_FLAG) {
        ras.TEXTURE_XT = *xs;
        ras.TEXTURE_XB = *xe;
        ras.TEXTURE_Y = sat32(int64_t(nxg.NXG_win_hgt) - ras.VRAM_y);
        def_texture();
        return -1;
    }
    int a = std::min(*xs, *xe), b = std::max(*xs, *xe);
    if (b < 0 || a > nxg.SW1_pm_wid) return -1;
    a = std::max(a, 0);
    b = std::min(b, nxg.SW1_pm_wid);
    int c = std::max(*ys, 0), d = std::min(*ye, nxg.SW1_pm_hgt);
    if (c > d) return -1;
    *xs = a;
    *xe = b;
    *ys = c;
    *ye = d;
    return 0;
}

void dot_p(int x1, int y1, int x2, int y2) {
    if (dot_check(&x1, &x2, &y1, &y2) == -1) return;
    nxg_fg(ras.DRAW_COLOR_fg);
    // x2 columns, y2 + 1 rows from bottom-up row y1 upwards.
    prim_rect(x1, nxg.NXG_win_hgt - (y1 + y2), x2, y2 + 1);
}

void dot_t(int x1, int y1, int x2, int y2) {
    if (dot_check(&x1, &x2, &y1, &y2) == -1) return;
    int code = ras.TEXTURE_CODE;
    if (code == 1) nxg.dot_texture_y = 0;
    set_DRAW_y_order(1);
    set_VRAM_y(y1);
    for (int y = y1; y <= y1 + y2; y++) {
        rowAction(code, x1, x1 + x2 - 1, nxg.NXG_win_hgt - y);
        if (code >= 2) inc_VRAM_y();
    }
}

int draw(int xt, int xb) {
    int y1 = ras.VRAM_y, y2 = ras.VRAM_y;
    if (draw_check(&xt, &xb, &y1, &y2) == 0) {
        nxg_fg(nxg.NXG_cur_pal);
        prim_span(xt, xb, ras.VRAM_y);
    }
    inc_VRAM_y();
    return 0;
}

void fill(int xt, int xb) {
    int code = ras.TEXTURE_CODE;
    if (code == 1)
        nxg.dot_texture_y = 0;
    else if (code >= 4)
        nxg.dot_texture_y = ras.TEXTURE_yy;
    int ya = ras.VRAM_y, yb = ras.VRAM_y;
    if (draw_check(&xt, &xb, &ya, &yb) == -1) return;
    for (int r = ya; r <= yb; r++) rowAction(code, xt, xb, r);
}

void dot_draw_t(Widget, int x1, int y1, int x2, int y2, int) {
    if (!nxg_have_surface()) return;
    // Columns and rows outside the pixmap hold nothing.
    x1 = std::max(x1, 0);
    x2 = std::min(x2, nxg.SW1_pm_wid);
    y1 = std::max(y1, 0);
    y2 = std::min(y2, nxg.SW1_pm_hgt);
    if (x1 > x2 || y1 > y2) return;
    if (haveSurface()) XSetFunction(nxg.SW1_dpy, nxg.SW1_gc, GXcopy);
    nxg_fg(ras.DRAW_COLOR_fg);
    patternPass(x1, y1, x2, y2, false);
    if (ras.DRAW_COLOR_bg >= 0) {
        nxg_fg(ras.DRAW_COLOR_bg);
        patternPass(x1, y1, x2, y2, true);
    }
}

void NXG_set_clp(int x1, int y1, int x2, int y2) {
    if (!nxg_have_surface()) return;
    // Corners beyond X's 16-bit coordinates are cut there; an inverted
    // rectangle clips everything away.
    constexpr int64_t lo = -NXG_COORD_MAX - 1, hi = NXG_COORD_MAX;
    int64_t left = clamp64(x1, lo, hi);
    int64_t right = clamp64(int64_t(x2) + 1, lo, hi);
    int64_t top = clamp64(int64_t(nxg.NXG_win_hgt) - y2, lo, hi);
    int64_t bottom = clamp64(int64_t(nxg.NXG_win_hgt) - y1 + 1, lo, hi);
    XRectangle rect;
    rect.x = short(left);
    rect.y = short(top);
    rect.width = (unsigned short)std::max<int64_t>(0, right - left);
    rect.height = (unsigned short)std::max<int64_t>(0, bottom - top);
    // The slot's picture is clipped as its GC is.
    if (_NXG_window_info *s = nxg_cur_slot()) {
        s->clip_set = 1;
        s->clip_x = rect.x;
        s->clip_y = rect.y;
        s->clip_w = rect.width;
        s->clip_h = rect.height;
    }
    if (haveSurface()) XSetClipRectangles(nxg.SW1_dpy, nxg.SW1_gc, 0, 0, &rect, 1, Unsorted);
}

void NXG_copy_rect(int x1, int y1, int x2, int y2, int dx, int dy) {
    if (!nxg_have_surface()) return;
    int64_t hgt = nxg.NXG_win_hgt;
    int64_t X = dx, Y = hgt - dy;
    int64_t sx = x1;
    int64_t sy = y2 < dy ? hgt - 1 - y2 : hgt - y2;
    int64_t w = int64_t(x2) - x1 + 1, h = int64_t(y2) - y1 + 1;
    // Limited to the pixmap, its last column and row included.
    if (X + w > int64_t(nxg.SW1_pm_wid) + 1) w = int64_t(nxg.SW1_pm_wid) + 1 - X;
    if (X < 0) {
        sx -= X;
        w += X;
        X = 0;
    }
    if (Y + h > int64_t(nxg.SW1_pm_hgt) + 1) h = int64_t(nxg.SW1_pm_hgt) + 1 - Y;
    if (Y < 0) {
        sy -= Y;
        h += Y;
        Y = 0;
    }
    if (w <= 0 || h <= 0) return;
    if (sx < -NXG_COORD_MAX || sx > NXG_COORD_MAX || sy < -NXG_COORD_MAX || sy > NXG_COORD_MAX)
        return;
    // The window is refreshed from the pixmap before the pixmap moves.
    prim_copy(NXG_TO_PIXMAP, NXG_TO_WINDOW, int(sx), int(sy), int(w), int(h), int(X), int(Y));
    prim_copy(NXG_TO_PIXMAP, NXG_TO_PIXMAP, int(sx), int(sy), int(w), int(h), int(X), int(Y));
}

void NXG_flush() {
    if (nxg.SW1_dpy != nullptr) XFlush(nxg.SW1_dpy);
}

void NXG_set_batch(int) {}

void NXG_clear_all() { prim_clear_window(); }

void NXG_load_canvas(int id, int x1, int y1, int x2, int y2) {
    // Only a taken slot can become the surface.
    if (id < 0 || id >= NXG_WIN_MAX || !nxg.NXG_win_tbl[id].use_flg) return;
    nxg_make_current(nxg.NXG_win_tbl[id]);
    if (nxg.SW1_dpy == nullptr || nxg.SW1_pixmap == 0) return;
    if (!nxg.SW1_ro && nxg.NXG_lib_cms != 0) XInstallColormap(nxg.SW1_dpy, nxg.NXG_lib_cms);
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
    if (cw <= 0 || ch <= 0) return;
    prim_copy(NXG_TO_PIXMAP, NXG_TO_WINDOW, int(x), int(y), int(cw), int(ch), int(x), int(y));
}

void NXG_save_pixwin() {
    prim_copy(NXG_TO_WINDOW, NXG_TO_PIXMAP, 0, 0, 1024, 1024, 0, 0);
    nxg.NXG_Undo_flg = 1;
}

void NXG_load_pixwin() {
    if (nxg.NXG_Undo_flg == 1) prim_copy(NXG_TO_PIXMAP, NXG_TO_WINDOW, 0, 0, 1024, 1024, 0, 0);
}

void NXG_put_image(const uint8_t *pixels, int w, int h, int x, int y) {
    if (x < -NXG_COORD_MAX || x > NXG_COORD_MAX || y < -NXG_COORD_MAX || y > NXG_COORD_MAX) return;
    prim_image(pixels, w, h, x, y);
}

}  // namespace naplps
