// The graphics driver on a private 8-bit PseudoColor Xvfb: window slots,
// colour cells, pixel and span output with its clipping, copies, repaint,
// blink and wait, and the X error handler. Pictures are grids of colour-cell
// numbers read back from the backing pixmap (and the window).
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

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

class Driver : public ::testing::Test {
protected:
    void SetUp() override {
        xtest::resetState();
        if (xtest::xvfbDisplay(8).empty()) GTEST_SKIP() << "Xvfb could not be started";
    }
    void TearDown() override { xtest::resetState(); }

    // A window with a slot, as the plug-in's first drawing makes it.
    std::unique_ptr<TestWindow> window(int w, int h, int depth = 8) {
        auto t = std::make_unique<TestWindow>(w, h, depth);
        EXPECT_TRUE(t->ok());
        EXPECT_GE(t->open(), 0);
        return t;
    }
};

// Fills rows of the surface with dot_p in colour index `colour`.
void paint(int x, int y, int w, int h, int colour) {
    ras.DRAW_COLOR_fg = colour;
    dot_p(x, y, w, h);
}

// A span with draw() on window row `row` in colour index `colour`.
void span(int xa, int xb, int row, int colour) {
    nxg.NXG_cur_pal = colour;
    ras.VRAM_y = row;
    draw(xa, xb);
}

// --- Pixel rectangles and spans -------------------------------------------

TEST_F(Driver, DotPFillsWidthColumnsAndHeightPlusOneRows) {
    auto t = window(12, 6);
    paint(2, 1, 3, 2, 16);    // columns 2-4, rows y 1..3
    paint(10, 0, -3, 1, 32);  // a negative width: columns 8-10, rows y 0..1
    paint(5, 5, 1, -1, 48);   // a negative height: rows y 5..6, clipped at the top
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {
                                               ".....3......",
                                               "............",
                                               "..111.......",
                                               "..111.......",
                                               "..111...222.",
                                               "........222.",
                                           }));
    EXPECT_TRUE(windowMatchesPixmap(*t));
}

TEST_F(Driver, RectanglesOutsideThePixmapDrawNothingAndEdgesAreKept) {
    auto t = window(12, 6);
    paint(-5, 0, 3, 0, 16);           // wholly left of column 0
    paint(-2, 1, 4, 0, 16);           // columns -2..1: only 0 and 1
    paint(3, 2, 0, 3, 16);            // width 0
    paint(10, 3, 5, 0, 32);           // runs past the right edge: 10 and 11
    paint(40000, 4, 10, 0, 48);       // far right: nothing wraps into the window
    paint(-40000, 4, 10, 0, 48);      // far left
    paint(5, -3, 1, 1, 64);           // rows -3..-2
    paint(6, -1, 1, 1, 64);           // rows -1..0: row 0 only
    paint(0, 0, INT_MIN, INT_MIN, 80);   // reversed: reaches column 0, rows 0..1
    paint(INT_MAX, INT_MAX, INT_MAX, INT_MAX, 80);
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {
                                               "............",
                                               "............",
                                               "..........22",
                                               "............",
                                               "51..........",
                                               "5.....4.....",
                                           }));
    EXPECT_TRUE(windowMatchesPixmap(*t));
}

TEST_F(Driver, SpansAreClippedToThePixmapInEitherOrder) {
    auto t = window(12, 5);
    span(-20, -10, 0, 16);       // left of the window
    span(40000, 40010, 0, 16);   // far right: no 16-bit wrap
    span(8, 20, 1, 32);          // to the last column
    span(5, 2, 2, 48);           // given right to left
    span(-3, 1, 3, 64);          // starts left of the window
    span(0, 11, -1, 80);         // rows outside the pixmap
    span(0, 11, 5, 80);
    span(0, 11, 70000, 80);
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {
                                               "............",
                                               "........2222",
                                               "..3333......",
                                               "44..........",
                                               "............",
                                           }));
    EXPECT_TRUE(windowMatchesPixmap(*t));
}

TEST_F(Driver, DrawCheckAndDotCheckReportWhatIsLeft) {
    auto t = window(10, 8);
    struct Rect {
        int x, w, y, h, result, cx, cw, cy, ch;
    };
    for (Rect r : {Rect{-4, 6, -1, 3, 0, 0, 2, 0, 2}, Rect{8, 5, 6, 4, 0, 8, 2, 6, 1},
                   Rect{3, -2, 2, -2, 0, 2, 2, 1, 2}, Rect{-4, 3, 0, 0, -1, 0, 0, 0, 0},
                   Rect{10, 1, 0, 0, -1, 0, 0, 0, 0}, Rect{0, 1, 8, 0, -1, 0, 0, 0, 0}}) {
        int x = r.x, w = r.w, y = r.y, h = r.h;
        EXPECT_EQ(dot_check(&x, &w, &y, &h), r.result) << r.x << "," << r.w;
        if (r.result == 0) {
            EXPECT_EQ(x, r.cx);
            EXPECT_EQ(w, r.cw);
            EXPECT_EQ(y, r.cy);
            EXPECT_EQ(h, r.ch);
        }
    }
    int xs = 12, xe = -3, ys = 4, ye = 4;
    EXPECT_EQ(draw_check(&xs, &xe, &ys, &ye), 0);
    EXPECT_EQ(xs, 0);
    EXPECT_EQ(xe, 9);
    xs = -20, xe = -10;
    EXPECT_EQ(draw_check(&xs, &xe, &ys, &ye), -1);
    xs = 0, xe = 3, ys = ye = 8;
    EXPECT_EQ(draw_check(&xs, &xe, &ys, &ye), -1);
}

