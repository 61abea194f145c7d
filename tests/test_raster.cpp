// The line rasteriser and the scan-line writer on a private 8-bit Xvfb:
// lines swept by pels of any sign and size, the line textures, the end pel,
// the clip rectangle, the pattern phase of the writer, and lines whose
// coordinates the stream pushes to extremes. Pictures are grids of colour
// cells read back from the backing pixmap, top row first; colour index 16k
// shows as cell k.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <memory>

#include "decoder/decoder.h"
#include "interp/state.h"
#include "nxg/nxg.h"
#include "raster/raster.h"
#include "tests/x11_fixture.h"

namespace naplps {
namespace {

using xtest::Grid;
using xtest::pictureIs;
using xtest::TestWindow;
using xtest::windowMatchesPixmap;

constexpr int C1 = 16;   // line colour: cell 1
constexpr int C2 = 32;   // gap colour: cell 2
constexpr int C3 = 48;   // backdrop: cell 3
constexpr int NONE = -1; // transparent gaps

class Raster : public ::testing::Test {
protected:
    void SetUp() override {
        xtest::resetState();
        if (xtest::xvfbDisplay(8).empty()) GTEST_SKIP() << "Xvfb could not be started";
        // A pel of one logical unit each way, so that textures are kept.
        ip.LogPelX = ip.LogPelY = 1;
        ip.PhyPelX = ip.PhyPelY = 1;
    }
    void TearDown() override { xtest::resetState(); }

    std::unique_ptr<TestWindow> window(int w, int h) {
        auto t = std::make_unique<TestWindow>(w, h);
        EXPECT_TRUE(t->ok());
        EXPECT_GE(t->open(), 0);
        return t;
    }

