// Raster engine state: the scan-line writer (which window row is written
// next, in which direction, and its phase in the fill pattern), the clip
// rectangle, the line rasteriser's working values, and the raster entry
// points that the interpreter and the text code call.
#pragma once

#include <cstdint>

#include "raster/arc.h"
#include "raster/fill.h"

namespace naplps {

// Bytes per prepared pattern row and the number of such rows.
constexpr int TEXTURE_ROW_BYTES = 80;
constexpr int TEXTURE_ROWS = 50;
// DRCS character names 0x20 .. 0x7F.
constexpr int DRCS_COUNT = 96;

// The pen: what every drawing operation of the raster engine draws with.
// The interpreter and the text code set it as instructions change it; the
// raster engine only reads it.
struct Pen {
    int32_t Scr_Ratio = 0;                                       // pixels per unit-screen width
    int32_t OriginX = 0, OriginY = 0;                            // picture origin in window pixels
    int32_t LogPelX = 0, LogPelY = 0, PhyPelX = 0, PhyPelY = 0;  // pel size
    int32_t PhyCharX = 0, PhyCharY = 0;                          // character cell (DRCS capture)
    int32_t PhyMaskX = 0, PhyMaskY = 0;                          // texture mask size
    // Colour mode 0 (ColorNo) or 1/2 (ForColor, and BakColor in mode 2).
    int32_t ColorMod = 0;
    int32_t ColorNo = 0, ForColor = 0, BakColor = 0;
    int32_t LineTexture = 0, HiLight = 0;  // line texture 0-3; highlight
};

// Drawing work. A stream pays for the drawing it causes, as it pays for
// macro playback: every byte that arrives from outside earns WORK_PER_BYTE
// units (work_earn), saved up to WORK_SAVED, and every primitive of the span
// output spends units for the call and for the pixels it touches (drawn or
// not). While nothing is left, primitives draw nothing and the long loops
// of the rasterisers stop early; what one primitive overdraws is a debt the
// next bytes pay first. So no stream costs more than a fixed multiple of its
// length however its instructions and macros scale and repeat its drawing.
// Metering starts with a picture's first byte: drawing that no stream
// causes (a host's or a test's calls before any byte) is not metered.
// A unit is about a nanosecond of drawing: a call of the span output costs
// WORK_CALL, 32 pixels filled or 64 moved one unit, a patterned pixel 8; a
// colour repaint (store_colour) its picture scanned and its runs painted.
constexpr int64_t WORK_PER_BYTE = 16000;
constexpr int64_t WORK_SAVED = int64_t(1) << 26;
constexpr int64_t WORK_AT_LOAD = int64_t(1) << 24;  // a picture starts with this much
constexpr int64_t WORK_CALL = 48;
constexpr int64_t WORK_GLYPH = 256;  // the dots of a character walked

struct Raster {
    Pen pen;

    // Scan-line writer.
    int32_t VRAM_y = 0;        // window row the next span goes to
    int32_t VRAM_y_add = 0;    // row step: -1 walking up in y, +1 walking down
    int32_t TEXTURE_yy = 0;    // byte offset of the pattern row of VRAM_y
    int32_t TEXTURE_H_ON = 0;  // rows left in the hatch band (+ on, - off)

    // Colours of pels and fills (colour indices); a background of -1 is
    // transparent.
    int32_t DRAW_COLOR_fg = 0, DRAW_COLOR_bg = 0;
    int32_t NXG_cur_pal = 0;  // colour index of line spans (set_color)

    // Clip rectangle (bottom-up pixels, inclusive, 0..1023).
    int32_t VRAM_x_min = 0, VRAM_y_min = 0, VRAM_x_max = 0, VRAM_y_max = 0;