// --- Textured spans ---------------------------------------------------------

TEST_F(Driver, HorizontalHatchRowsFollowTheBandSign) {
    auto t = window(8, 4);
    ras.TEXTURE_CODE = 2;
    ras.DRAW_COLOR_fg = 16;
    ras.DRAW_COLOR_bg = -1;
    ras.TEXTURE_H_ON = -1;  // an off band with a transparent background
    ras.VRAM_y = 0;
    fill(0, 7);
    ras.DRAW_COLOR_bg = 32;  // an off band with a background
    ras.VRAM_y = 1;
    fill(0, 7);
    ras.TEXTURE_H_ON = 0;  // an on band
    ras.VRAM_y = 2;
    fill(2, 5);
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {
                                               "........",
                                               "22222222",
                                               "..1111..",
                                               "........",
                                           }));
}

TEST_F(Driver, PatternedSpanIsDrawnAsRunsOfSegments) {
    auto t = window(16, 3);
    ras.TexturePat[0][0] = 0xF0;
    ras.TexturePat[0][1] = 0xF0;
    ras.DRAW_COLOR_fg = 16;
    ras.DRAW_COLOR_bg = -1;
    nxg.dot_texture_y = 0;
    dot_draw_t(nullptr, 0, 0, 15, 0, 1);
    EXPECT_EQ(nxg.seg[0].x1, 0);
    EXPECT_EQ(nxg.seg[0].x2, 3);
    EXPECT_EQ(nxg.seg[1].x1, 8);
    EXPECT_EQ(nxg.seg[1].x2, 11);
    ras.DRAW_COLOR_bg = 32;
    dot_draw_t(nullptr, 0, 2, 15, 2, 1);
    // The background pass ran last: its segments are the off runs.
    EXPECT_EQ(nxg.seg[0].x1, 4);
    EXPECT_EQ(nxg.seg[0].x2, 7);
    EXPECT_EQ(nxg.seg[1].x1, 12);
    EXPECT_EQ(nxg.seg[1].x2, 15);
    EXPECT_EQ(nxg.seg[1].y1, 2);
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {
                                               "1111....1111....",
                                               "................",
                                               "1111222211112222",
                                           }));
    EXPECT_TRUE(windowMatchesPixmap(*t));
}

TEST_F(Driver, PatternsContinueWithTheirPeriodBeyondThePreparedRows) {
    auto t = window(700, 2);
    for (auto &row : ras.TexturePat)
        for (auto &b : row) b = 0xF0;
    ras.TEXTURE_CODE = 4;
    ip.PhyMaskX = 8;
    ras.DRAW_COLOR_fg = 16;
    ras.DRAW_COLOR_bg = 32;
    ras.TEXTURE_yy = 0;
    ras.VRAM_y = 0;
    fill(0, 699);
    ras.TEXTURE_yy = 1 << 30;  // a pattern row offset far outside the rows
    ras.VRAM_y = 1;
    fill(0, 699);
    Grid g = t->pixmapGrid();
    ASSERT_EQ(g.size(), 2u);
    std::string want;
    for (int x = 0; x < 700; x++) want += (x % 8) < 4 ? '1' : '2';
    EXPECT_EQ(g[0], want);
    EXPECT_EQ(g[1], want);
}

TEST_F(Driver, RowsWithMoreRunsThanSegmentsAreDrawnWhole) {
    auto t = window(4200, 2);
    for (auto &row : ras.TexturePat)
        for (auto &b : row) b = 0xAA;
    ras.TEXTURE_CODE = 4;
    ip.PhyMaskX = 2;
    ras.DRAW_COLOR_fg = 16;
    ras.DRAW_COLOR_bg = 32;
    ras.VRAM_y = 1;
    fill(0, 4199);  // 2100 runs of each colour
    Grid g = t->pixmapGrid();
    ASSERT_EQ(g.size(), 2u);
    std::string want;
    for (int x = 0; x < 4200; x++) want += x % 2 == 0 ? '1' : '2';
    EXPECT_EQ(g[1], want);
}

