// The arc instructions and the arc, disk and segment rasterisers on a
// private 8-bit Xvfb: whole circles on a diameter, three-point arcs in the
// sense of their intermediate point, the degenerate forms, filled disks and
// segments, line textures and highlight outlines, and circles that the
// stream pushes out of range. Pictures are grids of colour cells read back
// from the backing pixmap, top row first; colour index 16k shows as cell k.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/executors.h"
#include "interp/arc.h"
#include "interp/state.h"
#include "nxg/nxg.h"
#include "raster/arc.h"
#include "raster/fill.h"
#include "raster/raster.h"
#include "tests/test_arc_stream.h"
#include "tests/x11_fixture.h"

namespace naplps {
namespace {

using arctest::Stream;
using xtest::Grid;
using xtest::pictureIs;
using xtest::TestWindow;

// Logical units of n pixels at 512 pixels per unit screen.
constexpr int32_t L(int32_t n) { return n * 0x8000; }

using Pixel = std::pair<int, int>;  // bottom-up (x, y)

// The pixels of a grid that are not cell 0 ('0' or '.'), bottom-up.
std::set<Pixel> lit(const Grid &g) {
    std::set<Pixel> s;
    const int h = int(g.size());
    for (int r = 0; r < h; r++)
        for (int x = 0; x < int(g[size_t(r)].size()); x++)
            if (g[size_t(r)][size_t(x)] != '0' && g[size_t(r)][size_t(x)] != '.')
                s.insert({x, h - 1 - r});
    return s;
}

// Cell of bottom-up pixel (x, y).
char at(const Grid &g, int x, int y) { return g[g.size() - 1 - size_t(y)][size_t(x)]; }

class Arcs : public ::testing::Test {
protected:
    void SetUp() override {
        xtest::resetState();
        if (xtest::xvfbDisplay(8).empty()) GTEST_SKIP() << "Xvfb could not be started";
    }
    void TearDown() override { xtest::resetState(); }

    // A window with a slot and the plug-in's drawing area.
    std::unique_ptr<TestWindow> window(int w, int h) {
        auto t = std::make_unique<TestWindow>(w, h);
        EXPECT_TRUE(t->ok());
        EXPECT_GE(t->open(), 0);
        t->playArea();
        return t;
    }

    // The picture a stream draws in a fresh window.
    Grid picture(int w, int h, const Stream &s) {
        auto t = window(w, h);
        t->feed(s.bytes);
        Grid g = t->pixmapGrid();
        EXPECT_TRUE(xtest::windowMatchesPixmap(*t));
        return g;
    }