    // Texture pattern state read by the scan-line writer. TEXTURE_size is 0
    // until the first pattern is prepared; the writer treats it as 1.
    int32_t TEXTURE_size = 0;     // pattern height in rows
    int32_t df_msk_y = 0;         // height of the stored mask in cells
    int32_t TEXTURE_bottom = 0;   // byte offset of pattern row 0
    int32_t TEXTURE_y_order = 0;  // +1 or -1: orientation of hatch bands

    // Texture state read by the span output.
    int32_t TEXTURE_CODE = 0;      // texture in force, 0-7
    int32_t TEXTURE_DEF_FLAG = 0;  // 1: output is captured into a definition
    int32_t TEXTURE_Y = 0, TEXTURE_XT = 0, TEXTURE_XB = 0;     // span being captured
    uint8_t TexturePat[TEXTURE_ROWS][TEXTURE_ROW_BYTES] = {};  // prepared rows
    uint8_t TexturePending = 0;                                // 1: the rows wait for texture_rows

    // Texture patterns.
    // Patterns A-D and the definition grid (50 x 50 cells, 50 bytes a row,
    // row 0 at the bottom, non-zero = set).
    int32_t texture_mask[4][2] = {};       // recorded mask size; {0, 0}: not defined
    uint8_t TEXTURE_M[4][2500] = {};       // the stored patterns
    uint8_t TEXTURE_B[2500] = {};          // the definition under way
    int32_t TEXTURE_DEF_CODE = 0;          // 4-7 pattern, 32-127 DRCS character
    int32_t DRCS_rt_x = 0, DRCS_rt_y = 0;  // character cell at the DRCS start
    int32_t df_msk_x = 0;                  // width of the stored mask in cells
    // The DRCS characters (names 0x20 .. 0x7F, glyphs of 16 x 16 dots) and
    // the bits of texture patterns A-D defined since the last capture.
    uint8_t DRCSBuf[DRCS_COUNT][32] = {};
    uint8_t Texture_Status = 0;

    // Arc walk, pel and texture-cycle state of the arc rasteriser.
    ArcState arc;

    // Line rasteriser working values (shared by its row helpers).
    int32_t x_add = 0, y_add = 0;  // direction of travel, +-1
    int32_t dx = 0, dy = 0, dx2 = 0, dy2 = 0;
    int32_t pxb = 0, pyb = 0;  // pel size, signed with the travel
    int32_t xe_left = 0, xe_right = 0, ye_left = 0, ye_right = 0;
    int32_t xf = 0;   // at most as steep as the pel's diagonal
    int32_t ykf = 0;  // x-major
    int32_t x_left = 0, y_left = 0, r_left = 0;
    int32_t x_right = 0, x_right_next = 0, y_right = 0, r_right = 0;
    int32_t y = 0;           // current row
    int32_t xl = 0, xr = 0;  // span ends on the current row

    // Number of spans the rasteriser has handed to the surface, and of block
    // copies (scrolls), for measurements; never reset by drawing.
    uint64_t spans = 0;
    uint64_t copies = 0;

    // Drawing work left (negative: owed) once metering has started, the
    // units spent, and the primitives refused for want of work.
    uint8_t WorkMetered = 0;
    int64_t WorkLeft = WORK_AT_LOAD;
    uint64_t WorkSpent = 0;
    uint64_t WorkRefused = 0;
};

extern Raster ras;

// Drawing work (raster/state.cpp). work_earn: one byte from outside has
// arrived. work_spend: false, spending nothing, when no work is left (the
// caller then draws nothing); else the units are spent, perhaps into debt.
// work_charge spends without asking, for what a granted primitive draws.
void work_start();
inline void work_earn() {
    if (!ras.WorkMetered) work_start();
    // Saved up to WORK_SAVED (a balance above it, which only a test's hand
    // can make, is left alone).
    if (ras.WorkLeft < WORK_SAVED)
        ras.WorkLeft =
            ras.WorkLeft + WORK_PER_BYTE < WORK_SAVED ? ras.WorkLeft + WORK_PER_BYTE : WORK_SAVED;
}
bool work_spend(int64_t units);
void work_charge(int64_t units);
inline bool work_exhausted() { return ras.WorkMetered && ras.WorkLeft <= 0; }

// Scan-line writer.
void set_DRAW_y_order(int order);
void set_VRAM_y(int32_t y);
void inc_VRAM_y();
void set_color(int colour);
void g_charger_on();
void g_charger_off();

// Line rasteriser (window-relative pixels, pel of any sign and size).
void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t pelx, int32_t pely, int c1,
          int c2, int texture);

