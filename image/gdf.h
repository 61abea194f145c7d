// Image requests a stream makes: where the named image is to go.
#pragma once

namespace naplps {

// Records the image a stream names and its rectangle (pixels).
void pdi_set_gdf(int x, int y, int w, int h, const char *name);
// A coordinate in 1/16384 of the unit screen, in pixels at Scr_Ratio.
int EBphytoscr(int v);

}  // namespace naplps
