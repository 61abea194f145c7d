// Filled polygons and rectangles on exact pixels: the instructions go
// through the dispatcher with logical coordinates (at 512 pixels per unit
// screen one pixel is 0x8000), the pixels are read back from the window's
// backing pixmap as colour-cell digits. Colour index 16 k shows as digit k.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/executors.h"
#include "interp/state.h"
#include "nxg/nxg.h"
#include "raster/fill.h"
#include "raster/raster.h"
#include "tests/pdi_steps.h"
#include "tests/x11_fixture.h"

using namespace naplps;
using xtest::Grid;

namespace {

using namespace naplps::steps;
using Fill = DrawTest;

// TEXTURE: line texture 0, highlight, fill pattern 0.
void highlight(int on) { run(OP_TEXTURE, {0, on, 0}); }

}  // namespace

TEST_F(Fill, RectangularPolygonCoversBothEndRowsAndColumns) {
    open(16, 11);
    polygon(OP_SETPOLYFILL, {{2, 2}, {12, 2}, {12, 8}, {2, 8}});
    EXPECT_TRUE(xtest::pictureIs(grid(), {
                                             "................",
                                             "................",
                                             "..11111111111...",
                                             "..11111111111...",
                                             "..11111111111...",
                                             "..11111111111...",
                                             "..11111111111...",
                                             "..11111111111...",
                                             "..11111111111...",
                                             "................",
                                             "................",
                                         }));
}

// Fills shape (in both orientations) with a pel of p x p and draws its
// outline with the same pel: the fill must cover every outline pixel and,
// the shape being convex, each row must be exactly the span between the
// outline's ends on that row. Returns the fill.
Grid checkCoversOutline(DrawTest *t, std::vector<std::pair<int, int>> shape, int p, bool ccw);

TEST_F(Fill, ConvexPolygonsCoverTheirOutline) {
    const std::vector<std::vector<std::pair<int, int>>> shapes = {
        {{3, 2}, {19, 2}, {11, 12}},           // steep sides (y-major edges)
        {{3, 2}, {19, 2}, {11, 6}},            // flat sides (x-major edges)
        {{2, 4}, {17, 1}, {22, 11}, {7, 14}},  // no horizontal edge
        {{4, 3}, {12, 3}, {20, 8}, {12, 13}, {4, 13}},
    };
    for (size_t k = 0; k < shapes.size(); k++)
        for (int p : {1, 2, 3, 5})
            for (bool ccw : {true, false}) {
                SCOPED_TRACE(::testing::Message() << "shape " << k << " pel " << p << (ccw ? " ccw" : " cw"));
                Grid filled = checkCoversOutline(this, shapes[k], p, ccw);
                if (k == 0 || k == 1) {
                    // The horizontal edge is a block of pel-height rows from
                    // x = 3 to the end pel at x = 19.
                    for (int y = 2; y < 2 + p; y++)
                        for (int x = 3; x < 19 + p; x++) EXPECT_EQ(at(filled, x, y), '1') << x << "," << y;
                    EXPECT_EQ(at(filled, 2, 2), '0');
                    EXPECT_EQ(at(filled, 3, 1), '0');
                }
            }
}

Grid checkCoversOutline(DrawTest *t, std::vector<std::pair<int, int>> shape, int p, bool ccw) {
    if (!ccw) std::reverse(shape.begin() + 1, shape.end());
    t->open(28, 22);
    if (!t->win) return {};
    pel(p, p);
    colours(1);
    polygon(OP_SETPOLYFILL, shape);
    Grid filled = t->grid();
    t->clear(0);
    colours(2);
    polygon(OP_SETPOLYLINE, shape);
    Grid outline = t->grid();
    int outlineRows = 0;
    for (size_t r = 0; r < outline.size(); r++) {
        size_t lo = outline[r].find('2'), hi = outline[r].rfind('2');
        if (lo == std::string::npos) {
            EXPECT_EQ(filled[r].find('1'), std::string::npos) << "row " << r;
            continue;
        }
        outlineRows++;
        std::string want(outline[r].size(), '0');
        for (size_t x = lo; x <= hi; x++) want[x] = '1';
        EXPECT_EQ(filled[r], want) << "row " << r << " outline " << outline[r];
    }
    EXPECT_GE(outlineRows, 4 + p);
    return filled;
}

