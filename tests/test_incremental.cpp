// INCREMENTAL POINT on a private 8-bit Xvfb, driven by stream bytes: pel
// colours from the data bits in colour-map and direct-colour mode, rows in
// the active field, scrolling at its edge, the power-of-two scale, runs
// continued across batches and instructions, and the refused or clipped
// cases (bit counts, wide colour values, incomplete pels, unknown colour
// modes). Colour index 16k shows as cell k.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/executors.h"
#include "interp/arc.h"
#include "interp/state.h"
#include "nxg/nxg.h"
#include "raster/raster.h"
#include "tests/test_arc_stream.h"
#include "tests/x11_fixture.h"

namespace naplps {
namespace {

using arctest::Stream;
using xtest::Grid;
using xtest::pictureIs;
using xtest::TestWindow;

constexpr int32_t L(int32_t n) { return n * 0x8000; }

char at(const Grid &g, int x, int y) { return g[g.size() - 1 - size_t(y)][size_t(x)]; }

// A bit stream cut into six-bit data words, most significant bit first.
struct Bits {
    std::vector<int> bits;
    Bits &add(uint64_t value, int n) {
        for (int i = n - 1; i >= 0; i--) bits.push_back(int((value >> i) & 1));
        return *this;
    }
    // Zero bits up to the next word.
    Bits &pad() {
        while (bits.size() % 6 != 0) bits.push_back(0);
        return *this;
    }
    std::vector<int> words() const {
        std::vector<int> w;
        for (size_t i = 0; i < bits.size(); i += 6) {
            int v = 0;
            for (size_t k = i; k < i + 6; k++) v = (v << 1) | (k < bits.size() ? bits[k] : 0);
            w.push_back(v);
        }
        return w;
    }
};

// INCREMENTAL POINT with n bits a pel and the given data words.
Stream &incpoint(Stream &s, int n, const std::vector<int> &words) {
    s.op(OP_INCPOINT).operand(n);
    for (int w : words) s.operand(w);
    return s;
}

// FIELD with origin and size in pixels.
Stream &field(Stream &s, int x, int y, int w, int h) { return s.op(OP_FIELD).xy(x, y).xy(w, h); }

// Direct-colour bits: G, R, B dealt in turn, first bit to G, each
// component `each` bits wide.
uint64_t grb(int g, int r, int b, int each) {
    uint64_t v = 0;
    for (int i = each - 1; i >= 0; i--) {
        v = (v << 1) | uint64_t((g >> i) & 1);
        v = (v << 1) | uint64_t((r >> i) & 1);
        v = (v << 1) | uint64_t((b >> i) & 1);
    }
    return v;
}

class Incremental : public ::testing::Test {
protected:
    void SetUp() override {
        xtest::resetState();
        if (xtest::xvfbDisplay(8).empty()) GTEST_SKIP() << "Xvfb could not be started";
    }
    void TearDown() override { xtest::resetState(); }

