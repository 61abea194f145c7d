// The C1 controls: text attributes and character sizes, the opening and
// closing of macro, DRCS and texture definitions, REPEAT, and the
// extended-data channel whose messages can name an image for the picture.
#include "decoder/decoder.h"
#include "decoder/executors.h"
#include "image/gdf.h"
#include "interp/colour.h"
#include "interp/state.h"
#include "raster/texture.h"
#include "text/state.h"
#include "raster/raster.h"

namespace naplps {

namespace {

Decoder &d = dec;

constexpr int EDC_TYPE_IMAGE = 3;
constexpr int GDF_NAME_MAX = 127;  // longer names are cut

void setCharSize(int32_t x, int32_t y) {
    ip.LogCharX = x;
    ip.LogCharY = y;
    ras.pen.PhyCharX = phySize(x);
    ras.pen.PhyCharY = phySize(y);
    setChrFld();  // the character field follows every change of size
}

// Draws the last character n more times as one text run.
void repeatLast(int n) {
    if (n > DATA_MAX_VALUES) n = DATA_MAX_VALUES;
    d.data[0] = n;
    for (int i = 1; i <= n; i++) d.data[i] = txt.LastCharCd_a;
    PDI_moji(txt.LastCharType, d.data);
}

int le16(const uint8_t *b) { return b[0] | b[1] << 8; }

// A complete message whose check byte matched.
void edcMessage() {
    d.PDI_ret_val = 0;
    if (d.Ty_EDC != EDC_TYPE_IMAGE || d.Ln_EDC < 11) return;
    const uint8_t *b = d.EDC_bfr;
    int x = EBphytoscr(le16(b + 5)), y = EBphytoscr(le16(b + 7));
    int w = EBphytoscr(le16(b + 9)), h = EBphytoscr(le16(b + 11));
    // One name character in every second byte, to a NUL or the payload's end.
    char name[GDF_NAME_MAX + 1];
    int n = 0;
    for (int k = 13; k <= d.Ln_EDC + 1 && b[k] != 0 && n < GDF_NAME_MAX; k += 2) name[n++] = char(b[k]);
    name[n] = '\0';
    d.PDI_ret_val = 2;
    pdi_set_gdf(x, y, w, h, name);
}

// One EDC code: two bits of the message byte being assembled.
void edcCode(int code) {
    d.PDI_ret_val = 1;
    if (!d.St_EDC) {
        d.St_EDC = 1;
        d.Ct_EDC = 0;
        d.vwv = 0;
    }
    d.vwv = (d.vwv << 2) | (code - 0x91);
    d.Ct_EDC++;
    if (d.Ct_EDC % 4 != 0) return;
    int i = d.Ct_EDC / 4 - 1;
    if (i < EDC_BFR_SIZE) d.EDC_bfr[i] = uint8_t(d.vwv);
    if (i == 0) d.Ty_EDC = d.vwv & 0xFF;
    if (i == 1) d.Ln_EDC = d.vwv & 0xFF;
    d.vwv = 0;
    if (i < 2 || i != d.Ln_EDC + 2) return;
    unsigned sum = 0;
    for (int k = 0; k <= d.Ln_EDC + 1; k++) sum += d.EDC_bfr[k];
    // The message is over either way: a mismatched one is dropped and the
    // next code starts a new message.
    d.St_EDC = 0;
    d.Ct_EDC = 0;
    if (uint8_t(-sum) == d.EDC_bfr[i])
        edcMessage();
    else
        d.PDI_ret_val = 0;
}

}  // namespace

void PDI_c1(int code, int32_t *data) {
    txt.Done_auto_apd = 0;
    int name = data[0] >= 1 ? data[1] & 0x7F : 0;
    switch (code) {
    case C1_DEF_MACRO:   // DEF MACRO
        set_MACRO(name);
        start_macro_def(code, name);
        break;
    case C1_DEFP_MACRO:  // DEFP MACRO
        set_PMACRO(name);
        start_macro_def(code, name);
        break;
    case C1_DEFT_MACRO:  // DEFT MACRO
        set_TMACRO(name);
        start_macro_def(code, name);
        break;
    case C1_DEF_DRCS:    // DEF DRCS
        if (d.DefiningFlag) defEnd();
        set_DRCS_def(name);
        d.DefiningFlag = C1_DEF_DRCS;
        d.DefiningCode = name;
        start_def_texture(name);
        break;
    case C1_DEF_TEXTURE:  // DEF TEXTURE: patterns 'A' .. 'D' are 4 .. 7
        if (d.DefiningFlag) defEnd();
        d.DefiningFlag = C1_DEF_TEXTURE;
        set_Texture_def(name);
        d.DefiningCode = name - 0x3D;
        start_def_texture(d.DefiningCode);
        break;
    case C1_END:  // END
        if (d.DefiningFlag) defEnd();
        break;
    case C1_REPEAT: {  // REPEAT
        int n = data[1] & 0x3F;
        if (data[0] >= 1 && n > 0) repeatLast(n);
        break;
    }
    case 0x87: {  // REPEAT TO EOL
        int n = inq_eol_chars();
        if (n > 0) repeatLast(n);
        break;
    }
    case 0x88: txt.Reverse = 1; break;                 // reverse video on
    case 0x89: txt.Reverse = 0; break;                 // reverse video off
    case 0x8A: setCharSize(0x30000, 0xA0000); break;   // small characters
    case 0x8B: setCharSize(0x80000, 0xC0000); break;   // medium characters
    case 0x8C: setCharSize(0x60000, 0xA0000); break;   // normal characters
    case 0x8D: break;
    case 0x8E: break;
    case 0x8F: setCharSize(0xC0000, 0x140000); break;  // double-size characters
    case 0x90: txt.ProtectFlag = 1; break;             // protect
    case 0x91: case 0x92: case 0x93: case 0x94:        // EDC1 .. EDC4
        edcCode(code);
        break;
    case 0x95: txt.WordWrap = 1; break;   // word wrap on
    case 0x96: txt.WordWrap = 0; break;   // word wrap off
    case 0x97: txt.Scroll = 1; break;     // scroll on
    case 0x98: txt.Scroll = 0; break;     // scroll off
    case 0x99: txt.UnderLine = 1; break;  // underline on
    case 0x9A: txt.UnderLine = 0; break;  // underline off
    case 0x9B: txt.CursStat = 1; break;   // flashing cursor
    case 0x9C: txt.CursStat = 2; break;   // steady cursor
    case 0x9D: txt.CursStat = 0; break;   // cursor off
    case 0x9E: stopblink(); break;        // stop blinking
    case 0x9F: txt.ProtectFlag = 0; break;  // unprotect
    default: break;
    }
}

}  // namespace naplps