    // The picture a single line makes in a fresh w x h window.
    Grid lineIn(int w, int h, int x1, int y1, int x2, int y2, int pelx, int pely, int c1,
                int c2, int texture) {
        auto t = window(w, h);
        line(x1, y1, x2, y2, pelx, pely, c1, c2, texture);
        Grid g = t->pixmapGrid();
        EXPECT_TRUE(windowMatchesPixmap(*t));
        return g;
    }
};

// Paints the backdrop rows y0..y0+h-1 (bottom-up) in colour c.
void backdrop(int x, int y0, int w, int h, int c) {
    ras.DRAW_COLOR_fg = c;
    dot_p(x, y0, w, h - 1);
}

// --- Solid lines and pels ---------------------------------------------------

TEST_F(Raster, SlopedLineRoundsTowardsItsDirectionOfTravel) {
    EXPECT_TRUE(pictureIs(lineIn(10, 5, 0, 0, 8, 3, 1, 1, C1, NONE, 0), {
                                                                            "..........",
                                                                            ".......11.",
                                                                            "....111...",
                                                                            "..11......",
                                                                            "11........",
                                                                        }));
    EXPECT_TRUE(pictureIs(lineIn(10, 5, 8, 3, 0, 0, 1, 1, C2, NONE, 0), {
                                                                            "..........",
                                                                            ".......22.",
                                                                            ".....22...",
                                                                            "..222.....",
                                                                            "22........",
                                                                        }));
}

TEST_F(Raster, SteepLinesStepOneRowAtATime) {
    // Up and to the left, and down and to the right: the same pixels as the
    // mirrored x-major case, transposed.
    Grid up = lineIn(5, 10, 3, 0, 0, 8, 1, 1, C1, NONE, 0);
    Grid down = lineIn(5, 10, 0, 8, 3, 0, 1, 1, C1, NONE, 0);
    for (const Grid *g : {&up, &down}) {
        int lit = 0;
        for (size_t r = 1; r < g->size(); r++) {  // rows y = 8 .. 0
            int inRow = 0;
            for (char c : (*g)[r]) inRow += c == '1';
            EXPECT_EQ(inRow, 1) << "row " << r;  // one pixel a row, none missing
            lit += inRow;
        }
        EXPECT_EQ(lit, 9);
        EXPECT_EQ((*g)[0], "00000");  // nothing above the end point
    }
    EXPECT_EQ(up[1][0], '1');    // (0, 8)
    EXPECT_EQ(up[9][3], '1');    // (3, 0)
    EXPECT_EQ(down[1][0], '1');
    EXPECT_EQ(down[9][3], '1');
}

TEST_F(Raster, HorizontalLineWithAThreeByTwoPelIsTwoRowsOfOneSpan) {
    EXPECT_TRUE(pictureIs(lineIn(24, 3, 10, 0, 20, 0, 3, 2, C1, NONE, 0),
                          {
                              "........................",
                              "..........1111111111111.",
                              "..........1111111111111.",
                          }));
}

TEST_F(Raster, SlopedLineSweptByAThreeByTwoPelCoversStartAndEndPels) {
    Grid g = lineIn(14, 7, 0, 0, 10, 4, 3, 2, C1, NONE, 0);
    // Start pel: x 0-2 on rows 0-1; end pel: x 10-12 on rows 4-5.
    for (int y : {0, 1})
        for (int x = 0; x <= 2; x++) EXPECT_EQ(g[6 - y][x], '1') << x << "," << y;
    for (int y : {4, 5})
        for (int x = 10; x <= 12; x++) EXPECT_EQ(g[6 - y][x], '1') << x << "," << y;
    EXPECT_EQ(g[0], std::string(14, '0'));  // row 6 is beyond the end pel
    // Every row of the sweep is one unbroken run.
    for (int r = 1; r <= 6; r++) {
        std::string row = g[r];
        size_t a = row.find('1'), b = row.rfind('1');
        ASSERT_NE(a, std::string::npos) << "row " << r;
        EXPECT_EQ(row.substr(a, b - a + 1), std::string(b - a + 1, '1')) << "row " << r;
    }
}

TEST_F(Raster, TallAndWidePelsStopAtTheEndPel) {
    // Steep, with a pel 40 rows high: the sweep covers rows 0..69 and no
    // row above the end pel, however far the row trackers would walk on.
    Grid tall = lineIn(4, 90, 1, 0, 2, 30, 1, 40, C1, NONE, 0);
    for (int y = 0; y < 90; y++) {
        const bool lit = tall[size_t(89 - y)].find('1') != std::string::npos;
        EXPECT_EQ(lit, y <= 69) << "row y " << y;
    }
    // Shallow, with a pel 4 columns wide: nothing right of column 35.
    Grid wide = lineIn(40, 13, 0, 0, 32, 11, 4, 1, C1, NONE, 0);
    for (int r = 0; r < 13; r++) EXPECT_EQ(wide[size_t(r)].substr(36), "0000") << "row " << r;
    EXPECT_EQ(wide[1].substr(32, 4), "1111");  // the end pel itself
    // The same lines drawn backwards end at their start pels' far sides.
    Grid back = lineIn(40, 13, 32, 11, 0, 0, 4, 1, C1, NONE, 0);
    for (int r = 0; r < 13; r++) EXPECT_EQ(back[size_t(r)].substr(36), "0000") << "row " << r;
}

TEST_F(Raster, NegativePelSizesCoverTheSamePixelsAsTheMirroredPel) {
    // Width -3 on a rightward line = the line 2 pixels to the left, width +3.
    Grid neg = lineIn(16, 6, 2, 0, 12, 4, -3, 1, C1, NONE, 0);
    Grid pos = lineIn(16, 6, 0, 0, 10, 4, 3, 1, C1, NONE, 0);
    EXPECT_TRUE(pictureIs(neg, pos));
    // Height -2 on an upward line = the line 1 row lower, height +2.
    Grid negH = lineIn(16, 8, 0, 1, 9, 5, 1, -2, C1, NONE, 0);
    Grid posH = lineIn(16, 8, 0, 0, 9, 4, 1, 2, C1, NONE, 0);
    EXPECT_TRUE(pictureIs(negH, posH));
    // A leftward line with a negative width is anchored like a rightward one
    // with a positive width: the pel extends in the travel direction.
    Grid left = lineIn(16, 3, 12, 0, 2, 0, -3, 1, C1, NONE, 0);
    EXPECT_TRUE(pictureIs(left, {
                                    "................",
                                    "................",
                                    "1111111111111...",
                                }));
}

TEST_F(Raster, ALineOfLengthZeroIsOnePel) {
    EXPECT_TRUE(pictureIs(lineIn(6, 4, 2, 1, 2, 1, 2, 2, C1, NONE, 3), {
                                                                           "......",
                                                                           "..11..",
                                                                           "..11..",
                                                                           "......",
                                                                       }));
}

// --- Line textures ------------------------------------------------------------

TEST_F(Raster, DotDashedLineLeavesTransparentGapsUntouched) {
    auto t = window(18, 3);
    backdrop(0, 0, 18, 3, C3);
    line(0, 0, 15, 0, 1, 1, C1, NONE, 3);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {
                                               "333333333333333333",
                                               "333333333333333333",
                                               "111313111313111133",
                                           }));
    // With a gap colour the gaps are painted.
    line(0, 1, 15, 1, 1, 1, C1, C2, 3);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {
                                               "333333333333333333",
                                               "111212111212111133",
                                               "111313111313111133",
                                           }));
}