    std::unique_ptr<TestWindow> window(int w, int h) {
        auto t = std::make_unique<TestWindow>(w, h);
        EXPECT_TRUE(t->ok());
        EXPECT_GE(t->open(), 0);
        t->playArea();
        return t;
    }
    Grid picture(int w, int h, const Stream &s) {
        auto t = window(w, h);
        t->feed(s.bytes);
        Grid g = t->pixmapGrid();
        EXPECT_TRUE(xtest::windowMatchesPixmap(*t));
        return g;
    }
};

// --- Colours from the data bits -------------------------------------------------

TEST_F(Incremental, APelTakesItsBitsAcrossDataWords) {
    // Eight bits a pel: 0x3F and the top two bits of 0x32 make 0xFF; the
    // next pel starts with the remaining four bits of 0x32.
    Stream s;
    s.start(3, 2, 2).moveTo(4, 4);
    incpoint(s, 8, {0x3F, 0x32, 0x00, 0x30}).end();
    EXPECT_TRUE(pictureIs(picture(12, 8, s), {
                                                 "............",
                                                 "....ff2233..",
                                                 "....ff2233..",
                                                 "....ff2233..",
                                                 "............",
                                                 "............",
                                                 "............",
                                                 "............",
                                             }));
    EXPECT_EQ(ip.ForColor, 128);  // the colour of the instructions is back
    EXPECT_EQ(ip.LogDrawX, L(8));  // the last pel
    EXPECT_EQ(ip.LogDrawY, L(4));
    EXPECT_EQ(ip.IncDrawX, L(8));
}

TEST_F(Incremental, DirectColourPelsTakeTheNearestMapEntry) {
    // 24 bits a pel: eight of G, R and B each. The default map holds the
    // grey 64 at index 32 (cell 2), 96 at 48 (cell 3) and 255 at 127.
    Stream s;
    s.start(1, 2, 2).moveTo(4, 4);
    Bits b;
    b.add(grb(64, 64, 64, 8), 24).add(grb(97, 95, 96, 8), 24).add(grb(255, 255, 255, 8), 24);
    incpoint(s, 24, b.words()).end();
    Grid g = picture(12, 8, s);
    EXPECT_EQ(at(g, 4, 4), '2');
    EXPECT_EQ(at(g, 6, 4), '3');
    EXPECT_EQ(at(g, 8, 4), '7');
    EXPECT_EQ(ip.ColorNo / 16, 7);  // the last pel's entry
    EXPECT_EQ(ip.DrawValueG, 255);  // the requested colour of SET COLOR is back
    EXPECT_EQ(ip.DrawValueR, 255);
    EXPECT_EQ(ip.DrawValueB, 255);
}

TEST_F(Incremental, ColourValuesAddressTheMapFromItsTop) {
    // Four bits a pel: 1, 2 and 15 are the entries 16, 32 and 240, the
    // ones that reach the screen.
    Stream n;
    n.start(3, 2, 2).moveTo(4, 4);
    incpoint(n, 4, Bits().add(0x12F, 12).words()).end();
    Grid ng = picture(12, 8, n);
    EXPECT_EQ(at(ng, 4, 4), '1');
    EXPECT_EQ(at(ng, 6, 4), '2');
    EXPECT_EQ(at(ng, 8, 4), 'f');

    // Wider values keep their top eight bits.
    Stream s;
    s.start(3, 2, 2).moveTo(4, 4);
    incpoint(s, 16, Bits().add(0x2345, 16).add(0xFFFF, 16).add(0x00FF, 16).words()).end();
    Grid g = picture(12, 8, s);
    EXPECT_EQ(at(g, 4, 4), '2');  // 0x23
    EXPECT_EQ(at(g, 6, 4), 'f');  // 0xFF
    EXPECT_EQ(at(g, 8, 4), '0');  // 0x00
    EXPECT_EQ(at(g, 10, 4), '0');

    // 48 bits a pel, the widest count: the top eight bits again.
    Stream w;
    w.start(3, 2, 2).moveTo(4, 4);
    incpoint(w, 48, Bits().add(0x5A0000000000ULL, 48).words()).end();
    EXPECT_EQ(at(picture(12, 8, w), 4, 4), '5');
}

// --- Rows in the active field -------------------------------------------------------

TEST_F(Incremental, RowsWrapToTheFarEdgeOfTheFieldOnePelFurther) {
    // Field x 10..16, y 10..16, pel 2 x 2: three pels a row.
    Stream s;
    s.start(3, 2, 2);
    field(s, 10, 10, 6, 6);
    incpoint(s, 6, {4, 8, 12, 12, 8, 4, 4}).end();
    Grid g = picture(20, 20, s);
    EXPECT_EQ(at(g, 10, 10), '1');
    EXPECT_EQ(at(g, 12, 10), '2');
    EXPECT_EQ(at(g, 14, 10), '3');
    EXPECT_EQ(at(g, 16, 10), '0');  // nothing at the field's right edge
    EXPECT_EQ(at(g, 10, 12), '3');
    EXPECT_EQ(at(g, 12, 12), '2');
    EXPECT_EQ(at(g, 14, 12), '1');
    EXPECT_EQ(at(g, 10, 14), '1');
    EXPECT_EQ(at(g, 12, 15), '0');
    EXPECT_EQ(ip.LogDrawX, L(10));
    EXPECT_EQ(ip.LogDrawY, L(14));

    // With a negative pel width the row runs leftwards and wraps to the
    // right edge.
    Stream left;
    left.start(3).domain(-2, 2);
    field(left, 10, 10, 6, 6).moveTo(14, 10);
    incpoint(left, 6, {4, 8, 12}).end();
    Grid h = picture(20, 20, left);
    EXPECT_EQ(at(h, 14, 10), '1');
    EXPECT_EQ(at(h, 12, 10), '2');
    EXPECT_EQ(at(h, 16, 12), '3');  // the pel at the right edge, drawn leftwards
    EXPECT_EQ(at(h, 15, 12), '3');
    EXPECT_EQ(at(h, 10, 10), '0');
    EXPECT_EQ(ip.LogDrawX, L(16));
}

TEST_F(Incremental, ARowLeavingTheFieldScrollsItAndIsPaintedAgain) {
    // One pel a row; rows go up; the fourth row would leave the field.
    Stream s;
    s.start(3, 2, 2);
    field(s, 10, 10, 2, 6);
    incpoint(s, 6, {4, 8, 12, 4}).end();
    Grid g = picture(20, 20, s);
    EXPECT_EQ(at(g, 10, 14), '1');  // the fourth pel at the top row again
    EXPECT_EQ(at(g, 10, 12), '3');  // the rows below moved down one pel
    EXPECT_EQ(at(g, 10, 10), '2');
    EXPECT_EQ(at(g, 14, 10), '0');
    EXPECT_EQ(ip.LogDrawY, L(14));

    // Rows going down from the top scroll the field up at its bottom edge:
    // every row drawn so far moves up one pel.
    Stream down;
    down.start(3).domain(2, -2);
    field(down, 10, 10, 2, 8).moveTo(10, 16);
    incpoint(down, 6, {4, 8, 12, 4}).end();
    Grid d = picture(20, 22, down);
    EXPECT_EQ(at(d, 10, 12), '1');  // the fourth pel at the bottom row again
    EXPECT_EQ(at(d, 10, 14), '3');
    EXPECT_EQ(at(d, 10, 16), '2');
    EXPECT_EQ(at(d, 10, 18), '1');
    EXPECT_EQ(ip.LogDrawY, L(12));
}

TEST_F(Incremental, AtRatio640PelsArePlacedAtTheScale512) {
    auto t = window(24, 12);
    pdi_ctl(0, 0, 0, 0, 640);
    Stream s;
    s.start(3, 2, 2).moveTo(8, 4);
    incpoint(s, 6, {4}).end();
    t->feed(s.bytes);
    Grid g = t->pixmapGrid();
    EXPECT_EQ(ip.Scr_Ratio, 640);
    EXPECT_EQ(at(g, 8, 4), '1');  // 8 pixels at 512 per unit, not 10
    EXPECT_EQ(at(g, 7, 4), '0');
    // The physical drawing point is that of the real scale.
    EXPECT_EQ(ip.PhyDrawX, 10);
    EXPECT_EQ(ip.PhyDrawY, 5);
}

// --- Runs ----------------------------------------------------------------------------

TEST_F(Incremental, AnotherInstructionBetweenTwoRunsStartsTheSecondAtTheDrawingPoint) {
    Stream run;
    run.start(3, 2, 2).moveTo(4, 4);
    incpoint(run, 6, {4});
    incpoint(run, 6, {8}).end();
    Grid g = picture(12, 8, run);
    EXPECT_EQ(at(g, 4, 4), '1');
    EXPECT_EQ(at(g, 6, 4), '2');  // one pel further

    Stream broken;
    broken.start(3, 2, 2).moveTo(4, 4);
    incpoint(broken, 6, {4});
    broken.select(128);
    incpoint(broken, 6, {8}).end();
    Grid h = picture(12, 8, broken);
    EXPECT_EQ(at(h, 4, 4), '2');  // painted over at the drawing point
    EXPECT_EQ(at(h, 6, 4), '0');
}

TEST_F(Incremental, IncrementalLineAndPolygonDrawNothing) {
    Stream s;
    s.start(3, 2, 2).moveTo(4, 4);
    for (int op : {OP_INCLINE, OP_INCPOLY}) {
        s.op(op).xy(2, 2);
        for (int k = 0; k < 20; k++) s.operand(k % 2 ? 0x15 : 0x2A);
    }
    s.end();
    EXPECT_TRUE(pictureIs(picture(12, 8, s), xtest::blank(12, 8)));
    EXPECT_EQ(ip.LogDrawX, L(4));
    EXPECT_EQ(ip.LogDrawY, L(4));
}

TEST_F(Incremental, RowsEndingInsideADataWordInColourMapModeCarryOverToTheNextBatch) {
    // Eight bits a pel, two pels a row: every row ends inside its third
    // word, whose rest is padding; batches are eight words long. The first
    // batch stops at the end of the first row; the second, the last of the
    // instruction, draws the two rows that are left.
    Stream s;
    s.start(3, 2, 2);
    field(s, 10, 10, 4, 10);
    Bits b;
    for (int row = 0; row < 3; row++) b.add(uint64_t(32 * row + 16), 8).add(uint64_t(32 * row + 32), 8).pad();
    incpoint(s, 8, b.words()).end();
    Grid g = picture(20, 22, s);
    const char expect[3][2] = {{'1', '2'}, {'3', '4'}, {'5', '6'}};
    for (int row = 0; row < 3; row++)
        for (int k = 0; k < 2; k++)
            EXPECT_EQ(at(g, 10 + 2 * k, 10 + 2 * row), expect[row][k]) << row << "," << k;
    EXPECT_EQ(at(g, 14, 10), '0');
}

TEST_F(Incremental, DirectColourRowsPaddedToAWordContinueExactlyAcrossBatches) {
    // Nine bits a pel (three of G, R, B each), one pel a row, each row
    // padded to a word: two words a pel. A batch of nine words then ends
    // after the first word of the fifth pel, which the next batch draws
    // whole.
    auto t = window(20, 26);
    Stream setup;
    setup.start(1, 2, 2);
    field(setup, 10, 10, 2, 12).end();
    t->feed(setup.bytes);
    const int colour[5][3] = {{7, 0, 0}, {0, 7, 0}, {0, 0, 7}, {7, 7, 0}, {0, 7, 7}};
    for (int k = 0; k < 5; k++) {
        ip.MapValueG[16 * (k + 1)] = colour[k][0];
        ip.MapValueR[16 * (k + 1)] = colour[k][1];
        ip.MapValueB[16 * (k + 1)] = colour[k][2];
    }
    Bits b;
    for (auto &c : colour) b.add(grb(c[0], c[1], c[2], 3), 9).pad();
    Stream s;
    incpoint(s, 9, b.words()).end();
    t->feed(s.bytes);
    Grid g = t->pixmapGrid();
    for (int k = 0; k < 5; k++) EXPECT_EQ(at(g, 10, 10 + 2 * k), "12345"[k]) << k;
    EXPECT_EQ(ip.LogDrawY, L(18));
}

TEST_F(Incremental, ADirectColourBatchEndingInARowsPaddingGoesOnToTheNextRow) {
    // Three bits a pel, one pel a row padded to a word: a batch of three
    // words ends in the padding of its third row. The next batch starts a
    // new row rather than painting over the last pel.
    auto t = window(20, 26);
    Stream setup;
    setup.start(1, 2, 2);
    field(setup, 10, 10, 2, 12).end();
    t->feed(setup.bytes);
    const int colour[5][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {0, 1, 1}};
    for (int k = 0; k < 5; k++) {
        ip.MapValueG[16 * (k + 1)] = colour[k][0];
        ip.MapValueR[16 * (k + 1)] = colour[k][1];
        ip.MapValueB[16 * (k + 1)] = colour[k][2];
    }
    Bits b;
    for (auto &c : colour) b.add(grb(c[0], c[1], c[2], 1), 3).pad();
    Stream s;
    incpoint(s, 3, b.words()).end();
    t->feed(s.bytes);
    Grid g = t->pixmapGrid();
    for (int k = 0; k < 5; k++) EXPECT_EQ(at(g, 10, 10 + 2 * k), "12345"[k]) << k;
    EXPECT_EQ(ip.LogDrawY, L(18));
}

// --- Refused and clipped cases ----------------------------------------------------

TEST_F(Incremental, BitCountsOutsideOneTo48DrawNothingAndUseNothing) {
    auto t = window(12, 8);
    Stream setup;
    setup.start(3, 2, 2).moveTo(4, 4).end();
    t->feed(setup.bytes);
    ip.Scr_Ratio = 640;
    for (int n : {0, -1, 49, 63, 1000}) {
        std::vector<int32_t> rec(DATA_SIZE, 0x3F);
        rec[0] = 8;
        rec[1] = n;
        EXPECT_EQ(PDI_incpoint(rec.data()), 0) << n;
        EXPECT_EQ(ip.Scr_Ratio, 640);
    }
    // Through the stream: 63 bits a pel.
    Stream s;
    incpoint(s, 63, std::vector<int>(70, 0x3F)).end();
    t->feed(s.bytes);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), xtest::blank(12, 8)));
    EXPECT_EQ(ip.LogDrawX, L(4));
}

