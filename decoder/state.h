// The stream decoder's state: the byte-stream machine, code-set
// designation and invocation, operand lengths, the macro store and the
// extended-data channel. One instance, `dec`, is the live state.
#pragma once

#include <cstdint>

#include "interp/protocol.h"

namespace naplps {

constexpr int PDIDATA_SIZE = 4097;   // opener + 4096 operand bytes
constexpr int MACRO_COUNT = 96;      // names 0x20 .. 0x7F
constexpr int MACROBUF_SIZE = 4097;  // index 4096 is never part of a body
constexpr int MACROBUF_LIMIT = 4096;
constexpr int MACRO_NEST_MAX = 8;  // playbacks of one macro at once
// Macro playback is paid for by the stream: every byte that arrives from
// outside allows MACRO_PLAY_PER_BYTE played bytes, saved up to at most
// MACRO_PLAY_SAVED, so no stream costs more than a fixed multiple of its
// length however its macros invoke each other.
constexpr int MACRO_PLAY_PER_BYTE = 64;
constexpr int MACRO_PLAY_SAVED = 1 << 20;
constexpr int EDC_BFR_SIZE = 512;

// The states of the byte-stream machine (procmode).
enum ProcMode : int32_t {
    PM_IDLE = 0,
    PM_ESCAPE = 1,
    PM_TEXT1 = 2,      // one-byte text run
    PM_TEXT2 = 3,      // two-byte text run
    PM_PDI = 4,        // PDI operand bytes
    PM_INCPT_CNT = 5,  // INCREMENTAL POINT bit count
    PM_INCPT_DATA = 6,
    PM_INCLN_START = 7,  // INCREMENTAL LINE/POLYGON start point
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
    int64_t MACROPlayBudget = 0;  // bytes that playback may still play
    uint8_t Defined_Status[MACRO_COUNT] = {};

    // Extended-data channel.
    int32_t St_EDC = 0, Ct_EDC = 0, vwv = 0;
    uint8_t EDC_bfr[EDC_BFR_SIZE] = {};
    int32_t Ty_EDC = 0, Ln_EDC = 0;
};

extern Decoder dec;

}  // namespace naplps
