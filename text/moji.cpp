// Character drawing: text runs of a code set turned into glyphs of the
// built-in font (or the supplementary and DRCS glyphs), mirrored, rotated,
// scaled to the character size with the diagonal steps filled, drawn with
// underline, opaque background or reverse video, with word wrap and the
// cursor advance after each character.
#include <cstdlib>
#include <cstring>

#include "interp/protocol.h"
#include "text/text.h"
#include "interp/interp.h"
#include "interp/commands.h"
#include "interp/state.h"
#include "nxg/nxg.h"
#include "nxg/nxgfnt.h"
#include "raster/raster.h"
#include "text/state.h"

namespace naplps {

namespace {

// Final bytes of the one-byte kana sets.
constexpr int SET_HIRAGANA = 'A';
constexpr int SET_KATAKANA_C = 'C';
constexpr int SET_KATAKANA_G = 'G';

constexpr int JIS_SPACE = 0x2121;
constexpr int ROW_HIRAGANA = 0x24, ROW_KATAKANA = 0x25;

// Glyphs larger than this many pixels are drawn at this size: beyond it
// nothing of the glyph's shape is visible in any window, and it bounds the
// work of one character.
constexpr int64_t GLYPH_PIXELS_MAX = 16384;

const char BreakChar[] = " !\"$%()[]<>{}^*+-/,.:;=?_~";

// JIS cell of the full-width form of ASCII 0x20 .. 0x7F.
const uint8_t basecode_table[96] = {
    0x21, 0x2A, 0x49, 0x74, 0x70, 0x73, 0x75, 0x47, 0x4A, 0x4B, 0x76, 0x5C, 0x24, 0x5D, 0x25, 0x3F,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x27, 0x28, 0x63, 0x61, 0x64, 0x29,
    0x77, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x4E, 0x6F, 0x4F, 0x30, 0x32,
    0x2E, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x50, 0x43, 0x51, 0x31, 0x21,
};

// JIS cell of one-byte katakana 0x20 .. 0x7F (JIS X 0201 to JIS X 0208).
const uint8_t kanacode_table[96] = {
    0x21, 0x23, 0x56, 0x57, 0x22, 0x26, 0x72, 0x21, 0x23, 0x25, 0x27, 0x29, 0x63, 0x65, 0x67, 0x43,
    0x3C, 0x22, 0x24, 0x26, 0x28, 0x2A, 0x2B, 0x2D, 0x2F, 0x31, 0x33, 0x35, 0x37, 0x39, 0x3B, 0x3D,
    0x3F, 0x41, 0x44, 0x46, 0x48, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0x52, 0x55, 0x58, 0x5B, 0x5E,
    0x5F, 0x60, 0x61, 0x62, 0x64, 0x66, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6F, 0x73, 0x2B, 0x2C,
    0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21,
    0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21,
};

// Proportional spacing margins of ASCII 0x20 .. 0x7F: left in the high
// four bits, right in the low four, in 22nds of the character width.
const uint8_t pro_mgn[96] = {
    0x00, 0x77, 0x18, 0x21, 0x32, 0x11, 0x31, 0x1C, 0x83, 0x38, 0x43, 0x32, 0x1C, 0x32, 0x2A, 0x10,
    0x33, 0x66, 0x32, 0x32, 0x32, 0x42, 0x32, 0x32, 0x32, 0x32, 0x76, 0x76, 0x73, 0x32, 0x37, 0x43,
    0x21, 0x21, 0x32, 0x32, 0x32, 0x33, 0x32, 0x32, 0x32, 0x76, 0x44, 0x32, 0x32, 0x10, 0x21, 0x21,
    0x32, 0x20, 0x31, 0x32, 0x21, 0x21, 0x21, 0x10, 0x21, 0x21, 0x32, 0x93, 0x32, 0x39, 0x54, 0x32,
    0x76, 0x43, 0x43, 0x43, 0x53, 0x43, 0x34, 0x42, 0x42, 0x76, 0x55, 0x42, 0x76, 0x21, 0x42, 0x43,
    0x43, 0x43, 0x54, 0x43, 0x44, 0x33, 0x32, 0x10, 0x32, 0x32, 0x43, 0x83, 0x87, 0x38, 0x20, 0x00,
};

// Index 0 .. 95 of a one-byte code 0x20 .. 0x7F, or -1 for a control code.
int tableIndex(int code) {
    int k = code & 0x7F;
    return k >= 0x20 ? k - 0x20 : -1;
}

bool isBreakChar(int code) {
    int k = code & 0x7F;
    return k != 0 && std::strchr(BreakChar, k) != nullptr;
}

int64_t abs64(int32_t v) { return v < 0 ? -int64_t(v) : int64_t(v); }

uint8_t *glyph() { return txt.CharFont + 2; }

int glyphRow(int r) { return txt.CharFont[2 + 2 * r] << 8 | txt.CharFont[3 + 2 * r]; }

// The glyph in hand as 16 rows of 16 dots (bit 15 leftmost), and back.
void unpack(uint16_t rows[16]) {
    for (int r = 0; r < 16; r++) rows[r] = uint16_t(glyphRow(r));
}
void pack(const uint16_t rows[16]) {
    for (int r = 0; r < 16; r++) {
        txt.CharFont[2 + 2 * r] = uint8_t(rows[r] >> 8);
        txt.CharFont[3 + 2 * r] = uint8_t(rows[r]);
    }
}
bool dotAt(const uint16_t rows[16], int x, int y) { return (rows[y] >> (15 - x)) & 1; }

// Loads 32 glyph bytes (or a blank glyph) between the zero rows.
void loadGlyph(const uint8_t *src) {
    std::memset(txt.CharFont, 0, sizeof txt.CharFont);
    if (src != nullptr) std::memcpy(glyph(), src, uf_fsize1);
}

// A rectangle in the text colour in force: x, y bottom-up pixels of the
// window (OriginX/OriginY included), w columns, h + 1 rows.
void rect(int64_t x, int64_t y, int64_t w, int64_t h) {
    dot_p(sat32(x), sat32(y), sat32(w), sat32(h));
}

// Steps of an error accumulator: how many pixels it advances before the
// next glyph row or column, leaving the rest in acc (acc > 15 steps).
int64_t accSteps(int64_t &acc) {
    if (acc <= 15) return 0;
    int64_t k = acc / 16;
    acc -= 16 * k;
    return k;
}

// The diagonal fill beside one glyph dot: blocks at (x + off(k) + dx,
// y - k) (rising) or (x + off(k), y - dh + k) (falling) for k = 1 .. dh-1
// with off(k) > 0. Blocks of equal off(k) lie in one column and are drawn
// as one taller block.
void diagonal(int64_t x, int64_t y, int64_t dw, int64_t dh, bool rising) {
    auto off = [&](int64_t k) { return (k * dw + dh / 2) / dh; };
    int64_t k = 1;
    while (k <= dh - 1) {
        int64_t o = off(k), k2 = k;
        while (k2 + 1 <= dh - 1 && off(k2 + 1) == o) k2++;
        if (o > 0) {
            if (rising)
                rect(x - dw + o, y - k2, dw, dh + (k2 - k));
            else
                rect(x + o, y - dh + k, dw, dh + (k2 - k));
        }
        k = k2 + 1;
    }
}

// Normal video: every set dot a block, plus the diagonal fill.
void drawGlyphNormal(int64_t x0, int64_t y, int64_t W, int64_t H) {
    int64_t dw = (W - 1 + 15) / 16, dh = (H - 1 + 15) / 16;
    if (dw < 1) dw = 1;
    if (dh < 1) dh = 1;
    int64_t ay = H - 1;
    for (int r = 0; r < 16; r++) {
        y -= accSteps(ay);
        ay += H - 1;
        unsigned cur = unsigned(glyphRow(r));
        unsigned next = r < 15 ? unsigned(glyphRow(r + 1)) : 0;
        // Dots whose left (right) neighbour is set in this row while the
        // dot itself and not its neighbour is set in the next: a diagonal
        // step to smooth.
        unsigned stepL = ~cur & (cur >> 1) & next & ~(next >> 1);
        unsigned stepR = ~cur & (cur << 1) & next & ~(next << 1);
        int64_t x = x0, ax = W - 1;
        // Set dots next to each other are one block: a dot's column step is
        // never wider than the block, so the run's blocks leave no gap.
        int64_t runStart = 0;
        bool inRun = false;
        for (int c = 0; c < 16; c++) {
            x += accSteps(ax);
            ax += W - 1;
            unsigned m = 0x8000u >> c;
            if ((cur & m) && !inRun) runStart = x, inRun = true;
            bool runEnds = inRun && (c == 15 || !(cur & (m >> 1)));
            if (runEnds) {
                rect(ras.pen.OriginX + runStart, ras.pen.OriginY + y, x - runStart + dw, dh);
                inRun = false;
            }
            if (dw >= 2 && dh >= 2) {
                if (stepL & m) diagonal(ras.pen.OriginX + x, ras.pen.OriginY + y, dw, dh, true);
                if (stepR & m) diagonal(ras.pen.OriginX + x, ras.pen.OriginY + y, dw, dh, false);
            }
        }
    }
}

// Reverse video: the pixels the glyph leaves empty in the text colour.
// Glyph rows and columns that give no pixel step merge into the next ones.
// Each block covers exactly the dh pixel rows of its glyph rows (rect adds
// a row of its own, which would cover the row above and hide its dots).
void drawGlyphReverse(int64_t x0, int64_t y, int64_t W, int64_t H) {
    int64_t ay = H - 1;
    unsigned rowDots = 0;
    for (int r = 0; r < 16; r++) {
        int64_t dh = accSteps(ay);
        y -= dh;
        ay += H - 1;
        rowDots |= unsigned(glyphRow(r));
        if (ras.pen.ColorMod == 2 && dh > 0) {
            ras.DRAW_COLOR_fg = ras.pen.BakColor;
            rect(ras.pen.OriginX + x0, ras.pen.OriginY + y, W - 1, dh - 1);
            ras.DRAW_COLOR_fg = ras.pen.ForColor;
        }
        int64_t x = x0, ax = W - 1;
        unsigned colDots = 0;
        for (int c = 0; c < 16; c++) {
            int64_t dw = accSteps(ax);
            x += dw;
            ax += W - 1;
            colDots |= 0x8000u >> c;
            if ((rowDots & colDots) == 0 && dw > 0 && dh > 0)
                rect(ras.pen.OriginX + x - dw, ras.pen.OriginY + y, dw, dh - 1);
            if (dw > 0) colDots = 0;
        }
        if (dh > 0) {
            rect(ras.pen.OriginX + x0 + W - 1, ras.pen.OriginY + y, 1, dh - 1);
            rowDots = 0;
        }
    }
}

void setLastChar(int set, int32_t code) {
    txt.LastCharType = set;
    txt.LastCharCd_a = code & 0xFFFF;
    txt.LastCharCode = txt.CodeHigh * 256 + txt.CodeLow;
}

// Fetches the glyph of one code of the set into CharFont.
void fetch(int set, int32_t code) {
    switch (set) {
    case SET_KANJI:
    case SET_KANJI_J:  // two-byte JIS: row and cell
        txt.CodeHigh = (code >> 8) & 0x7F;
        txt.CodeLow = code & 0x7F;
        getfont();
        break;
    case SET_PRIMARY: {  // ASCII, as its full-width JIS form
        int jis = hantojis(code);
        txt.CodeHigh = jis >> 8;
        txt.CodeLow = jis & 0xFF;
        getfont();
        break;
    }
    case SET_KATAKANA_C:
    case SET_KATAKANA_G:
    case SET_HIRAGANA: {  // one-byte kana; hiragana from the katakana row
        int jis = knhantojis(code);
        if (set == SET_HIRAGANA && (jis >> 8) == ROW_KATAKANA)
            jis = ROW_HIRAGANA << 8 | (jis & 0xFF);
        txt.CodeHigh = jis >> 8;
        txt.CodeLow = jis & 0xFF;
        getfont();
        break;
    }
    case SET_DRCS:
        txt.CodeHigh = 0;
        txt.CodeLow = code & 0x7F;
        getDRCSfont();
        break;
    case SET_SUPPL:
        txt.CodeHigh = 0;
        txt.CodeLow = code & 0x7F;
        getsupplefont();
        break;
    default:
        // A set without glyphs: the last character's glyph is drawn again,
        // as fetched (REPEAT after a carriage return repeats the character).
        loadGlyph(txt.LastFont);
        return;
    }
    std::memcpy(txt.LastFont, glyph(), sizeof txt.LastFont);
}

// Word wrap: the word starting at data[i] goes to the next line when it is
// longer than the room left on this one.
void wordWrap(const int32_t *data, int n, int i) {
    int room = inq_eol_chars();
    int j = 0;
    while (j < room && i + j <= n && !isBreakChar(data[i + j])) j++;
    if (i + j <= n && j >= room && (data[i + j] & 0x7F) != 0x20) {
        apr();
        apd();
    }
}

}  // namespace

int proMarginLeft(int code) {
    int k = tableIndex(code);
    return k < 0 ? 0 : pro_mgn[k] >> 4;
}

int proMarginRight(int code) {
    int k = tableIndex(code);
    return k < 0 ? 0 : pro_mgn[k] & 0x0F;
}

int hantojis(int code) {
    int k = tableIndex(code);
    if (k < 0) return JIS_SPACE;
    int c = k + 0x20;
    bool alnum = (c >= 0x30 && c <= 0x39) || (c >= 0x41 && c <= 0x5A) || (c >= 0x61 && c <= 0x7A);
    return (alnum ? 0x23 : 0x21) << 8 | basecode_table[k];
}

int knhantojis(int code) {
    int k = tableIndex(code);
    if (k < 0) return JIS_SPACE;
    int c = k + 0x20;
    bool symbol = c <= 0x25 || c == 0x30 || c >= 0x5E;
    return (symbol ? 0x21 : ROW_KATAKANA) << 8 | kanacode_table[k];
}

void getfont() {
    uint8_t buf[uf_fsize1];
    if (uf_get1((txt.CodeHigh & 0xFF) << 8 | (txt.CodeLow & 0xFF), buf) == 0)
        loadGlyph(buf);
    else
        loadGlyph(nullptr);  // no glyph: a blank cell
}

void getDRCSfont() {
    int k = tableIndex(txt.CodeLow);
    loadGlyph(k < 0 ? nullptr : ras.DRCSBuf[k]);
}

void getsupplefont() {
    int k = tableIndex(txt.CodeLow);
    loadGlyph(k < 0 ? nullptr : SuppleBuf + uf_fsize1 * k);
}

void rotatefont() {
    uint16_t src[16], dst[16];
    unpack(src);
    auto transform = [&](auto map) {
        for (int y = 0; y < 16; y++) dst[y] = 0;
        for (int y = 0; y < 16; y++)
            for (int x = 0; x < 16; x++)
                if (dotAt(src, x, y)) {
                    int nx, ny;
                    map(x, y, nx, ny);
                    dst[ny] |= uint16_t(0x8000u >> nx);
                }
        std::memcpy(src, dst, sizeof src);
    };
    if (ras.pen.PhyCharX < 0)
        transform([](int x, int y, int &nx, int &ny) {
            nx = 15 - x;
            ny = y;
        });
    if (ras.pen.PhyCharY < 0)
        transform([](int x, int y, int &nx, int &ny) {
            nx = x;
            ny = 15 - y;
        });
    switch (txt.Rotate) {
    case 1:  // a quarter turn counter-clockwise
        transform([](int x, int y, int &nx, int &ny) {
            nx = y;
            ny = 15 - x;
        });
        break;
    case 2:  // a half turn
        transform([](int x, int y, int &nx, int &ny) {
            nx = 15 - x;
            ny = 15 - y;
        });
        break;
    case 3:  // a quarter turn clockwise
        transform([](int x, int y, int &nx, int &ny) {
            nx = 15 - y;
            ny = x;
        });
        break;
    default: break;
    }
    pack(src);
}

void drawfont(int set) {
    // Proportional spacing pulls the character left by its left margin.
    const int32_t startX = ip.LogCursX;
    const bool proportional = txt.LastCharType == SET_PRIMARY && txt.InterChar == 3 &&
                              (txt.Rotate == 0 || txt.Rotate == 2);
    if (proportional)
        ip.LogCursX =
            sat32(ip.LogCursX - proMarginLeft(txt.LastCharCd_a) * int64_t(ip.LogCharX) / 22);

    int64_t PX = abs64(ras.pen.PhyCharX), PY = abs64(ras.pen.PhyCharY);
    int32_t LX = sat32(abs64(ip.LogCharX)), LY = sat32(abs64(ip.LogCharY));
    int64_t G = PY * 80 / 100;  // the glyph fills 80 % of the cell height
    int32_t cx = ip.LogCursX, cy = ip.LogCursY;

    // Cell box, glyph's left column and top row, glyph extent across and down.
    int64_t bx, by, bw, bh, x0, t, W, H;
    switch (txt.Rotate) {
    case 1:
        bx = x0 = logtophy(addSat(cx, -LY));
        by = logtophy(cy);
        bw = PY;
        bh = PX;
        t = logtophy(addSat(cy, LX));
        W = G;
        H = PX;
        break;
    case 2:
        bx = x0 = logtophy(addSat(cx, -LX));
        by = logtophy(addSat(cy, -LY));
        bw = PX;
        bh = PY;
        t = logtophy(cy);
        W = PX;
        H = G;
        break;
    case 3:
        bx = x0 = logtophy(cx);
        by = logtophy(addSat(cy, -LX));
        bw = PY;
        bh = PX;
        t = logtophy(cy);
        W = G;
        H = PX;
        break;
    default:
        bx = x0 = logtophy(cx);
        by = logtophy(cy);
        bw = PX;
        bh = PY;
        t = logtophy(addSat(cy, LY));
        W = PX;
        H = G;
        break;
    }

    // Opaque background. With proportional spacing upright characters are
    // closer than a cell: the background then spans only from where this
    // character begins to where its advance ends, so that it does not
    // paint over the character before it.
    if (ras.pen.ColorMod == 2 && txt.Reverse != 1) {
        ras.DRAW_COLOR_fg = ras.pen.BakColor;
        if (proportional && txt.Rotate == 0) {
            int64_t advance = LX - proMarginRight(txt.LastCharCd_a) * int64_t(LX) / 22;
            int64_t left = logtophy(startX), right = logtophy(sat32(cx + advance));
            if (right > left) rect(ras.pen.OriginX + left, ras.pen.OriginY + by, right - left, bh);
        } else {
            rect(ras.pen.OriginX + bx, ras.pen.OriginY + by, bw, bh);
        }
    }
    ras.DRAW_COLOR_fg = ras.pen.ColorMod != 0 ? ras.pen.ForColor : ras.pen.ColorNo;

    // Underline along the cursor's edge of the cell, one pel thick.
    if (txt.UnderLine == 1) {
        int64_t X = int64_t(ras.pen.OriginX) + ip.PhyCursX,
                Y = int64_t(ras.pen.OriginY) + ip.PhyCursY;
        int64_t cw = ras.pen.PhyCharX, pel = ras.pen.PhyPelY;
        switch (txt.Rotate) {
        case 1: rect(X - pel, Y, pel, cw); break;
        case 2: rect(X - cw, Y - pel, cw, pel); break;
        case 3: rect(X, Y - cw, pel, cw); break;
        default: rect(X, Y, cw, pel); break;
        }
    }

    // A glyph without extent (a character size of 0 pixels) has no dots;
    // with the drawing work spent, its dots would all be refused. Walking
    // the glyph's 16 x 16 dots is work of its own.
    if (W <= 0 || H <= 0 || !work_spend(WORK_GLYPH)) return;
    if (W > GLYPH_PIXELS_MAX) W = GLYPH_PIXELS_MAX;
    if (H > GLYPH_PIXELS_MAX) H = GLYPH_PIXELS_MAX;
    int64_t y = set == SET_DRCS ? t : t - 1;
    if (txt.Reverse == 1)
        drawGlyphReverse(x0, y, W, H);
    else
        drawGlyphNormal(x0, y, W, H);
}

void setChrFld() {
    int32_t LX = sat32(abs64(ip.LogCharX)), LY = sat32(abs64(ip.LogCharY));
    int32_t nLX = sat32(-int64_t(LX)), nLY = sat32(-int64_t(LY));
    switch (txt.Rotate) {
    case 0: txt.ChrFld_l = 0, txt.ChrFld_r = LX, txt.ChrFld_b = 0, txt.ChrFld_t = LY; break;
    case 1: txt.ChrFld_l = nLY, txt.ChrFld_r = 0, txt.ChrFld_b = 0, txt.ChrFld_t = LX; break;
    case 2: txt.ChrFld_l = nLX, txt.ChrFld_r = 0, txt.ChrFld_b = nLY, txt.ChrFld_t = 0; break;
    case 3: txt.ChrFld_l = 0, txt.ChrFld_r = LY, txt.ChrFld_b = nLX, txt.ChrFld_t = 0; break;
    default: break;
    }
}

int Chk_Fields() {
    int64_t x = ip.LogCursX, y = ip.LogCursY;
    bool xIn = ip.Act_L <= x && x <= ip.Act_R, yIn = ip.Act_B <= y && y <= ip.Act_T;
    if (txt.CharPath == PATH_RIGHT || txt.CharPath == PATH_LEFT) {
        if (ip.Act_L <= x + txt.ChrFld_l && x + txt.ChrFld_r <= ip.Act_R && yIn) return 2;
    } else if (txt.CharPath == PATH_UP || txt.CharPath == PATH_DOWN) {
        if (ip.Act_B <= y + txt.ChrFld_b && y + txt.ChrFld_t <= ip.Act_T && xIn) return 2;
    }
    return xIn && yIn ? 1 : 0;
}

int inq_eol_chars() {
    int64_t x = ip.LogCursX, y = ip.LogCursY;
    int64_t LX = abs64(ip.LogCharX), LY = abs64(ip.LogCharY);
    bool inside = ip.Act_L <= x && x <= ip.Act_R && ip.Act_B <= y && y <= ip.Act_T;
    int64_t room, size;
    switch (txt.CharPath) {
    case PATH_RIGHT: room = (inside ? ip.Act_R : UNIT_WIDTH) - x, size = LX; break;
    case PATH_LEFT: room = x - (inside ? ip.Act_L : 0), size = LX; break;
    case PATH_UP: room = (inside ? ip.Act_T : UNIT_HEIGHT) - y, size = LY; break;
    case PATH_DOWN: room = y - (inside ? ip.Act_B : 0), size = LY; break;
    default: return 0;
    }
    if (size == 0 || room <= 0) return 0;
    return sat32(room / size);
}

void PDI_moji(int set, int32_t *data) {
    txt.Done_auto_apd = AUTO_NONE;
    txt.InField = 0;
    int n = data[0];
    if (n > DATA_MAX_VALUES) n = DATA_MAX_VALUES;
    for (int i = 1; i <= n; i++) {
        fetch(set, data[i]);
        if (txt.LastCharType == SET_PRIMARY && txt.WordWrap == 1 && isBreakChar(txt.LastCharCd_a) &&
            i >= 2)
            wordWrap(data, n, i);
        // Off the field's left edge the character in hand already counts as
        // the last one, so that drawfont's spacing sees it.
        if (ip.LogCursX != ip.Act_L) setLastChar(set, data[i]);
        rotatefont();
        drawfont(set);
        txt.InField = Chk_Fields();
        setLastChar(set, data[i]);
        // The accents of the supplementary set do not advance: the next
        // character is drawn over them.
        if (!(set == SET_SUPPL && (txt.CodeLow & 0x70) == 0x40)) apf();
        nextcursorpoint();
    }
}

}  // namespace naplps
