// Characters, mosaics, scrolling and display erase on exact pixels of a
// private 8-bit Xvfb, at the plug-in's scale of 512 pixels per unit screen,
// driven by stream bytes through pdi_putchar. Pictures are grids of colour
// cells, top row first: colour index 16 shows as cell 1, 32 as cell 2.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/executors.h"
#include "interp/state.h"
#include "nxg/nxg.h"
#include "raster/raster.h"
#include "text/state.h"
#include "text/text.h"
#include "tests/x11_fixture.h"

namespace naplps {
namespace {

using xtest::Grid;
using xtest::pictureIs;
using xtest::TestWindow;

constexpr int32_t CW = 0x60000;  // 12 pixels
constexpr int32_t CH = 0xA0000;  // 20 pixels
constexpr int32_t L(int32_t px) { return px * 0x8000; }  // logical units of n pixels

void feed(const std::string &bytes) {
    for (unsigned char b : bytes) pdi_putchar(0, b);
}
void type(const std::string &text) { feed(text + std::string(1, '\0')); }

void instr(int opcode, std::initializer_list<int32_t> values) {
    std::vector<int32_t> r(DATA_SIZE, 0);
    r[0] = int32_t(values.size());
    int i = 1;
    for (int32_t v : values) r[size_t(i++)] = v;
    pdi(opcode, r.data());
}

std::string apsBytes(int row, int col) { return {char(C0_APS), char(0x20 + row), char(0x20 + col)}; }

// DRCS character 0x21 from a 16 x 16 picture ('#' a dot); G1 holds the
// DRCS set, so the byte 0xA1 draws it.
void defineDrcs(const std::vector<std::string> &art) {
    uint8_t *g = dec.DRCSBuf[1];
    for (int r = 0; r < 16; r++) {
        unsigned bits = 0;
        for (int c = 0; c < 16; c++)
            if (r < int(art.size()) && c < int(art[size_t(r)].size()) && art[size_t(r)][size_t(c)] == '#')
                bits |= 0x8000u >> c;
        g[2 * r] = uint8_t(bits >> 8);
        g[2 * r + 1] = uint8_t(bits);
    }
    feed("\x1b){");
}
const std::string DRCS_CHAR = "\xa1";

class TextDraw : public ::testing::Test {
protected:
    void SetUp() override {
        xtest::resetState();
        if (xtest::xvfbDisplay(8).empty()) GTEST_SKIP() << "Xvfb could not be started";
    }
    void TearDown() override { xtest::resetState(); }

    // A window with a slot, the plug-in's drawing area, and the text state
    // of a RESET; text in colour index 16 (cell 1).
    std::unique_ptr<TestWindow> window(int w, int h) {
        auto t = std::make_unique<TestWindow>(w, h);
        EXPECT_TRUE(t->ok());
        EXPECT_GE(t->open(), 0);
        t->playArea();
        instr(OP_RESET, {1, 0, 0, 1, 0, 0, 0, 0, 0});
        ip.ColorNo = 16;
        ip.ForColor = 16;
        ip.BakColor = 32;
        return t;
    }
    // Character size in pixels through TEXT.
    void charSize(int px, int py, int rotate = 0) { instr(OP_TEXT, {rotate, 0, 0, 0, 0, 0, L(px), L(py)}); }
};

// Columns of a grid that hold anything but cell 0.
std::vector<int> litColumns(const Grid &g) {
    std::vector<int> cols;
    for (size_t c = 0; c < g[0].size(); c++)
        for (const auto &row : g)
            if (row[c] != '0') {
                cols.push_back(int(c));
                break;
            }
    return cols;
}

// --- Glyph scaling ---------------------------------------------------------------

TEST_F(TextDraw, AtSixteenByTwentyEachDotIsOneColumnAndTwoRows) {
    auto t = window(16, 22);
    charSize(16, 20);  // glyph 16 x 16 pixels, the cell 20 high
    defineDrcs({
        "#...............",
        ".#..............",
        "..#.............",
        "...####.........",
        "", "", "", "", "", "", "", "", "", "", "",
        "...............#",
    });
    feed(apsBytes(0, 0));
    type(DRCS_CHAR);
    // DRCS glyph rows start at the top of the cell (row 20 from the
    // bottom); each dot fills its row and the one above.
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {
        "1...............",
        "11..............",
        ".11.............",
        "..11111.........",
        "...1111.........",
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        "...............1",
        "...............1",
        "................",
        "................",
        "................",
        "................",
        "................",
    }));
    EXPECT_EQ(ip.LogCursX, L(16));
}