TEST_F(Fill, SelfIntersectingPolygonPairsEdgesOddEven) {
    open(17, 17);
    // A bow tie: two vertical sides joined by crossing diagonals.
    polygon(OP_SETPOLYFILL, {{2, 2}, {14, 14}, {14, 2}, {2, 14}});
    Grid g = grid();
    EXPECT_EQ(at(g, 3, 8), '1');   // left wing
    EXPECT_EQ(at(g, 13, 8), '1');  // right wing
    EXPECT_EQ(at(g, 8, 8), '1');   // where the diagonals cross
    EXPECT_EQ(at(g, 8, 4), '0');   // between the diagonals, below
    EXPECT_EQ(at(g, 8, 12), '0');  // and above
    for (size_t r = 0; r < g.size(); r++) {
        int runs = 0;
        for (size_t x = 0; x < g[r].size(); x++)
            if (g[r][x] == '1' && (x == 0 || g[r][x - 1] != '1')) runs++;
        EXPECT_LE(runs, 2) << g[r];
    }
}

TEST_F(Fill, ClosingVertexAloneFillsOnePel) {
    open(8, 6);
    pel(2, 2);
    colours(3);
    // POLYGON FILLED without pairs: the drawing point and its closing copy.
    run(OP_ABSPOINT, {3 * U, 2 * U});
    run(OP_POLYFILL, {});
    EXPECT_TRUE(xtest::pictureIs(grid(), {
                                             "........",
                                             "........",
                                             "...33...",
                                             "...33...",
                                             "........",
                                             "........",
                                         }));
}

TEST_F(Fill, HighlightOutlineColourFollowsTheColourMode) {
    open(14, 10);
    clear(3);
    highlight(1);
    colours(1, 2);  // mode 2: outline in the background colour
    run(OP_SETRECTFILL, {2 * U, 2 * U, 8 * U, 5 * U});
    EXPECT_TRUE(xtest::pictureIs(grid(), {
                                             "33333333333333",
                                             "33333333333333",
                                             "33222222222333",
                                             "33211111112333",
                                             "33211111112333",
                                             "33211111112333",
                                             "33211111112333",
                                             "33222222222333",
                                             "33333333333333",
                                             "33333333333333",
                                         }));
    clear(3);
    colours(1);  // mode 1: outline in index 0, over the fill
    polygon(OP_SETPOLYFILL, {{2, 2}, {10, 2}, {10, 7}, {2, 7}});
    EXPECT_TRUE(xtest::pictureIs(grid(), {
                                             "33333333333333",
                                             "33333333333333",
                                             "33000000000333",
                                             "33011111110333",
                                             "33011111110333",
                                             "33011111110333",
                                             "33011111110333",
                                             "33000000000333",
                                             "33333333333333",
                                             "33333333333333",
                                         }));
    // Direct colour (mode 0): the fill in ColorNo, the outline in index 0.
    clear(3);
    run(OP_SELECTCOLOR, {});
    ip.ColorNo = 64;
    run(OP_SETRECTFILL, {2 * U, 2 * U, 8 * U, 5 * U});
    Grid direct = grid();
    EXPECT_EQ(at(direct, 2, 2), '0');
    EXPECT_EQ(at(direct, 10, 5), '0');
    EXPECT_EQ(at(direct, 5, 5), '4');
    EXPECT_EQ(at(direct, 11, 5), '3');
    colours(1);
    // Without highlighting the outline is the fill's own colour.
    clear(3);
    highlight(0);
    run(OP_SETRECTFILL, {2 * U, 2 * U, 8 * U, 5 * U});
    Grid g = grid();
    EXPECT_EQ(at(g, 2, 2), '1');
    EXPECT_EQ(at(g, 10, 7), '1');
    EXPECT_EQ(at(g, 11, 7), '3');
    EXPECT_EQ(at(g, 10, 8), '3');
}

TEST_F(Fill, RectanglePelWidensTowardsItsSign) {
    open(16, 7);
    // A pel of -3 x 1 widens the rectangle 2 pixels to the left of its
    // smaller x; +3 x 2 widens it to the right and upwards.
    pel(-3, 1);
    run(OP_SETRECTFILL, {6 * U, 1 * U, 4 * U, 1 * U});
    pel(3, 2);
    colours(2);
    run(OP_SETRECTFILL, {6 * U, 4 * U, -4 * U, -1 * U});
    EXPECT_TRUE(xtest::pictureIs(grid(), {
                                             "................",
                                             "..2222222.......",
                                             "..2222222.......",
                                             "..2222222.......",
                                             "....1111111.....",
                                             "....1111111.....",
                                             "................",
                                         }));
}