TEST_F(Raster, DottedLineAlternatesPelWidthRunsAndEndsWithAFullPelInLineColour) {
    // Runs of 2 along x in line and gap colour; the cycle ends in a gap at
    // x 14-15, but the end pel (x 15-16) is drawn in the line colour.
    EXPECT_TRUE(pictureIs(lineIn(18, 2, 0, 0, 15, 0, 2, 1, C1, C2, 1), {
                                                                           "..................",
                                                                           "11221122112211211.",
                                                                       }));
}

TEST_F(Raster, DashedVerticalLineKeepsItsDashesWithAZeroLogicalPelWidth) {
    ip.LogPelX = 0;
    Grid g = lineIn(3, 13, 1, 0, 1, 11, 1, 1, C1, NONE, 2);
    std::string column;
    for (int r = 12; r >= 0; r--) column += g[r][1];  // y = 0 upwards
    EXPECT_EQ(column, "1110001110010");
}

TEST_F(Raster, SlopedLineIsSolidWhenItsLogicalPelIsZeroAlongItsTravel) {
    Grid solid = lineIn(10, 5, 0, 0, 8, 3, 1, 1, C1, C2, 0);
    ip.LogPelX = 0;
    EXPECT_TRUE(pictureIs(lineIn(10, 5, 0, 0, 8, 3, 1, 1, C1, C2, 2), solid));
    ip.LogPelX = 1;
    ip.LogPelY = 0;
    EXPECT_TRUE(pictureIs(lineIn(10, 5, 0, 0, 8, 3, 1, 1, C1, C2, 1), solid));
    // With both pels set the same line is dashed: it differs.
    ip.LogPelY = 1;
    EXPECT_FALSE(pictureIs(lineIn(10, 5, 0, 0, 8, 3, 1, 1, C1, C2, 2), solid));
}

TEST_F(Raster, DotDashedSlopedLineFollowsTheCycleAlongTheMajorAxis) {
    // y-major: 3 on, 1 off, 1 on, 1 off, counted in rows.
    Grid g = lineIn(8, 22, 0, 0, 6, 20, 1, 1, C1, NONE, 3);
    std::string rows;
    for (int y = 0; y <= 20; y++) {
        const std::string &row = g[21 - y];
        rows += row.find('1') != std::string::npos ? '1' : '0';
    }
    EXPECT_EQ(rows, "111010111010111010111");
}

TEST_F(Raster, SolidSlopedLineLongerThanATextureCycleHasNoGap) {
    // A line 30000 pixels long passing through the window: drawn in one
    // piece, not broken where a 10000-pixel texture segment would end.
    Grid g = lineIn(20, 8, -15000, 0, 15000, 6, 1, 1, C1, C2, 0);
    EXPECT_EQ(g[7 - 3], std::string(20, '1'));
    for (int r = 0; r < 8; r++)
        if (r != 4) {
            EXPECT_EQ(g[r], std::string(20, '0')) << "row " << r;
        }
}

// --- Entry points in unit-screen pixels --------------------------------------

