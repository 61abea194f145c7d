// Polygon and rectangle fill. The polygon filler is a scan-line filler whose
// edges are not hairlines but the areas swept by the pel along them, as the
// line rasteriser draws them, so a filled polygon covers its own outline
// drawn with the same pel. Edges are followed upwards in monotone chains
// that start at local minima; the chain elements of each row are paired
// left to right (odd-even rule) and each pair is written as one span with
// the writer's textured `fill`.
#include "raster/fill.h"

#include <cstring>
#include <utility>

#include "raster/sat.h"
#include "raster/raster.h"

namespace naplps {

namespace {

// The filler's working tables: scratch of one fill, set up afresh by every
// fill, so they are no part of a picture's context.
PolyFill pf;

// Vertices are kept within this range, far beyond any window, so that no
// sum overflows and the row loops stay bounded whatever the stream asks for.
constexpr int32_t COORD_LIMIT = 1 << 20;

int32_t clampCoord(int64_t v) {
    if (v > COORD_LIMIT) return COORD_LIMIT;
    if (v < -COORD_LIMIT) return -COORD_LIMIT;
    return int32_t(v);
}

int32_t iabs(int32_t v) { return v < 0 ? -v : v; }
int32_t imin(int32_t a, int32_t b) { return a < b ? a : b; }
int32_t imax(int32_t a, int32_t b) { return a > b ? a : b; }

// One row of a tracker walked forward. Both trackers of an x-major edge
// stop on an error below zero, as the line rasteriser's trackers do: a left
// tracker that also stepped on an error of exactly zero would leave the
// outline's pixel of that row outside the fill.
void stepForward(const PolyEdge &e, int32_t &x, int32_t &r) {
    if (e.kind == 2) {
        do {
            x += e.x_add;
            r += e.dy2;
        } while (r < 0);
        r -= e.dx2;
    } else if (e.kind == 4) {
        r += e.dx2;
        if (r >= 0) {
            x += e.x_add;
            r -= e.dy2;
        }
    }
}

// One row of a tracker walked backwards from the lower end.
void stepBackward(const PolyEdge &e, int32_t &x, int32_t &r) {
    if (e.kind == 2) {
        r += e.dx2;
        while (r - e.dy2 >= -e.dx2) {
            r -= e.dy2;
            x -= e.x_add;
        }
    } else if (e.kind == 4) {
        if (r + e.dy2 < e.dx2) {
            r += e.dy2;
            x -= e.x_add;
        }
        r -= e.dx2;
    }
}

bool exhausted(const PolyEdge &e) { return e.cnt_a == 0 && e.cnt_b == 0; }

// Keeps the span ends within the end pel.
void clampToEnd(PolyEdge &e) {
    if (e.x_add > 0) {
        e.x_a = imin(e.x_a, e.xe_left);
        e.x_b = imin(e.x_b, e.xe_right);
    } else {
        e.x_a = imax(e.x_a, e.xe_left);
        e.x_b = imax(e.x_b, e.xe_right);
    }
}

// Steps an upward edge by one row.
void incrementOne(PolyEdge &e) {
    if (e.y_add < 0 || exhausted(e)) return;
    if (e.cnt_a != 0) {
        e.cnt_a--;
        e.x_a = e.x_start;
    } else {
        stepForward(e, e.x_left, e.r_left);
        e.cnt_b--;
        e.x_a = e.x_left;
    }
    if (e.cnt_c == 0) {
        e.x_b = e.x_right_end;
        e.cnt_d--;
    } else {
        if (e.kind == 2) {
            stepForward(e, e.x_right, e.r_right);
            e.x_b = e.x_right - e.x_add;
        } else {
            e.x_b = e.x_right;
            stepForward(e, e.x_right, e.r_right);
        }
        e.cnt_c--;
    }
    clampToEnd(e);
}

// Steps a downward edge by one row (its walk runs from the lower end up).
void decrementOne(PolyEdge &e) {
    if (e.y_add > 0 || exhausted(e)) return;
    if (e.cnt_b != 0) {
        e.x_a = e.x_left;
        stepBackward(e, e.x_left, e.r_left);
        e.cnt_b--;
    } else {
        e.x_a = e.x_start;
        e.cnt_a--;
    }
    if (e.cnt_d != 0) {
        e.cnt_d--;
        e.x_b = e.x_right_end;
    } else {
        if (e.kind == 2) {
            e.x_b = e.x_right - e.x_add;
            stepBackward(e, e.x_right, e.r_right);
        } else {
            stepBackward(e, e.x_right, e.r_right);
            e.x_b = e.x_right;
        }
        e.cnt_c--;
    }
    clampToEnd(e);
}

// Left and right end of one edge's own span.
void ownEnds(const PolyEdge &e, int32_t *xt, int32_t *xb) {
    if (e.x_add < 0) {
        *xt = e.x_b;
        *xb = e.x_a;
    } else {
        *xt = e.x_a;
        *xb = e.x_b;
    }
}

// The next non-horizontal edge from k in direction dir (cyclic), -1 none.
int findEdge(const PolyEdge *edges, int n, int k, int dir) {
    for (int i = 1; i < n; i++) {
        int j = ((k + dir * i) % n + n) % n;
        if (edges[j].kind != 0) return j;
    }
    return -1;
}

void removeActive(int pos) {
    for (int i = pos; i + 1 < pf.n_active; i++) pf.active[i] = pf.active[i + 1];
    pf.n_active--;
}

void insertActive(int pos, int edge) {
    if (pf.n_active >= FILL_MAX_EDGES) return;
    for (int i = pf.n_active; i > pos; i--) pf.active[i] = pf.active[i - 1];
    pf.active[pos] = edge;
    pf.n_active++;
}

}  // namespace

void line_set_1(int i, int j, int32_t pelx, int32_t pely, PolyEdge *edges, const int32_t *points) {
    PolyEdge &e = edges[i];
    e = PolyEdge{};
    int32_t x1 = points[2 * i], y1 = points[2 * i + 1];
    int32_t x2 = points[2 * j], y2 = points[2 * j + 1];
    if (pelx == 0) pelx = 1;
    if (pely == 0) pely = 1;
    // Re-anchor a pel whose sign disagrees with the direction of travel so
    // that it covers the same pixels.
    int32_t dy = iabs(y2 - y1);
    e.y_add = y2 >= y1 ? 1 : -1;
    if ((pely < 0 ? -1 : 1) != e.y_add) {
        y1 += e.y_add * (1 - iabs(pely));
        y2 += e.y_add * (1 - iabs(pely));
        pely = e.y_add * iabs(pely);
    }
    int32_t dx = iabs(x2 - x1);
    e.x_add = x2 >= x1 ? 1 : -1;
    if ((pelx < 0 ? -1 : 1) != e.x_add) {
        x1 += e.x_add * (1 - iabs(pelx));
        x2 += e.x_add * (1 - iabs(pelx));
        pelx = e.x_add * iabs(pelx);
    }
    e.x_start = x1;
    e.x_right_end = e.xe_right = x2 + pelx - e.x_add;
    e.xe_left = x2;
    if (dy == 0 || dx == 0) {
        e.kind = dy == 0 ? 0 : 1;
        e.cnt_a = e.cnt_d = iabs(pely) + dy;
        e.cnt_b = e.cnt_c = 0;
        e.x_left = x1;
        e.x_right = x2 + pelx - e.x_add;
    } else {
        e.dx2 = 2 * dx;
        e.dy2 = 2 * dy;
        e.kind = e.dx2 < e.dy2 ? 4 : 2;
        e.r_left = e.r_right = e.kind == 4 ? -dy : -dx;
        e.x_left = x1;
        e.x_right = x1 + pelx - e.x_add;
        e.cnt_a = e.cnt_d = iabs(pely);
        e.cnt_b = e.cnt_c = dy;
        if (e.y_add < 0) {
            // A downward edge is walked from its lower end: both trackers
            // start where the edge ends.
            for (int32_t row = 0; row < dy; row++) {
                stepForward(e, e.x_left, e.r_left);
                stepForward(e, e.x_right, e.r_right);
            }
        }
    }
    if (e.y_add > 0) {
        e.x_a = x1;
        e.x_b = e.x_right;
        e.y_start = y1;
    } else {
        e.x_a = e.x_left;
        e.x_b = e.x_right_end;
        e.y_start = y2 + pely + 1;
    }
    e.chained = 0;
    e.succ = e.next_h = -1;
}

int compare(const void *a, const void *b) {
    const PolyStart &p = *static_cast<const PolyStart *>(a);
    const PolyStart &q = *static_cast<const PolyStart *>(b);
    if (p.y != q.y) return p.y < q.y ? -1 : 1;
    if (p.x != q.x) return p.x < q.x ? -1 : 1;
    return 0;
}

void ssort(void *base, int count, int size, int (*cmp)(const void *, const void *)) {
    constexpr int MAX_ELEMENT = 32;
    if (size <= 0 || size > MAX_ELEMENT) return;
    auto *b = static_cast<unsigned char *>(base);
    unsigned char tmp[MAX_ELEMENT];
    for (int gap = count / 2; gap > 0; gap /= 2) {
        int limit = count - 1;
        while (gap <= limit) {
            int last = 0;
            for (int i = 0; i <= limit - gap; i++) {
                unsigned char *p = b + size_t(i) * size, *q = b + size_t(i + gap) * size;
                if (cmp(p, q) > 0) {
                    std::memcpy(tmp, p, size_t(size));
                    std::memcpy(p, q, size_t(size));
                    std::memcpy(q, tmp, size_t(size));
                    last = i;
                }
            }
            limit = last;
        }
    }
}

int line_set_2(PolyEdge *edges, const int32_t *points, int n, PolyStart *starts, int *hlist) {
    auto vy = [points, n](int v) { return points[2 * (v % n) + 1]; };
    int count = 0;
    int tail = -1;
    *hlist = -1;
    for (int k = 0; k < n; k++) {
        PolyEdge &e = edges[k];
        if (e.kind == 0) {
            if (tail < 0)
                *hlist = k;
            else
                edges[tail].next_h = k;
            tail = k;
            continue;
        }
        int p = findEdge(edges, n, k, -1);
        int q = findEdge(edges, n, k, +1);
        bool start;
        if (e.y_add < 0) {  // from vertex k down to vertex k+1
            if (p >= 0 && vy(p) > vy(k)) e.succ = p;
            start = q >= 0 && vy(q + 1) > vy(k + 1);
        } else {  // from vertex k up to vertex k+1
            if (q >= 0 && vy(q + 1) > vy(k + 1)) e.succ = q;
            start = p >= 0 && vy(p) > vy(k);
        }
        if (start && count < FILL_MAX_EDGES) {
            starts[count].edge = k;
            starts[count].y = e.y_start;
            starts[count].x = e.x_add < 0 ? e.x_b : e.x_a;
            count++;
        }
    }
    ssort(starts, count, int(sizeof(PolyStart)), compare);
    return count;
}

void get_xt_xb(int edge, int32_t *xt, int32_t *xb) {
    const PolyEdge *e = &pf.line[edge];
    ownEnds(*e, xt, xb);
    // Merged successors widen the element; the chain is at most all edges.
    for (int i = 0; e->chained && e->succ >= 0 && i < FILL_MAX_EDGES; i++) {
        e = &pf.line[e->succ];
        int32_t t, b;
        ownEnds(*e, &t, &b);
        *xt = imin(*xt, t);
        *xb = imax(*xb, b);
    }
}

void increment_x(int edge) {
    PolyEdge *e = &pf.line[edge];
    for (int i = 0; i < FILL_MAX_EDGES; i++) {
        incrementOne(*e);
        if (!e->chained || e->succ < 0) break;
        e = &pf.line[e->succ];
    }
}

void decrement_x(int edge) {
    PolyEdge *e = &pf.line[edge];
    for (int i = 0; i < FILL_MAX_EDGES; i++) {
        decrementOne(*e);
        if (!e->chained || e->succ < 0) break;
        e = &pf.line[e->succ];
    }
}

void polygon_fill(int32_t *points, int n, int32_t pelx, int32_t pely, int fg, int bg) {
    if (n < 1) return;
    if (n > FILL_MAX_EDGES) n = FILL_MAX_EDGES;
    for (int k = 0; k < 2 * n; k++) points[k] = clampCoord(points[k]);
    pelx = clampCoord(pelx);
    pely = clampCoord(pely);
    for (int k = 0; k < n; k++) line_set_1(k, (k + 1) % n, pelx, pely, pf.line, points);
    int hlist = -1;
    int starts = line_set_2(pf.line, points, n, pf.p_list, &hlist);

    g_charger_on();
    ras.DRAW_COLOR_fg = fg;
    ras.DRAW_COLOR_bg = bg;
    set_DRAW_y_order(1);
    pf.n_active = 0;
    if (starts > 0) {
        pf.active[0] = pf.p_list[0].edge;
        pf.n_active = 1;
        int k = 1;
        int32_t y = pf.p_list[0].y;
        set_VRAM_y(y);
        // With the drawing work spent, the rows left would draw nothing.
        while (pf.n_active > 0 && !work_exhausted()) {
            // New chains of this row, placed by their first left end.
            while (k < starts && pf.p_list[k].y == y) {
                int pos = 0;
                while (pos < pf.n_active && pf.line[pf.active[pos]].x_a <= pf.p_list[k].x) pos++;
                insertActive(pos, pf.p_list[k].edge);
                k++;
            }
            // Exhausted elements hand over to their successors; successors
            // already reached are merged into the element before them.
            for (int i = 0; i < pf.n_active;) {
                int e = pf.active[i];
                while (e >= 0 && exhausted(pf.line[e])) e = pf.line[e].succ;
                if (e < 0) {
                    removeActive(i);
                    continue;
                }
                pf.active[i] = e;
                for (int c = e, guard = 0; pf.line[c].succ >= 0 && guard < FILL_MAX_EDGES;
                     guard++) {
                    int s = pf.line[c].succ;
                    if (pf.line[s].y_start > y) break;
                    pf.line[c].chained = 1;
                    c = s;
                }
                i++;
            }
            if (pf.n_active == 0) break;
            for (int i = 0; i < pf.n_active; i++) decrement_x(pf.active[i]);
            for (int i = 0; i < pf.n_active; i++) increment_x(pf.active[i]);
            // The list stays almost sorted from row to row.
            for (bool swapped = true; swapped;) {
                swapped = false;
                for (int i = 0; i + 1 < pf.n_active; i++) {
                    int32_t t1, b1, t2, b2;
                    get_xt_xb(pf.active[i], &t1, &b1);
                    get_xt_xb(pf.active[i + 1], &t2, &b2);
                    if (t2 < t1) {
                        int tmp = pf.active[i];
                        pf.active[i] = pf.active[i + 1];
                        pf.active[i + 1] = tmp;
                        swapped = true;
                    }
                }
            }
            for (int i = 0; i + 1 < pf.n_active; i += 2) {
                int32_t t1, b1, t2, b2;
                get_xt_xb(pf.active[i], &t1, &b1);
                get_xt_xb(pf.active[i + 1], &t2, &b2);
                fill(t1, imax(b1, b2));
            }
            inc_VRAM_y();
            y++;
        }
    }
    // Horizontal edges are blocks of pel-height rows.
    for (int h = hlist, guard = 0; h >= 0 && guard < FILL_MAX_EDGES;
         h = pf.line[h].next_h, guard++) {
        const PolyEdge &e = pf.line[h];
        set_VRAM_y(e.y_start);
        for (int32_t row = 0; row < e.cnt_a && !work_exhausted(); row++) {
            fill(imin(e.x_a, e.x_b), imax(e.x_a, e.x_b));
            inc_VRAM_y();
        }
    }
    g_charger_off();
}

void drawpolyfill(int32_t *list, int n) {
    if (n < 1) return;
    if (n > FILL_MAX_EDGES) n = FILL_MAX_EDGES;
    int fg, bg, outline;
    switch (ras.pen.ColorMod) {
    case 0: fg = ras.pen.ColorNo, bg = -1, outline = 0; break;
    case 1: fg = ras.pen.ForColor, bg = -1, outline = 0; break;
    case 2: fg = ras.pen.ForColor, bg = ras.pen.BakColor, outline = ras.pen.BakColor; break;
    default: fg = ras.DRAW_COLOR_fg, bg = ras.DRAW_COLOR_bg, outline = 0; break;
    }
    for (int k = 0; k < n; k++) {
        list[2 * k] = clampCoord(int64_t(list[2 * k]) + ras.pen.OriginX);
        list[2 * k + 1] = clampCoord(int64_t(list[2 * k + 1]) + ras.pen.OriginY);
    }
    polygon_fill(list, n, ras.pen.PhyPelX, ras.pen.PhyPelY, fg, bg);
    if (ras.pen.HiLight != 0) {
        for (int i = 1; i < n; i++)
            line(list[2 * (i - 1)], list[2 * (i - 1) + 1], list[2 * i], list[2 * i + 1],
                 ras.pen.PhyPelX, ras.pen.PhyPelY, outline, -1, 0);
    }
}

void fillrect(int32_t x, int32_t y, int32_t w, int32_t h) {
    int64_t xa = int64_t(ras.pen.OriginX) + x, xb = xa + w;
    int64_t ya = int64_t(ras.pen.OriginY) + y, yb = ya + h;
    if (xb < xa) std::swap(xa, xb);
    if (yb < ya) std::swap(ya, yb);
    if (ras.pen.PhyPelX > 1)
        xb += ras.pen.PhyPelX - 1;
    else if (ras.pen.PhyPelX < -1)
        xa += int64_t(ras.pen.PhyPelX) + 1;
    if (ras.pen.PhyPelY > 1)
        yb += ras.pen.PhyPelY - 1;
    else if (ras.pen.PhyPelY < -1)
        ya += int64_t(ras.pen.PhyPelY) + 1;
    int32_t x1 = clampCoord(xa), x2 = clampCoord(xb), y1 = clampCoord(ya), y2 = clampCoord(yb);
    // The textured rectangle draws its height + 1 rows but a definition
    // captures its height rows: either way rows y1..y2 are covered, the rows
    // of the rectangle's outline, as the polygon fill of the same corners
    // covers them.
    int32_t rows = ras.TEXTURE_DEF_FLAG != 0 ? y2 - y1 + 1 : y2 - y1;
    dot_t(x1, y1, x2 - x1 + 1, rows);
}

void drawrectfill(int32_t x, int32_t y, int32_t w, int32_t h) {
    int outline;
    switch (ras.pen.ColorMod) {
    case 0: ras.DRAW_COLOR_fg = ras.pen.ColorNo, ras.DRAW_COLOR_bg = -1, outline = 0; break;
    case 1: ras.DRAW_COLOR_fg = ras.pen.ForColor, ras.DRAW_COLOR_bg = -1, outline = 0; break;
    case 2:
        ras.DRAW_COLOR_fg = ras.pen.ForColor, ras.DRAW_COLOR_bg = ras.pen.BakColor,
        outline = ras.pen.BakColor;
        break;
    default: outline = 0; break;
    }
    fillrect(x, y, w, h);
    if (ras.pen.HiLight != 0) drawrectO(x, y, w, h, outline, -1, 0);
}

}  // namespace naplps
