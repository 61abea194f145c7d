// The window seam of a build without the X back end: only in-memory
// surfaces exist, and a window is refused as a window too small would be.
#include "nxg/backend.h"

namespace naplps {

int nxg_x11_open(int, Colormap, Widget, Display *) {
    NXG_no_surface();
    return -1;
}

void nxg_x11_end() {}

void nxg_x11_load_state() {}

}  // namespace naplps
