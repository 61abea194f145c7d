// Filled polygons and rectangles, hatchings and programmable patterns as
// scripts: a description in, the picture it draws out.
#include <algorithm>
#include <cmath>

#include "decoder/api.h"
#include "interp/protocol.h"
#include "raster/fill.h"
#include "raster/raster.h"
#include "raster/texture.h"
#include "tests/surface_fixture.h"

namespace naplps::ptest {
namespace {

using Points = std::vector<std::pair<int, int>>;

// SET & POLYGON (filled or outlined) through these vertices.
std::string polygon(const char *op, const Points &pts) {
    std::string s =
        std::string(op) + " " + std::to_string(pts[0].first) + " " + std::to_string(pts[0].second);
    for (size_t i = 1; i < pts.size(); i++)
        s += " " + std::to_string(pts[i].first - pts[i - 1].first) + " " +
             std::to_string(pts[i].second - pts[i - 1].second);
    return s;
}

// Convex shapes both ways round with a pel of p x p: each row of the fill
// is exactly the span between the ends of the outline on that row.
TEST(Fill, ConvexPolygonsCoverExactlyTheirOutline) {
    const std::vector<Points> shapes = {
        {{2, 2}, {12, 2}, {12, 8}, {2, 8}},    // both end rows and columns
        {{3, 2}, {19, 2}, {11, 12}},           // steep sides
        {{3, 2}, {19, 2}, {11, 6}},            // flat sides
        {{2, 4}, {17, 1}, {22, 11}, {7, 14}},  // no horizontal edge
        {{4, 3}, {12, 3}, {20, 8}, {12, 13}, {4, 13}},
    };
    for (auto shape : shapes)
        for (int p : {1, 2, 3, 5})
            for (int turn = 0; turn < 2; turn++) {
                if (turn) std::reverse(shape.begin() + 1, shape.end());
                std::string pel = "domain pel=" + std::to_string(p) + "," + std::to_string(p) + ";";
                Grid filled = drawn(28, 22, pel + polygon("set-poly-filled", shape));
                Grid outline = drawn(28, 22, pel + polygon("set-poly", shape));
                SCOPED_TRACE(polygon("set-poly", shape) + " pel " + std::to_string(p));
                for (size_t r = 0; r < outline.size(); r++) {
                    size_t lo = outline[r].find('1'), hi = outline[r].rfind('1');
                    std::string want(28, '0');
                    if (lo != std::string::npos) std::fill(&want[lo], &want[hi] + 1, '1');
                    EXPECT_EQ(filled[r], want) << "row " << r;
                }
                EXPECT_NE(filled, blank(28, 22));
            }
    EXPECT_TRUE(draws("domain pel=2,2; point-set 3 2; poly-filled",
                      "........ ........ ...11... ...11... ........ ........"));
}

TEST(Fill, SelfIntersectingPolygonsPairEdgesOddEven) {
    Grid g = drawn(17, 17, polygon("set-poly-filled", {{2, 2}, {14, 14}, {14, 2}, {2, 14}}));
    EXPECT_EQ(std::string() + at(g, 3, 8) + at(g, 13, 8) + at(g, 8, 8) + at(g, 8, 4) + at(g, 8, 12),
              "11100");
}

// With highlighting the outline is in the background colour (two colours
// selected) or index 0 (one, or direct colour); without, the fill's.
TEST(Fill, HighlightOutlineColourFollowsTheColourMode) {
    const std::string ground = "select 48; set-rect-filled 0 0 14 10; ";
    const char *rect = "set-rect-filled 2 2 8 5";
    auto box = [](char outline, char fill) {
        std::string rows = "33333333333333 33333333333333 33" + std::string(9, outline) + "333 ";
        for (int r = 0; r < 4; r++)
            rows += std::string("33") + outline + std::string(7, fill) + outline + "333 ";
        return rows + "33" + std::string(9, outline) + "333 33333333333333 33333333333333";
    };
    EXPECT_TRUE(draws(ground + "texture highlight; select 16 32; " + rect, box('2', '1')));
    EXPECT_TRUE(draws(ground + "texture highlight; select 16; " +
                          polygon("set-poly-filled", {{2, 2}, {10, 2}, {10, 7}, {2, 7}}),
                      box('0', '1')));
    EXPECT_TRUE(draws(ground + "texture highlight; reset colour=1; " + rect, box('0', '8')));
    EXPECT_TRUE(draws(ground + "select 16; " + rect, box('1', '1')));
}

// A pel widens a rectangle towards its sign; RECTANGLE FILLED with two
// pairs starts the second where the first ends, and leaves the point there.
TEST(Fill, RectanglesWidenTowardsThePelsSignAndFollowEachOther) {
    EXPECT_TRUE(
        draws("domain pel=-3,1; set-rect-filled 6 1 4 1; "
              "domain pel=3,2; select 32; set-rect-filled 6 4 -4 -1",
              "................ ..2222222....... ..2222222....... ..2222222....... "
              "....1111111..... ....1111111..... ................"));
    EXPECT_TRUE(draws("point-set 1 1; rect-filled 4 2 5 3; select 32; point-rel 0 0",
                      "................ .....111111..... .1111111111..... .1111111112..... "
                      ".1111111112..... ................"));
}

// The largest record (510 pairs on the drawing point, then a triangle);
// circles of 600 and of 3000 vertices whose first FILL_MAX_EDGES are the
// circle and the rest far away (the filler closes the polygon there);
// hostile vertices and pels.
TEST(Fill, LargeVertexCountsReachTheFillerAndHostileOnesAreAbsorbed) {
    std::string zeros;
    for (int i = 0; i < 510; i++) zeros += " 0 0";
    Grid g = drawn(20, 16, "point-set 2 2; poly-filled" + zeros + " 12 0 0 10");
    EXPECT_EQ(std::string() + at(g, 13, 4) + at(g, 10, 2) + at(g, 3, 10), "110");
    resetState();
    TestSurface t(64, 64);
    ASSERT_EQ(t.open(), 0);
    for (int n : {600, 3000}) {
        ras.DRAW_COLOR_fg = 0;
        dot_p(0, 0, 64, 63);
        int ring = std::min(n, FILL_MAX_EDGES);
        std::vector<int32_t> pts;
        for (int i = 0; i <= n; i++) {
            bool far = i >= ring && i < n;
            double a = 2 * M_PI * (i % ring) / ring;
            pts.push_back(far ? (i % 2 ? 5000 : -5000)
                              : int32_t(std::lround(32 + 25 * std::cos(a))));
            pts.push_back(far ? (i % 3 ? -4000 : 4000)
                              : int32_t(std::lround(32 + 25 * std::sin(a))));
        }
        polygon_fill(pts.data(), n + 1, 1, 1, 16, -1);
        g = t.grid();
        EXPECT_EQ(std::string() + at(g, 32, 32) + at(g, 32, 8) + at(g, 32, 56) + at(g, 2, 2) +
                      at(g, 60, 60),
                  "11100")
            << n;
    }
    std::vector<int32_t> wild = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX,
                                 INT32_MAX, 0,         5,         INT32_MIN, INT32_MIN};
    polygon_fill(wild.data(), 5, 1, 1, 32, -1);
    std::vector<int32_t> thin = {4, 4, 4, 4, 4, 4};
    polygon_fill(thin.data(), 3, INT32_MIN, INT32_MAX, 48, -1);
    polygon_fill(thin.data(), 0, 1, 1, 48, -1);
    std::vector<int32_t> rec(DATA_SIZE, 0);
    for (int i = 1; i <= DATA_MAX_VALUES; i++) rec[size_t(i)] = (i & 1) ? 0x8000 : INT32_MIN;
    for (int n : {DATA_MAX_VALUES, 100000, -5})
        for (int op : {OP_POLYFILL, OP_SETPOLYFILL, OP_POLYLINE, OP_SETRECTFILL, OP_RELLINE}) {
            rec[0] = n;
            exec_instruction(op, rec.data());
        }
    EXPECT_TRUE(onlyCells(t));
}

// Hatchings are anchored at the picture's origin (8 here): vertical runs of
// the pel's width, horizontal bands of its height (a transparent background
// leaves the gaps), cross-hatching; a negative pel swaps the phases.
TEST(Texture, HatchingsAreAnchoredAtTheOrigin) {
    resetState();
    TestSurface t(28, 3);
    ASSERT_EQ(t.open(), 0);
    pdi_ctl(0, 0, 8, 0, 256);
    pdi_clip(0, 0, 0, 27, 2);
    t.play("select 16 32; domain pel=3,1; texture pattern=1; set-rect-filled -8 0 23 1");
    EXPECT_TRUE(pictureIs(t.grid(), art("............................ 2222222211122211122211122200 "
                                        "2222222211122211122211122200")));
    t.play("domain pel=-3,1; select 48; set-rect-filled 0 2 20 0");
    EXPECT_EQ(t.grid()[0].substr(8, 12), "000333000333");
    EXPECT_TRUE(
        draws("domain pel=1,2; texture pattern=2; select 16 32; set-rect-filled 0 0 4 8;"
              "select 48; set-rect-filled 6 3 4 4",
              "............ 11111....... 11111.33333. 22222....... 22222....... "
              "11111.33333. 11111.33333. 22222....... 22222....... 11111....... "
              "11111......."));
    EXPECT_TRUE(draws("domain pel=1,-2; texture pattern=2; select 16 32; set-rect-filled 0 0 4 5",
                      "...... 22222. 22222. 11111. 11111. 22222. 22222."));
    EXPECT_TRUE(draws("domain pel=2,2; texture pattern=3; select 16 32; set-rect-filled 0 0 9 4",
                      "11111111111. 11111111111. 11221122112. 11221122112. 11111111111. "
                      "11111111111."));
}

// A hatch with no pel across its bands fills solid: vertical or cross with
// no pel width, horizontal with no height; DOMAIN re-selects the hatch.
TEST(Texture, HatchesWithoutAPelFillSolid) {
    auto fill = [](const std::string &pel, int pattern) {
        return drawn(10, 4,
                     "domain pel=" + pel + "; select 16 32; texture pattern=" +
                         std::to_string(pattern) + "; set-rect-filled 0 0 7 2");
    };
    EXPECT_EQ(fill("0,2", 3), fill("0,2", 0));
    EXPECT_EQ(fill("0,2", 1), fill("0,2", 0));
    EXPECT_EQ(fill("2,0", 2), fill("2,0", 0));
    EXPECT_NE(fill("0,2", 2), fill("0,2", 0));
    EXPECT_NE(fill("2,0", 1), fill("2,0", 0));
    EXPECT_EQ(
        drawn(10, 4, "select 16 32; texture pattern=1; domain pel=0,0; set-rect-filled 0 0 7 2"),
        fill("0,0", 0));
}

// While a pattern is defined (DEF TEXTURE 'A' .. END) the unit screen is its
// mask's grid and nothing is drawn; the pattern is drawn at the mask then in
// force, mirrored by a negative one. Pattern B in force before it is defined
// is empty; defining A meanwhile leaves B alone.
TEST(Texture, PatternsAreDefinedByDrawingAndScaledToTheMaskInForce) {
    const std::string a = "texture mask=4,4; bytes 0x84 0x41; point 10 10; bytes 0x85; ";
    EXPECT_TRUE(draws(a + "texture pattern=4 mask=8,8; select 16 32; set-rect-filled 0 0 15 15",
                      "................ 2222222222222222 2222222222222222 2222222222222222 "
                      "2222222222222222 2222222222222222 2222222222222222 1122222211222222 "
                      "1122222211222222 2222222222222222 2222222222222222 2222222222222222 "
                      "2222222222222222 2222222222222222 2222222222222222 1122222211222222 "
                      "1122222211222222"));
    EXPECT_TRUE(draws(a + "texture pattern=4 mask=-4,-4; select 16 32; set-rect-filled 0 0 7 7",
                      "........ 22212221 22222222 22222222 22222222 22212221 22222222 22222222 "
                      "22222222"));
    EXPECT_TRUE(
        draws("texture pattern=5 mask=4,4; select 16 32; set-rect-filled 0 0 3 1;"
              "bytes 0x84 0x42; set-rect-filled 0 0 255 199; bytes 0x85;" +
                  a + "set-rect-filled 4 0 3 1",
              "........ 22221111 22221111"));
    // A 100 x 50 pixel mask is kept as 50 x 25 cells, all set here.
    EXPECT_TRUE(
        draws("select 16 32; texture mask=100,50; bytes 0x84 0x41;"
              "set-rect-filled 0 0 255 199; bytes 0x85; texture pattern=4;"
              "set-rect-filled 0 0 5 3",
              "....... 111111. 111111. 111111. 111111."));
}

// On a window wider than the 640 pixels of a prepared row (at 1024 pixels
// a unit screen), a hatch of period 14 and a 12-pixel pattern of one set
// column keep their period.
TEST(Texture, PatternsContinueBeyondTheirPreparedWidth) {
    const std::string px = "domain multi=4 pel=0.25,0.25; select 16 32;";
    Grid h = drawn(
        720, 2, px + "domain multi=4 pel=1.75,0.25; texture pattern=1; set-rect-filled 0 0 175 0",
        1024);
    Grid p = drawn(720, 2,
                   px + "texture mask=3,3; bytes 0x84 0x41; set-rect-filled 0 0 2.5 199;"
                        "bytes 0x85; texture pattern=4; set-rect-filled 0 0 177.5 0",
                   1024);
    for (int x = 0; x < 707; x++) ASSERT_EQ(at(h, x, 0), (x / 7) % 2 == 0 ? '1' : '2') << x;
    for (int x = 0; x < 711; x++) ASSERT_EQ(at(p, x, 0), x % 12 == 0 ? '1' : '2') << x;
}

// A DRCS definition captures the drawing into the character's 16 x 16 dots
// at the character size (here 16 x 16 pixels): the lower-left quarter sets
// the left 8 dots of the lowest rows; drawing beyond the screen is dropped;
// extreme masks and pels keep every row inside the tables.
TEST(Texture, DrcsCaptureAndExtremeMasksStayInTheirTables) {
    resetState();
    TestSurface t(40, 30);
    ASSERT_EQ(t.open(), 0);
    t.playArea(256);
    t.play(std::string(kPen) +
           "textmode size=16,16; bytes 0x83 0x41; set-rect-filled 0 0 127 99;"
           "bytes 0x83 0x42; set-rect-filled -100 -100 50 50; bytes 0x85");
    for (int row = 0; row < 16; row++) {
        EXPECT_EQ(ras.DRCSBuf['A' - 32][2 * row] << 8 | ras.DRCSBuf['A' - 32][2 * row + 1],
                  row >= 9 ? 0xFF00 : 0)
            << row;
        EXPECT_EQ(ras.DRCSBuf['B' - 32][2 * row] | ras.DRCSBuf['B' - 32][2 * row + 1], 0) << row;
    }
    EXPECT_TRUE(pictureIs(t.grid(), blank(40, 30)));
    std::vector<int32_t> rec(DATA_SIZE, 0);
    for (int32_t m : {INT32_MIN, -1, 0, 1, 5000 << 15, INT32_MAX}) {
        int32_t v[] = {5, 0, 0, 4, m, m};
        std::copy(v, v + 6, rec.begin());
        exec_instruction(OP_TEXTURE, rec.data());
        EXPECT_TRUE(ras.TEXTURE_size >= 1 && ras.TEXTURE_bottom >= 0 &&
                    ras.TEXTURE_bottom <= 80 * 49)
            << m;
        t.play(
            "bytes 0x84 0x42; set-rect-filled 0 0 255 199; bytes 0x85; set-rect-filled 0 0 30 20");
        EXPECT_TRUE(ras.texture_mask[1][0] >= 1 && ras.texture_mask[1][0] <= 50 &&
                    ras.texture_mask[1][1] <= 50)
            << m;
    }
    EXPECT_TRUE(onlyCells(t));
}

}  // namespace
}  // namespace naplps::ptest
