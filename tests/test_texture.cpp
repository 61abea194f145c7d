// Fill textures on exact pixels: hatchings anchored at the picture origin,
// hatches that need a pel, programmable patterns scaled to the mask in
// force, the capture of pattern and DRCS definitions, patterns on windows
// wider than the prepared rows, and masks beyond the definition grid.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "decoder/decoder.h"
#include "interp/state.h"
#include "raster/raster.h"
#include "raster/texture.h"
#include "tests/pdi_steps.h"

using namespace naplps;
using namespace naplps::steps;
using xtest::Grid;

namespace {

using Texture = DrawTest;

// TEXTURE with a fill pattern and, when given, a mask of mx x my pixels.
void texture(int code) { run(OP_TEXTURE, {0, 0, code}); }
void texture(int code, int mx, int my) { run(OP_TEXTURE, {0, 0, code, mx * U, my * U}); }

// The bit of prepared pattern row 0 at window x.
int patBit(int x) { return (ras.TexturePat[0][x / 8] >> (7 - x % 8)) & 1; }

// Defines pattern code (4-7) by drawing, with the mask now in force.
template <typename Draw>
void definePattern(int code, Draw draw) {
    start_def_texture(code);
    draw();
    end_def_texture();
}

}  // namespace

TEST_F(Texture, VerticalHatchingStartsAtTheOrigin) {
    open(28, 3);
    pdi_ctl(0, 0, 8, 0, 512);  // OriginX 8
    pdi_clip(0, 0, 0, 27, 2);
    colours(1, 2);
    pel(3, 1);
    texture(1);
    ASSERT_EQ(ras.TEXTURE_CODE, 1);
    for (int x = 0; x < 8; x++) EXPECT_EQ(patBit(x), 0) << x;
    for (int x = 8; x < 40; x++) EXPECT_EQ(patBit(x), ((x - 8) / 3) % 2 == 0 ? 1 : 0) << x;
    rect(-8, 0, 23, 1);  // window x 0 .. 23, widened by the pel to 25
    EXPECT_TRUE(xtest::pictureIs(grid(), {
                                             "............................",
                                             "2222222211122211122211122200",
                                             "2222222211122211122211122200",
                                         }));
    // A negative pel width starts with a clear run.
    pel(-3, 1);
    for (int x = 8; x < 40; x++) EXPECT_EQ(patBit(x), ((x - 8) / 3) % 2 == 1 ? 1 : 0) << x;
}

TEST_F(Texture, HorizontalBandsAreAnchoredToTheOrigin) {
    open(12, 11);
    pel(1, 2);
    texture(2);
    colours(1, 2);
    rect(0, 0, 4, 8);  // rows 0 .. 9 (the pel adds one)
    colours(3);        // transparent background: off bands stay untouched
    rect(6, 3, 4, 4);  // rows 3 .. 8
    EXPECT_TRUE(xtest::pictureIs(grid(), {
                                             "............",
                                             "11111.......",
                                             "11111.33333.",
                                             "22222.......",
                                             "22222.......",
                                             "11111.33333.",
                                             "11111.33333.",
                                             "22222.......",
                                             "22222.......",
                                             "11111.......",
                                             "11111.......",
                                         }));
    // A negative pel height swaps the bands.
    clear(0);
    pel(1, -2);
    colours(1, 2);
    rect(0, 2, 4, 5);  // rows 1 .. 7
    Grid g = grid();
    for (int y = 1; y <= 7; y++) EXPECT_EQ(at(g, 0, y), (y / 2) % 2 == 0 ? '2' : '1') << y;
}

TEST_F(Texture, CrossHatchingCombinesBandsAndRuns) {
    open(12, 6);
    pel(2, 2);
    texture(3);
    colours(1, 2);
    rect(0, 0, 9, 4);  // x 0 .. 10, rows 0 .. 5
    EXPECT_TRUE(xtest::pictureIs(grid(), {
                                             "11111111111.",
                                             "11111111111.",
                                             "11221122112.",
                                             "11221122112.",
                                             "11111111111.",
                                             "11111111111.",
                                         }));
}

