// Fill textures on exact pixels: hatchings anchored at the picture origin,
// hatches that need a pel, programmable patterns scaled to the mask in
// force, the capture of pattern and DRCS definitions, windows wider than the
// prepared rows, and masks beyond the definition grid.

#include "raster/texture.h"
#include "tests/pdi_steps.h"

using namespace naplps;
using namespace naplps::steps;
using ptest::Grid;
using Texture = DrawTest;

// TEXTURE with a fill pattern and, when given, a mask of mx x my pixels.
void texture(int code) { run(OP_TEXTURE, {0, 0, code}); }
void texture(int code, int mx, int my) { run(OP_TEXTURE, {0, 0, code, mx * U, my * U}); }
// Defines pattern code (4-7) by drawing, with the mask now in force.
template <typename Draw>
void definePattern(int code, Draw draw) {
    start_def_texture(code);
    draw();
    end_def_texture();
}
TEST_F(Texture, HatchingsAreAnchoredAtTheOrigin) {
    open(28, 3), pdi_ctl(0, 0, 8, 0, 512), pdi_clip(0, 0, 0, 27, 2);  // OriginX 8
    colours(1, 2), pel(3, 1), texture(1), rect(-8, 0, 23, 1);  // window x 0 .. 23, widened by the pel to 25
    EXPECT_TRUE(ptest::pictureIs(grid(), {"............................", "2222222211122211122211122200",
                                          "2222222211122211122211122200"}));
    pel(-3, 1);  // a negative pel width starts with a clear run
    for (int x = 8; x < 40; x++) EXPECT_EQ((ras.TexturePat[0][x / 8] >> (7 - x % 8)) & 1, ((x - 8) / 3) % 2) << x;
    // Horizontal bands; a transparent background leaves the off bands untouched.
    open(12, 11), pel(1, 2), texture(2), colours(1, 2), rect(0, 0, 4, 8), colours(3), rect(6, 3, 4, 4);
    EXPECT_TRUE(ptest::pictureIs(grid(), {"............", "11111.......", "11111.33333.", "22222.......",
                                          "22222.......", "11111.33333.", "11111.33333.", "22222.......",
                                          "22222.......", "11111.......", "11111......."}));
    clear(0), pel(1, -2), colours(1, 2), rect(0, 2, 4, 5);  // a negative pel height swaps the bands
    Grid g = grid();
    for (int y = 1; y <= 7; y++) EXPECT_EQ(at(g, 0, y), (y / 2) % 2 == 0 ? '2' : '1') << y;
    open(12, 6), pel(2, 2), texture(3), colours(1, 2), rect(0, 0, 9, 4);  // cross-hatching
    EXPECT_TRUE(ptest::pictureIs(grid(), {"11111111111.", "11111111111.", "11221122112.", "11221122112.",
                                          "11111111111.", "11111111111."}));
}

// Without a pel hatches fill solid: at load, with only a pel height
// (vertical and cross), with only a width (horizontal and cross); DOMAIN
// re-selects the hatch for its new pel.
TEST_F(Texture, HatchesWithoutAPelFillSolid) {
    open(10, 4), colours(1, 2), texture(1), rect(0, 0, 7, 1);
    EXPECT_TRUE(ptest::pictureIs(grid(), {"..........", "..........", "11111111..", "11111111.."}));
    const int cases[][4] = {{0, 2, 3, 0}, {0, 2, 2, 2}, {2, 0, 2, 0}, {2, 0, 1, 1}};
    for (auto &c : cases) {
        run(OP_DOMAIN, {0, 2, 0, c[0] * U, c[1] * U}), texture(c[2]);
        EXPECT_EQ(ras.TEXTURE_CODE, c[3]) << c[0] << " " << c[2];
    }
    EXPECT_EQ((pel(0, 0), ras.TEXTURE_CODE), 0);
}

TEST_F(Texture, PatternCellsScaleToTheMaskInForce) {
    // A 4 x 4 pattern with its lower-left cell set: while it is defined the
    // unit screen is 4 x 4 cells of 128 pixels, and nothing is drawn.
    open(18, 17), texture(0, 4, 4);
    definePattern(4, [] { run(OP_ABSPOINTSET, {10 * U, 10 * U}); });
    EXPECT_EQ(at(grid(), 10, 10), '0');
    texture(4, 8, 8), colours(1, 2), rect(0, 0, 15, 15);  // with an 8 x 8 mask each cell is a 2 x 2 block
    expectPixels(grid(), 16, 16, [](int x, int y) { return x % 8 < 2 && y % 8 < 2 ? '1' : '2'; });
    clear(0), texture(4, -4, -4), rect(0, 0, 7, 7);  // a negative mask mirrors it to the right and top
    expectPixels(grid(), 8, 8, [](int x, int y) { return x % 4 == 3 && y % 4 == 3 ? '1' : '2'; });
}

