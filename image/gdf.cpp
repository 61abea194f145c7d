// The image request of a stream: the file name and the rectangle, recorded
// for the embedding program.
#include "image/gdf.h"

#include <cstddef>
#include <cstdint>

#include "image/state.h"
#include "interp/state.h"
#include "raster/raster.h"

namespace naplps {

void pdi_set_gdf(int x, int y, int w, int h, const char *name) {
    size_t n = 0;
    for (; name[n] && n < sizeof img.NXG_gdf_fname - 1; n++) {
        char c = name[n];
        img.NXG_gdf_fname[n] = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    }
    img.NXG_gdf_fname[n] = '\0';
    img.NXG_gdf_draw_x = x;
    img.NXG_gdf_draw_y = y;
    img.NXG_gdf_draw_wid = w;
    img.NXG_gdf_draw_hgt = h;
}

int EBphytoscr(int v) {
    switch (ras.pen.Scr_Ratio) {
    case 256: return v >= 0 ? (v + 32) >> 6 : -((32 - v) >> 6);
    case 512: return v >= 0 ? (v + 16) >> 5 : -((16 - v) >> 5);
    case 640: {
        int64_t a = v < 0 ? -int64_t(v) : v;
        int64_t r = ((a >> 2) + 16 + a) >> 5;
        return int(v < 0 ? -r : r);
    }
    default: return sat32((int64_t(v) * ras.pen.Scr_Ratio + 8192) / 16384);
    }
}

}  // namespace naplps
