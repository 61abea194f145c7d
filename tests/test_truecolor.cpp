// The direct path on displays whose colour cells cannot be written
// (TrueColor of 15 to 32 bits, DirectColor, StaticColor), driven through the
// surface's entry points and read back as RGB.
#include <gtest/gtest.h>

#include <memory>

#include "raster/raster.h"
#include "tests/test_truecolor_rgb.h"

namespace naplps {
namespace {

using tcrgb::at;
using tcrgb::Px;
using tcrgb::Rgb;

// Colours of cells 0 .. 3 (colour indices 0, 16, 32, 48).
const Px CELL[4] = {{10, 20, 30}, {255, 0, 0}, {0, 255, 0}, {1, 2, 254}};

void rect(int x, int y, int w, int h, int cell) {  // bottom-up, w x (h + 1)
    ras.DRAW_COLOR_fg = 16 * cell;
    dot_p(x, y, w, h);
}

class Direct : public ::testing::Test {
protected:
    void TearDown() override {
        t.reset();
        xtest::resetState();
    }
    // A window of w x h on an Xvfb of the given depth and visual class, its
    // slot taken from load-time state, cells 0 .. 3 coloured. In CI a
    // required server that cannot be started is a failure; others (a depth
    // some Xvfb builds do not offer) are passed over.
    bool open(int w, int h, int depth = 24, int cls = -1, bool required = true) {
        t.reset();
        xtest::resetState();
        nxg.sleep_ms = [](int) {};
        nxgx.NXG_log_path = nullptr;
        if (xtest::xvfbDisplay(depth, cls).empty()) {
            if (required && xtest::inCi())
                ADD_FAILURE() << "no Xvfb of depth " << depth << ", class " << cls;
            return false;
        }
        t = std::make_unique<xtest::TestWindow>(w, h, depth, cls);
        if (!t->ok() || t->open() != 0) return false;
        for (int k = 0; k < 4; k++) NXG_set_pal(16 * k, CELL[k][0], CELL[k][1], CELL[k][2]);
        return true;
    }
    Rgb pixmap(Drawable d = 0) {
        return tcrgb::drawableRgbOf(t->dpy, d != 0 ? d : t->slot()->pm, t->slot()->cms, t->width,
                                    t->height);
    }
    Rgb picture() { return tcrgb::pictureRgb(t->id, t->width, t->height); }
    std::unique_ptr<xtest::TestWindow> t;
};

// A colour change repaints every pixel of its cell, inside and outside the
// clip, and no other: a pixel put behind the surface's back keeps its value.
// Cell 1 (long runs) goes as rectangles, cell 3 (a checker of single pixels)
// as one image of the rectangle holding them.
TEST_F(Direct, AColourChangeRepaintsOnlyThePixelsOfItsCell) {
    if (!open(32, 16)) GTEST_SKIP() << "no 24-bit Xvfb";
    rect(0, 0, 16, 15, 1);
    rect(16, 0, 16, 15, 2);
    std::vector<uint8_t> px(8 * 6);
    for (int i = 0; i < 48; i++) px[size_t(i)] = (i % 8 + i / 8) % 2 ? 3 : 2;
    NXG_put_image(px.data(), 8, 6, 20, 8);  // columns 20..27, rows 8..13
    NXG_set_clp(0, 0, 3, 3);
    GC gc = XCreateGC(t->dpy, t->slot()->pm, 0, nullptr);  // pixels put behind the surface's back
    XSetForeground(t->dpy, gc, 0x123456);
    XDrawPoint(t->dpy, t->slot()->pm, gc, 20, 3);  // among cell 2
    XDrawPoint(t->dpy, t->slot()->pm, gc, 5, 3);   // among cell 1
    XFreeGC(t->dpy, gc);
    NXG_set_pal(16, 0, 0, 255);
    NXG_set_pal(48, 9, 99, 199);
    Rgb pm = pixmap();
    const Px blue{0, 0, 255};
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 32; x++) {
            Px want = x < 16 ? blue : CELL[2];
            if (x >= 20 && x < 28 && y >= 8 && y < 14 && (x + y) % 2) want = Px{9, 99, 199};
            if (y == 3 && x == 20) want = Px{0x12, 0x34, 0x56};
            ASSERT_EQ(at(pm, 32, x, y), want) << x << "," << y;
        }
    EXPECT_EQ(tcrgb::differing(pixmap(t->win), picture()), 0u);
    Rgb before = pixmap();
    NXG_set_pal(64, 9, 9, 9);  // a cell no pixel shows
    EXPECT_EQ(tcrgb::differing(before, pixmap()), 0u);
    EXPECT_EQ(nxgx.NXG_win_err, 0);
}

// TrueColor of 15 to 32 bits takes pixel values from the visual's masks;
// DirectColor and StaticColor allocate them (a change frees the old cell).
// The pixmap has the window's depth; full and empty components are exact
// wherever colours are not fixed; nothing raises an X error.
TEST_F(Direct, EveryVisualShowsTheColours) {
    const Px pure[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    int tried = 0;
    for (auto dc : {std::pair<int, int>{24, -1},
                    {15, -1},
                    {16, -1},
                    {32, -1},
                    {24, DirectColor},
                    {8, StaticColor}}) {
        if (!open(8, 4, dc.first, dc.second, dc.first != 32)) continue;
        tried++;
        const std::string v = std::to_string(dc.first) + "/" + std::to_string(dc.second);
        EXPECT_EQ(t->slot()->ro_visual, 1) << v;
        Window root;
        int x;
        unsigned u, pmDepth = 0;
        XGetGeometry(t->dpy, t->slot()->pm, &root, &x, &x, &u, &u, &u, &pmDepth);
        EXPECT_EQ(int(pmDepth), DefaultDepth(t->dpy, DefaultScreen(t->dpy))) << v;
        NXG_set_pal(0, 9, 9, 9);
        for (int k = 0; k < 4; k++) rect(2 * k, 0, 2, 3, k);
        for (int k = 0; k < 4; k++) NXG_set_pal(16 * k, pure[k][0], pure[k][1], pure[k][2]);
        Rgb pm = pixmap();
        for (int k = 0; k < 4 && dc.second != StaticColor; k++)
            EXPECT_EQ(at(pm, 8, 2 * k, 1), pure[k]) << v;
        EXPECT_EQ(tcrgb::differing(pm, pixmap(t->win)), 0u) << v;
        t->close();
        XSync(t->dpy, False);
        EXPECT_EQ(nxgx.NXG_win_err, 0) << v;
    }
    if (tried == 0) GTEST_SKIP() << "no Xvfb without writable cells";
}

// A new size gives a new pixmap cleared whole, though the GC keeps a clip
// from before; the clip holds again for drawing. On either display.
TEST_F(Direct, ANewPixmapIsClearedWholeWhateverTheClip) {
    int tried = 0;
    for (int depth : {8, 24}) {
        if (!open(20, 10, depth)) continue;
        tried++;
        NXG_set_clp(0, 0, 9, 9);
        t->resize(30, 10);
        ASSERT_EQ(t->open(), 0);
        Rgb pm = pixmap();
        ASSERT_EQ(pm.size(), 30u * 10 * 3);
        EXPECT_TRUE(depth != 24 || tcrgb::differing(pm, picture()) == 0);  // the picture, too
        for (int i = 0; i < 300; i++)
            ASSERT_EQ(at(pm, 30, i % 30, i / 30), CELL[0]) << depth << ": " << i;
        rect(0, 0, 30, 9, 1);
        pm = pixmap();
        EXPECT_EQ(at(pm, 30, 9, 5), CELL[1]) << depth;
        EXPECT_EQ(at(pm, 30, 10, 5), CELL[0]) << depth;
        EXPECT_EQ(nxgx.NXG_win_err, 0) << depth;
    }
    if (tried == 0) GTEST_SKIP() << "no Xvfb";
}

}  // namespace
}  // namespace naplps
