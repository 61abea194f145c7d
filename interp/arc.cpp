// The arc instructions: the points are converted to pixels, the degenerate
// cases (a whole circle, three points on one line, too many values) are
// picked out, and the rest goes to the arc rasteriser.
#include "interp/arc.h"

#include "interp/protocol.h"
#include "interp/commands.h"
#include "interp/state.h"
#include "raster/arc.h"
#include "raster/raster.h"

namespace naplps {

namespace {

// Number of values in a record, bounded by the record's size.
int count(const int32_t *data) {
    const int32_t n = data[0];
    if (n < 0) return 0;
    return n > DATA_MAX_VALUES ? DATA_MAX_VALUES : n;
}

struct Point {
    int32_t x, y;
};

bool operator==(Point p, Point q) { return p.x == q.x && p.y == q.y; }

// The logical drawing point converted, also stored as the physical one.
Point convertDraw() {
    ip.PhyDrawX = logtophy(ip.LogDrawX);
    ip.PhyDrawY = logtophy(ip.LogDrawY);
    return {ip.PhyDrawX, ip.PhyDrawY};
}

// The drawing point moved by (dx, dy), converted and stored.
Point moveDraw(int32_t dx, int32_t dy) {
    ip.LogDrawX = addSat(ip.LogDrawX, dx);
    ip.LogDrawY = addSat(ip.LogDrawY, dy);
    return convertDraw();
}

// Three points on one line: (x1 - x0)(y2 - y1) = (x2 - x1)(y1 - y0), exact
// for any pixel coordinates.
bool collinear(Point p0, Point p1, Point p2) {
    __extension__ typedef __int128 wide;
    return wide(int64_t(p1.x) - p0.x) * (int64_t(p2.y) - p1.y) ==
           wide(int64_t(p2.x) - p1.x) * (int64_t(p1.y) - p0.y);
}

void arc(Point p0, Point p1, Point p2, bool filled) {
    if (filled)
        arcfil(p0.x, p0.y, p1.x, p1.y, p2.x, p2.y);
    else
        arcoutline(p0.x, p0.y, p1.x, p1.y, p2.x, p2.y);
}

// ARC OUTLINED and ARC FILLED.
void relativeArc(int32_t *data, bool filled) {
    const int n = count(data);
    if (n < 2) {
        PDI_relpoint(data);
    } else if (n < 4) {
        // A whole circle on the diameter from the drawing point to the
        // point d1 away; the drawing point stays.
        const Point p0 = convertDraw();
        const Point p1 = {logtophy(addSat(ip.LogDrawX, data[1])),
                          logtophy(addSat(ip.LogDrawY, data[2]))};
        arc(p0, p1, p0, filled);
    } else if (n < 6) {
        const Point p0 = convertDraw();
        const Point p1 = moveDraw(data[1], data[2]);
        const Point p2 = moveDraw(data[3], data[4]);
        if (p2 == p0) {
            arc(p0, p1, p2, filled);
        } else if (collinear(p0, p1, p2)) {
            if (filled) {
                // The degenerate triangle, three vertices, not closed.
                int32_t *v = ip.idata;
                v[0] = p0.x, v[1] = p0.y, v[2] = p1.x, v[3] = p1.y, v[4] = p2.x, v[5] = p2.y;
                drawpolyfill(v, 3);
            } else {
                drawline(p0.x, p0.y, p1.x, p1.y);
                drawline(p1.x, p1.y, p2.x, p2.y);
            }
        } else {
            arc(p0, p1, p2, filled);
        }
    } else {
        // More values than an arc takes: a relative polyline.
        PDI_relline(data);
    }
    movecursorpoint();
}

// SET & ARC OUTLINED and SET & ARC FILLED.
void absoluteArc(int32_t *data, bool filled) {
    const int n = count(data);
    if (n < 4) {
        PDI_abspoint(data);
    } else if (n < 6) {
        ip.LogDrawX = data[1];
        ip.LogDrawY = data[2];
        const Point p0 = convertDraw();
        const Point p1 = {logtophy(addSat(data[1], data[3])), logtophy(addSat(data[2], data[4]))};
        arc(p0, p1, p0, filled);
    } else if (n < 8) {
        ip.LogDrawX = data[1];
        ip.LogDrawY = data[2];
        const Point p0 = convertDraw();
        const Point p1 = moveDraw(data[3], data[4]);
        const Point p2 = moveDraw(data[5], data[6]);
        if (p2 == p0) {
            arc(p0, p1, p2, filled);
        } else if (collinear(p0, p1, p2)) {
            // Two segments, P0-P1 and P1-P2, as SET & LINE RELATIVE groups;
            // the drawing point ends at P2 either way.
            const int32_t x0 = data[1], y0 = data[2];
            const int32_t dx1 = data[3], dy1 = data[4], dx2 = data[5], dy2 = data[6];
            data[0] = 8;
            data[1] = x0;
            data[2] = y0;
            data[3] = dx1;
            data[4] = dy1;
            data[5] = addSat(x0, dx1);
            data[6] = addSat(y0, dy1);
            data[7] = dx2;
            data[8] = dy2;
            PDI_setrelline(data);
        } else {
            arc(p0, p1, p2, filled);
        }
    } else {
        PDI_relline(data);
    }
    movecursorpoint();
}

}  // namespace

// ARC OUTLINED
void PDI_arcline(int32_t *data) { relativeArc(data, false); }
// ARC FILLED
void PDI_arcfill(int32_t *data) { relativeArc(data, true); }
// SET & ARC OUTLINED
void PDI_setarcline(int32_t *data) { absoluteArc(data, false); }
// SET & ARC FILLED
void PDI_setarcfill(int32_t *data) { absoluteArc(data, true); }

}  // namespace naplps