TEST_F(Driver, TexturedRectangleStepsTheWriterRowByRow) {
    auto t = window(8, 6);
    ip.PhyPelY = 2;
    ip.LogPelY = 1;
    ip.LogPelX = 1;
    ip.PhyPelX = 1;
    set_TEXTURE(2);  // horizontal hatching, bands of 2 rows
    ras.DRAW_COLOR_fg = 16;
    ras.DRAW_COLOR_bg = 32;
    dot_t(1, 0, 6, 5);  // rows y 0..5
    XSync(t->dpy, False);
    Grid g = t->pixmapGrid();
    // Bands of two rows alternate from y = 0 upwards.
    ASSERT_EQ(g.size(), 6u);
    for (int y = 0; y < 6; y++) {
        const std::string &row = g[size_t(5 - y)];
        EXPECT_EQ(row[0], '0');
        EXPECT_EQ(row[7], '0');
        EXPECT_EQ(row[1], row[6]) << "y " << y;
        EXPECT_EQ(row[1], (y / 2) % 2 == 0 ? '1' : '2') << "y " << y;
    }
}

TEST_F(Driver, TextureDefinitionCapturesInsteadOfDrawing) {
    auto t = window(60, 60);
    ip.Scr_Ratio = 50;
    ras.TEXTURE_DEF_FLAG = 1;
    ras.TEXTURE_DEF_CODE = 4;
    ras.texture_mask[0][0] = ras.texture_mask[0][1] = 50;  // one cell per pixel
    paint(2, 3, 4, 2, 16);   // h rows here: y 3 and 4
    span(1, 3, 59 - 7, 16);  // row y 7
    XSync(t->dpy, False);
    auto cell = [](int row, int col) { return ras.TEXTURE_B[row * 50 + col]; };
    for (int c = 2; c <= 5; c++) {
        EXPECT_TRUE(cell(3, c)) << c;
        EXPECT_TRUE(cell(4, c)) << c;
        EXPECT_FALSE(cell(5, c)) << c;
    }
    EXPECT_FALSE(cell(2, 2));
    EXPECT_FALSE(cell(3, 6));
    for (int c = 1; c <= 3; c++) EXPECT_TRUE(cell(7, c));
    EXPECT_EQ(ras.TEXTURE_Y, 7);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), xtest::blank(60, 60)));
    EXPECT_TRUE(windowMatchesPixmap(*t));
}

// --- Clip, copies and repaint --------------------------------------------------

// Columns 0..7 painted in cells 1..8.
void stripes(int h) {
    for (int x = 0; x < 8; x++) paint(x, 0, 1, h - 1, 16 * (x + 1));
}

TEST_F(Driver, BlockCopiesMoveWholeRowsToTheLastColumn) {
    auto t = window(8, 4);
    stripes(4);
    NXG_copy_rect(0, 0, 5, 3, 2, 3);  // right by 2
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {"12123456", "12123456", "12123456", "12123456"}));
    EXPECT_TRUE(windowMatchesPixmap(*t));
    stripes(4);
    NXG_copy_rect(2, 0, 7, 3, 0, 3);  // left by 2
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {"34567878", "34567878", "34567878", "34567878"}));
    EXPECT_TRUE(windowMatchesPixmap(*t));
    NXG_copy_rect(0, 0, 7, 3, -40000, 3);  // nothing of it lands in the pixmap
    NXG_copy_rect(0, 0, 7, 3, 40000, 3);
    NXG_copy_rect(5, 0, 2, 3, 0, 3);  // an inverted block
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {"34567878", "34567878", "34567878", "34567878"}));
    EXPECT_EQ(nxg.NXG_win_err, 0);
}

TEST_F(Driver, ClipLimitsDrawingAndTheRepaint) {
    auto t = window(8, 4);
    paint(0, 0, 8, 3, 16);
    NXG_clear_all();  // the window goes to its background, the pixmap stays
    NXG_set_clp(2, 1, 4, 2);
    pdi_load_canvas(t->id, 0, 0, 8, 4);
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->windowGrid(), {"????????", "??111???", "??111???", "????????"}));
    paint(0, 0, 8, 3, 32);  // drawing is clipped too
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {"11111111", "11222111", "11222111", "11111111"}));
    NXG_set_clp(0, 0, 7, 3);
    pdi_load_canvas(t->id, 0, 0, 8, 4);  // a whole repaint reaches the last column
    XSync(t->dpy, False);
    EXPECT_TRUE(windowMatchesPixmap(*t));
    NXG_set_clp(5, 5, 2, 2);  // an inverted rectangle clips everything
    paint(0, 0, 8, 3, 48);
    NXG_set_clp(-70000, -70000, 70000, 70000);  // beyond 16 bits: the whole window
    paint(7, 0, 1, 0, 64);
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {"11111111", "11222111", "11222111", "11111114"}));
    EXPECT_EQ(nxg.NXG_win_err, 0);
}

