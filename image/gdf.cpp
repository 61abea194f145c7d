// The image request of a stream (the file name and the rectangle, recorded
// for the embedding program), the image directory and cells, and the
// drawing of an image by name.
#include "image/gdf.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "image/imagefile.h"
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

int pdi_set_image_path(const char *path) {
    if (path == nullptr) return -1;
    size_t n = strnlen(path, GDF_PATH_MAX + 1);
    if (n > GDF_PATH_MAX) return -1;
    std::memcpy(img.NXG_gdf_path, path, n);
    if (n > 0 && path[n - 1] == '/') n--;
    img.NXG_gdf_path[n] = '\0';
    return 0;
}

int pdi_set_gdfpal(Colormap colormap, const unsigned long *pixels) {
    (void)colormap;  // the cells belong to the current window's colormap
    return NXG_set_gdf_paltbl(pixels);
}

int pdi_draw_image(const char *name, int x, int y, int w, int h) {
    if (x == -1 && y == -1 && w == -1 && h == -1) {
        x = img.NXG_gdf_draw_x;
        y = img.NXG_gdf_draw_y;
        w = img.NXG_gdf_draw_wid;
        h = img.NXG_gdf_draw_hgt;
    }
    const char *nm = name != nullptr ? name : img.NXG_gdf_fname;
    size_t len = strnlen(nm, GDF_PATH_MAX + 1);
    if (len == 0 || len > GDF_PATH_MAX) return -1;
    int fd;
    if (name != nullptr && std::strchr(name, '/') != nullptr) {
        fd = image_open_path(name);  // the caller's own path
    } else {
        const char *dir = img.NXG_gdf_path;
        size_t dlen = strnlen(dir, sizeof img.NXG_gdf_path);
        if (dlen > 0 && dlen + 1 + len > GDF_PATH_MAX) return -1;
        fd = image_open_in(dlen > 0 ? dir : ".", nm);
    }
    if (fd < 0) return -1;
    int r = gdf_draw(fd, x, y, w, h);
    ::close(fd);
    return r;
}

int pdi_load_gdf(int x, int y, int w, int h, const char *path) {
    if (path == nullptr || strnlen(path, GDF_PATH_MAX + 1) > GDF_PATH_MAX) return -1;
    int fd = image_open_path(path);
    if (fd < 0) return -1;
    int r = gdf_draw(fd, x, y, w, h);
    ::close(fd);
    return r;
}

}  // namespace naplps
