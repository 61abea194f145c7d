// Disk and segment fill of filled arcs: horizontal spans written with the
// writer's textured `fill`, so the fill pattern in force applies. Like
// lines, the fills are pel-thick: the centre is widened to the pel
// rectangle and the chord's end pels are included, so a filled arc covers
// its own outline drawn with the same pel.
#include "raster/sat.h"
#include "raster/arc.h"
#include "raster/raster.h"

namespace naplps {

namespace {

const ArcState &a = ras.arc;

int64_t min64(int64_t p, int64_t q) { return p < q ? p : q; }
int64_t max64(int64_t p, int64_t q) { return p > q ? p : q; }
int64_t abs64(int64_t v) { return v < 0 ? -v : v; }

// One span on bottom-up row `row`; an empty span is not written.
void span(int64_t row, int64_t left, int64_t right) {
    if (left > right) return;
    set_VRAM_y(sat32(row));
    fill(sat32(left), sat32(right));
}

// The centre widened to the pel: columns xl0..xr0, rows yb0..yt0.
struct PelCentre {
    int64_t xl0, xr0, yb0, yt0;
};

PelCentre pelCentre(int64_t cx, int64_t cy) {
    PelCentre c;
    if (a.pelXcord < 0) {
        c.xl0 = cx + 1 - a.pelXsize;
        c.xr0 = cx;
    } else {
        c.xl0 = cx;
        c.xr0 = cx - 1 + a.pelXsize;
    }
    if (a.pelYcord < 0) {
        c.yb0 = cy + 1 - a.pelYsize;
        c.yt0 = cy;
    } else {
        c.yb0 = cy;
        c.yt0 = cy - 1 + a.pelYsize;
    }
    return c;
}

// The circle stepping: four rows a step, above the widened centre's top row
// and below its bottom row, each with the span of the widened circle.
template <class Emit>
void stepping(const PelCentre &c, int64_t r, Emit emit) {
    int64_t x = r, y = 0, t = r;
    while (x >= y && !work_exhausted()) {
        emit(c.yt0 + y, c.xl0 - x, c.xr0 + x);
        emit(c.yb0 - y, c.xl0 - x, c.xr0 + x);
        emit(c.yt0 + x, c.xl0 - y, c.xr0 + y);
        emit(c.yb0 - x, c.xl0 - y, c.xr0 + y);
        t -= 2 * y + 1;
        y++;
        if (t < 0) {
            x--;
            t += 2 * x;
        }
    }
}

}  // namespace

void Disk(int32_t cx, int32_t cy, int32_t r) {
    set_DRAW_y_order(1);
    const PelCentre c = pelCentre(cx, cy);
    for (int64_t row = c.yb0 + 1; row < c.yt0 && !work_exhausted(); row++)
        span(row, c.xl0 - r, c.xr0 + r);
    stepping(c, r, span);
}

void Bow(int32_t cx, int32_t cy, int32_t r, int32_t x0, int32_t y0, int32_t x2, int32_t y2,
         int32_t dir) {
    set_DRAW_y_order(1);
    const PelCentre c = pelCentre(cx, cy);
    const bool negW = a.pelXcord < 0, negH = a.pelYcord < 0;
    const int64_t PX = a.pelXsize, PY = a.pelYsize;

    if (y2 == y0) {
        // A chord on one row: the segment is everything on the arc's side of
        // it, the chord's own pel rows included.
        int64_t xa = min64(x0, x2), xb = max64(x0, x2);
        const bool above = x2 < x0 ? dir == 1 : dir != 1;
        const bool below = !above;
        if (negW)
            xa += 1 - PX;
        else
            xb += PX - 1;
        const int64_t cb = negH ? y0 + 1 - PY : y0;
        const int64_t ct = negH ? y0 : y0 + PY - 1;
        if ((above && cy < y0) || (below && y0 < cy)) {
            for (int64_t row = cb; row < ct && !work_exhausted(); row++) span(row, xa, xb);
        } else {
            for (int64_t row = c.yb0; row < c.yt0 && !work_exhausted(); row++)
                span(row, c.xl0 - r, c.xr0 + r);
        }
        stepping(c, r, [&](int64_t row, int64_t left, int64_t right) {
            if (above ? row >= y0 : row <= y0) span(row, left, right);
        });
        return;
    }

    // The chord's height range, each end moved to the far side of its pel.
    auto pelEnd = [&](int64_t v) {
        if (cy < v && !negH) return v + PY - 1;
        if (cy >= v && negH) return v + 1 - PY;
        return v;
    };
    const int64_t ch = pelEnd(max64(y0, y2)), cl = pelEnd(min64(y0, y2));

    // Which rows are filled whole (above the chord's upper end, below its
    // lower end) and on which side of the chord the rows of its height range
    // are filled.
    bool above = false, below = false, leftOf = false, rightOf = false;
    int64_t xa, xb;
    if ((x0 < cx && x2 > cx) || (x2 < cx && x0 > cx)) {
        // The ends on both sides of the centre's column.
        xa = min64(x0, x2);
        xb = max64(x0, x2);
        int64_t xh;
        int32_t sense;
        if (y2 < y0) {
            xh = x0;
            sense = dir;
        } else {
            xh = x2;
            sense = -dir;
        }
        if (cx < xh) {
            if (sense == 1)
                above = leftOf = true;
            else
                below = rightOf = true;
        } else {
            if (sense == 1)
                leftOf = below = true;
            else
                rightOf = above = true;
        }
    } else if (x0 <= cx && x2 <= cx) {
        // Both ends at or left of the centre's column.
        const bool p0first = abs64(int64_t(y0) - cy) < abs64(int64_t(y2) - cy);
        xa = p0first ? x0 : x2;
        xb = p0first ? x2 : x0;
        if ((y2 < y0 && dir == 1) || (y0 < y2 && dir == -1))
            leftOf = true;
        else
            above = below = rightOf = true;
    } else {
        // Both ends at or right of the centre's column.
        const bool p0first = abs64(int64_t(y0) - cy) >= abs64(int64_t(y2) - cy);
        xa = p0first ? x0 : x2;
        xb = p0first ? x2 : x0;
        if ((y2 < y0 && dir == -1) || (y0 < y2 && dir == 1))
            rightOf = true;
        else
            above = below = leftOf = true;
    }
    if (negW)
        xa -= PX - 1;
    else
        xb += PX - 1;

    // The chord line through the far corner of the end pel, rounded so that
    // the filled side covers the chord's pels: xc(y) = (y dx + C) div dy.
    const int64_t DX = int64_t(x2) - x0, DY = int64_t(y2) - y0;  // DY is not 0 here
    const bool falling = (DX < 0) != (DY < 0) && DX != 0;
    int64_t X, Y, k;
    if (leftOf) {
        X = negW ? x2 : x2 + PX - 1;
        if (falling) {
            Y = negH ? y2 : y2 + PY - 1;
            k = -1;
        } else {
            Y = negH ? y2 - PY + 1 : y2;
            k = 1;
        }
    } else {
        X = negW ? x2 - PX + 1 : x2;
        if (falling) {
            Y = negH ? y2 - PY + 1 : y2;
            k = 1;
        } else {
            Y = negH ? y2 : y2 + PY - 1;
            k = -1;
        }
    }
    const int64_t C = DY * X - DX * Y + k * (DX / 2) + DY / 2;
    auto xc = [&](int64_t y) { return (y * DX + C) / DY; };

    // The part of a row of the disk (left..right) that the segment covers.
    auto row = [&](int64_t y, int64_t left, int64_t right) {
        if (y > ch) {
            if (above) span(y, left, right);
        } else if (y < cl) {
            if (below) span(y, left, right);
        } else {
            if (leftOf) span(y, left, min64(xc(y), xb));
            if (rightOf) span(y, max64(xc(y), xa), right);
        }
    };

    // The band of the widened centre.
    if ((above && ch <= cy) || (below && cy <= cl)) {
        for (int64_t y = c.yb0; y < c.yt0 && !work_exhausted(); y++) span(y, c.xl0 - r, c.xr0 + r);
    } else if (cl <= cy && cy <= ch) {
        for (int64_t y = max64(c.yb0, cl); y < c.yt0 && y <= ch && !work_exhausted(); y++) {
            if (leftOf) span(y, c.xl0 - r, min64(xc(y), xb));
            if (rightOf) span(y, max64(xc(y), xa), c.xr0 + r);
        }
    } else {
        // The centre lies beyond the chord on the side that is not filled
        // whole: the chord's end pel rows bound the segment there.
        auto chordRow = [&](int64_t y) {
            if (leftOf) span(y, xa, min64(xc(y), xb));
            if (rightOf) span(y, max64(xc(y), xa), xb);
        };
        if (cy > ch && !above)
            for (int64_t i = 0; i < PY && !work_exhausted(); i++) chordRow(ch + i);
        if (cy < cl && !below)
            for (int64_t i = 0; i < PY && !work_exhausted(); i++) chordRow(cl - i);
    }
    stepping(c, r, row);
}

}  // namespace naplps
