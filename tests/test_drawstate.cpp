// Drawing state: the logical-to-pixel mapping at the scales in use, the
// drawing area the outward operations set, and full initialisation.
#include <gtest/gtest.h>

#include <climits>

#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "image/state.h"
#include "interp/state.h"
#include "raster/raster.h"
#include "tests/recorder.h"
#include "text/state.h"

using namespace naplps;

namespace {

TEST(LogToPhy, RoundsAtEachScale) {
    struct {
        int ratio;
        int32_t v, px;
    } table[] = {
        {512, 0x1000000, 512}, {512, 0xC80000, 400}, {512, 0x4000, 1}, {512, 0x3FFF, 0},
        {512, -0x4000, -1},    {512, -1, 0},         {512, 0x60000, 12}, {512, 0xA0000, 20},
        {640, 0x1000000, 640}, {640, 0xC80000, 500}, {640, 0x3FFF, 1},   {640, -0x3FFF, -1},
        {1024, 0x1000000, 1024}, {1024, -0x4000, -1}, {1024, 0x2000, 1}, {1024, -0x2000, 0},
        {400, 0xC80000, 313},  {400, 0x4000, 0},
    };
    for (auto &t : table) {
        resetAll();
        ras.pen.Scr_Ratio = t.ratio;
        EXPECT_EQ(logtophy(t.v), t.px) << "ratio " << t.ratio << " v " << std::hex << t.v;
    }
}

TEST(LogToPhy, ExtremesSaturateInsteadOfOverflowing) {
    resetAll();
    for (int ratio : {512, 640, 1024, 4096, 100000}) {
        ras.pen.Scr_Ratio = ratio;
        int32_t hi = logtophy(INT32_MAX), lo = logtophy(INT32_MIN);
        EXPECT_GT(hi, 0) << ratio;
        EXPECT_LT(lo, 0) << ratio;
        EXPECT_LE(hi, INT32_MAX);
        EXPECT_GE(lo, INT32_MIN);
    }
    ras.pen.Scr_Ratio = 512;
    EXPECT_EQ(logtophy(INT32_MIN), -65536);  // -2^31 / 2^15, symmetric with +2^31
    ras.pen.Scr_Ratio = 1 << 30;
    EXPECT_EQ(logtophy(INT32_MAX), INT32_MAX);
    EXPECT_EQ(logtophy(INT32_MIN), INT32_MIN);
}

TEST(LogToPhy, SizesAreNeverZeroAndRelativeMovesSaturate) {
    resetAll();
    ras.pen.Scr_Ratio = 512;
    EXPECT_EQ(phySize(0x3FFF), 1);
    EXPECT_EQ(phySize(0), 1);
    EXPECT_EQ(phySize(0x60000), 12);
    int32_t x = 0;
    for (int i = 0; i < 200; i++) x = addSat(x, 0xFD70A3D);  // +0.99 each
    EXPECT_EQ(x, INT32_MAX);
    for (int i = 0; i < 400; i++) x = addSat(x, -0xFD70A3D);
    EXPECT_EQ(x, INT32_MIN);
}

TEST(DrawingArea, CtlSetsOriginRatioAndClip) {
    struct {
        int ratio, w, h;
    } table[] = {{512, 512, 1024}, {640, 640, 1024}, {480, 480, 480}, {700, 1024, 1024}};
    for (auto &t : table) {
        resetAll();
        EXPECT_EQ(pdi_ctl(0, 0, 0, 0, t.ratio), 0);
        EXPECT_EQ(ras.pen.Scr_Ratio, t.ratio);
        EXPECT_EQ(ip.Scr_Width, t.w);
        EXPECT_EQ(ip.Scr_Hight, t.h);
        ASSERT_EQ(rec.calls.size(), 1u);
        char expect[64];
        std::snprintf(expect, sizeof expect, "clip 0 0 %x %x", t.w - 1, t.h - 1);
        EXPECT_EQ(rec.calls[0], expect);
    }
}

TEST(DrawingArea, OriginIsRoundedDownToEightEvenWhenNegative) {
    resetAll();
    pdi_ctl(0, 0, 13, 5, 512);
    EXPECT_EQ(ras.pen.OriginX, 8);
    EXPECT_EQ(ras.pen.OriginY, 5);
    pdi_ctl(0, 0, -3, 0, 512);
    EXPECT_EQ(ras.pen.OriginX, -8);
    pdi_ctl(0, 0, 70000, 0, 512);
    EXPECT_EQ(ras.pen.OriginX, 70000);  // no 16-bit mask
}

TEST(DrawingArea, ClipSetsRightAndBottomAsSize) {
    resetAll();
    pdi_clip(0, 0, 0, 639, 399);
    EXPECT_EQ(ip.Scr_Width, 639);
    EXPECT_EQ(ip.Scr_Hight, 399);
    EXPECT_EQ(joined(rec.calls), "clip 0 0 27f 18f");
}

TEST(Init, ModeZeroResetsOnlyImageSettingsAndEraseMode) {
    resetAll();
    dec.MulLen = 5;
    pdi_set_reset_mode(0, 1, 10, 20, 30, 40);
    EXPECT_EQ(txt.PDI_win_x2, 30);
    pdi_init(0, 8, 8, 512);
    EXPECT_EQ(txt.PDI_reset_mode, 0);
    EXPECT_EQ(img.NXG_gdf_draw_x, -1);
    EXPECT_EQ(img.NXG_gdf_draw_hgt, -1);
    EXPECT_EQ(img.NXG_gdf_path[0], '\0');
    EXPECT_EQ(dec.MulLen, 5);
    EXPECT_EQ(ras.pen.Scr_Ratio, 0);
    EXPECT_TRUE(rec.calls.empty());
}

TEST(Init, FullInitialisationSetsDefaults) {
    resetAll();
    dec.MACROSiz[3] = 7;
    dec.Defined_Status[3] = 3;
    pdi_init(1, 13, 0, 2000);
    EXPECT_EQ(joined(rec.calls), "ginit | chrfld");
    EXPECT_EQ(ras.pen.OriginX, 8);
    EXPECT_EQ(ip.Scr_Width, 1024);
    EXPECT_EQ(ip.Scr_Hight, 1024);
    EXPECT_EQ(dec.SngLen, 1);
    EXPECT_EQ(dec.MulLen, 3);
    EXPECT_EQ(dec.MACROSiz[3], 0);
    EXPECT_EQ(dec.Defined_Status[3], 0);
    EXPECT_EQ(dec.func_macro_mode, 1);
    EXPECT_EQ(ip.LogDrawY, 0xC80000);
    EXPECT_EQ(ip.PhyDrawY, 1023);  // a literal, not the converted height
    EXPECT_EQ(ip.PhyActWd, 1024);
    EXPECT_EQ(ras.pen.PhyCharX, 12);
    EXPECT_EQ(ras.pen.ForColor, 128);
    EXPECT_EQ(txt.ProtectFlag, 1);
    rec.calls.clear();
    pdi_init(2, 0, 0, 512);
    EXPECT_EQ(joined(rec.calls), "chrfld");
    EXPECT_EQ(ip.Scr_Width, 512);
}

}  // namespace
