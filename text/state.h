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
    int32_t InField = 0;   // 2 cell inside the field, 1 cursor inside, 0 outside
    int32_t LastCharType = 0, LastCharCd_a = 0;
};

extern Text txt;

// Whole characters left on the current line at the cursor.
int inq_eol_chars();

}  // namespace naplps
