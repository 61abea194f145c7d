// Control instructions: RESET group by group and its screen clears on
// exact pixels, DOMAIN, TEXT and TEXTURE with each record length, WAIT
// through the driver's sleep seam, and every corpus picture decoded under
// the X fixture.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decoder/decoder.h"
#include "interp/control.h"
#include "interp/state.h"
#include "raster/raster.h"
#include "raster/texture.h"
#include "tests/pdi_steps.h"
#include "text/state.h"

using namespace naplps;
using namespace naplps::steps;
using xtest::Grid;

namespace {

using Control = DrawTest;

// RESET with the nine group values.
void reset(std::initializer_list<int32_t> groups) { run(OP_RESET, groups); }
void resetGroup(int group, int32_t value = 1) {
    std::vector<int32_t> v(9, 0);
    v[size_t(group - 1)] = value;
    runRecord(OP_RESET, v);
}

// What the sleep seam saw: WaitTimer at every sleep.
std::vector<int32_t> sleeps;
void recordSleep(int) { sleeps.push_back(ip.WaitTimer); }
void noSleep(int) {}

}  // namespace

TEST_F(Control, ResetScreenCodesClearThePictureArea) {
    open(10, 5);
    run(OP_SELECTCOLOR, {8});  // mode 1, ForColor 32
    pel(2, 2);
    const int32_t mod = ip.ColorMod, fore = ip.ForColor, pelx = ip.PhyPelX;
    // The whole window is cleared, its last column included.
    const Grid cleared = xtest::blank(10, 5, '0');
    const Grid coloured = xtest::blank(10, 5, '2');
    for (int code : {1, 5, 7, 2, 6, 3, 4}) {
        SCOPED_TRACE(code);
        clear(3);
        resetGroup(3, code);
        Grid want = code == 1 || code == 7 ? cleared : code == 3 || code == 4 ? xtest::blank(10, 5, '3') : coloured;
        EXPECT_TRUE(xtest::pictureIs(grid(), want));
        EXPECT_EQ(ip.ColorMod, mod);
        EXPECT_EQ(ip.ForColor, fore);
        EXPECT_EQ(ip.PhyPelX, pelx);
    }
    // The clearing colour stays the pel colour.
    resetGroup(3, 5);
    EXPECT_EQ(ras.DRAW_COLOR_fg, 32);
    resetGroup(3, 1);
    EXPECT_EQ(ras.DRAW_COLOR_fg, 0);
    // In direct colour the current colour is ColorNo.
    run(OP_SELECTCOLOR, {});
    ip.ColorNo = 64;
    resetGroup(3, 2);
    EXPECT_EQ(at(grid(), 0, 0), '4');
}

TEST_F(Control, ResetClearsTheEraseWindowOnly) {
    open(12, 8);
    clear(3);
    pdi_set_reset_mode(0, 1, 2, 2, 7, 5);
    resetGroup(3, 1);
    // The clip is back to the whole picture afterwards.
    colours(1);
    rect(9, 0, 1, 0);
    EXPECT_TRUE(xtest::pictureIs(grid(), {
                                             "333333333333",
                                             "333333333333",
                                             "330000003333",
                                             "330000003333",
                                             "330000003333",
                                             "330000003333",
                                             "333333333333",
                                             "333333333113",
                                         }));
    pdi_set_reset_mode(0, 0, 0, 0, 0, 0);
}

