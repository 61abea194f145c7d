// Characters, mosaics, scrolling and display erase on exact pixels, driven
// by stream bytes through pdi_putchar. Pictures are grids of colour cells,
// top row first: colour index 16 shows as cell 1, 32 as cell 2.

#include <algorithm>
#include <climits>
#include <tuple>

#include "tests/pdi_steps.h"
#include "text/state.h"
#include "text/text.h"

namespace naplps {
namespace {

using namespace steps;
using namespace std::string_literals;
using ptest::Grid;
using ptest::pictureIs;

constexpr int32_t CW = 0x60000, CH = 0xA0000;  // 12 x 20 pixels
const std::string DRCS = "\xa1";               // DRCS character 0x21 in G1

// DRCS character 0x21 from a 16 x 16 picture ('#' a dot), G1 the DRCS set.
void defineDrcs(const std::vector<std::string> &art) {
    std::fill(ras.DRCSBuf[1], ras.DRCSBuf[1] + 32, 0);
    for (size_t r = 0; r < art.size(); r++)
        for (size_t c = 0; c < art[r].size(); c++)
            if (art[r][c] == '#') ras.DRCSBuf[1][2 * r + c / 8] |= uint8_t(0x80 >> c % 8);
    feed("\x1b){");
}
// A blank w x h picture with the rows from .. to (top row 0) set to row.
Grid picture(int w, int h, std::initializer_list<std::tuple<int, int, std::string>> bands) {
    Grid g = ptest::blank(w, h, '.');
    for (auto &[from, to, row] : bands)
        for (int r = from; r <= to; r++) g[size_t(r)] = row;
    return g;
}
// The (row, column) of every pixel in cell c.
std::vector<std::pair<int, int>> pixelsOf(const Grid &g, char c) {
    std::vector<std::pair<int, int>> p;
    for (size_t r = 0; r < g.size(); r++)
        for (size_t x = 0; x < g[r].size(); x++)
            if (g[r][x] == c) p.push_back({int(r), int(x)});
    return p;
}

class TextDraw : public DrawTest {
protected:
    // The text state of a RESET; text in colour index 16, background 32.
    void window(int w, int h) {
        open(w, h);
        run(OP_RESET, {1, 0, 0, 1, 0, 0, 0, 0, 0});
        ras.pen.ColorMod = 0;
        ras.pen.ColorNo = ras.pen.ForColor = 16;
        ras.pen.BakColor = 32;
    }
    void charSize(int px, int py, int rotate = 0) {
        run(OP_TEXT, {rotate, 0, 0, 0, 0, 0, px * U, py * U});
    }
};

// --- Glyphs --------------------------------------------------------------------------

TEST_F(TextDraw, AtTwelveColumnsSomeGlyphColumnsShareAPixelColumn) {
    window(12, 22);
    std::vector<std::string> diagonal;
    for (int r = 0; r < 16; r++) diagonal.push_back(std::string(size_t(r), '.') + "#");
    defineDrcs(diagonal);
    type(apsBytes(0, 0) + DRCS);
    // Glyph column k lands on pixel column col[k]; pixel row r shows glyph rows r and r - 1.
    const int col[16] = {0, 1, 2, 2, 3, 4, 4, 5, 6, 6, 7, 8, 8, 9, 10, 11};
    Grid expect = ptest::blank(12, 22, '.');
    for (int k = 0; k < 16; k++)
        expect[size_t(k)][size_t(col[k])] = expect[size_t(k) + 1][size_t(col[k])] = '1';
    EXPECT_TRUE(pictureIs(grid(), expect));
}

TEST_F(TextDraw, AnAccentAndTheLetterAfterItShareOneCellInTheTopOfIt) {
    window(36, 22);
    type(apsBytes(0, 0) +
         "e\x19\x41"
         "e_");  // e, accent over e, underscore
    Grid g = grid();
    EXPECT_TRUE(ip.LogCursX == 3 * CW &&
                Grid(g.begin() + 18, g.end()) == ptest::blank(36, 4));  // 80 % of the cell
    // The accented cell holds the plain letter and more, all above its top.
    auto lit = pixelsOf(g, '1');
    const int top =
        std::find_if(lit.begin(), lit.end(), [](auto p) { return p.second < 12; })->first;
    int extra = 0, above = 0;
    for (auto [row, x] : lit) {
        EXPECT_TRUE(x >= 12 || g[size_t(row)][size_t(x) + 12] == '1') << row;
        bool accent = x >= 12 && x < 24 && g[size_t(row)][size_t(x) - 12] == '0';
        extra += accent;
        above += accent && row < top;
    }
    EXPECT_TRUE(extra > 0 && above == extra) << extra << " " << above;
}

// --- Attributes ----------------------------------------------------------------------

TEST_F(TextDraw, UnderlineOpaqueBackgroundAndReverseVideo) {
    window(14, 22);
    type("\x99" + apsBytes(0, 0) + " ");  // underline on, a blank glyph
    EXPECT_TRUE(pictureIs(grid(), picture(14, 22, {{20, 21, "111111111111.."}})));
    window(14, 22);
    charSize(12, 20, 1);
    type("\x99" + apsBytes(0, 1) + " ");  // turned a quarter: left of the cursor
    EXPECT_TRUE(pictureIs(grid(), picture(14, 22, {{9, 21, "...........1.."}})));
    window(14, 22);
    ras.pen.ColorMod = 2;
    type(apsBytes(0, 0) + " ");  // opaque: the cell first, then the glyph
    EXPECT_TRUE(pictureIs(grid(), picture(14, 22, {{1, 21, "222222222222.."}})));
    type(apsBytes(0, 0) + "H");
    EXPECT_TRUE(pixelsOf(grid(), '1').size() > 10u && pixelsOf(grid(), '2').size() > 100u);
    // Reverse: what the glyph leaves empty; a full glyph leaves the last column.
    // The 16 glyph rows fall on 15 pixel rows, each block on its own rows.
    const struct {
        int mode;
        std::vector<std::string> art;
        std::string row;
    } cases[] = {{0, {}, "1111111111111111.."},
                 {2, std::vector<std::string>(16, std::string(16, '#')), "2222222222222221.."}};
    for (auto &c : cases) {
        window(18, 22);
        charSize(16, 20);
        defineDrcs(c.art);
        ras.pen.ColorMod = c.mode;
        type("\x88" + apsBytes(0, 0) + DRCS);
        EXPECT_TRUE(pictureIs(grid(), picture(18, 22, {{2, 16, c.row}})));
    }
}

// Reverse video row for row: at one pixel row per glyph row, a glyph of
// alternate full and empty rows shows as alternate bars, in the background
// colour where the glyph has dots (its last column is always drawn).
TEST_F(TextDraw, ReverseVideoKeepsEveryGlyphRowApart) {
    std::vector<std::string> stripes;
    for (int r = 0; r < 16; r++) stripes.push_back(r % 2 ? std::string(16, '#') : "");
    for (int mode : {0, 2}) {
        window(18, 24);
        charSize(16, 22);
        defineDrcs(stripes);
        ras.pen.ColorMod = mode;
        type("\x88" + apsBytes(0, 0) + DRCS);
        Grid want = ptest::blank(18, 24, '.');
        for (int r = 0; r < 16; r++)
            want[size_t(2 + r)] =
                r % 2 ? (mode ? "2222222222222221.." : "...............1..") : "1111111111111111..";
        EXPECT_TRUE(pictureIs(grid(), want)) << mode;
    }
}

// A proportional character moves left by its left margin; on an opaque
// background it never covers the character before it.
TEST_F(TextDraw, ProportionalCharactersAndTheirBackgrounds) {
    auto draw = [this](int interChar, const std::string &text) {
        window(60, 22);
        ras.pen.ColorMod = 2;
        run(OP_TEXT, {0, 0, interChar, 0, 0, 0});
        type(apsBytes(0, 1) + text);
        return grid();
    };
    EXPECT_EQ(pixelsOf(draw(0, "i"), '1')[0].second - pixelsOf(draw(3, "i"), '1')[0].second,
              4);  // 7/22 of 12
    for (const char *pair : {"il", "ii", "fi", "ti", "mi"}) {
        auto first = pixelsOf(draw(3, std::string(1, pair[0])), '1'),
             both = pixelsOf(draw(3, pair), '1');
        ASSERT_FALSE(first.empty());
        for (auto &p : first) EXPECT_NE(std::find(both.begin(), both.end(), p), both.end()) << pair;
    }
    std::string bottom = draw(3, "iliW")[21];  // the backgrounds still join up
    size_t from = bottom.find_first_not_of('0'), to = bottom.find_last_not_of('0');
    EXPECT_EQ(bottom.substr(from, to - from + 1).find('0'), std::string::npos) << bottom;
}

// --- Mosaics ---------------------------------------------------------------------------

TEST_F(TextDraw, MosaicBlocksFollowTheBitsModesAndAttributes) {
    // Blocks of 6 x 7 pixels (8 rows with the row above) at y 13, 6 and 0;
    // separated blocks lose a pel each way, none are left of a pel that wide.
    const struct {
        const char *attr;
        int mode, pelX;
        std::string codes;
        Grid want;
    } cases[] = {
        {"", 0, 1, "\xa1", picture(12, 22, {{1, 8, "111111......"}})},
        {"", 0, 1, "\xff", picture(12, 22, {{1, 21, "111111111111"}})},
        {"", 0, 1, "\xdf", picture(12, 22, {{1, 21, "111111111111"}})},
        {"", 0, 1, "\xc0", picture(12, 22, {})},
        {"", 0, 1, "\xe0", picture(12, 22, {{14, 21, "......111111"}})},
        {"\x99", 0, 1, "\xff", picture(12, 22, {{2, 21, "11111.11111."}})},
        {"\x99", 0, 6, "\xff\xff", picture(12, 22, {})},
        {"", 2, 1, "\xa1", picture(12, 22, {{1, 8, "111111222222"}, {9, 21, "222222222222"}})},
        {"\x88", 1, 1, "\xa1",
         picture(12, 22, {{1, 7, "......111111"}, {8, 21, "111111111111"}})},  // reverse
    };
    for (auto &c : cases) {
        window(12, 22);
        ras.pen.ColorMod = c.mode;
        ras.pen.PhyPelX = c.pelX;
        type(c.attr + apsBytes(0, 0) + "\x1b|" + c.codes);
        EXPECT_TRUE(pictureIs(grid(), c.want)) << std::hex << int(uint8_t(c.codes[0]));
        EXPECT_EQ(ip.LogCursX, int32_t(c.codes.size()) * CW);
    }
    window(24, 42);
    run(OP_FIELD, {0, 0, 0x1000000, 0xC80000});  // a run beyond the right edge wraps once
    type(apsBytes(1, 42) + "\x1b|\xff\xff");
    EXPECT_TRUE(ip.LogCursX == 2 * CW && ip.LogCursY == 0);
    EXPECT_EQ(grid()[41], std::string(24, '1'));
}

// --- Scrolling and erase ---------------------------------------------------------------

class Scroll : public TextDraw {
protected:
    // An n x n window with cell 1 on the diagonal x = y, cell 2 in column 0.
    void patterned(int n) {
        window(n, n);
        for (int y = 0; y < n; y++) {
            drawabspel(y, y, 1, 0, 16);
            drawabspel(0, y, 1, 0, 32);
        }
    }
};

// Contents move the way of the direction whichever corners come first; a
// step as large as the rectangle blanks it; degenerate scrolls do nothing.
TEST_F(Scroll, ContentsMoveTheWayOfTheDirection) {
    for (int dir = 0; dir < 4; dir++) {
        int dx = dir == SCROLL_LEFT    ? -1
                 : dir == SCROLL_RIGHT ? 1
                                       : 0,
            dy = dir == SCROLL_UP     ? 1
                 : dir == SCROLL_DOWN ? -1
                                      : 0;
        patterned(12);
        scrollscr(3, dir, 0, 0, 11, 11);
        Grid a = grid();
        patterned(12);
        scrollscr(3, dir, 11, 11, 0, 0);
        EXPECT_TRUE(pictureIs(grid(), a)) << dir;
        // The diagonal pixel of row 6 went 2 or 3 pixels the contents' way.
        EXPECT_TRUE(at(a, 6 + 2 * dx, 6 + 2 * dy) == '1' || at(a, 6 + 3 * dx, 6 + 3 * dy) == '1')
            << dir;
        EXPECT_NE(at(a, 6, 6), '1') << dir;
        scrollscr(12, dir, 0, 0, 11, 11);
        EXPECT_TRUE(pictureIs(grid(), ptest::blank(12, 12, '.'))) << dir;
    }
    patterned(8);
    Grid before = grid();
    Set_Clip(0, 0, 3, 3);  // outside the clip, no step, a negative step, no direction
    for (int dir = 0; dir < 4; dir++) scrollscr(2, dir, 4, 4, 7, 7);
    scrollscr(0, 0, 0, 0, 7, 7);
    scrollscr(-3, 2, 0, 0, 7, 7);
    scrollscr(2, 9, 0, 0, 7, 7);
    EXPECT_TRUE(pictureIs(grid(), before));
}

TEST_F(Scroll, LineFeedScrollsTheFieldAndFormFeedBlanksTheDisplay) {
    window(24, 62);
    run(OP_FIELD, {0, 0, 2 * CW, 3 * CH});        // three lines of two cells
    type("\x97" + apsBytes(0, 0) + "\x1b|\xff");  // scroll on, a full block on the last line
    EXPECT_EQ(grid()[61].substr(0, 12), std::string(12, '1'));
    feed("\n");
    EXPECT_TRUE(ip.LogCursX == CW && ip.LogCursY == 0);  // the cursor stays on its line
    Grid g = grid();                                     // the block moved up a line (20 pixels)
    EXPECT_EQ(g[61].substr(0, 12) + g[39].substr(0, 12) + g[16].substr(0, 12),
              std::string(12, '0') + std::string(12, '1') + std::string(12, '0'));
    patterned(8);
    feed("\x0c");
    EXPECT_TRUE(pictureIs(grid(), ptest::blank(8, 8, '.')));  // the last column and row included
    patterned(8);
    ras.pen.ColorMod = 1;
    feed("\x0c");  // mode 1: the background colour; a scroll: index 0
    EXPECT_TRUE(pictureIs(grid(), ptest::blank(8, 8, '2')));
    scrollscr(8, SCROLL_UP, 0, 0, 7, 7);
    EXPECT_TRUE(pictureIs(grid(), ptest::blank(8, 8, '0')));
}

// A texture definition diverts every pixel into its grid: a line feed that
// would scroll the field (or INCREMENTAL POINT rows past the field's end)
// leaves the picture as it stands.
TEST_F(Scroll, NothingMovesWhileADefinitionCapturesThePixels) {
    window(24, 62);
    run(OP_FIELD, {0, 0, 2 * CW, 3 * CH});
    type("\x97" + apsBytes(0, 0) + "\x1b|\xff");  // scroll on, a full block on the last line
    const Grid before = grid();
    feed("\x84\x41\n\x85");  // DEF TEXTURE A, line feed, END
    EXPECT_TRUE(pictureIs(grid(), before));
    feed("\n");
    EXPECT_FALSE(pictureIs(grid(), before)) << "a line feed after the definition scrolls again";
}

// --- Hostile sizes and codes -----------------------------------------------------------

TEST_F(TextDraw, ExtremeCharacterSizesAndCodesOutsideTheTablesAreAbsorbed) {
    window(64, 64);
    const int32_t sizes[][2] = {
        {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MIN}, {2000 * U, -3000 * U}, {1, 1}};
    for (const auto &s : sizes)
        for (int rot = 0; rot < 4; rot++) {
            run(OP_TEXT, {rot, rot, 3, 3, 0, 0, s[0], s[1]});
            type("\x99\x88" + apsBytes(1, 1) + "AW\0\x86\x44\n\x0b\x08\r\x1b|\xff\xa1\0\x89\x9a"s);
        }
    window(40, 22);  // codes outside the tables: blank cells
    std::vector<int32_t> rec(DATA_SIZE, 0), big(DATA_SIZE, ' ');
    rec[0] = 3;
    rec[1] = 0x05;
    rec[2] = 0x1F;
    rec[3] = 0x80;
    for (int set : {int(SET_DRCS), int(SET_SUPPL), int(SET_PRIMARY), int('A'), int('C'), int('@'),
                    int('D')}) {
        feed(apsBytes(0, 0));
        PDI_moji(set, rec.data());
    }
    EXPECT_TRUE(pictureIs(grid(), ptest::blank(40, 22, '.')));
    big[0] = 1 << 20;  // a count beyond the record draws at most a record's worth
    PDI_moji(SET_PRIMARY, big.data()), PDI_mosaic(big.data());
}

// Random text, cursor, attribute and designation bytes with operands: every
// byte is absorbed.
TEST_F(TextDraw, RandomTextStreamsAreAbsorbed) {
    window(64, 48), nxg.sleep_ms = [](int) {};
    const std::string alphabet =
        "AWi \x08\x09\x0a\x0b\x0d\x1e\x0c\x1c\x1f\x19\x1d\x86\x87\x88\x89\x8a\x8f\x95\x96"
        "\x97\x98\x99\x9a\x1b\x1b\x1b|~}){W$@(ACD*\xa2\xb8\xa0\xa1@Z_\x7f\xc0\xff";
    uint32_t seed = 12345;
    for (int round = 0; round < 20000; round++) {
        seed = seed * 1103515245u + 12345u;
        feed(std::string(1, alphabet[(seed >> 8) % alphabet.size()]));
    }
    type("");
    EXPECT_TRUE(ptest::onlyCells(*win));
}

}  // namespace
}  // namespace naplps
