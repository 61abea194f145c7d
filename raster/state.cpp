// The one instance of the raster engine's state, the pen included.
#include "raster/raster.h"
#include "raster/sat.h"

namespace naplps {

Raster ras;

int32_t sat32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return int32_t(v);
}

}  // namespace naplps