// Entry points in unit-screen pixels (OriginX/OriginY are added here).
void drawline(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void drawrect(int32_t x, int32_t y, int32_t w, int32_t h);
void drawrectO(int32_t x, int32_t y, int32_t w, int32_t h, int c1, int c2, int texture);
void drawpel(int32_t x, int32_t y);
void drawabspel(int32_t x, int32_t y, int32_t w, int32_t h, int colour);

// Filled rectangle and polygon (vertices in the interpreter's vertex store).
void drawrectfill(int32_t x, int32_t y, int32_t w, int32_t h);
void drawpolyfill(int32_t *list, int n);

// Output of the scan-line writer to the surface (raster/span.cpp). dot_p,
// dot_t, NXG_set_clp and NXG_copy_rect take bottom-up pixels; draw, fill and
// dot_draw_t window rows.
// A pel rectangle in DRAW_COLOR_fg: lower-left corner (x1, y1), x2 columns
// and y2 + 1 rows (either size signed).
void dot_p(int x1, int y1, int x2, int y2);
// The same rectangle in the texture in force, row by row.
void dot_t(int x1, int y1, int x2, int y2);
// A solid span xt..xb (either order) on row VRAM_y in NXG_cur_pal, then the
// writer steps to its next row.
int draw(int xt, int xb);
// A span xt..xb on row VRAM_y in the texture in force.
void fill(int xt, int xb);
// Rows y1..y2, columns x1..x2 patterned from the prepared row at byte
// offset texY: set bits in DRAW_COLOR_fg, clear ones in DRAW_COLOR_bg
// unless it is transparent (-1).
void dot_draw_t(int x1, int y1, int x2, int y2, int texY);
// Clip a span (end points, either order; rows ys..ye) or a rectangle
// (origin x, width, origin y, height) to the surface. 0 and the clipped
// values when something is left; -1 when nothing is (wholly outside, width
// 0) or when the span went to a texture definition instead.
int draw_check(int *xs, int *xe, int *ys, int *ye);
int dot_check(int *xs, int *xe, int *ys, int *ye);
// The clip rectangle from inclusive bottom-up corners.
void NXG_set_clp(int x1, int y1, int x2, int y2);
// Moves the block of inclusive bottom-up corners (x1, y1), (x2, y2) so that
// its top-left pixel lands at x dx, bottom-up row dy.
void NXG_copy_rect(int x1, int y1, int x2, int y2, int dx, int dy);

// Stores the colour of a colour index (or, with `cell`, of an image cell's
// pixel byte) on the current surface, paying for the repaint of that
// colour's pixels which a window of read-only colour cells makes. With no
// drawing work left the repaint is left; the next colour stored while there
// is work again first makes (and pays for) the repaints left.
void store_colour(int colour, int r, int g, int b, bool cell = false);

// Marks the definition grid cells of the span TEXTURE_XT..TEXTURE_XB on
// row TEXTURE_Y (called by the span output while TEXTURE_DEF_FLAG is set).
void def_texture();
// Makes code (0-7) the texture in force and prepares its pattern rows, or,
// with no drawing work left, leaves them to texture_rows.
void set_TEXTURE(int code);
// Prepares the pattern rows of the texture in force if set_TEXTURE left them.
void texture_rows();

// Clip rectangle and renderer initialisation.
int Set_Clip(int x1, int y1, int x2, int y2);
int Get_Clip(int *x1, int *y1, int *x2, int *y2);
void ginitialize();

}  // namespace naplps
