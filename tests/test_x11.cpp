// The X back end on a private 8-bit PseudoColor Xvfb: window slots, colour
// cells and colormaps, backing pixmaps, the back end's own GC, the repaint
// of a window from its pixmap, and the X error handler. Pictures are grids
// of colour-cell numbers read back from the backing pixmap (and the window).
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

class X11 : public ::testing::Test {
protected:
    void SetUp() override {
        xtest::resetState();
        NAPLPS_NEED_XVFB(8);
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
    ras.NXG_cur_pal = colour;
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

TEST_F(X11, ClipLimitsDrawingAndTheRepaint) {
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
    EXPECT_EQ(nxgx.NXG_win_err, 0);
}

// Every primitive draws into the window and the pixmap alike, the same
// pixels the memory surface gets.
TEST_F(X11, EveryPrimitiveDrawsIntoWindowAndPixmapAsInMemory) {
    auto draw = [] {
        paint(0, 0, 16, 7, 16), paint(2, 1, 5, 2, 32), span(9, 14, 1, 48);
        ras.TEXTURE_CODE = 4, ras.DRAW_COLOR_fg = 64, ras.DRAW_COLOR_bg = 80;
        for (auto &row : ras.TexturePat) row[0] = 0x5A, row[1] = 0xC3;
        ras.VRAM_y = 2, fill(1, 14);
        ras.DRAW_COLOR_bg = -1, dot_draw_t(0, 3, 15, 3, 0);
        const uint8_t px[6] = {6, 7, 8, 9, 10, 11};
        NXG_put_image(px, 3, 2, 11, 5);
        NXG_copy_rect(0, 0, 7, 3, 8, 3);
        NXG_set_clp(3, 2, 12, 6), paint(0, 0, 16, 7, 96);
    };
    ptest::TestSurface memory(16, 8);
    ASSERT_EQ(memory.open(), 0);
    draw();
    auto t = window(16, 8);
    draw();
    shows(*t, memory.grid());
    EXPECT_EQ(nxgx.NXG_win_err, 0);
}

// --- Window slots, pixmaps and colour cells ----------------------------------

TEST_F(X11, SharedColormapCellsAndTheirShadow) {
    auto t = window(4, 2);
    const NxgXSlot *s = t->slot();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->user_cmap, 0);
    EXPECT_EQ(s->cms, DefaultColormap(t->dpy, DefaultScreen(t->dpy)));
    EXPECT_EQ(unsigned(NXG_ec_to_wc(37)), s->pix_tbl[2] & 0xFF);
    for (int k = 1; k < NXG_CELLS; k++) EXPECT_EQ(s->pix_tbl[k], s->pix_tbl[0] + unsigned(k));
    paint(0, 0, 2, 1, 37);
    paint(2, 0, 2, 1, 255);
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {"22ff", "22ff"}));
    // set_pal stores the colour in the cell and in its shadow.
    NXG_set_pal(16, 255, 0, 0);
    int pixel = NXG_ec_to_wc(16);
    XColor c{(unsigned long)pixel, 0, 0, 0, 0, 0};
    XQueryColor(t->dpy, t->slot()->cms, &c);
    EXPECT_EQ(c.red >> 8, 255);
    EXPECT_EQ(c.green | c.blue, 0);
    const uint8_t *shadow = nxg.NXG_win_tbl[t->id].NEW_color_tbl2[pixel];
    EXPECT_EQ(shadow[0], 255);
    EXPECT_EQ(shadow[1] | shadow[2], 0);
    XSync(t->dpy, False);
    EXPECT_EQ(nxgx.NXG_win_err, 0);
}

TEST_F(X11, PrivateColormapWhenTheDefaultOneIsFull) {
    // Another client takes every free cell of the default colormap.
    Display *other = XOpenDisplay(xtest::xvfbDisplay(8).c_str());
    ASSERT_NE(other, nullptr);
    Colormap def = DefaultColormap(other, DefaultScreen(other));
    unsigned long p;
    for (int n = 0; n < 256 && XAllocColorCells(other, def, False, nullptr, 0, &p, 1); n++)
        continue;
    XSync(other, False);
    auto t = window(4, 2);
    const NxgXSlot *s = t->slot();
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
    EXPECT_EQ(nxgx.NXG_win_err, 0);
    XCloseDisplay(other);
}

