// Graphics driver: the X11 back end of the decoder. Window table, backing
// pixmaps, colour cells and palette, pixel and span output, blink and wait
// timing. The rest of the decoder reaches the display only through this
// interface; Xlib and Xt are included by the driver's own sources alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// X handle types, declared exactly as <X11/Xlib.h> and <X11/Intrinsic.h>
// declare them, so that callers of the driver need no X headers.
typedef struct _XDisplay Display;
typedef unsigned long XID;
typedef XID Window;
typedef XID Pixmap;
typedef XID Colormap;
typedef struct _XGC *GC;
typedef struct _WidgetRec *Widget;
typedef struct _XtAppStruct *XtAppContext;
typedef unsigned long XtIntervalId;

namespace naplps {

constexpr int NXG_WIN_MAX = 12;      // window slots
constexpr int NXG_CELLS = 16;        // reserved colour cells per window
constexpr int NXG_SEG_MAX = 2048;    // segments of one patterned row batch
constexpr int NXG_GDF_CELLS = 128;   // colour cells reserved for images
constexpr int NXG_PAT_ROWS = 50;     // rows of the prepared fill pattern
constexpr int NXG_PAT_BYTES = 80;    // bytes of one pattern row (640 pixels)
constexpr int NXG_TICK_MS = 100;     // one blink tick
constexpr int NXG_PATH_MAX = 256;    // size of NXG_set_path's buffer

// One slot of the window table.
struct _NXG_window_info {
    int use_flg = 0;           // 1 while the slot is taken
    Window win = 0;            // the plug-in's X window
    Display *dpy = nullptr;    // its display connection
    GC gc = nullptr;           // the driver's own GC for this window
    int wid = 0, hgt = 0;      // window size in pixels
    Pixmap pm = 0;             // backing pixmap, 0 when there is none
    Colormap cms = 0;          // colormap in use, 0 before set-up
    int user_cmap = 0;         // 1 when cms is a private colormap made here
    unsigned long pix_tbl[NXG_CELLS] = {};  // pixels of the reserved cells
    int ro_visual = 0;         // 1 on the direct path: the window's cells are not writable
    int pm_wid = 0, pm_hgt = 0;  // largest x and y of this slot's pixmap
    int pal_set = 0;           // 1 once the slot's colours are set up

    // Direct path and in-memory surface. The window's 16 colours are the
    // pixel bytes 0 .. 15 (pix_tbl[k] = k); `pic` holds the pixel byte of
    // every pixel of the picture (rows from the top, pic_w bytes a row), as
    // every drawing primitive leaves it, so that a colour change can repaint
    // exactly the pixels of that byte.
    int mem = 0;               // 1: in-memory surface, no X display at all
    int depth = 0;             // the window's depth (pixmap and GCs use it)
    void *visual = nullptr;    // the window's Visual
    int vis_class = 0;         // the visual's class (StaticGray 0 .. DirectColor 5)
    int true_rgb = 0;          // 1: pixel values made from the visual's masks
    unsigned long red_mask = 0, green_mask = 0, blue_mask = 0;
    std::vector<uint8_t> pic;  // the picture of pixel bytes
    int pic_w = 0, pic_h = 0;
    uint8_t cell_rgb[256][3] = {};       // colour each pixel byte shows here
    unsigned long true_pix[256] = {};    // X pixel value of each byte
    uint8_t true_ok[256] = {};           // 1 when true_pix holds the value
    uint8_t true_alloc[256] = {};        // 1 when true_pix is an allocated cell
    GC pal_gc = nullptr;       // unclipped GC of colour repaints
    // The clip rectangle of the slot's GC (window coordinates), mirrored.
    int clip_set = 0;
    int clip_x = 0, clip_y = 0, clip_w = 0, clip_h = 0;
};

// One segment of a patterned row: the same layout as Xlib's XSegment.
struct NxgSegment {
    int16_t x1, y1, x2, y2;
};

// The sleep that WAIT and the end-of-stream blink steps use: select() for
// the given milliseconds. Tests and the batch converter replace it through
// nxg.sleep_ms.
void NXG_sleep_ms(int ms);

// All of the driver's process-wide state. Default member initialisers are
// the values it has when the plug-in is loaded.
struct Nxg {
    // Window table; NXG_win_cnt is -1 until the first new window.
    _NXG_window_info NXG_win_tbl[NXG_WIN_MAX] = {};
    int32_t NXG_win_cnt = -1;

    // The current drawing surface.
    Window SW1_xid = 0;
    Display *SW1_dpy = nullptr;   // nullptr: no display, drawing does nothing
    GC SW1_gc = nullptr;
    Pixmap NXG_pixmap = 0;        // backing pixmap, 0: window only
    Pixmap SW1_pixmap = 0;        // the same pixmap, source of copies
    int NXG_win_wid = 1023, NXG_win_hgt = 1023;  // width - 1, height - 1
    int SW1_pm_wid = 0, SW1_pm_hgt = 0;          // largest x and y of the pixmap
    Colormap NXG_lib_cms = 0, NEW_cms = 0;       // current colormap
    int SW1_ro = 0;               // current surface's cells are read-only
    int SW1_user_cmap = 0;        // current colormap is a private one made here
    int SW1_id = -1;              // slot of the current surface, -1: none
    int SW1_mem = 0;              // current surface is an in-memory one
    uint8_t SW1_fg_byte = 0;      // pixel byte of the GC's foreground