TEST_F(Control, EachResetGroupAlone) {
    open(8, 4);
    // Attributes away from their defaults.
    auto disturb = [] {
        dec.SngLen = 3;
        dec.MulLen = 5;
        dec.Dimen = 1;
        ip.LogPelX = ip.LogPelY = 4 * U;
        ip.PhyPelX = ip.PhyPelY = 4;
        ip.ColorMod = 2;
        ip.ForColor = 16;
        txt.Rotate = txt.CharPath = txt.InterChar = txt.InterRow = 1;
        txt.MovePara = txt.CursStyle = 3;
        txt.Reverse = txt.WordWrap = txt.Scroll = txt.UnderLine = 1;
        txt.CursStat = 2;
        txt.ProtectFlag = 0;
        ip.LogCharX = ip.LogCharY = 30 * U;
        ip.PhyCharX = ip.PhyCharY = 30;
        run(OP_FIELD, {8 * U, 8 * U, 16 * U, 16 * U});
        ip.LogCursX = 5 * U;
        ip.LogCursY = 6 * U;
        ip.LineTexture = 2;
        ip.HiLight = 1;
        ip.LogMaskX = ip.LogMaskY = 4 * U;
        ip.PhyMaskX = ip.PhyMaskY = 4;
        ip.Texture = 5;
        set_TEXTURE(5);
    };
    struct Snapshot {
        int32_t sng, mul, pel, mod, rot, move, rev, prot, charx, actwd, cursx, linetex, mask, tex, code;
    };
    auto snap = [] {
        return Snapshot{dec.SngLen,    dec.MulLen,  ip.PhyPelX,   ip.ColorMod,  txt.Rotate,
                        txt.MovePara,  txt.Reverse, txt.ProtectFlag, ip.PhyCharX, ip.LogActWd,
                        ip.LogCursX,   ip.LineTexture, ip.PhyMaskX, ip.Texture, ras.TEXTURE_CODE};
    };

    disturb();
    Snapshot before = snap();
    // A record of another length does nothing.
    run(OP_RESET, {1, 1, 1, 1, 1, 1, 1, 1});
    EXPECT_EQ(snap().sng, before.sng);
    EXPECT_EQ(snap().mod, before.mod);

    resetGroup(1);  // domain
    EXPECT_EQ(dec.SngLen, 1);
    EXPECT_EQ(dec.MulLen, 3);
    EXPECT_EQ(dec.Dimen, 0);
    EXPECT_EQ(ip.LogPelX, 0);
    EXPECT_EQ(ip.PhyPelY, 1);
    EXPECT_EQ(ip.ColorMod, before.mod);
    EXPECT_EQ(txt.Rotate, before.rot);
    EXPECT_EQ(ras.TEXTURE_CODE, 5) << "a pattern stays in force";

    disturb();
    resetGroup(4);  // text
    EXPECT_EQ(txt.Rotate + txt.CharPath + txt.InterChar + txt.InterRow + txt.MovePara + txt.CursStyle, 0);
    EXPECT_EQ(txt.Reverse + txt.WordWrap + txt.Scroll + txt.UnderLine + txt.CursStat, 0);
    EXPECT_EQ(ip.PhyCharX, 12);
    EXPECT_EQ(ip.PhyCharY, 20);
    EXPECT_EQ(ip.Act_L, 0);
    EXPECT_EQ(ip.Act_R, UNIT_WIDTH);
    EXPECT_EQ(ip.Act_T, UNIT_HEIGHT);
    EXPECT_EQ(ip.LogActWd, UNIT_WIDTH);
    EXPECT_EQ(ip.PhyActHi, 1023);
    EXPECT_EQ(ip.LogCursX, 5 * U) << "the cursor stays";
    EXPECT_EQ(ip.LogCursY, 6 * U);
    EXPECT_EQ(dec.SngLen, before.sng);
    EXPECT_EQ(txt.ProtectFlag, 0);

    disturb();
    resetGroup(6);  // protect
    EXPECT_EQ(txt.ProtectFlag, 1);
    EXPECT_EQ(txt.Rotate, before.rot);

    disturb();
    resetGroup(7);  // texture
    EXPECT_EQ(ip.LineTexture, 0);
    EXPECT_EQ(ip.HiLight, 0);
    EXPECT_EQ(ip.Texture, 0);
    EXPECT_EQ(ip.LogMaskX, 0x60000);
    EXPECT_EQ(ip.PhyMaskX, 12);
    EXPECT_EQ(ip.PhyMaskY, 20);
    EXPECT_EQ(ras.TEXTURE_CODE, 0) << "fills are solid again";
    EXPECT_EQ(ip.PhyPelX, before.pel);

    // Macro and DRCS: a macro defined through the stream, a DRCS glyph.
    disturb();
    const uint8_t def[] = {0x80, 'A', 'x', 'y', 0x85};
    pdi_put(0, def, sizeof def);
    ASSERT_TRUE(test_MACRO('A'));
    dec.DRCSBuf[1][0] = 0xFF;
    set_DRCS_def('!');
    resetGroup(9);  // DRCS
    EXPECT_EQ(dec.DRCSBuf[1][0], 0);
    EXPECT_FALSE(test_DRCS_def('!'));
    EXPECT_TRUE(test_MACRO('A'));
    resetGroup(8);  // macro
    EXPECT_FALSE(test_MACRO('A'));
    EXPECT_EQ(dec.MACRONextPtr, 0);
    EXPECT_EQ(ip.ColorMod, before.mod);
}

