// The one instance of the raster engine's state, the pen included.
#include "raster/raster.h"

namespace naplps {

Raster ras;

}  // namespace naplps
