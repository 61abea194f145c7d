// The drawing surface: the window table and the primitives through which
// every pixel of a picture reaches a window or an in-memory picture. The
// surface knows nothing of the layers above it: spans, rectangles, segments,
// copies, images and colour changes arrive as arguments, in window
// coordinates (x to the right, rows from the top). This header needs no X
// header; the X back end (nxg/x11.cpp, nxg/nxg_x.h) is the only part of the
// surface that includes one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Opaque X handles, declared exactly as <X11/Xlib.h> and <X11/Intrinsic.h>
// declare them, so that the hosts' calls need no X header.
typedef struct _XDisplay Display;
typedef unsigned long XID;
typedef XID Colormap;
typedef struct _WidgetRec *Widget;

namespace naplps {

constexpr int NXG_WIN_MAX = 12;     // window slots
constexpr int NXG_CELLS = 16;       // colour cells of a window
constexpr int NXG_GDF_CELLS = 128;  // colour cells reserved for images
// Largest coordinate a surface takes (X's 16-bit signed coordinates).
constexpr int NXG_COORD_MAX = 32767;

// One run of a patterned row: horizontal (y1 == y2) or vertical (x1 == x2),
// end points included.
struct NxgSegment {
    int16_t x1, y1, x2, y2;
};

struct NxgBackend;

// One slot of the window table (the record `_NXG_window_info`): a window on
// an X display, or a picture in memory. Everything that belongs to one
// picture's surface is here: making another slot current switches all of it.
struct NxgWindowInfo {
    int use_flg = 0;             // 1 while the slot is taken
    int wid = 0, hgt = 0;        // size in pixels
    int pm_wid = 0, pm_hgt = 0;  // largest x and y of the pixmap or picture
    int pal_set = 0;             // 1 once the slot's colours are set up
    int mem = 0;                 // 1: an in-memory surface, no display at all
    // The window back end that draws this slot's pixels (nxg/x11.cpp), or
    // nullptr: the slot draws into its picture alone.
    const NxgBackend *be = nullptr;
    // 1 when the slot keeps its whole picture off screen (memory, or a
    // window with its backing pixmap): block copies then move the picture.
    int backing = 0;

    // Colours. NXG_wc_tbl turns a colour index into the slot's pixel byte;
    // NEW_color_tbl2 is the colour each pixel byte shows, the colour last
    // stored into it.
    uint8_t NXG_wc_tbl[256] = {};
    uint8_t NEW_color_tbl2[256][3] = {};
    uint8_t NXG_wc_gdf_tbl[NXG_GDF_CELLS] = {};  // pixel bytes of the image cells
    int NXG_gdf_set =
        0;  // 1 once the image cells have been given, 2: bytes 128..255 by NXG_gdf_cells

    // The pixel byte of every pixel (rows from the top, pic_w bytes a row),
    // as every primitive leaves it: the whole picture of a memory slot, and
    // the picture of a window whose colour cells cannot be written, so that
    // a colour change can repaint exactly the pixels of that byte. Empty for
    // windows with writable cells.
    std::vector<uint8_t> pic;
    int pic_w = 0, pic_h = 0;

    // The clip rectangle (window coordinates); without one the whole
    // surface is open.
    int clip_set = 0;
    int clip_x = 0, clip_y = 0, clip_w = 0, clip_h = 0;
};

// The sleep that WAIT and the end-of-stream blink steps use: select() for
// the given milliseconds. Tests and the batch converter replace it through
// nxg.sleep_ms.
void NXG_sleep_ms(int ms);

// All of the surface's process-wide state. Default member initialisers are
// the values it has when the plug-in is loaded.
struct Nxg {
    // Window table; NXG_win_cnt is -1 until the first new window.
    NxgWindowInfo NXG_win_tbl[NXG_WIN_MAX] = {};
    int32_t NXG_win_cnt = -1;

    // The current surface: its slot (-1: none, every primitive does
    // nothing), and its size for the raster's row arithmetic: width - 1 and
    // height - 1, and the largest x and y that drawing reaches.
    int SW1_id = -1;
    int NXG_win_wid = 1023, NXG_win_hgt = 1023;
    int SW1_pm_wid = 0, SW1_pm_hgt = 0;

