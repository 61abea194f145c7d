// The scan-line writer's output: pel rectangles, solid and textured spans
// and patterned rows, handed to the surface in window rows. This is the one
// place where the raster's bottom-up y becomes a window row (NXG_win_hgt -
// y). While a pattern or DRCS definition is captured, spans and pel rows go
// to the definition grid instead of the surface. Also the bottom-up clip
// rectangle and block copy that the control and text code use.
#include <algorithm>
#include <cstdlib>

#include "nxg/nxg.h"
#include "raster/raster.h"
#include "raster/sat.h"

namespace naplps {

namespace {

constexpr int PAT_WIDTH = TEXTURE_ROW_BYTES * 8;  // pixels of a prepared pattern row
constexpr int SEG_MAX = 2048;                     // segments of one batch

int64_t clamp64(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Work units of filling `pixels` in one colour, and of `width` pixels of a
// row written with texture code `code` (patterned rows go pixel by pixel, a
// pass for the pattern and one for its background).
int64_t solidCost(int64_t pixels) { return pixels / 32; }
int64_t rowCost(int code, int64_t width) {
    bool patterned = code == 1 || code == 3 || code >= 4;
    return patterned ? 8 * width : solidCost(width);
}

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
// become segments in `colour`, drawn one row at a time. A row with more
// runs than a batch holds is drawn in several batches.
void patternPass(int x1, int y1, int x2, int y2, int texY, bool invert, int colour) {
    constexpr int lastBase = (TEXTURE_ROWS - 1) * TEXTURE_ROW_BYTES;
    int base = int(clamp64(texY, 0, lastBase));
    NxgSegment seg[SEG_MAX];
    for (int y = y1; y <= y2; y++) {
        int n = 0;
        int start = -1;
        for (int x = x1; x <= x2; x++) {
            bool on = patternBit(base, x) != invert;
            if (on && start < 0) start = x;
            if ((!on || x == x2) && start >= 0) {
                int end = on ? x : x - 1;
                seg[n++] = NxgSegment{int16_t(start), int16_t(y), int16_t(end), int16_t(y)};
                start = -1;
                if (n == SEG_MAX) {
                    nxg_segments(seg, n, colour);
                    n = 0;
                }
            }
        }
        if (n > 0) nxg_segments(seg, n, colour);
    }
}

// The row action of fill and dot_t for texture code `code` on window row r.
void rowAction(int code, int xa, int xb, int r) {
    switch (code) {
    case 1:  // vertical hatching
        dot_draw_t(xa, r, xb, r, 0);
        break;
    case 2:  // horizontal hatching: on bands in the foreground
        if (ras.TEXTURE_H_ON >= 0)
            nxg_span(xa, xb, r, ras.DRAW_COLOR_fg);
        else if (ras.DRAW_COLOR_bg >= 0)
            nxg_span(xa, xb, r, ras.DRAW_COLOR_bg);
        break;
    case 3:  // cross-hatching
        if (ras.TEXTURE_H_ON >= 0)
            nxg_span(xa, xb, r, ras.DRAW_COLOR_fg);
        else
            dot_draw_t(xa, r, xb, r, 0);
        break;
    default:
        if (code >= 4)  // programmable pattern: the writer's pattern row
            dot_draw_t(xa, r, xb, r, ras.TEXTURE_yy);
        else  // solid
            nxg_span(xa, xb, r, ras.DRAW_COLOR_fg);
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
        // h rows are captured; rows beyond the surface's coordinates hold
        // nothing.
        ras.TEXTURE_XT = sat32(x);
        ras.TEXTURE_XB = sat32(x + w - 1);
        int64_t y0 = std::max<int64_t>(y, -NXG_COORD_MAX - 1);
        int64_t y1 = std::min<int64_t>(y + h, NXG_COORD_MAX + 1);
        ras.TEXTURE_Y = sat32(y0);
        for (int64_t r = y0; r < y1; r++) {
            if (!work_spend(WORK_CALL)) break;
            def_texture();
            ras.TEXTURE_Y = sat32(r + 1);
        }
        return -1;
    }
    // Columns x .. x+w-1 and rows y .. y+h are clipped to the surface; what
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
    if (!work_spend(WORK_CALL)) return;
    if (dot_check(&x1, &x2, &y1, &y2) == -1) return;
    // x2 columns, y2 + 1 rows from bottom-up row y1 upwards.
    work_charge(solidCost(int64_t(x2) * (int64_t(y2) + 1)));
    nxg_rect(x1, nxg.NXG_win_hgt - (y1 + y2), x2, y2 + 1, ras.DRAW_COLOR_fg);
}

void dot_t(int x1, int y1, int x2, int y2) {
    if (!work_spend(WORK_CALL)) return;
    if (dot_check(&x1, &x2, &y1, &y2) == -1) return;
    int code = ras.TEXTURE_CODE;
    set_DRAW_y_order(1);
    set_VRAM_y(y1);
    for (int y = y1; y <= y1 + y2; y++) {
        if (!work_spend(WORK_CALL + rowCost(code, x2))) break;
        rowAction(code, x1, x1 + x2 - 1, nxg.NXG_win_hgt - y);
        if (code >= 2) inc_VRAM_y();
    }
}

int draw(int xt, int xb) {
    int y1 = ras.VRAM_y, y2 = ras.VRAM_y;
    if (work_spend(WORK_CALL) && draw_check(&xt, &xb, &y1, &y2) == 0) {
        work_charge(solidCost(int64_t(xb) - xt + 1));
        nxg_span(xt, xb, ras.VRAM_y, ras.NXG_cur_pal);
    }
    inc_VRAM_y();
    return 0;
}

void fill(int xt, int xb) {
    int ya = ras.VRAM_y, yb = ras.VRAM_y;
    if (!work_spend(WORK_CALL)) return;
    if (draw_check(&xt, &xb, &ya, &yb) == -1) return;
    work_charge(rowCost(ras.TEXTURE_CODE, int64_t(xb) - xt + 1));
    for (int r = ya; r <= yb; r++) rowAction(ras.TEXTURE_CODE, xt, xb, r);
}

void dot_draw_t(int x1, int y1, int x2, int y2, int texY) {
    if (!nxg_have_surface()) return;
    texture_rows();
    // Columns and rows outside the surface hold nothing.
    x1 = std::max(x1, 0);
    x2 = std::min(x2, nxg.SW1_pm_wid);
    y1 = std::max(y1, 0);
    y2 = std::min(y2, nxg.SW1_pm_hgt);
    if (x1 > x2 || y1 > y2) return;
    patternPass(x1, y1, x2, y2, texY, false, ras.DRAW_COLOR_fg);
    if (ras.DRAW_COLOR_bg >= 0) patternPass(x1, y1, x2, y2, texY, true, ras.DRAW_COLOR_bg);
}

namespace {

int64_t repaintCost(const NxgRepaint &c) {
    return solidCost(c.scanned) + c.runs * WORK_CALL + c.imaged * 8;
}

}  // namespace

void store_colour(int colour, int r, int g, int b, bool cell) {
    auto store = [&](bool now) {
        return cell ? NXG_set_gdfpal(colour, r, g, b, now) : NXG_set_pal(colour, r, g, b, now);
    };
    if (work_exhausted()) {
        store(false);
        return;
    }
    if (nxg_repaint_left()) work_charge(repaintCost(NXG_repaint_pending()));
    work_charge(repaintCost(store(true)));
}

void NXG_set_clp(int x1, int y1, int x2, int y2) {
    // Corners beyond the surface's coordinates are cut there; an inverted
    // rectangle clips everything away.
    constexpr int64_t lo = -NXG_COORD_MAX - 1, hi = NXG_COORD_MAX;
    int64_t left = clamp64(x1, lo, hi);
    int64_t right = clamp64(int64_t(x2) + 1, lo, hi);
    int64_t top = clamp64(int64_t(nxg.NXG_win_hgt) - y2, lo, hi);
    int64_t bottom = clamp64(int64_t(nxg.NXG_win_hgt) - y1 + 1, lo, hi);
    nxg_clip(int(left), int(top), int(std::max<int64_t>(0, right - left)),
             int(std::max<int64_t>(0, bottom - top)));
}

void NXG_copy_rect(int x1, int y1, int x2, int y2, int dx, int dy) {
    int64_t hgt = nxg.NXG_win_hgt;
    int64_t X = dx, Y = hgt - dy;
    int64_t sx = x1;
    int64_t sy = y2 < dy ? hgt - 1 - y2 : hgt - y2;
    int64_t w = int64_t(x2) - x1 + 1, h = int64_t(y2) - y1 + 1;
    // Limited to the surface, its last column and row included.
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
    if (!work_spend(WORK_CALL + w * h / 64)) return;
    ras.copies++;
    nxg_copy(int(sx), int(sy), int(w), int(h), int(X), int(Y));
}

}  // namespace naplps
