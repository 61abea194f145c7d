// The text cursor: C0 controls, character steps along the path and line
// steps across it, with wrapping at the edge of the active field (or of the
// unit screen when the cursor is outside the field) and scrolling.
#include "interp/protocol.h"
#include "text/text.h"
#include "interp/interp.h"
#include "interp/control.h"
#include "interp/state.h"
#include "text/state.h"
#include "raster/raster.h"

namespace naplps {

namespace {

// One axis of the cursor with the field edges, the unit screen's extent and
// the character field's extents on it.
struct Axis {
    int32_t *log, *phy;
    int32_t lo, hi;             // field edges
    int32_t screen;             // unit screen: 0 .. screen
    int32_t fldLo, fldHi;       // character field relative to the cursor
    int scrollFwd, scrollBack;  // scroll directions for a line step past hi / lo
};

Axis xAxis() {
    return {&ip.LogCursX, &ip.PhyCursX, ip.Act_L,    ip.Act_R,    UNIT_WIDTH,
            txt.ChrFld_l, txt.ChrFld_r, SCROLL_LEFT, SCROLL_RIGHT};
}

Axis yAxis() {
    return {&ip.LogCursY, &ip.PhyCursY, ip.Act_B,    ip.Act_T, UNIT_HEIGHT,
            txt.ChrFld_b, txt.ChrFld_t, SCROLL_DOWN, SCROLL_UP};
}

void setPos(const Axis &a, int64_t v) {
    *a.log = sat32(v);
    *a.phy = logtophy(*a.log);
}

// Would a step forward (towards hi) leave the field or the screen?
bool overHi(const Axis &a, int32_t step) {
    int64_t p = *a.log;
    switch (txt.InField) {
    case 2: return p + a.fldHi + step > a.hi;
    case 1: return p + step > a.hi;
    default: return p + a.fldHi + step > a.screen;
    }
}

// Would a step backward (towards lo) leave the field or the screen?
bool overLo(const Axis &a, int32_t step) {
    int64_t p = *a.log;
    switch (txt.InField) {
    case 2: return p + a.fldLo + step < a.lo;
    case 1: return p + step < a.lo;
    default: return p + a.fldLo + step < 0;
    }
}

// Where the cursor goes after running off the hi (or lo) edge: the other side.
int64_t wrapFromHi(const Axis &a) {
    return txt.InField == 1 || txt.InField == 2 ? int64_t(a.lo) - a.fldLo : -int64_t(a.fldLo);
}
int64_t wrapFromLo(const Axis &a) {
    return txt.InField == 1 || txt.InField == 2 ? int64_t(a.hi) - a.fldHi
                                                : int64_t(a.screen) - a.fldHi;
}

// A character step: past the edge the cursor wraps and changes line (down
// 1: the next line, 0: the previous one).
void charStep(const Axis &a, int32_t step, bool forward, int down) {
    bool over = forward ? overHi(a, step) : overLo(a, step);
    if (!over) {
        setPos(a, int64_t(*a.log) + step);
        return;
    }
    setPos(a, forward ? wrapFromHi(a) : wrapFromLo(a));
    if (down == 1)
        apd();
    else
        apu();
}

// The field (or the whole drawing area outside it) scrolls by one line
// instead of the cursor moving off its edge.
void scrollLine(int32_t step, int dir) {
    int64_t mag = step < 0 ? -int64_t(step) : int64_t(step);
    int n = logtophy(sat32(mag));
    if (txt.InField == 1 || txt.InField == 2)
        scrollscr(n, dir, logtophy(ip.Act_R), logtophy(ip.Act_B), logtophy(ip.Act_L),
                  logtophy(ip.Act_T));
    else
        scrollscr(n, dir, 0, 0, sat32(int64_t(ip.Scr_Width) - 1), sat32(int64_t(ip.Scr_Hight) - 1));
}

// A line step: past the edge the contents scroll (Scroll on) or the cursor
// wraps to the other side.
void lineStep(const Axis &a, int32_t step, bool forward) {
    bool over = forward ? overHi(a, step) : overLo(a, step);
    if (!over) {
        setPos(a, int64_t(*a.log) + step);
        return;
    }
    if (txt.Scroll == 1) {
        scrollLine(step, forward ? a.scrollFwd : a.scrollBack);
        return;
    }
    setPos(a, forward ? wrapFromHi(a) : wrapFromLo(a));
}

int32_t fieldWidth() { return sat32(int64_t(txt.ChrFld_r) - txt.ChrFld_l); }
int32_t fieldHeight() { return sat32(int64_t(txt.ChrFld_t) - txt.ChrFld_b); }
int32_t neg(int32_t v) { return sat32(-int64_t(v)); }

// A CR or LF right after an automatic line change is swallowed once.
bool swallowAfterWrap() {
    if (txt.Done_auto_apd == AUTO_NONE) return false;
    txt.Done_auto_apd = txt.Done_auto_apd == AUTO_WRAPPED ? AUTO_SWALLOWED : AUTO_NONE;
    return true;
}

}  // namespace

int32_t Cal_InterChar(int32_t s) {
    int64_t v = s;
    switch (txt.InterChar) {
    case 1: return sat32(v + (v >> 2));
    case 2: return sat32(v + (v >> 1));
    case 3:  // proportional: less the right margin of the character just drawn
        if (txt.LastCharType == SET_PRIMARY && (txt.Rotate == 0 || txt.Rotate == 2))
            return sat32(v - proMarginRight(txt.LastCharCd_a) * v / 22);
        return s;
    default: return s;
    }
}

int32_t Cal_InterRow(int32_t s) {
    int64_t v = s;
    switch (txt.InterRow) {
    case 1: return sat32(v + (v >> 2));
    case 2: return sat32(v + (v >> 1));
    case 3: return sat32(2 * v);
    default: return s;
    }
}

void CursPos_right(int32_t step, int down) { charStep(xAxis(), step, true, down); }
void CursPos_left(int32_t step, int down) { charStep(xAxis(), step, false, down); }
void CursPos_up(int32_t step, int down) { charStep(yAxis(), step, true, down); }
void CursPos_down(int32_t step, int down) { charStep(yAxis(), step, false, down); }

void Curs_right(int32_t step) { lineStep(xAxis(), step, true); }
void Curs_left(int32_t step) { lineStep(xAxis(), step, false); }
void Curs_up(int32_t step) { lineStep(yAxis(), step, true); }
void Curs_down(int32_t step) { lineStep(yAxis(), step, false); }

void apf() {
    txt.Done_auto_apd = AUTO_NONE;
    txt.Inapf = 1;
    switch (txt.CharPath) {
    case PATH_RIGHT: CursPos_right(Cal_InterChar(fieldWidth()), 1); break;
    case PATH_LEFT: CursPos_left(Cal_InterChar(neg(fieldWidth())), 1); break;
    case PATH_UP: CursPos_up(Cal_InterChar(fieldHeight()), 1); break;
    case PATH_DOWN: CursPos_down(Cal_InterChar(neg(fieldHeight())), 1); break;
    default: break;
    }
    txt.Inapf = 0;
}

void apb() {
    txt.Done_auto_apd = AUTO_NONE;
    switch (txt.CharPath) {
    case PATH_RIGHT: CursPos_left(Cal_InterChar(neg(fieldWidth())), 0); break;
    case PATH_LEFT: CursPos_right(Cal_InterChar(fieldWidth()), 0); break;
    case PATH_UP: CursPos_down(Cal_InterChar(neg(fieldHeight())), 0); break;
    case PATH_DOWN: CursPos_up(Cal_InterChar(fieldHeight()), 0); break;
    default: break;
    }
}

void apd() {
    if (!swallowAfterWrap()) {
        switch (txt.CharPath) {
        case PATH_RIGHT: Curs_down(Cal_InterRow(neg(fieldHeight()))); break;
        case PATH_LEFT: Curs_up(Cal_InterRow(fieldHeight())); break;
        case PATH_UP: Curs_right(Cal_InterRow(fieldWidth())); break;
        case PATH_DOWN: Curs_left(Cal_InterRow(neg(fieldWidth()))); break;
        default: break;
        }
    }
    if (txt.Inapf == 1) txt.Done_auto_apd = AUTO_WRAPPED;
}

void apu() {
    // The previous line: the opposite of apd's step on every path (for the
    // upward and downward paths too, where a step of apd's sign would move
    // the cursor to the next line instead).
    switch (txt.CharPath) {
    case PATH_RIGHT: Curs_up(Cal_InterRow(fieldHeight())); break;
    case PATH_LEFT: Curs_down(Cal_InterRow(neg(fieldHeight()))); break;
    case PATH_UP: Curs_left(Cal_InterRow(neg(fieldWidth()))); break;
    case PATH_DOWN: Curs_right(Cal_InterRow(fieldWidth())); break;
    default: break;
    }
    if (txt.Inapf == 1) txt.Done_auto_apd = AUTO_WRAPPED;
}

void apr() {
    if (!swallowAfterWrap()) {
        int32_t x = ip.LogCursX, y = ip.LogCursY;
        bool inside = ip.Act_L <= x && x <= ip.Act_R && ip.Act_B <= y && y <= ip.Act_T;
        Axis ax = xAxis(), ay = yAxis();
        switch (txt.CharPath) {
        case PATH_RIGHT: setPos(ax, inside ? ip.Act_L : 0); break;
        case PATH_LEFT: setPos(ax, inside ? ip.Act_R : UNIT_WIDTH); break;
        case PATH_UP: setPos(ay, inside ? ip.Act_B : 0); break;
        case PATH_DOWN: setPos(ay, inside ? ip.Act_T : UNIT_HEIGHT); break;
        default: break;
        }
    }
    txt.LastCharType = 0;  // no proportional pull-back against the last character
}

void aph() {
    txt.Done_auto_apd = AUTO_NONE;
    int64_t h = ip.LogCharY < 0 ? -int64_t(ip.LogCharY) : int64_t(ip.LogCharY);
    setPos(xAxis(), 0);
    setPos(yAxis(), int64_t(UNIT_HEIGHT) - h);
}

void aps(int row, int col) {
    txt.Done_auto_apd = AUTO_NONE;
    int64_t x = int64_t(ip.LogCharX) * col, y = int64_t(ip.LogCharY) * row;
    setPos(xAxis(), x < UNIT_WIDTH ? x : UNIT_WIDTH);
    setPos(yAxis(), y < UNIT_HEIGHT ? y : UNIT_HEIGHT);
}

void cs() {
    aph();
    erasedisplay();
}

void nsr(int row, int col) {
    // The decoder has put back its code sets and operand lengths; domain,
    // text and texture return to their defaults here.
    int32_t rec[DATA_SIZE] = {RESET_VALUES, 1, 0, 0, 1, 0, 0, 1, 0, 0};
    PDI_reset(rec);
    ras.pen.ColorMod = 0;
    ip.DrawValueR = ip.DrawValueG = ip.DrawValueB = 15;
    ras.pen.ColorNo = 7;
    if (row >= 0 && col >= 0) aps(row, col);
}

void nextcursorpoint() {
    if (txt.MovePara != 0 && txt.MovePara != 1) return;
    ip.LogDrawX = ip.LogCursX;
    ip.LogDrawY = ip.LogCursY;
    ip.PhyCursX = logtophy(ip.LogCursX);
    ip.PhyCursY = logtophy(ip.LogCursY);
    ip.PhyDrawX = ip.PhyCursX;
    ip.PhyDrawY = ip.PhyCursY;
}

void PDI_c0(int code, int32_t *data) {
    if (code != C0_LF && code != C0_CR) txt.Done_auto_apd = AUTO_NONE;
    switch (code) {
    case C0_BS: apb(); break;  // backspace
    case C0_HT: apf(); break;  // horizontal tab
    case C0_LF: apd(); break;  // line feed
    case C0_VT: apu(); break;  // vertical tab
    case C0_FF: cs(); break;   // clear screen
    case C0_CR: apr(); break;  // carriage return
    case C0_APS:               // active position set: row, column
        if (data[0] == 2) aps(data[1], data[2]);
        break;
    case C0_APH: aph(); break;  // active position home
    case C0_NSR:                // non-selective reset, with or without a position
        if (data[0] == 2)
            nsr(data[1], data[2]);
        else
            nsr(-1, -1);
        break;
    default: break;  // NUL, BEL, CAN, SUB and the rest: nothing
    }
    nextcursorpoint();
}

}  // namespace naplps