TEST_F(Raster, DrawlineAddsTheOriginAndTakesColoursFromTheColourMode) {
    auto t = window(12, 4);
    ip.OriginX = 2;
    ip.OriginY = 1;
    ip.ColorMod = 2;
    ip.ForColor = C1;
    ip.BakColor = C2;
    ip.LineTexture = 1;  // dotted, gaps in the background colour
    drawline(0, 0, 6, 0);
    EXPECT_EQ(ras.DRAW_COLOR_fg, C1);
    EXPECT_EQ(ras.DRAW_COLOR_bg, C2);
    ip.ColorMod = 0;
    ip.ColorNo = C3;
    ip.LineTexture = 0;
    drawline(0, 1, 6, 1);
    EXPECT_EQ(ras.DRAW_COLOR_bg, NONE);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {
                                               "............",
                                               "..3333333...",
                                               "..1212121...",
                                               "............",
                                           }));
}

TEST_F(Raster, RectangleOutlineIsFourLinesAndAnyNegativeSizeGivesTheSameOutline) {
    Grid expected = {
        "........",
        ".11111..",
        ".1...1..",
        ".1...1..",
        ".11111..",
        "........",
    };
    ip.ColorNo = C1;
    for (auto [x, y, w, h] : {std::array<int, 4>{1, 1, 4, 3}, {5, 1, -4, 3}, {1, 4, 4, -3},
                              {5, 4, -4, -3}}) {
        auto t = window(8, 6);
        drawrect(x, y, w, h);
        EXPECT_TRUE(pictureIs(t->pixmapGrid(), expected)) << x << "," << y << " " << w << "x" << h;
    }
    // A colour mode outside 0..2 draws no outline.
    auto t = window(8, 6);
    ip.ColorMod = 7;
    drawrect(1, 1, 4, 3);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), xtest::blank(8, 6)));
}

TEST_F(Raster, PelsAreDrawnInTheForegroundAndAbsolutePelsRestoreIt) {
    auto t = window(8, 6);
    ip.PhyPelX = 3;
    ip.PhyPelY = 2;
    ip.ColorMod = 1;
    ip.ForColor = C1;
    drawpel(1, 0);  // 3 columns, rows y 0..2
    ras.DRAW_COLOR_fg = C3;
    drawabspel(5, 4, 2, 1, C2);
    EXPECT_EQ(ras.DRAW_COLOR_fg, C3);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {
                                               ".....22.",
                                               ".....22.",
                                               "........",
                                               ".111....",
                                               ".111....",
                                               ".111....",
                                           }));
}

// --- Clip ---------------------------------------------------------------------

TEST_F(Raster, SetClipClampsToTheScreenAndReportsCorrections) {
    int x1, y1, x2, y2;
    EXPECT_EQ(Set_Clip(-5, 0, 2000, 10), -1);
    Get_Clip(&x1, &y1, &x2, &y2);
    EXPECT_EQ((std::array<int, 4>{x1, y1, x2, y2}), (std::array<int, 4>{0, 0, 1023, 10}));
    EXPECT_EQ(Set_Clip(50, 50, 10, 60), -1);
    Get_Clip(&x1, &y1, &x2, &y2);
    EXPECT_EQ((std::array<int, 4>{x1, y1, x2, y2}), (std::array<int, 4>{50, 50, 50, 60}));
    EXPECT_EQ(Set_Clip(0, 2000, 5, 3), -1);
    Get_Clip(&x1, &y1, &x2, &y2);
    EXPECT_EQ((std::array<int, 4>{x1, y1, x2, y2}), (std::array<int, 4>{0, 1023, 5, 1023}));
    EXPECT_EQ(Set_Clip(1, 2, 3, 4), 0);
    Get_Clip(&x1, &y1, &x2, &y2);
    EXPECT_EQ((std::array<int, 4>{x1, y1, x2, y2}), (std::array<int, 4>{1, 2, 3, 4}));
}

TEST_F(Raster, TheClipLimitsWhatLinesDraw) {
    auto t = window(12, 4);
    EXPECT_EQ(Set_Clip(3, 1, 7, 2), 0);
    for (int y = 0; y < 4; y++) line(0, y, 11, y, 1, 1, C1, NONE, 0);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {
                                               "............",
                                               "...11111....",
                                               "...11111....",
                                               "............",
                                           }));
}

// --- Scan-line writer ---------------------------------------------------------

