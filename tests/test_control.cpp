// Control instructions: RESET group by group and its screen clears on exact
// pixels, DOMAIN, TEXT and TEXTURE records of each length, WAIT through the
// driver's sleep seam, and every corpus picture decoded under the X fixture.

#include <filesystem>
#include <fstream>
#include <iterator>

#include "interp/control.h"
#include "raster/texture.h"
#include "tests/pdi_steps.h"
#include "text/state.h"

using namespace naplps;
using namespace naplps::steps;
using ptest::Grid;

namespace {

using Control = DrawTest;

void resetGroup(int group, int32_t value = 1) {
    std::vector<int32_t> v(9, 0);
    v[size_t(group - 1)] = value;
    runRecord(OP_RESET, v);
}

// The attributes each RESET group restores, by name.
enum {
    SNG,
    MUL,
    DIMEN,
    LPEL,
    PPEL,
    MODE,
    FORE,
    ROT,
    REV,
    WRAP,
    PROT,
    CHARX,
    ACTWD,
    CURSX,
    LTEX,
    TEX,
    MASKX,
    CODE
};
std::vector<int32_t> attributes() {
    return {dec.SngLen,       dec.MulLen,       dec.Dimen,           ras.pen.LogPelX,
            ras.pen.PhyPelY,  ras.pen.ColorMod, ras.pen.ForColor,    txt.Rotate,
            txt.Reverse,      txt.WordWrap,     txt.ProtectFlag,     ras.pen.PhyCharX,
            ip.LogActWd,      ip.LogCursX,      ras.pen.LineTexture, ip.Texture,
            ras.pen.PhyMaskX, ras.TEXTURE_CODE};
}
// Every attribute away from its default.
void disturb() {
    dec.SngLen = 3;
    dec.MulLen = 5;
    dec.Dimen = 1;
    ras.pen.ColorMod = 2;
    ras.pen.ForColor = 16;
    ip.LogCursX = 5 * U;
    ras.pen.LogPelX = ras.pen.LogPelY = 4 * U;
    ras.pen.PhyPelX = ras.pen.PhyPelY = 4;
    txt.Rotate = txt.Reverse = txt.WordWrap = 1;
    txt.ProtectFlag = 0;
    ip.LogCharX = ip.LogCharY = 30 * U;
    ras.pen.PhyCharX = ras.pen.PhyCharY = 30;
    ras.pen.LineTexture = 2;
    ras.pen.HiLight = 1;
    ip.LogMaskX = ip.LogMaskY = 4 * U;
    ras.pen.PhyMaskX = ras.pen.PhyMaskY = 4;
    ip.Texture = 5;
    run(OP_FIELD, {8 * U, 8 * U, 16 * U, 16 * U});
    set_TEXTURE(5);
}

}  // namespace

TEST_F(Control, ResetScreenCodesClearThePictureAreaToItsLastColumn) {
    open(10, 5);
    run(OP_SELECTCOLOR, {8});
    pel(2, 2);  // mode 1, ForColor 32
    const std::vector<int32_t> before = attributes();
    // Codes 1 and 7 clear to index 0, 3 and 4 leave the picture, the others clear to the pel
    // colour.
    for (int code : {1, 5, 7, 2, 6, 3, 4}) {
        clear(3);
        resetGroup(3, code);
        char c = code == 1 || code == 7 ? '0' : code == 3 || code == 4 ? '3' : '2';
        EXPECT_TRUE(ptest::pictureIs(grid(), ptest::blank(10, 5, c))) << code;
        EXPECT_EQ(attributes(), before) << code;
        EXPECT_TRUE(c == '3' || ras.DRAW_COLOR_fg == (c == '0' ? 0 : 32))
            << code;  // the clearing colour stays the pel colour
    }
    run(OP_SELECTCOLOR, {});
    ras.pen.ColorNo = 64;
    resetGroup(3, 2);  // in direct colour the current colour is ColorNo
    EXPECT_EQ(at(grid(), 0, 0), '4');
    // With an erase window only that is cleared; the clip is whole again after.
    open(12, 8);
    clear(3);
    pdi_set_reset_mode(0, 1, 2, 2, 7, 5);
    resetGroup(3, 1);
    rect(9, 0, 1, 0);
    EXPECT_TRUE(
        ptest::pictureIs(grid(), {"333333333333", "333333333333", "330000003333", "330000003333",
                                  "330000003333", "330000003333", "333333333333", "333333333113"}));
    pdi_set_reset_mode(0, 0, 0, 0, 0, 0);
}

