// INCREMENTAL POINT from stream bytes on exact pixels: pel colours from the
// data bits, rows in the active field and scrolling at its edge, the scale
// of 512, runs across batches and instructions, and refused or hostile data.
#include <array>

#include "interp/arc.h"
#include "tests/test_arc_stream.h"

namespace naplps {
namespace {

using namespace arctest;

// Bit strings: n bits of a value, most significant first; zero bits up to
// the next six-bit word; the six-bit data words.
std::string bits(uint64_t v, int n) {
    std::string s;
    for (int i = n - 1; i >= 0; i--) s += char('0' + ((v >> i) & 1));
    return s;
}
std::string pad(std::string s) { return s.append((6 - s.size() % 6) % 6, '0'); }
std::vector<int> words(const std::string &b) {
    std::vector<int> w(b.size() / 6);
    for (size_t i = 0; i < w.size() * 6; i++) w[i / 6] = (w[i / 6] << 1) | (b[i] - '0');
    return w;
}
// Direct-colour bits: G, R, B dealt in turn, `each` bits of each.
std::string grb(int g, int r, int b, int each) {
    std::string s;
    for (int i = each - 1; i >= 0; i--)
        for (int c : {g, r, b}) s += char('0' + ((c >> i) & 1));
    return s;
}

// INCREMENTAL POINT with n bits a pel and the given data words; FIELD in pixels.
Stream incpoint(Stream s, int n, const std::vector<int> &data) {
    s.op(OP_INCPOINT).operand(n);
    for (int w : data) s.operand(w);
    return s;
}
Stream field(Stream s, int x, int y, int w, int h) { return s.op(OP_FIELD).xy(x, y).xy(w, h); }
// A 2 x 2 pel at (4, 4) in colour-map (3) or direct-colour (1) mode.
Stream at44(int mode) { return Stream().start(mode, 2, 2).moveTo(4, 4); }
// The cells at x = 4, 6, 8, 10 on row 4.
std::string row4(const Grid &g) { return cells(g, {{4, 4}, {6, 4}, {8, 4}, {10, 4}}); }

using Incremental = GeoTest;

TEST_F(Incremental, PelColoursComeFromTheDataBits) {
    // 8 bits: 0x3F and the top two bits of 0x32 make 0xFF, the rest of 0x32 starts the next.
    EXPECT_TRUE(pictureIs(picture(12, 8, incpoint(at44(3), 8, {0x3F, 0x32, 0x00, 0x30}).end()),
                          {"............", "....ff2233..", "....ff2233..", "....ff2233..",
                           "............", "............", "............", "............"}));
    EXPECT_EQ(ras.pen.ForColor, 128);  // the colour of the instructions is back
    EXPECT_EQ((Ints{ip.LogDrawX, ip.IncDrawX}), (Ints{L(8), L(8)}));  // at the last pel
    // Values address the map from its top: 4 bits 1, 2, 15 are 16, 32, 240;
    // wider values keep their top eight bits, up to 48 bits a pel.
    const std::tuple<int, std::string, const char *> cases[] = {
        {4, bits(0x12F, 12), "12f0"},
        {16, bits(0x2345, 16) + bits(0xFFFF, 16) + bits(0x00FF, 16), "2f00"},
        {48, bits(0x5A0000000000ULL, 48), "5000"}};
    for (auto &[n, b, expected] : cases)
        EXPECT_EQ(row4(picture(12, 8, incpoint(at44(3), n, words(b)).end())), expected) << n;
    // Direct colour, 8 bits of G, R and B: the nearest entry of the default
    // map (grey 64 at index 32, 96 at 48, 255 at 127).
    std::string b = grb(64, 64, 64, 8) + grb(97, 95, 96, 8) + grb(255, 255, 255, 8);
    EXPECT_EQ(row4(picture(12, 8, incpoint(at44(1), 24, words(b)).end())), "2370");
    EXPECT_EQ(ras.pen.ColorNo / 16, 7);  // the last pel's entry
    EXPECT_EQ((Ints{ip.DrawValueG, ip.DrawValueR, ip.DrawValueB}), (Ints{255, 255, 255}));
}

TEST_F(Incremental, RowsWrapToTheFarEdgeOfTheFieldAndScrollItAtTheScale512) {
    // Field 10..16 square, three pels a row; the next row starts one pel further.
    Grid g = picture(
        20, 20,
        incpoint(field(Stream().start(3, 2, 2), 10, 10, 6, 6), 6, {4, 8, 12, 12, 8, 4, 4}).end());
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
    EXPECT_EQ((Ints{ip.LogDrawX, ip.LogDrawY}), (Ints{L(10), L(14)}));
    // A negative pel width runs leftwards and wraps to the right edge.
    Grid h = picture(
        20, 20,
        incpoint(field(Stream().start(3).domain(-2, 2), 10, 10, 6, 6).moveTo(14, 10), 6, {4, 8, 12})
            .end());
    EXPECT_EQ(cells(h, {{14, 10}, {12, 10}, {16, 12}, {15, 12}, {10, 10}}), "12330");
    EXPECT_EQ(ip.LogDrawX, L(16));
    // One pel a row: the fourth row leaves the field, which scrolls one pel,
    // up at the top edge or down at the bottom.
    Grid u = picture(
        20, 20, incpoint(field(Stream().start(3, 2, 2), 10, 10, 2, 6), 6, {4, 8, 12, 4}).end());
    EXPECT_EQ(cells(u, {{10, 14}, {10, 12}, {10, 10}, {14, 10}}), "1320");
    EXPECT_EQ(ip.LogDrawY, L(14));
    Grid d = picture(20, 22,
                     incpoint(field(Stream().start(3).domain(2, -2), 10, 10, 2, 8).moveTo(10, 16),
                              6, {4, 8, 12, 4})
                         .end());
    EXPECT_EQ(cells(d, {{10, 12}, {10, 14}, {10, 16}, {10, 18}}), "1321");
    EXPECT_EQ(ip.LogDrawY, L(12));
    // At 640 pixels per unit screen pels are placed at the power-of-two scale 512.
    auto t = window(24, 12);
    pdi_ctl(0, 0, 0, 0, 640);
    t->feed(incpoint(Stream().start(3, 2, 2).moveTo(8, 4), 6, {4}).end().bytes);
    EXPECT_EQ(ras.pen.Scr_Ratio, 640);
    EXPECT_EQ(cells(t->grid(), {{8, 4}, {7, 4}}), "10");  // 8 pixels at 512 per unit, not 10
    EXPECT_EQ((Ints{ip.PhyDrawX, ip.PhyDrawY}),
              (Ints{10, 5}));  // the drawing point at the real scale
}

TEST_F(Incremental, RunsContinueAcrossInstructionsAndBatchesUnlessAnotherInstructionComesBetween) {
    EXPECT_EQ(row4(picture(12, 8, incpoint(incpoint(at44(3), 6, {4}), 6, {8}).end())),
              "1200");  // one pel on
    EXPECT_EQ(row4(picture(12, 8, incpoint(incpoint(at44(3), 6, {4}).select(128), 6, {8}).end())),
              "2000");  // again at the drawing point
    // 8-bit pels, two a row, rows padded to a word: batches of eight words
    // stop inside a row, and the last batch draws the two rows left.
    std::string m;
    for (int row = 0; row < 3; row++)
        m += pad(bits(uint64_t(32 * row + 16), 8) + bits(uint64_t(32 * row + 32), 8));
    Grid g =
        picture(20, 22, incpoint(field(Stream().start(3, 2, 2), 10, 10, 4, 10), 8, words(m)).end());
    EXPECT_EQ(cells(g, {{10, 10}, {12, 10}, {10, 12}, {12, 12}, {10, 14}, {12, 14}, {14, 10}}),
              "1234560");
    // Direct colour, one pel a row padded to a word: 9 bits (a batch of nine
    // words ends inside the fifth pel) or 3 bits (a batch ends in a padding).
    for (int each : {3, 1}) {
        auto t = window(20, 26);
        t->feed(field(Stream().start(1, 2, 2), 10, 10, 2, 12).end().bytes);
        const int full = (1 << each) - 1,
                  colour[5][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {0, 1, 1}};
        std::string d;
        for (int k = 0; k < 5; k++) {
            const int g = colour[k][0] * full, r = colour[k][1] * full, b = colour[k][2] * full;
            ip.MapValueG[16 * (k + 1)] = g;
            ip.MapValueR[16 * (k + 1)] = r;
            ip.MapValueB[16 * (k + 1)] = b;
            d += pad(grb(g, r, b, each));
        }
        t->feed(incpoint(Stream(), 3 * each, words(d)).end().bytes);
        EXPECT_EQ(cells(t->grid(), {{10, 10}, {10, 12}, {10, 14}, {10, 16}, {10, 18}}), "12345")
            << each;
        EXPECT_EQ(ip.LogDrawY, L(18));
    }
}

TEST_F(Incremental, RefusedIncompleteAndHostileDataDrawNothingAndStayBounded) {
    auto t = window(12, 8);
    t->feed(at44(3).end().bytes);
    ras.pen.Scr_Ratio = 640;
    const int map = ras.pen.ColorMod;
    std::vector<int32_t> rec(DATA_SIZE, 0x3F);
    for (auto [n, mode] :
         {std::pair{0, map}, {-1, map}, {49, map}, {63, map}, {1000, map}, {6, 3}}) {
        ras.pen.ColorMod = mode;  // a bit count outside 1..48, or no such colour mode
        rec[0] = 8;
        rec[1] = n;
        EXPECT_EQ(PDI_incpoint(rec.data()), 0) << n;
        EXPECT_EQ(ras.pen.Scr_Ratio, 640);  // not even the scale is touched
    }
    ras.pen.ColorMod = map;
    t->feed(incpoint(Stream(), 63, std::vector<int>(70, 0x3F)).end().bytes);
    EXPECT_TRUE(pictureIs(t->grid(), ptest::blank(12, 8)));
    EXPECT_EQ(ip.LogDrawX,
              L(4));  // Twelve bits of an 8-bit count: the half pel is dropped, and the words
    // past the batch (all set) are not read.
    rec[0] = 3;
    rec[1] = 8;
    rec[2] = 0x04;
    rec[3] = 0x00;
    EXPECT_EQ(PDI_incpoint(rec.data()), 2);
    EXPECT_EQ(cells(t->grid(), {{4, 4}, {6, 4}}), "10");
    EXPECT_EQ(ip.LogDrawX, L(4));
    rec[0] = 7;
    rec[1] = 6;
    EXPECT_EQ(PDI_incpoint(rec.data()), 6 + 1);  // a full batch uses every word
    EXPECT_EQ(ip.LogDrawX, L(16));
    // Pels of no size or of any size, huge and empty fields, bad counts.
    const std::array<int32_t, 4> cases[] = {// pel, field edges, drawing point
                                            {0, 0, L(8), L(2)},
                                            {INT32_MAX, 0, L(8), L(2)},
                                            {INT32_MIN, 0, L(8), L(2)},
                                            {L(2), INT32_MIN, INT32_MAX, INT32_MAX},
                                            {L(2), L(4), L(4), L(4)}};
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
            const int used = PDI_incpoint(hostile.data());
            EXPECT_TRUE(used >= 0 && used <= DATA_MAX_VALUES) << used;
        }
    }
    EXPECT_TRUE(ptest::onlyCells(*t));
}

}  // namespace
}  // namespace naplps
