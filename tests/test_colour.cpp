// The colour map and the colour instructions through the dispatcher and
// the byte stream: the default map, SET COLOR in both modes, SELECT COLOR's
// index scaling, BLINK as the blink step advances it, on a memory surface:
// the palette is the colour each of its 16 cells shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "decoder/c1.h"
#include "interp/interp.h"
#include "nxg/nxgfnt.h"
#include "raster/raster.h"
#include "raster/texture.h"
#include "text/text.h"
#include "interp/colour.h"
#include "interp/state.h"
#include "interp/blink.h"
#include "nxg/nxg.h"

using namespace naplps;

namespace {

using RGB = std::array<int, 3>;

void runRecord(int opcode, std::vector<int32_t> values) {
    values.insert(values.begin(), int32_t(values.size()));
    values.resize(DATA_SIZE);
    exec_instruction(opcode, values.data());
}
void run(int opcode, std::initializer_list<int32_t> values) { runRecord(opcode, values); }
void selectFg(int32_t fg) { run(OP_SELECTCOLOR, {fg}); }

// Load-time state, a memory surface, the lengths of RESET's domain group,
// the default map.
void fresh() {
    pdi_load_state();
    int id = -1;
    ASSERT_EQ(pdi_win_open(&id, 0, nullptr, nullptr, 16, 16), 0);
    ras.pen.Scr_Ratio = 512;
    dec.SngLen = 1;
    dec.MulLen = 3;
    set_operand_lengths(1, 3);
    run(OP_RESET, {0, 1, 0, 0, 0, 0, 0, 0, 0});
}
RGB entry(int i) { return {ip.MapValueR[i], ip.MapValueG[i], ip.MapValueB[i]}; }
// The colour that index i shows on the surface now.
RGB shown(int i) {
    const uint8_t *c = nxg.NXG_win_tbl[nxg.SW1_id].NEW_color_tbl2[NXG_ec_to_wc(i)];
    return {c[0], c[1], c[2]};
}
int usedCount() {
    return int(std::count(std::begin(ip.UsedColorMap), std::end(ip.UsedColorMap), 1));
}
std::vector<RGB> map() {
    std::vector<RGB> m;
    for (int i = 0; i < 256; i++) m.push_back(entry(i));
    return m;
}
void ticks(int n) {
    while (n-- > 0) blink_tick();
}

}  // namespace

TEST(Colour, DefaultMapAndResetCodes) {
    fresh();
    // Greys, hues, and entries interpolated between them; every cell shows its entry.
    const std::pair<int, RGB> rows[] = {{1, {2, 2, 2}},
                                        {127, {255, 255, 255}},
                                        {144, {191, 0, 255}},
                                        {133, {151, 128, 255}},
                                        {255, {0, 51, 255}}};
    for (auto &[i, rgb] : rows) EXPECT_EQ(entry(i), rgb) << "index " << i;
    for (int k = 0; k < 16; k++) EXPECT_EQ(shown(16 * k), entry(16 * k)) << "cell " << k;
    const int mode[3] = {0, 1, 1}, fore[3] = {64, 64, 128};  // ForColor kept by code 1
    for (int code = 1; code <= 3; code++) {
        selectFg(0x10);
        run(OP_RESET, {0, code, 0, 0, 0, 0, 0, 0, 0});
        EXPECT_EQ((std::vector<int>{ras.pen.ColorMod, ras.pen.ForColor}),
                  (std::vector<int>{mode[code - 1], fore[code - 1]}));
    }
}

// Direct colour takes the lowest free entry that a cell shows (entry 1 would
// be drawn in the colour of entry 0), matches exactly, and once all sixteen
// are used takes the nearest without changing any.
TEST(Colour, SetColourInDirectModeUsesOnlyTheShownEntries) {
    fresh();
    run(OP_SETCOLOR, {63, 0, 0});
    run(OP_SETCOLOR, {63, 0, 0});  // G, R, B
    EXPECT_EQ(ras.pen.ColorNo, 0);
    run(OP_SETCOLOR, {0, 0, 32});
    EXPECT_EQ(ras.pen.ColorNo, 16);
    EXPECT_EQ((std::vector<RGB>{shown(0), shown(16)}),
              (std::vector<RGB>{{0, 252, 0}, {0, 0, 128}}));
    EXPECT_EQ(usedCount(), 2);
    selectFg(1);
    run(OP_SETCOLOR, {0, 63, 0});  // index 4 draws in cell 0: entry 0 takes the colour too
    run(OP_SELECTCOLOR, {});
    run(OP_SETCOLOR, {0, 63, 0});
    EXPECT_EQ(ras.pen.ColorNo, 0);  // and is matched there
    run(OP_SETCOLOR, {0, 32, 0});
    EXPECT_EQ(ras.pen.ColorNo, 32);
    fresh();
    for (int k = 0; k < 16; k++) run(OP_SETCOLOR, {4 * k, 1, 0});
    const std::vector<RGB> before = map();
    // Exact, nearest, and at equal distances (G 40 between 32 and 48) the lower.
    const struct {
        int mul;
        std::vector<int32_t> gbr;
        int index;
    } cases[] = {{3, {8, 1, 0}, 32},
                 {3, {9, 1, 1}, 32},
                 {3, {63, 63, 63}, 240},
                 {4, {40, 4, 0}, 32},
                 {4, {41, 4, 0}, 48}};
    for (auto &c : cases) {
        set_operand_lengths(ip.SngLen, c.mul);
        runRecord(OP_SETCOLOR, c.gbr);
        EXPECT_EQ(ras.pen.ColorNo, c.index) << c.gbr[0];
    }
    EXPECT_EQ(map(), before);
}

