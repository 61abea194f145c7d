// Executors the decoder calls whose drawing is not built yet, and the ones
// that have nothing to do. Each "not drawn yet" entry is replaced by the
// code that draws it when that code lands.
#include "decoder/executors.h"
#include "interp/commands.h"
#include "text/state.h"

namespace naplps {

// INCREMENTAL LINE and INCREMENTAL POLYGON are accepted and draw nothing.
void PDI_incline(int32_t *) {}
void PDI_incpoly(int32_t *) {}

}  // namespace naplps