TEST_F(X11, PixmapIsKeptForTheSameSizeAndReplacedForANewOne) {
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

TEST_F(X11, EachWindowKeepsItsPixmapAndItsCells) {
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
    EXPECT_EQ(nxgx.NXG_win_err, 0);
}

TEST_F(X11, TheBackEndDrawsWithItsOwnGC) {
    auto t = window(6, 3);
    GC host = DefaultGC(t->dpy, DefaultScreen(t->dpy));
    XGCValues before{}, after{};
    XGetGCValues(t->dpy, host, GCForeground | GCFunction, &before);
    EXPECT_NE(t->slot()->gc, host);
    paint(0, 0, 6, 2, 48);
    NXG_set_clp(1, 1, 2, 2);
    ras.TexturePat[0][0] = 0xAA;
    ras.DRAW_COLOR_bg = 16;
    dot_draw_t(0, 0, 5, 0, 0);
    XGetGCValues(t->dpy, host, GCForeground | GCFunction, &after);
    EXPECT_EQ(before.foreground, after.foreground);
    EXPECT_EQ(before.function, after.function);
}

TEST_F(X11, WindowsUnderTwoPixelsAreRefusedAndNothingIsDrawn) {
    TestWindow t(1, 10), low(10, 1);
    ASSERT_TRUE(t.ok() && low.ok());
    EXPECT_EQ(t.open() + low.open(), -2);
    int id = -1;  // sizes X coordinates cannot reach, and missing display or widget
    for (Op o : {Op{40000, 10, 1, 1, 0}, Op{10, INT_MAX, 1, 1, 0}, Op{INT_MIN, INT_MIN, 1, 1, 0},
                 Op{10, 10, 0, 1, 0}, Op{10, 10, 1, 0, 0}})
        EXPECT_EQ(pdi_win_open(&id, 0, o.d ? low.core : nullptr, o.c ? low.dpy : nullptr, o.a, o.b),
                  -1);
    EXPECT_EQ(t.id + id, -2);
    EXPECT_EQ(nxg.NXG_win_cnt, 0);  // the slots were given back
    EXPECT_EQ(nxg.SW1_id, -1);      // no surface is current: every operation does nothing
    paint(0, 0, 5, 5, 16);
    span(0, 5, 0, 16);
    fill(0, 5);
    dot_t(0, 0, 5, 5);
    dot_draw_t(0, 0, 5, 0, 0);
    NXG_set_clp(0, 0, 5, 5), NXG_copy_rect(0, 0, 5, 5, 1, 5), NXG_clear_all();
    NXG_set_pal(16, 1, 2, 3);
    uint8_t px[4] = {1, 2, 3, 4};
    NXG_put_image(px, 2, 2, 0, 0), pdi_load_canvas(0, 0, 0, 5, 5);
    ip.BTFlag[16] = 1;
    blink_tick();
    EXPECT_EQ(nxgx.NXG_win_err, 0);
    // A slot resized below two pixels stops drawing but stays the instance's.
    auto w = window(6, 3);
    w->resize(1, 3);
    EXPECT_EQ(w->open(), -1);
    EXPECT_EQ(w->id, 0);
    EXPECT_EQ(nxg.SW1_id, -1);
    paint(0, 0, 5, 5, 16);
    w->resize(6, 3);
    EXPECT_EQ(w->open(), 0);
    EXPECT_TRUE(pictureIs(w->pixmapGrid(), xtest::blank(6, 3)));
}

// --- X errors ----------------------------------------------------

int hostErrors = 0;
int hostHandler(Display *, XErrorEvent *) {
    hostErrors++;
    return 0;
}

TEST_F(X11, AnXErrorReachesTheHandlerStandardOutputAndTheLog) {
    char path[] = "/tmp/naplps-nap-log-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    nxgx.NXG_log_path = path;
    hostErrors = 0;
    XSetErrorHandler(hostHandler);
    auto t = window(4, 2);
    ::testing::internal::CaptureStdout();
    XMapWindow(t->dpy, 0x3fffff);  // no such window
    XSync(t->dpy, False);
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(nxgx.NXG_win_err, 1);
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

}  // namespace
}  // namespace naplps
