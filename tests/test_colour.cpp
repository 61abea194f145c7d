// The colour map and the colour instructions through the dispatcher and
// the byte stream: the default map, SET COLOR in both modes, SELECT COLOR's
// index scaling, BLINK with the blink table as the driver's blink step
// advances it. No window is open: the palette is read from the driver's
// shadow of its colour cells, with colour index i shown by cell i / 16.
#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/executors.h"
#include "interp/colour.h"
#include "interp/state.h"
#include "nxg/nxg.h"
#include "raster/raster.h"

using namespace naplps;

namespace {

using RGB = std::array<int, 3>;

void fresh() {
    core_load_state();
    nxg_load_state();
    ras = Raster{};
    ip.Scr_Ratio = 512;
    dec.SngLen = 1;  // the lengths of RESET's domain group
    dec.MulLen = 3;
    // Cell k of the palette is pixel k here.
    for (int i = 0; i < 256; i++) nxg.NXG_wc_tbl[i] = uint8_t(i / 16);
}

// Runs one instruction with the given values through the dispatcher.
void run(int opcode, std::initializer_list<int32_t> values) {
    std::vector<int32_t> rec(DATA_SIZE, 0);
    rec[0] = int32_t(values.size());
    int k = 1;
    for (int32_t v : values) rec[k++] = v;
    pdi(opcode, rec.data());
}

void resetColours(int code) { run(OP_RESET, {0, code, 0, 0, 0, 0, 0, 0, 0}); }

RGB entry(int i) { return {ip.MapValueR[i], ip.MapValueG[i], ip.MapValueB[i]}; }
RGB cell(int k) { return {nxg.NEW_color_tbl2[k][0], nxg.NEW_color_tbl2[k][1], nxg.NEW_color_tbl2[k][2]}; }

int usedCount() {
    int n = 0;
    for (int v : ip.UsedColorMap) n += v;
    return n;
}

// The colour shown now by the palette cell of index i.
RGB shown(int i) { return cell(i / 16); }

}  // namespace

TEST(ColourMap, DefaultRowsAndTheSixteenShownColours) {
    fresh();
    resetColours(1);
    const std::vector<std::pair<int, RGB>> rows = {
        {0, {0, 0, 0}},         {16, {32, 32, 32}},    {32, {64, 64, 64}},     {48, {96, 96, 96}},
        {64, {128, 128, 128}},  {80, {160, 160, 160}}, {96, {192, 192, 192}},  {112, {224, 224, 224}},
        {127, {255, 255, 255}}, {126, {252, 252, 252}}, {1, {2, 2, 2}},
        {128, {0, 0, 255}},     {144, {191, 0, 255}},  {160, {255, 0, 127}},   {176, {255, 63, 0}},
        {192, {255, 255, 0}},   {208, {63, 255, 0}},   {224, {0, 255, 127}},   {240, {0, 191, 255}},
        {129, {128, 128, 255}}, {130, {0, 0, 191}},    {133, {151, 128, 255}}, {152, {255, 0, 225}},
        {172, {255, 12, 0}},    {201, {208, 255, 128}}, {255, {0, 51, 255}},
    };
    for (auto &[i, rgb] : rows) EXPECT_EQ(entry(i), rgb) << "index " << i;
    for (int k = 0; k < 16; k++) EXPECT_EQ(cell(k), entry(16 * k)) << "cell " << k;
    EXPECT_EQ(usedCount(), 0);
    EXPECT_EQ(ip.ColorMod, 0);
    EXPECT_EQ(ip.ColorNo, 128);
}

TEST(ColourMap, ResetColourCodesSetTheMode) {
    fresh();
    run(OP_SELECTCOLOR, {0x10});
    resetColours(1);
    EXPECT_EQ(ip.ColorMod, 0);
    EXPECT_EQ(ip.ColorNo, 128);
    EXPECT_EQ(ip.DrawValueG, 255);
    run(OP_SELECTCOLOR, {0x10});
    resetColours(2);
    EXPECT_EQ(ip.ColorMod, 1);
    EXPECT_EQ(ip.ForColor, 64);
    resetColours(3);
    EXPECT_EQ(ip.ColorMod, 1);
    EXPECT_EQ(ip.ForColor, 128);
}