// Pattern B in force, not defined (an empty mask), then defined as all set;
// defining A meanwhile leaves B alone. Definitions do not nest, and codes
// that are neither patterns nor DRCS characters start none.
TEST_F(Texture, DefinitionsOfPatternsAndDrcsCharacters) {
    open(10, 6), colours(1, 2), texture(5, 4, 4), rect(0, 0, 3, 1);
    EXPECT_EQ(at(grid(), 0, 0), '2');
    definePattern(5, [] { rect(0, 0, 511, 399); });
    definePattern(4, [] { run(OP_ABSPOINTSET, {10 * U, 10 * U}); });
    rect(0, 0, 3, 1);
    expectPixels(grid(), 4, 2, [](int, int) { return '1'; });
    EXPECT_EQ((start_def_texture(6), start_def_texture(7), ras.TEXTURE_DEF_CODE), 6);
    end_def_texture();
    for (int code : {-1, 0, 3, 8, 31, 128, 1000}) EXPECT_EQ((start_def_texture(code), ras.TEXTURE_DEF_FLAG), 0) << code;
    // With a 16 x 16 character the unit screen is 16 x 16 cells of 32 pixels:
    // the lower-left quarter sets the left 8 columns of the lowest 7 rows, and
    // drawing outside the unit screen is dropped.
    open(16, 8), run(OP_TEXT, {0, 0, 0, 0, 0, 0, 16 * U, 16 * U});
    start_def_texture('A'), rect(0, 0, 255, 199), end_def_texture();
    start_def_texture('B'), rect(-100, -100, 50, 50), rect(600, 500, 50, 50), end_def_texture();
    for (int row = 0; row < 16; row++) {
        EXPECT_EQ(ras.DRCSBuf['A' - 32][2 * row] << 8 | ras.DRCSBuf['A' - 32][2 * row + 1], row >= 9 ? 0xFF00 : 0) << row;
        EXPECT_EQ(ras.DRCSBuf['B' - 32][2 * row] | ras.DRCSBuf['B' - 32][2 * row + 1], 0) << row;
    }
    EXPECT_EQ(grid(), ptest::blank(16, 8));
}

// On a window wider than the 640 pixels a prepared row covers, a hatch of
// period 14 and a 12-pixel pattern of one set column go on with their period.
TEST_F(Texture, PatternsContinueBeyondTheirPreparedWidth) {
    open(720, 2), colours(1, 2), pel(7, 1), texture(1), rect(0, 0, 700, 0);
    expectPixels(grid(), 707, 1, [](int x, int) { return (x / 7) % 2 == 0 ? '1' : '2'; });
    clear(0), pel(1, 1), texture(0, 12, 12);
    definePattern(4, [] { rect(0, 0, 10, 399); });
    texture(4), colours(1, 2), rect(0, 0, 710, 0);
    expectPixels(grid(), 711, 1, [](int x, int) { return x % 12 == 0 ? '1' : '2'; });
}

// A 100 x 50 pixel mask is recorded as 50 x 25 cells; extreme masks keep
// their rows inside the table; a pel height of 0 pixels or no mask still
// gives a period of one row.
TEST_F(Texture, MasksBeyondTheGridAndPeriodsOfZeroAreBounded) {
    open(40, 30), colours(1, 2), texture(0, 100, 50);
    definePattern(4, [] { rect(0, 0, 511, 399); });
    EXPECT_EQ((std::vector<int>{ras.texture_mask[0][0], ras.texture_mask[0][1]}), (std::vector<int>{50, 25}));
    texture(4), rect(0, 0, 30, 20);
    expectPixels(grid(), 31, 21, [](int, int) { return '1'; });
    for (int32_t m : {INT32_MIN, -1, 0, 1, 5000, INT32_MAX}) {
        run(OP_TEXTURE, {0, 0, 4, m, m});
        EXPECT_TRUE(ras.TEXTURE_size >= 1 && ras.TEXTURE_bottom >= 0 && ras.TEXTURE_bottom <= 80 * 49) << m;
        definePattern(5, [] { rect(0, 0, 511, 399); });
        EXPECT_TRUE(ras.texture_mask[1][0] >= 1 && ras.texture_mask[1][0] <= 50 && ras.texture_mask[1][1] <= 50) << m;
        rect(0, 0, 30, 20);
    }
    ras.TEXTURE_size = 0, ras.pen.LogPelY = 1, ras.pen.PhyPelY = 0;
    EXPECT_EQ((set_TEXTURE(2), ras.TEXTURE_size), 1);
    ras.pen.PhyMaskX = ras.pen.PhyMaskY = 0;
    EXPECT_EQ((set_TEXTURE(6), ras.TEXTURE_size), 1);
    rect(0, 0, 5, 3);
}
