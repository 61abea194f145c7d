// Control instructions: RESET returns groups of attributes to their defaults
// and clears the screen, DOMAIN sets the operand lengths and the pel, TEXT
// the character attributes, TEXTURE the line texture and fill pattern, and
// WAIT pauses the picture.
#include "interp/control.h"

#include <algorithm>

#include "interp/protocol.h"
#include "interp/interp.h"
#include "text/text.h"
#include "raster/raster.h"
#include "interp/blink.h"
#include "interp/colour.h"
#include "interp/state.h"
#include "nxg/nxg.h"
#include "text/state.h"

namespace naplps {

namespace {

// Record lengths of the instructions.

// Fills the picture area, or the erase window when one is set, with colour
// index c, which stays the pel colour afterwards.
void clearDisplay(int32_t c) {
    ras.DRAW_COLOR_fg = c;
    clearPictureArea();
}

// The fill pattern follows the pel for the solid colour and the hatchings.
void reapplyHatch() {
    if (ip.Texture >= 0 && ip.Texture <= 3) set_TEXTURE(ip.Texture);
}

}  // namespace

void blackdisplay() { clearDisplay(0); }
void colordisplay() { clearDisplay(ras.pen.ColorMod != 0 ? ras.pen.ForColor : ras.pen.ColorNo); }
void blackborder() {}
void colorborder() {}
void onprotect() { txt.ProtectFlag = 1; }

void PDI_reset(int32_t *data) {
    if (data[0] != RESET_VALUES) return;
    const int32_t *v = data;
    if (v[1] != 0) {  // domain (the decoder resets the operand lengths)
        ras.pen.LogPelX = ras.pen.LogPelY = 0;
        ras.pen.PhyPelX = ras.pen.PhyPelY = 1;
        reapplyHatch();
    }
    if (v[2] != 0) {  // colour
        init_colormap();
        switch (v[2]) {
        case 1:
            ras.pen.ColorMod = 0;
            ip.DrawValueG = ip.DrawValueR = ip.DrawValueB = 255;
            ras.pen.ColorNo = 128;
            break;
        case 2: ras.pen.ColorMod = 1; break;
        case 3:
            ras.pen.ColorMod = 1;
            ras.pen.ForColor = 128;
            break;
        default: break;
        }
    }
    switch (v[3]) {  // screen
    case 1: blackdisplay(); break;
    case 2: colordisplay(); break;
    case 3: blackborder(); break;
    case 4: colorborder(); break;
    case 5:
    case 6:
        colordisplay();
        blackborder();
        break;
    case 7:
        blackdisplay();
        blackborder();
        break;
    default: break;
    }
    if (v[4] != 0) {  // text; the cursor and the drawing point stay
        txt.Rotate = txt.CharPath = txt.InterChar = txt.InterRow = 0;
        txt.MovePara = txt.CursStyle = 0;
        ip.LogCharX = 0x60000;
        ip.LogCharY = 0xA0000;
        ras.pen.PhyCharX = phySize(ip.LogCharX);
        ras.pen.PhyCharY = phySize(ip.LogCharY);
        setChrFld();
        ip.LogActX = ip.Act_L = 0;
        ip.LogActY = ip.Act_B = 0;
        ip.LogActWd = ip.Act_R = UNIT_WIDTH;
        ip.LogActHi = ip.Act_T = UNIT_HEIGHT;
        ip.PhyActX = ip.PhyActY = 0;
        ip.PhyActWd = ip.PhyActHi = 1023;
        txt.Reverse = txt.WordWrap = txt.Scroll = txt.UnderLine = txt.CursStat = 0;
    }
    if (v[5] != 0) stopblink();  // blink
    if (v[6] != 0) onprotect();  // protect
    if (v[7] != 0) {             // texture
        ras.pen.LineTexture = ras.pen.HiLight = ip.Texture = 0;
        ip.LogMaskX = 0x60000;
        ip.LogMaskY = 0xA0000;
        ras.pen.PhyMaskX = phySize(ip.LogMaskX);
        ras.pen.PhyMaskY = phySize(ip.LogMaskY);
        // Texture is solid again, so the fills are too.
        set_TEXTURE(0);
    }
    // The macro and DRCS groups clear the decoder's stores; the decoder acts
    // on them itself.
}

void PDI_domain(int32_t *data) {
    int n = data[0];
    if (n != 3 && n != 5) return;
    // The operand lengths are the decoder's: it takes them from the record.
    if (n == 5) {
        ras.pen.LogPelX = data[4];
        ras.pen.LogPelY = data[5];
        ras.pen.PhyPelX = phySize(ras.pen.LogPelX);
        ras.pen.PhyPelY = phySize(ras.pen.LogPelY);
    }
    reapplyHatch();
}

void PDI_text(int32_t *data) {
    int n = data[0];
    if (n != 3 && n != 6 && n != 8) return;
    txt.Rotate = data[1];
    txt.CharPath = data[2];
    txt.InterChar = data[3];
    if (n >= 6) {
        txt.InterRow = data[4];
        txt.MovePara = data[5];
        txt.CursStyle = data[6];
    }
    if (n == 8) {
        ip.LogCharX = data[7];
        ip.LogCharY = data[8];
        ras.pen.PhyCharX = phySize(ip.LogCharX);
        ras.pen.PhyCharY = phySize(ip.LogCharY);
    }
    setChrFld();
}

void PDI_texture(int32_t *data) {
    int n = data[0];
    if (n != 3 && n != 5) return;
    ras.pen.LineTexture = data[1];
    ras.pen.HiLight = data[2];
    ip.Texture = data[3];
    if (n == 5) {
        ip.LogMaskX = data[4];
        ip.LogMaskY = data[5];
        ras.pen.PhyMaskX = phySize(ip.LogMaskX);
        ras.pen.PhyMaskY = phySize(ip.LogMaskY);
    }
    set_TEXTURE(ip.Texture);
}

void PDI_wait(int32_t *data) {
    int n = data[0];
    if (n > DATA_MAX_VALUES) n = DATA_MAX_VALUES;
    // A wait of v ticks pauses for ceil(v / 2) blink ticks (the terminal's
    // blink step counted the timer down too); the pause of the whole
    // instruction is bounded by WAIT_MAX_TICKS.
    int budget = WAIT_MAX_TICKS;
    for (int i = 1; i <= n && budget > 0; i++) {
        int32_t v = data[i] < 0 ? 0 : data[i];
        int32_t sleeps = std::min(int32_t((int64_t(v) + 1) / 2), budget);
        // The host lets the ticks pass before it decodes the next byte.
        wait_ticks_add(sleeps);
        budget -= sleeps;
    }
}

}  // namespace naplps