TEST(SetColour, DirectModeTakesTheLowestFreeShownEntryAndMatchesExactly) {
    fresh();
    resetColours(1);
    run(OP_SETCOLOR, {63, 0, 0});  // G, R, B
    EXPECT_EQ(entry(0), (RGB{0, 252, 0}));
    EXPECT_EQ(ip.ColorNo, 0);
    EXPECT_EQ(cell(0), (RGB{0, 252, 0}));
    EXPECT_EQ(ip.DrawValueG, 252);

    run(OP_SETCOLOR, {63, 0, 0});
    EXPECT_EQ(ip.ColorNo, 0);
    EXPECT_EQ(usedCount(), 1);

    // A second colour goes to the next entry that a cell shows (entry 1
    // would be drawn in the colour of entry 0).
    run(OP_SETCOLOR, {0, 0, 32});
    EXPECT_EQ(ip.ColorNo, 16);
    EXPECT_EQ(entry(16), (RGB{0, 0, 128}));
    EXPECT_EQ(cell(1), (RGB{0, 0, 128}));
    EXPECT_EQ(cell(0), (RGB{0, 252, 0}));
    EXPECT_EQ(entry(1), (RGB{2, 2, 2}));
    EXPECT_EQ(usedCount(), 2);

    // An entry defined in colour-map mode that no cell shows is not matched.
    run(OP_SELECTCOLOR, {1});  // ForColor 4
    run(OP_SETCOLOR, {0, 63, 0});
    run(OP_SELECTCOLOR, {});
    run(OP_SETCOLOR, {0, 63, 0});
    EXPECT_EQ(ip.ColorNo, 32);
    EXPECT_EQ(cell(2), (RGB{252, 0, 0}));
}

TEST(SetColour, ComponentsScaleWithTheMultiValueLength) {
    fresh();
    resetColours(1);
    // Through the byte stream: DOMAIN with MulLen 4 (8-bit components), then
    // SET COLOR with the components 0x12, 0x34, 0x56.
    dec.MulLen = 3;
    const uint8_t domain[] = {0xA1, 0xCC};  // multi-value length 4
    pdi_put(0, domain, 2);
    // Bits dealt G, R, B from bit 5 of each operand byte.
    auto encode = [](int g, int r, int b, int bytes) {
        std::vector<uint8_t> out;
        int bits = 2 * bytes;
        for (int k = 0; k < bytes; k++) {
            int v = 0;
            for (int j = 0; j < 2; j++) {
                int shift = bits - 1 - (2 * k + j);
                v = (v << 3) | (((g >> shift) & 1) << 2) | (((r >> shift) & 1) << 1) | ((b >> shift) & 1);
            }
            out.push_back(uint8_t(0xC0 | v));
        }
        return out;
    };
    std::vector<uint8_t> bytes = {0xBC};
    for (uint8_t b : encode(0x12, 0x34, 0x56, 4)) bytes.push_back(b);
    bytes.push_back(0xA0);  // the next instruction ends the operands
    pdi_put(0, bytes.data(), int(bytes.size()));
    EXPECT_EQ(dec.MulLen, 4);
    EXPECT_EQ(entry(0), (RGB{0x34, 0x12, 0x56}));
    EXPECT_EQ(topallet(0x3F), 0x3F);
    dec.MulLen = 2;
    EXPECT_EQ(topallet(0xF), 0xF0);
    dec.MulLen = 6;
    EXPECT_EQ(topallet(0xFFF), 0xFF);
}

