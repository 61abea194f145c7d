// The direct path on displays whose colour cells cannot be written
// (TrueColor of 15, 16, 24 and 32 bits, DirectColor, StaticColor) and the
// in-memory surface, driven through the driver's entry points and read back
// from the X server as RGB.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <climits>
#include <memory>
#include <vector>

#include "interp/state.h"
#include "nxg/nxg.h"
#include "raster/raster.h"
#include "tests/test_truecolor_rgb.h"
#include "tests/x11_fixture.h"

namespace naplps {
namespace {

using tcrgb::at;
using tcrgb::Px;
using tcrgb::Rgb;
using xtest::TestWindow;

void noSleep(int) {}

// Colours of cells 0 .. 3 (colour indices 0, 16, 32, 48).
const Px CELL[4] = {{10, 20, 30}, {255, 0, 0}, {0, 255, 0}, {1, 2, 254}};

class Direct : public ::testing::Test {
protected:
    void SetUp() override {
        xtest::resetState();
        nxg.sleep_ms = noSleep;
        nxg.NXG_log_path = nullptr;
    }
    void TearDown() override {
        t.reset();
        xtest::resetState();
    }
    // A window of w x h on an Xvfb of the given depth and visual class, its
    // slot taken, cells 0 .. 3 coloured.
    bool open(int w, int h, int depth = 24, int cls = -1) {
        if (xtest::xvfbDisplay(depth, cls).empty()) return false;
        t = std::make_unique<TestWindow>(w, h, depth, cls);
        if (!t->ok() || t->open() != 0) return false;
        for (int k = 0; k < 4; k++) NXG_set_pal(16 * k, CELL[k].r, CELL[k].g, CELL[k].b);
        return true;
    }
    void rect(int x, int y, int w, int h, int cell) {  // bottom-up, w x (h + 1)
        ras.DRAW_COLOR_fg = 16 * cell;
        dot_p(x, y, w, h);
    }
    Rgb pixmap() { return tcrgb::drawableRgb(*t); }
    Rgb window() { return tcrgb::drawableRgb(*t, t->win); }
    Rgb picture() { return tcrgb::pictureRgb(t->id, t->width, t->height); }
    std::unique_ptr<TestWindow> t;
};

// Every primitive on a 24-bit TrueColor window: the pixmap and the window
// hold the true colours of the cells, and the driver's picture says the same.
TEST_F(Direct, EveryPrimitiveDrawsTrueColoursIntoPixmapWindowAndPicture) {
    if (!open(24, 12)) GTEST_SKIP() << "no 24-bit Xvfb";
    const _NXG_window_info *s = t->slot();
    ASSERT_EQ(s->ro_visual, 1);
    for (int k = 0; k < NXG_CELLS; k++) EXPECT_EQ(s->pix_tbl[k], unsigned(k));
    // The pixmap has the window's depth.
    Window root;
    int x, y;
    unsigned w, h, bw, depth = 0;
    ASSERT_TRUE(XGetGeometry(t->dpy, s->pm, &root, &x, &y, &w, &h, &bw, &depth));
    EXPECT_EQ(depth, 24u);

    rect(1, 1, 4, 2, 1);  // rows 8..10 from the top, columns 1..4
    nxg.NXG_cur_pal = 32;
    ras.VRAM_y = 0;
    draw(0, 23);  // the top row
    ras.TEXTURE_CODE = 4;
    ras.TexturePat[0][0] = 0xF0;
    ras.TexturePat[0][1] = 0xF0;
    ras.TEXTURE_yy = 0;
    ras.DRAW_COLOR_fg = 48;
    ras.DRAW_COLOR_bg = 16;
    ras.VRAM_y = 2;
    fill(0, 15);
    ras.TEXTURE_CODE = 0;
    uint8_t px[4] = {0, 1, 2, 3};
    NXG_put_image(px, 2, 2, 20, 4);
    NXG_copy_rect(0, 9, 5, 9, 6, 5);  // the row of the pattern, 6 pixels, to row 6
    XSync(t->dpy, False);

    Rgb pm = pixmap();
    ASSERT_FALSE(pm.empty());
    EXPECT_EQ(at(pm, 24, 2, 9), CELL[1]);
    EXPECT_EQ(at(pm, 24, 0, 11), CELL[0]);
    for (int c = 0; c < 24; c++) EXPECT_EQ(at(pm, 24, c, 0), CELL[2]) << c;
    for (int c = 0; c < 16; c++) EXPECT_EQ(at(pm, 24, c, 2), CELL[(c / 4) % 2 ? 1 : 3]) << c;
    EXPECT_EQ(at(pm, 24, 20, 4), CELL[0]);
    EXPECT_EQ(at(pm, 24, 21, 4), CELL[1]);
    EXPECT_EQ(at(pm, 24, 20, 5), CELL[2]);
    EXPECT_EQ(at(pm, 24, 21, 5), CELL[3]);
    for (int c = 0; c < 6; c++) EXPECT_EQ(at(pm, 24, 6 + c, 6), at(pm, 24, c, 2)) << c;
    EXPECT_EQ(tcrgb::differing(pm, picture()), 0u);
    EXPECT_EQ(tcrgb::differing(pm, window()), 0u);
    EXPECT_EQ(nxg.NXG_win_err, 0);
}

// A colour change reaches every pixel of its cell, inside and outside the
// clip, in pixmap and window, and no other pixel: a pixel put into the
// pixmap behind the driver's back keeps its value. What is drawn in that
// cell afterwards has the new colour.
TEST_F(Direct, AColourChangeRepaintsExactlyThePixelsOfItsCell) {
    if (!open(32, 16)) GTEST_SKIP() << "no 24-bit Xvfb";
    rect(0, 0, 16, 15, 1);
    rect(16, 0, 16, 15, 2);
    NXG_set_clp(0, 0, 3, 3);
    const _NXG_window_info *s = t->slot();
    GC gc = XCreateGC(t->dpy, s->pm, 0, nullptr);
    XSetForeground(t->dpy, gc, 0x123456);
    XDrawPoint(t->dpy, s->pm, gc, 20, 3);  // among cell 2
    XDrawPoint(t->dpy, s->pm, gc, 5, 3);   // among cell 1
    XFreeGC(t->dpy, gc);

    NXG_set_pal(16, 0, 0, 255);
    Rgb pm = pixmap(), win = window();
    const Px blue{0, 0, 255}, mark{0x12, 0x34, 0x56};
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 32; x++) {
            Px want = x < 16 ? blue : CELL[2];
            if (y == 3 && x == 20) want = mark;
            if (y == 3 && x == 5) want = blue;  // its cell's pixel, repainted
            ASSERT_EQ(at(pm, 32, x, y), want) << x << "," << y;
            if (!(y == 3 && x == 20)) {
                ASSERT_EQ(at(win, 32, x, y), x < 16 ? blue : CELL[2]);
            }
        }
    // Drawn after the change, inside the clip: the new colour.
    rect(0, 0, 2, 1, 1);
    EXPECT_EQ(at(pixmap(), 32, 0, 15), blue);
    // A colour for a cell that no pixel shows changes nothing.
    Rgb before = pixmap();
    NXG_set_pal(64, 9, 9, 9);
    EXPECT_EQ(tcrgb::differing(before, pixmap()), 0u);
    EXPECT_EQ(nxg.NXG_win_err, 0);
}

// A colour broken into runs of single pixels is repainted as one image of
// the smallest rectangle holding them: right inside it, untouched outside.
TEST_F(Direct, FinelyBrokenColoursRepaintWithinTheirRectangle) {
    if (!open(40, 20)) GTEST_SKIP() << "no 24-bit Xvfb";
    rect(0, 0, 40, 19, 3);
    std::vector<uint8_t> px(16 * 10);
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 16; x++) px[size_t(y) * 16 + size_t(x)] = uint8_t((x + y) % 2 ? 1 : 2);
    NXG_put_image(px.data(), 16, 10, 4, 5);
    const _NXG_window_info *s = t->slot();
    GC gc = XCreateGC(t->dpy, s->pm, 0, nullptr);
    XSetForeground(t->dpy, gc, 0x654321);
    XDrawPoint(t->dpy, s->pm, gc, 30, 10);  // outside the checkered block
    XFreeGC(t->dpy, gc);
    NXG_set_pal(16, 9, 99, 199);
    Rgb pm = pixmap();
    for (int y = 0; y < 20; y++)
        for (int x = 0; x < 40; x++) {
            bool in = x >= 4 && x < 20 && y >= 5 && y < 15;
            Px want = !in ? CELL[3] : (x - 4 + y - 5) % 2 ? Px{9, 99, 199} : CELL[2];
            if (x == 30 && y == 10) want = Px{0x65, 0x43, 0x21};
            ASSERT_EQ(at(pm, 40, x, y), want) << x << "," << y;
        }
    EXPECT_EQ(tcrgb::differing(window(), picture()), 0u);
    EXPECT_EQ(nxg.NXG_win_err, 0);
}

