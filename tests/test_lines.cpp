// Lines, points, rectangles, polygon outlines, FIELD and arcs as scripts:
// a description in, the picture it draws out (one pdienc unit a pixel).
#include <array>
#include <climits>
#include <cmath>
#include <set>

#include "decoder/api.h"
#include "interp/arc.h"
#include "interp/protocol.h"
#include "raster/arc.h"
#include "raster/fill.h"
#include "interp/state.h"
#include "raster/raster.h"
#include "tests/surface_fixture.h"

namespace naplps::ptest {
namespace {

// Pixels that are not cell 0, as bottom-up (x, y).
std::set<std::pair<int, int>> lit(const Grid &g) {
    std::set<std::pair<int, int>> s;
    for (size_t r = 0; r < g.size(); r++)
        for (size_t x = 0; x < g[r].size(); x++)
            if (g[r][x] != '0') s.insert({int(x), int(g.size() - 1 - r)});
    return s;
}

TEST(Lines, SlopesRoundTowardsTheirTravelWithPelsOfAnySign) {
    EXPECT_TRUE(draws("set-line 0 0 8 3", ".......11. ....111... ..11...... 11........"));
    EXPECT_TRUE(
        draws("select 32; set-line 8 3 0 0", ".......22. .....22... ..222..... 22........"));
    EXPECT_TRUE(
        draws("set-line 3 0 0 8", "..... 1.... 1.... .1... .1... .1... ..1.. ..1.. ...1. ...1."));
    EXPECT_TRUE(
        draws("set-line 0 8 3 0", "..... 1.... 1.... .1... .1... ..1.. ..1.. ..1.. ...1. ...1."));
    EXPECT_TRUE(draws("domain pel=3,2; set-line 10 0 20 0",
                      "........................ ..........1111111111111. "
                      "..........1111111111111."));
    // Length zero: one pel. Leftward with a negative width: the pel extends
    // in the travel direction.
    EXPECT_TRUE(
        draws("domain pel=2,2; texture line=3; set-line 2 1 2 1", "...... ..11.. ..11.. ......"));
    EXPECT_TRUE(draws("domain pel=-3,1; set-line 12 0 2 0", "................ 1111111111111..."));
    // Negative sizes cover the pixels of the mirrored pel.
    EXPECT_EQ(drawn(16, 6, "domain pel=-3,1; set-line 2 0 12 4"),
              drawn(16, 6, "domain pel=3,1; set-line 0 0 10 4"));
    EXPECT_EQ(drawn(16, 8, "domain pel=1,-2; set-line 0 1 9 5"),
              drawn(16, 8, "domain pel=1,2; set-line 0 0 9 4"));
}

// A swept pel covers its start and end pels and stops there: every row one
// unbroken run, nothing beyond the end pel in either direction.
TEST(Lines, SweptPelsStopAtTheEndPel) {
    EXPECT_TRUE(draws("domain pel=3,2; set-line 0 0 10 4",
                      ".............. .........1111. .......111111. ....1111111... "
                      "..1111111..... 111111........ 1111.........."));
    Grid tall = drawn(4, 90, "domain pel=1,40; set-line 1 0 2 30");
    for (int y = 0; y < 90; y++) EXPECT_EQ(tall[size_t(89 - y)] != "0000", y < 70) << y;
    for (const char *s : {"set-line 0 0 32 11", "set-line 32 11 0 0"}) {
        Grid wide = drawn(40, 13, std::string("domain pel=4,1;") + s);
        EXPECT_EQ(wide[1].substr(32, 4), "1111") << s;
        for (auto &row : wide) EXPECT_EQ(row.substr(36), "0000") << s;
    }
}

// Dotted and dot-dashed lines: gaps painted in the background with two
// colours, left alone with one; the end pel always drawn; a logical pel of
// 0 along the travel makes a textured line solid.
TEST(Lines, TexturesLeaveOrPaintTheirGaps) {
    EXPECT_TRUE(
        draws("select 48; set-rect-filled 0 0 18 2; texture line=3; select 16;"
              "set-line 0 0 15 0; select 16 32; set-line 0 1 15 1",
              "333333333333333333 111212111212111133 111313111313111133"));
    EXPECT_TRUE(draws("domain pel=2,1; texture line=1; select 16 32; set-line 0 0 15 0",
                      ".................. 11221122112211211."));
    Grid dashed = drawn(3, 21, "texture line=3; set-line 1 0 1 20");
    std::string column;
    for (int y = 0; y < 21; y++) column += at(dashed, 1, y);
    EXPECT_EQ(column, "111010111010111010111");
    Grid solid = drawn(10, 5, "select 16 32; set-line 0 0 8 3");
    EXPECT_EQ(drawn(10, 5, "domain pel=0,1; select 16 32; texture line=2; set-line 0 0 8 3"),
              solid);
    EXPECT_EQ(drawn(10, 5, "domain pel=1,0; select 16 32; texture line=1; set-line 0 0 8 3"),
              solid);
    EXPECT_NE(drawn(10, 5, "select 16 32; texture line=2; set-line 0 0 8 3"), solid);
    EXPECT_TRUE(draws("domain pel=0,1; texture line=2; set-line 1 0 1 11",
                      "... .1. ... ... .1. .1. .1. ... ... ... .1. .1. .1."));
}

// Each script draws the same picture and marks where it leaves the
// drawing point with a pel of cell 2 (a 1 x 1 pel is a column of two rows).
TEST(Lines, InstructionsDrawAndLeaveThePointAtTheirEnd) {
    const std::pair<std::vector<std::string>, const char *> cases[] = {
        {{"point-set 1 1; line 6 1 6 5 1 5", "point-set 1 1; line-rel 5 0 0 4 -5 0"},
         ".2...... .211111. ......1. ......1. ......1. .111111. ........"},
        {{"set-line 1 1 5 1 1 4 5 4", "set-line-rel 5 1 -4 0 1 4 4 0"},
         "........ .....2.. .11112.. ........ ........ .11111.. ........"},
        // Rectangles follow each other along x; negative sizes extend back.
        {{"point-set 1 1; rect 3 2 4 3", "set-rect 1 1 3 2 4 1 4 3"},
         ".......... ....11111. .1111...1. .1..1...2. .11111112. .........."},
        {{"point-set 5 4; rect -4 -3"}, "...... .2.... .21111 .1...1 .1...1 .11111 ......"},
        {{"set-poly 2 1 4 0 0 3 -4 0"}, "....... ..11111 ..1...1 ..2...1 ..21111 ......."},
        // Points move or draw; a polygon without pairs is one pel.
        {{"point-set 3 4; point-set-rel -1 -1; point 6 3 5 4; point-rel -2 1"},
         "...2.... ...2.1.. .....11. ......1. ........ ........ ........"},
    };
    for (auto &[scripts, picture] : cases)
        for (auto &s : scripts) EXPECT_TRUE(draws(s + "; select 32; point-rel 0 0", picture));
    EXPECT_TRUE(draws("point-set 3 1; poly", "...... ...... ...1.. ......"));
}

// In move modes 0 and 2 the text cursor follows the drawing point.
TEST(Lines, TheCursorFollowsTheDrawingPointInMoveModesZeroAndTwo) {
    auto text = [](int mode) {
        return drawn(
            40, 30,
            "textmode move=" + std::to_string(mode) + " size=6,10; point-set 20 10; text \"I\"");
    };
    EXPECT_FALSE(lit(text(0)).empty());
    EXPECT_EQ(text(2), text(0));
    EXPECT_NE(text(1), text(0));
    EXPECT_EQ(text(3), text(1));
}

// An encoder writes a full-width field as width -1.0: such a field would lie
// wholly left of the screen and is read with the width's magnitude, its text
// running along the screen. A negative width that leaves it on the screen
// is kept: text wraps to its left edge.
TEST(Lines, AFieldWhollyOffTheScreenReadsItsSizesMagnitude) {
    auto ab = [](const std::string &field) {
        return drawn(64, 64, "reset text; domain multi=4 pel=1,1; field " + field + "; text \"AB\"",
                     512);
    };
    const Grid full = ab("0 20 255.875 20");
    EXPECT_EQ(ab("0 20 -256 20"), full);
    int second = 0;  // pixels of B, in the cell after A
    for (auto [x, y] : lit(full)) second += x >= 12 && x < 24 && y >= 40 && y < 60;
    EXPECT_GT(second, 20);
    EXPECT_NE(ab("20 20 -20 20"), full);
}

const char kCircle[] = "..111... .11111.. .1...1.. .1...1.. .11111.. ..111... ........";

// A whole circle on its diameter, whatever the form or a pel of no size;
// the pairs leave the drawing point where they end.
TEST(Arcs, AWholeCircleIsDrawnOnItsDiameter) {
    for (const char *s :
         {"point-set 1 3; arc 4 0", "point-set 1 3; arc 4 0 -4 0", "set-arc 1 3 4 0",
          "domain pel=-1,-1; point-set 1 3; arc 4 0", "domain pel=0,0; point-set 1 3; arc 4 0",
          "domain multi=4; point-set 1 3; arc 4 0 -3.75 0"})
        EXPECT_TRUE(draws(s, kCircle)) << s;
    EXPECT_TRUE(draws("point-set 1 3; arc-filled 4 0",
                      "..111... .11111.. .11111.. .11111.. ..111... ........"));
    EXPECT_TRUE(draws("domain pel=3,3; point-set 3 3; arc-filled 4 0",
                      "........... ........... ....11111.. ...1111111. ...1111111. "
                      "...1111111. ...1111111. ...1111111. ....11111.. ..........."));
}

void expectOnCircle(const Grid &g, double cx, double cy, double r) {
    ASSERT_FALSE(lit(g).empty());
    for (auto [x, y] : lit(g)) {  // within the pel's second row
        double off = std::min(std::fabs(std::hypot(x - cx, y - cy) - r),
                              std::fabs(std::hypot(x - cx, y - 1 - cy) - r));
        EXPECT_LE(off, 1.0) << x << "," << y;
    }
}

// From (10, 12) over (20, 22) or under (20, 2) to (30, 12), about (20, 12);
// from (20, 2) over (30, 12) to (10, 12): three quarters, none lower left.
TEST(Arcs, AThreePointArcRunsThroughItsMiddlePointTheWayItLies) {
    Grid up = drawn(40, 26, "set-arc 10 12 10 10 10 -10");
    Grid down = drawn(40, 26, "point-set 10 12; arc 10 -10 10 10");
    Grid most = drawn(40, 26, "set-arc 20 2 10 10 -20 0");
    for (const Grid *g : {&up, &down, &most}) expectOnCircle(*g, 20, 12, 10);
    EXPECT_EQ(
        std::string() + at(up, 20, 22) + at(down, 20, 2) + at(most, 30, 12) + at(most, 20, 22),
        "1111");
    for (auto [x, y] : lit(up)) EXPECT_GE(y, 11) << x;
    for (auto [x, y] : lit(down)) EXPECT_LE(y, 13) << x;
    for (auto [x, y] : lit(most)) EXPECT_FALSE(x < 19 && y < 11) << x << "," << y;
    for (int x = 10; x <= 30; x++) {
        bool inUp = false, inDown = false;
        for (int y = 0; y < 26; y++) {
            inUp |= at(up, x, y) == '1';
            inDown |= at(down, x, y) == '1';
        }
        EXPECT_TRUE(inUp && inDown) << "column " << x;
    }
}

// Three points on a line: two lines (filled, the flat polygon); six values:
// three lines; one pair or none: the point moves, nothing is drawn.
TEST(Arcs, DegenerateArcsDrawLinesOrPolygonsAndFewValuesOnlyMove) {
    const std::string lines = "point-set 2 2; line-rel 6 2 6 2";
    for (const char *s :
         {"point-set 2 2; arc 6 2 6 2", "set-arc 2 2 6 2 6 2", "set-arc-filled 2 2 6 2 6 2"})
        EXPECT_EQ(drawn(16, 8, s), drawn(16, 8, lines)) << s;
    EXPECT_EQ(drawn(16, 8, "point-set 2 2; arc-filled 6 2 6 2"),
              drawn(16, 8, "set-poly-filled 2 2 6 2 6 2"));
    const Grid three = drawn(12, 9, "point-set 1 1; line-rel 8 0 0 6 -5 -3; point-rel 0 0");
    for (const char *s :
         {"point-set 1 1; arc 8 0 0 6 -5 -3", "point-set 1 1; arc-filled 8 0 0 6 -5 -3",
          "point-set 1 1; set-arc 8 0 0 6 -5 -3 0 0"})
        EXPECT_EQ(drawn(12, 9, std::string(s) + "; point-rel 0 0"), three) << s;
    EXPECT_TRUE(draws("set-arc-filled 4 3; select 32; point-rel 0 0",
                      "....2. ....2. ...... ...... ......"));
    EXPECT_TRUE(draws("point-set 4 3; arc; select 32; point-rel 0 0",
                      "....2. ....2. ...... ...... ......"));
}

// From (4, 2) over (14, 12) to (4, 22): the right half of the disk about
// (4, 12), the chord included; the segments of the rasteriser on the arc's
// side of their chord (-1: either, a step beyond the chord).
TEST(Arcs, AFilledSegmentIsTheDiskOnTheArcsSideOfTheChord) {
    Grid half = drawn(20, 26, "set-arc-filled 4 2 10 10 -10 10");
    Grid disk = drawn(20, 26, "point-set 4 2; arc-filled 0 20");
    for (int y = 0; y < 26; y++)
        for (int x = 0; x < 20; x++)
            EXPECT_EQ(at(half, x, y), x >= 4 ? at(disk, x, y) : '0') << x << "," << y;
    struct Case {
        int x0, y0, x2, y2, dir;
        int (*in)(int x, int y);
    } cases[] = {
        {20, 12, 12, 20, 1, [](int x, int y) { return int(x + y - 24 >= 8); }},
        {20, 12, 12, 20, -1,
         [](int x, int y) { return x + y - 24 == 9 ? -1 : int(x + y - 24 <= 8); }},
        {18, 7, 18, 17, 1, [](int x, int y) { return int(x >= 18 && y >= 7 && y <= 17); }},
        {20, 12, 4, 12, -1, [](int, int y) { return int(y <= 12); }},
        {6, 17, 6, 7, -1,
         [](int x, int y) { return y >= 7 && y <= 17 ? x == 5 ? -1 : int(x >= 6) : 1; }},
    };
    auto fill = [](auto shape) {
        resetState();
        TestSurface t(25, 25);
        t.open();
        SetPelSize(1, 1);
        SetColor(16, 0, 1);
        shape();
        return t.grid();
    };
    Grid d = fill([] { Disk(12, 12, 8); });
    for (const Case &c : cases) {
        Grid g = fill([&] { Bow(12, 12, 8, c.x0, c.y0, c.x2, c.y2, c.dir); });
        for (int y = 0; y < 25; y++)
            for (int x = 0; x < 25; x++) {
                int want = at(d, x, y) == '1' ? c.in(x, y) : 0;
                EXPECT_TRUE(want < 0 || at(g, x, y) == "01"[want]) << c.x0 << " " << x << "," << y;
            }
    }
}

// Highlight outlines a filled arc in the background colour; dashed rings
// paint their gaps only with two colours, and are solid without a logical
// pel along the travel; dotted rings are one pel a dot.
TEST(Arcs, HighlightAndTexturedRings) {
    Grid h = drawn(16, 16, "select 16 32; texture highlight; point-set 4 8; arc-filled 8 0");
    EXPECT_EQ(std::string() + at(h, 8, 8) + at(h, 4, 8) + at(h, 12, 8) + at(h, 8, 12) + at(h, 8, 4),
              "12222");
    auto ring = [](const std::string &pen, int texture) {
        return drawn(
            25, 26,
            pen + "; texture line=" + std::to_string(texture) + "; point-set 2 12; arc 20 0");
    };
    const auto all = lit(ring("select 16", 0));
    Grid opaque = ring("select 16 32", 2), clear = ring("select 16", 2);
    Grid direct = ring("reset colour=1; domain pel=1,1", 2);  // index 128, cell 8
    for (auto [x, y] : all)
        EXPECT_EQ(std::string() + at(opaque, x, y) + at(direct, x, y),
                  at(clear, x, y) == '1' ? "18" : "20")
            << x << "," << y;
    EXPECT_TRUE(lit(clear).size() > 10 && all.size() - lit(clear).size() > 10);
    Grid dots = ring("select 16", 1);
    EXPECT_TRUE(lit(dots).size() > 8 && lit(dots).size() < 40) << lit(dots).size();
    expectOnCircle(dots, 12, 12, 10);
    Grid solid = ring("domain pel=0,1", 0);
    EXPECT_FALSE(lit(solid).empty());
    EXPECT_EQ(ring("domain pel=0,1", 2), solid);
}

// Below the instructions: lines and circles far out of range, extreme
// operands and pels; what is drawn stays in the window, bounded and exact.
TEST(Extremes, LinesAndArcsBeyondAnyWindowAreBoundedAndExact) {
    resetState();
    TestSurface t(20, 8);
    ASSERT_EQ(t.open(), 0);
    t.playArea();
    ras.pen.PhyPelX = ras.pen.PhyPelY = ras.pen.LogPelX = ras.pen.LogPelY = ras.pen.ColorMod = 1;
    ras.pen.ForColor = ras.pen.ColorNo = 16;
    // 30000 pixels through the window: no break where a 10000-pixel texture
    // segment would end.
    line(-15000, 0, 15000, 6, 1, 1, 16, 32, 0);
    for (int r = 0; r < 8; r++)
        EXPECT_EQ(t.grid()[size_t(r)], std::string(20, r == 4 ? '1' : '0')) << r;
    // A one-pixel bulge over a chord of 512: radius beyond the walk, drawn
    // along its chords.
    arcoutline(-246, 5, 10, 6, 266, 5);
    EXPECT_EQ(at(t.grid(), 10, 6), '1');
    for (auto [a, b] : {std::pair{5, 70000}, {INT32_MIN, INT32_MAX}}) {
        arcoutline(5, 5, b, 5, 5, 5);
        arcfil(a, a, b, b, a, a);
    }
    line(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 1, 1, 16, -1, 0);
    line(-400, 3, -20, 90, 3, 3, 16, 32, 1);
    line(900, 1, 20000, -4, 1, 1, 16, 32, 3);
    for (int texture = 0; texture < 4; texture++) {
        line(INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, 16, 32, texture);
        line(2, INT32_MAX, 3, INT32_MIN, 1, 1, 16, 32, texture);
    }
    std::vector<int32_t> rec(DATA_SIZE, 0);
    for (int32_t a : {INT32_MIN, -0x10000, 0, 0x8000, INT32_MAX})
        for (int op = OP_ARCLINE; op <= OP_SETARCFILL; op++)
            for (int n : {2, 4, 6, INT32_MAX, -5}) {
                for (int i = 1; i <= 6; i++) rec[size_t(i)] = (i & 1) ? a : ~a;
                rec[0] = n;
                exec_instruction(op, rec.data());
            }
    ras.pen.OriginX = ras.pen.PhyPelX = INT32_MAX;
    ras.pen.OriginY = ras.pen.PhyPelY = INT32_MIN;
    arcfil(10, 10, 20, 20, 30, 10);
    drawline(INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX);
    drawrect(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MIN);
    EXPECT_TRUE(onlyCells(t));
}

// The clip asked for is clamped to the surface's range and limits lines.
TEST(Extremes, TheClipIsClampedAndLimitsLines) {
    const std::array<int, 9> cases[] = {// corners asked for, result, corners set
                                        {-5, 0, 2000, 10, -1, 0, 0, 1023, 10},
                                        {50, 50, 10, 60, -1, 50, 50, 50, 60},
                                        {0, 2000, 5, 3, -1, 0, 1023, 5, 1023},
                                        {1, 2, 3, 4, 0, 1, 2, 3, 4}};
    for (const auto &c : cases) {
        EXPECT_EQ(Set_Clip(c[0], c[1], c[2], c[3]), c[4]);
        std::array<int, 4> got{};
        Get_Clip(&got[0], &got[1], &got[2], &got[3]);
        EXPECT_EQ(got, (std::array<int, 4>{c[5], c[6], c[7], c[8]})) << c[0];
    }
    resetState();
    TestSurface t(12, 4);
    ASSERT_EQ(t.open(), 0);
    EXPECT_EQ(Set_Clip(3, 1, 7, 2), 0);
    for (int y = 0; y < 4; y++) line(0, y, 11, y, 1, 1, 16, -1, 0);
    EXPECT_TRUE(pictureIs(t.grid(), art("............ ...11111.... ...11111.... ............")));
}

}  // namespace
}  // namespace naplps::ptest
