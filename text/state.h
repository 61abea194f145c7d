// Text and cursor state: attributes set by C0/C1 controls and TEXT.
#pragma once

#include <cstdint>

namespace naplps {

struct Text {
    int32_t Rotate = 0, CharPath = 0, InterChar = 0, InterRow = 0;
    int32_t MovePara = 0, CursStyle = 0;
    int32_t UnderLine = 0, Reverse = 0, CursStat = 0;
    int32_t Scroll = 0, WordWrap = 0, ProtectFlag = 0;
    int32_t Done_auto_apd = 0;
    // Erase window of display erase (pdi_set_reset_mode): when set, a clear
    // fills only this rectangle of the picture.
    int32_t PDI_reset_mode = 0;
    int32_t PDI_win_x1 = 0, PDI_win_y1 = 0, PDI_win_x2 = 0, PDI_win_y2 = 0;
    int32_t InField = 0;  // 2 cell inside the field, 1 cursor inside, 0 outside
    int32_t LastCharType = 0, LastCharCd_a = 0;
    int32_t LastCharCode = 0;  // JIS row * 256 + cell of the last character
    int32_t Inapf = 0;         // 1 while a character advance runs

    // Character field: extents of one cell relative to the cursor (logical).
    int32_t ChrFld_l = 0, ChrFld_r = 0, ChrFld_b = 0, ChrFld_t = 0;

    // The character in hand: its code and glyph (2 zero bytes, 16 rows of 2
    // bytes, 2 zero bytes), and the glyph of the last character as fetched,
    // before mirroring and rotation.
    int32_t CodeHigh = 0, CodeLow = 0;
    uint8_t CharFont[36] = {};
    uint8_t LastFont[32] = {};
};

extern Text txt;

// Whole characters left on the current line at the cursor.
int inq_eol_chars();

}  // namespace naplps
