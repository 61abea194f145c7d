// The decoder's outward operations that need no window: start-up, drawing
// area, erase mode, close and termination; and the full initialisation of
// the decoder state.
#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "decoder/context.h"
#include "decoder/c1.h"
#include "interp/interp.h"
#include "nxg/nxgfnt.h"
#include "raster/raster.h"
#include "raster/texture.h"
#include "text/text.h"
#include "image/state.h"
#include "interp/colour.h"
#include "interp/state.h"
#include "text/state.h"

namespace naplps {

Decoder dec;

namespace {

// Origins are rounded down to a multiple of 8; a negative origin stays
// negative.
int32_t roundOrigin(int x) { return int32_t(x & ~7); }

}  // namespace

void valinit() {
    dec.St_EDC = 0;
    dec.Ct_EDC = 0;
    dec.SngLen = 1;
    dec.MulLen = 3;
    dec.Dimen = 0;
    set_operand_lengths(dec.SngLen, dec.MulLen);
    clearmacro();
    clearDRCS();
    init_Defined_Status();
    dec.func_macro_mode = 1;
    dec.func_macro_type = 0;
    interp_valinit();
    colour_valinit();
    txt.Rotate = txt.CharPath = txt.InterChar = txt.InterRow = 0;
    txt.MovePara = txt.CursStyle = txt.UnderLine = txt.Reverse = 0;
    txt.CursStat = txt.Scroll = txt.WordWrap = 0;
    txt.ProtectFlag = 1;
    setChrFld();
}

int pdi_init(int mode, int origin_x, int origin_y, int ratio) {
    // Image-file settings and the erase mode are reset in every mode.
    img.NXG_gdf_path[0] = '\0';
    img.NXG_gdf_fname[0] = '\0';
    img.NXG_gdf_draw_x = img.NXG_gdf_draw_y = -1;
    img.NXG_gdf_draw_wid = img.NXG_gdf_draw_hgt = -1;
    txt.PDI_reset_mode = 0;
    if (mode == 1) {
        uf_close();
        uf_open();
        clear_blink_table();
        ginitialize();
    }
    if (mode == 1 || mode == 2) {
        ras.pen.OriginX = roundOrigin(origin_x);
        ras.pen.OriginY = origin_y;
        ras.pen.Scr_Ratio = ratio;
        ip.Scr_Width = ip.Scr_Hight = ratio <= 1024 ? ratio : 1024;
        valinit();
    }
    return 0;
}

int pdi_ctl(int, int, int origin_x, int origin_y, int ratio) {
    ras.pen.OriginX = roundOrigin(origin_x);
    ras.pen.OriginY = origin_y;
    ras.pen.Scr_Ratio = ratio;
    ip.Scr_Width = ratio <= 640 ? ratio : 1024;
    ip.Scr_Hight = ratio <= 480 ? ratio : 1024;
    Set_Clip(ras.pen.OriginX, ras.pen.OriginY, sat32(int64_t(ras.pen.OriginX) + ip.Scr_Width - 1),
             sat32(int64_t(ras.pen.OriginY) + ip.Scr_Hight - 1));
    return 0;
}

int pdi_clip(int, int x1, int y1, int x2, int y2) {
    ip.Scr_Width = x2;
    ip.Scr_Hight = y2;
    Set_Clip(x1, y1, x2, y2);
    return 0;
}

int pdi_set_reset_mode(int, int mode, int x1, int y1, int x2, int y2) {
    txt.PDI_reset_mode = mode;
    txt.PDI_win_x1 = x1;
    txt.PDI_win_y1 = y1;
    txt.PDI_win_x2 = x2;
    txt.PDI_win_y2 = y2;
    return 0;
}

int pdi_open() {
    dec.procmode = PM_IDLE;
    dec.procpage = dec.procGC = 0;
    dec.Len = 0;
    dec.GLS = -1;
    dec.St_EDC = dec.Ct_EDC = dec.vwv = 0;
    return 0;
}

int pdi_close(int) { return 0; }

int pdi_term() {
    uf_close();
    return 0;
}

void core_load_state() { context_enter(PictureContext{}); }

}  // namespace naplps
