// The graphics driver on a private 8-bit PseudoColor Xvfb: window slots,
// colour cells, clipped pixel and span output, repaint, blink and wait, and
// the X error handler. Pictures are grids of colour-cell numbers read back
// from the backing pixmap (and the window).
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
#include "interp/blink.h"
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

// The pixmap shows `want`, and the window shows the pixmap.
void shows(const TestWindow &t, const Grid &want) {
    XSync(t.dpy, False);
    EXPECT_TRUE(pictureIs(t.pixmapGrid(), want));
    EXPECT_TRUE(windowMatchesPixmap(t));
}

struct Op {
    int a, b, c, d, colour;
};

// Rectangles: x, y, w, h (h + 1 rows from y upwards); spans: xa, xb, row.
TEST_F(Driver, RectanglesAndSpansAreClippedToThePixmap) {
    auto t = window(12, 6);
    for (Op r : {Op{2, 1, 3, 2, 16}, Op{10, 0, -3, 1, 32}, Op{5, 5, 1, -1, 48}}) paint(r.a, r.b, r.c, r.d, r.colour);
    shows(*t, {".....3......", "............", "..111.......", "..111.......", "..111...222.", "........222."});
    auto u = window(12, 6);
    for (Op r : {Op{-5, 0, 3, 0, 16}, Op{-2, 1, 4, 0, 16}, Op{3, 2, 0, 3, 16}, Op{10, 3, 5, 0, 32},
                 Op{40000, 4, 10, 0, 48}, Op{-40000, 4, 10, 0, 48}, Op{5, -3, 1, 1, 64}, Op{6, -1, 1, 1, 64},
                 Op{0, 0, INT_MIN, INT_MIN, 80}, Op{INT_MAX, INT_MAX, INT_MAX, INT_MAX, 80}})
        paint(r.a, r.b, r.c, r.d, r.colour);
    shows(*u, {"............", "............", "..........22", "............", "51..........", "5.....4....."});
    auto v = window(12, 5);
    for (Op s : {Op{-20, -10, 0, 0, 16}, Op{40000, 40010, 0, 0, 16}, Op{8, 20, 1, 0, 32}, Op{5, 2, 2, 0, 48},
                 Op{-3, 1, 3, 0, 64}, Op{0, 11, -1, 0, 80}, Op{0, 11, 5, 0, 80}, Op{0, 11, 70000, 0, 80}})
        span(s.a, s.b, s.c, s.colour);
    shows(*v, {"............", "........2222", "..3333......", "44..........", "............"});
}

// Row 0: a pattern row offset far outside the prepared rows keeps the period;
// row 1: more runs (2100 of each colour) than segments of one batch.
TEST_F(Driver, PatternsKeepTheirPeriodAndLongRowsAreDrawnWhole) {
    auto t = window(4200, 2);
    ras.TEXTURE_CODE = 4, ras.DRAW_COLOR_fg = 16, ras.DRAW_COLOR_bg = 32;
    for (Op c : {Op{0xF0, 8, 1 << 30, 0, 0}, Op{0xAA, 2, 0, 1, 0}}) {  // pattern, period, pattern row, row
        for (auto &row : ras.TexturePat)
            for (auto &b : row) b = uint8_t(c.a);
        ras.pen.PhyMaskX = c.b, ras.TEXTURE_yy = c.c, ras.VRAM_y = c.d;
        fill(0, 4199);
        std::string want;
        for (int x = 0; x < 4200; x++) want += (x % c.b) < c.b / 2 ? '1' : '2';
        EXPECT_EQ(t->pixmapGrid().at(size_t(c.d)), want) << c.d;
    }
}

TEST_F(Driver, ClipLimitsDrawingAndTheRepaint) {
    auto t = window(8, 4);
    paint(0, 0, 8, 3, 16);
    NXG_clear_all();  // the window goes to its background, the pixmap stays
    NXG_set_clp(2, 1, 4, 2);
    pdi_load_canvas(t->id, 0, 0, 8, 4);
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->windowGrid(), {"????????", "??111???", "??111???", "????????"}));
    paint(0, 0, 8, 3, 32);
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

// --- Window slots, pixmaps and colour cells ----------------------------------

TEST_F(Driver, SharedColormapCellsAndTheirShadow) {
    auto t = window(4, 2);
    const _NXG_window_info *s = t->slot();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->user_cmap, 0);
    EXPECT_EQ(s->cms, DefaultColormap(t->dpy, DefaultScreen(t->dpy)));
    EXPECT_EQ(unsigned(NXG_ec_to_wc(37)), s->pix_tbl[2] & 0xFF);
    for (int k = 1; k < NXG_CELLS; k++) EXPECT_EQ(s->pix_tbl[k], s->pix_tbl[0] + unsigned(k));
    paint(0, 0, 2, 1, 37), paint(2, 0, 2, 1, 255);
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {"22ff", "22ff"}));
    // set_pal stores the colour in the cell and in its shadow.
    NXG_set_pal(16, 255, 0, 0);
    int pixel = NXG_ec_to_wc(16);
    XColor c{(unsigned long)pixel, 0, 0, 0, 0, 0};
    XQueryColor(t->dpy, t->slot()->cms, &c);
    EXPECT_EQ(c.red >> 8, 255);
    EXPECT_EQ(c.green | c.blue, 0);
    EXPECT_EQ(nxg.NEW_color_tbl2[pixel][0], 255);
    EXPECT_EQ(nxg.NEW_color_tbl2[pixel][1] | nxg.NEW_color_tbl2[pixel][2], 0);
    // Save and load bring back the saved colours of pixels 32 and up.
    NXG_save_pal(), NXG_set_pal(16, 1, 2, 3), NXG_load_pal();
    EXPECT_EQ(nxg.NEW_color_tbl2[pixel][0], pixel >= 32 ? 255 : 1);
    XSync(t->dpy, False);
    EXPECT_EQ(nxg.NXG_win_err, 0);
}