TEST(SetColour, AllShownEntriesUsedSelectsTheNearestWithoutChangingAny) {
    fresh();
    resetColours(1);
    for (int k = 0; k < 16; k++) run(OP_SETCOLOR, {4 * k, 1, 0});
    ASSERT_EQ(usedCount(), 16);
    EXPECT_EQ(entry(32), (RGB{4, 32, 0}));
    std::vector<RGB> before;
    for (int i = 0; i < 256; i++) before.push_back(entry(i));

    // Exact colours are still found.
    run(OP_SETCOLOR, {8, 1, 0});
    EXPECT_EQ(ip.ColorNo, 32);
    // A colour the map lacks: the nearest shown entry.
    run(OP_SETCOLOR, {9, 1, 1});
    EXPECT_EQ(ip.ColorNo, 32);
    run(OP_SETCOLOR, {63, 63, 63});
    EXPECT_EQ(ip.ColorNo, 240);
    // Equal distances (G 40 lies between 32 and 48): the lower index wins.
    dec.MulLen = 4;
    run(OP_SETCOLOR, {40, 4, 0});
    EXPECT_EQ(ip.ColorNo, 32);
    run(OP_SETCOLOR, {41, 4, 0});
    EXPECT_EQ(ip.ColorNo, 48);
    for (int i = 0; i < 256; i++) EXPECT_EQ(entry(i), before[i]);
    EXPECT_EQ(usedCount(), 16);
}

TEST(SetColour, NearestDistancesDoNotWrap) {
    fresh();
    resetColours(1);
    // Components as wide as incremental points deliver: the squares exceed
    // 32 bits. The answer must still be a full-green shown entry.
    int32_t k = nearestColour(int64_t(1) << 40, 0, 0);
    EXPECT_EQ(k % 16, 0);
    EXPECT_EQ(ip.MapValueG[k], 255);
    for (int i = 0; i < 256; i += 16) {
        if (ip.MapValueG[i] != 255) continue;
        int64_t di = int64_t(ip.MapValueR[i]) * ip.MapValueR[i] + int64_t(ip.MapValueB[i]) * ip.MapValueB[i];
        int64_t dk = int64_t(ip.MapValueR[k]) * ip.MapValueR[k] + int64_t(ip.MapValueB[k]) * ip.MapValueB[k];
        EXPECT_GE(di, dk) << i;
    }
    EXPECT_EQ(nearestColour(INT64_MAX, INT64_MAX, INT64_MAX), 112);  // the lightest grey shown
    EXPECT_EQ(nearestColour(INT64_MIN, INT64_MIN, INT64_MIN), 0);
}

TEST(SetColour, ColourMapModeChangesTheForegroundEntry) {
    fresh();
    resetColours(1);
    run(OP_SELECTCOLOR, {0x10});  // ForColor 64
    run(OP_SETCOLOR, {0, 63, 0});
    EXPECT_EQ(entry(64), (RGB{252, 0, 0}));
    EXPECT_EQ(cell(4), (RGB{252, 0, 0}));
    EXPECT_EQ(ip.UsedColorMap[64], 1);

    // An entry that is not a multiple of 16 changes the map, not the screen.
    run(OP_SELECTCOLOR, {0x11});  // ForColor 68
    RGB shownBefore = cell(4);
    run(OP_SETCOLOR, {63, 63, 63});
    EXPECT_EQ(entry(68), (RGB{252, 252, 252}));
    EXPECT_EQ(cell(4), shownBefore);

    // A foreground outside the map changes nothing.
    std::vector<RGB> before;
    for (int i = 0; i < 256; i++) before.push_back(entry(i));
    for (int32_t bad : {-1, 256, 100000}) {
        ip.ForColor = bad;
        run(OP_SETCOLOR, {1, 2, 3});
        run(OP_BLINK, {0, 5, 5, 0});
    }
    for (int i = 0; i < 256; i++) EXPECT_EQ(entry(i), before[i]);
}

TEST(SelectColour, IndexScalingByTheSingleValueLength) {
    fresh();
    dec.SngLen = 1;
    run(OP_SELECTCOLOR, {0x10});
    EXPECT_EQ(ip.ColorMod, 1);
    EXPECT_EQ(ip.ForColor, 64);
    EXPECT_EQ(ip.BakColor, 0);
    dec.SngLen = 2;
    run(OP_SELECTCOLOR, {0x400, 0xFFF});
    EXPECT_EQ(ip.ColorMod, 2);
    EXPECT_EQ(ip.ForColor, 64);
    EXPECT_EQ(ip.BakColor, 255);
    dec.SngLen = 3;
    run(OP_SELECTCOLOR, {0x20000});
    EXPECT_EQ(ip.ForColor, 128);
    dec.SngLen = 4;
    run(OP_SELECTCOLOR, {0x800000});
    EXPECT_EQ(ip.ForColor, 128);
    // Three values: nothing; none: direct colour.
    run(OP_SELECTCOLOR, {1, 2, 3});
    EXPECT_EQ(ip.ColorMod, 1);
    run(OP_SELECTCOLOR, {});
    EXPECT_EQ(ip.ColorMod, 0);

    // Through the byte stream: SELECT COLOR 0x45 0x46 at SngLen 1.
    dec.SngLen = 1;
    const uint8_t bytes[] = {0xBE, 0xC5, 0xC6, 0xA0};
    pdi_put(0, bytes, 4);
    EXPECT_EQ(ip.ColorMod, 2);
    EXPECT_EQ(ip.ForColor, 20);
    EXPECT_EQ(ip.BakColor, 24);
}