TEST_F(TextDraw, AtTwelveColumnsSomeGlyphColumnsShareAPixelColumn) {
    auto t = window(12, 22);
    defineDrcs({
        "#...............", ".#..............", "..#.............", "...#............",
        "....#...........", ".....#..........", "......#.........", ".......#........",
        "........#.......", ".........#......", "..........#.....", "...........#....",
        "............#...", ".............#..", "..............#.", "...............#",
    });
    type(apsBytes(0, 0) + DRCS_CHAR);
    // Glyph columns 0..15 land on pixel columns 0,1,2,2,3,4,4,5,6,6,7,8,8,9,10,11.
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), {
        "1...........",
        "11..........",
        ".11.........",
        "..1.........",
        "..11........",
        "...11.......",
        "....1.......",
        "....11......",
        ".....11.....",
        "......1.....",
        "......11....",
        ".......11...",
        "........1...",
        "........11..",
        ".........11.",
        "..........11",
        "...........1",
        "............",
        "............",
        "............",
        "............",
        "............",
    }));
}

TEST_F(TextDraw, TwoPixelDotsFillTheStepOfADiagonal) {
    auto t = window(16, 44);
    charSize(32, 40);  // dots of 2 x 2 pixels
    defineDrcs({"....#...........", ".....#.........."});
    type(apsBytes(0, 0) + DRCS_CHAR);
    Grid expect = xtest::blank(16, 44, '.');
    expect[2] = ".........11.....";   // row 0's dot
    expect[3] = ".........111....";   // and the step block at (x5 - 1, y0 - 1)
    expect[4] = ".........1111...";   // row 1's dot begins
    expect[5] = "..........111...";
    expect[6] = "...........11...";
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), expect));

    // The other way round the step is filled on the other side.
    xtest::resetState();
    auto u = window(16, 44);
    charSize(32, 40);
    defineDrcs({".....#..........", "....#..........."});
    type(apsBytes(0, 0) + DRCS_CHAR);
    expect = xtest::blank(16, 44, '.');
    expect[2] = "...........11...";
    expect[3] = "..........111...";
    expect[4] = ".........1111...";
    expect[5] = ".........111....";
    expect[6] = ".........11.....";
    EXPECT_TRUE(pictureIs(u->pixmapGrid(), expect));
}

TEST_F(TextDraw, FontCharactersSitInTheTopOfTheirCell) {
    auto t = window(24, 22);
    type(apsBytes(0, 0) + "W_");
    Grid g = t->pixmapGrid();
    // The glyph fills 80 % of the 20-pixel cell from its top: the bottom
    // rows stay free, and the two characters fall in their own cells.
    for (int row = 0; row < 22; row++) {
        for (int col = 0; col < 24; col++) {
            if (g[size_t(row)][size_t(col)] == '0') continue;
            EXPECT_GE(21 - row, 4) << "row " << row << " col " << col;
        }
    }
    std::vector<int> cols = litColumns(g);
    ASSERT_FALSE(cols.empty());
    EXPECT_TRUE(std::any_of(cols.begin(), cols.end(), [](int c) { return c < 12; }));
    EXPECT_TRUE(std::any_of(cols.begin(), cols.end(), [](int c) { return c >= 12; }));
    EXPECT_TRUE(xtest::windowMatchesPixmap(*t));
}

// --- Rotation ----------------------------------------------------------------------

