// The arc instructions and the arc, disk and segment rasterisers on exact
// pixels: whole circles, three-point arcs in the sense of their middle
// point, the degenerate forms, disks and segments, textures and highlight,
// and circles the stream pushes out of range.
#include <climits>
#include <cmath>

#include "interp/arc.h"
#include "raster/arc.h"
#include "raster/fill.h"
#include "tests/test_arc_stream.h"

namespace naplps {
namespace {

using namespace arctest;
using Arcs = GeoTest;

// The circle of radius 2 about (5, 3): twelve pels, each one column wide
// and two rows tall.
const Grid kCircle2 = {"..........", "....111...", "...11111..", "...1...1..",
                       "...1...1..", "...11111..", "....111...", ".........."};

TEST_F(Arcs, AWholeCircleIsDrawnOnItsDiameterWhateverTheFormAndPel) {
    const std::pair<Stream, int32_t> cases[] = {  // and the drawing point after: where the pairs put it
        {plain().moveTo(3, 3).op(OP_ARCLINE).xy(4, 0).end(), L(3)},
        {plain().moveTo(3, 3).op(OP_ARCLINE).xy(4, 0).xy(-4, 0).end(), L(3)},  // ends where it started
        {plain().moveTo(3, 3).op(OP_ARCLINE).xy(4, 0).xyq(-15, 0).end(), L(3) + 0x2000},  // end converts to start
        {plain().op(OP_SETARCLINE).xy(3, 3).xy(4, 0).end(), L(3)},
    };
    for (const auto &[s, endX] : cases) {
        EXPECT_TRUE(pictureIs(picture(10, 8, s), kCircle2));
        EXPECT_EQ((Ints{ip.LogDrawX, ip.PhyDrawY}), (Ints{endX, 3}));
    }
    // Negative and empty pels cover the 1 x 1 pel's pixels; the origin is added.
    for (auto [pel, ox, oy] : {std::tuple{-1, 0, 0}, {0, 0, 0}, {1, 4, 3}}) {
        EXPECT_TRUE(pictureIs(drawn(10, 8, [&](auto &) {
            ras.pen.PhyPelX = ras.pen.PhyPelY = pel;
            ras.pen.OriginX = ox, ras.pen.OriginY = oy;
            arcoutline(3 - ox, 3 - oy, 7 - ox, 3 - oy, 3 - ox, 3 - oy);
        }), kCircle2)) << pel << " " << ox;
    }
}

TEST_F(Arcs, AFilledWholeCircleIsADiskAndAThreeByThreePelWidensItByTwo) {
    EXPECT_TRUE(pictureIs(picture(10, 7, plain().moveTo(3, 3).op(OP_ARCFILL).xy(4, 0).end()),
                          {"..........", "....111...", "...11111..", "...11111..", "...11111..", "....111...",
                           ".........."}));
    Stream wide = Stream().start(3, 3, 3).select(16).moveTo(3, 3).op(OP_ARCFILL).xy(4, 0).end();
    EXPECT_TRUE(pictureIs(picture(11, 10, wide),
                          {"...........", "...........", "....11111..", "...1111111.", "...1111111.",
                           "...1111111.", "...1111111.", "...1111111.", "....11111..", "..........."}));
}

// Every pixel of an outline lies on the circle (within the pel's second row).
void expectOnCircle(const std::set<Pixel> &px, double cx, double cy, double r) {
    ASSERT_FALSE(px.empty());
    for (auto [x, y] : px) {
        const double on = std::fabs(std::hypot(x - cx, y - cy) - r);
        EXPECT_LE(std::min(on, std::fabs(std::hypot(x - cx, y - 1 - cy) - r)), 1.0) << x << "," << y;
    }
}

TEST_F(Arcs, AThreePointArcRunsThroughItsMiddlePointTheWayItLies) {
    // From (10, 12) over (20, 22) or under (20, 2) to (30, 12), about (20, 12).
    std::set<Pixel> up = lit(picture(40, 26, plain().op(OP_SETARCLINE).xy(10, 12).xy(10, 10).xy(10, -10).end()));
    EXPECT_EQ((Ints{ip.LogDrawX, ip.LogDrawY}), (Ints{L(30), L(12)}));
    std::set<Pixel> down = lit(picture(40, 26, plain().moveTo(10, 12).op(OP_ARCLINE).xy(10, -10).xy(10, 10).end()));
    // From (20, 2) over (30, 12) to (10, 12): three quarters, none lower left.
    std::set<Pixel> most = lit(picture(40, 26, plain().op(OP_SETARCLINE).xy(20, 2).xy(10, 10).xy(-20, 0).end()));
    for (const auto *px : {&up, &down, &most}) expectOnCircle(*px, 20, 12, 10);
    EXPECT_TRUE(up.count({20, 22}) && down.count({20, 2}) && most.count({30, 12}) && most.count({20, 22}));
    for (auto [x, y] : up) EXPECT_GE(y, 11) << x;
    for (auto [x, y] : down) EXPECT_LE(y, 13) << x;
    for (auto [x, y] : most) EXPECT_FALSE(x < 19 && y < 11) << x << "," << y;
    auto reached = [](const std::set<Pixel> &px, int x) {
        return px.lower_bound({x, INT_MIN}) != px.lower_bound({x + 1, INT_MIN});
    };
    for (int x = 10; x <= 30; x++) EXPECT_TRUE(reached(up, x) && reached(down, x)) << "column " << x;
}

TEST_F(Arcs, DegenerateArcsDrawLinesOrPolygonsAndFewValuesOnlyMove) {
    // Three points on one line: two lines (SET & ARC: two SET & LINE
    // segments), or, filled, the flat triangle through the polygon fill.
    Grid a = picture(16, 8, plain().moveTo(2, 2).op(OP_ARCLINE).xy(6, 2).xy(6, 2).end());
    EXPECT_EQ(ip.LogDrawX, L(14));
    EXPECT_TRUE(pictureIs(a, picture(16, 8, plain().moveTo(2, 2).op(OP_RELLINE).xy(6, 2).xy(6, 2).end())));
    EXPECT_FALSE(lit(a).empty());
    for (int op : {OP_SETARCLINE, OP_SETARCFILL}) {
        EXPECT_TRUE(pictureIs(picture(16, 8, plain().op(op).xy(2, 2).xy(6, 2).xy(6, 2).end()), a)) << op;
        EXPECT_EQ(ip.LogDrawY, L(6));
    }
    Grid f = picture(16, 8, plain().moveTo(2, 2).op(OP_ARCFILL).xy(6, 2).xy(6, 2).end());
    int32_t flat[6] = {2, 2, 8, 4, 14, 6};
    EXPECT_TRUE(pictureIs(f, drawn(16, 8, [&](auto &) { drawpolyfill(flat, 3); })));
    EXPECT_EQ(cells(f, {{2, 2}, {14, 6}}), "11");
    // Six values (eight for SET & ARC): three joined relative lines.
    Grid lines = picture(12, 9, plain().moveTo(1, 1).op(OP_RELLINE).xy(8, 0).xy(0, 6).xy(-5, -3).end());
    for (int op : {OP_ARCLINE, OP_ARCFILL, OP_SETARCLINE}) {
        Stream s = plain().moveTo(1, 1).op(op).xy(8, 0).xy(0, 6).xy(-5, -3);
        if (op == OP_SETARCLINE) s.xy(0, 0);
        EXPECT_TRUE(pictureIs(picture(12, 9, s.end()), lines)) << op;
        EXPECT_EQ((Ints{ip.LogDrawX, ip.LogDrawY}), (Ints{L(4), L(4)}));
    }
    // One pair of SET & ARC, or none: the point moves, nothing is drawn.
    EXPECT_TRUE(pictureIs(picture(12, 8, plain().op(OP_SETARCFILL).xy(10, 5).end()), ptest::blank(12, 8)));
    EXPECT_EQ((Ints{ip.LogDrawY, ip.PhyDrawX}), (Ints{L(5), 10}));
    EXPECT_TRUE(pictureIs(picture(12, 8, plain().moveTo(4, 4).op(OP_ARCLINE).end()), ptest::blank(12, 8)));
    EXPECT_EQ(ip.LogDrawX, L(4));
}

TEST_F(Arcs, AFilledSegmentIsTheDiskOnTheArcsSideOfTheChord) {
    // Centre (12, 12), radius 8. Expected: 1 inside the segment, 0 outside,
    // -1 either (one step beyond the chord), always 0 outside the disk.
    struct Case {
        int x0, y0, x2, y2, dir;
        int (*in)(int x, int y);
    } cases[] = {
        {20, 12, 12, 20, 1, [](int x, int y) { return int(x + y - 24 >= 8); }},  // the small quarter segment
        {20, 12, 12, 20, -1, [](int x, int y) { return x + y - 24 == 9 ? -1 : int(x + y - 24 <= 8); }},
        {18, 7, 18, 17, 1, [](int x, int y) { return int(x >= 18 && y >= 7 && y <= 17); }},
        {20, 12, 4, 12, 1, [](int, int y) { return int(y >= 12); }},  // a half disk with the chord row
        {20, 12, 4, 12, -1, [](int, int y) { return int(y <= 12); }},
        {6, 17, 6, 7, 1, [](int x, int y) { return int(y >= 7 && y <= 17 && x <= 6); }},  // a cap
        {6, 17, 6, 7, -1, [](int x, int y) { return y >= 7 && y <= 17 ? x == 5 ? -1 : int(x >= 6) : 1; }},
    };
    auto draw = [&](auto fn, int w = 25, int h = 25) {
        return drawn(w, h, [&](auto &) { SetPelSize(1, 1), SetColor(16, 0, 1), fn(); });
    };
    Grid d = draw([] { Disk(12, 12, 8); });
    for (const Case &c : cases) {
        Grid g = draw([&] { Bow(12, 12, 8, c.x0, c.y0, c.x2, c.y2, c.dir); });
        for (int y = 0; y < 25; y++)
            for (int x = 0; x < 25; x++) {
                const int want = at(d, x, y) == '1' ? c.in(x, y) : 0;
                EXPECT_TRUE(want < 0 || at(g, x, y) == "01"[want])
                    << c.x0 << "," << c.y0 << " " << c.dir << ": " << x << "," << y << " is " << at(g, x, y);
            }
    }
    // Through the stream: from (4, 2) over (14, 12) to (4, 22), the right half
    // of the disk about (4, 12) of radius 10, the chord included.
    Grid g = picture(20, 26, plain().op(OP_SETARCFILL).xy(4, 2).xy(10, 10).xy(-10, 10).end());
    EXPECT_EQ(ip.LogDrawY, L(22));
    Grid half = draw([] { Disk(4, 12, 10); }, 20, 26);
    for (int y = 0; y < 26; y++)
        for (int x = 0; x < 20; x++) EXPECT_EQ(at(g, x, y), x >= 4 ? at(half, x, y) : '0') << x << "," << y;
}

TEST_F(Arcs, HighlightOutlinesAFilledArcInTheBackgroundColour) {
    Grid g = picture(16, 16, Stream().start(3).select(16, 32).texture(0, true).moveTo(4, 8).op(OP_ARCFILL).xy(8, 0)
                                 .end());
    // The inside in the foreground, the circle in the background colour.
    EXPECT_EQ(cells(g, {{8, 8}, {4, 8}, {12, 8}, {8, 12}, {8, 4}}), "12222");
    EXPECT_EQ((Ints{ras.DRAW_COLOR_fg, ras.DRAW_COLOR_bg}), (Ints{16, 32}));  // the mode's colours afterwards
}

TEST_F(Arcs, TexturedArcsPaintTheirGapsOnlyInModeTwoAndAreSolidWithoutALogicalPel) {
    // Radius 10 about (12, 12); each ring starts in a dash.
    auto ring = [&](Stream s, int texture) {
        ras.arc.dotMode = 0;
        return picture(25, 26, s.texture(texture).moveTo(2, 12).op(OP_ARCLINE).xy(20, 0).end());
    };
    const std::set<Pixel> all = lit(ring(Stream().start(3, 1, 1).select(16), 0));
    Grid opaque = ring(Stream().start(3, 1, 1).select(16, 32), 2);
    Grid clear = ring(Stream().start(3, 1, 1).select(16), 2);
    Grid direct = ring(Stream().start(1, 1, 1), 2);  // index 128, cell 8
    for (auto [x, y] : all)  // dashes in the foreground; gaps painted, left alone, left alone
        EXPECT_EQ(cells(opaque, {{x, y}}) + cells(direct, {{x, y}}), at(clear, x, y) == '1' ? "18" : "20")
            << x << "," << y;
    const size_t dashes = lit(clear).size();
    EXPECT_TRUE(dashes > 10 && all.size() - dashes > 10) << dashes << " of " << all.size();
    EXPECT_EQ(lit(opaque), all);
    EXPECT_EQ(lit(direct), lit(clear));
    // Dotted: one pel a dot, more than two pixels from the last.
    std::set<Pixel> dots = lit(ring(Stream().start(3, 1, 1).select(16), 1));
    EXPECT_TRUE(dots.size() > 8u && dots.size() < 40u) << dots.size();
    expectOnCircle(dots, 12, 12, 10);
    // A logical pel of width 0: dashed is solid.
    Grid solid = ring(Stream().start(3, 0, 1).select(16), 0);
    EXPECT_FALSE(lit(solid).empty());
    EXPECT_TRUE(pictureIs(ring(Stream().start(3, 0, 1).select(16), 2), solid));
}

TEST_F(Arcs, CirclesOutOfRangeAreSkippedOrDrawnAlongTheirChordsAndExtremesAreBounded) {
    EXPECT_TRUE(pictureIs(drawn(20, 20, [](auto &) {
        arcoutline(5, 5, 70000, 5, 5, 5);
        arcfil(5, 5, 5, -70000, 5, 5);
        arcoutline(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
        arcfil(INT32_MAX, 0, INT32_MIN, 0, INT32_MAX, 0);
    }), ptest::blank(20, 20)));
    // A one-pixel bulge over half a chord of 256: radius about 32768, beyond the walk.
    int32_t v[6] = {-246, 5, 10, 6, 266, 5};
    Grid arc = drawn(20, 10, [](auto &) { arcoutline(-246, 5, 10, 6, 266, 5); });
    EXPECT_TRUE(pictureIs(arc, drawn(20, 10, [](auto &) {
        line(-246, 5, 10, 6, 1, 1, 16, -1, 0);
        line(10, 6, 266, 5, 1, 1, 16, -1, 0);
    })));
    Grid filled = drawn(20, 10, [](auto &) { arcfil(-246, 5, 10, 6, 266, 5); });
    EXPECT_TRUE(pictureIs(filled, drawn(20, 10, [&](auto &) { polygon_fill(v, 3, 1, 1, 16, -1); })));
    EXPECT_EQ(cells(arc, {{10, 6}}) + cells(filled, {{10, 6}, {10, 5}}), "111");
    // Extreme operands, counts beyond the record, pels beyond any window.
    auto t = window(32, 32);
    const int32_t big[] = {INT32_MIN, INT32_MIN + 1, -0x10000, 0, 0x8000, INT32_MAX - 1, INT32_MAX};
    std::vector<int32_t> rec(DATA_SIZE, 0);
    for (int32_t a : big)
        for (int32_t b : big)
            for (int op = OP_ARCLINE; op <= OP_SETARCFILL; op++)
                for (int n : {2, 4, 6, INT32_MAX, -5}) {
                    for (int i = 1; i <= 6; i++) rec[size_t(i)] = (i & 1) ? a : b;
                    rec[0] = n;
                    exec_instruction(op, rec.data());
                }
    ras.pen.PhyPelX = INT32_MIN, ras.pen.PhyPelY = INT32_MAX;
    arcoutline(10, 10, 20, 10, 10, 10);
    arcfil(10, 10, 20, 20, 30, 10);
    arcfil(10, 10, 20, 20, 10, 10);
    EXPECT_TRUE(ptest::onlyCells(*t));
    // The square root and the walk's order test, at the ends of their ranges.
    for (auto [n, root] : {std::pair<int64_t, int64_t>{-5, 0}, {0, 0}, {8, 2}, {9, 3}, {15, 3},
                           {3037000499LL * 3037000499LL - 1, 3037000498LL}, {INT64_MAX, 3037000499LL}})
        EXPECT_EQ(nsqrt(n), root) << n;
    EXPECT_TRUE(greater(0, 5, 5, 0));  // (0, 5) lies ahead of (5, 0)
    EXPECT_FALSE(greater(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
    EXPECT_TRUE(greater(INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX));
}

}  // namespace
}  // namespace naplps