    // The picture of raster calls made directly, with a 1 x 1 pel, colour
    // map mode and foreground index 16 (cell 1) on black.
    template <class Draw>
    Grid rasterPicture(int w, int h, Draw draw) {
        auto t = window(w, h);
        ip.PhyPelX = ip.PhyPelY = 1;
        ip.ColorMod = 1;
        ip.ForColor = 16;
        draw();
        Grid g = t->pixmapGrid();
        EXPECT_TRUE(xtest::windowMatchesPixmap(*t));
        return g;
    }
};

// The stream prefix of most tests: colour-map mode with foreground index
// 16, no logical pel (so the physical pel is 1 x 1 and outlines are solid).
Stream plain() {
    Stream s;
    s.start(3).select(16);
    return s;
}

// --- Whole circles ------------------------------------------------------------

// The circle of radius 2 about (5, 3): the walk's twelve points, each pel
// one column wide and two rows tall.
const Grid kCircle2 = {
    "..........",
    "....111...",
    "...11111..",
    "...1...1..",
    "...1...1..",
    "...11111..",
    "....111...",
    "..........",
};

TEST_F(Arcs, OnePairDrawsTheWholeCircleOnItsDiameterAndKeepsTheDrawingPoint) {
    Stream s = plain();
    s.moveTo(3, 3).op(OP_ARCLINE).xy(4, 0).end();
    EXPECT_TRUE(pictureIs(picture(10, 8, s), kCircle2));
    EXPECT_EQ(ip.LogDrawX, L(3));
    EXPECT_EQ(ip.LogDrawY, L(3));
    EXPECT_EQ(ip.PhyDrawX, 3);
    EXPECT_EQ(ip.PhyDrawY, 3);
}

TEST_F(Arcs, AnArcThatEndsWhereItStartedIsTheSameWholeCircle) {
    Stream back = plain();
    back.moveTo(3, 3).op(OP_ARCLINE).xy(4, 0).xy(-4, 0).end();
    EXPECT_TRUE(pictureIs(picture(10, 8, back), kCircle2));
    EXPECT_EQ(ip.LogDrawX, L(3));

    // An end a quarter pixel from the start converts to the start itself.
    Stream nearly = plain();
    nearly.moveTo(3, 3).op(OP_ARCLINE).xy(4, 0).xyq(-15, 0).end();
    EXPECT_TRUE(pictureIs(picture(10, 8, nearly), kCircle2));
    EXPECT_EQ(ip.LogDrawX, L(3) + 0x2000);  // the logical point is where the pairs put it

    // SET & ARC OUTLINED with four values: the start absolute.
    Stream set = plain();
    set.op(OP_SETARCLINE).xy(3, 3).xy(4, 0).end();
    EXPECT_TRUE(pictureIs(picture(10, 8, set), kCircle2));
    EXPECT_EQ(ip.LogDrawX, L(3));
}

TEST_F(Arcs, FilledWholeCircleIsADiskAndAThreeByThreePelWidensItByTwo) {
    Stream s = plain();
    s.moveTo(3, 3).op(OP_ARCFILL).xy(4, 0).end();
    EXPECT_TRUE(pictureIs(picture(10, 7, s), {
                                                 "..........",
                                                 "....111...",
                                                 "...11111..",
                                                 "...11111..",
                                                 "...11111..",
                                                 "....111...",
                                                 "..........",
                                             }));
    // The same disk swept by a 3 x 3 pel: the centre widened to the pel.
    Stream wide = Stream().start(3, 3, 3).select(16);
    wide.moveTo(3, 3).op(OP_ARCFILL).xy(4, 0).end();
    EXPECT_TRUE(pictureIs(picture(11, 10, wide), {
                                                     "...........",
                                                     "...........",
                                                     "....11111..",
                                                     "...1111111.",
                                                     "...1111111.",
                                                     "...1111111.",
                                                     "...1111111.",
                                                     "...1111111.",
                                                     "....11111..",
                                                     "...........",
                                                 }));
}

TEST_F(Arcs, CircleWithANegativePelCoversTheMirroredPelPosition) {
    // A pel of -1 x -1 covers the same pixel as +1 x +1 at the same point.
    Grid neg = rasterPicture(10, 8, [] {
        ip.PhyPelX = ip.PhyPelY = -1;
        arcoutline(3, 3, 7, 3, 3, 3);
    });
    EXPECT_TRUE(pictureIs(neg, kCircle2));
}

// --- Three-point arcs ------------------------------------------------------------

// Every pixel of an arc outline lies on the circle (within the pel's
// second row), and every column from the start to the end is reached.
void expectOnCircle(const std::set<Pixel> &px, double cx, double cy, double r) {
    ASSERT_FALSE(px.empty());
    for (const Pixel &p : px) {
        double d0 = std::hypot(p.first - cx, p.second - cy);
        double d1 = std::hypot(p.first - cx, p.second - 1 - cy);
        EXPECT_LE(std::min(std::fabs(d0 - r), std::fabs(d1 - r)), 1.0)
            << "(" << p.first << "," << p.second << ")";
    }
}

TEST_F(Arcs, AnArcRunsThroughItsIntermediatePointAndItsMirrorDrawsTheOtherHalf) {
    // From (10, 12) through (20, 22) to (30, 12): the upper half of the
    // circle about (20, 12) of radius 10, clockwise.
    Stream over = plain();
    over.op(OP_SETARCLINE).xy(10, 12).xy(10, 10).xy(10, -10).end();
    std::set<Pixel> up = lit(picture(40, 26, over));
    EXPECT_EQ(ip.LogDrawX, L(30));  // the drawing point ends at the end point
    EXPECT_EQ(ip.LogDrawY, L(12));
    // Through (20, 2): the lower half, counter-clockwise.
    Stream under = plain();
    under.moveTo(10, 12).op(OP_ARCLINE).xy(10, -10).xy(10, 10).end();
    std::set<Pixel> down = lit(picture(40, 26, under));

    expectOnCircle(up, 20, 12, 10);
    expectOnCircle(down, 20, 12, 10);
    EXPECT_TRUE(up.count({20, 22}));
    EXPECT_TRUE(down.count({20, 2}));
    for (const Pixel &p : up) EXPECT_GE(p.second, 11) << p.first;
    for (const Pixel &p : down) EXPECT_LE(p.second, 13) << p.first;
    for (int x = 10; x <= 30; x++) {
        bool inUp = false, inDown = false;
        for (const Pixel &p : up) inUp |= p.first == x;
        for (const Pixel &p : down) inDown |= p.first == x;
        EXPECT_TRUE(inUp && inDown) << "column " << x;
    }
}

TEST_F(Arcs, AnArcTheLongWayRoundKeepsToTheSideOfItsIntermediatePoint) {
    // From (20, 2) through (30, 12) to (10, 12) counter-clockwise: three
    // quarters of the circle, nothing in the lower left quarter.
    Stream s = plain();
    s.op(OP_SETARCLINE).xy(20, 2).xy(10, 10).xy(-20, 0).end();
    std::set<Pixel> px = lit(picture(40, 26, s));
    expectOnCircle(px, 20, 12, 10);
    EXPECT_TRUE(px.count({30, 12}));
    EXPECT_TRUE(px.count({20, 22}));
    for (const Pixel &p : px) EXPECT_FALSE(p.first < 19 && p.second < 11) << p.first << "," << p.second;
}

TEST(ArcGeometry, CalcORFindsTheCentreAndRadiusOrReportsWhyNot) {
    int32_t c[2] = {0, 0}, r = 0;
    {
        const int32_t xs[3] = {0, 10, 20}, ys[3] = {0, 10, 0};
        CalcOR(xs, ys, c, &r);
        EXPECT_EQ(c[0], 10);
        EXPECT_EQ(c[1], 0);
        EXPECT_EQ(r, 10);
    }
    {
        const int32_t xs[3] = {0, 0, 10}, ys[3] = {0, 10, 10};
        CalcOR(xs, ys, c, &r);
        EXPECT_EQ(c[0], 5);
        EXPECT_EQ(c[1], 5);
        EXPECT_EQ(r, 7);  // the square root of 50, rounded down
    }
    {
        const int32_t xs[3] = {0, 5, 10}, ys[3] = {0, 5, 10};  // one line
        r = 0;
        CalcOR(xs, ys, c, &r);
        EXPECT_EQ(r, -1);
    }
    {
        const int32_t xs[3] = {-40000, 0, 40000}, ys[3] = {0, 40000, 0};  // radius 40000
        CalcOR(xs, ys, c, &r);
        EXPECT_EQ(r, -2);
    }
    {
        const int32_t xs[3] = {0, 20, 40}, ys[3] = {70000, 70001, 70000};  // centre far below
        CalcOR(xs, ys, c, &r);
        EXPECT_EQ(r, -2);
    }
    {
        // Products of coordinates at the ends of the int32 range.
        const int32_t xs[3] = {INT32_MIN, 0, INT32_MAX}, ys[3] = {0, INT32_MAX, 0};
        CalcOR(xs, ys, c, &r);
        EXPECT_EQ(r, -2);
        const int32_t xs2[3] = {INT32_MIN, INT32_MAX, INT32_MIN}, ys2[3] = {INT32_MIN, 0, INT32_MAX};
        CalcOR(xs2, ys2, c, &r);
        EXPECT_EQ(r, -2);
    }
}

TEST(ArcGeometry, IntegerSquareRootIsTheFloorForEveryValue) {
    EXPECT_EQ(nsqrt(8), 2);
    EXPECT_EQ(nsqrt(9), 3);
    EXPECT_EQ(nsqrt(15), 3);
    EXPECT_EQ(nsqrt(0), 0);
    EXPECT_EQ(nsqrt(1), 1);
    EXPECT_EQ(nsqrt(-5), 0);
    auto check = [](int64_t n) {
        int64_t s = nsqrt(n);
        ASSERT_LE(s * s, n) << n;
        ASSERT_GT(__extension__(__int128)(s + 1) * (s + 1), n) << n;
    };
    for (int64_t n = 0; n < 300000; n++) check(n);
    for (int64_t k = 2; k <= 3037000499LL; k = k < 1000000000LL ? k * 3 + 1 : k + 203700049) {
        check(k * k - 1);
        check(k * k);
        check(k * k + 1);
    }
    EXPECT_EQ(nsqrt(INT64_MAX), 3037000499LL);
    // The walk's order test multiplies coordinates without overflow.
    EXPECT_TRUE(greater(0, 5, 5, 0));  // (0, 5) lies ahead of (5, 0)
    EXPECT_FALSE(greater(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
    EXPECT_TRUE(greater(INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX));
    EXPECT_EQ(distance(3, 4), 5);
    EXPECT_EQ(distance(-7, 0), 7);
}

// --- Degenerate forms ---------------------------------------------------------

TEST_F(Arcs, ThreePointsOnOneLineDrawTwoLinesOrTheFlatTriangle) {
    Stream arc = plain();
    arc.moveTo(2, 2).op(OP_ARCLINE).xy(6, 2).xy(6, 2).end();
    Stream lines = plain();
    lines.moveTo(2, 2).op(OP_RELLINE).xy(6, 2).xy(6, 2).end();
    Grid a = picture(16, 8, arc);
    EXPECT_EQ(ip.LogDrawX, L(14));
    EXPECT_TRUE(pictureIs(a, picture(16, 8, lines)));
    EXPECT_FALSE(lit(a).empty());

    // SET & ARC with the same points: two SET & LINE segments, the drawing
    // point at the end, for the outlined and the filled form alike.
    for (int op : {OP_SETARCLINE, OP_SETARCFILL}) {
        Stream set = plain();
        set.op(op).xy(2, 2).xy(6, 2).xy(6, 2).end();
        EXPECT_TRUE(pictureIs(picture(16, 8, set), a)) << op;
        EXPECT_EQ(ip.LogDrawX, L(14));
        EXPECT_EQ(ip.LogDrawY, L(6));
    }

    // ARC FILLED: the flat triangle P0, P1, P2 through the polygon fill.
    Stream filled = plain();
    filled.moveTo(2, 2).op(OP_ARCFILL).xy(6, 2).xy(6, 2).end();
    Grid f = picture(16, 8, filled);
    Grid tri = rasterPicture(16, 8, [] {
        int32_t v[6] = {2, 2, 8, 4, 14, 6};
        drawpolyfill(v, 3);
    });
    EXPECT_TRUE(pictureIs(f, tri));
    EXPECT_TRUE(lit(f).count({2, 2}));
    EXPECT_TRUE(lit(f).count({14, 6}));
}

TEST_F(Arcs, SixValuesDrawThreeJoinedSegmentsInsteadOfAnArc) {
    Stream lines = plain();
    lines.moveTo(1, 1).op(OP_RELLINE).xy(8, 0).xy(0, 6).xy(-5, -3).end();
    Grid expected = picture(12, 9, lines);
    for (int op : {OP_ARCLINE, OP_ARCFILL}) {
        Stream s = plain();
        s.moveTo(1, 1).op(op).xy(8, 0).xy(0, 6).xy(-5, -3).end();
        EXPECT_TRUE(pictureIs(picture(12, 9, s), expected)) << op;
        EXPECT_EQ(ip.LogDrawX, L(4));
        EXPECT_EQ(ip.LogDrawY, L(4));
    }
    // SET & ARC with eight values: the same relative polyline, all four
    // pairs from the drawing point.
    Stream set8 = plain();
    set8.moveTo(1, 1).op(OP_SETARCLINE).xy(8, 0).xy(0, 6).xy(-5, -3).xy(0, 0).end();
    EXPECT_TRUE(pictureIs(picture(12, 9, set8), expected));
}

TEST_F(Arcs, FewValuesOnlyMoveTheDrawingPoint) {
    Stream s = plain();
    s.op(OP_SETARCFILL).xy(10, 5).end();
    EXPECT_TRUE(pictureIs(picture(12, 8, s), xtest::blank(12, 8)));
    EXPECT_EQ(ip.LogDrawX, L(10));
    EXPECT_EQ(ip.LogDrawY, L(5));
    EXPECT_EQ(ip.PhyDrawX, 10);

    Stream none = plain();
    none.moveTo(4, 4).op(OP_ARCLINE).end();
    EXPECT_TRUE(pictureIs(picture(12, 8, none), xtest::blank(12, 8)));
    EXPECT_EQ(ip.LogDrawX, L(4));
}

// --- Filled segments --------------------------------------------------------------

class Segments : public Arcs {
protected:
    Grid bow(int w, int h, int cx, int cy, int r, int x0, int y0, int x2, int y2, int dir) {
        return rasterPicture(w, h, [&] {
            SetPelSize(1, 1);
            SetColor(16, 0, 1);
            Bow(cx, cy, r, x0, y0, x2, y2, dir);
        });
    }
    Grid disk(int w, int h, int cx, int cy, int r) {
        return rasterPicture(w, h, [&] {
            SetPelSize(1, 1);
            SetColor(16, 0, 1);
            Disk(cx, cy, r);
        });
    }
};

TEST_F(Segments, QuarterChordFillsTheSmallSegmentOneWayAndTheRestTheOther) {
    // Centre (12, 12), radius 8, from (20, 12) to (12, 20).
    Grid ccw = bow(25, 25, 12, 12, 8, 20, 12, 12, 20, 1);
    Grid cw = bow(25, 25, 12, 12, 8, 20, 12, 12, 20, -1);
    Grid d = disk(25, 25, 12, 12, 8);
    int small = 0;
    for (int y = 0; y < 25; y++) {
        for (int x = 0; x < 25; x++) {
            const int s = (x - 12) + (y - 12);  // 8 on the chord
            if (at(d, x, y) == '0') {
                EXPECT_EQ(at(ccw, x, y), '0') << x << "," << y;
                EXPECT_EQ(at(cw, x, y), '0') << x << "," << y;
            } else if (s >= 8) {
                // The small segment and the chord: counter-clockwise; the
                // other side covers the chord's pels, one step beyond at most.
                EXPECT_EQ(at(ccw, x, y), '1') << x << "," << y;
                if (s > 9) {
                    EXPECT_EQ(at(cw, x, y), '0') << x << "," << y;
                }
                if (s == 8) {
                    EXPECT_EQ(at(cw, x, y), '1') << x << "," << y;
                }
                small++;
            } else {
                EXPECT_EQ(at(ccw, x, y), '0') << x << "," << y;
                EXPECT_EQ(at(cw, x, y), '1') << x << "," << y;
            }
        }
    }
    EXPECT_GT(small, 10);
}

TEST_F(Segments, VerticalChordFillsTheCapBeyondIt) {
    // Centre (12, 12), radius 8, chord from (18, 7) up to (18, 17).
    Grid g = bow(25, 25, 12, 12, 8, 18, 7, 18, 17, 1);
    Grid d = disk(25, 25, 12, 12, 8);
    for (int y = 0; y < 25; y++)
        for (int x = 0; x < 25; x++) {
            const bool cap = at(d, x, y) == '1' && x >= 18 && y >= 7 && y <= 17;
            EXPECT_EQ(at(g, x, y), cap ? '1' : '0') << x << "," << y;
        }
}

TEST_F(Segments, HorizontalChordThroughTheCentreFillsTheHalfDiskWithTheChordRow) {
    // From (20, 12) to (4, 12): counter-clockwise over the top, clockwise
    // under the bottom.
    Grid top = bow(25, 25, 12, 12, 8, 20, 12, 4, 12, 1);
    Grid bottom = bow(25, 25, 12, 12, 8, 20, 12, 4, 12, -1);
    Grid d = disk(25, 25, 12, 12, 8);
    for (int y = 0; y < 25; y++)
        for (int x = 0; x < 25; x++) {
            EXPECT_EQ(at(top, x, y), y >= 12 ? at(d, x, y) : '0') << x << "," << y;
            EXPECT_EQ(at(bottom, x, y), y <= 12 ? at(d, x, y) : '0') << x << "," << y;
        }
    EXPECT_EQ(at(top, 4, 12), '1');
    EXPECT_EQ(at(top, 20, 12), '1');
}

TEST_F(Segments, ChordOnOneSideOfTheCentreCutsACapOrLeavesTheRest) {
    // Centre (12, 12), radius 8; chord from (6, 17) down to (6, 7), left of
    // the centre. Counter-clockwise from the upper end the arc runs round
    // the left: the small cap. Clockwise it runs round the right: the rest.
    Grid cap = bow(25, 25, 12, 12, 8, 6, 17, 6, 7, 1);
    Grid rest = bow(25, 25, 12, 12, 8, 6, 17, 6, 7, -1);
    Grid d = disk(25, 25, 12, 12, 8);
    for (int y = 0; y < 25; y++)
        for (int x = 0; x < 25; x++) {
            const bool in = at(d, x, y) == '1';
            const bool band = y >= 7 && y <= 17;
            EXPECT_EQ(at(cap, x, y), in && band && x <= 6 ? '1' : '0') << x << "," << y;
            if (x == 5 && band) continue;  // one step beyond the chord may be set
            EXPECT_EQ(at(rest, x, y), in && (x >= 6 || !band) ? '1' : '0') << x << "," << y;
        }
}

TEST_F(Segments, FilledThreePointArcThroughTheStreamIsTheSegmentOnItsSide) {
    // From (4, 2) through (14, 12) to (4, 22): the right half of the disk
    // about (4, 12) of radius 10, the chord x = 4 included.
    Stream s = plain();
    s.op(OP_SETARCFILL).xy(4, 2).xy(10, 10).xy(-10, 10).end();
    Grid g = picture(20, 26, s);
    EXPECT_EQ(ip.LogDrawX, L(4));
    EXPECT_EQ(ip.LogDrawY, L(22));
    Grid d = disk(20, 26, 4, 12, 10);
    for (int y = 0; y < 26; y++)
        for (int x = 0; x < 20; x++)
            EXPECT_EQ(at(g, x, y), x >= 4 ? at(d, x, y) : '0') << x << "," << y;
}

// --- Highlight and line textures ----------------------------------------------------

TEST_F(Arcs, HighlightOutlinesAFilledArcInTheBackgroundColour) {
    // Opaque background (index 32, cell 2) in colour mode 2.
    Stream s = Stream().start(3).select(16, 32).texture(0, true);
    s.moveTo(4, 8).op(OP_ARCFILL).xy(8, 0).end();
    Grid g = picture(16, 16, s);
    EXPECT_EQ(at(g, 8, 8), '1');   // the inside in the foreground
    EXPECT_EQ(at(g, 4, 8), '2');   // the circle itself in the background colour
    EXPECT_EQ(at(g, 12, 8), '2');
    EXPECT_EQ(at(g, 8, 12), '2');
    EXPECT_EQ(at(g, 8, 4), '2');
    // The filled arc's colours stay those of the mode afterwards.
    EXPECT_EQ(ras.DRAW_COLOR_fg, 16);
    EXPECT_EQ(ras.DRAW_COLOR_bg, 32);
}

TEST_F(Arcs, DashedArcShowsTheBackgroundInItsGapsOnlyInModeTwo) {
    // A one-pixel logical pel keeps the texture; radius 10 about (12, 12).
    auto ring = [&](Stream s, int texture) {
        // The texture cycle carries over from arc to arc; each ring starts
        // in a dash.
        ras.arc.dotMode = 0;
        s.texture(texture).moveTo(2, 12).op(OP_ARCLINE).xy(20, 0).end();
        return picture(25, 26, s);
    };
    Grid solid = ring(Stream().start(3, 1, 1).select(16), 0);
    Grid opaque = ring(Stream().start(3, 1, 1).select(16, 32), 2);
    Grid clear = ring(Stream().start(3, 1, 1).select(16), 2);
    std::set<Pixel> all = lit(solid);
    int fg = 0, bg = 0, gaps = 0;
    for (const Pixel &p : all) {
        const char o = at(opaque, p.first, p.second), c = at(clear, p.first, p.second);
        EXPECT_TRUE(o == '1' || o == '2') << p.first << "," << p.second;
        fg += o == '1';
        bg += o == '2';
        EXPECT_TRUE(c == '1' || c == '0');
        gaps += c == '0';
        if (o == '1') {
            EXPECT_EQ(c, '1');
        }
    }
    EXPECT_GT(fg, 10);
    EXPECT_GT(bg, 10);
    EXPECT_GT(gaps, 10);
    EXPECT_EQ(lit(opaque), all);     // gaps painted: the whole ring
    EXPECT_EQ(lit(clear).size(), all.size() - size_t(gaps));
    // Direct colour (index 128, cell 8): the same dashes, gaps untouched.
    Grid direct = ring(Stream().start(1, 1, 1), 2);
    for (const Pixel &p : all)
        EXPECT_EQ(at(direct, p.first, p.second), at(clear, p.first, p.second) == '1' ? '8' : '0')
            << p.first << "," << p.second;
    EXPECT_EQ(lit(direct), lit(clear));
}

TEST_F(Arcs, ZeroLogicalPelWidthMakesATexturedArcSolid) {
    Stream solid = Stream().start(3, 0, 1).select(16).texture(0);
    solid.moveTo(2, 12).op(OP_ARCLINE).xy(20, 0).end();
    Stream dashed = Stream().start(3, 0, 1).select(16).texture(2);
    dashed.moveTo(2, 12).op(OP_ARCLINE).xy(20, 0).end();
    Grid s = picture(25, 26, solid);
    EXPECT_FALSE(lit(s).empty());
    EXPECT_TRUE(pictureIs(picture(25, 26, dashed), s));
}

TEST_F(Arcs, DottedArcWritesPelsSpacedMoreThanTwoPelsApart) {
    Stream s = Stream().start(3, 1, 1).select(16).texture(1);
    s.moveTo(2, 12).op(OP_ARCLINE).xy(20, 0).end();
    std::set<Pixel> px = lit(picture(25, 26, s));
    // Each dot is one pel (two rows tall); dots are more than two pixels
    // apart along x or y from the one written before, so the ring has few.
    EXPECT_GT(px.size(), 8u);
    EXPECT_LT(px.size(), 40u);
    expectOnCircle(px, 12, 12, 10);
}

// --- Hostile and degenerate circles -------------------------------------------------

TEST_F(Arcs, ACircleBeyondTheWalkableRangeIsNotDrawn) {
    Grid g = rasterPicture(20, 20, [] {
        arcoutline(5, 5, 70000, 5, 5, 5);
        arcfil(5, 5, 5, -70000, 5, 5);
        arcoutline(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
        arcfil(INT32_MAX, 0, INT32_MIN, 0, INT32_MAX, 0);
    });
    EXPECT_TRUE(pictureIs(g, xtest::blank(20, 20)));
}

TEST_F(Arcs, AThreePointArcOfTooLargeARadiusIsDrawnAlongItsChords) {
    // A bulge of one pixel over half a chord of 256: a radius of about
    // 32768, beyond the walk's range. The window shows the middle part.
    Grid arc = rasterPicture(20, 10, [] { arcoutline(-246, 5, 10, 6, 266, 5); });
    Grid chords = rasterPicture(20, 10, [] {
        line(-246, 5, 10, 6, 1, 1, 16, -1, 0);
        line(10, 6, 266, 5, 1, 1, 16, -1, 0);
    });
    EXPECT_TRUE(pictureIs(arc, chords));
    EXPECT_EQ(at(arc, 10, 6), '1');
    Grid filled = rasterPicture(20, 10, [] { arcfil(-246, 5, 10, 6, 266, 5); });
    Grid triangle = rasterPicture(20, 10, [] {
        int32_t v[6] = {-246, 5, 10, 6, 266, 5};
        polygon_fill(v, 3, 1, 1, 16, -1);
    });
    EXPECT_TRUE(pictureIs(filled, triangle));
    EXPECT_EQ(at(filled, 10, 6), '1');
    EXPECT_EQ(at(filled, 10, 5), '1');
}

TEST_F(Arcs, ExtremeOperandsNeitherOverflowNorHang) {
    auto t = window(32, 32);
    ip.PhyPelX = ip.PhyPelY = 1;
    ip.ColorMod = 1;
    ip.ForColor = 16;
    const int32_t big[] = {INT32_MIN, INT32_MIN + 1, -0x10000, 0, 0x8000, INT32_MAX - 1, INT32_MAX};
    for (int32_t a : big)
        for (int32_t b : big) {
            std::vector<int32_t> rec(DATA_SIZE, 0);
            rec[0] = 6;
            for (int i = 1; i <= 6; i++) rec[size_t(i)] = (i & 1) ? a : b;
            for (int op = OP_ARCLINE; op <= OP_SETARCFILL; op++) {
                for (int n : {2, 4}) {
                    rec[0] = n;
                    pdi(op, rec.data());
                }
            }
        }
    // A record whose count says more than it can hold.
    std::vector<int32_t> rec(DATA_SIZE, 1);
    rec[0] = INT32_MAX;
    pdi(OP_ARCLINE, rec.data());
    rec[0] = -5;
    pdi(OP_SETARCFILL, rec.data());
    // Pels beyond any window.
    ip.PhyPelX = INT32_MIN;
    ip.PhyPelY = INT32_MAX;
    arcoutline(10, 10, 20, 10, 10, 10);
    arcfil(10, 10, 20, 20, 30, 10);
    arcfil(10, 10, 20, 20, 10, 10);
    EXPECT_TRUE(xtest::windowMatchesPixmap(*t));
}

TEST_F(Arcs, APelOfNoSizeDrawsAsOnePixel) {
    // Before any DOMAIN the physical pel is 0 x 0.
    Grid g = rasterPicture(10, 8, [] {
        ip.PhyPelX = ip.PhyPelY = 0;
        arcoutline(3, 3, 7, 3, 3, 3);
    });
    EXPECT_TRUE(pictureIs(g, kCircle2));
}

TEST_F(Arcs, ArcsAreDrawnRelativeToTheOrigin) {
    Grid g = rasterPicture(14, 11, [] {
        ip.OriginX = 4;
        ip.OriginY = 3;
        arcoutline(3, 3, 7, 3, 3, 3);
    });
    std::set<Pixel> px = lit(g);
    std::set<Pixel> expected;
    for (const Pixel &p : lit(kCircle2)) expected.insert({p.first + 4, p.second + 3});
    EXPECT_EQ(px, expected);
}

}  // namespace
}  // namespace naplps