TEST_F(TextDraw, AQuarterTurnPutsTheTopOfTheGlyphLeftOfTheCursor) {
    auto t = window(40, 40);
    charSize(16, 20, 1);
    defineDrcs({"################"});  // only the top row
    ip.LogCursX = L(20);
    ip.LogCursY = L(10);
    ip.PhyCursX = 20;
    ip.PhyCursY = 10;
    type(DRCS_CHAR);
    Grid g = t->pixmapGrid();
    int lit = 0, minX = 99, maxX = -1, minY = 99, maxY = -1;
    for (int row = 0; row < 40; row++)
        for (int col = 0; col < 40; col++)
            if (g[size_t(row)][size_t(col)] != '0') {
                int y = 39 - row;
                lit++;
                minX = std::min(minX, col), maxX = std::max(maxX, col);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    ASSERT_GT(lit, 0);
    // One column at the left of the cell, which lies left of the cursor
    // (x 20 - 20 = 0) and above it.
    EXPECT_EQ(minX, maxX);
    EXPECT_EQ(minX, 0);
    EXPECT_GE(minY, 10);
    EXPECT_GE(maxY - minY, 14);
}

// --- Attributes -------------------------------------------------------------------------

TEST_F(TextDraw, UnderlineRunsAlongTheCursorEdgeOfTheCell) {
    auto t = window(14, 22);
    feed("\x99");                  // underline on
    type(apsBytes(0, 0) + " ");    // a blank glyph: only the underline
    Grid expect = xtest::blank(14, 22, '.');
    expect[20] = "111111111111..";
    expect[21] = "111111111111..";
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), expect));

    // Turned a quarter: a vertical line left of the cursor.
    xtest::resetState();
    auto u = window(14, 22);
    charSize(12, 20, 1);
    feed("\x99");
    type(apsBytes(0, 1) + " ");
    expect = xtest::blank(14, 22, '.');
    for (int y = 0; y <= 12; y++) expect[size_t(21 - y)][11] = '1';
    EXPECT_TRUE(pictureIs(u->pixmapGrid(), expect));
}

TEST_F(TextDraw, OpaqueBackgroundPaintsTheCellFirst) {
    auto t = window(14, 22);
    ip.ColorMod = 2;
    type(apsBytes(0, 0) + " ");
    Grid expect = xtest::blank(14, 22, '.');
    for (int row = 1; row < 22; row++) expect[size_t(row)] = "222222222222..";
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), expect));
    // A character then covers part of it in the text colour.
    type(apsBytes(0, 0) + "H");
    Grid g = t->pixmapGrid();
    int fg = 0, bg = 0;
    for (const auto &row : g)
        for (char c : row) fg += c == '1', bg += c == '2';
    EXPECT_GT(fg, 10);
    EXPECT_GT(bg, 100);
}

TEST_F(TextDraw, ReverseVideoDrawsWhatTheGlyphLeavesEmpty) {
    auto t = window(18, 22);
    charSize(16, 20);
    defineDrcs({});  // blank glyph
    feed("\x88");   // reverse on
    type(apsBytes(0, 0) + DRCS_CHAR);
    Grid expect = xtest::blank(18, 22, '.');
    for (int y = 5; y <= 20; y++) expect[size_t(21 - y)] = "1111111111111111..";
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), expect));

    // A glyph with every dot set leaves only the cell's last column; with
    // an opaque background the rest is the background colour.
    xtest::resetState();
    auto u = window(18, 22);
    charSize(16, 20);
    std::vector<std::string> full(16, std::string(16, '#'));
    defineDrcs(full);
    ip.ColorMod = 2;
    feed("\x88");
    type(apsBytes(0, 0) + DRCS_CHAR);
    expect = xtest::blank(18, 22, '.');
    for (int y = 5; y <= 20; y++) expect[size_t(21 - y)] = "2222222222222221..";
    EXPECT_TRUE(pictureIs(u->pixmapGrid(), expect));
}

TEST_F(TextDraw, ProportionalSpacingPullsACharacterLeftByItsMargin) {
    auto left = [&](int interChar) {
        xtest::resetState();
        auto t = window(160, 22);
        instr(OP_TEXT, {0, 0, interChar, 0, 0, 0});
        type(apsBytes(0, 10) + "i");
        std::vector<int> cols = litColumns(t->pixmapGrid());
        return cols.empty() ? -1 : cols.front();
    };
    int fixed = left(0), proportional = left(3);
    ASSERT_GE(fixed, 120);
    // 'i' has a left margin of 7/22 of 12 pixels: x 120 becomes 116.
    EXPECT_EQ(fixed - proportional, 4);
}

