// Stream decoder: process-wide byte-stream state, the macro store and the
// decoder's outward operations (pdi_*). One decoder per process.
#pragma once

#include <cstdint>

namespace naplps {

constexpr int PDIDATA_SIZE = 4097;   // opener + 4096 operand bytes
constexpr int DATA_SIZE = 1025;      // count + 1024 values
constexpr int DATA_MAX_VALUES = DATA_SIZE - 1;
constexpr int MACRO_COUNT = 96;      // names 0x20 .. 0x7F
constexpr int MACROBUF_SIZE = 4097;  // index 4096 is never part of a body
constexpr int MACROBUF_LIMIT = 4096;
constexpr int MACRO_NEST_MAX = 8;    // playbacks of one macro at once
// Macro playback is paid for by the stream: every byte that arrives from
// outside allows MACRO_PLAY_PER_BYTE played bytes, saved up to at most
// MACRO_PLAY_SAVED, so no stream costs more than a fixed multiple of its
// length however its macros invoke each other.
constexpr int MACRO_PLAY_PER_BYTE = 64;
constexpr int MACRO_PLAY_SAVED = 1 << 20;
constexpr int EDC_BFR_SIZE = 512;

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

// Control codes the machine acts on itself.
constexpr int C0_SO = 0x0E;
constexpr int C0_SI = 0x0F;
constexpr int C0_SS2 = 0x19;
constexpr int C0_ESC = 0x1B;
constexpr int C0_APS = 0x1C;
constexpr int C0_SS3 = 0x1D;
constexpr int C0_NSR = 0x1F;
constexpr int C1_DEF_MACRO = 0x80;
constexpr int C1_DEFP_MACRO = 0x81;
constexpr int C1_DEFT_MACRO = 0x82;
constexpr int C1_DEF_DRCS = 0x83;
constexpr int C1_DEF_TEXTURE = 0x84;
constexpr int C1_END = 0x85;
constexpr int C1_REPEAT = 0x86;

// PDI opcodes (7-bit values of the set 'W').
constexpr int OP_RESET = 0x20;
constexpr int OP_DOMAIN = 0x21;
constexpr int OP_TEXT = 0x22;
constexpr int OP_TEXTURE = 0x23;
constexpr int OP_ABSPOINT = 0x24;      // POINT SET ABSOLUTE
constexpr int OP_RELPOINT = 0x25;      // POINT SET RELATIVE
constexpr int OP_ABSPOINTSET = 0x26;   // POINT ABSOLUTE
constexpr int OP_RELPOINTSET = 0x27;   // POINT RELATIVE
constexpr int OP_ABSLINE = 0x28;       // LINE ABSOLUTE
constexpr int OP_RELLINE = 0x29;       // LINE RELATIVE
constexpr int OP_SETABSLINE = 0x2A;    // SET & LINE ABSOLUTE
constexpr int OP_SETRELLINE = 0x2B;    // SET & LINE RELATIVE
constexpr int OP_ARCLINE = 0x2C;       // ARC OUTLINED
constexpr int OP_ARCFILL = 0x2D;       // ARC FILLED
constexpr int OP_SETARCLINE = 0x2E;    // SET & ARC OUTLINED
constexpr int OP_SETARCFILL = 0x2F;    // SET & ARC FILLED
constexpr int OP_RECTLINE = 0x30;      // RECTANGLE OUTLINED
constexpr int OP_RECTFILL = 0x31;      // RECTANGLE FILLED
constexpr int OP_SETRECTLINE = 0x32;   // SET & RECTANGLE OUTLINED
constexpr int OP_SETRECTFILL = 0x33;   // SET & RECTANGLE FILLED
constexpr int OP_POLYLINE = 0x34;      // POLYGON OUTLINED
constexpr int OP_POLYFILL = 0x35;      // POLYGON FILLED
constexpr int OP_SETPOLYLINE = 0x36;   // SET & POLYGON OUTLINED
constexpr int OP_SETPOLYFILL = 0x37;   // SET & POLYGON FILLED
constexpr int OP_FIELD = 0x38;         // FIELD
constexpr int OP_INCPOINT = 0x39;
constexpr int OP_INCLINE = 0x3A;
constexpr int OP_INCPOLY = 0x3B;
constexpr int OP_SETCOLOR = 0x3C;
constexpr int OP_WAIT = 0x3D;
constexpr int OP_SELECTCOLOR = 0x3E;
constexpr int OP_BLINK = 0x3F;

// The states of the byte-stream machine (procmode).
enum ProcMode : int32_t {
    PM_IDLE = 0,
    PM_ESCAPE = 1,
    PM_TEXT1 = 2,     // one-byte text run
    PM_TEXT2 = 3,     // two-byte text run
    PM_PDI = 4,       // PDI operand bytes
    PM_INCPT_CNT = 5, // INCREMENTAL POINT bit count
    PM_INCPT_DATA = 6,
    PM_INCLN_START = 7, // INCREMENTAL LINE/POLYGON start point
    PM_INCLN_DATA = 8,
    PM_NSR = 9,
    PM_APS = 10,
    PM_REPEAT = 11,
    PM_DEFNAME = 12,
    PM_TEXNAME = 13,
    PM_DRCSNAME = 14,
};

// All of the stream decoder's process-wide state. Default member
// initialisers are the values it has when the plug-in is loaded.
struct Decoder {
    // Erase window (pdi_set_reset_mode).
    int32_t PDI_reset_mode = 0;
    int32_t PDI_win_x1 = 0, PDI_win_y1 = 0, PDI_win_x2 = 0, PDI_win_y2 = 0;