TEST(Blink, FirstProcessCountsFromTheNextTick) {
    fresh();
    resetColours(1);
    stopblink();
    run(OP_SELECTCOLOR, {4});  // ForColor 16
    run(OP_BLINK, {0, 5, 5, 0});
    EXPECT_EQ(ip.BTFlag[16], 3);
    EXPECT_EQ(ip.BTCount[16], 1);
    EXPECT_EQ(ip.LRDefine, 16);
    EXPECT_EQ(ip.BTOffCCode[16], 0);

    // The blink step: on at the first tick for 5 ticks, off for 5.
    RGB own = entry(16), to = entry(0);
    NXG_blink();
    EXPECT_EQ(shown(16), to);
    EXPECT_EQ(ip.BTFlag[16], 1);
    for (int t = 0; t < 4; t++) NXG_blink();
    EXPECT_EQ(shown(16), to);
    NXG_blink();
    EXPECT_EQ(shown(16), own);
    EXPECT_EQ(ip.BTFlag[16], 2);
}

TEST(Blink, FirstProcessAfterLoadCountsFromEntryZero) {
    fresh();
    resetColours(1);
    ASSERT_EQ(ip.LRDefine, 0);  // load-time value: entry 0 has no process
    run(OP_SELECTCOLOR, {4});
    run(OP_BLINK, {0, 3, 5, 4});
    EXPECT_EQ(ip.BTCount[16], 4);
}

TEST(Blink, LaterProcessesCountRelativeToTheLastDefined) {
    fresh();
    resetColours(1);
    stopblink();
    run(OP_SELECTCOLOR, {4});  // 16
    run(OP_BLINK, {0, 5, 5, 0});
    NXG_blink();  // 16 turns on
    NXG_blink();
    NXG_blink();  // two ticks into its on phase
    ASSERT_EQ(ip.BTFlag[16], 1);
    run(OP_SELECTCOLOR, {8});  // 32
    run(OP_BLINK, {0, 5, 5, 4});
    EXPECT_EQ(ip.BTCount[32], 3);
    EXPECT_EQ(ip.LRDefine, 32);
    // 32 turns on at the end of its count.
    NXG_blink();
    NXG_blink();
    EXPECT_EQ(ip.BTFlag[32], 3);
    NXG_blink();
    EXPECT_EQ(ip.BTFlag[32], 1);

    // A delay shorter than the time since the last one turned on: its next
    // on phase, after its off phase.
    run(OP_SELECTCOLOR, {12});  // 48, relative to 32 (1 tick into its on phase)
    ip.BTCount[32] = 2;         // 3 ticks into its on phase
    run(OP_BLINK, {0, 5, 5, 1});
    EXPECT_EQ(ip.BTCount[48], 2 + 5 + 1);
    // Relative to a process that waits to turn on: its count plus the delay.
    run(OP_SELECTCOLOR, {16});  // 64, relative to 48 (state 3)
    run(OP_BLINK, {0, 5, 5, 2});
    EXPECT_EQ(ip.BTCount[64], 8 + 2);
    // Counts are kept modulo 256.
    run(OP_SELECTCOLOR, {20});  // 80
    run(OP_BLINK, {0, 5, 5, 63});
    run(OP_SELECTCOLOR, {24});  // 96
    ip.BTCount[80] = 250;
    run(OP_BLINK, {0, 5, 5, 63});
    EXPECT_EQ(ip.BTCount[96], (250 + 63) % 256);
}

