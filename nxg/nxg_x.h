// The X11 back end of the surface: what it keeps for each window slot
// (display, window, GC, backing pixmap, colormap and colour cells), the
// colours of windows whose cells cannot be written, and the X error
// handler. Only the X back end, the X tests and the X tools include this
// header.
#pragma once

#include <X11/Xlib.h>

#include "nxg/nxg.h"

namespace naplps {

// The X side of one slot. On an 8-bit PseudoColor display the 16 colours of
// a window are 16 writable colour cells, and a palette change is a store
// into one of them. On any other visual (TrueColor and the rest) the window
// takes the direct path: its colours are the pixel bytes 0 .. 15 of the
// slot's picture, shown as pixel values of the window's own visual, and a
// palette change repaints the pixels of the changed byte.
struct NxgXSlot {
    Window win = 0;                         // the plug-in's X window
    Display *dpy = nullptr;                 // its display connection
    GC gc = nullptr;                        // the back end's own GC for this window
    Pixmap pm = 0;                          // backing pixmap, 0 when there is none
    Colormap cms = 0;                       // colormap in use, 0 before set-up
    int user_cmap = 0;                      // 1 when cms is a private colormap made here
    unsigned long pix_tbl[NXG_CELLS] = {};  // pixels of the 16 colour cells
    int fg = -1;                            // pixel byte now the GC's foreground, -1: not known

    // The direct path.
    int ro_visual = 0;         // 1: the window's cells are not writable
    int depth = 0;             // the window's depth (pixmap and GCs use it)
    Visual *visual = nullptr;  // the window's Visual
    int vis_class = 0;         // the visual's class (StaticGray 0 .. DirectColor 5)
    int true_rgb = 0;          // 1: pixel values made from the visual's masks
    unsigned long red_mask = 0, green_mask = 0, blue_mask = 0;
    unsigned long true_pix[256] = {};  // X pixel value of each byte
    uint8_t true_ok[256] = {};         // 1 when true_pix holds the value
    uint8_t true_alloc[256] = {};      // 1 when true_pix is an allocated cell
    GC pal_gc = nullptr;               // unclipped GC of colour repaints
    uint8_t repaint_left[256] = {};    // 1: the byte's pixels still show an old colour
};

struct NxgX {
    NxgXSlot slot[NXG_WIN_MAX] = {};
    // X errors: set by the handler; the handler that was in force before
    // the back end's own, put back by NXG_end.
    int NXG_win_err = 0;
    const char *NXG_log_path = "/user/zelvo/motif/linux/zelvo/nap.log";
    void (*NXG_old_handler)() = nullptr;
    int NXG_handler_set = 0;
};

extern NxgX nxgx;

int NXG_WinErrorHandler(Display *dpy, XErrorEvent *err);

}  // namespace naplps