TEST(Colour, ComponentsScaleWithTheMultiValueLengthAndDistancesDoNotWrap) {
    fresh();
    // Components as wide as incremental points deliver: squares beyond 64 bits.
    EXPECT_EQ(entry(nearestColour(int64_t(1) << 40, 0, 0)),
              (RGB{63, 255, 0}));                                    // the greenest shown entry
    EXPECT_EQ(nearestColour(INT64_MAX, INT64_MAX, INT64_MAX), 112);  // the lightest grey shown
    EXPECT_EQ(nearestColour(INT64_MIN, INT64_MIN, INT64_MIN), 0);
    // DOMAIN with multi-value length 4, then SET COLOR G 0x12, R 0x34, B 0x56.
    const uint8_t bytes[] = {0xA1, 0xCC, 0xBC, 0xC1, 0xD7, 0xC3, 0xE8, 0xA0};
    pdi_put(0, bytes, sizeof bytes);
    EXPECT_EQ(entry(0), (RGB{0x34, 0x12, 0x56}));
    set_operand_lengths(ip.SngLen, 6);  // 12 bits per component
    EXPECT_EQ(topallet(0xFFF), 0xFF);
}

TEST(Colour, ColourMapModeAndSelectColourIndexScaling) {
    fresh();
    selectFg(0x10);
    run(OP_SETCOLOR, {0, 63, 0});  // ForColor 64
    EXPECT_EQ(shown(64), (RGB{252, 0, 0}));
    selectFg(0x11);
    run(OP_SETCOLOR, {63, 63, 63});  // 68 draws in cell 4: entry 64 and the cell take the colour
    EXPECT_EQ((std::vector<RGB>{entry(68), entry(64), shown(68)}),
              std::vector<RGB>(3, {252, 252, 252}));
    const std::vector<RGB> before = map();
    for (int32_t bad : {-1, 256, 100000}) {  // a foreground outside the map changes nothing
        ras.pen.ForColor = bad;
        run(OP_SETCOLOR, {1, 2, 3});
        run(OP_BLINK, {0, 5, 5, 0});
    }
    EXPECT_EQ(map(), before);
    const struct {
        int sng;
        std::vector<int32_t> values;
        int mode, fore, back;
    } cases[] = {
        {1, {0x10}, 1, 64, 0},      {2, {0x400, 0xFFF}, 2, 64, 255}, {3, {0x20000}, 1, 128, 0},
        {4, {0x800000}, 1, 128, 0}, {4, {1, 2, 3}, 1, 128, 0},  // three values: nothing
        {4, {}, 0, 128, 0},                                     // none: direct colour
    };
    for (auto &c : cases) {
        set_operand_lengths(c.sng, ip.MulLen);
        runRecord(OP_SELECTCOLOR, c.values);
        EXPECT_EQ((std::vector<int>{ras.pen.ColorMod, ras.pen.ForColor, ras.pen.BakColor}),
                  (std::vector<int>{c.mode, c.fore, c.back}));
    }
    const uint8_t bytes[] = {0xBE, 0xC5, 0xC6,
                             0xA0};  // through the byte stream: SELECT COLOR 0x45 0x46
    dec.SngLen = 1;
    set_operand_lengths(1, ip.MulLen);
    pdi_put(0, bytes, 4);
    EXPECT_EQ((std::vector<int>{ras.pen.ColorMod, ras.pen.ForColor, ras.pen.BakColor}),
              (std::vector<int>{2, 20, 24}));
}