    // The sleep of WAIT and of the end-of-stream blink steps.
    void (*sleep_ms)(int ms) = NXG_sleep_ms;
};

extern Nxg nxg;

// Load-time state of the surface and of its window back end (the host's X
// error handler is put back first). Resources of open windows are not
// freed: close the slots first.
void nxg_load_state();

// Sets up slot id, of the size the caller set in NXG_win_wid and
// NXG_win_hgt, and makes it current: a window of the widget on the display,
// or, with neither (both null), an in-memory surface. -1 (and no surface
// current) for a slot under 2 x 2 pixels, beyond NXG_COORD_MAX, or a window
// that the build has no back end for; -3 when no pixmap or picture could be
// made; else 0 or the window back end's status.
int NXG_init(int id, Colormap cm, Widget widget, Display *dpy);
// Leaves no surface current: every primitive then does nothing.
void NXG_no_surface();
// Releases what slot id holds (window resources, picture, colours); a
// current slot stops being current.
void NXG_term(int id);
// Puts back the X error handler that the first window set-up replaced.
void NXG_end();

// What a colour change cost a slot whose pixels show their colour by value
// (a window of read-only colour cells): the picture's pixels scanned for
// the changed byte, the runs of it painted as rectangles, and the pixels
// put as an image. All 0 for a slot whose colour cell changes instead.
struct NxgRepaint {
    int64_t scanned = 0, runs = 0, imaged = 0;
};

// Colours of the current slot. With `repaint` false, a slot that repaints
// the pixels of a changed colour only records the colour: its pixels are
// repainted by NXG_repaint_pending (or by the next change of the same
// colour with `repaint`).
NxgRepaint NXG_set_pal(int color, int r, int g, int b, bool repaint = true);
// Repaints the pixels of every colour of the current slot whose repaint
// was left; what it cost.
NxgRepaint NXG_repaint_pending();
// Whether the current slot has colours whose repaint was left.
bool nxg_repaint_left();
// The image cells (128 pixel values); -1 when pix_tbl is null or no slot
// is current.
int NXG_set_gdf_paltbl(const unsigned long *pix_tbl);
// Makes sure image cells are in force on the current surface: on one that
// keeps a colour for every pixel byte (in memory, or the direct path) and
// has been given none, the pixel bytes 128 .. 255. 0 when image cells are
// in force; -1 with no surface, or on a surface of colormap cells that has
// not been given any with NXG_set_gdf_paltbl.
int NXG_gdf_cells();
// The pixel byte of image cell k (0 .. 127) of the current surface.
int NXG_gdf_pixel(int k);
NxgRepaint NXG_set_gdfpal(int color, int r, int g, int b, bool repaint = true);
int NXG_ec_to_wc(int color);

// Whether a surface is current: drawing reaches a window or a picture.
bool nxg_have_surface();

// Primitives on the current surface, in window coordinates; colours are
// colour indices. Each is limited to the surface and its clip rectangle.
// A span xa..xb (either order, ends included) on one row.
void nxg_span(int xa, int xb, int row, int colour);
// A filled rectangle of w x h pixels, top-left at (x, y).
void nxg_rect(int x, int y, int w, int h, int colour);
// n segments in one colour.
void nxg_segments(const NxgSegment *s, int n, int colour);
// Moves w x h pixels from (sx, sy) to (dx, dy), the window shown from the
// picture's source first (scrolling).
void nxg_copy(int sx, int sy, int w, int h, int dx, int dy);
// The clip rectangle of w x h pixels at (x, y); an empty one clips
// everything away.
void nxg_clip(int x, int y, int w, int h);
// Puts w x h pixel values (one byte each, rows from the top) at (x, y).
void NXG_put_image(const uint8_t *pixels, int w, int h, int x, int y);
// Clears the window to its background (the picture is unchanged).
void NXG_clear_all();
void NXG_flush();
// Makes slot id current and shows x, y, w x h of its picture in its window.
void NXG_load_canvas(int id, int x, int y, int w, int h);

// The picture of slot id as RGB, 3 bytes a pixel, rows from the top, in
// the colours its pixels show now: for in-memory slots and windows whose
// cells cannot be written. False (and nothing written) for other slots or
// when `size` is not width x height x 3.
bool NXG_read_rgb(int id, uint8_t *rgb, size_t size);

// The hook that would stop a periodic tick (nxg/timer.cpp): the host drives
// blinking and pauses itself.
void tmrset();

// The decoder's outward window operations (decoder/window.cpp). With a null
// widget and a null display pdi_win_open gives an in-memory surface.
int pdi_win_open(int *win, Colormap cm, Widget widget, Display *display, int width, int height);
int pdi_win_close(int win);
void pdi_load_canvas(int id, int x1, int y1, int x2, int y2);

}  // namespace naplps
