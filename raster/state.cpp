// The one instance of the raster engine's state, the pen included.
#include <algorithm>

#include "raster/raster.h"
#include "raster/sat.h"

namespace naplps {

Raster ras;

void work_start() {
    ras.WorkMetered = 1;
    ras.WorkLeft = WORK_AT_LOAD;
}

bool work_spend(int64_t units) {
    if (work_exhausted()) {
        ras.WorkRefused++;
        return false;
    }
    work_charge(units);
    return true;
}

void work_charge(int64_t units) {
    ras.WorkLeft -= units;
    ras.WorkSpent += uint64_t(units);
}

int32_t sat32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return int32_t(v);
}

}  // namespace naplps