    // Code-set designation and invocation.
    int32_t Gset[4] = {SET_PRIMARY, SET_PDI, SET_SUPPL, SET_MOSAIC};
    int32_t GPG[2] = {0, 1};
    int32_t GLS = -1;

    // Instruction collection.
    int32_t procmode = PM_IDLE;
    int32_t procpage = 0, procGC = 0;
    int32_t grset = 0;
    int32_t Len = 0;
    uint8_t pdidata[PDIDATA_SIZE] = {};
    int32_t data[DATA_SIZE] = {};
    int32_t paccnt = 0, brkcnt = 0;
    int32_t PDI_ret_val = 0;

    // Operand lengths.
    int32_t SngLen = 0, MulLen = 0, Dimen = 0;

    // Definitions under way.
    int32_t DefiningFlag = 0;
    int32_t DefiningCode = 0;
    uint8_t ChkEndDef = 0;

    // Macro store and status tables.
    uint8_t MACROBuf[MACROBUF_SIZE] = {};
    int32_t MACROPtr[MACRO_COUNT] = {};
    int32_t MACROSiz[MACRO_COUNT] = {};
    int32_t MACRONst[MACRO_COUNT] = {};
    int32_t MACRONestLevel = 0;
    int32_t MACRONextPtr = 0;
    int32_t MacroDfP = 0;
    // Playback stops at a macro's re-entry from load on.
    int32_t func_macro_mode = 1;
    int32_t func_macro_type = 0;
    int32_t MACROPlayBudget = 0;  // bytes that playback may still play
    uint8_t Defined_Status[MACRO_COUNT] = {};
    uint8_t Texture_Status = 0;
    uint8_t DRCSBuf[MACRO_COUNT][32] = {};

    // Extended-data channel.
    int32_t St_EDC = 0, Ct_EDC = 0, vwv = 0;
    uint8_t EDC_bfr[EDC_BFR_SIZE] = {};
    int32_t Ty_EDC = 0, Ln_EDC = 0;
};

extern Decoder dec;

// Operand decoding.
void pdiana(const uint8_t *pdidata, int len, int32_t *data);
int getmul(const uint8_t *bytes, int pos, int len, int32_t *out);
int getsng(const uint8_t *bytes, int pos, int len, int32_t *out);
int getcolor(const uint8_t *bytes, int pos, int len, int32_t *out);
void Anadata_RESET(const uint8_t *pdidata, int len, int32_t *data);
void Anadata_DOMAIN(const uint8_t *pdidata, int len, int32_t *data);
void Anadata_TEXT(const uint8_t *pdidata, int len, int32_t *data);
void Anadata_TEXTURE(const uint8_t *pdidata, int len, int32_t *data);
void Anadata_coordinate(const uint8_t *pdidata, int len, int32_t *data);
void Anadata_SETCOLOR(const uint8_t *pdidata, int len, int32_t *data);
void Anadata_WAIT(const uint8_t *pdidata, int len, int32_t *data);
void Anadata_SELECTCOLOR(const uint8_t *pdidata, int len, int32_t *data);
void Anadata_BLINK(const uint8_t *pdidata, int len, int32_t *data);
// Operand lengths in force; a length of 0 (before the first RESET or
// DOMAIN) is decoded as the default domain: 3 for multi-value operands, 1
// for single values.
int effMulLen();
int effSngLen();

// Macro store and definition status.
void set_MACRO(int name);
void set_PMACRO(int name);
void set_TMACRO(int name);
void set_DRCS_def(int name);
void set_Texture_def(int name);
void reset_MACRO(int name);
void reset_PMACRO(int name);
void reset_TMACRO(int name);
void reset_DRCS_def(int name);
void reset_Texture_def(int name);
int test_MACRO(int name);
int test_PMACRO(int name);
int test_TMACRO(int name);
int test_DRCS_def(int name);
int test_Texture_def(int name);
void init_Defined_Status();
void clearmacro();
void clearDRCS();
int chk_macro_break();
void defEnd();
void deleteMacro(int name);
void start_macro_def(int code, int name);

// The byte entry.
int pdi_putchar(int handle, int byte);
int pdi_put(int handle, const uint8_t *bytes, int count);
// End of the stream: a text run or instruction still waiting for the byte
// after it is completed as if a byte that ends it had arrived. Calling it
// again, or feeding more bytes afterwards, draws nothing twice.
int pdi_flush(int handle);

// Outward operations.
int pdi_init(int mode, int origin_x, int origin_y, int ratio);
int pdi_ctl(int handle, int func, int origin_x, int origin_y, int ratio);
int pdi_clip(int handle, int x1, int y1, int x2, int y2);
int pdi_set_reset_mode(int handle, int mode, int x1, int y1, int x2, int y2);
int pdi_close(int handle);
int pdi_term();
void valinit();

// Restores the load-time state of the decoder, the drawing state and the
// text state (the subsystems of the X-free core).
void core_load_state();
// The same for every subsystem, the raster engine and the driver included
// (in the whole decoder library only).
void pdi_load_state();

}  // namespace naplps
