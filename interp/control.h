// Control instructions: RESET, DOMAIN, TEXT, TEXTURE and WAIT, and the
// screen clears of RESET.
#pragma once

#include <cstdint>

namespace naplps {

// Longest pause of one WAIT instruction, in blink ticks of 100 ms: a WAIT can
// ask for 1,024 values of 63 ticks (nearly an hour) while it blocks the
// browser, so the sleeps of one instruction stop after 10 seconds.
constexpr int WAIT_MAX_TICKS = 100;

// Instruction handlers (decoded operand record: count, then values).
void PDI_reset(int32_t *data);
void PDI_domain(int32_t *data);
void PDI_text(int32_t *data);
void PDI_texture(int32_t *data);
void PDI_wait(int32_t *data);

// Screen codes of RESET: fill the picture area (or the erase window of
// pdi_set_reset_mode) with index 0 or with the current colour. The border
// operations have nothing to draw.
void blackdisplay();
void colordisplay();
void blackborder();
void colorborder();
// Turns field protection on.
void onprotect();

}  // namespace naplps
