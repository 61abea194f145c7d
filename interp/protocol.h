// The codes of the NAPLPS protocol as this decoder reads them: the final
// bytes that name code sets, the C0 and C1 controls, and the opcodes of the
// PDI set. Each is named here once; the decoder, the interpreter and the
// text code all use these names.
#pragma once

namespace naplps {

// Final bytes of the code sets.
constexpr int SET_PRIMARY = 'B';
constexpr int SET_SUPPL = '|';
constexpr int SET_KANJI = '@';
constexpr int SET_KANJI_J = 'J';
constexpr int SET_PDI = 'W';
constexpr int SET_MACRO = 'z';
constexpr int SET_DRCS = '{';
constexpr int SET_MOSAIC = '}';
// crset values of control bytes; never equal to a final byte.
constexpr int SET_C0 = 1;
constexpr int SET_C1 = 2;

// C0 controls.
constexpr int C0_BS = 0x08;   // backspace: active position backward
constexpr int C0_HT = 0x09;   // horizontal tab: active position forward
constexpr int C0_LF = 0x0A;   // line feed: active position down
constexpr int C0_VT = 0x0B;   // vertical tab: active position up
constexpr int C0_FF = 0x0C;   // form feed: clear screen
constexpr int C0_CR = 0x0D;   // carriage return: active position return
constexpr int C0_SO = 0x0E;   // shift out: G1 into GL
constexpr int C0_SI = 0x0F;   // shift in: G0 into GL
constexpr int C0_SS2 = 0x19;  // single shift G2
constexpr int C0_ESC = 0x1B;  // escape
constexpr int C0_APS = 0x1C;  // active position set: row, column
constexpr int C0_SS3 = 0x1D;  // single shift G3
constexpr int C0_APH = 0x1E;  // active position home
constexpr int C0_NSR = 0x1F;  // non-selective reset

// C1 controls.
constexpr int C1_DEF_MACRO = 0x80;
constexpr int C1_DEFP_MACRO = 0x81;
constexpr int C1_DEFT_MACRO = 0x82;
constexpr int C1_DEF_DRCS = 0x83;
constexpr int C1_DEF_TEXTURE = 0x84;
constexpr int C1_END = 0x85;
constexpr int C1_REPEAT = 0x86;
constexpr int C1_REPEAT_EOL = 0x87;   // repeat to end of line
constexpr int C1_REVERSE = 0x88;      // reverse video on
constexpr int C1_NORMAL = 0x89;       // reverse video off
constexpr int C1_SMALL = 0x8A;        // small characters
constexpr int C1_MEDIUM = 0x8B;       // medium characters
constexpr int C1_NORMAL_SIZE = 0x8C;  // normal characters
constexpr int C1_SIZE_8D = 0x8D;      // a size this decoder leaves alone
constexpr int C1_SIZE_8E = 0x8E;      // a size this decoder leaves alone
constexpr int C1_DOUBLE = 0x8F;       // double-size characters
constexpr int C1_PROTECT = 0x90;
constexpr int C1_EDC1 = 0x91;  // extended-data codes EDC1 .. EDC4
constexpr int C1_EDC4 = 0x94;
constexpr int C1_WORD_WRAP_ON = 0x95;
constexpr int C1_WORD_WRAP_OFF = 0x96;
constexpr int C1_SCROLL_ON = 0x97;
constexpr int C1_SCROLL_OFF = 0x98;
constexpr int C1_UNDERLINE_ON = 0x99;
constexpr int C1_UNDERLINE_OFF = 0x9A;
constexpr int C1_FLASH_CURSOR = 0x9B;
constexpr int C1_STEADY_CURSOR = 0x9C;
constexpr int C1_CURSOR_OFF = 0x9D;
constexpr int C1_STOP_BLINK = 0x9E;
constexpr int C1_UNPROTECT = 0x9F;

// PDI opcodes (7-bit values of the set 'W').
constexpr int OP_RESET = 0x20;
constexpr int OP_DOMAIN = 0x21;
constexpr int OP_TEXT = 0x22;
constexpr int OP_TEXTURE = 0x23;
constexpr int OP_ABSPOINT = 0x24;     // POINT SET ABSOLUTE
constexpr int OP_RELPOINT = 0x25;     // POINT SET RELATIVE
constexpr int OP_ABSPOINTSET = 0x26;  // POINT ABSOLUTE
constexpr int OP_RELPOINTSET = 0x27;  // POINT RELATIVE
constexpr int OP_ABSLINE = 0x28;      // LINE ABSOLUTE
constexpr int OP_RELLINE = 0x29;      // LINE RELATIVE
constexpr int OP_SETABSLINE = 0x2A;   // SET & LINE ABSOLUTE
constexpr int OP_SETRELLINE = 0x2B;   // SET & LINE RELATIVE
constexpr int OP_ARCLINE = 0x2C;      // ARC OUTLINED
constexpr int OP_ARCFILL = 0x2D;      // ARC FILLED
constexpr int OP_SETARCLINE = 0x2E;   // SET & ARC OUTLINED
constexpr int OP_SETARCFILL = 0x2F;   // SET & ARC FILLED
constexpr int OP_RECTLINE = 0x30;     // RECTANGLE OUTLINED
constexpr int OP_RECTFILL = 0x31;     // RECTANGLE FILLED
constexpr int OP_SETRECTLINE = 0x32;  // SET & RECTANGLE OUTLINED
constexpr int OP_SETRECTFILL = 0x33;  // SET & RECTANGLE FILLED
constexpr int OP_POLYLINE = 0x34;     // POLYGON OUTLINED
constexpr int OP_POLYFILL = 0x35;     // POLYGON FILLED
constexpr int OP_SETPOLYLINE = 0x36;  // SET & POLYGON OUTLINED
constexpr int OP_SETPOLYFILL = 0x37;  // SET & POLYGON FILLED
constexpr int OP_FIELD = 0x38;        // FIELD
constexpr int OP_INCPOINT = 0x39;     // INCREMENTAL POINT
constexpr int OP_INCLINE = 0x3A;      // INCREMENTAL LINE
constexpr int OP_INCPOLY = 0x3B;      // INCREMENTAL POLYGON
constexpr int OP_SETCOLOR = 0x3C;     // SET COLOR
constexpr int OP_WAIT = 0x3D;         // WAIT
constexpr int OP_SELECTCOLOR = 0x3E;  // SELECT COLOR
constexpr int OP_BLINK = 0x3F;        // BLINK

// The decoded operand record: a count and up to 1024 values.
constexpr int DATA_SIZE = 1025;
constexpr int DATA_MAX_VALUES = DATA_SIZE - 1;
// Values of a decoded RESET: domain, colour, screen, border, blink, text,
// texture, macro and DRCS groups (indices 1 .. 9).
constexpr int RESET_VALUES = 9;

}  // namespace naplps
