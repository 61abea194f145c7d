// Text and cursor: C0 controls and cursor steps, character drawing with the
// built-in font, mosaic characters, scrolling and display erase. The state
// lives in text/state.h (txt) and interp/state.h (ip).
#pragma once

#include <cstdint>

#include "interp/protocol.h"

namespace naplps {

// Character paths (direction of the cursor advance).
constexpr int PATH_RIGHT = 0, PATH_LEFT = 1, PATH_UP = 2, PATH_DOWN = 3;
// Scroll directions of scrollscr: the way the contents move.
constexpr int SCROLL_DOWN = 0, SCROLL_LEFT = 1, SCROLL_UP = 2, SCROLL_RIGHT = 3;

// Values of Done_auto_apd.
constexpr int AUTO_NONE = 0;       // no automatic line change pending
constexpr int AUTO_WRAPPED = 1;    // a character advance just changed line
constexpr int AUTO_SWALLOWED = 2;  // one CR or LF after it was swallowed

// The text code's entries for the decoder.
void PDI_c0(int code, int32_t *data);   // C0 control
void PDI_moji(int set, int32_t *data);  // text run of a character set
void PDI_mosaic(int32_t *data);         // run of mosaic characters
// A C1 control that sets a text attribute or character size, or repeats
// the last character (REPEAT with its count in data[1], REPEAT TO EOL).
void text_c1(int code, const int32_t *data);
// Recomputes the character field from the text state.
void setChrFld();

// Cursor steps (logical units).
void apf();
void apb();
void apd();
void apu();
void apr();
void aph();
void aps(int row, int col);
void cs();
void nsr(int row, int col);
void CursPos_right(int32_t step, int down);
void CursPos_left(int32_t step, int down);
void CursPos_up(int32_t step, int down);
void CursPos_down(int32_t step, int down);
void Curs_down(int32_t step);
void Curs_up(int32_t step);
void Curs_right(int32_t step);
void Curs_left(int32_t step);
int32_t Cal_InterChar(int32_t step);
int32_t Cal_InterRow(int32_t step);
void nextcursorpoint();

// Characters.
int hantojis(int code);
int knhantojis(int code);
void getfont();
void getDRCSfont();
void getsupplefont();
void rotatefont();
void drawfont(int set);
// Left and right blank margins of an ASCII character for proportional
// spacing, in 22nds of the character width (0 for codes outside 0x20..0x7F).
int proMarginLeft(int code);
int proMarginRight(int code);

// Mosaics: moves the cursor on when the cell in hand does not fit.
void drawcheck();

// Scrolling (n pixels, rectangle relative to the drawing area, bottom-up,
// inclusive) and display erase.
void scrollscr(int n, int dir, int x1, int y1, int x2, int y2);
void erasedisplay();
// Fills the picture area, or the erase window when one is set, in the
// current pel colour.
void clearPictureArea();

}  // namespace naplps