TEST(Blink, CancelRulesRestoreTheEntry) {
    fresh();
    resetColours(1);
    stopblink();
    run(OP_SELECTCOLOR, {4});
    RGB own = entry(16);
    run(OP_BLINK, {0, 5, 5, 0});
    NXG_blink();
    ASSERT_EQ(shown(16), entry(0));
    // On time 0 with another blink-to colour does not cancel.
    run(OP_BLINK, {8, 0, 5, 0});
    EXPECT_EQ(ip.BTFlag[16], 3);
    EXPECT_EQ(ip.BTOffCCode[16], 32);
    // On time 0 with the same blink-to colour cancels and restores.
    run(OP_BLINK, {8, 0, 5, 0});
    EXPECT_EQ(ip.BTFlag[16], 0);
    EXPECT_EQ(ip.BTOnTime[16], 0);
    EXPECT_EQ(shown(16), own);

    // No values, or two groups, cancel the blink of ForColor.
    for (auto values : {std::vector<int32_t>{}, std::vector<int32_t>{0, 5, 5, 0, 0, 5, 5, 0}}) {
        stopblink();
        run(OP_BLINK, {0, 5, 5, 0});
        NXG_blink();
        ASSERT_EQ(ip.BTFlag[16], 1);
        std::vector<int32_t> rec(DATA_SIZE, 0);
        rec[0] = int32_t(values.size());
        for (size_t k = 0; k < values.size(); k++) rec[k + 1] = values[k];
        pdi(OP_BLINK, rec.data());
        EXPECT_EQ(ip.BTFlag[16], 0);
        EXPECT_EQ(shown(16), own);
    }
}

TEST(Blink, StopBlinkEndsEveryProcessAndShowsTheMapColours) {
    fresh();
    resetColours(1);
    stopblink();
    run(OP_SELECTCOLOR, {4});
    run(OP_BLINK, {0, 5, 5, 0});
    run(OP_SELECTCOLOR, {8});
    run(OP_BLINK, {0, 5, 5, 3});
    NXG_blink();
    ASSERT_EQ(shown(16), entry(0));
    // RESET with only the blink flag.
    run(OP_RESET, {0, 0, 0, 0, 1, 0, 0, 0, 0});
    EXPECT_EQ(ip.LRDefine, -1);
    for (int i = 0; i < 256; i++) ASSERT_EQ(ip.BTFlag[i], 0) << i;
    EXPECT_EQ(shown(16), entry(16));
    EXPECT_EQ(shown(32), entry(32));
    for (int t = 0; t < 10; t++) NXG_blink();
    EXPECT_EQ(shown(16), entry(16));
}

TEST(Blink, SetColourFollowsIntoRunningProcesses) {
    fresh();
    resetColours(1);
    stopblink();
    run(OP_SELECTCOLOR, {4});  // 16 blinks to 32
    run(OP_BLINK, {8, 2, 2, 0});
    // Redefining the blink-to entry changes 16's on colour from its next on
    // phase.
    run(OP_SELECTCOLOR, {8});
    run(OP_SETCOLOR, {0, 63, 0});
    NXG_blink();
    EXPECT_EQ(shown(16), (RGB{252, 0, 0}));
    // Redefining 16 itself changes its off colour.
    run(OP_SELECTCOLOR, {4});
    run(OP_SETCOLOR, {63, 0, 0});
    NXG_blink();
    NXG_blink();
    EXPECT_EQ(shown(16), (RGB{0, 252, 0}));
}

TEST(Blink, DecoderInitialisationClearsTheTables) {
    fresh();
    resetColours(1);
    run(OP_SETCOLOR, {1, 2, 3});
    run(OP_SELECTCOLOR, {4});
    run(OP_BLINK, {0, 5, 5, 0});
    ASSERT_EQ(ip.BTFlag[16], 3);
    pdi_init(2, 0, 0, 512);
    EXPECT_EQ(ip.LRDefine, -1);
    EXPECT_EQ(ip.BTFlag[16], 0);
    EXPECT_EQ(usedCount(), 0);
}
