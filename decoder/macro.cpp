// The macro store (96 bodies end to end in one byte buffer), the status of
// macros, DRCS characters and texture patterns, the break test of macro
// playback, and the opening and closing of definitions.
#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "decoder/c1.h"
#include "interp/interp.h"
#include "nxg/nxgfnt.h"
#include "raster/raster.h"
#include "raster/texture.h"
#include "text/text.h"

#include <cstring>

namespace naplps {

namespace {

Decoder &d = dec;

constexpr uint8_t KIND_MASK = 0x03;
constexpr uint8_t KIND_P = 1, KIND_PLAIN = 2, KIND_T = 3;
constexpr uint8_t DRCS_BIT = 0x04;

// Index into the status tables, or -1 for a name below 0x20.
int slot(int name) {
    name &= 0x7F;
    return name < 0x20 ? -1 : name - 0x20;
}

void setKind(int name, uint8_t kind) {
    int s = slot(name);
    if (s >= 0) d.Defined_Status[s] = uint8_t((d.Defined_Status[s] & ~KIND_MASK) | kind);
}

void resetKind(int name) {
    int s = slot(name);
    if (s >= 0) d.Defined_Status[s] &= uint8_t(~KIND_MASK);
}

int testKind(int name, uint8_t kind) {
    int s = slot(name);
    return s >= 0 && (d.Defined_Status[s] & KIND_MASK) == kind;
}

int textureBit(int name) {
    name &= 0x7F;
    return name >= 'A' && name <= 'D' ? 1 << (name - 'A') : 0;
}

bool capturingMacro() { return d.DefiningFlag >= C1_DEF_MACRO && d.DefiningFlag <= C1_DEFT_MACRO; }

}  // namespace

void set_MACRO(int name) { setKind(name, KIND_PLAIN); }
void set_PMACRO(int name) { setKind(name, KIND_P); }
void set_TMACRO(int name) { setKind(name, KIND_T); }
void reset_MACRO(int name) { resetKind(name); }
void reset_PMACRO(int name) { resetKind(name); }
void reset_TMACRO(int name) { resetKind(name); }
int test_MACRO(int name) { return testKind(name, KIND_PLAIN); }
int test_PMACRO(int name) { return testKind(name, KIND_P); }
int test_TMACRO(int name) { return testKind(name, KIND_T); }

void set_DRCS_def(int name) {
    int s = slot(name);
    if (s >= 0) d.Defined_Status[s] |= DRCS_BIT;
}
void reset_DRCS_def(int name) {
    int s = slot(name);
    if (s >= 0) d.Defined_Status[s] &= uint8_t(~DRCS_BIT);
}
int test_DRCS_def(int name) {
    int s = slot(name);
    return s >= 0 && (d.Defined_Status[s] & DRCS_BIT) != 0;
}

void set_Texture_def(int name) { ras.Texture_Status |= uint8_t(textureBit(name)); }
void reset_Texture_def(int name) { ras.Texture_Status &= uint8_t(~textureBit(name)); }
int test_Texture_def(int name) {
    return textureBit(name) && (ras.Texture_Status & textureBit(name));
}

void init_Defined_Status() { std::memset(d.Defined_Status, 0, sizeof d.Defined_Status); }

void clearmacro() {
    for (int m = 0; m < MACRO_COUNT; m++) {
        d.MACROPtr[m] = MACROBUF_LIMIT;
        d.MACROSiz[m] = 0;
        d.Defined_Status[m] &= uint8_t(~KIND_MASK);
    }
    d.MACRONextPtr = 0;
    d.MACROBuf[MACROBUF_LIMIT] = 0;
    if (capturingMacro()) {
        // A body being captured (a DEFP MACRO can execute RESET) starts over
        // in the emptied store, so its start never lies beyond its end.
        int s = slot(d.DefiningCode);
        if (s >= 0) d.MACROPtr[s] = 0;
    }
    d.MacroDfP = 0;
}

void clearDRCS() {
    std::memset(ras.DRCSBuf, 0, sizeof ras.DRCSBuf);
    for (auto &st : d.Defined_Status) st &= uint8_t(~DRCS_BIT);
}

int chk_macro_break() {
    if (d.func_macro_mode == 0) return 1;
    return d.func_macro_type == 1 ? 1 : 0;
}

void deleteMacro(int name) {
    int m = slot(name);
    if (m < 0) return;
    int s = d.MACROSiz[m];
    int p = d.MACROPtr[m];
    int end = d.MacroDfP;
    d.MACROSiz[m] = 0;
    // Only a consistent body is moved out; anything else is just forgotten.
    if (s <= 0 || p < 0 || p + s > d.MACRONextPtr || d.MACRONextPtr > MACROBUF_LIMIT ||
        end < p + s || end > MACROBUF_LIMIT)
        return;
    std::memmove(d.MACROBuf + p, d.MACROBuf + p + s, size_t(end - p - s));
    for (int k = 0; k < MACRO_COUNT; k++)
        if (d.MACROPtr[k] > p) d.MACROPtr[k] -= s;
    d.MacroDfP -= s;
    d.MACRONextPtr -= s;
}

void start_macro_def(int code, int name) {
    if (d.DefiningFlag != 0) defEnd();
    int m = slot(name);
    if (m < 0) return;
    d.DefiningFlag = code;
    d.DefiningCode = name & 0x7F;
    deleteMacro(name);
    d.MACROPtr[m] = d.MACRONextPtr;
    d.MacroDfP = d.MACRONextPtr;
}

void defEnd() {
    if (d.DefiningFlag == C1_DEF_DRCS || d.DefiningFlag == C1_DEF_TEXTURE) {
        end_def_texture();
    } else if (capturingMacro()) {
        int m = slot(d.DefiningCode);
        if (d.MacroDfP >= 0 && d.MacroDfP <= MACROBUF_LIMIT) d.MACRONextPtr = d.MacroDfP;
        if (m >= 0) {
            int size = d.MACRONextPtr - d.MACROPtr[m];
            d.MACROSiz[m] = size > 0 ? size : 0;
        }
    }
    d.DefiningFlag = 0;
    d.DefiningCode = 0;
}

}  // namespace naplps
