// Inside the surface: what a window back end does for a slot, the seam
// through which the X-free surface reaches the X back end, and the
// operations on a slot's picture of pixel bytes (nxg/mem.cpp). Only the
// surface's own sources include this header.
#pragma once

#include "nxg/nxg.h"

namespace naplps {

// A window back end: draws into the window (and its backing pixmap) of slot
// id what the surface has already drawn into the slot's picture, if it
// keeps one. Coordinates are limited to the slot's pixmap; pixel bytes are
// the slot's (NXG_wc_tbl).
struct NxgBackend {
    void (*span)(int id, int xa, int xb, int row, uint8_t pixel);
    void (*rect)(int id, int x, int y, int w, int h, uint8_t pixel);
    void (*segments)(int id, const NxgSegment *s, int n, uint8_t pixel);
    void (*copy)(int id, int sx, int sy, int w, int h, int dx, int dy);
    void (*image)(int id, const uint8_t *pixels, int w, int h, int x, int y);
    // The slot's clip rectangle changed.
    void (*clip)(int id);
    // Pixel byte p shows NEW_color_tbl2[p] from now on; `changed` is false
    // when it showed that colour already. A window that repaints the pixels
    // of a changed byte does so now with `repaint`, else later in
    // repaint_left; the cost of what it repainted is returned.
    NxgRepaint (*store)(int id, int p, bool changed, bool repaint);
    // Repaints the bytes whose repaint store left; their cost.
    NxgRepaint (*repaint_left)(int id);
    // Whether store has left any repaint.
    bool (*repaint_pending)(int id);
    void (*clear_window)(int id);
    void (*flush)(int id);
    // Shows x, y, w x h (within the pixmap) of the picture in the window.
    void (*show)(int id, int x, int y, int w, int h);
    // Releases the window resources of the slot.
    void (*term)(int id);
    // Drops what the back end holds for the slot without asking its
    // display anything (the display may be gone).
    void (*forget)(int id);
};

// The seam to the X back end: nxg/x11.cpp, or nxg/no_x11.cpp in a build
// without X. nxg_x11_open sets up slot id (its size in NXG_win_wid and
// NXG_win_hgt) as a window of the widget on the display and makes it
// current, as NXG_init does; -1 when it cannot.
int nxg_x11_open(int id, Colormap cm, Widget widget, Display *dpy);
// Puts back the host's X error handler; forgets every window.
void nxg_x11_end();
void nxg_x11_load_state();

// The current slot, or nullptr.
NxgWindowInfo *nxg_cur_slot();
// Makes slot w current: its size becomes the current geometry.
void nxg_make_current(NxgWindowInfo &w);

// The picture of a slot (nxg/mem.cpp).
// A picture of wd x ht pixel bytes, all 0 (the colour a new pixmap is
// cleared to); without the memory for it the slot has none.
void pic_new(NxgWindowInfo &w, int wd, int ht);
void pic_free(NxgWindowInfo &w);
// Columns xa..xb and rows ya..yb (inclusive) take byte b, within the
// picture and its clip.
void pic_fill(NxgWindowInfo &w, int64_t xa, int64_t xb, int64_t ya, int64_t yb, uint8_t b);
void pic_segments(NxgWindowInfo &w, const NxgSegment *s, int n, uint8_t b);
void pic_copy(NxgWindowInfo &w, int sx, int sy, int cw, int ch, int dx, int dy);
void pic_image(NxgWindowInfo &w, const uint8_t *pixels, int cw, int ch, int x, int y);

}  // namespace naplps