// TrueColor of 15, 16 and 32 bits takes pixel values from the visual's
// masks; DirectColor and StaticColor allocate them in the window's colormap
// (a colour change frees the old cell). Full and empty components are
// exact wherever the colours are not fixed; nothing raises an X error.
TEST_F(Direct, EveryOtherVisualShowsTheColours) {
    const Px pure[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    int tried = 0;
    for (auto dc : {std::pair<int, int>{15, -1}, {16, -1}, {32, -1}, {24, DirectColor},
                    {8, StaticColor}}) {
        t.reset();
        xtest::resetState();
        nxg.NXG_log_path = nullptr;
        if (!open(8, 4, dc.first, dc.second)) continue;
        tried++;
        EXPECT_EQ(t->slot()->ro_visual, 1);
        NXG_set_pal(0, 9, 9, 9);
        for (int k = 0; k < 4; k++) rect(2 * k, 0, 2, 3, k);
        for (int k = 0; k < 4; k++) NXG_set_pal(16 * k, pure[k].r, pure[k].g, pure[k].b);
        Rgb pm = pixmap();
        for (int k = 0; k < 4 && dc.second != StaticColor; k++)
            EXPECT_EQ(at(pm, 8, 2 * k, 1), pure[k]) << dc.first << "/" << dc.second;
        EXPECT_EQ(tcrgb::differing(pm, window()), 0u) << dc.first << "/" << dc.second;
        t->close();
        XSync(t->dpy, False);
        EXPECT_EQ(nxg.NXG_win_err, 0) << dc.first << "/" << dc.second;
    }
    if (tried == 0) GTEST_SKIP() << "no Xvfb of another visual";
}

// A new size gives a new pixmap cleared whole, though the GC keeps a clip
// from before; the clip holds again for drawing. On either display.
TEST_F(Direct, ANewPixmapIsClearedWholeWhateverTheClip) {
    int tried = 0;
    for (int depth : {8, 24}) {
        t.reset();
        xtest::resetState();
        nxg.NXG_log_path = nullptr;
        if (!open(20, 10, depth)) continue;
        tried++;
        NXG_set_clp(0, 0, 9, 9);
        t->resize(30, 10);
        ASSERT_EQ(t->open(), 0);
        Rgb pm = pixmap();
        ASSERT_EQ(pm.size(), 30u * 10 * 3);
        for (int x = 0; x < 30; x++)
            for (int y = 0; y < 10; y++) ASSERT_EQ(at(pm, 30, x, y), CELL[0]) << depth << ": " << x << "," << y;
        rect(0, 0, 30, 9, 1);
        pm = pixmap();
        EXPECT_EQ(at(pm, 30, 9, 5), CELL[1]) << depth;
        EXPECT_EQ(at(pm, 30, 10, 5), CELL[0]) << depth;
        EXPECT_EQ(nxg.NXG_win_err, 0) << depth;
    }
    if (tried == 0) GTEST_SKIP() << "no Xvfb";
}

// --- The in-memory surface -------------------------------------------------------

class Memory : public ::testing::Test {
protected:
    void SetUp() override { xtest::resetState(); }
    void TearDown() override { xtest::resetState(); }
};

// A slot with no display: drawing, clipping, images and colours reach its
// picture, bounded by it whatever the coordinates.
TEST_F(Memory, ASlotWithoutDisplayKeepsThePictureAndItsColours) {
    int id = -1;
    ASSERT_EQ(pdi_win_open(&id, 0, nullptr, nullptr, 10, 6), 0);
    EXPECT_EQ(nxg.NXG_win_tbl[id].mem, 1);
    EXPECT_EQ(nxg.SW1_dpy, nullptr);
    for (int k = 0; k < 3; k++) NXG_set_pal(16 * k, CELL[k].r, CELL[k].g, CELL[k].b);
    ras.DRAW_COLOR_fg = 16;
    dot_p(-100, -100, 1000, 1000);  // all of it, and no further
    NXG_set_clp(0, 0, 1, 5);        // columns 0 and 1
    ras.DRAW_COLOR_fg = 32;
    dot_p(0, 1, 5, 1);              // rows 3..4 from the top, clipped
    uint8_t px[4] = {0, 1, 0, 2};   // pixel bytes: cells 0, 1 and 2
    NXG_put_image(px, 2, 2, -1, -1);
    NXG_set_pal(32, 7, 8, 9);       // the clip limits drawing, not colours
    Rgb rgb = tcrgb::pictureRgb(id, 10, 6);
    ASSERT_EQ(rgb.size(), 10u * 6 * 3);
    EXPECT_EQ(at(rgb, 10, 1, 3), (Px{7, 8, 9}));
    EXPECT_EQ(at(rgb, 10, 2, 3), CELL[1]);
    EXPECT_EQ(at(rgb, 10, 0, 0), (Px{7, 8, 9}));
    EXPECT_EQ(at(rgb, 10, 9, 5), CELL[1]);
    // Nothing beyond the picture is read or written.
    NXG_set_clp(-5000, -5000, 5000, 5000);
    NXG_copy_rect(-50, -50, 60, 60, -3, 100);
    NXG_copy_rect(0, 0, INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    NXG_put_image(px, 2, 2, 9, 5);
    ras.TEXTURE_CODE = 4;
    ras.DRAW_COLOR_bg = 0;
    dot_draw_t(nullptr, -10, -10, 5000, 5000, 1);
    ras.VRAM_y = 7;
    fill(-5, 100);
    pdi_load_canvas(id, 0, 0, 10, 6);  // draws nowhere
    uint8_t small[3];
    EXPECT_FALSE(NXG_read_rgb(id, small, sizeof small));
    EXPECT_FALSE(NXG_read_rgb(NXG_WIN_MAX, rgb.data(), rgb.size()));
    // A new size gives a new picture cleared to cell 0; closing frees it.
    ASSERT_EQ(pdi_win_open(&id, 0, nullptr, nullptr, 4, 3), 0);
    rgb = tcrgb::pictureRgb(id, 4, 3);
    ASSERT_EQ(rgb.size(), 36u);
    EXPECT_EQ(at(rgb, 4, 3, 2), CELL[0]);
    pdi_win_close(id);
    EXPECT_FALSE(NXG_read_rgb(id, rgb.data(), rgb.size()));
    EXPECT_EQ(nxg.SW1_mem, 0);
    dot_p(0, 0, 4, 2);  // no surface: nothing
}

// Memory slots are refused exactly where window slots are, and twelve of
// them at most are taken.
TEST_F(Memory, SizesAndSlotsAreBoundedAsForWindows) {
    int id = -1;
    EXPECT_EQ(pdi_win_open(&id, 0, nullptr, nullptr, 1, 10), -1);
    EXPECT_EQ(pdi_win_open(&id, 0, nullptr, nullptr, 10, 1), -1);
    EXPECT_EQ(pdi_win_open(&id, 0, nullptr, nullptr, 40000, 10), -1);
    EXPECT_EQ(pdi_win_open(&id, 0, nullptr, nullptr, INT_MIN, INT_MAX), -1);
    EXPECT_EQ(id, -1);
    EXPECT_EQ(nxg.NXG_win_cnt, 0);
    int ids[NXG_WIN_MAX];
    for (int i = 0; i < NXG_WIN_MAX; i++) {
        ids[i] = -1;
        ASSERT_EQ(pdi_win_open(&ids[i], 0, nullptr, nullptr, 3, 2), 0);
    }
    int more = -1;
    EXPECT_EQ(pdi_win_open(&more, 0, nullptr, nullptr, 3, 2), -1);
    // Each keeps its own picture: drawing goes to the current one only.
    pdi_load_canvas(ids[3], 0, 0, 3, 2);
    NXG_set_pal(16, 255, 0, 0);
    ras.DRAW_COLOR_fg = 16;
    dot_p(0, 0, 3, 1);
    Rgb a = tcrgb::pictureRgb(ids[3], 3, 2), b = tcrgb::pictureRgb(ids[4], 3, 2);
    EXPECT_EQ(at(a, 3, 0, 0), (Px{255, 0, 0}));
    EXPECT_NE(at(b, 3, 0, 0), (Px{255, 0, 0}));
    for (int i : ids) pdi_win_close(i);
    EXPECT_EQ(nxg.NXG_win_cnt, 0);
}

}  // namespace
}  // namespace naplps
