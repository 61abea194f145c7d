// The surface on in-memory slots, no X server: the slot table, pel
// rectangles, spans and patterned rows clipped to the picture and to the
// clip rectangle, block copies and images, each slot's own picture,
// colours and clip, and blink ticks.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "decoder/api.h"
#include "interp/blink.h"
#include "interp/state.h"
#include "nxg/nxg.h"
#include "raster/raster.h"
#include "tests/surface_fixture.h"

namespace naplps {
namespace {

using ptest::Grid;
using ptest::pictureIs;
using ptest::TestSurface;

class Surface : public ::testing::Test {
protected:
    void SetUp() override { ptest::resetState(); }
    void TearDown() override { ptest::resetState(); }
    std::unique_ptr<TestSurface> surface(int w, int h) {
        auto s = std::make_unique<TestSurface>(w, h);
        EXPECT_EQ(s->open(), 0);
        return s;
    }
};

// A pel rectangle with dot_p (x, y bottom-up; w columns, h + 1 rows).
void paint(int x, int y, int w, int h, int colour) {
    ras.DRAW_COLOR_fg = colour;
    dot_p(x, y, w, h);
}

// A span with draw() on window row `row`.
void span(int xa, int xb, int row, int colour) {
    ras.NXG_cur_pal = colour;
    ras.VRAM_y = row;
    draw(xa, xb);
}

// The colour slot id shows for colour index i.
std::vector<int> shown(int id, int i) {
    const NxgWindowInfo &w = nxg.NXG_win_tbl[id];
    const uint8_t *c = w.NEW_color_tbl2[w.NXG_wc_tbl[i]];
    return {c[0], c[1], c[2]};
}

struct Op {
    int a, b, c, d, colour;
};

// Slots under 2 x 2 pixels or beyond the surface's coordinates are refused;
// twelve are taken at most, a freed one is reused; ids that are not the
// caller's are neither updated, closed nor shown.
TEST_F(Surface, SlotsAreBoundedRefusedAndReused) {
    int id = -1, ids[NXG_WIN_MAX + 1];
    for (auto wh :
         {std::pair<int, int>{1, 10}, {10, 1}, {40000, 10}, {10, 32768}, {INT_MIN, INT_MAX}})
        EXPECT_EQ(pdi_win_open(&id, 0, nullptr, nullptr, wh.first, wh.second), -1) << wh.first;
    EXPECT_EQ(id, -1);
    EXPECT_EQ(nxg.NXG_win_cnt, 0);
    for (int i = 0; i <= NXG_WIN_MAX; i++)  // the thirteenth is refused
        ASSERT_EQ(pdi_win_open(&(ids[i] = -1), 0, nullptr, nullptr, 10, 6),
                  i < NXG_WIN_MAX ? 0 : -1);
    for (int bad : {-1, NXG_WIN_MAX, INT_MIN}) {
        EXPECT_EQ(pdi_win_close(bad), 0);
        pdi_load_canvas(bad, 0, 0, 8, 4);
    }
    EXPECT_EQ(nxg.NXG_win_cnt, NXG_WIN_MAX);
    EXPECT_EQ(pdi_win_close(ids[3]), 0);
    EXPECT_EQ(pdi_win_close(ids[3]), 0);  // closed twice
    EXPECT_EQ(nxg.NXG_win_cnt, NXG_WIN_MAX - 1);
    int bogus = 30, closed = ids[3];
    for (int *p : {&bogus, &closed, (int *)nullptr})
        EXPECT_EQ(pdi_win_open(p, 0, nullptr, nullptr, 4, 2), -1);
    pdi_load_canvas(ids[3], 0, 0, 10, 6);  // a free slot does not become current
    EXPECT_EQ(nxg.SW1_id, ids[NXG_WIN_MAX - 1]);
    EXPECT_EQ(pdi_win_open(&(id = -1), 0, nullptr, nullptr, 4, 2), 0);
    EXPECT_EQ(id, ids[3]);
    ids[3] = id;
    for (int i = 0; i < NXG_WIN_MAX; i++) pdi_win_close(ids[i]);
    EXPECT_EQ(nxg.NXG_win_cnt, 0);
    EXPECT_EQ(nxg.SW1_id, -1);
    paint(0, 0, 4, 2, 16);  // no surface: nothing
}

// Rectangles: x, y, w, h (h + 1 rows from y upwards); spans: xa, xb, row.
// Patterned rows: row 0 has a pattern row offset far outside the prepared
// rows (the period is kept), row 1 more runs (2100 of each colour) than one
// batch of segments holds.
TEST_F(Surface, RectanglesSpansAndPatternsAreClippedToThePicture) {
    auto t = surface(12, 6);
    for (Op r : {Op{2, 1, 3, 2, 16}, Op{10, 0, -3, 1, 32}, Op{5, 5, 1, -1, 48}})
        paint(r.a, r.b, r.c, r.d, r.colour);
    EXPECT_TRUE(pictureIs(t->grid(), {".....3......", "............", "..111.......",
                                      "..111.......", "..111...222.", "........222."}));
    auto u = surface(12, 6);
    for (Op r : {Op{-5, 0, 3, 0, 16}, Op{-2, 1, 4, 0, 16}, Op{3, 2, 0, 3, 16}, Op{10, 3, 5, 0, 32},
                 Op{40000, 4, 10, 0, 48}, Op{-40000, 4, 10, 0, 48}, Op{5, -3, 1, 1, 64},
                 Op{6, -1, 1, 1, 64}, Op{0, 0, INT_MIN, INT_MIN, 80},
                 Op{INT_MAX, INT_MAX, INT_MAX, INT_MAX, 80}})
        paint(r.a, r.b, r.c, r.d, r.colour);
    EXPECT_TRUE(pictureIs(u->grid(), {"............", "............", "..........22",
                                      "............", "51..........", "5.....4....."}));
    auto v = surface(12, 5);
    for (Op s : {Op{-20, -10, 0, 0, 16}, Op{40000, 40010, 0, 0, 16}, Op{8, 20, 1, 0, 32},
                 Op{5, 2, 2, 0, 48}, Op{-3, 1, 3, 0, 64}, Op{0, 11, -1, 0, 80}, Op{0, 11, 5, 0, 80},
                 Op{0, 11, 70000, 0, 80}})
        span(s.a, s.b, s.c, s.colour);
    EXPECT_TRUE(pictureIs(v->grid(), {"............", "........2222", "..3333......",
                                      "44..........", "............"}));
    auto p = surface(4200, 2);
    ras.TEXTURE_CODE = 4;
    ras.DRAW_COLOR_fg = 16;
    ras.DRAW_COLOR_bg = 32;
    for (Op c :
         {Op{0xF0, 8, 1 << 30, 0, 0}, Op{0xAA, 2, 0, 1, 0}}) {  // pattern, period, pattern row, row
        for (auto &row : ras.TexturePat)
            for (auto &b : row) b = uint8_t(c.a);
        ras.pen.PhyMaskX = c.b;
        ras.TEXTURE_yy = c.c;
        ras.VRAM_y = c.d;
        fill(0, 4199);
        std::string want;
        for (int x = 0; x < 4200; x++) want += (x % c.b) < c.b / 2 ? '1' : '2';
        EXPECT_EQ(p->grid().at(size_t(c.d)), want) << c.d;
    }
}

// The clip (bottom-up corners) limits every primitive; an inverted one
// clips everything, one beyond the surface's coordinates nothing.
TEST_F(Surface, TheClipLimitsEveryPrimitive) {
    auto t = surface(8, 4);
    NXG_set_clp(2, 1, 4, 2);
    paint(0, 0, 8, 3, 16);
    ras.TEXTURE_CODE = 4;
    ras.DRAW_COLOR_fg = 32;
    ras.DRAW_COLOR_bg = -1;
    for (auto &row : ras.TexturePat) row[0] = 0x0F;
    dot_draw_t(0, 1, 7, 1, 0);
    const uint8_t px[8] = {3, 3, 3, 3, 3, 3, 3, 3};
    NXG_put_image(px, 8, 1, 0, 2);
    EXPECT_TRUE(pictureIs(t->grid(), {"........", "..112...", "..333...", "........"}));
    NXG_set_clp(5, 5, 2, 2);
    paint(0, 0, 8, 3, 48);
    NXG_set_clp(-70000, -70000, 70000, 70000);
    paint(7, 0, 1, 0, 64);
    EXPECT_TRUE(pictureIs(t->grid(), {"........", "..112...", "..333...", ".......4"}));
}

// Scrolling copies of the block (bottom-up corners) up, down, left and
// right, and images, at any coordinates: within the picture and its clip.
TEST_F(Surface, CopiesAndImagesStayWithinThePicture) {
    auto t = surface(6, 4);
    const uint8_t px[6] = {1, 2, 3, 4, 5, 6};
    NXG_put_image(px, 3, 2, 1, 1);  // window columns 1..3, rows 1..2
    NXG_put_image(px, 2, 2, 5, 3);  // its right column and lower row cut off
    EXPECT_TRUE(pictureIs(t->grid(), {"......", ".123..", ".456..", ".....1"}));
    NXG_copy_rect(1, 1, 3, 2, 2, 1);  // bottom-up rows 1..2 moved right by one and down by one
    EXPECT_TRUE(pictureIs(t->grid(), {"......", ".123..", ".4123.", "..4561"}));
    NXG_copy_rect(1, 0, 5, 3, 0, 3);  // left by one
    EXPECT_TRUE(pictureIs(t->grid(), {"......", "123...", "4123..", ".45611"}));
    NXG_set_clp(0, 0, 1, 3);
    NXG_copy_rect(3, 0, 5, 3, 0, 3);  // into the clip: columns 0..1 only
    EXPECT_TRUE(pictureIs(t->grid(), {"......", "..3...", "3.23..", "615611"}));
    NXG_set_clp(-5000, -5000, 5000, 5000);
    NXG_copy_rect(-50, -50, 60, 60, -3, 100);
    NXG_copy_rect(0, 0, INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    NXG_put_image(px, 2, 2, -40000, 0), NXG_put_image(px, 40000, 1, 0, 0),
        NXG_put_image(nullptr, 2, 2, 0, 0);
    ras.TEXTURE_CODE = 4;
    ras.DRAW_COLOR_bg = 0;
    dot_draw_t(-10, -10, 5000, 5000, 0);
    EXPECT_TRUE(ptest::onlyCells(*t));
    uint8_t small[3];
    EXPECT_FALSE(NXG_read_rgb(t->id, small, sizeof small));
    EXPECT_FALSE(NXG_read_rgb(NXG_WIN_MAX, small, 6 * 4 * 3));
}

// Two pictures in two slots never share a colour, a clip or a pixel, and
// making a slot current switches all of them. A slot keeps its picture at
// the same size and starts a blank one at a new size.
TEST_F(Surface, EachSlotKeepsItsOwnPictureColoursAndClip) {
    auto a = surface(6, 3), b = surface(6, 3);
    NXG_set_pal(16, 0, 200, 0), NXG_set_clp(0, 0, 2, 2), paint(0, 0, 6, 2, 16);  // b
    pdi_load_canvas(a->id, 0, 0, 6, 3);
    NXG_set_pal(16, 200, 0, 0), paint(1, 0, 1, 0, 16);  // a: no clip
    EXPECT_EQ(shown(a->id, 16), (std::vector<int>{200, 0, 0}));
    EXPECT_EQ(shown(b->id, 16), (std::vector<int>{0, 200, 0}));
    EXPECT_TRUE(pictureIs(a->grid(), {"......", "......", ".1...."}));
    EXPECT_TRUE(pictureIs(b->grid(), {"111...", "111...", "111..."}));
    std::vector<uint8_t> rgb(6 * 3 * 3);
    ASSERT_TRUE(NXG_read_rgb(b->id, rgb.data(), rgb.size()));
    EXPECT_EQ((std::vector<int>{rgb[0], rgb[1], rgb[2], rgb[10]}),
              (std::vector<int>{0, 200, 0, 0}));  // not beyond the clip
    pdi_load_canvas(b->id, 0, 0, 6, 3);
    paint(0, 0, 6, 0, 32);  // b's clip again
    EXPECT_TRUE(pictureIs(b->grid(), {"111...", "111...", "222..."}));
    ASSERT_EQ(a->open(), 0);  // the same size
    EXPECT_TRUE(pictureIs(a->grid(), {"......", "......", ".1...."}));
    a->resize(7, 2);
    ASSERT_EQ(a->open(), 0);
    EXPECT_TRUE(pictureIs(a->grid(), ptest::blank(7, 2)));
    EXPECT_EQ(shown(a->id, 16), (std::vector<int>{200, 0, 0}));
}

// A blink tick stores a colour into the current slot when a phase ends;
// index 32 waits for its first on phase.
TEST_F(Surface, BlinkTicksStoreTheirColoursWhenPhasesEnd) {
    auto t = surface(4, 2);
    ip.BTFlag[16] = 1;
    ip.BTOffTime[16] = 3;
    ip.BTOnTime[16] = 2;
    ip.BTOffR[16] = 10;
    ip.BTOnR[16] = 200;
    ip.BTFlag[32] = 3;
    ip.BTCount[32] = 1;
    ip.BTOnR[32] = 7;
    ip.BTOnTime[32] = 9;
    std::string phases;
    for (int tick = 1; tick <= 6; tick++) {
        blink_tick();
        int red = shown(t->id, 16)[0];
        phases += red == 10 ? 'f' : red == 200 ? 'n' : '?';
    }
    EXPECT_EQ(phases, "fffnnf");
    EXPECT_EQ(ip.BTFlag[16], 2);
    EXPECT_EQ(ip.BTFlag[32], 1);
    EXPECT_EQ(ip.BTCount[32], 4);  // on at the first tick, then 9 - 5
    EXPECT_EQ(shown(t->id, 32)[0], 7);
}

}  // namespace
}  // namespace naplps