TEST_F(Texture, HatchesWithoutAPelFillSolid) {
    open(10, 4);
    colours(1, 2);
    // At load the logical pel is 0 in both directions.
    texture(1);
    EXPECT_EQ(ras.TEXTURE_CODE, 0);
    rect(0, 0, 7, 1);
    EXPECT_TRUE(xtest::pictureIs(grid(), {
                                             "..........",
                                             "..........",
                                             "11111111..",
                                             "11111111..",
                                         }));
    // Only a pel height: vertical hatching and cross-hatching are solid,
    // horizontal hatching is not.
    run(OP_DOMAIN, {0, 2, 0, 0, 2 * U});
    texture(3);
    EXPECT_EQ(ras.TEXTURE_CODE, 0);
    texture(2);
    EXPECT_EQ(ras.TEXTURE_CODE, 2);
    // Only a pel width: horizontal hatching and cross-hatching are solid.
    run(OP_DOMAIN, {0, 2, 0, 2 * U, 0});
    texture(2);
    EXPECT_EQ(ras.TEXTURE_CODE, 0);
    texture(1);
    EXPECT_EQ(ras.TEXTURE_CODE, 1);
    // DOMAIN re-selects a hatch for its new pel.
    run(OP_DOMAIN, {0, 2, 0, 0, 0});
    EXPECT_EQ(ras.TEXTURE_CODE, 0);
}

TEST_F(Texture, PatternCellsScaleToTheMaskInForce) {
    open(18, 17);
    // A 4 x 4 pattern with its lower-left cell set: the unit screen is
    // divided into 4 x 4 cells of 128 pixels while it is defined.
    texture(0, 4, 4);
    definePattern(4, [] { run(OP_ABSPOINTSET, {10 * U, 10 * U}); });
    EXPECT_EQ(ras.texture_mask[0][0], 4);
    EXPECT_EQ(ras.texture_mask[0][1], 4);
    int set = 0;
    for (int i = 0; i < 2500; i++) set += ras.TEXTURE_M[0][i] != 0;
    EXPECT_EQ(set, 1);
    EXPECT_EQ(ras.TEXTURE_M[0][0], 1);
    EXPECT_EQ(ras.TEXTURE_DEF_FLAG, 0);
    EXPECT_EQ(at(grid(), 10, 10), '0') << "nothing is drawn while a definition runs";

    // Used with an 8 x 8 mask each cell is a 2 x 2 block.
    texture(4, 8, 8);
    colours(1, 2);
    rect(0, 0, 15, 15);
    EXPECT_TRUE(xtest::pictureIs(grid(), {
                                             "..................",
                                             "2222222222222222..",
                                             "2222222222222222..",
                                             "2222222222222222..",
                                             "2222222222222222..",
                                             "2222222222222222..",
                                             "2222222222222222..",
                                             "1122222211222222..",
                                             "1122222211222222..",
                                             "2222222222222222..",
                                             "2222222222222222..",
                                             "2222222222222222..",
                                             "2222222222222222..",
                                             "2222222222222222..",
                                             "2222222222222222..",
                                             "1122222211222222..",
                                             "1122222211222222..",
                                         }));
    // A negative mask mirrors the pattern: the cell goes to the right and
    // to the top of each period.
    clear(0);
    texture(4, -4, -4);
    rect(0, 0, 7, 7);
    Grid g = grid();
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
            EXPECT_EQ(at(g, x, y), (x % 4 == 3 && y % 4 == 3) ? '1' : '2') << x << "," << y;
    EXPECT_GE(ras.TEXTURE_bottom, 0);
}

TEST_F(Texture, RedefiningThePatternInForceTakesEffectAtOnce) {
    open(10, 6);
    colours(1, 2);
    texture(5, 4, 4);  // pattern B, not defined: an empty mask
    rect(0, 0, 3, 1);
    EXPECT_EQ(at(grid(), 0, 0), '2');
    // Define B as all set while it is in force.
    definePattern(5, [] { rect(0, 0, 511, 399); });
    rect(0, 0, 3, 1);
    EXPECT_EQ(at(grid(), 0, 0), '1');
    EXPECT_EQ(at(grid(), 3, 1), '1');
    // Defining A while B is in force leaves B's prepared rows alone.
    uint8_t before[sizeof ras.TexturePat];
    std::memcpy(before, ras.TexturePat, sizeof before);
    definePattern(4, [] { run(OP_ABSPOINTSET, {10 * U, 10 * U}); });
    EXPECT_EQ(std::memcmp(before, ras.TexturePat, sizeof before), 0);
    rect(5, 0, 3, 1);
    EXPECT_EQ(at(grid(), 5, 0), '1');
    // A second definition cannot start inside one.
    start_def_texture(6);
    start_def_texture(7);
    EXPECT_EQ(ras.TEXTURE_DEF_CODE, 6);
    end_def_texture();
    EXPECT_EQ(ras.TEXTURE_DEF_FLAG, 0);
    // Codes that are neither patterns nor DRCS characters start nothing.
    for (int code : {-1, 0, 3, 8, 31, 128, 1000}) {
        start_def_texture(code);
        EXPECT_EQ(ras.TEXTURE_DEF_FLAG, 0) << code;
    }
}

