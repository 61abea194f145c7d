// The geometric PDI instructions: points, lines, set-and-line, rectangles,
// polygons and FIELD, and the cursor following the drawing point. Each
// handler walks the values in groups and stops at the first incomplete one.
#include "interp/commands.h"

#include "interp/protocol.h"
#include "interp/state.h"
#include "raster/raster.h"
#include "text/state.h"

namespace naplps {

namespace {

// Number of values in a record, bounded by the record's size.
int count(const int32_t *data) {
    int32_t n = data[0];
    if (n < 0) return 0;
    return n > DATA_MAX_VALUES ? DATA_MAX_VALUES : n;
}

// The drawing point, logical and physical.
void setDraw(int32_t x, int32_t y) {
    ip.LogDrawX = x;
    ip.LogDrawY = y;
    ip.PhyDrawX = logtophy(x);
    ip.PhyDrawY = logtophy(y);
}

void moveDraw(int32_t dx, int32_t dy) { setDraw(addSat(ip.LogDrawX, dx), addSat(ip.LogDrawY, dy)); }

// Stores the conversion of the logical drawing point as the physical one.
void convertDraw() {
    ip.PhyDrawX = logtophy(ip.LogDrawX);
    ip.PhyDrawY = logtophy(ip.LogDrawY);
}

void points(const int32_t *data, bool relative, bool draw) {
    const int n = count(data);
    for (int i = 1; i + 1 <= n; i += 2) {
        if (relative)
            moveDraw(data[i], data[i + 1]);
        else
            setDraw(data[i], data[i + 1]);
        if (draw) drawpel(ip.PhyDrawX, ip.PhyDrawY);
        movecursorpoint();
    }
}

void lines(const int32_t *data, bool relative) {
    const int n = count(data);
    for (int i = 1; i + 1 <= n; i += 2) {
        convertDraw();
        const int32_t sx = ip.PhyDrawX, sy = ip.PhyDrawY;
        if (relative)
            moveDraw(data[i], data[i + 1]);
        else
            setDraw(data[i], data[i + 1]);
        drawline(sx, sy, ip.PhyDrawX, ip.PhyDrawY);
        movecursorpoint();
    }
}

// RECTANGLE and SET & RECTANGLE: the rectangles follow each other along x.
void rectangles(const int32_t *data, bool set, bool filled) {
    const int n = count(data);
    const int group = set ? 4 : 2;
    for (int i = 1; i + group - 1 <= n; i += group) {
        int32_t cx, cy;
        const int32_t *wh = data + i;
        if (set) {
            cx = logtophy(data[i]);
            cy = logtophy(data[i + 1]);
            ip.LogDrawX = data[i];
            ip.LogDrawY = data[i + 1];
            wh = data + i + 2;
            ip.LogDrawX = addSat(ip.LogDrawX, wh[0]);
            ip.PhyDrawX = logtophy(ip.LogDrawX);  // PhyDrawY is left as it was
        } else {
            convertDraw();
            cx = ip.PhyDrawX;
            cy = ip.PhyDrawY;
            ip.LogDrawX = addSat(ip.LogDrawX, wh[0]);
            ip.PhyDrawX = logtophy(ip.LogDrawX);
        }
        // Width and height convert as sizes of their own.
        const int32_t w = logtophy(wh[0]), h = logtophy(wh[1]);
        if (filled)
            drawrectfill(cx, cy, w, h);
        else
            drawrect(cx, cy, w, h);
        movecursorpoint();
    }
}

// Outline from the first vertex (fx, fy) through the relative pairs of
// data from value `from` on, back to the first vertex.
void polygonOutline(const int32_t *data, int from, int32_t fx, int32_t fy) {
    const int n = count(data);
    int32_t lx = ip.LogDrawX, ly = ip.LogDrawY;
    int32_t px = fx, py = fy;
    for (int i = from; i + 1 <= n; i += 2) {
        lx = addSat(lx, data[i]);
        ly = addSat(ly, data[i + 1]);
        const int32_t vx = logtophy(lx), vy = logtophy(ly);
        drawline(px, py, vx, vy);
        px = vx;
        py = vy;
    }
    drawline(px, py, fx, fy);
}

// Filled polygon: the conversion of the drawing point, the relative pairs
// of data from value `from` on (as many as the vertex store holds) and the
// first vertex again go to the vertex store.
void polygonFill(const int32_t *data, int from) {
    const int n = count(data);
    convertDraw();
    int32_t *v = ip.idata;
    int k = 0;
    v[k++] = ip.PhyDrawX;
    v[k++] = ip.PhyDrawY;
    int32_t lx = ip.LogDrawX, ly = ip.LogDrawY;
    int pairs = 0;
    for (int i = from; i + 1 <= n && pairs < POLY_MAX_PAIRS; i += 2, pairs++) {
        lx = addSat(lx, data[i]);
        ly = addSat(ly, data[i + 1]);
        v[k++] = logtophy(lx);
        v[k++] = logtophy(ly);
    }
    v[k++] = ip.PhyDrawX;
    v[k++] = ip.PhyDrawY;
    drawpolyfill(v, k / 2);
}

// Edges of the field for one axis: lo <= hi, the far edge limited to the
// unit screen. A field lying wholly beyond the limit collapses onto it, so
// that the edges never cross.
void fieldEdges(int32_t origin, int32_t size, int32_t limit, int32_t *lo, int32_t *hi) {
    if (size > 0) {
        *lo = origin;
        *hi = addSat(origin, size);
        if (*hi > limit) *hi = limit;
    } else {
        *lo = addSat(origin, size);
        *hi = origin;
        if (*lo > limit) *lo = limit;
    }
    if (*lo > *hi) *lo = *hi;
}

// A negative size that puts the field wholly outside 0 .. limit on its
// axis (an encoder writes a full width as -1.0) is read as its magnitude.
// True when the size was changed.
bool soundFieldSize(int32_t origin, int32_t *size, int32_t limit) {
    int64_t lo = int64_t(origin) + *size, hi = origin;
    if (*size >= 0 || (hi > 0 && lo < limit)) return false;
    *size = sat32(-int64_t(*size));
    return true;
}

}  // namespace

// POINT SET ABSOLUTE: moves the drawing point.
void PDI_abspoint(int32_t *data) { points(data, false, false); }
// POINT SET RELATIVE
void PDI_relpoint(int32_t *data) { points(data, true, false); }
// POINT ABSOLUTE: moves the drawing point and draws a pel there.
void PDI_abspointset(int32_t *data) { points(data, false, true); }
// POINT RELATIVE
void PDI_relpointset(int32_t *data) { points(data, true, true); }

// LINE ABSOLUTE: a connected polyline from the drawing point.
void PDI_absline(int32_t *data) { lines(data, false); }
// LINE RELATIVE
void PDI_relline(int32_t *data) { lines(data, true); }

// SET & LINE ABSOLUTE: one separate segment per group (x1, y1, x2, y2).
void PDI_setabsline(int32_t *data) {
    const int n = count(data);
    for (int i = 1; i + 3 <= n; i += 4) {
        setDraw(data[i + 2], data[i + 3]);
        drawline(logtophy(data[i]), logtophy(data[i + 1]), ip.PhyDrawX, ip.PhyDrawY);
        movecursorpoint();
    }
}

// SET & LINE RELATIVE: one separate segment per group (x1, y1, dx, dy).
void PDI_setrelline(int32_t *data) {
    const int n = count(data);
    for (int i = 1; i + 3 <= n; i += 4) {
        setDraw(addSat(data[i], data[i + 2]), addSat(data[i + 1], data[i + 3]));
        drawline(logtophy(data[i]), logtophy(data[i + 1]), ip.PhyDrawX, ip.PhyDrawY);
        movecursorpoint();
    }
}

// RECTANGLE OUTLINED
void PDI_rectline(int32_t *data) { rectangles(data, false, false); }
// RECTANGLE FILLED
void PDI_rectfill(int32_t *data) { rectangles(data, false, true); }
// SET & RECTANGLE OUTLINED
void PDI_setrectline(int32_t *data) { rectangles(data, true, false); }
// SET & RECTANGLE FILLED
void PDI_setrectfill(int32_t *data) { rectangles(data, true, true); }

// POLYGON OUTLINED: starts at the stored physical drawing point, which
// neither it nor the cursor leaves.
void PDI_polyline(int32_t *data) { polygonOutline(data, 1, ip.PhyDrawX, ip.PhyDrawY); }

// POLYGON FILLED: the drawing point does not move.
void PDI_polyfill(int32_t *data) { polygonFill(data, 1); }

// SET & POLYGON OUTLINED: the first pair is the absolute first vertex. An
// instruction without it has no first vertex and draws nothing.
void PDI_setpolyline(int32_t *data) {
    if (count(data) < 2) return;
    setDraw(data[1], data[2]);
    polygonOutline(data, 3, ip.PhyDrawX, ip.PhyDrawY);
    movecursorpoint();
}

// SET & POLYGON FILLED
void PDI_setpolyfill(int32_t *data) {
    if (count(data) < 2) return;
    setDraw(data[1], data[2]);
    polygonFill(data, 3);
    movecursorpoint();
}

// FIELD: origin and size of the active field; no values restore the whole
// unit screen.
void PDI_field(int32_t *data) {
    const int n = count(data);
    if (n >= 4) {
        ip.LogActX = data[1];
        ip.LogActY = data[2];
        setDraw(data[1], data[2]);
        ip.LogActWd = data[3];
        ip.LogActHi = data[4];
        ip.PhyActWd = logtophy(ip.LogActWd);
        ip.PhyActHi = logtophy(ip.LogActHi);
    } else if (n >= 2) {
        ip.LogActX = ip.LogDrawX;
        ip.LogActY = ip.LogDrawY;
        convertDraw();
        ip.LogActWd = data[1];
        ip.LogActHi = data[2];
        ip.PhyActWd = logtophy(ip.LogActWd);
        ip.PhyActHi = logtophy(ip.LogActHi);
    } else {
        ip.LogActX = ip.LogActY = 0;
        setDraw(0, 0);
        ip.LogActWd = UNIT_WIDTH;
        ip.LogActHi = UNIT_HEIGHT;
        ip.PhyActWd = ip.PhyActHi = 1023;
    }
    bool resized = soundFieldSize(ip.LogActX, &ip.LogActWd, UNIT_WIDTH);
    resized = soundFieldSize(ip.LogActY, &ip.LogActHi, UNIT_HEIGHT) || resized;
    if (resized) {
        ip.PhyActWd = logtophy(ip.LogActWd);
        ip.PhyActHi = logtophy(ip.LogActHi);
    }
    ip.PhyActX = logtophy(ip.LogActX);
    ip.PhyActY = logtophy(ip.LogActY);
    fieldEdges(ip.LogActX, ip.LogActWd, UNIT_WIDTH, &ip.Act_L, &ip.Act_R);
    fieldEdges(ip.LogActY, ip.LogActHi, UNIT_HEIGHT, &ip.Act_B, &ip.Act_T);
    movecursorpoint();
}

void movecursorpoint() {
    if (txt.MovePara != 0 && txt.MovePara != 2) return;
    ip.LogCursX = ip.LogDrawX;
    ip.LogCursY = ip.LogDrawY;
    convertDraw();
    ip.PhyCursX = ip.PhyDrawX;
    ip.PhyCursY = ip.PhyDrawY;
    txt.InField = Chk_Fields();
}

}  // namespace naplps