TEST_F(Incremental, AnUnknownColourModeDrawsNothing) {
    auto t = window(12, 8);
    Stream setup;
    setup.start(3, 2, 2).moveTo(4, 4).end();
    t->feed(setup.bytes);
    ip.ColorMod = 3;
    ip.Scr_Ratio = 640;
    std::vector<int32_t> rec(DATA_SIZE, 0x3F);
    rec[0] = 7;
    rec[1] = 6;
    EXPECT_EQ(PDI_incpoint(rec.data()), 0);
    EXPECT_EQ(ip.Scr_Ratio, 640);
    EXPECT_TRUE(pictureIs(t->pixmapGrid(), xtest::blank(12, 8)));
}

TEST_F(Incremental, AnIncompleteLastPelIsDroppedAndWordsPastTheBatchAreNotRead) {
    auto t = window(12, 8);
    Stream setup;
    setup.start(3, 2, 2).moveTo(4, 4).end();
    t->feed(setup.bytes);
    // Twelve bits of an eight-bit count: one pel and a half.
    std::vector<int32_t> rec(DATA_SIZE, 0x3F);  // words past the batch: all set
    rec[0] = 3;
    rec[1] = 8;
    rec[2] = 0x04;
    rec[3] = 0x00;
    EXPECT_EQ(PDI_incpoint(rec.data()), 2);  // both words: the half pel is dropped
    Grid g = t->pixmapGrid();
    EXPECT_EQ(at(g, 4, 4), '1');  // 0x10
    EXPECT_EQ(at(g, 6, 4), '0');
    EXPECT_EQ(ip.LogDrawX, L(4));

    // A full batch uses every word.
    rec[0] = 7;
    rec[1] = 6;
    EXPECT_EQ(PDI_incpoint(rec.data()), 6 + 1);
    EXPECT_EQ(ip.LogDrawX, L(16));
}