TEST_F(Control, DomainRecordLengths) {
    open(12, 3);
    pel(3, 2);
    ASSERT_EQ(ip.PhyPelX, 3);
    // Three values: the lengths change, the pel stays.
    run(OP_DOMAIN, {1, 4, 0});
    EXPECT_EQ(dec.SngLen, 2);
    EXPECT_EQ(dec.MulLen, 5);
    EXPECT_EQ(ip.PhyPelX, 3);
    EXPECT_EQ(ip.PhyPelY, 2);
    // A pel too small for a pixel is one pixel; a negative one stays
    // negative.
    run(OP_DOMAIN, {0, 2, 0, 0x1000, -2 * U});
    EXPECT_EQ(ip.LogPelX, 0x1000);
    EXPECT_EQ(ip.PhyPelX, 1);
    EXPECT_EQ(ip.PhyPelY, -2);
    // Other lengths are ignored.
    for (auto rec : {std::vector<int32_t>{}, std::vector<int32_t>{3, 7, 1, 5}, std::vector<int32_t>{3, 7}}) {
        runRecord(OP_DOMAIN, rec);
        EXPECT_EQ(dec.SngLen, 1);
        EXPECT_EQ(dec.MulLen, 3);
    }
    // The hatch in force follows the new pel.
    colours(1, 2);
    pel(2, 1);
    run(OP_TEXTURE, {0, 0, 1});
    pel(3, 1);
    rect(0, 0, 9, 0);
    EXPECT_TRUE(xtest::pictureIs(grid(), {"............", "............", "111222111222"}));
}

TEST_F(Control, TextRecordLengths) {
    open(4, 4);
    txt.MovePara = 2;
    txt.InterRow = 1;
    run(OP_TEXT, {1, 2, 3});
    EXPECT_EQ(txt.Rotate, 1);
    EXPECT_EQ(txt.CharPath, 2);
    EXPECT_EQ(txt.InterChar, 3);
    EXPECT_EQ(txt.MovePara, 2) << "the move mode stays";
    EXPECT_EQ(txt.InterRow, 1);
    run(OP_TEXT, {0, 0, 0, 3, 1, 2});
    EXPECT_EQ(txt.InterRow, 3);
    EXPECT_EQ(txt.MovePara, 1);
    EXPECT_EQ(txt.CursStyle, 2);
    EXPECT_EQ(ip.PhyCharX, 0);
    run(OP_TEXT, {0, 0, 0, 0, 0, 0, 0x60000, 0x3FFF});
    EXPECT_EQ(ip.PhyCharX, 12);
    EXPECT_EQ(ip.PhyCharY, 1);
    for (auto rec : {std::vector<int32_t>{1}, std::vector<int32_t>{1, 1, 1, 1, 1}, std::vector<int32_t>{1, 1, 1, 1, 1, 1, 1}}) {
        runRecord(OP_TEXT, rec);
        EXPECT_EQ(txt.Rotate, 0);
    }
}

TEST_F(Control, TextureRecordLengths) {
    open(12, 3);
    run(OP_TEXTURE, {2, 1, 4, 8 * U, 6 * U});
    EXPECT_EQ(ip.LineTexture, 2);
    EXPECT_EQ(ip.HiLight, 1);
    EXPECT_EQ(ip.Texture, 4);
    EXPECT_EQ(ip.PhyMaskX, 8);
    EXPECT_EQ(ip.PhyMaskY, 6);
    EXPECT_EQ(ras.TEXTURE_CODE, 4);
    EXPECT_EQ(ras.TEXTURE_size, 6);
    // Three values keep the mask and still re-select the pattern, here for
    // the pel changed in between.
    pel(2, 1);
    run(OP_TEXTURE, {0, 0, 1});
    EXPECT_EQ(ip.PhyMaskX, 8);
    EXPECT_EQ(ras.TEXTURE_CODE, 1);
    ip.PhyPelX = 3;
    run(OP_TEXTURE, {0, 0, 1});
    colours(1, 2);
    rect(0, 0, 11, 0);
    EXPECT_TRUE(xtest::pictureIs(grid(), {"............", "............", "111222111222"}));
    // Other lengths are ignored.
    for (auto rec : {std::vector<int32_t>{}, std::vector<int32_t>{1, 1}, std::vector<int32_t>{1, 1, 2, 3}}) {
        runRecord(OP_TEXTURE, rec);
        EXPECT_EQ(ip.Texture, 1);
    }
}