TEST_F(Raster, PatternPhaseContinuesBelowTheOriginWithTwicePatternHeight) {
    auto t = window(8, 8);
    ras.TEXTURE_size = 3;
    ras.df_msk_y = 3;
    ras.TEXTURE_bottom = 2 * TEXTURE_ROW_BYTES;
    ras.TEXTURE_y_order = 1;
    ip.OriginY = 40;
    for (int y = 10; y < 40; y++) {
        set_VRAM_y(y);
        const int32_t yy = ras.TEXTURE_yy, on = ras.TEXTURE_H_ON;
        set_VRAM_y(y + 6 * 5);
        EXPECT_EQ(ras.TEXTURE_yy, yy) << "y " << y;
        EXPECT_EQ(ras.TEXTURE_H_ON, on) << "y " << y;
        EXPECT_EQ(ras.VRAM_y, nxg.NXG_win_hgt - (y + 30));
    }
    // Pattern row 0 is at the origin, rows counted upwards from the bottom
    // row of the prepared pattern.
    set_VRAM_y(40);
    EXPECT_EQ(ras.TEXTURE_yy, 2 * TEXTURE_ROW_BYTES);
    set_VRAM_y(42);
    EXPECT_EQ(ras.TEXTURE_yy, 0);
}

TEST_F(Raster, StepsOfTheWriterMatchRepositioningInBothDirections) {
    auto t = window(8, 8);
    ras.TEXTURE_size = 4;
    ras.df_msk_y = 2;  // a 2-row mask stretched over 4 rows
    ras.TEXTURE_bottom = TEXTURE_ROW_BYTES;
    ras.TEXTURE_y_order = -1;
    for (int order : {1, 0}) {
        set_DRAW_y_order(order);
        set_VRAM_y(-7);
        for (int i = 0; i < 20; i++) {
            inc_VRAM_y();
            const int32_t yy = ras.TEXTURE_yy, vram = ras.VRAM_y;
            set_VRAM_y(nxg.NXG_win_hgt - vram);
            EXPECT_EQ(ras.TEXTURE_yy, yy);
            EXPECT_GE(yy, 0);
            EXPECT_LE(yy, TEXTURE_ROW_BYTES);
        }
    }
}

TEST_F(Raster, PatternHeightZeroAtLoadNeitherDividesByZeroNorLoops) {
    auto t = window(8, 8);
    ASSERT_EQ(ras.TEXTURE_size, 0);
    for (int32_t y : {INT32_MIN + 1, -1000000000, -5, 0, 7, INT32_MAX - 2000}) {
        set_VRAM_y(y);
        EXPECT_GE(ras.TEXTURE_yy, 0);
        EXPECT_LT(ras.TEXTURE_yy, TEXTURE_ROWS * TEXTURE_ROW_BYTES);
        set_DRAW_y_order(1);
        inc_VRAM_y();
        EXPECT_GE(ras.TEXTURE_yy, 0);
        EXPECT_LT(ras.TEXTURE_yy, TEXTURE_ROWS * TEXTURE_ROW_BYTES);
    }
    // And a line drawn in that state comes out.
    line(0, 3, 5, 3, 1, 1, C1, NONE, 0);
    EXPECT_EQ(t->pixmapGrid()[4], "11111100");
}