// An encoder selects colours by two-byte single values 0x120 apart (indices
// 18, 36, 54): the colour SET COLOR gives each reaches the cell it draws in,
// and only that cell.
TEST(Colour, ColoursOfIndicesBetweenTheShownOnesReachTheirCells) {
    fresh();
    const std::vector<RGB> before = map();
    dec.SngLen = 2;
    set_operand_lengths(2, ip.MulLen);
    const uint8_t stream[] = {0xBE, 0xC4, 0xE0, 0xBC, 0xF6, 0xF6, 0xF6,  // 0x120: 18, yellow
                              0xBE, 0xC9, 0xC0, 0xBC, 0xD2, 0xD2, 0xD2,  // 0x240: 36, red
                              0xBE, 0xCD, 0xE0, 0xBC, 0xC9, 0xC9, 0xC9,  // 0x360: 54, blue
                              0x00};
    pdi_put(0, stream, sizeof stream);
    EXPECT_EQ((std::vector<RGB>{shown(18), shown(36), shown(54)}),
              (std::vector<RGB>{{252, 252, 0}, {252, 0, 0}, {0, 0, 252}}));
    std::vector<RGB> after = map();
    for (int i : {16, 18, 32, 36, 48, 54}) after[size_t(i)] = before[size_t(i)];
    EXPECT_EQ(after, before);  // no other entry changed
    for (int k = 4; k < 16; k++) EXPECT_EQ(shown(16 * k), entry(16 * k)) << "cell " << k;
}

// Delays count in ticks from the last process defined, or from entry 0
// after load; on and off phases follow as the blink step advances.
TEST(Blink, ProcessesCountRelativeToTheLastDefined) {
    fresh();
    selectFg(4);
    run(OP_BLINK, {0, 3, 5, 4});
    EXPECT_EQ(ip.BTCount[16], 4);
    const RGB own = entry(16), to = entry(0);
    stopblink();
    run(OP_BLINK, {0, 5, 5, 0});  // on at the first tick for 5 ticks
    EXPECT_EQ((std::vector<int>{ip.BTFlag[16], ip.BTCount[16], ip.LRDefine}),
              (std::vector<int>{3, 1, 16}));
    const std::vector<std::pair<int, RGB>> phases = {{1, to}, {4, to}, {1, own}};
    for (auto &[n, want] : phases) EXPECT_EQ((ticks(n), shown(16)), want) << n;
    stopblink();
    run(OP_BLINK, {0, 5, 5, 0});
    ticks(3);  // two ticks into its on phase
    selectFg(8);
    run(OP_BLINK, {0, 5, 5, 4});
    EXPECT_EQ(ip.BTCount[32], 3);
    EXPECT_EQ((ticks(3), ip.BTFlag[32]), 1);  // on at the end of its count
    // A delay shorter than the time since 32 turned on: its next on phase.
    selectFg(12);
    ip.BTCount[32] = 2;
    run(OP_BLINK, {0, 5, 5, 1});
    EXPECT_EQ(ip.BTCount[48],
              2 + 5 + 1);  // Relative to a process that waits to turn on: its count plus the delay.
    selectFg(16);
    ip.BTCount[48] = 250;
    run(OP_BLINK, {0, 5, 5, 63});
    EXPECT_EQ(ip.BTCount[64], (250 + 63) % 256);  // kept modulo 256
}

// On time 0 cancels only with the same blink-to colour; no values or two
// groups always; RESET's blink group ends every process.
TEST(Blink, CancelAndStopRestoreTheEntries) {
    fresh();
    selectFg(4);
    const RGB own = entry(16);
    const std::vector<std::vector<int32_t>> cancels = {{8, 0, 5, 0}, {}, {0, 5, 5, 0, 0, 5, 5, 0}};
    for (auto &c : cancels) {
        stopblink();
        run(OP_BLINK, {0, 5, 5, 0});
        ticks(1);
        ASSERT_EQ(shown(16), entry(0));
        if (c.size() == 4) runRecord(OP_BLINK, c);
        EXPECT_EQ(ip.BTFlag[16], c.size() == 4 ? 3 : 1);
        runRecord(OP_BLINK, c);
        EXPECT_TRUE(ip.BTFlag[16] == 0 && shown(16) == own);
    }
    run(OP_BLINK, {0, 5, 5, 0});
    selectFg(8);
    run(OP_BLINK, {0, 5, 5, 3});
    ticks(1);
    run(OP_RESET, {0, 0, 0, 0, 1, 0, 0, 0, 0});
    EXPECT_TRUE(ip.LRDefine == -1 &&
                std::count(std::begin(ip.BTFlag), std::end(ip.BTFlag), 0) == 256);
    EXPECT_EQ((ticks(10), shown(16)), own);
}
