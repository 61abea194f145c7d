// The driver's private view of Xlib: the drawing primitives through which
// every pixel reaches the current surface, and the X error handler. Only the
// driver's sources include this header.
#pragma once

#include <X11/Xlib.h>

#include "nxg/nxg.h"

namespace naplps {

// Where a primitive draws: the window, the backing pixmap (skipped when the
// surface has none), or both.
constexpr int NXG_TO_WINDOW = 1;
constexpr int NXG_TO_PIXMAP = 2;
constexpr int NXG_TO_BOTH = NXG_TO_WINDOW | NXG_TO_PIXMAP;

// Makes slot w the current drawing surface (window, GC, pixmap, colormap,
// sizes) and its cells the colour translation. The GC's foreground is not
// known for this slot, so the colour cache starts afresh.
void nxg_make_current(const _NXG_window_info &w);

// Makes colour index k the GC foreground unless it already is (NXG_color).
void nxg_fg(int k);

// The slot of the current surface, or nullptr.
_NXG_window_info *nxg_cur_slot();
// Whether drawing reaches an X surface (display and GC), and whether it
// reaches anything at all (an X surface or an in-memory one).
bool nxg_x_surface();
bool nxg_have_surface();
// The X pixel value that shows pixel byte p on slot s: p itself on a
// writable 8-bit visual, else made from the visual's masks or allocated in
// the window's colormap (X surfaces only).
unsigned long nxg_pixel(_NXG_window_info &s, int p);
// Gives pixel byte p of the current slot the colour (r, g, b) on the direct
// path or in memory, repainting into pixmap and window the pixels that show
// it. False when the current surface has writable cells (nothing done).
bool nxg_recolour(int p, int r, int g, int b);
// Releases what the direct path holds for slot s on its display (the
// repaint GC, allocated colour cells) and its picture.
void nxg_direct_free(_NXG_window_info &s);
// A solid span xa..xb (inclusive, xa <= xb) on window row `row`.
void prim_span(int xa, int xb, int row, int to = NXG_TO_BOTH);
// A filled rectangle of w x h pixels, top-left at window (x, row).
void prim_rect(int x, int row, int w, int h, int to = NXG_TO_BOTH);
// n segments (one row's runs of a patterned span).
void prim_segments(const NxgSegment *s, int n, int to = NXG_TO_BOTH);
// Copies w x h pixels from (sx, sy) of one drawable of the surface to
// (dx, dy) of another (NXG_TO_WINDOW or NXG_TO_PIXMAP each).
void prim_copy(int from, int to, int sx, int sy, int w, int h, int dx, int dy);
// w x h pixel values, rows from the top, put at window (x, y).
void prim_image(const uint8_t *pixels, int w, int h, int x, int y, int to = NXG_TO_BOTH);

// Clears the window to its background (the pixmap is unchanged).
void prim_clear_window();

// Largest coordinate that the X protocol carries (16-bit signed).
constexpr int NXG_COORD_MAX = 32767;

int NXG_WinErrorHandler(Display *dpy, XErrorEvent *err);

}  // namespace naplps