TEST_F(Control, EachResetGroupRestoresOnlyItsOwnAttributesAndShortRecordsKeepTheRest) {
    open(8, 4);
    const struct {
        int group;
        std::vector<std::pair<int, int32_t>> restored;
    } groups[] = {
        {1, {{SNG, 1}, {MUL, 3}, {DIMEN, 0}, {LPEL, 0}, {PPEL, 1}}},  // domain: a pattern stays in
                                                                      // force
        {4, {{ROT, 0}, {REV, 0}, {WRAP, 0}, {CHARX, 12}, {ACTWD, UNIT_WIDTH}}},  // text: the cursor
                                                                                 // stays
        {6, {{PROT, 1}}},
        {7, {{LTEX, 0}, {TEX, 0}, {MASKX, 12}, {CODE, 0}}},  // texture: fills solid again
    };
    for (auto &g : groups) {
        disturb();
        std::vector<int32_t> want = attributes();
        for (auto [field, value] : g.restored) want[size_t(field)] = value;
        resetGroup(g.group);
        EXPECT_EQ(attributes(), want) << "group " << g.group;
    }
    disturb();
    const std::vector<int32_t> before = attributes();
    // Records of other lengths change nothing.
    const std::pair<int, std::vector<int32_t>> others[] = {{OP_RESET, std::vector<int32_t>(8, 1)},
                                                           {OP_DOMAIN, {}},
                                                           {OP_DOMAIN, {3, 7, 1, 5}},
                                                           {OP_DOMAIN, {3, 7}},
                                                           {OP_TEXT, {1}},
                                                           {OP_TEXT, {1, 1, 1, 1, 1}},
                                                           {OP_TEXT, std::vector<int32_t>(7, 1)},
                                                           {OP_TEXTURE, {}},
                                                           {OP_TEXTURE, {1, 1}},
                                                           {OP_TEXTURE, {1, 1, 2, 3}}};
    for (auto &[op, values] : others) runRecord(op, values);
    EXPECT_EQ(attributes(), before);
    // Macros and DRCS: a macro defined through the stream, a DRCS glyph.
    const uint8_t def[] = {0x80, 'A', 'x', 'y', 0x85};
    pdi_put(0, def, sizeof def);
    ras.DRCSBuf[1][0] = 0xFF;
    set_DRCS_def('!');
    resetGroup(9);
    EXPECT_TRUE(ras.DRCSBuf[1][0] == 0 && !test_DRCS_def('!') && test_MACRO('A'));
    resetGroup(8);
    EXPECT_TRUE(!test_MACRO('A') && dec.MACRONextPtr == 0);
    EXPECT_EQ(attributes(),
              before);  // Short records keep what they leave out; a pel or character height too
    // small for a pixel is one pixel, a negative pel stays negative.
    pel(3, 2);
    run(OP_DOMAIN, {1, 4, 0});
    run(OP_TEXTURE, {2, 1, 4, 8 * U, 6 * U});
    run(OP_TEXTURE, {0, 0, 1});
    EXPECT_EQ((std::vector<int32_t>{dec.SngLen, dec.MulLen, ras.pen.PhyPelX, ras.pen.PhyPelY,
                                    ras.pen.PhyMaskX, ras.pen.PhyMaskY}),
              (std::vector<int32_t>{2, 5, 3, 2, 8, 6}));
    run(OP_DOMAIN, {0, 2, 0, 0x1000, -2 * U});
    run(OP_TEXT, {0, 0, 0, 0, 0, 0, 0x60000, 0x3FFF});
    EXPECT_EQ((std::vector<int32_t>{ras.pen.PhyPelX, ras.pen.PhyPelY, ras.pen.PhyCharX,
                                    ras.pen.PhyCharY}),
              (std::vector<int32_t>{1, -2, 12, 1}));
}

// A WAIT of n ticks leaves ceil(n / 2) ticks of pause to the host (the
// blink step also counted the timer down), at most WAIT_MAX_TICKS for one
// instruction; each tick the host lets pass advances the blink.
TEST_F(Control, WaitLeavesItsPauseToTheHostAndTheBlinkAdvancesWithItsTicks) {
    open(4, 4);
    auto drain = [] {
        int n = 0;
        for (; pdi_wait_ticks(0) > 0 && n < 10000; n++) pdi_tick(0);
        return n;
    };
    const uint8_t bytes[] = {0xBD, 0xDC, 0xC3, 0xC4, 0xA0};  // WAIT '\\' 3 4 in the stream
    pdi_put(0, bytes, sizeof bytes);
    EXPECT_EQ(drain(), 4);
    run(OP_WAIT, {5, 3});
    EXPECT_EQ(drain(), 5);
    const std::pair<std::vector<int32_t>, int> waits[] = {
        {{}, 0},
        {{0}, 0},
        {{63, 63, 63}, 3 * 32},
        {std::vector<int32_t>(DATA_MAX_VALUES, 63), WAIT_MAX_TICKS}};
    for (auto &[values, count] : waits) {
        runRecord(OP_WAIT, values);
        EXPECT_EQ(drain(), count) << values.size();
    }
    run(OP_RESET, {0, 1, 0, 0, 1, 0, 0, 0, 0});  // default map, no blink
    colours(1);
    run(OP_BLINK, {8, 2, 2, 0});
    clear(1);  // 16 blinks to 32 for 2 ticks after a first tick
    const std::pair<int, int> shown[] = {{0, 16}, {2, 32}, {4, 16}};  // one tick: on; two more: off
    for (auto [wait, entry] : shown) {
        run(OP_WAIT, {wait});
        drain();
        EXPECT_EQ(nxg.NXG_win_tbl[win->id].NEW_color_tbl2[NXG_ec_to_wc(16)][0], ip.MapValueR[entry])
            << wait;
    }
}

TEST(Corpus, EveryPictureDecodesAndDraws) {
    std::vector<std::string> files;
    std::error_code ec;
    for (auto &e : std::filesystem::recursive_directory_iterator(CORPUS_DIR, ec))
        if (e.is_regular_file()) files.push_back(e.path());
    if (files.empty()) GTEST_SKIP() << "no corpus at " << CORPUS_DIR;
    for (const std::string &path : files) {
        std::ifstream in(path, std::ios::binary);
        ptest::resetState();
        nxg.sleep_ms = [](int) {};
        ptest::TestSurface win(512, 400);
        ASSERT_EQ(win.open(), 0) << path;
        win.playArea();  // A picture may draw in index 0 only: the window starts in cell 15.
        ras.DRAW_COLOR_fg = 240;
        dot_p(0, 0, win.width, win.height - 1);
        win.feed(std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()));
        bool any = false;
        for (auto &row : win.grid()) any = any || row.find_first_not_of('f') != std::string::npos;
        EXPECT_TRUE(any) << "nothing drawn by " << path;
        win.close();
    }
}