// Proportional characters on an opaque background: the background of a
// character never covers the one before it.
TEST_F(TextDraw, ProportionalBackgroundsDoNotCoverThePreviousCharacter) {
    auto textPixels = [&](const std::string &text) {
        xtest::resetState();
        auto t = window(60, 22);
        ip.ColorMod = 2;
        instr(OP_TEXT, {0, 0, 3, 0, 0, 0});
        type(apsBytes(0, 1) + text);
        std::vector<std::pair<int, int>> fg;
        Grid g = t->pixmapGrid();
        for (int r = 0; r < 22; r++)
            for (int c = 0; c < 60; c++)
                if (g[size_t(r)][size_t(c)] == '1') fg.push_back({r, c});
        return fg;
    };
    for (const char *pair : {"il", "ii", "fi", "ti", "mi"}) {
        SCOPED_TRACE(pair);
        auto first = textPixels(std::string(1, pair[0]));
        auto both = textPixels(pair);
        ASSERT_FALSE(first.empty());
        for (const auto &p : first)
            EXPECT_TRUE(std::find(both.begin(), both.end(), p) != both.end()) << p.first << "," << p.second;
    }
    // The backgrounds still join up: no gap of index 0 inside the run.
    xtest::resetState();
    auto t = window(60, 22);
    ip.ColorMod = 2;
    instr(OP_TEXT, {0, 0, 3, 0, 0, 0});
    type(apsBytes(0, 1) + "iliW");
    std::string bottom = t->pixmapGrid()[21];
    size_t from = bottom.find_first_not_of('0'), to = bottom.find_last_not_of('0');
    ASSERT_NE(from, std::string::npos);
    EXPECT_EQ(bottom.substr(from, to - from + 1).find('0'), std::string::npos) << bottom;
}

TEST_F(TextDraw, AnAccentAndTheLetterAfterItShareOneCell) {
    auto t = window(24, 22);
    type(apsBytes(0, 0) + "e" + "\x19\x41" + "e");  // e, then accent over e
    EXPECT_EQ(ip.LogCursX, 2 * CW);
    Grid g = t->pixmapGrid();
    int topOfE = 99, extra = 0;
    for (int row = 0; row < 22; row++)
        if (g[size_t(row)].substr(0, 12).find_first_not_of('0') != std::string::npos) topOfE = std::min(topOfE, row);
    for (int row = 0; row < 22; row++) {
        std::string plain = g[size_t(row)].substr(0, 12), accented = g[size_t(row)].substr(12, 12);
        for (int c = 0; c < 12; c++) {
            if (plain[size_t(c)] != '0') {
                EXPECT_NE(accented[size_t(c)], '0') << "row " << row;  // the letter is all there
            } else if (accented[size_t(c)] != '0') {
                extra++;
                EXPECT_LT(row, topOfE) << "accent pixel below the letter's top";
            }
        }
    }
    EXPECT_GT(extra, 0);
}

// --- Mosaics -----------------------------------------------------------------------------

class Mosaic : public TextDraw {
protected:
    Grid draw(int code) {
        auto t = window(12, 22);
        setup();
        type(apsBytes(0, 0) + "\x1b|" + std::string(1, char(0x80 | code)));
        Grid g = t->pixmapGrid();
        xtest::resetState();
        return g;
    }
    std::function<void()> setup = [] {};
};

Grid fill(Grid g, int from, int to, const std::string &row) {
    for (int r = from; r <= to; r++) g[size_t(r)] = row;
    return g;
}

TEST_F(Mosaic, BlocksLightByTheBitsOfTheCode) {
    // Blocks of 6 x 7 pixels (8 rows with the row above) at y 13, 6, 0.
    Grid topLeft = fill(xtest::blank(12, 22, '.'), 1, 8, "111111......");
    EXPECT_TRUE(pictureIs(draw(0x21), topLeft));
    Grid all = fill(xtest::blank(12, 22, '.'), 1, 21, "111111111111");
    EXPECT_TRUE(pictureIs(draw(0x7F), all));
    EXPECT_TRUE(pictureIs(draw(0x5F), all));
    EXPECT_TRUE(pictureIs(draw(0x40), xtest::blank(12, 22, '.')));
    Grid bottomRight = fill(xtest::blank(12, 22, '.'), 14, 21, "......111111");
    EXPECT_TRUE(pictureIs(draw(0x60), bottomRight));
}

