// The C1 controls that act on text: reverse video, underline, word wrap,
// scrolling, protection, the cursor's style, the character sizes, and REPEAT
// of the last character.
#include <algorithm>

#include "interp/protocol.h"
#include "interp/state.h"
#include "raster/raster.h"
#include "text/state.h"
#include "text/text.h"

namespace naplps {

namespace {

void setCharSize(int32_t x, int32_t y) {
    ip.LogCharX = x;
    ip.LogCharY = y;
    ras.pen.PhyCharX = phySize(x);
    ras.pen.PhyCharY = phySize(y);
    setChrFld();  // the character field follows every change of size
}

// Draws the last character n more times as one text run.
void repeatLast(int n) {
    int32_t run[DATA_SIZE];
    n = std::min(n, DATA_MAX_VALUES);
    run[0] = n;
    for (int i = 1; i <= n; i++) run[i] = txt.LastCharCd_a;
    PDI_moji(txt.LastCharType, run);
}

}  // namespace

void text_c1(int code, const int32_t *data) {
    switch (code) {
    case C1_REPEAT: {  // REPEAT: the count in the low six bits
        int n = data[1] & 0x3F;
        if (data[0] >= 1 && n > 0) repeatLast(n);
        break;
    }
    case C1_REPEAT_EOL: {  // REPEAT TO EOL
        int n = inq_eol_chars();
        if (n > 0) repeatLast(n);
        break;
    }
    case C1_REVERSE: txt.Reverse = 1; break;                    // reverse video on
    case C1_NORMAL: txt.Reverse = 0; break;                     // reverse video off
    case C1_SMALL: setCharSize(0x30000, 0xA0000); break;        // small characters
    case C1_MEDIUM: setCharSize(0x80000, 0xC0000); break;       // medium characters
    case C1_NORMAL_SIZE: setCharSize(0x60000, 0xA0000); break;  // normal characters
    case C1_SIZE_8D:
    case C1_SIZE_8E: break;                                 // left alone
    case C1_DOUBLE: setCharSize(0xC0000, 0x140000); break;  // double-size characters
    case C1_PROTECT: txt.ProtectFlag = 1; break;            // protect
    case C1_UNPROTECT: txt.ProtectFlag = 0; break;          // unprotect
    case C1_WORD_WRAP_ON: txt.WordWrap = 1; break;          // word wrap on
    case C1_WORD_WRAP_OFF: txt.WordWrap = 0; break;         // word wrap off
    case C1_SCROLL_ON: txt.Scroll = 1; break;               // scroll on
    case C1_SCROLL_OFF: txt.Scroll = 0; break;              // scroll off
    case C1_UNDERLINE_ON: txt.UnderLine = 1; break;         // underline on
    case C1_UNDERLINE_OFF: txt.UnderLine = 0; break;        // underline off
    case C1_FLASH_CURSOR: txt.CursStat = 1; break;          // flashing cursor
    case C1_STEADY_CURSOR: txt.CursStat = 2; break;         // steady cursor
    case C1_CURSOR_OFF: txt.CursStat = 0; break;            // cursor off
    default: break;
    }
}

}  // namespace naplps