    // Colours. NXG_wc_tbl turns a colour index into a pixel value; the
    // shadow tables hold the colour last stored into each pixel.
    uint8_t NXG_wc_tbl[256] = {};
    uint8_t NEW_color_tbl2[256][3] = {};
    uint8_t NEW_color_tbl_save[256][3] = {};
    uint8_t NXG_wc_gdf_tbl[NXG_GDF_CELLS] = {};
    int NXG_gdf_set = 0;          // 1 once the image cells have been given, 2: bytes 128..255 of NXG_gdf_cells
    int NXG_color = -1;           // colour index now in the GC foreground
    int NXG_cur_pal = 0;          // colour index of line spans (set_color)

    // Span output.
    int dot_texture_y = 0;        // pattern row offset (bytes) of dot_draw_t
    NxgSegment seg[NXG_SEG_MAX] = {};
    int NXG_Undo_flg = 0;

    // X errors: set by the handler; the handler that was in force before the
    // driver's own, put back by NXG_end.
    int NXG_win_err = 0;
    const char *NXG_log_path = "/user/zelvo/motif/linux/zelvo/nap.log";
    void (*NXG_old_handler)() = nullptr;
    int NXG_handler_set = 0;

    // Timers.
    XtIntervalId NXG_tmr_id = 0;
    void (*sleep_ms)(int ms) = NXG_sleep_ms;
};

extern Nxg nxg;

// Load-time state of the driver (puts back the host's error handler first).
// X resources of open slots are not freed: close the slots first.
void nxg_load_state();

// Window, pixmaps and palette. NXG_init refuses (-1) a window under 2 x 2
// pixels or beyond X's 16-bit coordinates, and no display is current then.
// With no display and no window (dpy null, xid 0) the slot is an in-memory
// surface: the picture of pixel bytes and the colours, and nothing else.
int NXG_init(int id, XtAppContext app, Colormap cm, Window xid, Display *dpy, GC gc);
// Leaves no surface current: every drawing operation then does nothing.
void NXG_no_surface();
void NXG_term(int id);
// Puts back the X error handler that the first NXG_init replaced.
void NXG_end();
void NXG_set_pal(int color, int r, int g, int b);
int NXG_set_gdf_paltbl(Colormap cm, const unsigned long *pix_tbl);
void NXG_set_gdfpal(int color, int r, int g, int b);
// Makes sure image cells are in force on the current surface: on one that
// keeps a colour for every pixel byte (in memory, or the direct path) and
// has been given none, the pixel bytes 128 .. 255. 0 when image cells are
// in force; -1 with no surface, or on a surface of colormap cells that has
// not been given any with NXG_set_gdf_paltbl.
int NXG_gdf_cells();
void NXG_set_bg(int pal);
int NXG_ec_to_wc(int color);
void NXG_sel_color(int color);
void NXG_save_pal();
void NXG_load_pal();
// pathname holds NXG_PATH_MAX bytes; the result is cut to fit.
char *NXG_set_path(char *pathname, const char *envname);

// Pixel and span output. dot_p, dot_t, NXG_copy_rect and NXG_set_clp take
// bottom-up coordinates; draw, fill and dot_draw_t window rows.
void dot_p(int x1, int y1, int x2, int y2);
void dot_t(int x1, int y1, int x2, int y2);
int draw(int xt, int xb);
void fill(int xt, int xb);
void dot_draw_t(Widget pw, int x1, int y1, int x2, int y2, int job);
// Clip a span (end points, either order; rows ys..ye) or a rectangle
// (origin x, width, origin y, height) to the pixmap. 0 and the clipped
// values when something is left; -1 when nothing is (wholly outside, width
// 0) or when the span went to a texture definition instead.
int draw_check(int *xs, int *xe, int *ys, int *ye);
int dot_check(int *xs, int *xe, int *ys, int *ye);
void NXG_set_clp(int x1, int y1, int x2, int y2);
void NXG_copy_rect(int x1, int y1, int x2, int y2, int dx, int dy);
void NXG_flush();
void NXG_set_batch(int sw);
void NXG_clear_all();
void NXG_load_canvas(int id, int x1, int y1, int x2, int y2);
void NXG_save_pixwin();
void NXG_load_pixwin();
// Puts w x h pixel values (one byte each, rows from the top) at window
// position (x, y) of the current surface, window and pixmap.
void NXG_put_image(const uint8_t *pixels, int w, int h, int x, int y);

// The picture of slot id as RGB, 3 bytes a pixel, rows from the top, in
// the colours its pixels show now: for slots on the direct path and
// in-memory surfaces. False (and nothing written) for other slots or when
// `size` is not width x height x 3.
bool NXG_read_rgb(int id, uint8_t *rgb, size_t size);

// Blink and wait timers.
void tmset();
void tmrset();

// What the decoder's window operations need from the toolkit.
Window NXG_widget_window(Widget widget);
GC NXG_default_gc(Display *dpy);

// The decoder's outward window operations (decoder/window.cpp). With a null
// widget and a null display pdi_win_open gives an in-memory surface.
int pdi_win_open(int *win, Colormap cm, Widget widget, Display *display, int width, int height);
int pdi_win_close(int win);
void pdi_load_canvas(int id, int x1, int y1, int x2, int y2);

}  // namespace naplps
