// Mosaic characters: the cell divided into 2 x 3 blocks, each on or off by
// one bit of the code, drawn contiguous or separated at the cursor in the
// character size and rotation, with the colour modes and reverse video of
// text.
#include "interp/protocol.h"
#include "text/text.h"
#include "interp/interp.h"
#include "interp/state.h"
#include "raster/raster.h"
#include "text/state.h"

namespace naplps {

namespace {

// Block bits in block order: top left, top right, middle left, middle
// right, bottom left, bottom right of the upright cell.
constexpr int msk[6] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x40};
constexpr int MOSAIC_BIT = 0x20;
constexpr int MOSAIC_FULL = 0x5F;  // all six blocks although bit 0x20 is clear

int64_t abs64(int64_t v) { return v < 0 ? -v : v; }

// Shrinks a block dimension toward zero by a pel size; false when the pel
// is not smaller than the block.
bool shrink(int64_t &v, int32_t pel) {
    int64_t p = abs64(pel);
    if (p >= abs64(v)) return false;
    v += v < 0 ? p : -p;
    return true;
}

bool outsideField(int64_t x, int64_t y) {
    return x < ip.Act_L || x > ip.Act_R || y < ip.Act_B || y > ip.Act_T;
}

}  // namespace

void drawcheck() {
    // A space in word-wrap mode already placed the cursor.
    if (txt.LastCharType == SET_PRIMARY && txt.WordWrap == 1 && txt.LastCharCd_a == 0x20) return;
    int64_t x = ip.LogCursX, y = ip.LogCursY;
    int64_t l = txt.ChrFld_l, r = txt.ChrFld_r, b = txt.ChrFld_b, t = txt.ChrFld_t;
    bool move = false;
    switch (txt.InField) {
    case 2:  // the cell must lie inside the field
        if (txt.CharPath == PATH_RIGHT || txt.CharPath == PATH_LEFT)
            move = x + r > ip.Act_R || x + l < ip.Act_L || y < ip.Act_B || y > ip.Act_T;
        else if (txt.CharPath == PATH_UP || txt.CharPath == PATH_DOWN)
            move = y + t > ip.Act_T || y + b < ip.Act_B || x < ip.Act_L || x > ip.Act_R;
        break;
    case 1:  // the cursor must lie inside the field
        move = outsideField(x, y);
        break;
    default:  // the cell must lie on the unit screen
        move = !(x + r <= UNIT_WIDTH && x + l >= 0 && y + t <= UNIT_HEIGHT && y + b >= 0);
        break;
    }
    if (move) apf();
}

void PDI_mosaic(int32_t *data) {
    drawcheck();

    // Cell (W, H), block size (bw, bh) and block offsets from the cursor,
    // in pixels, by rotation; negative sizes extend left or down.
    int64_t PX = ras.pen.PhyCharX, PY = ras.pen.PhyCharY;
    int64_t aX = abs64(PX), aY = abs64(PY);
    int64_t W, H, bw, bh;
    int64_t xo[6], yo[6];
    int64_t third[6] = {2 * PY / 3, 2 * PY / 3, PY / 3, PY / 3, 0, 0};
    int64_t half[6] = {0, PX / 2, 0, PX / 2, 0, PX / 2};
    switch (txt.Rotate) {
    case 1:
        W = -aY, H = aX, bw = (-aY - 2) / 3, bh = (aX + 1) / 2;
        for (int k = 0; k < 6; k++) xo[k] = -third[k], yo[k] = half[k];
        break;
    case 2:
        W = -aX, H = -aY, bw = (-aX - 1) / 2, bh = (-aY - 2) / 3;
        for (int k = 0; k < 6; k++) xo[k] = -half[k], yo[k] = -third[k];
        break;
    case 3:
        W = aY, H = -aX, bw = (aY + 2) / 3, bh = (-aX - 1) / 2;
        for (int k = 0; k < 6; k++) xo[k] = third[k], yo[k] = -half[k];
        break;
    default:
        W = aX, H = aY, bw = (aX + 1) / 2, bh = (aY + 2) / 3;
        for (int k = 0; k < 6; k++) xo[k] = half[k], yo[k] = third[k];
        break;
    }

    // Separated mosaics: each block loses a pel along the character's own
    // axes, leaving gaps; a pel as large as a block leaves no blocks.
    bool blocks = true;
    if (txt.UnderLine == 1) {
        bool sideways = txt.Rotate == 1 || txt.Rotate == 3;
        blocks = shrink(bw, sideways ? ras.pen.PhyPelY : ras.pen.PhyPelX) &&
                 shrink(bh, sideways ? ras.pen.PhyPelX : ras.pen.PhyPelY);
    }

    int colour;
    if (txt.Reverse != 1)
        colour = ras.pen.ColorMod != 0 ? ras.pen.ForColor : ras.pen.ColorNo;
    else
        colour = ras.pen.ColorMod == 0   ? ras.pen.ColorNo
                 : ras.pen.ColorMod == 2 ? ras.pen.BakColor
                                         : ras.pen.ForColor;
    bool drawClear = ras.pen.ColorMod != 2 && txt.Reverse != 0;

    int n = data[0];
    if (n > DATA_MAX_VALUES) n = DATA_MAX_VALUES;
    for (int i = 1; i <= n; i++) {
        int code = data[i] & 0x7F;
        int64_t x = ip.PhyCursX, y = ip.PhyCursY;
        if (ras.pen.ColorMod == 2)
            drawabspel(sat32(x), sat32(y), sat32(W), sat32(H),
                       txt.Reverse == 1 ? ras.pen.ForColor : ras.pen.BakColor);
        if (blocks && ((code & MOSAIC_BIT) || code == MOSAIC_FULL)) {
            for (int k = 0; k < 6; k++) {
                bool set = (code & msk[k]) != 0;
                if (set != drawClear)
                    drawabspel(sat32(x + xo[k]), sat32(y + yo[k]), sat32(bw), sat32(bh), colour);
            }
        }
        apf();
        nextcursorpoint();
    }
}

}  // namespace naplps
