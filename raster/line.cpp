// The scan-line writer and the line rasteriser: a line is the area swept by
// the current pel (PhyPelX x PhyPelY pixels, either sign) from its start to
// its end point, written row by row as spans through the writer's `draw`,
// optionally cut into dots and dashes. Also the pel, clip and start-up entry
// points of the raster engine.
#include "raster/raster.h"

#include <algorithm>
#include <cstdlib>

#include "raster/sat.h"
#include "nxg/nxg.h"

namespace naplps {

namespace {

Raster &r = ras;

// Coordinates and pel sizes handed to the rasteriser are kept within this
// range, far beyond any window, so that no sum below overflows and the row
// loops stay bounded whatever the stream asks for.
constexpr int32_t COORD_LIMIT = 1 << 20;

int32_t clampCoord(int32_t v) {
    if (v > COORD_LIMIT) return COORD_LIMIT;
    if (v < -COORD_LIMIT) return -COORD_LIMIT;
    return v;
}

int32_t sign(int32_t v) { return v < 0 ? -1 : 1; }

// Pattern height as the writer uses it: never 0, so that the phase
// arithmetic neither divides by zero nor loops.
int32_t textureSize() { return r.TEXTURE_size > 0 ? r.TEXTURE_size : 1; }

// Pattern row and hatch phase of bottom-up row y (relative to the window).
void patternRow(int32_t y, int64_t *tOut) {
    int32_t size = textureSize();
    int64_t t = int64_t(y) - ras.pen.OriginY;
    if (t < 0) {  // continue the pattern below the origin: t modulo 2 sizes
        int64_t period = 2 * int64_t(size);
        t %= period;
        if (t < 0) t += period;
    }
    int64_t rem = t % size;
    int64_t yy;
    if (r.df_msk_y > size)
        yy = r.TEXTURE_bottom - int64_t(TEXTURE_ROW_BYTES) * rem;
    else
        yy = r.TEXTURE_bottom - int64_t(TEXTURE_ROW_BYTES) * ((rem * r.df_msk_y) / size);
    // The prepared rows are the only place this offset may point to.
    constexpr int64_t lastRow = int64_t(TEXTURE_ROW_BYTES) * (TEXTURE_ROWS - 1);
    if (yy < 0) yy = 0;
    if (yy > lastRow) yy = lastRow;
    r.TEXTURE_yy = int32_t(yy);
    *tOut = t;
}

// "Reached or passed" and "lies beyond" along a direction of travel.
bool reached(int32_t v, int32_t limit, int32_t add) { return add > 0 ? v >= limit : v <= limit; }
bool beyond(int32_t v, int32_t limit, int32_t add) { return add > 0 ? v > limit : v < limit; }

// One span on the writer's row; counted for measurements.
void span(int32_t xa, int32_t xb) {
    r.spans++;
    draw(xa, xb);
}

// The four segment lengths of a line texture along one axis: pel is the
// pel size on that axis, add the direction of travel.
void segmentLengths(int texture, int32_t pel, int32_t add, int32_t len[4]) {
    switch (texture) {
    case 1:  // dotted
        len[0] = len[1] = len[2] = len[3] = pel;
        break;
    case 2:  // dashed
        len[0] = len[1] = len[2] = len[3] = 3 * pel;
        break;
    case 3:  // dot-dashed
        len[0] = 3 * pel;
        len[1] = len[2] = len[3] = pel;
        break;
    default:  // solid
        len[0] = len[1] = len[2] = len[3] = 10000 * add;
        break;
    }
}

// Left edge of row y: the path of the pel corner (x1, y1 + pely - y_add).
void get_xl() {
    if (r.y == r.y_left) {
        r.xl = r.x_left;
    } else if (r.y == r.y_left + r.y_add) {
        if (r.ykf) {
            do {
                r.x_left += r.x_add;
                r.r_left += r.dy2;
            } while (r.r_left < 0);
            r.r_left -= r.dx2;
        } else {
            r.r_left += r.dx2;
            if (r.r_left >= 0) {
                r.x_left += r.x_add;
                r.r_left -= r.dy2;
            }
        }
        r.y_left += r.y_add;
        r.xl = r.x_left;
    }
}

// Right edge of row y: the path of the pel corner (x1 + pelx - x_add, y1).
void get_xr() {
    if (r.y == r.y_right) {
        r.xr = r.x_right;
    } else if (r.y == r.y_right + r.y_add) {
        if (r.ykf) {
            do {
                r.x_right_next += r.x_add;
                r.r_right += r.dy2;
            } while (r.r_right < 0);
            r.r_right -= r.dx2;
            r.x_right = r.x_right_next - r.x_add;
        } else {
            r.x_right = r.x_right_next;
            r.r_right += r.dx2;
            if (r.r_right >= 0) {
                r.x_right_next += r.x_add;
                r.r_right -= r.dy2;
            }
        }
        r.xr = r.x_right;
        r.y_right += r.y_add;
    }
}

// Horizontal segments (line_sub_1): columns a..b on every row of the pel.
void line_sub_1(int32_t a, int32_t b, int32_t y1, int32_t ys, int colour) {
    if (colour < 0) return;
    set_color(colour);
    set_VRAM_y(y1);
    for (int32_t y = y1; y != ys && !work_exhausted(); y += r.y_add) span(a, b);
}

// Vertical segments (line_sub_2): rows a up to, not including, b.
void line_sub_2(int32_t x1, int32_t a, int32_t b, int colour) {
    if (colour < 0) return;
    set_color(colour);
    set_VRAM_y(a);
    for (int32_t y = a; (r.y_add > 0 ? y < b : y > b) && !work_exhausted(); y += r.y_add)
        span(x1, r.xe_right);
}

// One segment of a sloped line, up to the target (tx, ty). Rows are walked
// even for a transparent segment so that the trackers stay in step.
void line_sub_34(int32_t tx, int32_t ty, int32_t pelx, int32_t pely, int colour, bool on) {
    const bool out = colour >= 0;
    if (out) {
        set_color(colour);
        set_VRAM_y(r.y);
    }
    // The row walk of a segment can run past the end of the line (by up to
    // half a tracker step of a tall or wide pel); nothing beyond the end
    // pel's last row and column belongs to the line, so spans stop there.
    auto write = [&](int32_t b) {
        if (!out) return;
        if (beyond(b, r.xe_right, r.x_add)) b = r.xe_right;
        if (!beyond(r.y, r.ye_left, r.y_add) && (r.x_add > 0 ? r.xl <= b : r.xl >= b))
            span(r.xl, b);
        else
            inc_VRAM_y();
    };
    // No segment covers more rows than the whole line; the cap only guards
    // the loops against arithmetic that the stream could push to extremes.
    const int64_t cap = int64_t(r.dy) + 2 * int64_t(std::abs(pely)) + 4;
    int32_t s;
    if (r.xf) {
        get_xr();
        get_xl();
        for (int64_t n = 0; beyond(tx, r.xr, r.x_add) && n < cap && !work_exhausted(); n++) {
            write(r.xr);
            r.y += r.y_add;
            get_xl();
            get_xr();
        }
        s = r.y;
        const int32_t t = tx - pelx + r.x_add;
        for (int64_t n = 0;
             !(r.y == r.y_left && beyond(r.xl, t, r.x_add)) && n < cap && !work_exhausted(); n++) {
            write(tx);
            r.y += r.y_add;
            get_xl();
        }
        r.xl = on ? tx + r.x_add : t;
    } else {
        get_xr();
        get_xl();
        for (int64_t n = 0; !beyond(r.y, ty - pely, r.y_add) && n < cap && !work_exhausted(); n++) {
            write(r.xr);
            r.y += r.y_add;
            get_xl();
            get_xr();
        }
        s = r.y;
        for (int64_t n = 0;
             !(r.y == r.y_left && beyond(r.y, ty, r.y_add)) && n < cap && !work_exhausted(); n++) {
            write(r.xr);
            r.y += r.y_add;
            get_xl();
        }
        r.xl = on ? r.xr + r.x_add : r.xr - pelx + r.x_add;
    }
    r.y = s;
}

// True when the area swept by the pel (generously bounded) misses every
// column or every row of the current pixmap.
bool outsidePixmap(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t pelx, int32_t pely) {
    const int32_t px = std::abs(pelx), py = std::abs(pely);
    const int32_t left = std::min(x1, x2) - px, right = std::max(x1, x2) + px;
    const int32_t bottom = std::min(y1, y2) - py, top = std::max(y1, y2) + py;
    // Window rows 0..SW1_pm_hgt hold y from NXG_win_hgt - SW1_pm_hgt up to NXG_win_hgt.
    const int64_t yLow = int64_t(nxg.NXG_win_hgt) - nxg.SW1_pm_hgt, yHigh = nxg.NXG_win_hgt;
    return right < 0 || left > nxg.SW1_pm_wid || top < yLow || bottom > yHigh;
}

}  // namespace

void set_DRAW_y_order(int order) { r.VRAM_y_add = order != 0 ? -1 : 1; }

void set_VRAM_y(int32_t y) {
    r.VRAM_y = sat32(int64_t(nxg.NXG_win_hgt) - y);
    int64_t t;
    patternRow(y, &t);
    int32_t size = textureSize();
    int32_t rem = int32_t(t % size);
    int32_t on = ((t / size) & 1) ? rem - size : size - rem;
    r.TEXTURE_H_ON = on * (r.TEXTURE_y_order < 0 ? -1 : r.TEXTURE_y_order > 0 ? 1 : 0);
}

void inc_VRAM_y() {
    r.VRAM_y = sat32(int64_t(r.VRAM_y) + r.VRAM_y_add);
    int64_t t;
    patternRow(sat32(int64_t(nxg.NXG_win_hgt) - r.VRAM_y), &t);
    int32_t size = textureSize();
    if (r.TEXTURE_H_ON >= 0) {
        if (--r.TEXTURE_H_ON == 0) r.TEXTURE_H_ON = -size;
    } else {
        if (++r.TEXTURE_H_ON == 0) r.TEXTURE_H_ON = size;
    }
}

void set_color(int colour) { r.NXG_cur_pal = colour; }

// Hooks around every line and polygon fill; nothing needs bracketing on X.
void g_charger_on() {}
void g_charger_off() {}

void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t pelx, int32_t pely, int c1,
          int c2, int texture) {
    g_charger_on();
    x1 = clampCoord(x1);
    y1 = clampCoord(y1);
    x2 = clampCoord(x2);
    y2 = clampCoord(y2);
    pelx = clampCoord(pelx);
    pely = clampCoord(pely);
    if (pelx == 0) pelx = 1;
    if (pely == 0) pely = 1;
    // A line whose logical pel is zero along an axis it travels is solid.
    if ((ras.pen.LogPelX == 0 && x1 != x2) || (ras.pen.LogPelY == 0 && y1 != y2)) texture = 0;
    if (texture < 0 || texture > 3) texture = 0;

    // A line that lies wholly beside the pixmap would only have its spans
    // refused one by one (a long dotted line makes a great many): leave the
    // writer where the end step would and draw nothing. While a definition
    // is captured every span counts, wherever it lies.
    if (!r.TEXTURE_DEF_FLAG && outsidePixmap(x1, y1, x2, y2, pelx, pely)) {
        set_DRAW_y_order(y2 >= y1 ? 1 : 0);
        set_color(c1);
        const int32_t ys =
            y2 >= y1 ? std::max(y2, y2 + pely - 1) + 1 : std::min(y2, y2 + pely + 1) - 1;
        set_VRAM_y(ys);
        g_charger_off();
        return;
    }

    // Vertical set-up; a pel pointing against the travel is re-anchored so
    // that it covers the same pixels.
    r.dy = std::abs(y2 - y1);
    r.y_add = y2 >= y1 ? 1 : -1;
    if (sign(pely) != r.y_add) {
        int32_t shift = r.y_add * (1 - std::abs(pely));
        y1 += shift;
        y2 += shift;
        pely = r.y_add * std::abs(pely);
    }
    set_DRAW_y_order(r.y_add == 1 ? 1 : 0);
    r.ye_left = y2 + pely - r.y_add;  // last row of the end pel
    r.ye_right = y2;
    const int32_t ys = y2 + pely;  // stop row
    r.pyb = pely;

    // Horizontal set-up, the same with x.
    r.dx = std::abs(x2 - x1);
    r.x_add = x2 >= x1 ? 1 : -1;
    if (sign(pelx) != r.x_add) {
        int32_t shift = r.x_add * (1 - std::abs(pelx));
        x1 += shift;
        x2 += shift;
        pelx = r.x_add * std::abs(pelx);
    }
    r.xe_left = x2;
    r.xe_right = x2 + pelx - r.x_add;  // last column of the end pel
    r.pxb = pelx;

    if (r.dx != 0) r.xf = int64_t(std::abs(pelx)) * r.dy <= int64_t(std::abs(pely)) * r.dx;

    int32_t Lx[4], Ly[4];
    segmentLengths(texture, r.pxb, r.x_add, Lx);
    segmentLengths(texture, r.pyb, r.y_add, Ly);

    if (y1 == y2) {
        // Horizontal line (a single point included).
        if (texture == 0) {
            x2 = x1;
        } else {
            int32_t a = x1;
            for (int k = 0;; k = (k + 1) & 3) {
                int32_t b = a + Lx[k] - r.x_add;
                bool last = reached(b, r.xe_right, r.x_add);
                if (last) b = r.xe_right;
                line_sub_1(a, b, y1, ys, (k & 1) ? c2 : c1);
                a += Lx[k];
                if (last || work_exhausted()) break;
            }
        }
    } else if (x1 == x2) {
        // Vertical line.
        if (texture == 0) {
            y2 = y1;
        } else {
            int32_t a = y1;
            for (int k = 0;; k = (k + 1) & 3) {
                int32_t b = a + Ly[k];
                bool last = reached(b, r.ye_left, r.y_add);
                if (last) b = r.ye_left + r.y_add;
                line_sub_2(x1, a, b, (k & 1) ? c2 : c1);
                a += Ly[k];
                if (last || work_exhausted()) break;
            }
        }
    } else {
        // Sloped line: two trackers follow the paths of the pel's corners.
        r.xl = r.x_left = x1;
        r.xr = r.x_right = r.x_right_next = x1 + pelx - r.x_add;
        r.y_left = y1 + pely - r.y_add;
        r.y_right = y1 - r.y_add;
        r.dx2 = 2 * r.dx;
        r.dy2 = 2 * r.dy;
        r.ykf = r.dx2 >= r.dy2;
        r.r_left = r.r_right = r.ykf ? -r.dx : -r.dy;
        r.y = y1;
        int32_t tx = x1 - r.x_add + pelx;
        int32_t ty = y1 - r.y_add + pely;
        for (int k = 0;; k = (k + 1) & 3) {
            const bool on = (k & 1) == 0;
            bool last;
            if (texture == 0) {
                // A solid line is one segment, however long it is.
                tx = r.xe_right;
                ty = r.ye_left;
                last = true;
            } else {
                tx += on ? Lx[k] - pelx : Lx[k] + pelx;
                ty += on ? Ly[k] - pely : Ly[k] + pely;
                bool cx = reached(tx, r.xe_right, r.x_add);
                bool cy = reached(ty, r.ye_left, r.y_add);
                if (cx) tx = r.xe_right;
                if (cy) ty = r.ye_left;
                last = cx && cy;
            }
            line_sub_34(tx, ty, pelx, pely, on ? c1 : c2, on);
            if (last || work_exhausted()) break;
        }
    }

    // End step: the end pel, always in the line colour.
    set_color(c1);
    set_VRAM_y(y2);
    for (r.y = y2; r.y != ys && !work_exhausted(); r.y += r.y_add) span(x2, r.xe_right);
    g_charger_off();
}

