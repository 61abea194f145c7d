// Filled polygons and rectangles on exact pixels, through the dispatcher
// with logical coordinates; colour index 16 k shows as digit k.

#include <algorithm>
#include <cmath>

#include "raster/fill.h"
#include "tests/pdi_steps.h"

using namespace naplps;
using namespace naplps::steps;
using ptest::Grid;
using Fill = DrawTest;

// Convex shapes in both orientations with a pel of p x p: each row of the
// fill is exactly the span between the ends of the outline drawn with the
// same pel on that row. A polygon with only its closing vertex fills one pel.
TEST_F(Fill, ConvexPolygonsCoverExactlyTheirOutline) {
    const std::vector<std::vector<std::pair<int, int>>> shapes = {
        {{2, 2}, {12, 2}, {12, 8}, {2, 8}},    // a rectangle: both end rows and columns
        {{3, 2}, {19, 2}, {11, 12}},           // steep sides (y-major edges)
        {{3, 2}, {19, 2}, {11, 6}},            // flat sides (x-major edges)
        {{2, 4}, {17, 1}, {22, 11}, {7, 14}},  // no horizontal edge
        {{4, 3}, {12, 3}, {20, 8}, {12, 13}, {4, 13}},
    };
    for (size_t k = 0; k < shapes.size(); k++)
        for (int p : {1, 2, 3, 5})
            for (int turn = 0; turn < 2; turn++) {
                SCOPED_TRACE(::testing::Message() << "shape " << k << " pel " << p << " turn " << turn);
                auto shape = shapes[k];
                if (turn) std::reverse(shape.begin() + 1, shape.end());
                open(28, 22), pel(p, p), polygon(OP_SETPOLYFILL, shape);
                Grid filled = grid();
                clear(0), colours(2), polygon(OP_SETPOLYLINE, shape);
                Grid outline = grid();
                for (size_t r = 0; r < outline.size(); r++) {
                    size_t lo = outline[r].find('2'), hi = outline[r].rfind('2');
                    std::string want(outline[r].size(), '0');
                    if (lo != std::string::npos) std::fill(want.begin() + long(lo), want.begin() + long(hi) + 1, '1');
                    EXPECT_EQ(filled[r], want) << "row " << r << " outline " << outline[r];
                }
                EXPECT_NE(filled, ptest::blank(28, 22));
                if (k == 0 && p == 1) expectPixels(filled, 28, 22, [](int x, int y) { return x >= 2 && x <= 12 && y >= 2 && y <= 8 ? '1' : '0'; });
            }
    open(8, 6);
    pel(2, 2), run(OP_ABSPOINT, {3 * U, 2 * U}), run(OP_POLYFILL, {});
    expectPixels(grid(), 8, 6, [](int x, int y) { return x >= 3 && x <= 4 && y >= 2 && y <= 3 ? '1' : '0'; });
}

TEST_F(Fill, SelfIntersectingPolygonPairsEdgesOddEven) {
    open(17, 17);
    polygon(OP_SETPOLYFILL, {{2, 2}, {14, 14}, {14, 2}, {2, 14}});  // a bow tie
    Grid g = grid();
    // Both wings and the crossing are filled; between the diagonals is not.
    EXPECT_EQ((std::string{at(g, 3, 8), at(g, 13, 8), at(g, 8, 8), at(g, 8, 4), at(g, 8, 12)}), "11100");
    for (auto &row : g) {
        int runs = 0;
        for (size_t x = 0; x < row.size(); x++) runs += row[x] == '1' && (x == 0 || row[x - 1] != '1');
        EXPECT_LE(runs, 2) << row;
    }
}

// With highlighting the outline is in the background colour (mode 2), in
// index 0 (modes 1 and 0, the fill in ColorNo for 0); without, the fill's.
TEST_F(Fill, HighlightOutlineColourFollowsTheColourMode) {
    const struct { std::vector<int32_t> select; int highlight; char outline, fill; } cases[] = {  // modes 2, 1, 0, 1
        {{4, 8}, 1, '2', '1'}, {{4}, 1, '0', '1'}, {{}, 1, '0', '4'}, {{4}, 0, '1', '1'}};  // the first mode 1 as a polygon
    for (auto &c : cases) {
        open(14, 10);
        clear(3), run(OP_TEXTURE, {0, c.highlight, 0});
        runRecord(OP_SELECTCOLOR, c.select);
        ras.pen.ColorNo = 64;
        if (c.select.size() == 1 && c.highlight) polygon(OP_SETPOLYFILL, {{2, 2}, {10, 2}, {10, 7}, {2, 7}});
        else rect(2, 2, 8, 5);
        Grid want = ptest::blank(14, 10, '3');
        for (int y = 2; y <= 7; y++)
            for (int x = 2; x <= 10; x++) want[size_t(9 - y)][size_t(x)] = y == 2 || y == 7 || x == 2 || x == 10 ? c.outline : c.fill;
        EXPECT_TRUE(ptest::pictureIs(grid(), want)) << "mode values " << c.select.size() << " highlight " << c.highlight;
    }
}

