// INCREMENTAL LINE and INCREMENTAL POLYGON: the decoder collects their data
// and hands it over; they are accepted and draw nothing.
#include "decoder/executors.h"

namespace naplps {

void PDI_incline(int32_t *) {}
void PDI_incpoly(int32_t *) {}

}  // namespace naplps