TEST_F(Control, WaitPausesThroughTheSleepSeam) {
    open(4, 4);
    nxg.sleep_ms = recordSleep;
    sleeps.clear();
    // Each value is one wait: n ticks end after ceil(n / 2) sleeps, as the
    // blink step also counts the timer down.
    run(OP_WAIT, {5, 3});
    EXPECT_EQ(sleeps, (std::vector<int32_t>{5, 4, 3, 3, 2}));
    sleeps.clear();
    run(OP_WAIT, {});
    run(OP_WAIT, {0});
    EXPECT_TRUE(sleeps.empty());
    // Through the byte stream: WAIT '\' 3 4.
    const uint8_t bytes[] = {0xBD, 0xDC, 0xC3, 0xC4, 0xA0};
    pdi_put(0, bytes, sizeof bytes);
    EXPECT_EQ(sleeps, (std::vector<int32_t>{3, 2, 4, 3}));
    // The longest WAIT a record can hold sleeps at most WAIT_MAX_TICKS times.
    sleeps.clear();
    runRecord(OP_WAIT, std::vector<int32_t>(DATA_MAX_VALUES, 63));
    EXPECT_EQ(int(sleeps.size()), WAIT_MAX_TICKS);
    sleeps.clear();
    run(OP_WAIT, {63, 63, 63});
    EXPECT_EQ(sleeps.size(), 3u * 32);
    nxg.sleep_ms = noSleep;
}

TEST_F(Control, WaitAdvancesTheBlink) {
    open(4, 4);
    nxg.sleep_ms = noSleep;
    reset({0, 1, 0, 0, 1, 0, 0, 0, 0});  // default map, no blink
    // Colour 16 blinks to colour 32 for 2 ticks after a first tick.
    colours(1);
    run(OP_BLINK, {8, 2, 2, 0});
    clear(1);
    auto shownRed = [&] {
        XColor c;
        c.pixel = win->slot()->pix_tbl[1];
        XQueryColor(win->dpy, win->slot()->cms, &c);
        return c.red >> 8;
    };
    EXPECT_EQ(shownRed(), ip.MapValueR[16]);
    run(OP_WAIT, {2});  // one sleep, one tick: on
    EXPECT_EQ(shownRed(), ip.MapValueR[32]);
    run(OP_WAIT, {4});  // two ticks: off again
    EXPECT_EQ(shownRed(), ip.MapValueR[16]);
}

namespace {

// Every regular file below dir.
void listFiles(const std::string &dir, std::vector<std::string> &out) {
    DIR *d = opendir(dir.c_str());
    if (d == nullptr) return;
    while (dirent *e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::string path = dir + "/" + name;
        struct stat st;
        if (stat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) listFiles(path, out);
        else if (S_ISREG(st.st_mode)) out.push_back(path);
    }
    closedir(d);
}

}  // namespace

TEST(Corpus, EveryPictureDecodesAndDraws) {
    std::vector<std::string> files;
    listFiles(CORPUS_DIR, files);
    if (files.empty()) GTEST_SKIP() << "no corpus at " << CORPUS_DIR;
    if (xtest::xvfbDisplay().empty()) GTEST_SKIP() << "no Xvfb";
    std::sort(files.begin(), files.end());
    int drawn = 0;
    for (const std::string &path : files) {
        SCOPED_TRACE(path);
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        xtest::resetState();
        nxg.sleep_ms = noSleep;
        xtest::TestWindow win(512, 400);
        ASSERT_TRUE(win.ok());
        ASSERT_EQ(win.open(), 0);
        win.playArea();
        // A picture may draw in index 0 only (black on black): the window
        // starts in cell 15 so that any drawing shows.
        ras.DRAW_COLOR_fg = 240;
        dot_p(0, 0, win.width, win.height - 1);
        win.feed(bytes);
        EXPECT_EQ(nxg.NXG_win_err, 0) << "X error";
        Grid g = win.pixmapGrid();
        bool any = false;
        for (auto &row : g) any = any || row.find_first_not_of('f') != std::string::npos;
        EXPECT_TRUE(any) << "nothing drawn";
        drawn += any;
        win.close();
    }
    RecordProperty("pictures", drawn);
}
