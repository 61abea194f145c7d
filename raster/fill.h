// Polygon and rectangle fill: the scan-line polygon filler whose edges are
// the areas swept by the pel along them, and the textured rectangle fill.
#pragma once

#include <cstdint>

namespace naplps {

// Vertices the filler takes at most; the vertex store of the polygon
// commands never holds more (512 relative pairs, the first vertex and its
// closing copy), and a longer list is cut to this many.
constexpr int FILL_MAX_EDGES = 1024;

// One edge of the polygon being filled (edge k joins vertex k to vertex k+1).
struct PolyEdge {
    int32_t x_a = 0, x_b = 0;         // ends of the edge's span on the current row
    int32_t y_start = 0;              // lowest row of the swept area
    int32_t x_start = 0;              // x of the start vertex after re-anchoring
    int32_t x_left = 0, x_right = 0;  // corner trackers
    int32_t x_right_end = 0;          // right side of the end pel
    int32_t r_left = 0, r_right = 0;  // tracker error terms
    int32_t dx2 = 0, dy2 = 0;
    int32_t cnt_a = 0, cnt_b = 0, cnt_c = 0, cnt_d = 0;  // rows of the flat and sloped parts
    int32_t x_add = 0, y_add = 0;                        // direction from the start vertex
    int32_t kind = 0;                   // 0 horizontal, 1 vertical, 2 x-major, 4 y-major
    int32_t chained = 0;                // 1: the successor is merged into this edge
    int32_t xe_left = 0, xe_right = 0;  // clamp limits of x_a and x_b
    int32_t succ = -1;                  // edge continuing this one upwards, -1 none
    int32_t next_h = -1;                // next horizontal edge, -1 none
};

// One chain start: an edge where a monotone chain begins (a local minimum).
struct PolyStart {
    int32_t edge = 0, y = 0, x = 0;
};

// Working tables of the filler, reused by every polygon (raster/fill.cpp).
struct PolyFill {
    PolyEdge line[FILL_MAX_EDGES];
    PolyStart p_list[FILL_MAX_EDGES];
    int32_t active[FILL_MAX_EDGES] = {};  // active chain elements, left to right
    int32_t n_active = 0;
};

// drawpolyfill(list, n) and drawrectfill(x, y, w, h) are declared in
// raster/raster.h.

// The scan-line filler: n window-relative vertices (x, y pairs), pel size,
// fill and background colours (a background of -1 is transparent).
void polygon_fill(int32_t *points, int n, int32_t pelx, int32_t pely, int fg, int bg);
// Filled rectangle with corner (x, y) and signed size, widened by the pel
// so that both corners lie inside; drawn through the textured rectangle.
void fillrect(int32_t x, int32_t y, int32_t w, int32_t h);

// Filler helpers, exposed for the filler's tests.
void line_set_1(int i, int j, int32_t pelx, int32_t pely, PolyEdge *edges, const int32_t *points);
int line_set_2(PolyEdge *edges, const int32_t *points, int n, PolyStart *starts, int *hlist);
void ssort(void *base, int count, int size, int (*cmp)(const void *, const void *));
int compare(const void *a, const void *b);
void get_xt_xb(int edge, int32_t *xt, int32_t *xb);
void increment_x(int edge);
void decrement_x(int edge);

}  // namespace naplps