TEST_F(Incremental, HostileFieldsPelsAndRecordsStayBounded) {
    auto t = window(16, 16);
    Stream setup;
    setup.start(3, 2, 2).end();
    t->feed(setup.bytes);
    struct Case {
        int32_t pelx, pely, l, r, b, top, x, y;
    };
    const Case cases[] = {
        {0, 0, 0, L(8), 0, L(8), L(2), L(2)},                       // no pel: every pel in one place
        {INT32_MAX, INT32_MAX, 0, L(8), 0, L(8), L(2), L(2)},       // every pel a new, scrolled row
        {INT32_MIN, INT32_MIN, 0, L(8), 0, L(8), L(2), L(2)},
        {L(2), L(2), INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX},
        {L(2), L(2), L(4), L(4), L(4), L(4), L(4), L(4)},           // an empty field
    };
    for (const Case &c : cases) {
        ip.LogPelX = c.pelx;
        ip.LogPelY = c.pely;
        ip.PhyPelX = logtophy(c.pelx);
        ip.PhyPelY = logtophy(c.pely);
        ip.Act_L = c.l, ip.Act_R = c.r, ip.Act_B = c.b, ip.Act_T = c.top;
        ip.LogDrawX = ip.IncDrawX = c.x;
        ip.LogDrawY = ip.IncDrawY = c.y;
        std::vector<int32_t> rec(DATA_SIZE, 0x2A);
        rec[1] = 1;
        for (int32_t l : {INT32_MAX, DATA_SIZE, 1024, 3, 1, 0, -7}) {
            rec[0] = l;
            const int used = PDI_incpoint(rec.data());
            EXPECT_GE(used, 0);
            EXPECT_LE(used, DATA_MAX_VALUES);
        }
    }
    EXPECT_TRUE(xtest::windowMatchesPixmap(*t));
}

}  // namespace
}  // namespace naplps
