// The decoder library's outward operations: start-up and settings, the byte
// entry, and the restoring of the load-time state.
#pragma once

#include <cstdint>

namespace naplps {

// The byte entry.
int pdi_putchar(int handle, int byte);
int pdi_put(int handle, const uint8_t *bytes, int count);
// End of the stream: a text run or instruction still waiting for the byte
// after it is completed as if a byte that ends it had arrived. Calling it
// again, or feeding more bytes afterwards, draws nothing twice.
int pdi_flush(int handle);

// Runs a decoded PDI instruction: the interpreter's part and the decoder's
// own (operand lengths, macro and DRCS stores of RESET and DOMAIN).
void exec_instruction(int opcode, int32_t *data);

// Time. A WAIT leaves ticks of pause pending: the host shows the picture,
// lets each tick (100 ms) pass and calls pdi_tick for it, and feeds no
// further byte while pdi_wait_ticks is not 0. After the stream, blinking
// colours step once a tick while the host calls pdi_tick.
int pdi_wait_ticks(int handle);
void pdi_tick(int handle);
// 1 when any colour blinks.
int pdi_blinking(int handle);

// Outward operations.
int pdi_init(int mode, int origin_x, int origin_y, int ratio);
int pdi_ctl(int handle, int func, int origin_x, int origin_y, int ratio);
int pdi_clip(int handle, int x1, int y1, int x2, int y2);
int pdi_set_reset_mode(int handle, int mode, int x1, int y1, int x2, int y2);
// Readies the byte machine for a pass of its own over a file: idle, no
// page or code set held, no message being received.
int pdi_open();
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
