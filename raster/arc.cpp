// The arc and circle rasteriser. An arc is given by its start, an
// intermediate and its end point; the circle through them is found, its
// sense decided so that the arc passes the intermediate point, and the arc
// is walked one pixel step at a time from the start to the end, each point
// written as a pel rectangle in the line texture. Filled arcs hand the
// circle to the disk and segment fills (disk.cpp).
#include "raster/arc.h"

#include <cstdlib>

#include "raster/sat.h"
#include "raster/fill.h"
#include "raster/raster.h"

namespace naplps {

namespace {

ArcState &a = ras.arc;

// Products of coordinates anywhere in the int32 range need 128 bits.
__extension__ typedef __int128 wide;

// Pel dimensions beyond this are cut to it: far beyond any window, and it
// keeps the pel-row loops of the fills bounded.
constexpr int32_t PEL_LIMIT = 1 << 16;

int64_t abs64(int64_t v) { return v < 0 ? -v : v; }
int64_t max64(int64_t a, int64_t b) { return a > b ? a : b; }

// floor(v / 2).
wide halfDown(wide v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }

bool inRange(wide v) { return v >= -ARC_RANGE - 1 && v <= ARC_RANGE; }

// Writes the pel of a point.
void writePel(int32_t x, int32_t y) {
    dot_p(x + a.pelXcord1, y + a.pelYcord1, a.pelXsize, a.pelYsize);
}

// The anchor of the point is within k pels of the texture's reference.
bool near(int32_t x, int32_t y, int k) {
    return abs64(int64_t(a.oldX) - x) <= int64_t(k) * a.pelXsize &&
           abs64(int64_t(a.oldY) - y) <= int64_t(k) * a.pelYsize;
}

// Steps of octant k (1-8): diagonal (dx1, dy1) and axial (dx2, dy2).
void setSteps(int k) {
    static const int8_t steps[8][4] = {
        {-1, +1, 0, +1}, {-1, +1, -1, 0}, {-1, -1, -1, 0}, {-1, -1, 0, -1},
        {+1, -1, 0, -1}, {+1, -1, +1, 0}, {+1, +1, +1, 0}, {+1, +1, 0, +1},
    };
    const int8_t *s = steps[(k - 1) & 7];
    a.dx1 = s[0];
    a.dy1 = s[1];
    a.dx2 = s[2];
    a.dy2 = s[3];
}

// The walk's point still lies in octant k.
bool inOctant(int k) {
    const int64_t x = a.x1, y = a.y1;
    switch (k) {
    case 1: return y <= x;
    case 2: return x >= 0;
    case 3: return y >= -x;
    case 4: return y >= 0;
    case 5: return x <= y;
    case 6: return x <= 0;
    case 7: return x <= -y;
    default: return y <= 0;
    }
}

// The colours arcoutline and arcfil start (and end) with.
void modeColours() {
    if (ras.pen.ColorMod != 0)
        SetColor(ras.pen.ForColor, ras.pen.BakColor, ras.pen.ColorMod);
    else
        SetColor(ras.pen.ColorNo, 0, 0);
}

// An arc whose circle is out of range (or has no centre) is drawn along
// its two chords P0-P1 and P1-P2: outlined as two lines in the arc's
// texture, filled as the triangle.
void chords(const int32_t xs[3], const int32_t ys[3]) {
    if (a.Filled) {
        int32_t pts[6] = {xs[0], ys[0], xs[1], ys[1], xs[2], ys[2]};
        polygon_fill(pts, 3, ras.pen.PhyPelX, ras.pen.PhyPelY, ras.DRAW_COLOR_fg,
                     ras.DRAW_COLOR_bg);
        if (ras.pen.HiLight == 0) return;
        SetBGColor();
        a.lineType = 0;
    }
    for (int i = 0; i < 2; i++)
        line(xs[i], ys[i], xs[i + 1], ys[i + 1], ras.pen.PhyPelX, ras.pen.PhyPelY,
             ras.DRAW_COLOR_fg, ras.DRAW_COLOR_bg, a.lineType);
}

// Fill (disk or segment) and outline of a circle that is in range.
void render(int32_t cx, int32_t cy, int32_t r, int32_t x0, int32_t y0, int32_t x2, int32_t y2,
            int32_t dir, bool whole) {
    if (a.Filled) {
        if (whole)
            Disk(cx, cy, r);
        else
            Bow(cx, cy, r, x0, y0, x2, y2, dir);
        // The highlight outline is in the background colour in every mode.
        if (ras.pen.HiLight != 0) {
            SetBGColor();
            a.lineType = 0;
            Cir(cx, cy, r, x0, y0, x2, y2, dir);
        }
        return;
    }
    if (ras.pen.ColorMod == 2 && a.lineType != 0) {
        // The whole arc solid in the background colour, then the textured
        // arc over it, so that its gaps show the background.
        const int32_t type = a.lineType;
        SetBGColor();
        a.lineType = 0;
        Cir(cx, cy, r, x0, y0, x2, y2, dir);
        SetFGColor();
        a.lineType = type;
    }
    Cir(cx, cy, r, x0, y0, x2, y2, dir);
}

void arcStart(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool filled) {
    const int32_t xs[3] = {addSat(x0, ras.pen.OriginX), addSat(x1, ras.pen.OriginX),
                           addSat(x2, ras.pen.OriginX)};
    const int32_t ys[3] = {addSat(y0, ras.pen.OriginY), addSat(y1, ras.pen.OriginY),
                           addSat(y2, ras.pen.OriginY)};
    SetPelSize(ras.pen.PhyPelX, ras.pen.PhyPelY);
    a.pelXyes = ras.pen.LogPelX != 0;
    a.pelYyes = ras.pen.LogPelY != 0;
    modeColours();
    a.Filled = filled ? 1 : 0;
    a.lineType = 0;
    // A pel that is zero along either axis makes the outline solid.
    if (!filled && a.pelXyes && a.pelYyes && ras.pen.LineTexture >= 0 && ras.pen.LineTexture <= 3)
        a.lineType = ras.pen.LineTexture;
    Arc(xs, ys);
    modeColours();
}

}  // namespace

void arcoutline(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    arcStart(x0, y0, x1, y1, x2, y2, false);
}

void arcfil(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    arcStart(x0, y0, x1, y1, x2, y2, true);
}

void SetColor(int32_t fg, int32_t bg, int32_t mode) {
    ras.DRAW_COLOR_fg = fg;
    ras.DRAW_COLOR_bg = mode == 2 ? bg : -1;
}

void SetFGColor() { SetColor(ras.pen.ForColor, ras.pen.BakColor, ras.pen.ColorMod); }
void SetBGColor() { SetColor(ras.pen.BakColor, ras.pen.ForColor, ras.pen.ColorMod); }

void SetPelSize(int32_t px, int32_t py) {
    // A pel of no size (before any DOMAIN) is taken as one pixel, as lines
    // take it; sizes beyond PEL_LIMIT are cut.
    auto one = [](int32_t p, int32_t *cord, int32_t *cord1, int32_t *size) {
        if (p == 0) p = 1;
        if (p > PEL_LIMIT) p = PEL_LIMIT;
        if (p < -PEL_LIMIT) p = -PEL_LIMIT;
        if (p >= 0) {
            *cord = 0;
            *cord1 = 0;
            *size = p;
        } else {
            *cord = p;
            *cord1 = p + 1;
            *size = -p;
        }
    };
    one(px, &a.pelXcord, &a.pelXcord1, &a.pelXsize);
    one(py, &a.pelYcord, &a.pelYcord1, &a.pelYsize);
}

void Arc(const int32_t xs[3], const int32_t ys[3]) {
    if (xs[2] == xs[0] && ys[2] == ys[0]) {
        // The whole circle on the diameter P0-P1.
        const int64_t cx = (int64_t(xs[0]) + xs[1] + 1) / 2;
        const int64_t cy = (int64_t(ys[0]) + ys[1] + 1) / 2;
        const int64_t dx = xs[0] - cx, dy = ys[0] - cy;
        // A circle beyond the walkable range has no pixel near the picture
        // worth walking a quarter million steps for: it is not drawn.
        if (!inRange(cx) || !inRange(cy) || abs64(dx) > ARC_RANGE || abs64(dy) > ARC_RANGE) return;
        const int64_t r = distance(dx, dy);
        if (r > ARC_RANGE) return;
        render(int32_t(cx), int32_t(cy), int32_t(r), xs[0], ys[0], xs[0], ys[0], 1, true);
        return;
    }
    int32_t centre[2] = {0, 0};
    int32_t r = -1;
    CalcOR(xs, ys, centre, &r);
    if (r < 0) {
        chords(xs, ys);
        return;
    }
    const int64_t cx = centre[0], cy = centre[1];
    // The sense: counter-clockwise when, seen from the centre, the points
    // come in the order P0, P1, P2. A half-turn (every side inverted) keeps
    // the sense and leaves at most one point left of the centre.
    int s[3];
    int64_t dy[3];
    for (int i = 0; i < 3; i++) {
        s[i] = xs[i] < cx ? 1 : 0;
        dy[i] = ys[i] - cy;
    }
    if (s[0] + s[1] + s[2] >= 2) {
        for (int i = 0; i < 3; i++) {
            s[i] = !s[i];
            dy[i] = cy - ys[i];
        }
    }
    bool ccw;
    if (s[0])
        ccw = dy[2] > dy[1];
    else if (s[1])
        ccw = dy[2] < dy[0];
    else if (s[2])
        ccw = dy[1] > dy[0];
    else
        ccw = (dy[0] < dy[1] && dy[1] < dy[2]) || (dy[1] < dy[2] && dy[2] < dy[0]) ||
              (dy[2] < dy[0] && dy[0] < dy[1]);
    render(centre[0], centre[1], r, xs[0], ys[0], xs[2], ys[2], ccw ? 1 : -1, false);
}

void CalcOR(const int32_t xs[3], const int32_t ys[3], int32_t centre[2], int32_t *r) {
    const wide x0 = xs[0], y0 = ys[0], x1 = xs[1], y1 = ys[1], x2 = xs[2], y2 = ys[2];
    const wide ax = 2 * (x1 - x0), ay = 2 * (y1 - y0);
    const wide bx = 2 * (x2 - x0), by = 2 * (y2 - y0);
    const wide f = x1 * x1 - x0 * x0 + y1 * y1 - y0 * y0;
    const wide g = x2 * x2 - x0 * x0 + y2 * y2 - y0 * y0;
    const wide det = ax * by - ay * bx;
    if (det == 0) {
        *r = -1;
        return;
    }
    // Twice the centre, then halved with rounding (half up for positive
    // values, towards minus infinity for negative ones).
    wide q = 2 * (f * by - g * ay) / det;
    const wide cx = q >= 0 ? halfDown(q + 1) : halfDown(q - 1);
    q = 2 * (g * ax - f * bx) / det;
    const wide cy = q >= 0 ? halfDown(q + 1) : halfDown(q - 1);
    if (!inRange(cx) || !inRange(cy)) {
        *r = -2;
        return;
    }
    centre[0] = int32_t(cx);
    centre[1] = int32_t(cy);
    const int64_t dx = int64_t(cx - x0), dy = int64_t(cy - y0);
    if (abs64(dx) > ARC_RANGE || abs64(dy) > ARC_RANGE) {
        *r = -2;
        return;
    }
    const int64_t len = distance(dx, dy);
    *r = len > ARC_RANGE ? -2 : int32_t(len);
}

int64_t nsqrt(int64_t n) {
    if (n <= 0) return 0;
    // Newton's iteration on integers; it settles on floor(sqrt(n)) or
    // alternates between it and the value above, which the second test
    // catches. (n + 1) / 2 is written so that it cannot overflow.
    int64_t prev = 1, cur = n / 2 + (n & 1);
    for (int i = 0; i < 100; i++) {
        if (cur == prev || cur == n / prev) break;
        prev = cur;
        cur = (n / cur + cur) / 2;
    }
    // Guard the result whatever the iteration ended on.
    while (cur > 0 && wide(cur) * cur > n) cur--;
    while (wide(cur + 1) * (cur + 1) <= n) cur++;
    return cur;
}

int64_t distance(int64_t dx, int64_t dy) {
    // Callers pass differences of in-range coordinates; anything larger is
    // cut so that the squares cannot overflow.
    const int64_t lim = int64_t(1) << 30;
    if (dx > lim) dx = lim;
    if (dx < -lim) dx = -lim;
    if (dy > lim) dy = lim;
    if (dy < -lim) dy = -lim;
    return nsqrt(dx * dx + dy * dy);
}

int set_s(int32_t x, int32_t y) {
    if (x >= 0 && y > 0) return y > x ? 2 : 1;
    if (x < 0 && y >= 0) return y < -int64_t(x) ? 4 : 3;
    if (x <= 0 && y < 0) return -int64_t(x) < -int64_t(y) ? 6 : 5;
    if (x > 0 && y <= 0) return x > -int64_t(y) ? 8 : 7;
    return 0;  // the centre itself
}

bool greater(int64_t ax, int64_t ay, int64_t bx, int64_t by) {
    return wide(ay) * bx > wide(ax) * by;
}

void put_inc() {
    PelWrite(a.ox + a.x1, a.direction ? a.oy + a.y1 : a.oy - a.y1);
    const int64_t x = a.x1, y = a.y1, d = a.d;
    const int64_t e1 = d + 2 * (x * a.dx1 + y * a.dy1) + 2;  // diagonal step
    const int64_t e2 = d + 2 * (x * a.dx2 + y * a.dy2) + 1;  // axial step
    if (abs64(e2) < abs64(e1)) {
        a.d = sat32(e2);
        a.x1 += a.dx2;
        a.y1 += a.dy2;
    } else {
        a.d = sat32(e1);
        a.x1 += a.dx1;
        a.y1 += a.dy1;
    }
}

void Cir(int32_t cx, int32_t cy, int32_t, int32_t sx, int32_t sy, int32_t ex, int32_t ey,
         int32_t dir) {
    a.ox = cx;
    a.oy = cy;
    a.x1 = sat32(int64_t(sx) - cx);
    a.x2 = sat32(int64_t(ex) - cx);
    a.direction = dir == 1 ? 1 : 0;
    // The walk always turns counter-clockwise in its own frame; a clockwise
    // arc is walked mirrored in y and written back mirrored.
    if (a.direction) {
        a.y1 = sat32(int64_t(sy) - cy);
        a.y2 = sat32(int64_t(ey) - cy);
    } else {
        a.y1 = sat32(int64_t(cy) - sy);
        a.y2 = sat32(int64_t(cy) - ey);
    }
    const int s = set_s(a.x1, a.y1);
    int e = set_s(a.x2, a.y2);
    if (e < s) e += 8;
    // The end behind the start within one octant: a full turn.
    if (e == s && !greater(a.x2, a.y2, a.x1, a.y1)) e += 8;
    a.d = 0;
    a.oldX = sx;
    a.oldY = sy;
    if (s >= 1 && s <= 8) {
        // A full turn takes fewer than 9 octants of at most (radius + 1)
        // steps each; the budget stops a walk that could not end otherwise.
        int64_t budget = 16 * (max64(abs64(a.x1), abs64(a.y1)) + 2);
        int k = s;
        for (int octants = 0; octants < 17; octants++) {
            setSteps(k);
            if (k == e) break;
            while (inOctant(k) && budget-- > 0 && !work_exhausted()) put_inc();
            if (++k > 8) {
                k = 1;
                e -= 8;
            }
        }
        while (greater(a.x2, a.y2, a.x1, a.y1) && budget-- > 0 && !work_exhausted()) put_inc();
    }
    writePel(a.oldX, a.oldY);
}

void PelWrite(int32_t x, int32_t y) {
    const int32_t ax = x + a.pelXcord1, ay = y + a.pelYcord1;
    switch (a.lineType) {
    case 1:  // dotted: a pel two pels away from the last one
        if (!near(x, y, 2)) {
            writePel(x, y);
            a.oldX = ax;
            a.oldY = ay;
        }
        break;
    case 2:  // dashed
    case 3:  // dot-dashed
        if (a.dotMode == 0) {
            // In a dash: pels within two pels of its start.
            if (near(x, y, 2)) {
                writePel(x, y);
                a.lastX = ax;
                a.lastY = ay;
            } else {
                a.oldX = a.lastX;
                a.oldY = a.lastY;
                a.dotMode = 1;
            }
        } else if (a.lineType == 2) {
            // The gap after a dash: four pels.
            if (!near(x, y, 4)) {
                writePel(x, y);
                a.oldX = ax;
                a.oldY = ay;
                a.dotMode = 0;
            }
        } else if (!near(x, y, 2)) {
            // Dot-dashed: the dot two pels after the dash, a new dash two
            // pels after the dot.
            writePel(x, y);
            a.oldX = ax;
            a.oldY = ay;
            a.dotMode = a.dotMode == 1 ? 2 : 0;
        }
        break;
    default:  // solid
        writePel(x, y);
        break;
    }
}

}  // namespace naplps
