// The decoder's outward operations on time: the pause a WAIT left pending,
// and the blink tick the host calls once every 100 ms.
#include "decoder/api.h"
#include "interp/blink.h"

namespace naplps {

int pdi_wait_ticks(int) { return wait_ticks_pending(); }
void pdi_tick(int) { blink_tick(); }
int pdi_blinking(int) { return blinking() ? 1 : 0; }

}  // namespace naplps