TEST_F(Fill, RectanglesSideBySideAndNegativeSizes) {
    open(16, 6);
    // RECTANGLE FILLED with two pairs from the drawing point: the second
    // rectangle starts where the first ends.
    run(OP_ABSPOINT, {1 * U, 1 * U});
    run(OP_RECTFILL, {4 * U, 2 * U, 5 * U, 3 * U});
    EXPECT_TRUE(xtest::pictureIs(grid(), {
                                             "................",
                                             ".....111111.....",
                                             ".1111111111.....",
                                             ".1111111111.....",
                                             ".1111111111.....",
                                             "................",
                                         }));
    EXPECT_EQ(ip.LogDrawX, 10 * U);
}

TEST_F(Fill, FiveHundredTwelvePairsReachTheFiller) {
    open(20, 16);
    // POLYGON FILLED with the largest record: 510 pairs that stay on the
    // drawing point, then two that make a triangle. Every pair must reach
    // the vertex store.
    run(OP_ABSPOINT, {2 * U, 2 * U});
    std::vector<int32_t> v(1020, 0);
    for (int32_t d : {12 * U, 0, 0, 10 * U}) v.push_back(d);
    ASSERT_EQ(v.size(), size_t(DATA_MAX_VALUES));
    runRecord(OP_POLYFILL, v);
    Grid g = grid();
    EXPECT_EQ(at(g, 13, 4), '1');
    EXPECT_EQ(at(g, 10, 2), '1');
    EXPECT_EQ(at(g, 3, 10), '0');
}

TEST_F(Fill, ManyVerticesFillADisk) {
    open(64, 64);
    // A circle of 600 vertices (beyond the 256 edges of the original
    // tables), and a list of 3000 whose first 1024 vertices are a circle and
    // the rest far away: the filler takes 1024 and closes the polygon there.
    for (int n : {600, 3000}) {
        SCOPED_TRACE(n);
        clear(0);
        int ring = n < FILL_MAX_EDGES ? n : FILL_MAX_EDGES;
        std::vector<int32_t> pts;
        for (int i = 0; i <= n; i++) {
            if (i >= ring && i < n) {
                pts.push_back(i % 2 ? 5000 : -5000);
                pts.push_back(i % 3 ? -4000 : 4000);
                continue;
            }
            double a = 2 * M_PI * (i % ring) / ring;
            pts.push_back(int32_t(std::lround(32 + 25 * std::cos(a))));
            pts.push_back(int32_t(std::lround(32 + 25 * std::sin(a))));
        }
        polygon_fill(pts.data(), n + 1, 1, 1, 16, -1);
        Grid g = grid();
        EXPECT_EQ(at(g, 32, 32), '1');
        EXPECT_EQ(at(g, 32, 8), '1');
        EXPECT_EQ(at(g, 32, 56), '1');
        EXPECT_EQ(at(g, 2, 2), '0');
        EXPECT_EQ(at(g, 60, 60), '0');
        // Each row is one run.
        for (auto &row : g) {
            size_t lo = row.find('1'), hi = row.rfind('1');
            if (lo == std::string::npos) continue;
            EXPECT_EQ(row.substr(lo, hi - lo + 1).find('0'), std::string::npos) << row;
        }
    }
}

TEST_F(Fill, HostileVerticesAreAbsorbed) {
    open(32, 24);
    // Extreme coordinates and pels: bounded work, nothing outside the
    // window, no fault.
    std::vector<int32_t> pts = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX,
                                0,         5,         INT32_MIN, INT32_MIN};
    polygon_fill(pts.data(), 5, 1, 1, 32, -1);
    std::vector<int32_t> thin = {4, 4, 4, 4, 4, 4};
    polygon_fill(thin.data(), 3, INT32_MIN, INT32_MAX, 48, -1);
    polygon_fill(thin.data(), 0, 1, 1, 48, -1);
    run(OP_DOMAIN, {0, 2, 0, INT32_MIN, INT32_MAX});
    run(OP_SETRECTFILL, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
    run(OP_SETPOLYFILL, {INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX});
    Grid g = grid();
    EXPECT_EQ(g.size(), 24u);
    EXPECT_TRUE(xtest::windowMatchesPixmap(*win));
}
