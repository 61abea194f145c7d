// Restores the load-time state of every subsystem: what the process holds
// when the plug-in has just been loaded. Tests start from here.
#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "nxg/nxg.h"
#include "raster/raster.h"

namespace naplps {

void pdi_load_state() {
    core_load_state();
    nxg_load_state();
}

}  // namespace naplps