namespace {

// Line and gap colours of the colour mode; false for a mode that draws
// nothing of its own (the colours are then left as they were).
bool modeColours(int *fg, int *bg) {
    switch (ras.pen.ColorMod) {
    case 0:
        *fg = ras.pen.ColorNo;
        *bg = -1;
        return true;
    case 1:
        *fg = ras.pen.ForColor;
        *bg = -1;
        return true;
    case 2:
        *fg = ras.pen.ForColor;
        *bg = ras.pen.BakColor;
        return true;
    default: return false;
    }
}

}  // namespace

void drawline(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    int fg, bg;
    if (modeColours(&fg, &bg)) {
        r.DRAW_COLOR_fg = fg;
        r.DRAW_COLOR_bg = bg;
    }
    line(addSat(x1, ras.pen.OriginX), addSat(y1, ras.pen.OriginY), addSat(x2, ras.pen.OriginX),
         addSat(y2, ras.pen.OriginY), ras.pen.PhyPelX, ras.pen.PhyPelY, r.DRAW_COLOR_fg,
         r.DRAW_COLOR_bg, ras.pen.LineTexture);
}

void drawrect(int32_t x, int32_t y, int32_t w, int32_t h) {
    int fg, bg;
    if (!modeColours(&fg, &bg)) return;
    drawrectO(x, y, w, h, fg, bg, ras.pen.LineTexture);
}