TEST_F(Driver, RepaintOfUnusedOrOutOfRangeSlotsChangesNothing) {
    auto t = window(8, 4);
    Display *dpy = nxg.SW1_dpy;
    pdi_load_canvas(-1, 0, 0, 8, 4);
    pdi_load_canvas(12, 0, 0, 8, 4);
    pdi_load_canvas(5, 0, 0, 8, 4);
    pdi_load_canvas(t->id, -100, -100, 100000, 100000);
    EXPECT_EQ(nxg.SW1_dpy, dpy);
    XSync(t->dpy, False);
    EXPECT_EQ(nxg.NXG_win_err, 0);
}

TEST_F(Driver, WithoutAPixmapDrawingGoesToTheWindowAlone) {
    auto t = window(6, 3);
    nxg.NXG_pixmap = 0;
    paint(1, 1, 2, 0, 16);
    span(3, 4, 0, 32);
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->windowGrid(), {"...22.", ".11...", "......"}));
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), xtest::blank(6, 3)));
}

// --- Window slots, pixmaps and colour cells ----------------------------------

TEST_F(Driver, SharedColormapShowsIndexGroupsInTheirCells) {
    auto t = window(4, 2);
    const _NXG_window_info *s = t->slot();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->user_cmap, 0);
    EXPECT_EQ(s->cms, DefaultColormap(t->dpy, DefaultScreen(t->dpy)));
    EXPECT_EQ(unsigned(NXG_ec_to_wc(37)), s->pix_tbl[2] & 0xFF);
    EXPECT_EQ(unsigned(NXG_ec_to_wc(16)), s->pix_tbl[1] & 0xFF);
    for (int k = 1; k < NXG_CELLS; k++) EXPECT_EQ(s->pix_tbl[k], s->pix_tbl[0] + unsigned(k));
    paint(0, 0, 2, 1, 37);
    paint(2, 0, 2, 1, 255);
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {"22ff", "22ff"}));
}

TEST_F(Driver, PrivateColormapWhenTheDefaultOneIsFull) {
    // Another client takes every free cell of the default colormap.
    std::string name = xtest::xvfbDisplay(8);
    Display *other = XOpenDisplay(name.c_str());
    ASSERT_NE(other, nullptr);
    Colormap def = DefaultColormap(other, DefaultScreen(other));
    unsigned long p;
    int taken = 0;
    while (taken < 256 && XAllocColorCells(other, def, False, nullptr, 0, &p, 1)) taken++;
    XSync(other, False);

    auto t = window(4, 2);
    const _NXG_window_info *s = t->slot();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->user_cmap, 1);
    EXPECT_NE(s->cms, def);
    for (int i = 0; i < 16; i++) EXPECT_EQ(NXG_ec_to_wc(i), 128);
    for (int i = 240; i < 256; i++) EXPECT_EQ(NXG_ec_to_wc(i), 143);
    // Cells outside 128..143 keep the default map's colours.
    XColor a{}, b{};
    a.pixel = b.pixel = 5;
    XQueryColor(t->dpy, def, &a);
    XQueryColor(t->dpy, s->cms, &b);
    EXPECT_EQ(a.red, b.red);
    EXPECT_EQ(a.green, b.green);
    EXPECT_EQ(a.blue, b.blue);
    paint(0, 0, 1, 1, 16);
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {"1...", "1..."}));
    // Closing frees the private colormap without an X error.
    t->close();
    XSync(t->dpy, False);
    EXPECT_EQ(nxg.NXG_win_err, 0);
    XCloseDisplay(other);
}

TEST_F(Driver, SetPalStoresTheColourAndItsShadow) {
    auto t = window(4, 2);
    NXG_set_pal(16, 255, 0, 0);
    int pixel = NXG_ec_to_wc(16);
    EXPECT_EQ(unsigned(pixel), t->slot()->pix_tbl[1]);
    XColor c{};
    c.pixel = (unsigned long)pixel;
    XQueryColor(t->dpy, t->slot()->cms, &c);
    EXPECT_EQ(c.red >> 8, 255);  // 65280: the server keeps the top 8 bits
    EXPECT_EQ(c.green, 0);
    EXPECT_EQ(c.blue, 0);
    EXPECT_EQ(nxg.NEW_color_tbl2[pixel][0], 255);
    EXPECT_EQ(nxg.NEW_color_tbl2[pixel][1], 0);
    EXPECT_EQ(nxg.NEW_color_tbl2[pixel][2], 0);
    // Save and load bring back the saved colours of pixels 32 and up.
    NXG_save_pal();
    NXG_set_pal(16, 1, 2, 3);
    NXG_load_pal();
    EXPECT_EQ(nxg.NEW_color_tbl2[pixel][0], pixel >= 32 ? 255 : 1);
    // Cells of other clients in the shared colormap are left alone.
    XSync(t->dpy, False);
    EXPECT_EQ(nxg.NXG_win_err, 0);
}

