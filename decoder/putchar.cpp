// The byte-stream state machine: code-set designation and shifts, escape
// sequences, collection of text runs, PDI instructions and control
// parameters, macro capture and playback. One call per byte, no look-ahead:
// an instruction ends when the first byte that does not belong to it arrives,
// and that byte is then processed afresh in the idle state. The same
// machine runs in a scanning form for the display-offset pre-scan
// (decoder/scan.h): everything is collected as usual and nothing executed.
#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "decoder/c1.h"
#include "decoder/scan.h"
#include "interp/interp.h"
#include "nxg/nxgfnt.h"
#include "raster/raster.h"
#include "raster/texture.h"
#include "text/text.h"

namespace naplps {

namespace {

Decoder &d = dec;

// While a pre-scan runs the machine (scan_putchar), no executor is called:
// C1 controls and the parameters of definition and repeat controls go to
// the scan's own handler, and whether it found what it looks for is kept
// here.
ScanC1 scanC1 = nullptr;
int scanHit = 0;

bool scanning() { return scanC1 != nullptr; }

void toC1(int code, int32_t *data) {
    if (!scanning())
        PDI_c1(code, data);
    else if (scanC1(code, data) != 0)
        scanHit = 1;
}

void toC0(int code, int32_t *data) {
    if (!scanning()) PDI_c0(code, data);
}

bool isOperand(int b) { return (b & 0x40) != 0; }

// Text runs are handed over in chunks of at most this many characters, so a
// long run never overruns the record.
constexpr int TEXT_CHUNK = DATA_MAX_VALUES;

void flushText1() {
    if (scanning()) return;
    d.data[0] = d.Len;
    if (d.grset == SET_MOSAIC)
        PDI_mosaic(d.data);
    else
        PDI_moji(d.grset, d.data);
}

void flushText2() {
    if (scanning()) return;
    d.data[0] = d.Len / 2;  // a lone first byte is dropped
    PDI_moji(d.grset, d.data);
}

// The default operand lengths: 1-byte single values, 3-byte multi-values,
// two dimensions.
void defaultLengths() {
    d.SngLen = 1;
    d.MulLen = 3;
    d.Dimen = 0;
}

void shareLengths() { set_operand_lengths(d.SngLen, d.MulLen); }

// What RESET and DOMAIN change in the decoder itself: the operand lengths,
// and the macro and DRCS stores.
void decoderGroups(int opcode, const int32_t *v) {
    if (opcode == OP_DOMAIN && (v[0] == 3 || v[0] == 5)) {
        d.SngLen = v[1] + 1;
        d.MulLen = v[2] + 1;
        d.Dimen = v[3];
    } else if (opcode == OP_RESET && v[0] == RESET_VALUES) {
        if (v[1] != 0) defaultLengths();  // domain
        if (v[8] != 0) clearmacro();      // macro
        if (v[9] != 0) clearDRCS();       // DRCS
    }
    if (opcode == OP_DOMAIN || opcode == OP_RESET) shareLengths();
}

void endPdi() {
    if (scanning()) return;
    pdiana(d.pdidata, d.Len, d.data);
    exec_instruction(d.pdidata[0], d.data);
}

}  // namespace

void exec_instruction(int opcode, int32_t *data) {
    pdi(opcode, data);
    decoderGroups(opcode, data);
}

namespace {

// NSR: the code sets of a fresh start (primary, PDI, supplementary and
// mosaic in G0..G3; G0 in GL, G1 in GR; no single shift) and the default
// operand lengths, then the text code resets the rest.
void nonSelectiveReset() {
    d.Gset[0] = SET_PRIMARY;
    d.Gset[1] = SET_PDI;
    d.Gset[2] = SET_SUPPL;
    d.Gset[3] = SET_MOSAIC;
    d.GPG[0] = 0;
    d.GPG[1] = 1;
    d.GLS = -1;
    defaultLengths();
    shareLengths();
    toC0(C0_NSR, d.data);
}

void callIncLine() {
    if (scanning()) return;
    d.data[0] = d.Len;
    if (d.pdidata[0] == OP_INCLINE)
        PDI_incline(d.data);
    else
        PDI_incpoly(d.data);
}

// The final byte of an escape sequence (Len bytes collected, ESC included).
// Returns the byte to reprocess as a C1 control for ESC Fe, else -1.
int escapeFinal(int f) {
    const uint8_t *p = d.pdidata;
    switch (d.Len) {
    case 1:                                           // ESC F
        if (f >= 0x40 && f <= 0x5F) return f + 0x40;  // 7-bit C1
        switch (f) {
        case 'n': d.GPG[0] = 2; break;  // LS2
        case 'o': d.GPG[0] = 3; break;  // LS3
        case '~': d.GPG[1] = 1; break;  // LS1R
        case '}': d.GPG[1] = 2; break;  // LS2R
        case '|': d.GPG[1] = 3; break;  // LS3R
        default: break;
        }
        return -1;
    case 2: {  // ESC I F: one set
        int i = p[1];
        switch (f) {
        case '@':
        case 'D':
        case 'J':
            if (i == '$') d.Gset[0] = f;
            break;
        case 'B':
            if (i >= 0x28 && i <= 0x2B)
                d.Gset[i - 0x28] = 'B';
            else if (i == '$')
                d.Gset[0] = '@';
            break;
        case 'A':
        case 'C':
        case 'G':
        case '|':
            if (i >= 0x28 && i <= 0x2B) d.Gset[i - 0x28] = f;
            break;
        case 'W':
        case 'z':
        case '{':
        case '}':
            if ((i >= 0x29 && i <= 0x2B) || (i >= 0x2D && i <= 0x2F)) d.Gset[i & 3] = f;
            break;
        default: break;
        }
        return -1;
    }
    case 3: {  // ESC $ I F: two-byte set into G1 .. G3
        int i = p[2];
        if (p[1] != '$' || i < 0x29 || i > 0x2B) return -1;
        if (f == '@' || f == 'B')
            d.Gset[i & 3] = '@';
        else if (f == 'D' || f == 'J')
            d.Gset[i & 3] = f;
        return -1;
    }
    default: return -1;
    }
}

int feedByte(int handle, int b);

void invokeMacro(int handle, int b) {
    if (test_TMACRO(b)) return;  // T-macros are never played back
    int m = b - 0x20;
    if (m < 0 || m >= MACRO_COUNT) return;
    if (d.MACRONst[m] >= MACRO_NEST_MAX) return;
    // What the stream's bytes have paid for is saved up to a limit.
    if (d.MACROPlayBudget > MACRO_PLAY_SAVED) d.MACROPlayBudget = MACRO_PLAY_SAVED;
    d.MACRONestLevel++;
    d.MACRONst[m]++;
    if (d.MACRONst[m] > 1) d.func_macro_type = 1;
    // Size and start are read afresh for every byte: a definition inside
    // the playback may move the store.
    for (int i = 0; i < d.MACROSiz[m]; i++) {
        if (chk_macro_break() == 1) break;
        int at = d.MACROPtr[m] + i;
        if (at < 0 || at >= MACROBUF_LIMIT) break;
        if (d.MACROPlayBudget <= 0) break;  // the stream has paid for no more
        d.MACROPlayBudget--;
        feedByte(handle, d.MACROBuf[at]);
    }
    if (d.MACRONst[m] > 0) d.MACRONst[m]--;
    d.MACRONestLevel--;
    if (d.MACRONestLevel <= 0) {
        d.MACRONestLevel = 0;
        d.func_macro_type = 0;
    }
}

void captureByte(int b) {
    if (d.MacroDfP >= 0 && d.MacroDfP < MACROBUF_LIMIT) d.MACROBuf[d.MacroDfP++] = uint8_t(b);
}

// Macro definition capture. Returns the byte to go on with, or -1 when the
// call ends with the byte stored.
int capture(int b) {
    if (b >= 0x80 && b <= 0x85) {  // a definition control ends the capture
        defEnd();
        d.ChkEndDef = 0;
        return b;
    }
    if (d.ChkEndDef && b >= 0x40 && b <= 0x45) {  // its 7-bit form after a held ESC
        defEnd();
        d.ChkEndDef = 0;
        return b + 0x40;
    }
    if (d.ChkEndDef) {
        captureByte(C0_ESC);
        d.ChkEndDef = 0;
    }
    if (b == C0_ESC)
        d.ChkEndDef = C0_ESC;
    else
        captureByte(b);
    if (d.DefiningFlag == C1_DEFP_MACRO) return b;  // stored and executed
    return -1;
}

// State 0: the byte opens an instruction or is a control of its own.
void idle(int handle, int b, int page, int gc, int crset) {
    d.procpage = page;
    d.procGC = gc;
    d.pdidata[0] = uint8_t(b);
    d.Len = 1;
    if (!gc) {
        if (b >= 0x80) {
            d.GLS = -1;
            switch (b) {
            case C1_DEF_MACRO:
            case C1_DEFP_MACRO:
            case C1_DEFT_MACRO: d.procmode = PM_DEFNAME; break;
            case C1_DEF_DRCS: d.procmode = PM_DRCSNAME; break;
            case C1_DEF_TEXTURE: d.procmode = PM_TEXNAME; break;
            case C1_REPEAT: d.procmode = PM_REPEAT; break;
            default:  // END and the other C1 controls
                d.data[0] = 0;
                toC1(b, d.data);
                break;
            }
            return;
        }
        switch (b) {
        case C0_ESC:
            d.procmode = PM_ESCAPE;
            d.GLS = -1;
            break;
        case C0_SO:
            d.GLS = -1;
            d.GPG[0] = 1;
            break;  // locking shift G1 into GL
        case C0_SI:
            d.GLS = -1;
            d.GPG[0] = 0;
            break;                      // locking shift G0 into GL
        case C0_SS2: d.GLS = 2; break;  // single shift G2
        case C0_SS3: d.GLS = 3; break;  // single shift G3
        case C0_APS:
            d.GLS = -1;
            d.procmode = PM_APS;
            break;  // active position set
        case C0_NSR:
            d.GLS = -1;
            d.procmode = PM_NSR;
            break;  // non-selective reset
        default:
            d.GLS = -1;
            d.data[0] = 0;
            toC0(b, d.data);
            break;
        }
        return;
    }
    if (d.GLS >= 0) {
        crset = d.Gset[d.GLS & 3];
        d.GLS = -1;
    }
    d.grset = crset;
    switch (crset) {
    case SET_KANJI:
    case SET_KANJI_J:
        d.Len = 0;
        d.procmode = PM_TEXT2;
        d.data[1] = b << 8;
        d.Len = 1;
        break;
    case SET_PDI:
        if (b == OP_INCPOINT)
            d.procmode = PM_INCPT_CNT;
        else if (b == OP_INCLINE || b == OP_INCPOLY)
            d.procmode = PM_INCLN_START;
        else if (b < 0x40)
            d.procmode = PM_PDI;
        // 0x40 .. 0x7F: operand byte without an opcode, ignored
        break;
    case SET_MACRO:
        if (!scanning()) invokeMacro(handle, b);
        break;
    default:
        d.procmode = PM_TEXT1;
        d.data[1] = b;
        d.Len = 1;
        break;
    }
}

// States 1 .. 14. Returns true when the byte is handed back to state 0.
// Inlined: it runs for most bytes.
__attribute__((always_inline)) inline bool collect(int b, int gc, int crset, int &restartAs) {
    bool same = gc && crset == d.grset;
    switch (d.procmode) {
    case PM_ESCAPE:
        if (!gc) return true;  // sequence abandoned
        if (b < 0x30) {        // intermediate byte
            if (d.Len < PDIDATA_SIZE) d.pdidata[d.Len++] = uint8_t(b);
            return false;
        }
        restartAs = escapeFinal(b);
        d.procmode = PM_IDLE;
        return false;
    case PM_TEXT1:
        if (!same) {
            flushText1();
            return true;
        }
        if (d.Len >= TEXT_CHUNK) {
            flushText1();
            d.Len = 0;
        }
        d.data[++d.Len] = b;
        return false;
    case PM_TEXT2:
        if (!same) {
            flushText2();
            return true;
        }
        if (d.Len >= 2 * TEXT_CHUNK) {
            flushText2();
            d.Len = 0;
        }
        if (d.Len % 2 == 0)
            d.data[1 + d.Len / 2] = b << 8;
        else
            d.data[1 + d.Len / 2] |= b;
        d.Len++;
        return false;
    case PM_PDI:
        if (!(same && isOperand(b))) {
            endPdi();
            return true;
        }
        // Operand bytes past the buffer are dropped: the instruction is cut.
        if (d.Len < PDIDATA_SIZE) d.pdidata[d.Len++] = uint8_t(b);
        return false;
    case PM_INCPT_CNT:
        d.procmode = PM_IDLE;
        if (!(same && isOperand(b))) return false;  // dropped with the instruction
        d.paccnt = b & 0x3F;
        if (d.paccnt != 0) {
            d.data[1] = d.paccnt;
            d.brkcnt = d.paccnt + 1;
            d.data[0] = d.brkcnt;
            d.Len = 1;
            d.procmode = PM_INCPT_DATA;
        }
        return false;
    case PM_INCPT_DATA:
        if (!(same && isOperand(b))) {
            if (d.Len > 1 && !scanning()) {
                d.data[0] = d.Len;
                PDI_incpoint(d.data);
            }
            return true;
        }
        d.data[++d.Len] = b & 0x3F;
        if (d.Len >= d.brkcnt) {
            d.data[0] = d.Len;
            int r = scanning() ? 0 : PDI_incpoint(d.data);
            if (r > 0 && r < d.paccnt) {
                int keep = d.brkcnt - 1 - r;  // words data[2 + r] .. data[brkcnt]
                for (int k = 0; k < keep; k++) d.data[2 + k] = d.data[2 + r + k];
                d.Len = d.brkcnt - r;
            } else {
                // All used, or nothing can be used (a bit count the handler
                // refuses): the batch is done either way.
                d.Len = 1;
            }
        }
        return false;
    case PM_INCLN_START:
        if (!(same && isOperand(b))) {
            d.procmode = PM_IDLE;  // dropped with the instruction
            return false;
        }
        d.pdidata[d.Len++] = uint8_t(b);
        if (d.Len > effMulLen()) {
            getmul(d.pdidata, 1, d.Len, d.data + 1);
            d.Len = 2;
            d.procmode = PM_INCLN_DATA;
        }
        return false;
    case PM_INCLN_DATA:
        if (!(same && isOperand(b))) {
            if (d.Len > 2) callIncLine();
            return true;
        }
        d.data[++d.Len] = b & 0x3F;
        // A batch ends on a byte with a low bit set, or when the record is
        // full.
        if ((b & 0x03) != 0 || d.Len >= DATA_MAX_VALUES) {
            callIncLine();
            d.Len = 2;
        }
        return false;
    case PM_NSR:
        // Only operand bytes are the row and column; any other byte (the
        // opcode of the next instruction, a control) ends NSR without a
        // position and is processed as itself.
        if (!(gc && isOperand(b))) {
            d.data[0] = 0;
            nonSelectiveReset();
            return true;
        }
        d.pdidata[d.Len++] = uint8_t(b);
        if (d.Len >= 3) {
            d.data[0] = 2;
            d.data[1] = d.pdidata[1] & 0x3F;
            d.data[2] = d.pdidata[2] & 0x3F;
            d.procmode = PM_IDLE;
            nonSelectiveReset();
        }
        return false;
    case PM_APS:
        // As for NSR: operand bytes give row and column, any other byte
        // drops APS and is processed as itself.
        if (!(gc && isOperand(b))) return true;
        d.pdidata[d.Len++] = uint8_t(b);
        if (d.Len >= 3) {
            d.data[0] = 2;
            d.data[1] = d.pdidata[1] & 0x3F;
            d.data[2] = d.pdidata[2] & 0x3F;
            d.procmode = PM_IDLE;
            toC0(C0_APS, d.data);
        }
        return false;
    case PM_REPEAT:
        if (!gc) return true;
        if (isOperand(b)) {
            d.data[0] = 1;
            d.data[1] = b & 0x3F;
            d.procmode = PM_IDLE;
            toC1(C1_REPEAT, d.data);
        }
        return false;
    case PM_DEFNAME:
    case PM_DRCSNAME:
        if (!gc) return true;
        d.data[0] = 1;
        d.data[1] = b;
        d.procmode = PM_IDLE;
        toC1(d.pdidata[0], d.data);
        return false;
    case PM_TEXNAME:
        if (!gc) return true;
        if (b >= 'A' && b <= 'D') {
            d.data[0] = 1;
            d.data[1] = b;
            d.procmode = PM_IDLE;
            toC1(C1_DEF_TEXTURE, d.data);
        }
        return false;
    default:  // not a state: start over
        return true;
    }
}

// One byte through the machine, from its classification to the state it
// leaves.
__attribute__((always_inline)) inline void machine(int handle, int b) {
    for (;;) {
        // Classification of the byte.
        int page = b >= 0x80;
        int gc = (b & 0x60) != 0;
        int crset;
        if (gc) {
            crset = d.Gset[d.GPG[page] & 3];
            b &= 0x7F;
        } else {
            crset = page ? SET_C1 : SET_C0;
        }
        int restartAs = -1;
        bool handBack = true;
        if (d.procmode != PM_IDLE) {
            handBack = collect(b, gc, crset, restartAs);
            if (handBack) d.procmode = PM_IDLE;
        }
        if (restartAs >= 0) {  // ESC Fe: again as the C1 byte
            b = restartAs;
            continue;
        }
        if (handBack) idle(handle, b, page, gc, crset);
        break;
    }
}

// One byte, from the stream or played from a macro.
__attribute__((always_inline)) inline int feedByte(int handle, int b) {
    if (d.DefiningFlag >= C1_DEF_MACRO && d.DefiningFlag <= C1_DEFT_MACRO) {
        b = capture(b);
        if (b < 0) return d.PDI_ret_val == 2 ? 0 : d.PDI_ret_val;
    }
    machine(handle, b);
    if (d.PDI_ret_val == 2) {
        d.PDI_ret_val = 0;
        return 2;
    }
    return d.PDI_ret_val;
}

}  // namespace

int pdi_putchar(int handle, int byte) {
    // A byte from the stream pays for later macro playback and for drawing;
    // the savings are capped when they are spent.
    d.MACROPlayBudget += MACRO_PLAY_PER_BYTE;
    work_earn();
    return feedByte(handle, byte & 0xFF);
}

int scan_putchar(int byte, ScanC1 c1) {
    ScanC1 outer = scanC1;
    scanC1 = c1;
    scanHit = 0;
    machine(0, byte & 0xFF);
    int hit = scanHit;
    scanC1 = outer;
    scanHit = 0;
    return hit;
}

int pdi_put(int handle, const uint8_t *bytes, int count) {
    for (int i = 0; i < count; i++) pdi_putchar(handle, bytes[i]);
    return 0;
}

int pdi_flush(int) {
    if (d.procmode != PM_IDLE) {
        // A NUL, as the control that ends every instruction, without
        // executing the NUL itself.
        int restartAs = -1;
        collect(0x00, 0, SET_C0, restartAs);
        d.procmode = PM_IDLE;
    }
    return 0;
}

}  // namespace naplps