void drawrectO(int32_t x, int32_t y, int32_t w, int32_t h, int c1, int c2, int texture) {
    const int32_t x0 = addSat(x, ras.pen.OriginX), y0 = addSat(y, ras.pen.OriginY);
    const int32_t x1 = addSat(x0, w), y1 = addSat(y0, h);
    const int32_t px = ras.pen.PhyPelX, py = ras.pen.PhyPelY;
    line(x0, y0, x1, y0, px, py, c1, c2, texture);
    line(x1, y0, x1, y1, px, py, c1, c2, texture);
    line(x1, y1, x0, y1, px, py, c1, c2, texture);
    line(x0, y1, x0, y0, px, py, c1, c2, texture);
}

void drawpel(int32_t x, int32_t y) {
    r.DRAW_COLOR_fg = ras.pen.ColorMod != 0 ? ras.pen.ForColor : ras.pen.ColorNo;
    dot_p(addSat(ras.pen.OriginX, x), addSat(ras.pen.OriginY, y), ras.pen.PhyPelX, ras.pen.PhyPelY);
}

void drawabspel(int32_t x, int32_t y, int32_t w, int32_t h, int colour) {
    const int32_t saved = r.DRAW_COLOR_fg;
    r.DRAW_COLOR_fg = colour;
    dot_p(addSat(ras.pen.OriginX, x), addSat(ras.pen.OriginY, y), w, h);
    r.DRAW_COLOR_fg = saved;
}

