// Image files: the image request a stream makes, and the decoder library's
// operations that find, read, scale and draw an image file (magic "WNGD":
// an 8-bit palette image) into the current window and its pixmap.
#pragma once

#include "nxg/nxg.h"  // Colormap

namespace naplps {

constexpr int GDF_PATH_MAX = 511;    // longest path or directory accepted
constexpr int WNGD_HEADER = 816;     // bytes before the pixels
constexpr int WNGD_SIDE_MAX = 4096;  // widest and highest image accepted
constexpr int WNGD_PALETTE = 256;    // palette entries in the header
constexpr int GDF_SIZE_MAX = 32767;  // largest size an image is drawn at

// Records the image a stream names and its rectangle (pixels).
void pdi_set_gdf(int x, int y, int w, int h, const char *name);
// A coordinate in 1/16384 of the unit screen, in pixels at Scr_Ratio.
int EBphytoscr(int v);

// The image directory, stored without one trailing '/'. -1 (and the
// directory unchanged) for a null path or one longer than GDF_PATH_MAX.
int pdi_set_image_path(const char *path);
// Gives the 128 image cells: the pixel values of colormap cells the host
// has reserved for images. -1 for a zero colormap.
int pdi_set_gdfpal(Colormap colormap, const unsigned long *pixels);
// Draws an image at (x, y), lower-left corner in picture pixels, w x h
// pixels; all four -1: the rectangle the stream recorded. A null name: the
// name the stream recorded, which is looked up inside the image directory
// only (see image_open_in). A name of the caller's with '/' is a path as it
// stands; one without is looked up in the image directory (or the current
// directory when none is set). 0 when drawn (or wholly outside the window),
// -1 when the file cannot be opened or is refused (pdi_load_gdf).
int pdi_draw_image(const char *name, int x, int y, int w, int h);
// Reads the image file at path and draws it. -1, with nothing drawn and no
// colour cell changed, when the file cannot be opened, is not a regular
// file, has no "WNGD" header, a palette of more than 256 entries, a width
// or height of 0 or above WNGD_SIDE_MAX, fewer pixel bytes than its size
// needs, when w or h is not 1 .. GDF_SIZE_MAX, or when the surface has no
// image cells.
int pdi_load_gdf(int x, int y, int w, int h, const char *path);

}  // namespace naplps