TEST_F(Mosaic, SeparatedBlocksLoseAPelOnEachAxis) {
    setup = [] { feed("\x99"); };
    Grid sep = fill(xtest::blank(12, 22, '.'), 2, 21, "11111.11111.");
    EXPECT_TRUE(pictureIs(draw(0x7F), sep));
    // A pel as wide as a block leaves no blocks, and the cursor still moves.
    setup = [] {
        feed("\x99");
        ip.PhyPelX = 6;
    };
    auto t = window(12, 22);
    setup();
    type(apsBytes(0, 0) + "\x1b|\xff\xff");
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), xtest::blank(12, 22, '.')));
    EXPECT_EQ(ip.LogCursX, 2 * CW);
}

TEST_F(Mosaic, ColourModesAndReverseVideo) {
    setup = [] { ip.ColorMod = 2; };
    Grid opaque = fill(fill(xtest::blank(12, 22, '.'), 1, 21, "222222222222"), 1, 8, "111111222222");
    EXPECT_TRUE(pictureIs(draw(0x21), opaque));
    setup = [] {
        ip.ColorMod = 1;
        feed("\x88");
    };
    Grid clearBlocks = fill(fill(xtest::blank(12, 22, '.'), 1, 7, "......111111"), 8, 21, "111111111111");
    EXPECT_TRUE(pictureIs(draw(0x21), clearBlocks));
}

TEST_F(Mosaic, ARunBeyondTheRightEdgeWrapsOnceBeforeItsFirstCode) {
    auto t = window(24, 42);
    instr(OP_FIELD, {0, 0, 0x1000000, 0xC80000});
    feed(apsBytes(1, 42));  // the cell would end past the screen's edge
    type("\x1b|\xff\xff");
    EXPECT_EQ(ip.LogCursX, 2 * CW);
    EXPECT_EQ(ip.LogCursY, 0);
    Grid g = t->pixmapGrid();
    EXPECT_EQ(g[41], "111111111111111111111111");
}

// --- Scrolling and erase -----------------------------------------------------------------

class Scroll : public TextDraw {
protected:
    // A window whose pixel (x, y) holds a pattern that tells rows and
    // columns apart: cell 1 on the diagonal x = y, cell 2 in column 0.
    std::unique_ptr<TestWindow> patterned(int w, int h) {
        auto t = window(w, h);
        for (int y = 0; y < h; y++) {
            if (y < w) drawabspel(y, y, 1, 0, 16);
            drawabspel(0, y, 1, 0, 32);
        }
        XSync(t->dpy, False);
        return t;
    }
};

TEST_F(Scroll, ARectangleOutsideTheClipNeitherMovesNorBlanks) {
    auto t = patterned(8, 8);
    Grid before = t->pixmapGrid();
    Set_Clip(0, 0, 3, 3);
    for (int dir = 0; dir < 4; dir++) scrollscr(2, dir, 4, 4, 7, 7);
    scrollscr(0, 0, 0, 0, 7, 7);
    scrollscr(-3, 2, 0, 0, 7, 7);
    scrollscr(2, 9, 0, 0, 7, 7);
    XSync(t->dpy, False);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), before));
}

TEST_F(Scroll, AStepAsLargeAsTheRectangleBlanksItWhole) {
    for (int dir = 0; dir < 4; dir++) {
        SCOPED_TRACE(dir);
        auto t = patterned(8, 8);
        scrollscr(8, dir, 0, 0, 7, 7);
        XSync(t->dpy, False);
        EXPECT_TRUE(pictureIs(t->pixmapGrid(), xtest::blank(8, 8, '.')));
        xtest::resetState();
    }
}