TEST_F(Fill, RectanglesWidenTowardsThePelsSignAndFollowEachOther) {
    open(16, 7);
    pel(-3, 1), rect(6, 1, 4, 1);              // 2 pixels to the left of the smaller x
    pel(3, 2), colours(2), rect(6, 4, -4, -1);  // to the right and upwards
    EXPECT_TRUE(ptest::pictureIs(grid(), {"................", "..2222222.......", "..2222222.......", "..2222222.......",
                                          "....1111111.....", "....1111111.....", "................"}));
    open(16, 6);  // RECTANGLE FILLED with two pairs: the second starts where the first ends
    run(OP_ABSPOINT, {1 * U, 1 * U}), run(OP_RECTFILL, {4 * U, 2 * U, 5 * U, 3 * U});
    EXPECT_TRUE(ptest::pictureIs(grid(), {"................", ".....111111.....", ".1111111111.....", ".1111111111.....",
                                          ".1111111111.....", "................"}));
    EXPECT_EQ(ip.LogDrawX, 10 * U);
}

TEST_F(Fill, LargeVertexCountsReachTheFillerAndHostileOnesAreAbsorbed) {
    // The largest record: 510 pairs on the drawing point, then a triangle.
    std::vector<int32_t> v(1020, 0);
    v.insert(v.end(), {12 * U, 0, 0, 10 * U});
    open(20, 16), run(OP_ABSPOINT, {2 * U, 2 * U}), runRecord(OP_POLYFILL, v);
    Grid g = grid();
    EXPECT_EQ(std::string({at(g, 13, 4), at(g, 10, 2), at(g, 3, 10)}), "110");
    // A circle of 600 vertices; then 3000 whose first FILL_MAX_EDGES are a
    // circle and the rest far away: the filler closes the polygon there.
    open(64, 64);
    for (int n : {600, 3000}) {
        clear(0);
        int ring = std::min(n, FILL_MAX_EDGES);
        std::vector<int32_t> pts;
        for (int i = 0; i <= n; i++) {
            bool far = i >= ring && i < n;
            double a = 2 * M_PI * (i % ring) / ring;
            pts.push_back(far ? (i % 2 ? 5000 : -5000) : int32_t(std::lround(32 + 25 * std::cos(a))));
            pts.push_back(far ? (i % 3 ? -4000 : 4000) : int32_t(std::lround(32 + 25 * std::sin(a))));
        }
        polygon_fill(pts.data(), n + 1, 1, 1, 16, -1), g = grid();
        EXPECT_EQ(std::string({at(g, 32, 32), at(g, 32, 8), at(g, 32, 56), at(g, 2, 2), at(g, 60, 60)}), "11100") << n;
        for (auto &row : g) {  // each row one run
            size_t lo = row.find('1');
            EXPECT_TRUE(lo == std::string::npos || row.substr(lo, row.rfind('1') - lo).find('0') == std::string::npos) << row;
        }
    }
    open(32, 24);
    std::vector<int32_t> pts = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX, 0, 5, INT32_MIN, INT32_MIN};
    polygon_fill(pts.data(), 5, 1, 1, 32, -1);
    std::vector<int32_t> thin = {4, 4, 4, 4, 4, 4};
    polygon_fill(thin.data(), 3, INT32_MIN, INT32_MAX, 48, -1), polygon_fill(thin.data(), 0, 1, 1, 48, -1);
    run(OP_DOMAIN, {0, 2, 0, INT32_MIN, INT32_MAX}), run(OP_SETRECTFILL, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
    run(OP_SETPOLYFILL, {INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX});
    EXPECT_TRUE(ptest::onlyCells(*win));
}
