// Fill textures: the prepared pattern rows of the texture in force and the
// capture of pattern and DRCS definitions. Patterns are anchored to the unit
// screen's origin, so adjacent fills join seamlessly: a pixel depends only
// on (x - OriginX) modulo the mask width and (y - OriginY) modulo the mask
// height.
#include "raster/texture.h"

#include <cstdlib>
#include <cstring>

#include "raster/sat.h"
#include "nxg/nxg.h"
#include "raster/raster.h"

namespace naplps {

namespace {

Raster &r = ras;

constexpr int GRID_BYTES = TEXTURE_GRID * TEXTURE_GRID;
constexpr int ROW_PIXELS = TEXTURE_ROW_BYTES * 8;

// |v| as a pattern size: at least 1 and at most limit.
int32_t sizeOf(int32_t v, int32_t limit) {
    int64_t a = std::llabs(int64_t(v));
    if (a < 1) return 1;
    return a > limit ? limit : int32_t(a);
}

bool isPattern(int code) { return code >= 4 && code <= 7; }
bool isDrcs(int code) { return code >= 32 && code <= 127; }

// Packs one prepared row from a cell function of the phase 0 .. period - 1:
// pixels left of the origin are clear, then the cells repeat with that
// period from OriginX on.
template <typename Cell>
void packRow(uint8_t *row, int64_t period, Cell cell) {
    std::memset(row, 0, TEXTURE_ROW_BYTES);
    int64_t x0 = ras.pen.OriginX > 0 ? ras.pen.OriginX : 0;
    if (x0 >= ROW_PIXELS || period < 1) return;
    int64_t phase = (x0 - ras.pen.OriginX) % period;
    for (int64_t x = x0; x < ROW_PIXELS; x++) {
        if (cell(phase)) row[x >> 3] |= uint8_t(0x80 >> (x & 7));
        if (++phase == period) phase = 0;
    }
}

// Width and height of the mask now in force for pattern code (4-7).
int32_t maskWidth() { return sizeOf(ras.pen.PhyMaskX, TEXTURE_CELLS); }
int32_t maskHeight() { return sizeOf(ras.pen.PhyMaskY, TEXTURE_SIZE_MAX); }

// Number of prepared rows that the texture of `code` fills.
int preparedRows(int code) {
    if (code == 0 || code == 1 || code == 3) return 1;
    if (!isPattern(code)) return 0;
    return maskHeight() < r.df_msk_y ? maskHeight() : r.df_msk_y;
}

// Prepares the rows of pattern code (4-7) for the mask now in force.
void preparePattern(int code) {
    const uint8_t *g = r.TEXTURE_M[code - 4];
    int32_t mw = maskWidth();
    int32_t mh = maskHeight();
    int32_t sw = r.df_msk_x, sh = r.df_msk_y;
    int rows = mh < sh ? mh : sh;
    // One row of mask cells for each prepared row.
    static_assert(TEXTURE_ROWS >= TEXTURE_GRID, "a prepared row for every grid row");
    uint8_t cells[TEXTURE_GRID][TEXTURE_CELLS];
    for (int d = 0; d < rows; d++) std::memset(cells[d], 0, size_t(mw));
    for (int sr = 0; sr < sh; sr++) {
        // A smaller mask merges stored rows; a larger one stretches them when
        // the rows are drawn.
        int d = mh < sh ? int(int64_t(sr) * mh / sh) : sr;
        int gr = ras.pen.PhyMaskY <= 0 ? sr : sh - 1 - sr;
        uint8_t *buf = cells[d];
        for (int c = 0; c < mw || c < sw; c++) {
            int sc, dc;
            if (mw < sw) {
                sc = c;
                dc = int(int64_t(c) * mw / sw);
            } else {
                dc = c;
                sc = int(int64_t(c) * sw / mw);
            }
            if (ras.pen.PhyMaskX < 0) dc = mw - 1 - dc;
            if (g[gr * TEXTURE_GRID + sc] != 0) buf[dc] = 1;
        }
    }
    for (int d = 0; d < rows; d++) {
        const uint8_t *buf = cells[d];
        packRow(r.TexturePat[d], mw, [buf](int64_t phase) { return buf[phase] != 0; });
    }
}

// Fills the prepared rows of the texture in force.
void prepareRows() {
    int code = r.TEXTURE_CODE;
    if (code == 0) std::memset(r.TexturePat[0], 0xFF, TEXTURE_ROW_BYTES);
    if (code == 1 || code == 3) {
        // Runs of |PhyPelX| pixels, the first one set for a positive pel.
        int64_t run = sizeOf(ras.pen.PhyPelX, TEXTURE_SIZE_MAX);
        bool firstOn = ras.pen.PhyPelX > 0;
        packRow(r.TexturePat[0], 2 * run,
                [run, firstOn](int64_t phase) { return (phase < run) == firstOn; });
    }
    if (isPattern(code)) preparePattern(code);
}

// Drawing work of preparing the rows of `code`: every pixel of every row,
// and for a pattern every cell of the stored mask and of the mask in force.
int64_t prepareCost(int code) {
    int64_t cost = WORK_CALL + int64_t(preparedRows(code)) * ROW_PIXELS;
    if (isPattern(code)) {
        int64_t mw = maskWidth(), sw = r.df_msk_x;
        cost += int64_t(r.df_msk_y) * (mw > sw ? mw : sw) + int64_t(preparedRows(code)) * mw;
    }
    return cost;
}

// Marks the cells of the definition grid under way that pixels lo..hi of
// pixel row yr (relative to the unit screen's origin) fall in.
void markSpan(int64_t yr, int64_t lo, int64_t hi) {
    int64_t w, h;
    bool drcs = isDrcs(r.TEXTURE_DEF_CODE);
    if (drcs) {
        w = sizeOf(r.DRCS_rt_x, INT32_MAX);
        h = sizeOf(r.DRCS_rt_y, INT32_MAX);
    } else if (isPattern(r.TEXTURE_DEF_CODE)) {
        w = sizeOf(r.texture_mask[r.TEXTURE_DEF_CODE - 4][0], TEXTURE_GRID);
        h = sizeOf(r.texture_mask[r.TEXTURE_DEF_CODE - 4][1], TEXTURE_GRID);
    } else {
        return;
    }
    int64_t m = w > h ? w : h;
    int64_t step = ras.pen.Scr_Ratio / m;
    if (step < 1) step = 1;
    int64_t row = yr / step;
    int64_t c0 = lo / step, c1 = hi / step;
    if (drcs) {
        row = row * 16 / h;
        c0 = c0 * 16 / w;
        c1 = c1 * 16 / w;
    }
    if (row < 0 || row >= TEXTURE_GRID) return;
    if (c0 < 0) c0 = 0;
    if (c1 > TEXTURE_GRID - 1) c1 = TEXTURE_GRID - 1;
    for (int64_t c = c0; c <= c1; c++) r.TEXTURE_B[row * TEXTURE_GRID + c] = 1;
}

}  // namespace

void set_TEXTURE(int code) {
    if (code < 0 || code > 7) code = 0;
    if (isPattern(code)) {
        // An undefined pattern is an empty 50 x 50 mask.
        int32_t *mask = r.texture_mask[code - 4];
        if (mask[0] == 0 || mask[1] == 0) {
            mask[0] = mask[1] = TEXTURE_GRID;
            std::memset(r.TEXTURE_M[code - 4], 0, GRID_BYTES);
        }
        r.df_msk_x = sizeOf(mask[0], TEXTURE_GRID);
        r.df_msk_y = sizeOf(mask[1], TEXTURE_GRID);
    }
    // Hatches need a pel in the direction they are cut in.
    bool noX = ras.pen.LogPelX == 0, noY = ras.pen.LogPelY == 0;
    if ((code == 1 || code == 3) && noX) code = 0;
    if ((code == 2 || code == 3) && noY) code = 0;
    r.TEXTURE_CODE = code;

    int32_t size = 1;
    if (code == 2 || code == 3) {
        size = sizeOf(ras.pen.PhyPelY, TEXTURE_SIZE_MAX);
        // A negative pel height swaps the on and off bands.
        r.TEXTURE_y_order = ras.pen.PhyPelY <= 0 ? -1 : 1;
    }
    if (isPattern(code)) {
        size = maskHeight();
        r.TEXTURE_y_order = ras.pen.PhyMaskY <= 0 ? -1 : 1;
    }
    // The rows are prepared now when the stream has the work for it; else
    // nothing is drawn until it has, and the first patterned row drawn
    // prepares them (texture_rows).
    if (work_spend(prepareCost(code))) {
        prepareRows();
        r.TexturePending = 0;
    } else {
        r.TexturePending = 1;
    }

    r.TEXTURE_size = size;
    int32_t stored = r.df_msk_y < 1 ? 1 : r.df_msk_y;
    r.TEXTURE_bottom = TEXTURE_ROW_BYTES * ((size < stored ? size : stored) - 1);
    // The writer's phase follows the new pattern on the row it stands on.
    set_VRAM_y(nxg.NXG_win_hgt - r.VRAM_y);
}

void texture_rows() {
    if (!r.TexturePending) return;
    r.TexturePending = 0;
    work_charge(prepareCost(r.TEXTURE_CODE));
    prepareRows();
}

void start_def_texture(int code) {
    if (r.TEXTURE_DEF_FLAG != 0) return;
    if (!isPattern(code) && !isDrcs(code)) return;
    r.TEXTURE_DEF_FLAG = 1;
    r.TEXTURE_DEF_CODE = code;
    if (isPattern(code)) {
        // The mask is recorded as an absolute size within the grid; a larger
        // mask is scaled down with its proportions kept.
        int64_t w = std::llabs(int64_t(ras.pen.PhyMaskX)),
                h = std::llabs(int64_t(ras.pen.PhyMaskY));
        if (w < 1) w = 1;
        if (h < 1) h = 1;
        int64_t m = w > h ? w : h;
        if (m > TEXTURE_GRID) {
            w = w * TEXTURE_GRID / m;
            h = h * TEXTURE_GRID / m;
            if (w < 1) w = 1;
            if (h < 1) h = 1;
        }
        r.texture_mask[code - 4][0] = int32_t(w);
        r.texture_mask[code - 4][1] = int32_t(h);
    } else {
        r.DRCS_rt_x = ras.pen.PhyCharX;
        r.DRCS_rt_y = ras.pen.PhyCharY;
    }
    std::memset(r.TEXTURE_B, 0, sizeof r.TEXTURE_B);
}

void def_texture() {
    int64_t ratio = ras.pen.Scr_Ratio;
    int64_t yr = int64_t(r.TEXTURE_Y) - ras.pen.OriginY;
    if (yr < 0 || yr >= ratio) return;
    int64_t xt = r.TEXTURE_XT, xb = r.TEXTURE_XB;
    int64_t lo = (xt < xb ? xt : xb) - ras.pen.OriginX;
    int64_t hi = (xt < xb ? xb : xt) - ras.pen.OriginX;
    if (lo < 0) lo = 0;
    if (hi < 0 || lo >= ratio) return;
    if (hi > ratio - 1) hi = ratio - 1;
    markSpan(yr, lo, hi);
}

void end_def_texture() {
    if (r.TEXTURE_DEF_FLAG == 0) return;
    int code = r.TEXTURE_DEF_CODE;
    if (isPattern(code)) std::memcpy(r.TEXTURE_M[code - 4], r.TEXTURE_B, GRID_BYTES);
    if (isDrcs(code)) TEXTURE_B_to_DRCSBuf(r.TEXTURE_B, code);
    r.TEXTURE_DEF_FLAG = 0;
    r.TEXTURE_DEF_CODE = 0;
    // A redefined pattern in force takes effect at once.
    if (r.TEXTURE_CODE == code) set_TEXTURE(code);
}

uint8_t packtobyte(const uint8_t *cells) {
    uint8_t b = 0;
    for (int i = 0; i < 8; i++) b = uint8_t((b << 1) | (cells[i] != 0 ? 1 : 0));
    return b;
}

void TEXTURE_B_to_DRCSBuf(const uint8_t *grid, int code) {
    if (!isDrcs(code)) return;
    uint8_t *glyph = ras.DRCSBuf[code - 32];
    for (int row = 0; row < 16; row++)
        for (int b = 0; b < 2; b++)
            glyph[2 * row + b] = packtobyte(grid + (15 - row) * TEXTURE_GRID + 8 * b);
}

void clear_TEXTURE() {
    std::memset(r.TEXTURE_M, 0, sizeof r.TEXTURE_M);
    ras.Texture_Status = 0;
}

uint8_t *get_adr_TEXTURE() { return &r.TEXTURE_M[0][0]; }

}  // namespace naplps