TEST_F(Raster, PatternedSpansOfWideWindowsKeepThePatternAndEveryRun) {
    // A row of 5000 pixels in 1-pixel hatch runs: 2500 runs of each colour,
    // more than one batch of segments holds, and most columns lie beyond
    // the 640 pixels of a prepared pattern row.
    const int w = 5000;
    auto t = window(w, 2);
    ip.PhyPelX = 1;
    set_TEXTURE(1);  // vertical hatching, runs of |PhyPelX| pixels from OriginX
    ASSERT_EQ(ras.TEXTURE_CODE, 1);
    ras.DRAW_COLOR_fg = C1;
    ras.DRAW_COLOR_bg = C2;
    ras.VRAM_y = 1;
    fill(0, w - 1);
    // Runs of 3 pixels on the top row, with a transparent background.
    ip.PhyPelX = 3;
    set_TEXTURE(1);
    ras.DRAW_COLOR_bg = NONE;
    ras.VRAM_y = 0;
    fill(0, w - 1);
    Grid g = t->pixmapGrid();
    int wrong = 0;
    for (int x = 0; x < w; x++) {
        wrong += g[1][size_t(x)] != (x % 2 == 0 ? '1' : '2');
        wrong += g[0][size_t(x)] != ((x / 3) % 2 == 0 ? '1' : '0');
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(Raster, RendererStartUpClearsBlinkingAndLeavesTheWriterUpwardAndSolid) {
    auto t = window(6, 3);
    line(0, 1, 5, 1, 1, 1, C1, NONE, 0);
    const Grid drawn = t->pixmapGrid();
    ip.BTFlag[16] = 1;
    ip.BTCount[16] = 4;
    ip.BTOnTime[200] = ip.BTOffCCode[3] = ip.BTOffG[255] = 9;
    ip.LRDefine = 16;
    ras.VRAM_y_add = 1;
    pdi_init(1, 0, 0, 512);  // the full start-up runs the renderer's
    EXPECT_EQ(ip.BTFlag[16], 0);
    EXPECT_EQ(ip.BTCount[16], 0);
    EXPECT_EQ(ip.BTOnTime[200] | ip.BTOffCCode[3] | ip.BTOffG[255], 0);
    EXPECT_EQ(ip.LRDefine, -1);
    EXPECT_EQ(ras.VRAM_y_add, -1);
    EXPECT_EQ(ras.TEXTURE_CODE, 0);
    EXPECT_EQ(ras.TEXTURE_size, 1);
    // The window is cleared; the backing pixmap keeps the picture.
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), drawn));
}

// --- Hostile coordinates ------------------------------------------------------

TEST_F(Raster, LinesBesideThePixmapDrawNothingButAreStillCapturedIntoADefinition) {
    auto t = window(8, 8);
    line(-400, 3, -20, 90, 3, 3, C1, C2, 1);      // left of the window
    line(2, 9, 6, 300, 2, 2, C1, C2, 0);          // above it
    line(900, 1, 20000, -4, 1, 1, C1, C2, 3);     // right of it
    line(9, 3, 12, 3, -3, 1, C1, C2, 0);          // a negative pel reaching back
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {
                                               "........",
                                               "........",
                                               "........",
                                               "........",
                                               ".......1",
                                               "........",
                                               "........",
                                               "........",
                                           }));
    EXPECT_EQ(ras.VRAM_y, nxg.NXG_win_hgt - 4);  // one row past the end pel
    // While a pattern is being defined every span is captured, even where
    // the window has no pixel: the row at y = 100 marks cells of grid row 10.
    ip.Scr_Ratio = 512;
    ras.TEXTURE_DEF_FLAG = 1;
    ras.TEXTURE_DEF_CODE = 4;
    ras.texture_mask[0][0] = ras.texture_mask[0][1] = 50;  // cells of 10 pixels
    line(0, 100, 45, 100, 1, 1, C1, NONE, 0);
    for (int c = 0; c < 50; c++) EXPECT_EQ(ras.TEXTURE_B[10 * 50 + c] != 0, c <= 4) << c;
}

TEST_F(Raster, LinesWithExtremeCoordinatesAndPelsStayBoundedAndExact) {
    // The diagonal through the whole int32 range still lights the diagonal
    // of the window.
    Grid diag = lineIn(8, 8, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 1, 1, C1, NONE, 0);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
            EXPECT_EQ(diag[7 - y][x], x == y ? '1' : '0') << x << "," << y;
    // Huge pels, textures and both directions finish without fault.
    auto t = window(8, 8);
    for (int texture = 0; texture < 4; texture++) {
        line(INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, C1, C2, texture);
        line(-3, 2, 4000000, 5, 1, 1, C1, C2, texture);
        line(2, INT32_MAX, 3, INT32_MIN, 1, 1, C1, C2, texture);
    }
    ip.OriginX = INT32_MAX;
    ip.OriginY = INT32_MIN;
    ip.PhyPelX = INT32_MAX;
    ip.PhyPelY = INT32_MIN;
    drawline(INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX);
    drawrect(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MIN);
    drawpel(INT32_MAX, INT32_MAX);
    EXPECT_TRUE(windowMatchesPixmap(*t));
}

}  // namespace
}  // namespace naplps