TEST_F(Driver, ImageCellsTakeTheirColoursInTheGivenColormap) {
    auto t = window(4, 2);
    Colormap def = DefaultColormap(t->dpy, DefaultScreen(t->dpy));
    unsigned long cells[4];
    ASSERT_TRUE(XAllocColorCells(t->dpy, def, False, nullptr, 0, cells, 4));
    unsigned long tbl[NXG_GDF_CELLS];
    for (int i = 0; i < NXG_GDF_CELLS; i++) tbl[i] = cells[i % 4] | 0x100;  // low byte used
    EXPECT_EQ(NXG_set_gdf_paltbl(0, tbl), -1);
    EXPECT_EQ(NXG_set_gdf_paltbl(def, tbl), 0);
    EXPECT_EQ(nxg.NXG_wc_gdf_tbl[5], cells[1]);
    EXPECT_EQ(nxg.NEW_cms, def);
    NXG_set_gdfpal(int(cells[2]), 10, 20, 30);
    XColor c{};
    c.pixel = cells[2];
    XQueryColor(t->dpy, def, &c);
    EXPECT_EQ(c.red >> 8, 10);
    EXPECT_EQ(c.green >> 8, 20);
    EXPECT_EQ(c.blue >> 8, 30);
    EXPECT_EQ(nxg.NEW_color_tbl2[cells[2]][1], 20);
    // Saved image colours come back with the palette.
    NXG_save_pal();
    NXG_set_gdfpal(int(cells[2]), 0, 0, 0);
    NXG_load_pal();
    XQueryColor(t->dpy, def, &c);
    EXPECT_EQ(c.red >> 8, cells[2] >= 32 ? 10 : 0);
    XSync(t->dpy, False);
    EXPECT_EQ(nxg.NXG_win_err, 0);
    XFreeColors(t->dpy, def, cells, 4, 0);
}

TEST_F(Driver, PixmapIsKeptForTheSameSizeAndReplacedForANewOne) {
    auto t = window(8, 4);
    paint(1, 1, 3, 1, 16);
    Pixmap first = t->slot()->pm;
    Grid before = t->pixmapGrid();
    ASSERT_EQ(t->open(), 0);  // same size
    EXPECT_EQ(t->slot()->pm, first);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), before));
    t->resize(10, 5);
    ASSERT_EQ(t->open(), 0);
    EXPECT_NE(t->slot()->pm, first);
    EXPECT_EQ(t->slot()->wid, 10);
    EXPECT_EQ(t->slot()->hgt, 5);
    EXPECT_EQ(nxg.SW1_pm_wid, 9);
    EXPECT_EQ(nxg.SW1_pm_hgt, 4);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), xtest::blank(10, 5)));
}

TEST_F(Driver, EachWindowKeepsItsPixmapAndItsCells) {
    auto a = window(8, 4);
    paint(0, 0, 2, 0, 16);
    Pixmap pmA = a->slot()->pm;
    Grid picA = a->pixmapGrid();
    auto b = window(10, 6);
    EXPECT_NE(a->slot()->pix_tbl[1], b->slot()->pix_tbl[1]);
    // Back to the first window at its unchanged size: its picture stays.
    ASSERT_EQ(a->open(), 0);
    EXPECT_EQ(a->slot()->pm, pmA);
    EXPECT_TRUE(pictureIs(a->pixmapGrid(), picA));
    // A repaint makes the first window current: it draws with its own cells.
    pdi_load_canvas(b->id, 0, 0, 10, 6);
    EXPECT_EQ(unsigned(NXG_ec_to_wc(16)), b->slot()->pix_tbl[1] & 0xFF);
    pdi_load_canvas(a->id, 0, 0, 8, 4);
    EXPECT_EQ(unsigned(NXG_ec_to_wc(16)), a->slot()->pix_tbl[1] & 0xFF);
    paint(4, 2, 2, 0, 16);
    XSync(a->dpy, False);
    EXPECT_TRUE(pictureIs(a->pixmapGrid(), {"........", "....11..", "........", "11......"}));
    EXPECT_TRUE(windowMatchesPixmap(*a));
    // Closing the second window leaves the first one's cells alone.
    b->close();
    pdi_load_canvas(a->id, 0, 0, 8, 4);
    paint(6, 3, 1, 0, 32);
    XSync(a->dpy, False);
    EXPECT_TRUE(pictureIs({a->pixmapGrid()[0]}, {"......2."}));
    EXPECT_EQ(nxg.NXG_win_err, 0);
}