namespace {

// Clamps v into lo..hi; clears *ok when it had to.
int clampClip(int v, int lo, int hi, int *ok) {
    if (v < lo) {
        *ok = -1;
        return lo;
    }
    if (v > hi) {
        *ok = -1;
        return hi;
    }
    return v;
}

}  // namespace

int Set_Clip(int x1, int y1, int x2, int y2) {
    int res = 0;
    r.VRAM_x_min = clampClip(x1, 0, 1023, &res);
    r.VRAM_y_min = clampClip(y1, 0, 1023, &res);
    r.VRAM_x_max = clampClip(x2, r.VRAM_x_min, 1023, &res);
    r.VRAM_y_max = clampClip(y2, r.VRAM_y_min, 1023, &res);
    NXG_set_clp(r.VRAM_x_min, r.VRAM_y_min, r.VRAM_x_max, r.VRAM_y_max);
    return res;
}

int Get_Clip(int *x1, int *y1, int *x2, int *y2) {
    *x1 = r.VRAM_x_min;
    *y1 = r.VRAM_y_min;
    *x2 = r.VRAM_x_max;
    *y2 = r.VRAM_y_max;
    return 0;
}

void ginitialize() {
    set_TEXTURE(0);
    set_DRAW_y_order(1);
    NXG_clear_all();
}

}  // namespace naplps
