// The C1 controls as the decoder takes them: the opening and closing of
// macro, DRCS and texture definitions and the extended-data channel, whose
// messages can name an image for the picture. Text attributes, sizes and
// REPEAT go to the text code, stop-blink to the colour map.
#include "decoder/c1.h"

#include "decoder/macro.h"
#include "decoder/state.h"
#include "image/gdf.h"
#include "interp/colour.h"
#include "raster/texture.h"
#include "text/state.h"
#include "text/text.h"

namespace naplps {

namespace {

Decoder &d = dec;

constexpr int EDC_TYPE_IMAGE = 3;
constexpr int GDF_NAME_MAX = 127;  // longer names are cut

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
    for (int k = 13; k <= d.Ln_EDC + 1 && b[k] != 0 && n < GDF_NAME_MAX; k += 2)
        name[n++] = char(b[k]);
    name[n] = '\0';
    d.PDI_ret_val = 2;
    pdi_set_gdf(x, y, w, h, name);
}

}  // namespace

bool edc_code(int code) {
    d.PDI_ret_val = 1;
    if (!d.St_EDC) {
        d.St_EDC = 1;
        d.Ct_EDC = 0;
        d.vwv = 0;
    }
    d.vwv = (d.vwv << 2) | (code - C1_EDC1);
    d.Ct_EDC++;
    if (d.Ct_EDC % 4 != 0) return false;
    int i = d.Ct_EDC / 4 - 1;
    if (i < EDC_BFR_SIZE) d.EDC_bfr[i] = uint8_t(d.vwv);
    if (i == 0) d.Ty_EDC = d.vwv & 0xFF;
    if (i == 1) d.Ln_EDC = d.vwv & 0xFF;
    d.vwv = 0;
    if (i < 2 || i != d.Ln_EDC + 2) return false;
    unsigned sum = 0;
    for (int k = 0; k <= d.Ln_EDC + 1; k++) sum += d.EDC_bfr[k];
    // The message is over either way: a mismatched one is dropped and the
    // next code starts a new message.
    d.St_EDC = 0;
    d.Ct_EDC = 0;
    if (uint8_t(-sum) != d.EDC_bfr[i]) {
        d.PDI_ret_val = 0;
        return false;
    }
    edcMessage();
    return true;
}

void PDI_c1(int code, int32_t *data) {
    txt.Done_auto_apd = 0;
    int name = data[0] >= 1 ? data[1] & 0x7F : 0;
    switch (code) {
    case C1_DEF_MACRO:  // DEF MACRO
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
    case C1_DEF_DRCS:  // DEF DRCS
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
    case C1_EDC1:
    case C1_EDC1 + 1:
    case C1_EDC1 + 2:
    case C1_EDC4:  // EDC1 .. EDC4
        edc_code(code);
        break;
    case C1_STOP_BLINK: stopblink(); break;  // stop blinking: the colour map's
    default: text_c1(code, data); break;     // text attributes, sizes, REPEAT
    }
}

}  // namespace naplps