TEST_F(Driver, PrivateColormapWhenTheDefaultOneIsFull) {
    // Another client takes every free cell of the default colormap.
    Display *other = XOpenDisplay(xtest::xvfbDisplay(8).c_str());
    ASSERT_NE(other, nullptr);
    Colormap def = DefaultColormap(other, DefaultScreen(other));
    unsigned long p;
    for (int n = 0; n < 256 && XAllocColorCells(other, def, False, nullptr, 0, &p, 1); n++) continue;
    XSync(other, False);
    auto t = window(4, 2);
    const _NXG_window_info *s = t->slot();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->user_cmap, 1);
    EXPECT_NE(s->cms, def);
    for (int i = 0; i < 16; i++) EXPECT_EQ(NXG_ec_to_wc(i), 128);
    for (int i = 240; i < 256; i++) EXPECT_EQ(NXG_ec_to_wc(i), 143);
    // Cells outside 128..143 keep the default map's colours.
    XColor a{5, 0, 0, 0, 0, 0}, b = a;
    XQueryColor(t->dpy, def, &a);
    XQueryColor(t->dpy, s->cms, &b);
    EXPECT_EQ((a.red ^ b.red) | (a.green ^ b.green) | (a.blue ^ b.blue), 0);
    paint(0, 0, 1, 1, 16);
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {"1...", "1..."}));
    t->close();  // frees the private colormap without an X error
    XSync(t->dpy, False);
    EXPECT_EQ(nxg.NXG_win_err, 0);
    XCloseDisplay(other);
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
    // A repaint makes its window current: it draws with its own cells.
    pdi_load_canvas(b->id, 0, 0, 10, 6);
    EXPECT_EQ(unsigned(NXG_ec_to_wc(16)), b->slot()->pix_tbl[1] & 0xFF);
    pdi_load_canvas(a->id, 0, 0, 8, 4);
    EXPECT_EQ(unsigned(NXG_ec_to_wc(16)), a->slot()->pix_tbl[1] & 0xFF);
    paint(4, 2, 2, 0, 16);
    shows(*a, {"........", "....11..", "........", "11......"});
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
    NXG_sel_color(80), NXG_set_clp(1, 1, 2, 2);
    ras.TexturePat[0][0] = 0xAA, ras.DRAW_COLOR_bg = 16;
    dot_draw_t(nullptr, 0, 0, 5, 0, 1);
    XGetGCValues(t->dpy, host, GCForeground | GCFunction, &after);
    EXPECT_EQ(before.foreground, after.foreground);
    EXPECT_EQ(before.function, after.function);
}

TEST_F(Driver, WindowsUnderTwoPixelsAreRefusedAndNothingIsDrawn) {
    TestWindow t(1, 10), low(10, 1);
    ASSERT_TRUE(t.ok() && low.ok());
    EXPECT_EQ(t.open() + low.open(), -2);
    int id = -1;  // sizes X coordinates cannot reach, and missing display or widget
    for (Op o : {Op{40000, 10, 1, 1, 0}, Op{10, INT_MAX, 1, 1, 0}, Op{INT_MIN, INT_MIN, 1, 1, 0},
                 Op{10, 10, 0, 1, 0}, Op{10, 10, 1, 0, 0}})
        EXPECT_EQ(pdi_win_open(&id, 0, o.d ? low.core : nullptr, o.c ? low.dpy : nullptr, o.a, o.b), -1);
    EXPECT_EQ(t.id + id, -2);
    EXPECT_EQ(nxg.NXG_win_cnt, 0);  // the slots were given back
    EXPECT_EQ(nxg.SW1_dpy, nullptr);  // no display is current: every operation does nothing
    paint(0, 0, 5, 5, 16), span(0, 5, 0, 16), fill(0, 5), dot_t(0, 0, 5, 5);
    dot_draw_t(nullptr, 0, 0, 5, 0, 1);
    NXG_set_clp(0, 0, 5, 5), NXG_copy_rect(0, 0, 5, 5, 1, 5), NXG_clear_all();
    NXG_set_pal(16, 1, 2, 3), NXG_sel_color(16), NXG_save_pixwin(), NXG_load_pixwin();
    uint8_t px[4] = {1, 2, 3, 4};
    NXG_put_image(px, 2, 2, 0, 0), pdi_load_canvas(0, 0, 0, 5, 5);
    ip.BTFlag[16] = 1;
    blink_tick();
    EXPECT_EQ(nxg.NXG_win_err, 0);
    // A slot resized below two pixels stops drawing but stays the instance's.
    auto w = window(6, 3);
    w->resize(1, 3);
    EXPECT_EQ(w->open(), -1);
    EXPECT_EQ(w->id, 0);
    EXPECT_EQ(nxg.SW1_dpy, nullptr);
    paint(0, 0, 5, 5, 16);
    w->resize(6, 3);
    EXPECT_EQ(w->open(), 0);
    EXPECT_TRUE(pictureIs(w->pixmapGrid(), xtest::blank(6, 3)));
}