TEST_F(Scroll, ContentsMoveTheWayOfTheDirectionAndCornersMayComeInAnyOrder) {
    for (int dir = 0; dir < 4; dir++) {
        SCOPED_TRACE(dir);
        auto t = patterned(12, 12);
        scrollscr(3, dir, 0, 0, 11, 11);
        XSync(t->dpy, False);
        Grid a = t->pixmapGrid();
        xtest::resetState();
        auto u = patterned(12, 12);
        scrollscr(3, dir, 11, 11, 0, 0);
        XSync(u->dpy, False);
        EXPECT_TRUE(pictureIs(u->pixmapGrid(), a));
        xtest::resetState();
        // The diagonal pixel of row 6 (window row 5) went 2 or 3 pixels the
        // contents' way, and the freed strip is blank.
        int dx = dir == SCROLL_LEFT ? -1 : dir == SCROLL_RIGHT ? 1 : 0;
        int dy = dir == SCROLL_UP ? 1 : dir == SCROLL_DOWN ? -1 : 0;
        bool found = false;
        for (int k = 2; k <= 3; k++) {
            int x = 6 + dx * k, y = 6 + dy * k;
            if (a[size_t(11 - y)][size_t(x)] == '1') found = true;
        }
        EXPECT_TRUE(found);
        EXPECT_NE(a[size_t(11 - 6)][6], '1');
    }
}

TEST_F(Scroll, LineFeedOnTheLastLineScrollsTheFieldWhenScrollingIsOn) {
    auto t = window(24, 62);
    instr(OP_FIELD, {0, 0, 2 * CW, 3 * CH});  // three lines of two cells
    feed("\x97");                            // scroll on
    type(apsBytes(0, 0) + "\x1b|\xff");     // a full block on the last line
    Grid before = t->pixmapGrid();
    EXPECT_EQ(before[61].substr(0, 12), std::string(12, '1'));
    feed("\n");
    EXPECT_EQ(ip.LogCursY, 0);  // the cursor stays on its line
    EXPECT_EQ(ip.LogCursX, CW);
    Grid g = t->pixmapGrid();
    // The block moved up by a line (20 pixels): rows near y 0 are blank
    // now, the block's rows show near y 20.
    EXPECT_EQ(g[61].substr(0, 12), std::string(12, '0'));
    EXPECT_EQ(g[size_t(61 - 22)].substr(0, 12), std::string(12, '1'));
    EXPECT_EQ(g[size_t(61 - 45)].substr(0, 12), std::string(12, '0'));
}

TEST_F(Scroll, FormFeedBlanksTheDisplayInTheEraseColour) {
    auto t = patterned(8, 8);
    feed("\x0c");
    XSync(t->dpy, False);
    // The whole window is blanked, its last column and row included.
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), xtest::blank(8, 8, '.')));
    EXPECT_EQ(ip.LogCursY, 0xC80000 - CH);

    // Colour mode 1: a clear screen blanks in the background colour, a
    // scroll in colour index 0.
    xtest::resetState();
    auto u = patterned(8, 8);
    ip.ColorMod = 1;
    feed("\x0c");
    XSync(u->dpy, False);
    EXPECT_TRUE(pictureIs(u->pixmapGrid(), xtest::blank(8, 8, '2')));
    scrollscr(8, SCROLL_UP, 0, 0, 7, 7);
    XSync(u->dpy, False);
    EXPECT_TRUE(pictureIs(u->pixmapGrid(), xtest::blank(8, 8, '0')));
}

TEST_F(Scroll, FormFeedWithAnEraseWindowBlanksOnlyThatWindow) {
    auto t = patterned(8, 8);
    pdi_set_reset_mode(0, 1, 2, 2, 5, 5);
    feed("\x0c");
    XSync(t->dpy, False);
    Grid g = t->pixmapGrid();
    for (int y = 0; y < 8; y++) {
        for (int x = 0; x < 8; x++) {
            bool inWindow = x >= 2 && x <= 5 && y >= 2 && y <= 5;
            char want = inWindow ? '0' : x == 0 ? '2' : x == y ? '1' : '0';
            EXPECT_EQ(g[size_t(7 - y)][size_t(x)], want) << x << "," << y;
        }
    }
    // The clip is back: drawing outside the window reaches the pixmap.
    drawabspel(7, 0, 1, 0, 16);
    XSync(t->dpy, False);
    EXPECT_EQ(t->pixmapGrid()[7][7], '1');
}