TEST_F(Texture, DrcsDefinitionFillsTheGlyphFromTheBottom) {
    open(16, 8);
    // A 16 x 16 character cell: the unit screen becomes 16 x 16 cells of
    // 32 pixels. Drawing the lower-left quarter (512 / 2 by 400 / 2)
    // sets the left 8 columns of the glyph's lowest 7 rows.
    run(OP_TEXT, {0, 0, 0, 0, 0, 0, 16 * U, 16 * U});
    start_def_texture('A');
    rect(0, 0, 255, 199);
    end_def_texture();
    const uint8_t *glyph = dec.DRCSBuf['A' - 32];
    for (int row = 0; row < 16; row++) {
        EXPECT_EQ(glyph[2 * row], row >= 9 ? 0xFF : 0x00) << row;
        EXPECT_EQ(glyph[2 * row + 1], 0x00) << row;
    }
    for (auto &row : grid()) EXPECT_EQ(row.find_first_not_of('0'), std::string::npos) << row;
    // Drawing outside the unit screen is dropped cell by cell.
    start_def_texture('B');
    rect(-100, -100, 50, 50);
    rect(600, 500, 50, 50);
    end_def_texture();
    for (int i = 0; i < 32; i++) EXPECT_EQ(dec.DRCSBuf['B' - 32][i], 0);
}

TEST_F(Texture, PatternsContinueBeyondTheirPreparedWidth) {
    // A window wider than the 640 pixels a prepared row covers: the
    // pattern continues with its own period.
    open(720, 2);
    colours(1, 2);
    pel(7, 1);  // vertical hatching of period 14 (640 is not a multiple)
    texture(1);
    rect(0, 0, 700, 0);
    Grid g = grid();
    for (int x = 0; x < 707; x++) EXPECT_EQ(at(g, x, 0), (x / 7) % 2 == 0 ? '1' : '2') << x;

    // Pattern A, one column of 12 set, with a 12-pixel mask.
    clear(0);
    pel(1, 1);
    texture(0, 12, 12);
    definePattern(4, [] { rect(0, 0, 10, 399); });
    texture(4);
    colours(1, 2);
    rect(0, 0, 710, 0);
    g = grid();
    for (int x = 0; x < 711; x++) EXPECT_EQ(at(g, x, 0), x % 12 == 0 ? '1' : '2') << x;
}

TEST_F(Texture, MasksBeyondTheGridAreScaledIntoIt) {
    open(40, 30);
    colours(1, 2);
    // A 100 x 50 pixel mask is recorded as 50 x 25 cells.
    texture(0, 100, 50);
    definePattern(4, [] { rect(0, 0, 511, 399); });
    EXPECT_EQ(ras.texture_mask[0][0], 50);
    EXPECT_EQ(ras.texture_mask[0][1], 25);
    texture(4);
    EXPECT_EQ(ras.df_msk_x, 50);
    EXPECT_EQ(ras.df_msk_y, 25);
    EXPECT_LE(ras.TEXTURE_bottom, 80 * 49);
    rect(0, 0, 30, 20);
    Grid g = grid();
    for (int y = 0; y <= 20; y++)
        for (int x = 0; x <= 30; x++) ASSERT_EQ(at(g, x, y), '1') << x << "," << y;

    // Masks far beyond any window or of extreme sizes: bounded sizes, rows
    // inside the prepared table.
    for (int32_t m : {INT32_MIN, -1, 0, 1, 5000, INT32_MAX}) {
        run(OP_TEXTURE, {0, 0, 4, m, m});
        EXPECT_GE(ras.TEXTURE_size, 1) << m;
        EXPECT_GE(ras.TEXTURE_bottom, 0) << m;
        EXPECT_LE(ras.TEXTURE_bottom, 80 * 49) << m;
        start_def_texture(5);
        rect(0, 0, 511, 399);
        end_def_texture();
        EXPECT_GE(ras.texture_mask[1][0], 1);
        EXPECT_LE(ras.texture_mask[1][0], 50);
        EXPECT_LE(ras.texture_mask[1][1], 50);
        rect(0, 0, 30, 20);
    }
}

TEST_F(Texture, PatternHeightIsNeverZero) {
    open(10, 6);
    // With a pel height that maps to 0 pixels, or no mask, the writer still
    // has a period of at least one row.
    ras.TEXTURE_size = 0;
    ip.LogPelY = 1;
    ip.PhyPelY = 0;
    set_TEXTURE(2);
    EXPECT_EQ(ras.TEXTURE_size, 1);
    ip.PhyMaskX = ip.PhyMaskY = 0;
    set_TEXTURE(6);
    EXPECT_EQ(ras.TEXTURE_size, 1);
    rect(0, 0, 5, 3);
    EXPECT_EQ(grid().size(), 6u);
}