TEST_F(Driver, DriverDrawsWithItsOwnGC) {
    auto t = window(6, 3);
    GC host = DefaultGC(t->dpy, DefaultScreen(t->dpy));
    XGCValues before{}, after{};
    XGetGCValues(t->dpy, host, GCForeground | GCFunction, &before);
    EXPECT_NE(nxg.SW1_gc, host);
    paint(0, 0, 6, 2, 48);
    NXG_sel_color(80);
    NXG_set_clp(1, 1, 2, 2);
    ras.TexturePat[0][0] = 0xAA;
    ras.DRAW_COLOR_bg = 16;
    dot_draw_t(nullptr, 0, 0, 5, 0, 1);
    XGetGCValues(t->dpy, host, GCForeground | GCFunction, &after);
    EXPECT_EQ(before.foreground, after.foreground);
    EXPECT_EQ(before.function, after.function);
}

TEST_F(Driver, WindowsUnderTwoPixelsAreRefusedAndNothingIsDrawn) {
    TestWindow t(1, 10);
    ASSERT_TRUE(t.ok());
    EXPECT_EQ(t.open(), -1);
    EXPECT_EQ(t.id, -1);
    EXPECT_EQ(nxg.NXG_win_cnt, 0);  // the slot was given back
    EXPECT_EQ(nxg.NXG_win_tbl[0].use_flg, 0);
    TestWindow low(10, 1);
    EXPECT_EQ(low.open(), -1);
    // Sizes that X coordinates cannot reach are refused too.
    int id = -1;
    EXPECT_EQ(pdi_win_open(&id, 0, low.core, low.dpy, 40000, 10), -1);
    EXPECT_EQ(pdi_win_open(&id, 0, low.core, low.dpy, 10, INT_MAX), -1);
    EXPECT_EQ(pdi_win_open(&id, 0, low.core, low.dpy, INT_MIN, INT_MIN), -1);
    EXPECT_EQ(pdi_win_open(&id, 0, low.core, nullptr, 10, 10), -1);
    EXPECT_EQ(pdi_win_open(&id, 0, nullptr, low.dpy, 10, 10), -1);
    EXPECT_EQ(id, -1);
    EXPECT_EQ(nxg.NXG_win_cnt, 0);
    // No display is current: every operation does nothing.
    EXPECT_EQ(nxg.SW1_dpy, nullptr);
    paint(0, 0, 5, 5, 16);
    span(0, 5, 0, 16);
    ras.VRAM_y = 0;
    fill(0, 5);
    dot_t(0, 0, 5, 5);
    dot_draw_t(nullptr, 0, 0, 5, 0, 1);
    NXG_set_clp(0, 0, 5, 5);
    NXG_copy_rect(0, 0, 5, 5, 1, 5);
    NXG_clear_all();
    NXG_flush();
    NXG_set_pal(16, 1, 2, 3);
    NXG_sel_color(16);
    NXG_save_pixwin();
    NXG_load_pixwin();
    uint8_t px[4] = {1, 2, 3, 4};
    NXG_put_image(px, 2, 2, 0, 0);
    pdi_load_canvas(0, 0, 0, 5, 5);
    ip.BTFlag[16] = 1;
    NXG_blink();
    EXPECT_EQ(nxg.NXG_win_err, 0);
}

TEST_F(Driver, ASlotResizedBelowTwoPixelsStopsDrawing) {
    auto t = window(6, 3);
    t->resize(1, 3);
    EXPECT_EQ(t->open(), -1);
    EXPECT_EQ(t->id, 0);  // the instance keeps its slot
    EXPECT_EQ(nxg.SW1_dpy, nullptr);
    paint(0, 0, 5, 5, 16);
    t->resize(6, 3);
    EXPECT_EQ(t->open(), 0);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), xtest::blank(6, 3)));
}

TEST_F(Driver, ClosingUnusedOrOutOfRangeSlotsChangesNothing) {
    auto a = window(4, 2);
    auto b = window(4, 2);
    EXPECT_EQ(nxg.NXG_win_cnt, 2);
    EXPECT_EQ(pdi_win_close(-1), 0);
    EXPECT_EQ(pdi_win_close(12), 0);
    EXPECT_EQ(pdi_win_close(INT_MIN), 0);
    EXPECT_EQ(pdi_win_close(7), 0);
    EXPECT_EQ(nxg.NXG_win_cnt, 2);
    int id = a->id;
    a->close();
    EXPECT_EQ(pdi_win_close(id), 0);  // closed twice
    EXPECT_EQ(nxg.NXG_win_cnt, 1);
    // An id that is not the caller's slot is not updated.
    int bogus = 30;
    EXPECT_EQ(pdi_win_open(&bogus, 0, b->core, b->dpy, 4, 2), -1);
    int freed = id;
    EXPECT_EQ(pdi_win_open(&freed, 0, b->core, b->dpy, 4, 2), -1);
    EXPECT_EQ(pdi_win_open(nullptr, 0, b->core, b->dpy, 4, 2), -1);
    b->close();
    EXPECT_EQ(nxg.NXG_win_cnt, 0);
    EXPECT_EQ(pdi_win_close(0), 0);
    EXPECT_EQ(nxg.NXG_win_cnt, 0);
}

