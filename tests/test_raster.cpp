// The line rasteriser and the scan-line writer on exact pixels: pels of any
// sign and size, line textures, the end pel, the clip, the pattern phase of
// the writer, and coordinates the stream pushes to extremes.
#include <array>
#include <climits>

#include "tests/test_arc_stream.h"

namespace naplps {
namespace {

using namespace arctest;

constexpr int C1 = 16, C2 = 32, C3 = 48;  // cells 1, 2, 3
constexpr int NONE = -1;                  // transparent gaps

class Raster : public GeoTest {
protected:
    void SetUp() override {
        GeoTest::SetUp();
        ras.pen.LogPelX = ras.pen.LogPelY = 1;  // a logical pel, so that textures are kept
    }
    // The picture one line makes in a fresh w x h window.
    Grid lineIn(int w, int h, int x1, int y1, int x2, int y2, int pelx, int pely, int c1, int c2,
                int texture) {
        return drawn(w, h, [&](auto &) { line(x1, y1, x2, y2, pelx, pely, c1, c2, texture); });
    }
    // From y = 0 up: the cells of column x, or, for x < 0, whether each row is lit.
    static std::string column(const Grid &g, int x) {
        std::string s;
        for (size_t r = g.size(); r-- > 0;)
            s += x >= 0 ? g[r][size_t(x)] : g[r].find('1') != std::string::npos ? '1' : '0';
        return s;
    }
};

TEST_F(Raster, SolidLinesAndPelsOnExactPixels) {
    EXPECT_TRUE(pictureIs(lineIn(10, 4, 0, 0, 8, 3, 1, 1, C1, NONE, 0),
                          {".......11.", "....111...", "..11......", "11........"}));
    EXPECT_TRUE(pictureIs(lineIn(10, 4, 8, 3, 0, 0, 1, 1, C2, NONE, 0),  // rounds towards its travel
                          {".......22.", ".....22...", "..222.....", "22........"}));
    EXPECT_TRUE(pictureIs(lineIn(24, 3, 10, 0, 20, 0, 3, 2, C1, NONE, 0),
                          {"........................", "..........1111111111111.", "..........1111111111111."}));
    EXPECT_TRUE(pictureIs(lineIn(6, 4, 2, 1, 2, 1, 2, 2, C1, NONE, 3),  // length zero: one pel
                          {"......", "..11..", "..11..", "......"}));
    // Leftward with a negative width: the pel extends in the travel direction.
    EXPECT_TRUE(pictureIs(lineIn(16, 2, 12, 0, 2, 0, -3, 1, C1, NONE, 0), {"................", "1111111111111..."}));
    // Negative sizes cover the pixels of the mirrored pel.
    EXPECT_TRUE(pictureIs(lineIn(16, 6, 2, 0, 12, 4, -3, 1, C1, NONE, 0),
                          lineIn(16, 6, 0, 0, 10, 4, 3, 1, C1, NONE, 0)));
    EXPECT_TRUE(pictureIs(lineIn(16, 8, 0, 1, 9, 5, 1, -2, C1, NONE, 0),
                          lineIn(16, 8, 0, 0, 9, 4, 1, 2, C1, NONE, 0)));
    // Steep, up-left and down-right: one pixel a row, rounded towards the travel as well.
    EXPECT_TRUE(pictureIs(lineIn(5, 10, 3, 0, 0, 8, 1, 1, C1, NONE, 0), {".....", "1....", "1....", ".1...", ".1...",
                                                                         ".1...", "..1..", "..1..", "...1.", "...1."}));
    EXPECT_TRUE(pictureIs(lineIn(5, 10, 0, 8, 3, 0, 1, 1, C1, NONE, 0), {".....", "1....", "1....", ".1...", ".1...",
                                                                         "..1..", "..1..", "..1..", "...1.", "...1."}));
    // 30000 pixels through the window: no break where a 10000-pixel texture segment would end.
    Grid far = lineIn(20, 8, -15000, 0, 15000, 6, 1, 1, C1, C2, 0);
    for (int r = 0; r < 8; r++) EXPECT_EQ(far[size_t(r)], std::string(20, r == 4 ? '1' : '0')) << r;
}

TEST_F(Raster, SweptPelsCoverStartAndEndPelsAndStopThere) {
    Grid g = lineIn(14, 7, 0, 0, 10, 4, 3, 2, C1, NONE, 0);
    for (auto [x0, y0] : {Pixel{0, 0}, Pixel{10, 4}})  // the 3 x 2 start and end pels
        for (int y = y0; y <= y0 + 1; y++)
            for (int x = x0; x <= x0 + 2; x++) EXPECT_EQ(at(g, x, y), '1') << x << "," << y;
    EXPECT_EQ(g[0], std::string(14, '0'));
    for (int r = 1; r <= 6; r++) {  // every row one unbroken run
        size_t a = g[r].find('1'), b = g[r].rfind('1');
        ASSERT_NE(a, std::string::npos) << r;
        EXPECT_EQ(g[r].substr(a, b - a + 1), std::string(b - a + 1, '1')) << r;
    }
    // A pel 40 rows tall lights rows 0..69 only; one 4 columns wide, drawn
    // either way, nothing right of column 35.
    EXPECT_EQ(column(lineIn(4, 90, 1, 0, 2, 30, 1, 40, C1, NONE, 0), -1), std::string(70, '1') + std::string(20, '0'));
    Grid wide = lineIn(40, 13, 0, 0, 32, 11, 4, 1, C1, NONE, 0);
    EXPECT_EQ(wide[1].substr(32, 4), "1111");
    for (const Grid &w : {wide, lineIn(40, 13, 32, 11, 0, 0, 4, 1, C1, NONE, 0)})
        for (int r = 0; r < 13; r++) EXPECT_EQ(w[size_t(r)].substr(36), "0000") << r;
}

TEST_F(Raster, TexturesLeaveOrPaintTheirGapsAndEndInAFullPel) {
    auto t = window(18, 3, false);
    ras.DRAW_COLOR_fg = C3;
    dot_p(0, 0, 18, 2);
    line(0, 0, 15, 0, 1, 1, C1, NONE, 3);  // dot-dashed, transparent gaps
    line(0, 1, 15, 1, 1, 1, C1, C2, 3);    // painted gaps
    EXPECT_TRUE(pictureIs(t->grid(), {"333333333333333333", "111212111212111133", "111313111313111133"}));
    // Dotted, 2-wide pel: the cycle ends in a gap, but the end pel is drawn.
    EXPECT_TRUE(pictureIs(lineIn(18, 2, 0, 0, 15, 0, 2, 1, C1, C2, 1), {"..................", "11221122112211211."}));
    // Dot-dashed, y-major: the cycle counted in rows.
    EXPECT_EQ(column(lineIn(8, 21, 0, 0, 6, 20, 1, 1, C1, NONE, 3), -1), "111010111010111010111");
    // A logical pel of 0 along the travel makes a textured line solid.
    Grid solid = lineIn(10, 5, 0, 0, 8, 3, 1, 1, C1, C2, 0);
    ras.pen.LogPelX = 0;
    EXPECT_TRUE(pictureIs(lineIn(10, 5, 0, 0, 8, 3, 1, 1, C1, C2, 2), solid));
    EXPECT_EQ(column(lineIn(3, 13, 1, 0, 1, 11, 1, 1, C1, NONE, 2), 1), "1110001110010");  // vertical: dashed
    ras.pen.LogPelX = 1;
    ras.pen.LogPelY = 0;
    EXPECT_TRUE(pictureIs(lineIn(10, 5, 0, 0, 8, 3, 1, 1, C1, C2, 1), solid));
    ras.pen.LogPelY = 1;
    EXPECT_FALSE(pictureIs(lineIn(10, 5, 0, 0, 8, 3, 1, 1, C1, C2, 2), solid));
}

TEST_F(Raster, DrawlineAddsTheOriginAndTakesTheModesColours) {
    auto t = window(12, 4, false);
    ras.pen.OriginX = 2, ras.pen.OriginY = 1;
    ras.pen.ColorMod = 2, ras.pen.ForColor = C1, ras.pen.BakColor = C2;
    ras.pen.LineTexture = 1;  // dotted, gaps in the background colour
    drawline(0, 0, 6, 0);
    ras.pen.ColorMod = 0, ras.pen.ColorNo = C3, ras.pen.LineTexture = 0;
    drawline(0, 1, 6, 1);
    ras.pen.ColorMod = 7;  // no such colour mode: no outline
    drawrect(0, 0, 4, 2);
    EXPECT_TRUE(pictureIs(t->grid(), {"............", "..3333333...", "..1212121...", "............"}));
}

TEST_F(Raster, TheClipIsClampedToTheScreenAndLimitsLines) {
    const std::array<int, 9> cases[] = {  // the corners asked for, the result, the corners set
        {-5, 0, 2000, 10, -1, 0, 0, 1023, 10}, {50, 50, 10, 60, -1, 50, 50, 50, 60},
        {0, 2000, 5, 3, -1, 0, 1023, 5, 1023}, {1, 2, 3, 4, 0, 1, 2, 3, 4}};
    for (const auto &c : cases) {
        EXPECT_EQ(Set_Clip(c[0], c[1], c[2], c[3]), c[4]);
        std::array<int, 4> got{};
        Get_Clip(&got[0], &got[1], &got[2], &got[3]);
        EXPECT_EQ(got, (std::array<int, 4>{c[5], c[6], c[7], c[8]})) << c[0];
    }
    auto t = window(12, 4, false);
    EXPECT_EQ(Set_Clip(3, 1, 7, 2), 0);
    for (int y = 0; y < 4; y++) line(0, y, 11, y, 1, 1, C1, NONE, 0);
    EXPECT_TRUE(pictureIs(t->grid(), {"............", "...11111....", "...11111....", "............"}));
}

TEST_F(Raster, PatternedSpansOfWideWindowsKeepThePatternAndEveryRun) {
    // 5000 pixels of 1-pixel hatch runs: more runs than a batch of segments
    // holds, most columns beyond the 640 of a prepared pattern row.
    const int w = 5000;
    auto t = window(w, 2, false);
    set_TEXTURE(1);  // vertical hatching, runs of |PhyPelX| pixels
    ras.DRAW_COLOR_fg = C1, ras.DRAW_COLOR_bg = C2, ras.VRAM_y = 1;
    fill(0, w - 1);
    ras.pen.PhyPelX = 3;  // runs of 3 on the top row, transparent background
    set_TEXTURE(1);
    ras.DRAW_COLOR_bg = NONE, ras.VRAM_y = 0;
    fill(0, w - 1);
    Grid g = t->grid();
    int wrong = 0;
    for (int x = 0; x < w; x++)
        wrong += (g[1][size_t(x)] != "12"[x % 2]) + (g[0][size_t(x)] != "10"[(x / 3) % 2]);
    EXPECT_EQ(wrong, 0);
}

TEST_F(Raster, LinesBesideThePixmapOrOfExtremeSizeStayBoundedExactAndCaptured) {
    Grid diag = lineIn(8, 8, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 1, 1, C1, NONE, 0);
    EXPECT_EQ(lit(diag), (std::set<Pixel>{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}}));
    auto t = window(8, 8, false);
    line(-400, 3, -20, 90, 3, 3, C1, C2, 1);   // left
    line(2, 9, 6, 300, 2, 2, C1, C2, 0);       // above
    line(900, 1, 20000, -4, 1, 1, C1, C2, 3);  // right
    line(9, 3, 12, 3, -3, 1, C1, C2, 0);       // a negative pel reaching back
    EXPECT_EQ(lit(t->grid()), (std::set<Pixel>{{7, 3}}));
    EXPECT_EQ(ras.VRAM_y, nxg.NXG_win_hgt - 4);  // one row past the end pel
    for (int texture = 0; texture < 4; texture++) {
        line(INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, C1, C2, texture);
        line(-3, 2, 4000000, 5, 1, 1, C1, C2, texture);
        line(2, INT32_MAX, 3, INT32_MIN, 1, 1, C1, C2, texture);
    }
    // While a pattern is defined every span is captured, window or not: the
    // row at y = 100 marks cells of grid row 10 (cells of 10 pixels).
    ras.pen.Scr_Ratio = 512;
    ras.TEXTURE_DEF_FLAG = 1, ras.TEXTURE_DEF_CODE = 4;
    ras.texture_mask[0][0] = ras.texture_mask[0][1] = 50;
    line(0, 100, 45, 100, 1, 1, C1, NONE, 0);
    for (int c = 0; c < 50; c++) EXPECT_EQ(ras.TEXTURE_B[10 * 50 + c] != 0, c <= 4) << c;
    ras.pen.OriginX = ras.pen.PhyPelX = INT32_MAX;
    ras.pen.OriginY = ras.pen.PhyPelY = INT32_MIN;
    drawline(INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX);
    drawrect(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MIN);
    drawpel(INT32_MAX, INT32_MAX);
    EXPECT_TRUE(ptest::onlyCells(*t));
}

}  // namespace
}  // namespace naplps