TEST_F(Driver, UnusedOrOutOfRangeSlotsAreIgnored) {
    auto a = window(4, 2), b = window(4, 2);
    for (int bad : {-1, 12, INT_MIN, 7}) {
        EXPECT_EQ(pdi_win_close(bad), 0);
        pdi_load_canvas(bad, 0, 0, 8, 4);
    }
    pdi_load_canvas(b->id, -100, -100, 100000, 100000);
    EXPECT_EQ(nxg.NXG_win_cnt, 2);
    int id = a->id;
    a->close();
    EXPECT_EQ(pdi_win_close(id), 0);  // closed twice
    EXPECT_EQ(nxg.NXG_win_cnt, 1);
    // An id that is not the caller's slot is not updated.
    int bogus = 30;
    for (int *p : {&bogus, &id, (int *)nullptr}) EXPECT_EQ(pdi_win_open(p, 0, b->core, b->dpy, 4, 2), -1);
    b->close();
    EXPECT_EQ(pdi_win_close(0), 0);
    EXPECT_EQ(nxg.NXG_win_cnt, 0);
    XSync(b->dpy, False);
    EXPECT_EQ(nxg.NXG_win_err, 0);
    // Twelve slots at most; a freed slot is reused.
    std::vector<std::unique_ptr<TestWindow>> ws;
    for (int i = 0; i < NXG_WIN_MAX; i++) ws.push_back(window(3, 3));
    TestWindow extra(3, 3);
    EXPECT_EQ(extra.open(), -1);
    ws[3]->close();
    EXPECT_EQ(extra.open(), 0);
    EXPECT_EQ(extra.id, 3);
}

// --- Blink and wait -----------------------------------------------------------

TEST_F(Driver, BlinkTicksSwitchPhasesWhenTheirCountsRunOut) {
    auto t = window(4, 2);
    ip.BTFlag[16] = 1, ip.BTOffTime[16] = 3, ip.BTOnTime[16] = 2, ip.BTOffR[16] = 10, ip.BTOnR[16] = 200;
    // Index 32 is waiting for its first on phase.
    ip.BTFlag[32] = 3, ip.BTCount[32] = 1, ip.BTOnR[32] = 7, ip.BTOnTime[32] = 9;
    int pixel = NXG_ec_to_wc(16);
    std::string phases;
    for (int tick = 1; tick <= 6; tick++) {
        blink_tick();
        XColor c{(unsigned long)pixel, 0, 0, 0, 0, 0};
        XQueryColor(t->dpy, t->slot()->cms, &c);
        phases += c.red / 256 == 10 ? 'f' : c.red / 256 == 200 ? 'n' : '?';
        EXPECT_EQ(nxg.NEW_color_tbl2[pixel][0], c.red / 256);
    }
    EXPECT_EQ(phases, "fffnnf");
    EXPECT_EQ(ip.BTFlag[16], 2);
    EXPECT_EQ(ip.BTFlag[32], 1);
    EXPECT_EQ(ip.BTCount[32], 4);  // on at the first tick, then 9 - 5
    EXPECT_EQ(nxg.NEW_color_tbl2[NXG_ec_to_wc(32)][0], 7);
}

// --- X errors ----------------------------------------------------

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
    nxg.NXG_log_path = path, hostErrors = 0;
    XSetErrorHandler(hostHandler);
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
    // With the last window closed the host's handler is back.
    t->close();
    XMapWindow(t->dpy, 0x3ffffd);
    XSync(t->dpy, False);
    EXPECT_EQ(hostErrors, 1);
    XSetErrorHandler(nullptr);
}

// The directory comes from the variable, blanks dropped, up to a ';'; a long
// value is cut to the buffer.
TEST_F(Driver, SetPathJoinsTheDirectoryOfAVariableWithinTheBuffer) {
    char buf[NXG_PATH_MAX] = "pic.gdf";
    setenv("NAPLPS_TEST_DIR", "  /a b/c ;/ignored", 1);
    EXPECT_STREQ(NXG_set_path(buf, "NAPLPS_TEST_DIR"), "/ab/c/pic.gdf");
    setenv("NAPLPS_TEST_DIR", std::string(500, 'z').c_str(), 1);
    EXPECT_LT(std::string(NXG_set_path(buf, "NAPLPS_TEST_DIR")).size(), size_t(NXG_PATH_MAX));
    unsetenv("NAPLPS_TEST_DIR");
}

}  // namespace
}  // namespace naplps