TEST_F(Driver, TwelveSlotsAtMostAndAFreedSlotIsReused) {
    std::vector<std::unique_ptr<TestWindow>> ws;
    for (int i = 0; i < NXG_WIN_MAX; i++) {
        ws.push_back(window(3, 3));
        EXPECT_EQ(ws.back()->id, i);
    }
    TestWindow extra(3, 3);
    EXPECT_EQ(extra.open(), -1);
    EXPECT_EQ(extra.id, -1);
    ws[3]->close();
    EXPECT_EQ(extra.open(), 0);
    EXPECT_EQ(extra.id, 3);
    extra.close();
}

// --- Blink and wait -----------------------------------------------------------

TEST_F(Driver, BlinkTicksSwitchPhasesWhenTheirCountsRunOut) {
    auto t = window(4, 2);
    ip.BTFlag[16] = 1;
    ip.BTCount[16] = 0;
    ip.BTOffTime[16] = 3;
    ip.BTOnTime[16] = 2;
    ip.BTOffR[16] = 10;
    ip.BTOffG[16] = 20;
    ip.BTOffB[16] = 30;
    ip.BTOnR[16] = 200;
    ip.BTOnG[16] = 100;
    ip.BTOnB[16] = 50;
    // Waiting for its first on phase.
    ip.BTFlag[32] = 3;
    ip.BTCount[32] = 1;
    ip.BTOnR[32] = 7;
    ip.BTOnTime[32] = 9;
    int pixel = NXG_ec_to_wc(16);
    auto shown = [&]() {
        XColor c{};
        c.pixel = (unsigned long)pixel;
        XQueryColor(t->dpy, t->slot()->cms, &c);
        return c.red / 256;
    };
    std::string phases;
    for (int tick = 1; tick <= 6; tick++) {
        NXG_blink();
        phases += shown() == 10 ? 'f' : shown() == 200 ? 'n' : '?';
        EXPECT_EQ(nxg.NEW_color_tbl2[pixel][0], shown() == 10 ? 10 : 200);
    }
    EXPECT_EQ(phases, "fffnnf");
    EXPECT_EQ(ip.BTFlag[16], 2);
    EXPECT_EQ(ip.BTFlag[32], 1);
    EXPECT_EQ(ip.BTCount[32], 4);  // on at the first tick, then 9 - 5
    EXPECT_EQ(nxg.NEW_color_tbl2[NXG_ec_to_wc(32)][0], 7);
}

int sleeps = 0;
int sleptMs = 0;
void countSleep(int ms) {
    sleeps++;
    sleptMs += ms;
}

TEST_F(Driver, WaitSleepsHalfItsTicksRoundedUp) {
    nxg.sleep_ms = countSleep;
    struct Case {
        int ticks, sleeps, left;
    };
    for (Case c : {Case{10, 5, 5}, Case{11, 6, 5}, Case{0, 0, 0}, Case{1, 1, 0}, Case{2, 1, 1}}) {
        sleeps = sleptMs = 0;
        ip.WaitTimer = c.ticks;
        waiting();
        EXPECT_EQ(sleeps, c.sleeps) << c.ticks;
        EXPECT_EQ(sleptMs, 100 * c.sleeps) << c.ticks;
        EXPECT_EQ(ip.WaitTimer, c.left) << c.ticks;
    }
    // The blink engine ticks at every step of a wait.
    ip.BTFlag[16] = 1;
    ip.BTOffR[16] = 99;
    ip.WaitTimer = 2;
    waiting();
    EXPECT_EQ(ip.BTFlag[16], 2);
    EXPECT_EQ(nxg.NEW_color_tbl2[NXG_ec_to_wc(16)][0], 99);
}

// --- X errors --------------------------------------------------------------------

int hostErrors = 0;
int hostHandler(Display *, XErrorEvent *) {
    hostErrors++;
    return 0;
}

TEST_F(Driver, AnXErrorReachesTheHandlerStandardOutputAndTheLog) {
    char path[] = "/tmp/naplps-nap-log-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    nxg.NXG_log_path = path;
    XSetErrorHandler(hostHandler);
    hostErrors = 0;
    auto t = window(4, 2);
    ::testing::internal::CaptureStdout();
    XMapWindow(t->dpy, 0x3fffff);  // no such window
    XSync(t->dpy, False);
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(nxg.NXG_win_err, 1);
    EXPECT_NE(out.find("BadWindow"), std::string::npos) << out;
    std::ifstream log(path);
    std::string line;
    std::getline(log, line);
    EXPECT_EQ(line + "\n", out);
    EXPECT_EQ(hostErrors, 0);
    std::remove(path);
    // A log that cannot be opened is skipped quietly.
    nxg.NXG_log_path = "/nonexistent-dir/nap.log";
    ::testing::internal::CaptureStdout();
    XMapWindow(t->dpy, 0x3ffffe);
    XSync(t->dpy, False);
    EXPECT_NE(::testing::internal::GetCapturedStdout().find("BadWindow"), std::string::npos);
    // With the last window closed the host's handler is back.
    t->close();
    XMapWindow(t->dpy, 0x3ffffd);
    XSync(t->dpy, False);
    EXPECT_EQ(hostErrors, 1);
    XSetErrorHandler(nullptr);
}