TEST_F(Scroll, SidewaysScrollsLeaveTheLineColourAtTheEraseColour) {
    auto t = patterned(8, 8);
    ip.ColorMod = 2;
    set_color(16);
    scrollscr(2, SCROLL_UP, 0, 0, 7, 7);
    EXPECT_EQ(nxg.NXG_cur_pal, 16);
    scrollscr(2, SCROLL_DOWN, 0, 0, 7, 7);
    EXPECT_EQ(nxg.NXG_cur_pal, 16);
    scrollscr(2, SCROLL_LEFT, 0, 0, 7, 7);
    EXPECT_EQ(nxg.NXG_cur_pal, 32);
    set_color(16);
    scrollscr(2, SCROLL_RIGHT, 0, 0, 7, 7);
    EXPECT_EQ(nxg.NXG_cur_pal, 32);
}

// --- Hostile sizes and codes -------------------------------------------------------------

TEST_F(TextDraw, ExtremeCharacterSizesDrawInBoundedTime) {
    auto t = window(64, 64);
    const int32_t sizes[][2] = {{INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MIN}, {L(2000), -L(3000)}, {1, 1}};
    auto start = std::chrono::steady_clock::now();
    for (const auto &s : sizes) {
        for (int rot = 0; rot < 4; rot++) {
            instr(OP_TEXT, {rot, rot, 3, 3, 0, 0, s[0], s[1]});
            feed("\x99\x88");
            type(apsBytes(1, 1) + "AW");
            feed("\x86\x44\n\x0b\x08\r");
            type("\x1b|\xff\xa1");
            feed("\x89\x9a");
        }
    }
    XSync(t->dpy, False);
    // Finishing at all is the point; the limit only catches a runaway loop.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

TEST_F(TextDraw, CodesOutsideTheTablesDrawBlankCells) {
    auto t = window(40, 22);
    std::vector<int32_t> rec(DATA_SIZE, 0);
    rec[0] = 3;
    rec[1] = 0x05;
    rec[2] = 0x1F;
    rec[3] = 0x80;
    feed(apsBytes(0, 0));
    for (int set : {int(SET_DRCS), int(SET_SUPPL), int(SET_PRIMARY), int('A'), int('C'), int('@'), int('D')}) {
        PDI_moji(set, rec.data());
        feed(apsBytes(0, 0));
    }
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), xtest::blank(40, 22, '.')));
    // A count beyond the record's capacity draws at most a record's worth.
    std::vector<int32_t> big(DATA_SIZE, ' ');
    big[0] = 1 << 20;
    PDI_moji(SET_PRIMARY, big.data());
    PDI_mosaic(big.data());
    SUCCEED();
}

// Streams of text bytes, cursor controls, attribute controls, code-set
// designations and TEXT and FIELD instructions with random operands: every
// byte is absorbed.
TEST_F(TextDraw, RandomTextStreamsAreAbsorbed) {
    auto t = window(64, 48);
    nxg.sleep_ms = [](int) {};
    const std::vector<std::string> pieces = {
        "A", "Wi", " ", "abc def", "\x08", "\x09", "\x0a", "\x0b", "\x0d", "\x1e", "\x0c", "\x1c",
        "\x1f", "\x19", "\x1d", "\x86", "\x87", "\x88", "\x89", "\x8a", "\x8f", "\x95", "\x96",
        "\x97", "\x98", "\x99", "\x9a", "\x1b|", "\x1b~", "\x1b}", "\x1b){", "\x1b)W", "\x1b$)@",
        "\x1b(A", "\x1b(C", "\x1b*|", "\x1b(D", "\xa2", "\xb8", "\xa0",
    };
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (int round = 0; round < 4000; round++) {
        std::string bytes = pieces[next() % pieces.size()];
        if (bytes == "\xa2" || bytes == "\xb8" || bytes == "\xa0" || bytes == "\x1c" || bytes == "\x1f") {
            int n = int(next() % 12);
            for (int k = 0; k < n; k++) bytes += char(0x40 | (next() & 0x3F) | (bytes[0] & 0x80));
        }
        if (next() % 7 == 0) bytes += char(0x21 + next() % 0x5E);
        feed(bytes);
    }
    feed(std::string(1, '\0'));
    XSync(t->dpy, False);
    EXPECT_TRUE(xtest::windowMatchesPixmap(*t));
}

}  // namespace
}  // namespace naplps
