// INCREMENTAL LINE and INCREMENTAL POLYGON: the decoder collects their data
// and hands it over; they are accepted and draw nothing.
#include "interp/interp.h"
#include "text/text.h"
#include "raster/raster.h"

namespace naplps {

void PDI_incline(int32_t *) {}
void PDI_incpoly(int32_t *) {}

}  // namespace naplps
