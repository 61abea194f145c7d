// Drawing state of the PDI interpreter: screen geometry, positions and sizes
// in logical and physical form, field edges and drawing colours, and the one
// conversion from logical units to pixels.
#pragma once

#include <cstdint>

#include "raster/sat.h"

namespace naplps {

constexpr int32_t UNIT_WIDTH = 0x1000000;  // logical width of the unit screen
constexpr int32_t UNIT_HEIGHT = 0xC80000;  // logical height of the unit screen

struct Interp {
    // Screen geometry.
    int32_t Scr_Width = 0, Scr_Hight = 0;
    int32_t PDI_scrratio = 512;
    // Initial data kept for the plug-in layer.
    int32_t X_org = 12, Y_org = 72, X_min = 12, Y_min = 72, X_max = 651, Y_max = 471;
    int32_t NPDI_scrratio = 640;
    int32_t NX_org = 0, NY_org = 0, NX_min = 0, NY_min = 0, NX_max = 639, NY_max = 479;

    // Positions and sizes, logical and physical.
    int32_t LogDrawX = 0, LogDrawY = 0, PhyDrawX = 0, PhyDrawY = 0;
    int32_t LogCursX = 0, LogCursY = 0, PhyCursX = 0, PhyCursY = 0;
    int32_t LogActX = 0, LogActY = 0, LogActWd = 0, LogActHi = 0;
    int32_t PhyActX = 0, PhyActY = 0, PhyActWd = 0, PhyActHi = 0;
    int32_t LogCharX = 0, LogCharY = 0;
    int32_t LogMaskX = 0, LogMaskY = 0;

    // Field edges (logical).
    int32_t Act_L = 0, Act_R = 0, Act_B = 0, Act_T = 0;

    // Continuation point of INCREMENTAL POINT; -1, -1 = none.
    int32_t IncDrawX = 0, IncDrawY = 0;

    // Drawing colours.
    int32_t DrawValueG = 0, DrawValueR = 0, DrawValueB = 0;

    // Vertex store of the polygon fills: physical x, y pairs. Sized for the
    // largest record: the first vertex, 512 relative pairs and the closing
    // copy of the first vertex.
    int32_t idata[2 * (1024 / 2 + 2)] = {};

    // Control-command state.
    int32_t Texture = 0;
    int32_t WaitTimer = 0;  // blink ticks of pause pending before the next byte

    // Colour map and blink table (SET COLOR, SELECT COLOR, BLINK). The map
    // starts all zero; only RESET with a colour code loads the default map.
    // Operand lengths in force, as the decoder last set them: colour values
    // are scaled by them (0 before the first RESET or DOMAIN).
    int32_t SngLen = 0, MulLen = 0;
    int32_t func_graph_mode = 0;  // 0: map entries reach the palette
    int32_t MapLoaded = 0;        // 1 once the default map was loaded
    int32_t MapValueR[256] = {}, MapValueG[256] = {}, MapValueB[256] = {};
    int32_t UsedColorMap[256] = {};  // 1: defined by SET COLOR
    uint8_t BTFlag[256] = {};        // 0 none, 1 on phase, 2 off phase, 3 waiting to turn on
    uint8_t BTCount[256] = {};       // ticks left until the next phase change
    uint8_t BTOnTime[256] = {}, BTOffTime[256] = {};
    uint8_t BTOnR[256] = {}, BTOnG[256] = {}, BTOnB[256] = {};
    uint8_t BTOffR[256] = {}, BTOffG[256] = {}, BTOffB[256] = {};
    uint8_t BTOffCCode[256] = {};  // index of the blink-to colour
    int32_t LRDefine = 0;          // most recent blink process, -1 none
    int32_t ToColor = 0, OnTime = 0, OffTime = 0, DelayTime = 0;  // last BLINK
};

extern Interp ip;

// Logical coordinate or size to pixels at the current Scr_Ratio. Computed in
// 64 bits and saturated to the int32 range.
int32_t logtophy(int32_t v);
// A physical size: logtophy, but never 0.
int32_t phySize(int32_t v);

// Foreground and background colour indices the raster calls use; a
// background of -1 is transparent.
int32_t drawFg();
int32_t drawBg();

// Forgets every blink process without touching the palette.
void clear_blink_table();

// Sets the drawing state's defaults (positions, sizes, field, colours).
void interp_valinit();

}  // namespace naplps
