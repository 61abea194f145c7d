// The drawing state's one instance, the conversion of logical units to
// pixels, and the drawing state's defaults.
#include "interp/state.h"
#include "interp/interp.h"
#include "raster/raster.h"

#include <cstdint>

namespace naplps {

Interp ip;

// Forgets every blink process without touching the palette.
void clear_blink_table() {
    for (int i = 0; i < 256; i++) {
        ip.BTOnB[i] = ip.BTOnR[i] = ip.BTOnG[i] = ip.BTOnTime[i] = 0;
        ip.BTOffCCode[i] = ip.BTOffB[i] = ip.BTOffR[i] = ip.BTOffG[i] = 0;
        ip.BTOffTime[i] = ip.BTCount[i] = ip.BTFlag[i] = 0;
    }
    ip.LRDefine = -1;
}

void set_operand_lengths(int sng, int mul) {
    ip.SngLen = sng;
    ip.MulLen = mul;
}

int32_t logtophy(int32_t v32) {
    // Each formula rounds as the fixed-point arithmetic of the format does;
    // 64-bit intermediates keep the extremes of the int32 range defined.
    int64_t v = v32;
    int64_t r;
    switch (ras.pen.Scr_Ratio) {
    case 640: {  // v * 640 / 2^24, half away from zero
        int64_t a = v < 0 ? -v : v;
        int64_t m = (a + (a >> 2) + 0x4000) >> 15;
        r = v < 0 ? -m : m;
        break;
    }
    case 512: {  // v * 512 / 2^24, half away from zero
        int64_t a = v < 0 ? -v : v;
        int64_t m = (a + 0x4000) >> 15;
        r = v < 0 ? -m : m;
        break;
    }
    default: {  // drop the low 12 bits towards zero, then scale and round half up
        int64_t t = v >= 0 ? v >> 12 : -((-v) >> 12);
        r = (t * ras.pen.Scr_Ratio + 0x800) >> 12;
        break;
    }
    }
    return sat32(r);
}

int32_t phySize(int32_t v) {
    int32_t s = logtophy(v);
    return s == 0 ? 1 : s;
}

int32_t drawFg() { return ras.pen.ColorMod == 0 ? ras.pen.ColorNo : ras.pen.ForColor; }
int32_t drawBg() { return ras.pen.ColorMod == 2 ? ras.pen.BakColor : -1; }

void interp_valinit() {
    ip.LogDrawX = 0;
    ip.LogDrawY = UNIT_HEIGHT;
    ip.PhyDrawX = 0;
    ip.PhyDrawY = 1023;
    ip.LogCursX = 0;
    ip.LogCursY = UNIT_HEIGHT;
    ip.PhyCursX = 0;
    ip.PhyCursY = 1023;
    ip.LogActX = ip.LogActY = 0;
    ip.LogActWd = UNIT_WIDTH;
    ip.LogActHi = UNIT_HEIGHT;
    ip.PhyActX = ip.PhyActY = 0;
    ip.PhyActWd = ip.Scr_Width;
    ip.PhyActHi = ip.Scr_Hight;
    ras.pen.LogPelX = ras.pen.LogPelY = 0;
    ras.pen.PhyPelX = ras.pen.PhyPelY = 1;
    ip.LogCharX = ip.LogMaskX = 0x60000;
    ip.LogCharY = ip.LogMaskY = 0xA0000;
    ras.pen.PhyCharX = ras.pen.PhyMaskX = 12;
    ras.pen.PhyCharY = ras.pen.PhyMaskY = 20;
    ip.Act_L = 0;
    ip.Act_R = UNIT_WIDTH;
    ip.Act_B = 0;
    ip.Act_T = UNIT_HEIGHT;
    ras.pen.ColorMod = 0;
    ras.pen.ColorNo = 128;
    ras.pen.ForColor = 128;
    ras.pen.BakColor = 0;
    ras.pen.LineTexture = ras.pen.HiLight = ip.Texture = 0;
    ip.WaitTimer = 0;
}

}  // namespace naplps