// --- Other displays ----------------------------------------------------------------

TEST_F(Driver, TrueColorDisplayNeitherCrashesNorRaisesErrors) {
    if (xtest::xvfbDisplay(24).empty()) GTEST_SKIP() << "no 24-bit Xvfb";
    auto t = window(16, 8, 24);
    EXPECT_EQ(t->slot()->ro_visual, 1);
    paint(1, 1, 4, 2, 16);
    span(0, 15, 0, 32);
    ras.TEXTURE_CODE = 4;
    ras.TexturePat[0][0] = 0xF0;
    ras.DRAW_COLOR_bg = 48;
    ras.VRAM_y = 3;
    fill(0, 15);
    NXG_set_pal(16, 255, 0, 0);
    ip.BTFlag[16] = 1;
    NXG_blink();
    NXG_copy_rect(0, 0, 7, 7, 2, 7);
    uint8_t px[4] = {1, 2, 3, 4};
    NXG_put_image(px, 2, 2, 0, 0);
    pdi_load_canvas(t->id, 0, 0, 16, 8);
    XSync(t->dpy, False);
    EXPECT_EQ(nxg.NXG_win_err, 0);
    EXPECT_TRUE(windowMatchesPixmap(*t));
    t->close();
    XSync(t->dpy, False);
    EXPECT_EQ(nxg.NXG_win_err, 0);
}

TEST_F(Driver, DeepWritableDisplayNeitherCrashesNorHangs) {
    // 24-bit DirectColor: writable cells, but pixel values wider than a
    // byte: it is treated as a display with fixed colours.
    if (xtest::xvfbDisplay(24, DirectColor).empty()) GTEST_SKIP() << "no DirectColor Xvfb";
    auto t = std::make_unique<TestWindow>(16, 8, 24, DirectColor);
    ASSERT_TRUE(t->ok());
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(t->open(), 0);
    EXPECT_EQ(t->slot()->ro_visual, 1);
    paint(1, 1, 4, 2, 16);
    span(0, 15, 0, 32);
    NXG_set_pal(16, 255, 0, 0);
    NXG_save_pal();
    NXG_load_pal();
    pdi_load_canvas(t->id, 0, 0, 16, 8);
    t->close();
    XSync(t->dpy, False);
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(nxg.NXG_win_err, 0) << out;
    EXPECT_EQ(nxg.NXG_win_cnt, 0);
}

// --- Images and paths -------------------------------------------------------------

TEST_F(Driver, ImagesArePutIntoWindowAndPixmap) {
    auto t = window(6, 3);
    const _NXG_window_info *s = t->slot();
    uint8_t px[6];
    for (int i = 0; i < 6; i++) px[i] = uint8_t(s->pix_tbl[i + 1]);
    NXG_put_image(px, 3, 2, 2, 1);
    NXG_put_image(px, 0, 2, 0, 0);
    NXG_put_image(nullptr, 3, 2, 0, 0);
    NXG_put_image(px, 3, 2, 70000, 0);
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {"......", "..123.", "..456."}));
    EXPECT_TRUE(windowMatchesPixmap(*t));
}

TEST_F(Driver, SetPathJoinsTheDirectoryOfAVariable) {
    char buf[NXG_PATH_MAX] = "pic.gdf";
    setenv("NAPLPS_TEST_DIR", "  /a b/c ;/ignored", 1);
    EXPECT_STREQ(NXG_set_path(buf, "NAPLPS_TEST_DIR"), "/ab/c/pic.gdf");
    std::snprintf(buf, sizeof buf, "x");
    setenv("NAPLPS_TEST_DIR", "/d/", 1);
    EXPECT_STREQ(NXG_set_path(buf, "NAPLPS_TEST_DIR"), "/d/x");
    unsetenv("NAPLPS_TEST_DIR");
    std::snprintf(buf, sizeof buf, "x");
    EXPECT_STREQ(NXG_set_path(buf, "NAPLPS_TEST_DIR"), "x");
    setenv("NAPLPS_TEST_DIR", std::string(500, 'z').c_str(), 1);
    NXG_set_path(buf, "NAPLPS_TEST_DIR");  // cut to the buffer
    EXPECT_LT(std::string(buf).size(), size_t(NXG_PATH_MAX));
    unsetenv("NAPLPS_TEST_DIR");
}

}  // namespace
}  // namespace naplps
