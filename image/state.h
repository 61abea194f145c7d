// Image-file settings: the image a stream asked for and where it goes.
#pragma once

#include <cstdint>

namespace naplps {

struct Image {
    char NXG_gdf_path[512] = {};
    char NXG_gdf_fname[128] = {};
    int32_t NXG_gdf_draw_x = 0, NXG_gdf_draw_y = 0;
    int32_t NXG_gdf_draw_wid = 0, NXG_gdf_draw_hgt = 0;
};

extern Image img;

}  // namespace naplps
