// Colour map, the colour instructions SET COLOR, SELECT COLOR and BLINK, and
// the upkeep of the blink table that the driver's blink step advances.
#pragma once

#include <cstdint>

#include "interp/state.h"

namespace naplps {

// Instruction handlers (decoded operand record: count, then values).
void PDI_setcolor(int32_t *data);
void PDI_selectcolor(int32_t *data);
void PDI_blink(int32_t *data);

// Loads the default colour map and forgets which entries SET COLOR defined.
void init_colormap();
// Passes map entry i to the palette when it is one of the sixteen shown.
void set_colormap(int i);
// Gives new colour cells the colours of the map: the default map when no
// map has been loaded yet (a picture without RESET's colour group still
// shows its colours), else the sixteen shown entries of the map in force.
void show_colormap();
// Ends every blink process.
void stopblink();

// Ends the blink process of ForColor.
void blinkclear();
// Brings the blink table up to date after the map entry ForColor changed.
void Change_bt();
// A SET COLOR component of 2 x MulLen bits as an 8-bit value.
int32_t topallet(int32_t c);
// A colour index from a single-value operand of 6 x SngLen bits.
int32_t colourIndex(int32_t v);
// The shown map entry (a multiple of 16) nearest to (g, r, b) by the sum of
// squared differences, the lowest index on equal distances. Components may
// be wider than 8 bits (incremental points); the sums do not wrap.
int32_t nearestColour(int64_t g, int64_t r, int64_t b);
// The colour defaults of the decoder's initialisation: no entry defined by
// SET COLOR, no blink process, no most recent blink process. Plain state
// only, so the X-free decoder core can run it.
inline void colour_valinit() {
    for (int k = 0; k < 256; k++) {
        ip.UsedColorMap[k] = 0;
        ip.BTFlag[k] = ip.BTCount[k] = ip.BTOnTime[k] = ip.BTOffTime[k] = 0;
        ip.BTOnR[k] = ip.BTOnG[k] = ip.BTOnB[k] = 0;
        ip.BTOffR[k] = ip.BTOffG[k] = ip.BTOffB[k] = 0;
        ip.BTOffCCode[k] = 0;
    }
    ip.LRDefine = -1;
    ip.func_graph_mode = 0;
}

}  // namespace naplps
