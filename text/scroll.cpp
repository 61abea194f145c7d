// Scrolling a rectangle of the picture by whole pixels, and erasing the
// display; both blank in the erase colour through the driver's rectangle
// and copy primitives, so window and backing pixmap stay alike.
#include <utility>

#include "interp/protocol.h"
#include "interp/state.h"
#include "text/state.h"
#include "nxg/nxg.h"
#include "raster/raster.h"
#include "text/text.h"

namespace naplps {

void scrollscr(int n, int dir, int x1, int y1, int x2, int y2) {
    if (n <= 0) return;
    // While a texture or DRCS definition captures the pixels, nothing of
    // the window may change: the picture stays as it is.
    if (ras.TEXTURE_DEF_FLAG) return;
    int64_t ax = int64_t(x1) + ras.pen.OriginX, bx = int64_t(x2) + ras.pen.OriginX;
    int64_t ay = int64_t(y1) + ras.pen.OriginY, by = int64_t(y2) + ras.pen.OriginY;
    if (ax > bx) std::swap(ax, bx);
    if (ay > by) std::swap(ay, by);
    // Only the part inside the clip rectangle moves.
    if (ax > ras.VRAM_x_max || bx < ras.VRAM_x_min || ay > ras.VRAM_y_max || by < ras.VRAM_y_min)
        return;
    if (ax < ras.VRAM_x_min) ax = ras.VRAM_x_min;
    if (ay < ras.VRAM_y_min) ay = ras.VRAM_y_min;
    if (bx > ras.VRAM_x_max) bx = ras.VRAM_x_max;
    if (by > ras.VRAM_y_max) by = ras.VRAM_y_max;
    // Clipped to the clip rectangle, every value now fits an int.
    int X1 = int(ax), Y1 = int(ay), X2 = int(bx), Y2 = int(by);
    int w = X2 - X1 + 1, h = Y2 - Y1 + 1;

    ras.DRAW_COLOR_fg = ras.pen.ColorMod == 2 ? ras.pen.BakColor : 0;
    switch (dir) {
    case SCROLL_DOWN:
        if (n < h) {
            NXG_copy_rect(X1, Y1 + n, X2, Y2, X1, Y2 - n);
            dot_p(X1, Y2 - n + 1, w, n);
        } else {
            dot_p(X1, Y1, w, h);
        }
        break;
    case SCROLL_LEFT:
        if (n < w) {
            set_color(ras.DRAW_COLOR_fg);
            NXG_copy_rect(X1 + n, Y1, X2, Y2, X1, Y2);
            dot_p(X2 - n + 1, Y1, n, h);
        } else {
            dot_p(X1, Y1, w, h);
        }
        break;
    case SCROLL_UP:
        if (n < h) {
            NXG_copy_rect(X1, Y1, X2, Y2 - n, X1, Y2);
            dot_p(X1, Y1, w, n);
        } else {
            dot_p(X1, Y1, w, h);
        }
        break;
    case SCROLL_RIGHT:
        if (n < w) {
            set_color(ras.DRAW_COLOR_fg);
            NXG_copy_rect(X1, Y1, X2 - n, Y2, X1 + n, Y2);
            dot_p(X1, Y1, n, h);
        } else {
            dot_p(X1, Y1, w, h);
        }
        break;
    default: break;
    }
}

void clearPictureArea() {
    if (txt.PDI_reset_mode) {
        int x1 = txt.PDI_win_x1, y1 = txt.PDI_win_y1, x2 = txt.PDI_win_x2, y2 = txt.PDI_win_y2;
        NXG_set_clp(x1, y1, x2, y2);
        dot_p(x1, y1, sat32(int64_t(x2) - x1 + 1), sat32(int64_t(y2) - y1 + 1));
        NXG_set_clp(ras.VRAM_x_min, ras.VRAM_y_min, ras.VRAM_x_max, ras.VRAM_y_max);
        return;
    }
    // The drawing area's width is its right pixel coordinate once the window
    // is known (pdi_clip); one column more reaches the window's last column,
    // and the clip trims what lies beyond.
    dot_p(ras.pen.OriginX, ras.pen.OriginY, sat32(int64_t(ip.Scr_Width) + 1), ip.Scr_Hight);
}

void erasedisplay() {
    ras.DRAW_COLOR_fg = ras.pen.ColorMod != 0 ? ras.pen.BakColor : 0;
    clearPictureArea();
}

}  // namespace naplps
