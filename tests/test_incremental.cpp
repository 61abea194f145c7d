// INCREMENTAL POINT as scripts: pel colours from the data bits, rows in the
// active field and scrolling at its edge, the scale of 512, runs across
// batches and instructions, and refused or hostile data.
#include <array>
#include <cstdio>

#include "decoder/api.h"
#include "interp/arc.h"
#include "interp/protocol.h"
#include "interp/state.h"
#include "raster/raster.h"
#include "tests/surface_fixture.h"

namespace naplps::ptest {
namespace {

// n bits of a value, most significant first; zero bits to the next word.
std::string bits(uint64_t v, int n) {
    std::string s;
    for (int i = n - 1; i >= 0; i--) s += char('0' + ((v >> i) & 1));
    return s;
}
std::string pad(std::string s) { return s.append((6 - s.size() % 6) % 6, '0'); }
// Six-bit data words as bits.
std::string words(std::initializer_list<int> w) {
    std::string s;
    for (int v : w) s += bits(uint64_t(v), 6);
    return s;
}
// Direct-colour bits: G, R, B dealt in turn, `each` bits of each.
std::string grb(int g, int r, int b, int each) {
    std::string s;
    for (int i = each - 1; i >= 0; i--)
        for (int c : {g, r, b}) s += char('0' + ((c >> i) & 1));
    return s;
}
// INCREMENTAL POINT of n bits a pel with these data bits, as a script line.
std::string inc(int n, const std::string &data) {
    char b[8];
    std::snprintf(b, sizeof b, " 0x%X", 0xC0 | n);
    std::string s = std::string("\nbytes 0xB9") + b;
    for (size_t i = 0; i + 6 <= data.size(); i += 6) {
        std::snprintf(b, sizeof b, " 0x%X", 0xC0 | std::stoi(data.substr(i, 6), nullptr, 2));
        s += b;
    }
    return s + " 0x0F\n";
}
// Colour-map (3) or direct-colour (1) mode, a 2 x 2 pel at (4, 4).
std::string at44(int mode) {
    return "reset domain colour=" + std::to_string(mode) + " text; domain pel=2,2; point-set 4 4";
}
std::string cells(const Grid &g, std::initializer_list<std::pair<int, int>> px) {
    std::string s;
    for (auto [x, y] : px) s += at(g, x, y);
    return s;
}
std::string row4(const Grid &g) { return cells(g, {{4, 4}, {6, 4}, {8, 4}, {10, 4}}); }

// 8 bits: 0x3F and the top two bits of 0x32 make 0xFF, the rest of 0x32
// starts the next. Values address the map from its top; wider values keep
// their top eight bits, up to 48 bits a pel. Direct colour: the nearest
// shown entry of the default map (grey 64 at 32, 96 at 48, 255 at 127).
TEST(Incremental, PelColoursComeFromTheDataBits) {
    EXPECT_TRUE(draws(at44(3) + inc(8, words({0x3F, 0x32, 0x00, 0x30})),
                      "............ ....ff2233.. ....ff2233.. ....ff2233.. ............ "
                      "............ ............ ............"));
    EXPECT_EQ(row4(drawn(12, 8, at44(3) + inc(4, bits(0x12F, 12)))), "12f0");
    EXPECT_EQ(row4(drawn(12, 8, at44(3) + inc(16, bits(0x2345FFFF00FFULL, 48)))), "2f00");
    EXPECT_EQ(row4(drawn(12, 8, at44(3) + inc(48, bits(0x5A0000000000ULL, 48)))), "5000");
    std::string d = grb(64, 64, 64, 8) + grb(97, 95, 96, 8) + grb(255, 255, 255, 8);
    EXPECT_EQ(row4(drawn(12, 8, at44(1) + inc(24, d))), "2370");
}

// A field of 6 x 6 pixels at (10, 10): three pels a row, the next row one
// pel up (or, with a negative pel width, leftwards from the right edge);
// one pel a row: the fourth row scrolls the field one pel, up at the top
// edge, down at the bottom with a negative pel height.
TEST(Incremental, RowsWrapInTheFieldAndScrollIt) {
    const std::string field = "reset domain colour=3 text; domain pel=2,2; field 10 10 6 6";
    Grid g = drawn(20, 20, field + inc(6, words({4, 8, 12, 12, 8, 4, 4})));
    EXPECT_EQ(cells(g, {{10, 10},
                        {12, 10},
                        {14, 10},
                        {16, 10},
                        {10, 12},
                        {12, 12},
                        {14, 12},
                        {10, 14},
                        {12, 15}}),
              "123032110");
    Grid h = drawn(20, 20,
                   "reset domain colour=3 text; domain pel=-2,2; field 10 10 6 6;"
                   "point-set 14 10" +
                       inc(6, words({4, 8, 12})));
    EXPECT_EQ(cells(h, {{14, 10}, {12, 10}, {16, 12}, {15, 12}, {10, 10}}), "12330");
    Grid u = drawn(20, 20,
                   "reset domain colour=3 text; domain pel=2,2; field 10 10 2 6" +
                       inc(6, words({4, 8, 12, 4})));
    EXPECT_EQ(cells(u, {{10, 14}, {10, 12}, {10, 10}, {14, 10}}), "1320");
    Grid d = drawn(20, 22,
                   "reset domain colour=3 text; domain pel=2,-2; field 10 10 2 8;"
                   "point-set 10 16" +
                       inc(6, words({4, 8, 12, 4})));
    EXPECT_EQ(cells(d, {{10, 12}, {10, 14}, {10, 16}, {10, 18}}), "1321");
    // At 640 pixels a unit screen pels are placed at the scale 512.
    Grid s = drawn(24, 12, at44(3) + "; point-set 4 2" + inc(6, "000100"), 640);
    EXPECT_EQ(cells(s, {{8, 4}, {7, 4}}), "10");
}

// A run goes on across INCREMENTAL POINT instructions, but starts again at
// the drawing point after another instruction. Batches of eight words stop
// inside a row (8-bit pels, two a row, rows padded to a word); in direct
// colour a batch of nine words ends inside a pel (9 bits) or in a padding
// (3 bits), and the next goes on.
TEST(Incremental, RunsContinueAcrossInstructionsAndBatches) {
    EXPECT_EQ(row4(drawn(12, 8, at44(3) + inc(6, "000100") + inc(6, "001000"))), "1200");
    EXPECT_EQ(row4(drawn(12, 8, at44(3) + inc(6, "000100") + "select 128" + inc(6, "001000"))),
              "2000");
    std::string m;
    for (int row = 0; row < 3; row++) m += pad(bits(32 * row + 16, 8) + bits(32 * row + 32, 8));
    Grid g =
        drawn(20, 22, "reset domain colour=3 text; domain pel=2,2; field 10 10 4 10" + inc(8, m));
    EXPECT_EQ(cells(g, {{10, 10}, {12, 10}, {10, 12}, {12, 12}, {10, 14}, {12, 14}, {14, 10}}),
              "1234560");
    const int grbOf[5][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {0, 1, 1}};
    for (int each : {3, 1}) {
        resetState();
        TestSurface t(20, 26);
        ASSERT_EQ(t.open(), 0);
        t.playArea(256);
        t.play("reset domain colour=1 text; domain pel=2,2; field 10 10 2 12");
        int full = (1 << each) - 1;
        std::string data;
        for (int k = 0; k < 5; k++) {
            int g = grbOf[k][0] * full, r = grbOf[k][1] * full, b = grbOf[k][2] * full;
            ip.MapValueG[16 * (k + 1)] = g;  // entries 16 .. 80 take these colours
            ip.MapValueR[16 * (k + 1)] = r;
            ip.MapValueB[16 * (k + 1)] = b;
            data += pad(grb(g, r, b, each));
        }
        t.play(inc(3 * each, data));
        EXPECT_EQ(cells(t.grid(), {{10, 10}, {10, 12}, {10, 14}, {10, 16}, {10, 18}}), "12345")
            << each;
    }
}

// Bit counts outside 1..48 or no colour mode are refused before anything is
// touched; half a pel at the end is dropped and words past the batch are
// not read; pels, fields and counts of any size stay bounded.
TEST(Incremental, RefusedAndHostileDataDrawNothingAndStayBounded) {
    EXPECT_TRUE(draws(at44(3) + inc(63, std::string(420, '1')),
                      "............ ............ ............ ............ ............"));
    resetState();
    TestSurface t(12, 8);
    ASSERT_EQ(t.open(), 0);
    t.playArea(256);
    t.play(at44(3));
    const int map = ras.pen.ColorMod;
    std::vector<int32_t> rec(DATA_SIZE, 0x3F);
    for (auto [n, mode] : {std::pair{0, map}, {-1, map}, {49, map}, {1000, map}, {6, 3}}) {
        ras.pen.ColorMod = mode;
        rec[0] = 8;
        rec[1] = n;
        EXPECT_EQ(PDI_incpoint(rec.data()), 0) << n;
    }
    ras.pen.ColorMod = map;
    rec[0] = 3;  // twelve bits of an 8-bit count
    rec[1] = 8;
    rec[2] = 0x04;
    rec[3] = 0x00;
    EXPECT_EQ(PDI_incpoint(rec.data()), 2);
    EXPECT_EQ(cells(t.grid(), {{4, 4}, {6, 4}}), "10");
    const std::array<int32_t, 4> cases[] = {// pel, field edges, drawing point
                                            {0, 0, 8 << 15, 2 << 15},
                                            {INT32_MAX, 0, 8 << 15, 2 << 15},
                                            {INT32_MIN, 0, 8 << 15, 2 << 15},
                                            {2 << 15, INT32_MIN, INT32_MAX, INT32_MAX},
                                            {2 << 15, 4 << 15, 4 << 15, 4 << 15}};
    for (auto [pel, lo, hi, x] : cases) {
        ras.pen.LogPelX = ras.pen.LogPelY = pel;
        ras.pen.PhyPelX = ras.pen.PhyPelY = logtophy(pel);
        ip.Act_L = ip.Act_B = lo;
        ip.Act_R = ip.Act_T = hi;
        ip.LogDrawX = ip.IncDrawX = ip.LogDrawY = ip.IncDrawY = x;
        std::vector<int32_t> hostile(DATA_SIZE, 0x2A);
        hostile[1] = 1;
        for (int32_t l : {INT32_MAX, DATA_SIZE, 1024, 3, 1, 0, -7}) {
            hostile[0] = l;
            int used = PDI_incpoint(hostile.data());
            EXPECT_TRUE(used >= 0 && used <= DATA_MAX_VALUES) << used;
        }
    }
    EXPECT_TRUE(onlyCells(t));
}

}  // namespace
}  // namespace naplps::ptest
